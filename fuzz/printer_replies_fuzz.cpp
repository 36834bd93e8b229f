// Feeds arbitrary printer replies to every command of the local command sets that reads
// one (version report, model number, baud answers, sector and image CRCs, status and
// acknowledge bytes, IBM USB status reports), to the printer-class channel's commands
// (version numbers, large-font support, ready answer, the online-mode block's reply record)
// and to the pure reply decoders.
//
// Input: a choice byte for the command set and model, a choice byte for the command, then
// the replies (with bit 6 of the first byte, first a count of writes after which the
// device goes away). The local commands read them as the reports of a USB report device, each
// a length byte and its bytes (one read of the port gets one report, as one read of an
// RS232 line gets what has arrived); the channel commands read them as one byte stream.

#include "core/catalogue.h"
#include "core/clock.h"
#include "download/model_number_check.h"
#include "fuzz_input.h"
#include "protocol/command_bytes.h"
#include "protocol/local/channel_commands.h"
#include "protocol/local/command_set_table.h"
#include "protocol/online_block.h"
#include "download/no_receiver.h"
#include "transport/dcb_comm.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace {

using kyv::fuzz::Input;

// Hands out the fuzzed reports one per read, takes every write.
class ScriptedReports final : public kyv::ReportLink {
public:
    ScriptedReports(Input& in, size_t acceptWrites) : in_(in), acceptWrites_(acceptWrites) {}
    int handle() const override { return 3; }
    // The device goes away after acceptWrites writes: every later one fails.
    int writeReport(const uint8_t*, size_t) override
    {
        if (writes_ >= acceptWrites_)
            return 0;
        ++writes_;
        return 1;
    }
    int readReport(uint8_t* buffer, size_t capacity, size_t& got) override
    {
        if (in_.empty())
            return 0;
        const std::vector<uint8_t> report = in_.piece();
        got = report.size();
        std::copy_n(report.begin(), std::min(capacity, report.size()), buffer);
        return 1;
    }
    size_t largestOutputData() const override { return 64; }

private:
    Input& in_;
    size_t acceptWrites_;
    size_t writes_ = 0;
};

// The channel's pipe: count bytes from the stream, or a failed read when fewer are left.
class ScriptedPipe final : public kyv::ChannelPipe {
public:
    explicit ScriptedPipe(std::span<const uint8_t> stream) : stream_(stream) {}
    int write(std::span<const uint8_t>) override { return 1; }
    int read(uint8_t* buffer, size_t count) override
    {
        if (stream_.size() < count)
            return 0;
        std::copy_n(stream_.begin(), count, buffer);
        stream_ = stream_.subspan(count);
        return 1;
    }
    int readReply(uint8_t* buffer, size_t count, kyv::ProtocolMs) override { return read(buffer, count); }

private:
    std::span<const uint8_t> stream_;
};

constexpr kyv::PortKind kKinds[] = {kyv::kSerialPort, kyv::kParallelPort, kyv::kUsbReportDevice, kyv::kIbmUsb,
                                    kyv::kUsbDeviceClass};
constexpr const char* kModels[] = {"R241", "R453", "R243", "R451"};

