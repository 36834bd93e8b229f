#include "core/catalogue.h"
#include "transport/dcb_comm.h"

#include <gtest/gtest.h>

#include <deque>
#include <vector>

namespace kyv {
namespace {

using Bytes = std::vector<uint8_t>;

// A report device that hands out queued feature reports and keeps the output reports.
class FakeReportLink final : public ReportLink {
public:
    explicit FakeReportLink(std::vector<Bytes>& written) : written_(written) {}
    int handle() const override { return 42; }
    int writeReport(const uint8_t* buffer, size_t length) override
    {
        written_.emplace_back(buffer, buffer + length);
        return 1;
    }
    int readReport(uint8_t* buffer, size_t capacity, size_t& got) override
    {
        ++reads;
        if (reports.empty())
            return 0;
        Bytes report = reports.front();
        reports.pop_front();
        got = report.size();
        std::copy_n(report.begin(), std::min(capacity, report.size()), buffer);
        return 1;
    }

    std::deque<Bytes> reports;
    int reads = 0;

private:
    std::vector<Bytes>& written_;
};

TEST(ReportKinds, UsbReportDeviceReadsOneReport)
{
    std::vector<Bytes> written;
    auto link = std::make_unique<FakeReportLink>(written);
    FakeReportLink& device = *link;
    device.reports = {{0x06, 0x34, 0x12}, {}};
    CDCBComm comm;
    ASSERT_EQ(comm.open(kUsbReportDevice, "USB"), 1);
    EXPECT_EQ(comm.write(Bytes{0x1D, 0x06}), 0) << "no device attached yet";
    comm.attachReportLink(std::move(link));

    ASSERT_EQ(comm.writeRetry(Bytes{0x1D, 0x06}), 1);
    EXPECT_EQ(written, (std::vector<Bytes>{{0x1D, 0x06}}));
    uint8_t reply[64] = {};
    ASSERT_EQ(comm.read(reply, sizeof reply), 1);
    EXPECT_EQ(comm.bytesRead(), 3u);
    EXPECT_EQ(reply[2], 0x12);
    EXPECT_EQ(comm.read(reply, sizeof reply), 0) << "an empty report is no reply";

    comm.close();
    EXPECT_FALSE(comm.hasReportLink());
}

TEST(ReportKinds, IbmUsbWaitsForALongEnoughReport)
{
    std::vector<Bytes> written;
    auto link = std::make_unique<FakeReportLink>(written);
    FakeReportLink& device = *link;
    device.reports = {Bytes(5, 0x00), Bytes(1021, 0x00), Bytes(14, 0x06)};
    CDCBComm comm;
    ASSERT_EQ(comm.open(kIbmUsb, "IBM USB"), 1);
    comm.attachReportLink(std::move(link));
    EXPECT_EQ(comm.portHandle(), 42);

    EXPECT_EQ(comm.writeRetry(Bytes{0x1B, 0x49}), 0);
    ASSERT_EQ(comm.write(Bytes{0x1B, 0x49}), 1);
    uint8_t reply[14] = {};
    ASSERT_EQ(comm.read(reply, sizeof reply), 1);
    EXPECT_EQ(device.reads, 3); // too short, too long, then the one
    EXPECT_EQ(reply[13], 0x06);

    // A device that never answers is given up after 100 attempts.
    EXPECT_EQ(comm.read(reply, sizeof reply), 0);
    EXPECT_EQ(device.reads, 103);
}

} // namespace
} // namespace kyv
