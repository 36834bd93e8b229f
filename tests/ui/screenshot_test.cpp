// Pictures of the main dialog, the progress dialog, Network Config and the firmware folder
// utility for people to look at. Runs only
// when tools/screenshots.sh sets KYV_SCREENSHOT_DIR (under xvfb-run); skipped otherwise.
#include "ui_test_support.h"

#include "support/test_program.h"
#include "support/usb_sim_program.h"
#include "ui/port_detection.h"

#include "core/profile_store.h"
#include "ui/file_utility_dlg.h"
#include "ui/network_config_dlg.h"
#include "ui/progress_bar_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <cstdlib>

namespace kyv::test {
namespace {

class Screenshot : public DialogFixture {
protected:
    void SetUp() override
    {
        const char* dir = std::getenv("KYV_SCREENSHOT_DIR");
        if (dir == nullptr || *dir == '\0')
            GTEST_SKIP() << "KYV_SCREENSHOT_DIR is not set";
        outDir_ = dir;
        DialogFixture::SetUp();
    }

    // The whole X screen, as the user would see it.
    void capture(const std::string& name)
    {
        for (int i = 0; i < 20; ++i)
            QTest::qWait(10);
        const ProgramResult grab =
            runTestProgram("/usr/bin/import", {.args = {"-window", "root", outDir_ + "/" + name}, .display = true},
                           std::chrono::seconds(30));
        ASSERT_EQ(grab.exitStatus, 0) << grab.err;
    }

    std::string outDir_;
};

TEST_F(Screenshot, MainAndProgressDialogs)
{
    CBrevantDlg& dlg = dialog();
    dlg.move(20, 20);
    child<QCheckBox>("showLogCheck")->setChecked(true);
    child<QPushButton>("selectModelButton")->click();
    pick("typeCombo", "MAIN FIRMWARE");
    chosenFile_ = QString::fromStdString(writeImage("R241_MAIN_V2.14.mfw", 0, 'M', 600000));
    child<QPushButton>("browseButton")->click();
    probe_->ports = {{"COM7", "/dev/ttyUSB0"}};
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    ASSERT_TRUE(waitFor([&] { return dlg.portDetectionTicks() > 2; }));
    capture("main-dialog.png");

    JobEvents& events = dlg.jobEvents();
    events.progressStart(51);
    for (const char* step : {"Checking communication line status..(Step 1)", "Switching to download mode (Step 2)",
                             "Erasing sector 6 ... (Step 3)", "Writing sector 6 ... (Step 4)"}) {
        ProgressEvent event{step, 0, "", 0};
        events.progress(event);
    }
    ProgressEvent position{"", 19, "", 0};
    events.progress(position);
    dlg.progressDialog()->animate();
    dlg.progressDialog()->animate();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg.progressDialog()));
    capture("progress-dialog.png");
    events.progressClose();
}

// The dialog finding an R453 on the simulated USB bus, shown in the "USB Interface Port" area.
TEST_F(Screenshot, MainDialogWithAPrinterOnTheBus)
{
    UsbSimProgram sim({"--model", "R453", "--interface", "NHPI"});
    ASSERT_EQ(sim.firstLine, sim.bus + "\n");
    realProbe_ = makeSystemPortProbe(*sim.backend);
    CBrevantDlg& dlg = dialog();
    dlg.move(20, 20);
    child<QCheckBox>("showLogCheck")->setChecked(true);
    auto* model = child<QComboBox>("modelCombo");
    model->setCurrentIndex(model->findText("R453"));
    child<QPushButton>("selectModelButton")->click();
    pick("typeCombo", "MAIN FIRMWARE");
    pick("interfaceCombo", "NHPI");
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    ASSERT_TRUE(waitFor([&] { return child<QLabel>("detectionText")->text().endsWith(QStringLiteral("NHPI")); }));
    capture("main-dialog-usb.png");
    dialog_.reset(); // its detection looks on the simulator's bus backend
}

TEST_F(Screenshot, NetworkConfigAndFirmwareFolderUtility)
{
    const DialogServices s = services();
    CNetworkConfig config(ProfileStore(workDir_ / "KyvFlash.ini"), s);
    config.move(20, 20);
    config.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&config));
    capture("network-config.png");
    config.close();

    CFileUtility utility("R453", s);
    const std::string fw = "/home/tech/firmware"; // only shown, never read
    utility.findChild<QLineEdit*>(QStringLiteral("iplEdit"))->setText(QString::fromStdString(fw + "/R453_IPL_V1.1.ipl"));
    utility.findChild<QLineEdit*>(QStringLiteral("mainEdit"))->setText(QString::fromStdString(fw + "/R453_MAIN_V1.1.mfw"));
    utility.findChild<QLineEdit*>(QStringLiteral("sbcsEdit"))->setText(QString::fromStdString(fw + "/R453_ANK.sfn"));
    utility.move(20, 20);
    utility.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&utility));
    capture("fw-folder-utility.png");
}

} // namespace
} // namespace kyv::test
