#pragma once
// The fixed messages the Ethernet downloads send to a network printer by themselves, on
// its raw port 9100 (the status and recovery messages also go to its status port 3000 as
// datagrams, behind their four-byte header). Pure data.

#include "protocol/lan/lan_command_bytes.h" // kAck

#include <cstdint>
#include <vector>

namespace kyv::lan {

using Message = std::vector<uint8_t>;

inline const Message kStatusRequest{0x00, 0x00, 0x00, 0x00, 0x10, 0x04, 0x01};
// Takes the printer out of the state the status byte's bit 3 reports.
inline const Message kRecovery{0x00, 0x00, 0x00, 0x00, 0x1D, 0x03, 0x02};
inline const Message kIplModeQuery{0x1D, 0x01};
inline const Message kModelQuery{0x1D, 0x49, 0x40, 0x27};
inline const Message kDownloadMode{0x1B, 0x5B, 0x7D};
inline const Message kReset{0x1D, 0xFF};
inline const Message kClearArea{0x1D, 0x40, 0x31};
inline const Message kClearAreaSecondForm{0x1D, 0x40, 0x32};
// The same bytes as kClearArea: in online mode they erase the user-defined area.
inline const Message kEraseUserArea{0x1D, 0x40, 0x31};
inline const Message kPrintDiagnostics{0x1F, 0x74};
// A printer setting that must be off while an online-mode image goes in, and back after.
inline const Message kSettingQuery{0x1F, 0x12, 0x5F};
inline const Message kSettingOff{0x1D, 0x1F, 0x00};
inline const Message kSettingOn{0x1D, 0x1F, 0x01};
inline const Message kMainVersionQuery{0x1D, 0x49, 0x40, 0x33};
inline const Message kBootVersionQuery{0x1D, 0x49, 0x40, 0x2B};
inline const Message kReadyPoll{0x1D, 0x05};

inline constexpr uint8_t kNak = 0x15;
inline constexpr uint8_t kAreaCleared = 0x0D;
inline constexpr uint8_t kStatusNeedsRecovery = 0x08;

} // namespace kyv::lan
