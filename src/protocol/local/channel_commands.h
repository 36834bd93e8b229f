#pragma once
// The small command set of the printers' printer-class channel (CPMI, NHPI, PRTR) and of
// the R453/R243 online-mode download. Each command is sent through a pipe: the process's
// printer-class channel, or the port of the command object. In report mode (the channel
// is a USB report device) every reply starts with two report bytes, so its text sits at
// offset 3; on a plain byte line at offset 1.

#include "core/clock.h"
#include "protocol/online_block.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace kyv {

class CDCBComm;
class PrinterClassChannel;

// Where the commands' bytes go and their replies come from.
class ChannelPipe {
public:
    virtual ~ChannelPipe() = default;
    virtual int write(std::span<const uint8_t> data) = 0;
    // count bytes of the reply (a short read is a failure on a byte line).
    virtual int read(uint8_t* buffer, size_t count) = 0;
    // One reply that may take up to timeout to come.
    virtual int readReply(uint8_t* buffer, size_t count, ProtocolMs timeout) = 0;
};

// The port of a command object: plain writes, reads under the port's read time-out.
class PortPipe final : public ChannelPipe {
public:
    explicit PortPipe(CDCBComm& port) : port_(port) {}
    int write(std::span<const uint8_t> data) override;
    int read(uint8_t* buffer, size_t count) override;
    int readReply(uint8_t* buffer, size_t count, ProtocolMs timeout) override;

private:
    CDCBComm& port_;
};

// The process's printer-class channel.
class ChannelDevicePipe final : public ChannelPipe {
public:
    explicit ChannelDevicePipe(PrinterClassChannel& channel) : channel_(channel) {}
    int write(std::span<const uint8_t> data) override;
    // A report device gives whole reports, count bytes of each. A printer-class device
    // gives a byte stream: what one read brought beyond count waits for the next read, so
    // a reply read byte by byte loses nothing.
    int read(uint8_t* buffer, size_t count) override;
    int readReply(uint8_t* buffer, size_t count, ProtocolMs timeout) override;

private:
    // Printer-class device: takes count bytes from what came, reading more as needed.
    template <typename ReadMore>
    int takeStream(uint8_t* buffer, size_t count, ReadMore readMore);

    PrinterClassChannel& channel_;
    std::vector<uint8_t> pending_;
};

class ChannelCommands {
public:
    // Longest wait for the printer's answer to a whole online-mode block.
    static constexpr ProtocolMs kOnlineBlockReplyTime{150000};
    static constexpr uint8_t kReadyAnswer = 0x27; // "'"

    ChannelCommands(ChannelPipe& pipe, bool reportMode) : pipe_(pipe), reportMode_(reportMode) {}

    // 1D 49 40 33 (which 2, main firmware) or 1D 49 40 2B (which 1, boot program): the
    // version number the printer reports (its 7th to 11th digits); none when it did not
    // answer.
    std::optional<int> queryInfoNumber(int which);
    // Whether the printer can take a large DBCS font: 8 it can, 1 its firmware is too old
    // (a version below 6159 in the four characters of its 1D 49 40 A3 answer), 4 it has 4 MB
    // of font memory (its 1D 49 40 E4 answer is not 0x16), 0 it did not answer.
    int checkDfnSupport();
    // The 8-byte header, then the image; the printer's status and the bytes after it.
    // False when a write or read failed or no status came.
    bool sendOnlineBlock(const OnlineBlockHeader& header, std::span<const uint8_t> image, OnlineBlockReply& reply);
    // 1D 49 40 27 once: true when the printer answered "'" (at offset 0 or 2 in report
    // mode). writeFailed/readFailed tell what went wrong otherwise.
    bool askReady(bool& writeFailed, bool& readFailed);
    // 1D FF, then 6 x 1000 ms. False when the write failed (or a stop came during the wait).
    bool resetPrinter();
    // 1D 40 31: the printer erases its user-defined area. On a byte line its answer is
    // read: none, or a NAK, is a failure.
    bool eraseUserArea();

    bool reportMode() const { return reportMode_; }

private:
    size_t replyOffset() const { return reportMode_ ? 3 : 1; }

    ChannelPipe& pipe_;
    bool reportMode_;
};

} // namespace kyv
