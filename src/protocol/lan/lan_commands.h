#pragma once
// The flash commands of a network printer over an open raw-port connection of CDCBComm
// (OpenLan). Each runs one exchange of lan_command_bytes.h through run() and turns the
// reply into an outcome: 1 acknowledged, 0 not sent in full, 101 no or a wrong reply,
// 1052 an image CRC that differs from the file's. Every failure logs one line to the job
// events (a progress event with only a log line).

#include "protocol/lan/lan_command_bytes.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kyv {

class CDCBComm;
class JobEvents;
class CrcAccumulator;

inline constexpr int kLanAcknowledged = 1;
inline constexpr int kLanNotSent = 0;
inline constexpr int kLanNoReply = 101;

class LanCommands {
public:
    LanCommands(CDCBComm& port, JobEvents* events) : port_(port), events_(events) {}

    int queryIplMode();
    // mac: the 17 characters of the printer's MAC address.
    int queryMac(std::string& mac);
    // mask: first number in the most significant byte.
    int querySubnetMask(uint32_t& mask);
    // withTable: the model keeps a table version (R453, R243).
    int queryVersions(bool withTable, std::string& report);
    int queryModel(std::string& model);
    int enterDownloadMode();
    int eraseSector(int sector);
    int selectSector(int sector);
    // Sends the data of one flash sector in whole 64 KB blocks and reads its ACK.
    int downloadData(std::span<const uint8_t> data);
    int sectorCrc(uint16_t& crc);
    int imageCrc(const std::string& file, CrcAccumulator& accumulator);
    int reset();
    int clearDownloadArea();

    // Sends the bytes, waits, and reads the reply when one is expected. nullopt when the
    // bytes did not all go out (sent tells how many); otherwise the reply count (0 when
    // none came) with reply holding at least expected bytes (zeros past what came).
    std::optional<int> run(const lan::LanExchange& exchange, std::vector<uint8_t>& reply, int& sent);

private:
    void log(const std::string& line);
    void logf(const char* format, int a, int b = 0, int c = 0, int d = 0);
    // An exchange answered by one ACK byte; failLine names the byte when it is not.
    int acknowledged(const lan::LanExchange& exchange, const char* failLine, const char* sendLine);

    CDCBComm& port_;
    JobEvents* events_;
};

} // namespace kyv
