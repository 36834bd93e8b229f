// The main dialog's controls: enabling after each action, the lists a model offers,
// Browse, sizes and keyboard.
#include "ui_test_support.h"

#include "support/usb_sim_program.h"
#include "ui/port_detection.h"

#include "ui/ip_address_edit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace kyv::test {
namespace {

std::vector<std::string> items(QComboBox* combo)
{
    std::vector<std::string> out;
    for (int i = 0; i < combo->count(); ++i)
        out.push_back(combo->itemText(i).toStdString());
    return out;
}

class MainDialog : public DialogFixture {
protected:
    void selectModel(const char* name)
    {
        auto* model = child<QComboBox>("modelCombo");
        model->setCurrentIndex(model->findText(QLatin1String(name)));
        ASSERT_GE(model->currentIndex(), 0) << name;
        child<QPushButton>("selectModelButton")->click();
    }
    void chooseType(const char* type) { pick("typeCombo", type); }
    void chooseInterface(const char* name) { pick("interfaceCombo", name); }
    bool enabled(const char* name) { return child<QWidget>(name)->isEnabled(); }
};

TEST_F(MainDialog, EnablingFollowsEachStepOfAJob)
{
    dialog();
    EXPECT_EQ(child<QComboBox>("modelCombo")->currentText(), "R241");
    EXPECT_TRUE(enabled("modelCombo"));
    EXPECT_TRUE(enabled("selectModelButton"));
    for (const char* off : {"typeCombo", "interfaceCombo", "baudCombo", "browseButton", "flashButton", "fileEdit",
                            "fwFolderButton", "ipEdit", "dataBitsEdit", "dataFlowEdit"})
        EXPECT_FALSE(enabled(off)) << off;

    selectModel("R241");
    EXPECT_EQ(child<QPushButton>("selectModelButton")->text(), "Reselect Model");
    EXPECT_FALSE(enabled("modelCombo"));
    for (const char* on : {"typeCombo", "interfaceCombo", "baudCombo", "parityCombo", "stopBitsCombo"})
        EXPECT_TRUE(enabled(on)) << on;
    for (const char* off : {"ipEdit", "browseButton", "flashButton", "dataBitsEdit", "dataFlowEdit"})
        EXPECT_FALSE(enabled(off)) << off;

    chooseType("MAIN FIRMWARE");
    EXPECT_TRUE(enabled("browseButton"));
    EXPECT_FALSE(enabled("flashButton"));

    chosenFile_ = QString::fromStdString(writeImage("main.mfw", 0, 'M'));
    child<QPushButton>("browseButton")->click();
    EXPECT_TRUE(enabled("flashButton"));
    EXPECT_EQ(child<QLineEdit>("fileEdit")->text(), "main.mfw");

    // A newly chosen type asks for its file again.
    chooseType("IPL FIRMWARE");
    EXPECT_FALSE(enabled("flashButton"));
    EXPECT_EQ(child<QLineEdit>("fileEdit")->text(), "BINARY FILE");

    child<QPushButton>("selectModelButton")->click(); // Reselect
    EXPECT_EQ(child<QPushButton>("selectModelButton")->text(), "Select Model");
    EXPECT_TRUE(enabled("modelCombo"));
    EXPECT_FALSE(enabled("typeCombo"));
    EXPECT_EQ(child<QComboBox>("typeCombo")->count(), 0);
    EXPECT_EQ(child<QComboBox>("modelCombo")->currentText(), "R241"); // the model stays chosen
}

TEST_F(MainDialog, InterfaceChoiceSwitchesSerialAndIpControls)
{
    selectModel("R453");
    EXPECT_EQ(child<QComboBox>("baudCombo")->currentText(), "19200");
    EXPECT_TRUE(enabled("fwFolderButton"));
    chooseInterface("LAN");
    EXPECT_TRUE(enabled("ipEdit"));
    EXPECT_FALSE(enabled("baudCombo"));
    chooseInterface("PRTR");
    EXPECT_FALSE(enabled("ipEdit"));
    EXPECT_FALSE(enabled("baudCombo"));
    EXPECT_EQ(catalogue_.row(23).job.usbClassPrtr, 1);
    chooseInterface("NHPI");
    EXPECT_EQ(catalogue_.row(23).job.usbClassPrtr, 0);
    chooseInterface("COM7");
    EXPECT_TRUE(enabled("baudCombo"));
    EXPECT_FALSE(enabled("dataBitsEdit"));
}

TEST_F(MainDialog, ModelSelectionFillsTheListsOfEachFamily)
{
    selectModel("J5");
    EXPECT_EQ(items(child<QComboBox>("interfaceCombo")), std::vector<std::string>{"HID"});
    EXPECT_EQ(items(child<QComboBox>("typeCombo")),
              (std::vector<std::string>{"MAIN FIRMWARE", "IPL FIRMWARE", "SBCS FONT"}));
    EXPECT_EQ(values_.pidList, "40e40f");
    EXPECT_FALSE(enabled("baudCombo"));
    child<QPushButton>("selectModelButton")->click();

    selectModel("KSX4-1ST/2ST");
    EXPECT_EQ(items(child<QComboBox>("interfaceCombo")), std::vector<std::string>{"CPMI"});
    EXPECT_EQ(child<QComboBox>("interfaceCombo")->currentText(), "CPMI");
    EXPECT_FALSE(enabled("baudCombo"));
    EXPECT_FALSE(enabled("ipEdit"));
    child<QPushButton>("selectModelButton")->click();

    selectModel("R453");
    auto r453 = items(child<QComboBox>("interfaceCombo"));
    ASSERT_EQ(r453.size(), 53u);
    EXPECT_EQ(std::vector<std::string>(r453.begin(), r453.begin() + 4),
              (std::vector<std::string>{"LAN", "NHPI", "PRTR", "COM1"}));
    EXPECT_EQ(child<QComboBox>("interfaceCombo")->currentText(), "COM1");
    EXPECT_EQ(items(child<QComboBox>("typeCombo")).back(), "Printer Configuration Table");
    child<QPushButton>("selectModelButton")->click();

    selectModel("R241-Y480");
    auto types = items(child<QComboBox>("typeCombo"));
    EXPECT_EQ(std::count(types.begin(), types.end(), "SLIP ASIAN FONT"), 0);
    EXPECT_EQ(std::count(types.begin(), types.end(), "RECEIPT ASIAN FONT"), 0);
    EXPECT_EQ(child<QComboBox>("interfaceCombo")->currentText(), "COM1");
    EXPECT_EQ(values_.pidList, "31631831731f");
    EXPECT_FALSE(enabled("fwFolderButton"));
}

TEST_F(MainDialog, BrowseCopiesTheStartSectorAndUsesTheTypesFilter)
{
    selectModel("R241");
    chooseType("MAIN FIRMWARE");
    chosenFile_.clear(); // cancelled
    child<QPushButton>("browseButton")->click();
    EXPECT_EQ(catalogue_.row(0).job.startSector, 6);
    EXPECT_EQ(lastFilter_, "Main Firmware Files (*.mfw *.MFW)");
    EXPECT_FALSE(enabled("flashButton"));

    chooseType("ANK FONT");
    chosenFile_ = QString::fromStdString((workDir_ / "missing.sfn").string());
    child<QPushButton>("browseButton")->click();
    EXPECT_EQ(catalogue_.row(0).job.startSector, 18);
    EXPECT_FALSE(enabled("flashButton")); // a file that cannot be read is ignored
    EXPECT_EQ(child<QLineEdit>("fileEdit")->text(), "BINARY FILE");
    child<QPushButton>("selectModelButton")->click();

    // The J5 family gets its own filters.
    selectModel("J5");
    chooseType("IPL FIRMWARE");
    child<QPushButton>("browseButton")->click();
    EXPECT_EQ(lastFilter_, "BOOT Firmware Files (*.ipl *.IPL *.bin *.BIN)");
}

TEST_F(MainDialog, ConfigurationTableKeepsTheStartSector)
{
    selectModel("R453");
    catalogue_.row(23).job.startSector = 91;
    chooseType("Printer Configuration Table");
    child<QPushButton>("browseButton")->click();
    EXPECT_EQ(catalogue_.row(23).job.startSector, 91);
}

TEST_F(MainDialog, BrowseWithoutATypeWarns)
{
    selectModel("R241");
    child<QComboBox>("typeCombo")->setCurrentIndex(-1);
    QMetaObject::invokeMethod(&dialog(), "onBrowse");
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].text, "Please select a correct download type!");
    EXPECT_EQ(messages_[0].caption, "Warning");
    EXPECT_EQ(messages_[0].icon, QMessageBox::Critical);
}

