// The termios a line gets for its settings. A pseudo-terminal drops parity, so the
// parity bits a real port receives are checked here.
#include "transport/line_termios.h"

#include <gtest/gtest.h>

#include <cctype>

namespace kyv {
namespace {

termios cookedLine()
{
    termios tio{};
    tio.c_iflag = ICRNL | IXON | IXOFF;
    tio.c_oflag = OPOST;
    tio.c_lflag = ICANON | ECHO | ISIG;
    tio.c_cflag = CS7 | CSTOPB | HUPCL | CRTSCTS;
    cfsetspeed(&tio, B9600);
    return tio;
}

TEST(LineTermios, ParityLettersMapToTheirBits)
{
    struct Case {
        char letter;
        tcflag_t bits;
    } cases[] = {
        {'E', PARENB}, {'e', PARENB}, {'O', PARENB | PARODD}, {'M', PARENB | PARODD | CMSPAR},
        {'S', PARENB | CMSPAR}, {'N', 0}, {'X', 0},
    };
    for (const Case& c : cases) {
        termios tio = cookedLine();
        ASSERT_TRUE(applyLineSettings(tio, {115200, c.letter, 8, 1})) << c.letter;
        EXPECT_EQ(tio.c_cflag & (PARENB | PARODD | CMSPAR), c.bits) << c.letter;
        EXPECT_EQ(static_cast<bool>(tio.c_iflag & INPCK), c.bits != 0) << c.letter;
        LineSettings back = lineSettingsOf(tio);
        EXPECT_EQ(back.parity, c.bits == 0 ? 'N' : static_cast<char>(std::toupper(c.letter)));
    }
}

TEST(LineTermios, RawEightBitWithoutFlowControlOrHangUp)
{
    termios tio = cookedLine();
    ASSERT_TRUE(applyLineSettings(tio, {57600, 'N', 8, 1}));
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_FALSE(tio.c_cflag & (CSTOPB | HUPCL | CRTSCTS));
    EXPECT_TRUE(tio.c_cflag & CLOCAL);
    EXPECT_TRUE(tio.c_cflag & CREAD);
    EXPECT_FALSE(tio.c_iflag & (IXON | IXOFF | ICRNL));
    EXPECT_FALSE(tio.c_oflag & OPOST);
    EXPECT_FALSE(tio.c_lflag & (ICANON | ECHO | ISIG));
    EXPECT_EQ(cfgetispeed(&tio), B57600);
    EXPECT_EQ(cfgetospeed(&tio), B57600);
}

TEST(LineTermios, StopBitsOtherThanOneOrTwoKeepTheLinesSetting)
{
    termios tio = cookedLine(); // two stop bits
    ASSERT_TRUE(applyLineSettings(tio, {9600, 'N', 8, 3}));
    EXPECT_TRUE(tio.c_cflag & CSTOPB);
    ASSERT_TRUE(applyLineSettings(tio, {9600, 'N', 8, 1}));
    EXPECT_FALSE(tio.c_cflag & CSTOPB);
    ASSERT_TRUE(applyLineSettings(tio, {9600, 'N', 8, 0}));
    EXPECT_FALSE(tio.c_cflag & CSTOPB);
    ASSERT_TRUE(applyLineSettings(tio, {9600, 'N', 7, 2}));
    EXPECT_EQ(lineSettingsOf(tio).stopBits, 2);
    EXPECT_EQ(lineSettingsOf(tio).dataBits, 7);
}

TEST(LineTermios, UnknownSpeedsAndByteSizesAreRefusedUnchanged)
{
    const termios before = cookedLine();
    termios tio = before;
    EXPECT_FALSE(applyLineSettings(tio, {14400, 'N', 8, 1}));
    EXPECT_FALSE(applyLineSettings(tio, {9600, 'N', 9, 1}));
    EXPECT_EQ(tio.c_cflag, before.c_cflag);
    EXPECT_EQ(tio.c_lflag, before.c_lflag);
    EXPECT_EQ(lineSettingsOf(tio).baudRate, 9600);
}

// tcsetattr succeeds when any one change took; the read-back decides. Only what a
// pseudo-terminal cannot carry (parity, a byte size other than 8) may come back changed.
TEST(LineTermios, ReadBackAcceptsOnlyWhatAPseudoTerminalDrops)
{
    termios wanted = cookedLine();
    ASSERT_TRUE(applyLineSettings(wanted, {57600, 'E', 7, 2}));
    EXPECT_TRUE(lineTookSettings(wanted, wanted));

    termios pty = wanted;
    pty.c_cflag = (pty.c_cflag & ~static_cast<tcflag_t>(CSIZE | PARENB)) | CS8;
    EXPECT_TRUE(lineTookSettings(wanted, pty));

    termios otherParity = wanted;
    otherParity.c_cflag |= PARODD;
    EXPECT_FALSE(lineTookSettings(wanted, otherParity));

    termios slower = wanted;
    cfsetspeed(&slower, B9600);
    EXPECT_FALSE(lineTookSettings(wanted, slower));

    termios oneStop = wanted;
    oneStop.c_cflag &= ~static_cast<tcflag_t>(CSTOPB);
    EXPECT_FALSE(lineTookSettings(wanted, oneStop));

    termios cooked = wanted;
    cooked.c_lflag |= ICANON;
    EXPECT_FALSE(lineTookSettings(wanted, cooked));

    termios sixBits = wanted;
    sixBits.c_cflag = (sixBits.c_cflag & ~static_cast<tcflag_t>(CSIZE)) | CS6;
    EXPECT_FALSE(lineTookSettings(wanted, sixBits));
}

} // namespace
} // namespace kyv