void runPortCommand(uint8_t setChoice, uint8_t command, Input& in)
{
    kyv::NoReceiver events;
    kyv::CommandContext context;
    context.modelName = context.family = kModels[(setChoice >> 3) % std::size(kModels)];
    context.crc.setAltCrc((setChoice >> 5) & 1);
    context.events = &events;
    // Bit 6: the byte after the command tells after how many writes the device goes away.
    const size_t acceptWrites = (setChoice & 0x40) ? in.byte() : SIZE_MAX;
    kyv::CDCBComm port;
    if (port.open(kyv::kUsbReportDevice, "USB") != 1 ||
        port.attachReportLink(std::make_unique<ScriptedReports>(in, acceptWrites)) != 1)
        __builtin_trap();
    const std::unique_ptr<kyv::PrinterCommands> commands =
        kyv::makePortCommands(kKinds[(setChoice & 7) % std::size(kKinds)], port, context);

    uint16_t crc = 0;
    std::string text;
    switch (command % 18) {
    case 0: commands->querySectorCrc(command & 0x20, crc); break;
    case 1: commands->recalculateCrc(kyv::cmd::kRecalculateMainCrc, crc); break;
    case 2: commands->queryBaudRate(); break;
    case 3: commands->queryBaudRateExtended(); break;
    case 4: commands->queryModelNumber(text); break;
    case 5: commands->queryVersionReport(text); break;
    case 6: commands->queryPrinterMode(); break;
    case 7: commands->queryFlashState(); break;
    case 8: commands->waitUntilReady(kyv::cmd::kRealTimeStatus); break;
    case 9: commands->sendWithAck(kyv::cmd::kIplCommand); break;
    case 10: commands->clearDownloadArea(); break;
    case 11: commands->selectSector(command); break;
    case 12: commands->eraseSector(command); break;
    case 13: {
        static const std::vector<uint8_t> block(0x4000, 0xA5);
        const std::span<const uint8_t> blocks[] = {block, block, block, block};
        const uint32_t sectorSize = (command & 0x20) ? 0x8000 : 0x10000;
        commands->sendSectorData(sectorSize, 0x4000, (command >> 6) & 1, blocks, {});
        break;
    }
    case 14: commands->changeBaudRate(57600); break;
    case 15: commands->switchToDownloadMode(kyv::cmd::kEnterDownloadMode); break;
    case 16: commands->sendFramedAndRead(kyv::cmd::ibmUsbFrame(kyv::cmd::kIbmUsbCrcAfterSwap), crc); break;
    case 17: commands->queryMemoryBanks(); break;
    }
}

void runChannelCommand(uint8_t command, std::span<const uint8_t> stream)
{
    ScriptedPipe pipe(stream);
    kyv::ChannelCommands channel(pipe, command & 0x80);
    bool writeFailed = false;
    bool readFailed = false;
    switch (command % 5) {
    case 0: channel.queryInfoNumber(1 + ((command >> 3) & 1)); break;
    case 1: channel.checkDfnSupport(); break;
    case 2: channel.askReady(writeFailed, readFailed); break;
    case 3:
    case 4: {
        static const std::vector<uint8_t> image(300, 0x5A);
        kyv::OnlineBlockReply reply;
        if (channel.sendOnlineBlock(kyv::onlineBlockHeader(0x01, image.size()), image, reply)) {
            if (reply.accepted())
                reply.printerCrc();
            else
                reply.failure();
        }
        break;
    }
    }
}

void runDecoders(uint8_t command, std::span<const uint8_t> reply)
{
    kyv::cmd::parseModelNumber(reply);
    kyv::printerVersionInReply(reply);
    kyv::printerVersionNumber(std::string_view(reinterpret_cast<const char*>(reply.data()), reply.size()));
    kyv::onlineImageVersion(reply);
    kyv::cmd::decodeBaud(command);
    kyv::onlineNakResult(command);
    kyv::cmd::versionItemText(reply.first(std::min<size_t>(reply.size(), 5)));
    const std::string text(reply.begin(), reply.end());
    kyv::modelNumberMismatch(kModels[command % std::size(kModels)], kModels[(command >> 2) % std::size(kModels)],
                             text);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Every protocol wait passes at once: the replies are all there already.
    kyv::setTimeScale(1e-12);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Input in(data, size);
    const uint8_t area = in.byte();
    const uint8_t command = in.byte();
    switch (area >> 6) {
    case 0:
    case 1: runPortCommand(area, command, in); break;
    case 2: runChannelCommand(command, in.rest()); break;
    case 3: runDecoders(command, in.rest()); break;
    }
    return 0;
}
