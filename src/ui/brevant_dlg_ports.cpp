// Port detection of the main dialog: every tick (also while a job runs) it shows what is
// attached and, for R453 and R243, switches the lists between the printer's CPMI form and
// its NHPI/PRTR form.
#include "ui/brevant_dlg.h"

#include "core/clock.h"
#include "core/download_type.h"
#include "core/model_selection.h"
#include "transport/port_names.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

namespace kyv {
namespace {

constexpr int kUsbTypeNhpiForm = 7;
constexpr int kUsbTypePrtrForm = 9;

std::vector<std::string> nhpiPrtrInterfaces()
{
    std::vector<std::string> entries{"LAN", "NHPI", "PRTR"};
    for (int port = 1; port <= kHighestComPort; ++port)
        entries.push_back("COM" + std::to_string(port));
    return entries;
}

} // namespace

void CBrevantDlg::onPortDetectionTick()
{
    ++detectionTicks_;
    if (stopRequested() && !stopping_)
        onStopRequested(); // SIGTERM/SIGINT: the signal thread has already told the worker
    detector_->request({text(interfaceCombo_), values_.pidList});
}

void CBrevantDlg::onPortScan(const PortQuery& query, const PortScan& scan)
{
    if (query.interfaceText != text(interfaceCombo_))
        return; // the interface changed while the probe ran: the next tick asks again

    bool found = false;
    std::string shown;
    if (scan.usb) {
        values_.detectedUsbType = scan.usb->deviceClass;
        shown = usbSightingText(*scan.usb);
        found = true;
    } else {
        shown = serialPortsText(scan.serialPorts);
        found = !scan.serialPorts.empty();
    }
    detectionText_->setText(QString::fromStdString(shown));
    detectedIcon_->setVisible(found);
    notDetectedIcon_->setVisible(!found);
    switchR453R243Lists();
}

void CBrevantDlg::switchR453R243Lists()
{
    ModelInfo& row = selectedRow();
    if (!isR453OrR243(row) || selectModelButton_->text() != QStringLiteral("Reselect Model"))
        return;
    const bool r243 = row.family == "R243";
    const std::string type = text(typeCombo_);
    // The printer's form is that of the USB device found last; any other kind (or none)
    // switches nothing.
    const int detected = values_.detectedUsbType;
    const bool cpmiForm = detected == kUsbTypeCpmiForm;
    const bool nhpiPrtrForm = detected == kUsbTypeNhpiForm || detected == kUsbTypePrtrForm;
    const QString configTable = QString::fromUtf8(dt::kConfigurationTable.data(),
                                                  static_cast<qsizetype>(dt::kConfigurationTable.size()));

    if (type == dt::kImfFile) {
        if (!r243)
            return;
        if (interfaceCombo_->count() != 1 || interfaceCombo_->itemText(0) != QStringLiteral("IBM USB"))
            fillCombo(interfaceCombo_, {"IBM USB"}, 0);
        if (!cpmiForm)
            cpmiListShown_ = true;
        onInterfaceChanged();
        return;
    }
    if (cpmiForm && !cpmiListShown_) {
        const int entry = typeCombo_->findText(configTable);
        if (entry >= 0 && entry == typeCombo_->currentIndex()) {
            // The chosen type is gone: no type stays selected (the list would otherwise move
            // on to a neighbour), and the file chosen for it is dropped, so nothing is
            // flashed as a type the technician did not choose.
            typeCombo_->setCurrentIndex(-1);
            forgetChosenFile();
        }
        if (entry >= 0)
            typeCombo_->removeItem(entry);
        fillCombo(interfaceCombo_, {"CPMI"}, 0);
        onInterfaceChanged();
        cpmiListShown_ = true;
    } else if (nhpiPrtrForm && cpmiListShown_) {
        if (typeCombo_->findText(configTable) < 0 && !(r243 && type == dt::kConfigurationTable))
            typeCombo_->addItem(configTable);
        fillCombo(interfaceCombo_, nhpiPrtrInterfaces(), 3); // COM1
        onInterfaceChanged();
        cpmiListShown_ = false;
    }
}

} // namespace kyv
