#pragma once
// The printer itself as a pure state machine: bytes from the host go in, what the
// printer does in answer comes out (replies, pauses before them, restarts, the line
// dropping). It never touches a device and never sleeps, so it is tested directly;
// PtyPrinter runs it on a pseudo-terminal.
//
// The host's writes arrive in arbitrary pieces (1D 02 and n separately, a sector header
// byte by byte, sector data in large blocks), so commands are parsed from the stream.

#include "sim/lib/printer/flash_crc.h"
#include "sim/lib/printer/printer_types.h"
#include "sim/lib/printer_options.h"
#include "sim/lib/printer_state.h"
#include "sim/lib/transcript.h"

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kyv::sim {

struct PrinterAction {
    enum class Kind {
        Send,     // write `bytes` to the host
        Pause,    // wait `time` before the next action
        Restart,  // silent for `time`, then call completeRestart()
        DropLine, // close the line for good
    };
    Kind kind = Kind::Send;
    Bytes bytes;
    ProtocolMs time{0};
};

// A file the host put into the printer's download area (its FTP server's folder).
struct UploadedImage {
    std::string name;
    Bytes bytes;
};
// Takes the file uploaded last out of the download area; nullopt when there is none.
using DownloadArea = std::function<std::optional<UploadedImage>()>;

// Bytes a garbled line delivers: high bit set, so never mistaken for an ACK or NAK.
Bytes garbledBytes(size_t count);

class PrinterModel {
public:
    explicit PrinterModel(const PrinterOptions& options);
    PrinterModel(const PrinterModel&) = delete;
    PrinterModel& operator=(const PrinterModel&) = delete;

    // False when the options name no printer type; errorText() says why.
    bool valid() const { return type_ != nullptr; }
    const std::string& errorText() const { return error_; }
    const PrinterType& printerType() const { return *type_; }

    // Takes bytes from the host and returns what the printer does in answer, in order.
    // Notes on each recognised command go to the transcript when one is given.
    std::vector<PrinterAction> receive(std::span<const uint8_t> bytes, Transcript* transcript = nullptr);
    // One whole message (a datagram): parsed on its own, apart from the byte stream, and
    // not heard while the stream is in the middle of a data transfer.
    std::vector<PrinterAction> receiveMessage(std::span<const uint8_t> bytes, Transcript* transcript = nullptr);
    // The restart time is over: the printer comes up in its new mode and line settings.
    void completeRestart();
    // A network printer: where select-sector finds an uploaded file to write at that sector.
    void setDownloadArea(DownloadArea area) { downloadArea_ = std::move(area); }
    void setNetworkMac(std::string text) { options_.network.macText = std::move(text); }
    const std::string& networkMac() const { return options_.network.macText; }

    void addFault(const Fault& fault) { faults_.push_back(fault); }
    void clearFaults() { faults_.clear(); }
    // A command another layer of the printer parsed and answers itself (the J5 HID commands):
    // counted, noted and faulted as the printer's own. An empty reply: none is given.
    std::vector<PrinterAction> answerParsed(PrinterCommand command, Bytes reply, Transcript* transcript);
    // The command's next arrival is refused by a NAK fault: it must then have no effect.
    bool refusesNext(PrinterCommand command) const;
    // The line is plugged in again after it dropped: the printer hears the host again, in the
    // mode and with the flash it had; a command or data cut off by the drop is forgotten.
    void reconnectLine();
    // The host fell silent for kDataSilence in the middle of a sector's data or an online
    // block (it was stopped, or went away): the printer gives up the rest and takes the next
    // bytes as commands. What came is in flash; the sector is not counted as written.
    void abandonData(Transcript* transcript);
    bool receivingData() const { return dataKind_ != DataKind::None; }
    const PrinterState& state() const { return state_; }
    void addOwnWaitTime(RealNs time) { state_.ownWaitTime += time; }
    void markLineDropped() { state_.lineDropped = true; }

    const Bytes& flash() const { return flash_; }
    // Bytes of sector number `sector` (numbered from 1 in flash order); empty when none.
    Bytes sectorBytes(int sector) const;
    // An image the printer took over another protocol (the J5 HID stream): the sectors it
    // covers from `sector` on are erased and programmed with it. False when it does not fit.
    bool storeImage(int sector, std::span<const uint8_t> image);
    std::string modelNumber() const { return modelNumber_; }

private:
    bool downloadArmed_ = false; // switchAtReset: the next reset restarts into download mode

    // What one complete command does to the printer and what it answers (before faults).
    struct Answer {
        Bytes bytes;
        bool restart = false;
        PrinterMode modeAfterRestart = PrinterMode::Online;
    };

    size_t takeData(std::span<const uint8_t> bytes, std::vector<PrinterAction>& out, Transcript* transcript);
    void runCommand(PrinterCommand command, std::span<const uint8_t> bytes, std::vector<PrinterAction>& out,
                    Transcript* transcript);
    Answer answer(PrinterCommand command, std::span<const uint8_t> bytes);
    Answer answerFlashCommand(PrinterCommand command, std::span<const uint8_t> bytes);
    Answer answerSettingsCommand(PrinterCommand command, std::span<const uint8_t> bytes);
    void startSectorData(std::span<const uint8_t> header);
    Answer finishSectorData();
    void startOnlineBlock(std::span<const uint8_t> header);
    Answer finishOnlineBlock();
    void finish(PrinterCommand command, int occurrence, Answer answer, std::vector<PrinterAction>& out,
                Transcript* transcript);
    const Fault* faultFor(PrinterCommand command, int occurrence) const;
    void beginRestart(PrinterMode mode, std::vector<PrinterAction>& out, Transcript* transcript);
    void program(uint64_t offset, std::span<const uint8_t> data);
    void eraseRange(uint64_t begin, uint64_t end);
    uint16_t crcOf(uint64_t begin, uint64_t end) const;
    Bytes versionReply(uint8_t item) const;
    Bytes networkReply(PrinterCommand command) const;
    Answer writeUploadedImage(int sector, const UploadedImage& image, Transcript* transcript);
    void noteImageWritten(uint64_t begin, uint64_t end);
    bool inDownloadMode() const { return state_.mode == PrinterMode::Download; }

    const PrinterType* type_ = nullptr;
    std::string error_;
    PrinterOptions options_;
    std::string modelNumber_;
    PrinterState state_;
    Bytes flash_;
    Bytes pending_; // received bytes not yet taken by a command
    std::vector<Fault> faults_;
    DownloadArea downloadArea_;
    Transcript* transcript_ = nullptr; // of the receive() running, for notes of the answers
    std::vector<int> arrivals_; // per PrinterCommand
    PrinterMode modeAfterRestart_ = PrinterMode::Online;
    bool sectorCrcValid_ = false;

    // Data of a sector (1D 11) or an online block (1B 5B 7C) still to come.
    enum class DataKind { None, Sector, OnlineBlock };
    DataKind dataKind_ = DataKind::None;
    uint64_t dataRemaining_ = 0;
    uint64_t dataOffset_ = 0;  // flash offset of the next byte
    uint64_t dataStart_ = 0;
    uint64_t dataEnd_ = 0;     // end of the flash range the data may fill
    bool dataAccepted_ = false; // the printer stores the data (right mode, sector selected)
    bool dataRefused_ = false;  // a NAK fault: the data is taken but not stored
    int dataOccurrence_ = 0;
    uint8_t blockType_ = 0;
    uint8_t blockError_ = 0;   // NAK code of the online block, 0 = fine
    uint8_t blockFirstBytes_[2] = {0, 0};
    uint64_t blockReceived_ = 0;
    Bytes configTable_;
    FlashCrc blockCrc_{CrcKind::Arc};

    // Flash range written since the printer entered download mode, for the image CRC.
    bool imageStarted_ = false;
    bool bootRestart_ = false; // restarting into a new boot program: the image goes on
    uint64_t imageStart_ = 0;
    uint64_t imageEnd_ = 0;
    int pendingStopBits_ = 0;
    std::string pendingParity_;
};

} // namespace kyv::sim