TEST_F(MainDialog, SizesFollowShowLogAndTheNote)
{
    const QSize full = dialog().fullSize();
    EXPECT_EQ(dialog().width(), full.width() * 65 / 100);
    EXPECT_EQ(dialog().height(), full.height() * 90 / 100);
    child<QCheckBox>("showLogCheck")->setChecked(true);
    EXPECT_EQ(dialog().width(), full.width());

    selectModel("R452");
    chooseType("MAIN FIRMWARE");
    EXPECT_EQ(dialog().height(), full.height());
    EXPECT_TRUE(child<QWidget>("noteLabel")->isVisibleTo(&dialog()));
    child<QPushButton>("selectModelButton")->click(); // Reselect hides the note again
    selectModel("R241");
    EXPECT_EQ(dialog().height(), full.height() * 90 / 100);
}

TEST_F(MainDialog, EscapeIsSwallowedAndShiftShowsTheVersion)
{
    dialog().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog()));
    QTest::keyClick(child<QComboBox>("modelCombo"), Qt::Key_Escape);
    EXPECT_TRUE(dialog().isVisible());
    QTest::keyPress(child<QComboBox>("modelCombo"), Qt::Key_Shift);
    EXPECT_EQ(dialog().windowTitle(), "Brevant V10.69");
    QTest::keyRelease(child<QComboBox>("modelCombo"), Qt::Key_Shift);
    EXPECT_EQ(dialog().windowTitle(), "Brevant");
}

