#include "protocol/lan/lan_commands.h"

#include "core/ipv4_text.h"
#include "core/job_events.h"
#include "core/result_code.h"
#include "protocol/image_file_crc.h"
#include "transport/dcb_comm.h"

#include <algorithm>
#include <cstdio>

namespace kyv {

namespace {

constexpr const char* kRetry = "RETRY::Send = %i Expected = %i ";
constexpr const char* kRetryHeader = "RETRY::Send = %i Expected = %i";
constexpr const char* kRetryThree = "RETRY::Send = %i Expected = 3";

// Reply bytes [from, to) as text.
std::string replyText(const std::vector<uint8_t>& reply, size_t from, size_t to)
{
    to = std::min(to, reply.size());
    return from < to ? std::string(reply.begin() + static_cast<long>(from), reply.begin() + static_cast<long>(to))
                     : std::string();
}

} // namespace

void LanCommands::log(const std::string& line)
{
    if (events_ == nullptr)
        return;
    ProgressEvent event;
    event.logText = line;
    events_->progress(event);
}

void LanCommands::logf(const char* format, int a, int b, int c, int d)
{
    char line[160];
    std::snprintf(line, sizeof line, format, a, b, c, d);
    log(line);
}

std::optional<int> LanCommands::run(const lan::LanExchange& exchange, std::vector<uint8_t>& reply,
                                    int& sent)
{
    reply.assign(std::max<size_t>(exchange.expected, 1), 0);
    sent = exchange.bytes.empty() ? 0 : port_.WriteLan(exchange.bytes.data(), exchange.bytes.size());
    if (static_cast<size_t>(sent) != exchange.bytes.size())
        return std::nullopt;
    if (!sleepFor(exchange.wait))
        return 0;
    if (exchange.expected == 0)
        return 0;
    int got = port_.ReadLan(exchange.expected, exchange.extraRounds, reply);
    if (reply.size() < exchange.expected)
        reply.resize(exchange.expected, 0);
    return std::max(got, 0);
}

int LanCommands::acknowledged(const lan::LanExchange& exchange, const char* failLine,
                              const char* sendLine)
{
    std::vector<uint8_t> reply;
    int sent = 0;
    std::optional<int> got = run(exchange, reply, sent);
    if (!got) {
        logf(sendLine, sent, static_cast<int>(exchange.bytes.size()));
        return kLanNotSent;
    }
    if (*got > 0 && reply[0] == lan::kAck)
        return kLanAcknowledged;
    logf(failLine, reply[0]);
    return kLanNoReply;
}

int LanCommands::queryIplMode()
{
    std::vector<uint8_t> reply;
    int sent = 0;
    std::optional<int> got = run(lan::queryIplMode(), reply, sent);
    return got && *got > 0 ? 1 : 0;
}

int LanCommands::queryMac(std::string& mac)
{
    std::vector<uint8_t> reply;
    int sent = 0;
    std::optional<int> got = run(lan::queryMac(), reply, sent);
    if (!got)
        return 0;
    if (*got > 0 && reply[0] == 0xF0) {
        mac = replyText(reply, 1, 18);
        return 1;
    }
    logf("Select Sector Receive Fail - Buffer : %02x ", reply[0]);
    return 0;
}

int LanCommands::querySubnetMask(uint32_t& mask)
{
    std::vector<uint8_t> reply;
    int sent = 0;
    std::optional<int> got = run(lan::querySubnetMask(), reply, sent);
    if (!got || *got == 0)
        return 0;
    std::string text = replyText(reply, 1, 15);
    text = text.substr(0, text.find_first_of(std::string(" \0", 2)));
    std::optional<uint32_t> value = parseIpv4(text);
    if (!value)
        return 0;
    mask = *value;
    return 1;
}

int LanCommands::queryVersions(bool withTable, std::string& report)
{
    size_t count = withTable ? 5 : 4;
    std::vector<std::string> lines;
    for (size_t i = 0; i < count; ++i) {
        std::vector<uint8_t> reply;
        int sent = 0;
        std::optional<int> got = run(lan::queryVersionItem(lan::kVersionItems[i].item), reply, sent);
        if (!got)
            return 0;
        std::string text = *got > 0 ? replyText(reply, 1, 6) : std::string();
        char line[64];
        std::snprintf(line, sizeof line, lan::kVersionItems[i].label, text.c_str());
        lines.push_back(line);
    }
    report.clear();
    for (size_t i = 0; i < count; ++i)
        report += "\r\n" + lines[i] + (i + 1 < count || !withTable ? " " : "");
    report += "\r\n";
    return 1;
}

int LanCommands::queryModel(std::string& model)
{
    std::vector<uint8_t> reply;
    int sent = 0;
    std::optional<int> got = run(lan::queryModel(), reply, sent);
    if (!got || *got == 0)
        return 0;
    model.clear();
    for (size_t i = 1; i < static_cast<size_t>(*got) && i < reply.size(); ++i) {
        if (reply[i] == 0xFF)
            break;
        model += static_cast<char>(reply[i]);
        if (reply[i] == '\r')
            break;
    }
    return 1;
}

int LanCommands::enterDownloadMode()
{
    lan::LanExchange e = lan::enterDownloadMode();
    return port_.WriteLan(e.bytes.data(), e.bytes.size()) > 0 ? 1 : 0;
}

int LanCommands::reset()
{
    lan::LanExchange e = lan::reset();
    return port_.WriteLan(e.bytes.data(), e.bytes.size()) > 0 ? 1 : 0;
}

int LanCommands::eraseSector(int sector)
{
    return acknowledged(lan::eraseSector(static_cast<uint8_t>(sector)),
                        "EraseSector Fail - Buffer : %02x ", kRetry);
}

int LanCommands::selectSector(int sector)
{
    return acknowledged(lan::selectSector(static_cast<uint8_t>(sector)),
                        "Select Sector Receive Fail - Buffer : %02x ", kRetry);
}

int LanCommands::downloadData(std::span<const uint8_t> data)
{
    lan::LanExchange header = lan::downloadDataHeader();
    int sent = port_.WriteLan(header.bytes.data(), header.bytes.size());
    if (static_cast<size_t>(sent) != header.bytes.size()) {
        logf(kRetryHeader, sent, static_cast<int>(header.bytes.size()));
        return kLanNotSent;
    }
    for (size_t block = 0; block < data.size() / lan::kDataBlock; ++block) {
        sent = port_.WriteLan(data.data() + block * lan::kDataBlock, lan::kDataBlock);
        if (static_cast<size_t>(sent) != lan::kDataBlock) {
            logf(kRetry, sent, static_cast<int>(lan::kDataBlock));
            return kLanNotSent;
        }
    }
    return acknowledged(lan::downloadDataAck(), "Download Data Receive Fail - Buffer : %02x ", kRetry);
}

int LanCommands::sectorCrc(uint16_t& crc)
{
    std::vector<uint8_t> reply;
    int sent = 0;
    std::optional<int> got = run(lan::sectorCrc(), reply, sent);
    if (!got) {
        logf(kRetryThree, sent);
        return kLanNotSent;
    }
    if (*got >= 3 && reply[0] == lan::kAck) {
        crc = static_cast<uint16_t>(reply[1] | reply[2] << 8);
        return kLanAcknowledged;
    }
    logf("Sector CRC Fail - recv_len = %d Buffer : %02x %02x %02x", *got, reply[0], reply[1], reply[2]);
    return kLanNoReply;
}

int LanCommands::imageCrc(const std::string& file, CrcAccumulator& accumulator)
{
    std::optional<uint16_t> fileCrc = imageFileCrc(accumulator, file);
    lan::LanExchange exchange = lan::imageCrc(file);
    std::vector<uint8_t> reply;
    int sent = 0;
    std::optional<int> got = run(exchange, reply, sent);
    if (!got) {
        logf(kRetryThree, sent);
        // The command goes on: the printer may still answer what reached it.
        lan::LanExchange readOnly{{}, exchange.wait, exchange.expected, exchange.extraRounds};
        got = run(readOnly, reply, sent);
    }
    if (*got > 0 && reply[0] == lan::kAck) {
        int printerCrc = reply[1] | reply[2] << 8;
        int toolCrc = fileCrc ? *fileCrc : -1; // an unreadable file never matches
        logf("CRCfromTool = %i , CRCfromPrinter = %i", toolCrc, printerCrc);
        return toolCrc == printerCrc ? kLanAcknowledged : rc::CrcIncorrect;
    }
    logf("CRC Receive Fail - Buffer : %02x %02x %02x", reply[0], reply[1], reply[2]);
    return kLanNoReply;
}

int LanCommands::clearDownloadArea()
{
    uint8_t last = 0;
    for (const lan::LanExchange& form : {lan::clearDownloadArea(), lan::clearDownloadAreaSecondForm()}) {
        std::vector<uint8_t> reply;
        int sent = 0;
        std::optional<int> got = run(form, reply, sent);
        if (!got) {
            logf(kRetryThree, sent);
            return kLanNotSent;
        }
        if (*got > 0 && reply[0] == lan::kAck)
            return kLanAcknowledged;
        last = reply[0];
    }
    logf("Clear Download Area Receive Fail - Buffer : %02x ", last);
    return kLanNoReply;
}

} // namespace kyv
