#include "core/catalogue.h"
#include "core/clock.h"
#include "core/profile_store.h"
#include "transport/dcb_comm.h"
#include "transport/pty_peer.h"
#include "transport/serial_port.h"
#include "support/scratch_dir.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <thread>

namespace kyv {
namespace {

using test::Bytes;

class SerialLineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(peer.valid());
        comm.setProfileStore(&store);
    }
    termios lineSettings() const
    {
        termios tio{};
        tcgetattr(peer.masterFd(), &tio);
        return tio;
    }

    test::PtyPeer peer;
    test::ScratchDir dir;
    ProfileStore store{dir.path() / "KyvFlash.ini"};
    CDCBComm comm;
};

TEST_F(SerialLineTest, ALineHeldElsewhereCannotBeOpened)
{
    ASSERT_EQ(comm.open(kSerialPort, peer.slavePath()), 1);
    CDCBComm other;
    EXPECT_EQ(other.open(kSerialPort, peer.slavePath()), 0);
    EXPECT_EQ(other.lastOpenError(), EBUSY);
    EXPECT_EQ(other.portHandle(), CDCBComm::kInvalidHandle);

    // Released on close, and the exclusive flag does not outlive it.
    comm.close();
    EXPECT_EQ(other.open(kSerialPort, peer.slavePath()), 1);
}

TEST_F(SerialLineTest, ALineAnotherProcessHoldsCannotBeOpened)
{
    int ready[2], release[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(release), 0);
    pid_t holder = fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        CDCBComm held;
        char result = held.open(kSerialPort, peer.slavePath()) == 1 ? 'y' : 'n';
        (void)!::write(ready[1], &result, 1);
        char done;
        (void)!::read(release[0], &done, 1);
        held.close();
        _exit(0);
    }
    char result = 0;
    ASSERT_EQ(::read(ready[0], &result, 1), 1);
    EXPECT_EQ(result, 'y');
    EXPECT_EQ(comm.open(kSerialPort, peer.slavePath()), 0);
    EXPECT_EQ(comm.lastOpenError(), EBUSY);

    (void)!::write(release[1], "x", 1);
    int status = 0;
    waitpid(holder, &status, 0);
    for (int fd : {ready[0], ready[1], release[0], release[1]})
        ::close(fd);
    EXPECT_EQ(comm.open(kSerialPort, peer.slavePath()), 1) << "free again once the holder is gone";
}

TEST_F(SerialLineTest, OpenKeepsALineAlreadyOpenAndSetsTheCommandTimeout)
{
    ASSERT_EQ(comm.open(kSerialPort, peer.slavePath()), 1);
    int handle = comm.portHandle();
    EXPECT_EQ(comm.open(kSerialPort, "COM9"), 1);
    EXPECT_EQ(comm.portHandle(), handle);
    EXPECT_EQ(comm.timeouts().readConstant, 30000u);
    EXPECT_EQ(comm.timeouts().readInterval, PortTimeouts::kMaximum);
}

TEST_F(SerialLineTest, ComNamesResolveThroughThePortsSection)
{
    ASSERT_TRUE(store.setText("Ports", "COM3", peer.slavePath()));
    EXPECT_EQ(comm.open(kSerialPort, "COM3"), 1);
    EXPECT_EQ(comm.devicePath(), peer.slavePath());
    comm.close();
    EXPECT_EQ(comm.write(Bytes{}), 0) << "nothing can be written to a closed line";
    EXPECT_EQ(comm.portHandle(), CDCBComm::kInvalidHandle);
    CDCBComm unknown;
    unknown.setProfileStore(&store);
    EXPECT_EQ(unknown.open(kSerialPort, "PRINTER"), 0);
    EXPECT_EQ(unknown.open(kUsbDeviceClass, "CPMI"), 0);
}