TEST_F(MainDialog, TooltipsNameWhatEachControlDoes)
{
    EXPECT_EQ(child<QWidget>("flashButton")->toolTip(), "Flash Device");
    EXPECT_EQ(child<QWidget>("modelCombo")->toolTip(), "Select Printer Device model ");
    EXPECT_EQ(child<QWidget>("ipEdit")->toolTip(), "Enter the IP Address for LAN Interface");
    EXPECT_EQ(child<QWidget>("showLogCheck")->toolTip(), "Click to Show/Hide Log");
    EXPECT_TRUE(child<QCheckBox>("saveLogCheck")->isChecked());
    EXPECT_TRUE(child<QCheckBox>("portDetectionCheck")->isChecked());
}

TEST(IpAddressEdit, HoldsTheAddressWithTheFirstOctetHighest)
{
    IpAddressEdit edit;
    edit.setValue(0xC0A80101);
    EXPECT_EQ(edit.text(), "192.168.1.1");
    EXPECT_TRUE(edit.setText("10.0.0.254"));
    EXPECT_EQ(edit.value(), 0x0A0000FEu);
    EXPECT_FALSE(edit.setText("10.0.300.1"));
    EXPECT_FALSE(edit.setText("10.0.1"));
    EXPECT_EQ(edit.text(), "10.0.0.254"); // unchanged by the refused texts
    QTest::keyClicks(edit.octetField(3), "999");
    EXPECT_LE(edit.octetField(3)->text().toInt(), 255);
}

} // namespace
} // namespace kyv::test

