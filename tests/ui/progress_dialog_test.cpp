// The progress dialog's animation and keys, and how the progress handler moves its bar.
#include "ui_test_support.h"

#include "ui/progress_bar_dlg.h"

namespace kyv::test {
namespace {

TEST(ProgressDialog, AnimationCyclesThroughFivePhases)
{
    CProgressBarDlg progress;
    const QString base = "Brevant - On Transmission";
    EXPECT_EQ(progress.windowTitle(), base);
    EXPECT_EQ(progress.litLamp(), -1);
    const int lampAfterTick[] = {0, 1, 2, 3, 4, 0};
    const char* dotsAfterTick[] = {".", "..", "...", "....", "", "."};
    for (int tick = 0; tick < 6; ++tick) {
        progress.animate();
        EXPECT_EQ(progress.windowTitle(), base + dotsAfterTick[tick]) << tick;
        EXPECT_EQ(progress.litLamp(), lampAfterTick[tick]) << tick; // one lamp at a time
    }
    progress.setWindowTitle("Something else");
    progress.animate();
    EXPECT_EQ(progress.windowTitle(), "Something else");
    EXPECT_EQ(progress.litLamp(), 0);
}

TEST(ProgressDialog, EnterAndEscapeDoNotDismissIt)
{
    CProgressBarDlg progress;
    progress.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&progress));
    QTest::keyClick(&progress, Qt::Key_Escape);
    QTest::keyClick(&progress, Qt::Key_Return);
    QTest::keyClick(&progress, Qt::Key_Enter);
    EXPECT_TRUE(progress.isVisible());
    EXPECT_EQ(progress.result(), 0);
}

class ProgressHandler : public DialogFixture {};

TEST_F(ProgressHandler, BarFollowsTheEventRules)
{
    JobEvents& events = dialog().jobEvents();
    events.progressStart(10);
    CProgressBarDlg* progress = dialog().progressDialog();
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(progress->maximum(), 10);
    EXPECT_EQ(progress->position(), 0);

    ProgressEvent logOnly{"", 0, "retrying", 0};
    events.progress(logOnly);
    EXPECT_EQ(progress->position(), 0); // never below 0

    ProgressEvent step{"Writing sector 7 ... (Step 4)", 0, "", 0};
    events.progress(step);
    events.progress(step);
    EXPECT_EQ(progress->position(), 2);
    EXPECT_EQ(progress->stepText(), "Writing sector 7 ... (Step 4)");
    events.progress(logOnly);
    EXPECT_EQ(progress->position(), 1);

    ProgressEvent jump{"", 7, "", 0};
    events.progress(jump);
    EXPECT_EQ(progress->position(), 7);

    const std::string logBefore = dialog().sessionLog().sessionText();
    ProgressEvent still{"", 0, "", 2};
    events.progress(still);
    EXPECT_EQ(progress->position(), 7);
    EXPECT_EQ(still.mode, 0);
    EXPECT_EQ(dialog().sessionLog().sessionText(), logBefore); // nothing visible changed

    events.progressClose();
    EXPECT_EQ(dialog().progressDialog(), nullptr);
}

TEST_F(ProgressHandler, StepAndLogLinesShareOneTimeStamp)
{
    JobEvents& events = dialog().jobEvents();
    events.progressStart(5);
    ProgressEvent both{"Checking CRC ... (Step 5)", 0, "CRC 0x1234", 0};
    events.progress(both);
    const std::string& text = dialog().sessionLog().sessionText();
    const size_t step = text.find("Checking CRC ... (Step 5)\r\n");
    const size_t log = text.find("CRC 0x1234\r\n");
    ASSERT_NE(step, std::string::npos);
    ASSERT_NE(log, std::string::npos);
    const size_t stepLine = text.rfind("[ ", step);
    const size_t logLine = text.rfind("[ ", log);
    EXPECT_EQ(text.substr(stepLine, step - stepLine), text.substr(logLine, log - logLine));
    EXPECT_EQ(dialog().progressDialog()->position(), 0); // a log text steps back, from 0 it stays
}

} // namespace
} // namespace kyv::test
