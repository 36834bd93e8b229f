#pragma once
// The printer itself as a pure state machine: bytes from the host go in, what the
// printer does in answer comes out (replies, pauses before them, restarts, the line
// dropping). It never touches a device and never sleeps, so it is tested directly;
// PtyPrinter runs it on a pseudo-terminal.
//
// The host's writes arrive in arbitrary pieces (1D 02 and n separately, a sector header
// byte by byte, sector data in large blocks), so commands are parsed from the stream.

#include "core/catalogue.h"
#include "protocol/crc.h"
#include "sim/lib/printer_options.h"
#include "sim/lib/printer_state.h"
#include "sim/lib/transcript.h"

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

class PrinterModel {
public:
    explicit PrinterModel(const PrinterOptions& options);

    // False when the options name no catalogue model; errorText() says why.
    bool valid() const { return info_ != nullptr; }
    const std::string& errorText() const { return error_; }
    const ModelInfo& modelInfo() const { return *info_; }

    // Takes bytes from the host and returns what the printer does in answer, in order.
    // Notes on each recognised command go to the transcript when one is given.
    std::vector<PrinterAction> receive(std::span<const uint8_t> bytes, Transcript* transcript = nullptr);
    // The restart time is over: the printer comes up in its new mode and line settings.
    void completeRestart();

    void addFault(const Fault& fault) { faults_.push_back(fault); }
    const PrinterState& state() const { return state_; }
    void addOwnWaitTime(RealNs time) { state_.ownWaitTime += time; }
    void markLineDropped() { state_.lineDropped = true; }

    const Bytes& flash() const { return flash_; }
    Bytes sectorBytes(size_t sector) const;
    std::string modelNumber() const { return modelNumber_; }

private:
    struct Parsed;
    enum class Need { More, Done, Unknown };

    Need parseOne(std::vector<PrinterAction>& out, Transcript* transcript);
    void runCommand(PrinterCommand command, std::span<const uint8_t> bytes, std::vector<PrinterAction>& out,
                    Transcript* transcript);
    Bytes answer(PrinterCommand command, std::span<const uint8_t> bytes, bool& restart);
    void startSectorData(uint32_t size);
    void takeSectorData(std::span<const uint8_t> data);
    Bytes finishSectorData();
    void startOnlineBlock(uint8_t type, uint32_t length);
    void takeOnlineBlock(std::span<const uint8_t> data);
    Bytes finishOnlineBlock();
    void applyConfigurationTable();
    const Fault* faultFor(PrinterCommand command, int occurrence) const;
    void reply(PrinterCommand command, Bytes bytes, bool restart, std::vector<PrinterAction>& out,
               Transcript* transcript);
    bool inDownloadMode() const { return state_.mode == PrinterMode::Download; }
    uint16_t crcOf(std::span<const uint8_t> data) const;

    const ModelInfo* info_ = nullptr;
    ModelCatalogue catalogue_;
    std::string error_;
    PrinterOptions options_;
    std::string modelNumber_;
    PrinterState state_;
    Bytes flash_;
    Bytes pending_; // bytes of a command not yet complete
    std::vector<Fault> faults_;
    std::vector<int> arrivals_; // per PrinterCommand

    PrinterMode modeAfterRestart_ = PrinterMode::Online;

    // Sector data in flight.
    bool inSectorData_ = false;
    uint32_t dataRemaining_ = 0;
    uint64_t dataOffset_ = 0;   // flash offset of the next byte
    uint64_t dataStart_ = 0;
    uint32_t dataSize_ = 0;
    bool dataFits_ = false;
    bool dataAccepted_ = false; // in download mode with a sector selected

    // Online block in flight.
    bool inOnlineBlock_ = false;
    uint8_t blockType_ = 0;
    uint32_t blockRemaining_ = 0;
    uint32_t blockLength_ = 0;
    uint64_t blockOffset_ = 0;
    uint8_t blockStatus_ = 0;   // 0 = fine, else the NAK error code
    Bytes configTable_;
    CrcAccumulator blockCrc_;

    // Image written since the printer entered download mode: for the image CRC.
    bool imageStarted_ = false;
    uint64_t imageStart_ = 0;
    uint64_t imageEnd_ = 0;
    int pendingStopBits_ = 0;
    std::string pendingParity_;
};

} // namespace kyv::sim