namespace kyv::test {
namespace {

class PortDetection : public DialogFixture {
protected:
    void setUsb(std::optional<UsbSighting> usb)
    {
        std::lock_guard lock(probe_->mutex);
        probe_->usb = usb;
    }
    bool hasEntry(const char* comboName, const char* text)
    {
        return child<QComboBox>(comboName)->findText(QLatin1String(text)) >= 0;
    }
};

TEST_F(PortDetection, R453ListsFollowThePrintersUsbForm)
{
    auto* model = child<QComboBox>("modelCombo");
    model->setCurrentIndex(model->findText("R453"));
    child<QPushButton>("selectModelButton")->click();
    pick("typeCombo", "MAIN FIRMWARE");
    pick("interfaceCombo", "NHPI");

    setUsb(UsbSighting{0x0404, 0x36b, 8}); // the printer shows up in its CPMI form
    ASSERT_TRUE(waitFor([&] { return child<QComboBox>("interfaceCombo")->count() == 1; }));
    EXPECT_EQ(child<QComboBox>("interfaceCombo")->currentText(), "CPMI");
    EXPECT_FALSE(hasEntry("typeCombo", "Printer Configuration Table"));
    EXPECT_EQ(values_.detectedUsbType, 8);
    EXPECT_EQ(child<QLabel>("detectionText")->text(), "VID : 0404\nPID : 036b\nCPMI");

    setUsb(UsbSighting{0x0404, 0x36c, 9}); // back in its PRTR form
    ASSERT_TRUE(waitFor([&] { return child<QComboBox>("interfaceCombo")->count() == 53; }));
    EXPECT_EQ(child<QComboBox>("interfaceCombo")->currentText(), "COM1");
    EXPECT_TRUE(hasEntry("typeCombo", "Printer Configuration Table"));
    EXPECT_EQ(child<QComboBox>("typeCombo")->currentText(), "MAIN FIRMWARE");
    EXPECT_TRUE(child<QWidget>("baudCombo")->isEnabled());
}

TEST_F(PortDetection, OnlyTheCpmiAndNhpiPrtrKindsSwitchTheR453Lists)
{
    auto* model = child<QComboBox>("modelCombo");
    model->setCurrentIndex(model->findText("R453"));
    child<QPushButton>("selectModelButton")->click();
    pick("interfaceCombo", "NHPI");
    setUsb(UsbSighting{0x0404, 0x36b, 8});
    ASSERT_TRUE(waitFor([&] { return child<QComboBox>("interfaceCombo")->count() == 1; }));
    setUsb(UsbSighting{0x0404, 0x36b, 5}); // now seen as an IBM USB device: neither form
    ASSERT_TRUE(waitFor([&] { return values_.detectedUsbType == 5; }));

    child<QPushButton>("selectModelButton")->click(); // Reselect
    child<QPushButton>("selectModelButton")->click(); // Select: NHPI/PRTR lists again
    ASSERT_EQ(child<QComboBox>("interfaceCombo")->count(), 53);
    const int ticks = dialog().portDetectionTicks();
    ASSERT_TRUE(waitFor([&] { return dialog().portDetectionTicks() >= ticks + 3; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(child<QComboBox>("interfaceCombo")->count(), 53);
    EXPECT_TRUE(hasEntry("typeCombo", "Printer Configuration Table"));
}

TEST_F(PortDetection, RemovingTheChosenConfigurationTableLeavesNoTypeAndNoFile)
{
    auto* model = child<QComboBox>("modelCombo");
    model->setCurrentIndex(model->findText("R453"));
    child<QPushButton>("selectModelButton")->click();
    pick("typeCombo", "Printer Configuration Table");
    pick("interfaceCombo", "PRTR");
    chosenFile_ = QString::fromStdString(writeImage("printer.cfg", 'J', 'C'));
    child<QPushButton>("browseButton")->click();
    ASSERT_TRUE(child<QWidget>("flashButton")->isEnabled());

    setUsb(UsbSighting{0x0404, 0x36b, 8});
    ASSERT_TRUE(waitFor([&] { return child<QComboBox>("interfaceCombo")->count() == 1; }));
    EXPECT_FALSE(hasEntry("typeCombo", "Printer Configuration Table"));
    EXPECT_EQ(child<QComboBox>("typeCombo")->currentIndex(), -1); // not moved on to "TABLE"
    EXPECT_EQ(child<QLineEdit>("fileEdit")->text(), "BINARY FILE");
    EXPECT_FALSE(child<QWidget>("flashButton")->isEnabled());
}

TEST_F(PortDetection, APrinterOnTheBusIsShownAndLeavesWithItsUnplugging)
{
    UsbSimProgram sim({"--model", "R453", "--interface", "NHPI"});
    ASSERT_EQ(sim.firstLine, sim.bus + "\n");
    realProbe_ = makeSystemPortProbe(*sim.backend);
    auto* model = child<QComboBox>("modelCombo");
    model->setCurrentIndex(model->findText("R453"));
    child<QPushButton>("selectModelButton")->click();
    pick("interfaceCombo", "NHPI");
    auto shown = [&] { return child<QLabel>("detectionText")->text().toStdString(); };
    ASSERT_TRUE(waitFor([&] { return shown().starts_with("VID : 0404\nPID : "); })) << shown();
    EXPECT_TRUE(shown().ends_with("\nNHPI")) << shown();
    EXPECT_EQ(values_.detectedUsbType, 7);
    EXPECT_TRUE(child<QWidget>("detectedIcon")->isVisibleTo(&dialog()));

    sim.terminate(); // the printer is unplugged
    QElapsedTimer gone;
    gone.start();
    ASSERT_TRUE(waitFor([&] { return shown().empty(); }));
    EXPECT_LT(gone.elapsed(), 1000) << "an unplugged printer leaves the area within a second";
    EXPECT_TRUE(child<QWidget>("notDetectedIcon")->isVisibleTo(&dialog()));
    dialog_.reset(); // its detection looks on the simulator's bus backend
}

TEST_F(PortDetection, NothingFoundShowsTheEmptyState)
{
    dialog();
    ASSERT_TRUE(waitFor([&] { return dialog().portDetectionTicks() > 2 && probe_->calls > 1; }));
    EXPECT_TRUE(child<QLabel>("detectionText")->text().trimmed().isEmpty());
    EXPECT_TRUE(child<QWidget>("notDetectedIcon")->isVisibleTo(&dialog()));
    EXPECT_FALSE(child<QWidget>("detectedIcon")->isVisibleTo(&dialog()));
}

} // namespace
} // namespace kyv::test
