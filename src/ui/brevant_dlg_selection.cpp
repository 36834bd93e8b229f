// Model, download type, interface and file choice of the main dialog.
#include "ui/brevant_dlg.h"

#include "core/download_type.h"
#include "core/model_selection.h"
#include "core/result_text.h"
#include "core/unattended_run.h"
#include "ui/file_filter.h"
#include "ui/ip_address_edit.h"

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace kyv {
namespace {

const QString kSelectModel = QStringLiteral("Select Model");
const QString kReselectModel = QStringLiteral("Reselect Model");
const QString kNoFile = QStringLiteral("BINARY FILE");

bool isOneOf(const std::string& text, std::initializer_list<const char*> names)
{
    for (const char* name : names)
        if (text == name)
            return true;
    return false;
}

} // namespace

void CBrevantDlg::fillCombo(QComboBox* combo, const std::vector<std::string>& entries, int selected)
{
    combo->clear();
    for (const std::string& entry : entries)
        combo->addItem(QString::fromStdString(entry));
    combo->setCurrentIndex(selected);
}

void CBrevantDlg::selectInCombo(QComboBox* combo, const std::string& wanted)
{
    std::vector<std::string> entries;
    for (int i = 0; i < combo->count(); ++i)
        entries.push_back(combo->itemText(i).toStdString());
    combo->setCurrentIndex(selectByPrefix(entries, wanted, combo->currentIndex()));
}

void CBrevantDlg::onSelectModel()
{
    setNote({});
    resizeToRules();
    if (selectModelButton_->text() == kSelectModel) {
        if (modelCombo_->currentIndex() < 0) {
            message(QMessageBox::Critical, QString::fromUtf8(resultText(rc::UnknownModel).data()));
            return;
        }
        ModelInfo& row = selectedRow();
        const ModelSelection selection = selectModel(row, values_);
        fillCombo(typeCombo_, selection.downloadTypes, -1);
        baudCombo_->setCurrentText(QString::fromStdString(selection.serial.baud));
        parityCombo_->setCurrentText(QString::fromStdString(selection.serial.parity));
        stopBitsCombo_->setCurrentText(QString::fromStdString(selection.serial.stopBits));
        fillCombo(interfaceCombo_, selection.interfaces.entries, selection.interfaces.selected);
        fwFolderButton_->setEnabled(selection.makeFwFolder && !commandLineMode());
        cpmiListShown_ = false;
        j5Family_ = selection.j5Family;
        selectModelButton_->setText(kReselectModel);
        setUiState(UiState::ModelChosen); // also sets the interface kind from the selected entry
    } else {
        typeCombo_->clear();
        forgetChosenFile();
        selectModelButton_->setText(kSelectModel);
        setUiState(UiState::Initial);
    }
}

void CBrevantDlg::onDownloadTypeChanged()
{
    browseButton_->setEnabled(!commandLineMode());
    forgetChosenFile();
    fileEdit_->setEnabled(!commandLineMode());

    const std::string type = text(typeCombo_);
    const std::string& model = selectedRow().displayName;
    if (type.starts_with("IPL") && isOneOf(model, {"R241-Y270", "Q581-E616", "Q585-E616"}))
        setNote(QStringLiteral("If you are switching ION <==> NON ION , please use RS232 Interface"));
    else if (model == "R452")
        setNote(QStringLiteral(
            "For R452 IBM USB Model, If you are switching from ION <==> IBM USB, please flash IPL and MFW."));
    else
        setNote({});
    if (model == "R243" && type.starts_with("IMF FILE")) {
        fillCombo(interfaceCombo_, {"IBM USB"}, 0);
        onInterfaceChanged(); // the job's interface kind follows the only entry left
    }
    resizeToRules();
}

void CBrevantDlg::forgetChosenFile()
{
    flashButton_->setEnabled(false);
    fileEdit_->setText(kNoFile);
    fullPath_.clear();
}

void CBrevantDlg::onInterfaceChanged()
{
    detectionGroup_->setTitle(QStringLiteral("USB Interface Port"));
    detectionText_->show();
    wifiIcon_->hide();
    wifiLabel_->hide();

    const std::string interface = text(interfaceCombo_);
    interfaceKind_ = interfaceKindOf(interface);
    if (interface == "PRTR")
        selectedRow().job.usbClassPrtr = 1;
    else if (interface == "NHPI")
        selectedRow().job.usbClassPrtr = 0;
    if (interface == "WIFI") {
        detectionText_->hide();
        wifiIcon_->show();
        wifiLabel_->show();
    }
    applyInterfaceRules();
}

void CBrevantDlg::applyInterfaceRules()
{
    // Nothing is enabled while a job runs or in an unattended run, whatever the interface.
    const bool mayEnable = !busy_ && !commandLineMode() && typeCombo_->isEnabled();
    const bool serial = interfaceKind_ == kSerialPort || interfaceKind_ == kParallelPort;
    const bool network = interfaceKind_ == kLanOrWifi;
    for (QWidget* w : {static_cast<QWidget*>(baudCombo_), static_cast<QWidget*>(parityCombo_),
                       static_cast<QWidget*>(stopBitsCombo_)})
        w->setEnabled(mayEnable && serial);
    ipEdit_->setEnabled(mayEnable && network);
    serialIcon_->setVisible(serial);
    usbIcon_->setVisible(!serial && !network);
    dataBitsEdit_->setEnabled(false);
    dataFlowEdit_->setEnabled(false);
}

void CBrevantDlg::onBrowse()
{
    const std::string type = text(typeCombo_);
    const std::string_view filter = browseFilter(type, j5Family_);
    if (filter.empty()) {
        message(QMessageBox::Critical, QStringLiteral("Please select a correct download type!"), QMessageBox::Ok,
                QStringLiteral("Warning"));
        return;
    }
    chooseDownloadType(selectedRow(), type);
    const QString path = services_.chooseFile(this, qtFileFilter(filter));
    if (path.isEmpty())
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return; // a file that cannot be read is ignored; Flash Device stays disabled
    fullPath_ = QFileInfo(path).absoluteFilePath().toStdString();
    fileEdit_->setText(QFileInfo(path).fileName());
    flashButton_->setEnabled(true);
}

void CBrevantDlg::startUnattended(const ParsedArguments& arguments)
{
    modelCombo_->setCurrentIndex(arguments.modelIndex);
    selectModelButton_->setText(kSelectModel);
    onSelectModel();

    // The same selections a dry run reports: type, interface and its settings, file path.
    const UnattendedSelection selection =
        selectForUnattendedRun(arguments, catalogue_.row(arguments.modelIndex), workDir_, values_);
    typeCombo_->setCurrentIndex(selection.downloadTypeIndex);
    onDownloadTypeChanged();
    fillCombo(interfaceCombo_, selection.model.interfaces.entries, selection.model.interfaces.selected);
    baudCombo_->setCurrentText(QString::fromStdString(selection.baudText));
    parityCombo_->setCurrentText(QString::fromStdString(selection.parityText));
    stopBitsCombo_->setCurrentText(QString::fromStdString(selection.stopBitsText));
    ipEdit_->setValue(selection.ipAddress);

    // The job's interface kind follows the entry now selected, as the dry run reports it:
    // an interface the model does not offer leaves what model selection chose.
    onInterfaceChanged();
    usbClassWord_ = arguments.usbClassWord;

    fileEdit_->setText(QString::fromStdString(selection.fileText));
    fullPath_ = selection.filePath;
    show();
    onFlashDevice();
}

} // namespace kyv