TEST_F(SerialLineTest, ADeviceThatCannotBeMadeBinaryIsNotOpened)
{
    const std::string notALine = (dir.path() / "plain-file").string();
    FILE* f = std::fopen(notALine.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    SerialPort port;
    EXPECT_EQ(port.open(notALine), ENOTTY);
    EXPECT_FALSE(port.isOpen());
}

TEST_F(SerialLineTest, ConfigureAppliesRawLineSettings)
{
    EXPECT_EQ(comm.configure("COM1", 115200, "NONE", 8, 1), 0) << "no line open";
    ASSERT_EQ(comm.open(kSerialPort, peer.slavePath()), 1);
    comm.setReadTimeout(5);

    ASSERT_EQ(comm.configure("COM1", 57600, "even", 8, 2), 1);
    termios tio = lineSettings();
    EXPECT_EQ(cfgetospeed(&tio), B57600);
    EXPECT_TRUE(tio.c_cflag & CSTOPB);
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_FALSE(tio.c_cflag & (CRTSCTS | HUPCL));
    EXPECT_FALSE(tio.c_iflag & (IXON | IXOFF));
    EXPECT_FALSE(tio.c_lflag & (ICANON | ECHO));
    EXPECT_EQ(comm.settings().parity, 'E');
    EXPECT_EQ(comm.timeouts().readConstant, 30000u);

    // Stop bits other than 1 and 2 keep the line's setting; unknown parity is none.
    ASSERT_EQ(comm.configure("COM1", 9600, "X", 8, 3), 1);
    tio = lineSettings();
    EXPECT_EQ(cfgetospeed(&tio), B9600);
    EXPECT_TRUE(tio.c_cflag & CSTOPB);
    EXPECT_EQ(comm.settings().parity, 'N');
    EXPECT_EQ(comm.settings().stopBits, 2);
    ASSERT_EQ(comm.configure("COM1", 9600, "odd", 8, 1), 1);
    EXPECT_FALSE(lineSettings().c_cflag & CSTOPB);
    EXPECT_EQ(comm.settings().parity, 'O');

    // A speed the line does not know is refused.
    EXPECT_EQ(comm.configure("COM1", 14400, "NONE", 8, 1), 0);
}

TEST_F(SerialLineTest, ReadReturnsWhatArrivedOrFailsAfterTheTimeout)
{
    ASSERT_EQ(comm.open(kSerialPort, peer.slavePath()), 1);
    comm.setReadTimeout(100);
    uint8_t buffer[3] = {0xAA, 0xAA, 0xAA};

    peer.send({0x42});
    ASSERT_EQ(comm.read(buffer, 3), 1);
    EXPECT_EQ(comm.bytesRead(), 1u);
    EXPECT_EQ(buffer[0], 0x42);
    EXPECT_EQ(buffer[1], 0xAA);

    EXPECT_EQ(comm.read(buffer, 3), 0);
    EXPECT_EQ(comm.bytesRead(), 0u);
    EXPECT_FALSE(comm.lineDropped());
}

TEST_F(SerialLineTest, WritePurgesStaleInputAndSendsEveryByte)
{
    ASSERT_EQ(comm.open(kSerialPort, peer.slavePath()), 1);
    // The reply comes from the peer's thread: a read returns as soon as it arrives, so a long
    // time-out costs nothing and keeps a busy machine from failing the test.
    comm.setReadTimeout(30000);
    peer.start();
    peer.answer({0x1D, 0x01}, {0x06});
    peer.send({0x99, 0x98}); // stale bytes from before the command
    sleepFor(ProtocolMs{500});

    const Bytes command{0x1D, 0x01};
    ASSERT_EQ(comm.write(command), 1);
    uint8_t reply = 0;
    ASSERT_EQ(comm.read(&reply, 1), 1);
    EXPECT_EQ(reply, 0x06);
    EXPECT_EQ(peer.received(), command);

    Bytes big(70000);
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<uint8_t>(i * 7);
    ASSERT_EQ(comm.writeRetry(big), 1);
    for (int i = 0; i < 200 && peer.received().size() < command.size() + big.size(); ++i)
        sleepFor(ProtocolMs{1000});
    Bytes all = peer.received();
    ASSERT_EQ(all.size(), command.size() + big.size());
    EXPECT_TRUE(std::equal(big.begin(), big.end(), all.begin() + 2));
}

TEST_F(SerialLineTest, ADroppedLineFailsAtOnce)
{
    ASSERT_EQ(comm.open(kSerialPort, peer.slavePath()), 1);
    double scale = timeScale();
    setTimeScale(1.0);
    comm.setReadTimeout(20000);
    peer.hangUp();

    uint8_t buffer[4];
    auto started = now();
    EXPECT_EQ(comm.read(buffer, sizeof buffer), 0);
    EXPECT_TRUE(comm.lineDropped());
    EXPECT_EQ(comm.write(Bytes{0x10, 0x04, 0x01}), 0);
    EXPECT_EQ(comm.writeRetry(Bytes{0x10, 0x04, 0x01}), 0);
    EXPECT_LT(now() - started, std::chrono::seconds(5)) << "waited out the time-out instead";
    setTimeScale(scale);
}

TEST_F(SerialLineTest, AStopRequestEndsALongRead)
{
    ASSERT_EQ(comm.open(kSerialPort, peer.slavePath()), 1);
    double scale = timeScale();
    setTimeScale(1.0);
    comm.setReadTimeout(60000);
    std::thread stopper([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        requestStop();
    });
    uint8_t buffer[4];
    auto started = now();
    EXPECT_EQ(comm.read(buffer, sizeof buffer), 0);
    auto took = now() - started;
    stopper.join();
    clearStopRequest();
    setTimeScale(scale);
    EXPECT_LT(took, std::chrono::seconds(5));
    EXPECT_FALSE(comm.lineDropped());
}

TEST(PortKinds, KindsWithoutALineBehaveAsTheirKind)
{
    CDCBComm comm;
    uint8_t buffer[2] = {0x55, 0x55};
    EXPECT_EQ(comm.open(kUsbDeviceClass, "CPMI"), 0); // no printer-class device attached
    EXPECT_EQ(comm.kind(), kUsbDeviceClass);
    EXPECT_EQ(comm.read(buffer, 2), 0);               // nothing to read from
    EXPECT_EQ(buffer[0], 0x55);
    EXPECT_EQ(comm.write(Bytes{0x1D}), 0);

    EXPECT_EQ(comm.open(kIbmUsb, "IBM USB"), 1);      // no device found is no failure
    EXPECT_EQ(comm.portHandle(), CDCBComm::kInvalidHandle);
    EXPECT_EQ(comm.writeRetry(Bytes{0x1D}), 0);
    EXPECT_EQ(comm.open(kUsbReportDevice, "USB"), 1);
    EXPECT_EQ(comm.open(42, "COM1"), 0);
    EXPECT_EQ(comm.setOption(7), 1);
    EXPECT_EQ(comm.option(), 7u);
    EXPECT_EQ(comm.statusWord(), 0u);
}

TEST(ParallelLine, PacedWritesAndExactReads)
{
    test::PtyPeer peer;
    ASSERT_TRUE(peer.valid());
    test::ScratchDir dir;
    ProfileStore store(dir.path() / "KyvFlash.ini");
    ASSERT_TRUE(store.setText("Ports", "LPT1", peer.slavePath()));
    CDCBComm comm;
    comm.setProfileStore(&store);
    ASSERT_EQ(comm.open(kParallelPort, "whatever"), 1); // always LPT1
    EXPECT_EQ(comm.devicePath(), peer.slavePath());
    EXPECT_EQ(comm.parallelBusy(), -1); // a terminal has no status register

    CDCBComm second;
    second.setProfileStore(&store);
    EXPECT_EQ(second.open(kParallelPort, "LPT1"), 0);

    peer.start();
    peer.answer({0x1D, 0x06}, {0x06, 0x34, 0x12});
    peer.answer({0x1D, 0x07}, {0x06, 0x34});
    ASSERT_EQ(comm.write(Bytes{0x1D, 0x06}), 1);
    uint8_t reply[3] = {};
    ASSERT_EQ(comm.read(reply, 3), 1);
    EXPECT_EQ(reply[2], 0x12);

    // Fewer bytes than asked is a failed parallel read.
    ASSERT_EQ(comm.write(Bytes{0x1D, 0x07}), 1);
    EXPECT_EQ(comm.read(reply, 3), 0);
    EXPECT_EQ(comm.bytesRead(), 2u);
}

} // namespace
} // namespace kyv
