#include "protocol/local/channel_commands.h"

#include "protocol/online_block.h"
#include "transport/dcb_comm.h"
#include "transport/usb/printer_class_channel.h"

#include <algorithm>
#include <array>
#include <string>

namespace kyv {
namespace {

constexpr uint8_t kAck = 0x06;
constexpr uint8_t kNak = 0x15;
constexpr uint8_t kCarriageReturn = 0x0D;
// Reads a printer gets to send its status after an online-mode block.
constexpr int kStatusReads = 9999;
// Characters of a version text a byte line may send before its CR.
constexpr int kLongestVersionText = 64;

} // namespace

int PortPipe::write(std::span<const uint8_t> data) { return port_.write(data.data(), data.size()); }

int PortPipe::read(uint8_t* buffer, size_t count)
{
    return port_.read(buffer, count) && port_.bytesRead() == count ? 1 : 0;
}

int PortPipe::readReply(uint8_t* buffer, size_t count, ProtocolMs timeout)
{
    const uint32_t before = port_.timeouts().readConstant;
    port_.setReadTimeout(static_cast<uint32_t>(timeout.count()));
    const int done = read(buffer, count);
    port_.setReadTimeout(before);
    return done;
}

int ChannelDevicePipe::write(std::span<const uint8_t> data)
{
    // What the printer said before this command is no answer to it.
    pending_.clear();
    channel_.discardInput();
    return channel_.write(data);
}

template <typename ReadMore>
int ChannelDevicePipe::takeStream(uint8_t* buffer, size_t count, ReadMore readMore)
{
    while (pending_.size() < count) {
        uint8_t more[PrinterClassChannel::kReadBytes] = {};
        size_t delivered = 0;
        if (!readMore(more, delivered) || delivered == 0)
            return 0;
        pending_.insert(pending_.end(), more, more + delivered);
    }
    std::copy_n(pending_.begin(), count, buffer);
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(count));
    return 1;
}

int ChannelDevicePipe::read(uint8_t* buffer, size_t count)
{
    size_t got = 0;
    if (channel_.reportMode())
        return channel_.read(buffer, count, got) && got == count ? 1 : 0;
    return takeStream(buffer, count, [this, &got](uint8_t* more, size_t& delivered) {
        return channel_.read(more, PrinterClassChannel::kReadBytes, got, &delivered);
    });
}

int ChannelDevicePipe::readReply(uint8_t* buffer, size_t count, ProtocolMs timeout)
{
    size_t got = 0;
    if (channel_.reportMode())
        return channel_.readReply(buffer, count, got, timeout) && got == count ? 1 : 0;
    return takeStream(buffer, count, [this, &got, timeout](uint8_t* more, size_t& delivered) {
        return channel_.readReply(more, PrinterClassChannel::kReadBytes, got, timeout, &delivered);
    });
}

std::optional<int> ChannelCommands::queryInfoNumber(int which)
{
    const std::array<uint8_t, 4> query{0x1D, 0x49, 0x40, static_cast<uint8_t>(which == 2 ? 0x33 : 0x2B)};
    if (!pipe_.write(query))
        return std::nullopt;
    if (reportMode_) {
        uint8_t reply[30] = {};
        if (!pipe_.read(reply, sizeof reply))
            return std::nullopt;
        return printerVersionNumber(std::string(reply + replyOffset(), reply + replyOffset() + 11));
    }
    uint8_t c = 0;
    if (!pipe_.read(&c, 1))
        return std::nullopt;
    std::string text;
    for (int i = 0; i < kLongestVersionText; ++i) {
        if (!pipe_.read(&c, 1))
            return std::nullopt;
        if (c == kCarriageReturn)
            return printerVersionNumber(text);
        if (c >= 0x20)
            text += static_cast<char>(c);
    }
    return std::nullopt; // no end of the text: not a version report
}

int ChannelCommands::checkDfnSupport()
{
    static constexpr std::array<uint8_t, 4> kFirmwareQuery{0x1D, 0x49, 0x40, 0xA3};
    static constexpr std::array<uint8_t, 4> kMemoryQuery{0x1D, 0x49, 0x40, 0xE4};
    static constexpr int kFirstDfnVersion = 6159;
    static constexpr uint8_t kEightMegabytes = 0x16;
    const size_t off = replyOffset();
    // A report brings its whole buffer; a byte line only what the answer holds.
    uint8_t reply[30] = {};
    if (!pipe_.write(kFirmwareQuery) || !pipe_.read(reply, reportMode_ ? sizeof reply : off + 4))
        return 0;
    int version = 0;
    for (size_t i = 0; i < 4; ++i)
        version = version * 10 + versionDigitValue(reply[off + i]);
    if (version < kFirstDfnVersion)
        return 1;
    uint8_t memory[30] = {};
    if (!pipe_.write(kMemoryQuery) || !pipe_.read(memory, reportMode_ ? sizeof memory : off + 1))
        return 0;
    return memory[off] == kEightMegabytes ? 8 : 4;
}

bool ChannelCommands::sendOnlineBlock(const OnlineBlockHeader& header, std::span<const uint8_t> image,
                                      OnlineBlockReply& reply)
{
    reply = OnlineBlockReply{};
    if (!pipe_.write(header) || !pipe_.write(image))
        return false;
    if (reportMode_) {
        reply.statusPosition = 2;
        return pipe_.readReply(reply.bytes.data(), reply.bytes.size(), kOnlineBlockReplyTime) != 0;
    }
    // The status may follow other bytes; each read waits as long as the printer may write.
    reply.statusPosition = 0;
    for (int i = 0; i < kStatusReads; ++i) {
        uint8_t c = 0;
        if (!pipe_.readReply(&c, 1, kOnlineBlockReplyTime))
            return false;
        if (c != kAck && c != kNak)
            continue;
        reply.bytes[0] = c;
        return pipe_.read(reply.bytes.data() + 1, c == kAck ? 2 : 1) != 0;
    }
    return false;
}

bool ChannelCommands::askReady(bool& writeFailed, bool& readFailed)
{
    writeFailed = readFailed = false;
    static constexpr std::array<uint8_t, 4> kReadyQuery{0x1D, 0x49, 0x40, 0x27};
    if (!pipe_.write(kReadyQuery)) {
        writeFailed = true;
        return false;
    }
    uint8_t reply[10] = {};
    const size_t length = reportMode_ ? 10 : 1;
    if (!pipe_.read(reply, length)) {
        readFailed = true;
        return false;
    }
    return reply[0] == kReadyAnswer || (reportMode_ && reply[2] == kReadyAnswer);
}

bool ChannelCommands::resetPrinter()
{
    static constexpr std::array<uint8_t, 2> kReset{0x1D, 0xFF};
    if (!pipe_.write(kReset))
        return false;
    for (int second = 0; second < 6; ++second)
        if (!sleepFor(ProtocolMs(1000)))
            return false;
    return true;
}

bool ChannelCommands::eraseUserArea()
{
    static constexpr std::array<uint8_t, 3> kErase{0x1D, 0x40, 0x31};
    if (!pipe_.write(kErase))
        return false;
    if (reportMode_)
        return true;
    // On a byte line the printer's one-byte answer must be taken now: left waiting, it
    // would be read as the status of the block that follows, and a refused block would
    // pass for a written one. A refused erase ends the download: the older image needs it.
    uint8_t answer = 0;
    return pipe_.read(&answer, 1) && answer != kNak;
}

} // namespace kyv
