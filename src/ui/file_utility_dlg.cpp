#include "ui/file_utility_dlg.h"

#include "core/usb_memory/drive_check.h"
#include "ui/file_filter.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kyv {
namespace {

const QString kProgramName = QStringLiteral("Brevant");
const QString kSpecialMain = QStringLiteral("V99SP"); // what names the 1.0 -> 1.1 main firmware

constexpr std::array<const char*, kFwSlotCount> kFilters{
    "IPL FW File(*.ipl)|*.ipl|",   "MAIN FW File(*.mfw)|*.mfw|",   "SBCS FW File(*.sfn)|*.sfn|",
    "DBCS FW File(*.dfn)|*.dfn|",  "TABLE FW File(*.tbl)|*.tbl|",  "CONFIG FW File(*.cfg)|*.cfg|"};

bool anyName(const QString&) { return true; }
bool notSpecialMain(const QString& name) { return !name.contains(kSpecialMain); }
bool specialMain(const QString& name) { return name.contains(kSpecialMain); }

QString lowerName(const char* slotName) { return QString::fromLatin1(slotName).toLower(); }

} // namespace

CFileUtility::CFileUtility(std::string model, const DialogServices& services, QWidget* parent)
    : QDialog(parent), model_(std::move(model)), services_(services)
{
    setObjectName(QStringLiteral("fileUtilityDialog"));
    auto* grid = new QGridLayout;
    for (int slot = 0; slot < kFwSlotCount; ++slot) {
        const QString name = lowerName(kFwSlotNames[static_cast<size_t>(slot)]);
        auto* label = new QLabel(QString::fromLatin1(kFwSlotNames[static_cast<size_t>(slot)]), this);
        auto* edit = new QLineEdit(this);
        edit->setObjectName(name + QStringLiteral("Edit"));
        edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 48);
        auto* button = new QPushButton(QStringLiteral("Browse"), this);
        button->setObjectName(name + QStringLiteral("Browse"));
        button->setAutoDefault(false);
        grid->addWidget(label, slot, 0);
        grid->addWidget(edit, slot, 1);
        grid->addWidget(button, slot, 2);
        fileEdits_[static_cast<size_t>(slot)] = edit;
        browseButtons_[static_cast<size_t>(slot)] = button;
        connect(button, &QPushButton::clicked, this, [this, slot] { browse(slot); });
        if (slot == kFwConfig)
            configLabel_ = label;
    }
    specialLabel_ = new QLabel(QStringLiteral("1.0->1.1"), this);
    specialLabel_->setObjectName(QStringLiteral("specialLabel"));
    specialEdit_ = new QLineEdit(this);
    specialEdit_->setObjectName(QStringLiteral("specialEdit"));
    specialBrowse_ = new QPushButton(QStringLiteral("Browse"), this);
    specialBrowse_->setObjectName(QStringLiteral("specialBrowse"));
    specialBrowse_->setAutoDefault(false);
    grid->addWidget(specialLabel_, kFwSlotCount, 0);
    grid->addWidget(specialEdit_, kFwSlotCount, 1);
    grid->addWidget(specialBrowse_, kFwSlotCount, 2);
    connect(specialBrowse_, &QPushButton::clicked, this, &CFileUtility::browseSpecial);

    twoStageCheck_ = new QCheckBox(QStringLiteral("1.0->1.1 FW Update"), this);
    twoStageCheck_->setObjectName(QStringLiteral("twoStageCheck"));
    connect(twoStageCheck_, &QCheckBox::toggled, this, &CFileUtility::onTwoStageToggled);
    saveButton_ = new QPushButton(QStringLiteral("Save FW Folder"), this);
    saveButton_->setObjectName(QStringLiteral("saveButton"));
    saveButton_->setAutoDefault(false);
    connect(saveButton_, &QPushButton::clicked, this, &CFileUtility::onSaveFwFolder);
    auto* actions = new QHBoxLayout;
    actions->addWidget(twoStageCheck_);
    actions->addStretch();
    actions->addWidget(saveButton_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(actions);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // The special file waits for the check box, except on R243 where it is the SDBCS font.
    specialLabel_->setEnabled(false);
    specialEdit_->setEnabled(false);
    specialBrowse_->setEnabled(false);
    if (model_ == "R453") {
        setWindowTitle(QStringLiteral("R453 USB Memory FW File Utility"));
    } else if (model_ == "R243") {
        setWindowTitle(QStringLiteral("R243 USB Memory FW File Utility"));
        twoStageCheck_->hide();
        specialEdit_->setEnabled(true);
        specialBrowse_->setEnabled(true);
        specialLabel_->setText(QStringLiteral("SDBCS"));
    }
}

QMessageBox::StandardButton CFileUtility::message(QMessageBox::Icon icon, const QString& text, const QString& caption,
                                                  QMessageBox::StandardButtons buttons)
{
    return services_.showMessage(this, icon, caption.isEmpty() ? kProgramName : caption, text, buttons);
}

QString CFileUtility::chooseFirmware(const char* classicFilter, bool (*nameAllowed)(const QString&),
                                     const char* refusal)
{
    const QString path = services_.chooseFile(this, qtFileFilter(classicFilter));
    if (path.isEmpty())
        return {};
    if (!nameAllowed(QFileInfo(path).fileName())) {
        message(QMessageBox::Critical, QString::fromLatin1(refusal), QStringLiteral("Information"));
        return {};
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {}; // a file that cannot be read is not taken
    return QFileInfo(path).absoluteFilePath();
}

void CFileUtility::browse(int slot)
{
    const QString path = chooseFirmware(kFilters[static_cast<size_t>(slot)],
                                        slot == kFwMain ? notSpecialMain : anyName, "Please input correct firmware");
    if (!path.isEmpty())
        fileEdits_[static_cast<size_t>(slot)]->setText(path);
}

void CFileUtility::browseSpecial()
{
    const QString path = model_ == "R243"
                             ? chooseFirmware("SDBCS FW File(*.dfn)|*.dfn|", anyName, "")
                             : chooseFirmware("SPECIAL FW File(*.mfw)|*.mfw|", specialMain,
                                              "Please input correct special firmware");
    if (!path.isEmpty())
        specialEdit_->setText(path);
}

void CFileUtility::onTwoStageToggled(bool on)
{
    specialLabel_->setEnabled(on);
    specialEdit_->setEnabled(on);
    specialBrowse_->setEnabled(on);
    configLabel_->setEnabled(!on);
    fileEdits_[kFwConfig]->setEnabled(!on);
    browseButtons_[kFwConfig]->setEnabled(!on);
    // The two-stage tree has no CONFIG; a path left in a disabled box would still be written.
    (on ? fileEdits_[kFwConfig] : specialEdit_)->clear();
}

FwFolderChoice CFileUtility::readChoice() const
{
    FwFolderChoice choice;
    choice.model = model_;
    choice.twoStage = model_ == "R453" && twoStageCheck_->isChecked();
    for (size_t slot = 0; slot < fileEdits_.size(); ++slot)
        choice.files[slot] = fileEdits_[slot]->text().toStdString();
    choice.special = specialEdit_->text().toStdString();
    return choice;
}

void CFileUtility::onSaveFwFolder()
{
    const FwFolderChoice choice = readChoice();
    if (const std::string incomplete = incompleteChoiceText(choice); !incomplete.empty()) {
        message(QMessageBox::Warning, QString::fromStdString(incomplete));
        return;
    }
    const QString folder =
        services_.chooseFolder(this, QStringLiteral("Please select a folder for storing FW files :"));
    if (folder.isEmpty())
        return;
    const std::filesystem::path target = folder.toStdString();
    if (const std::string refusal = driveRefusalText(judgeTargetDrive(services_.inspectDrive(target)));
        !refusal.empty()) {
        message(QMessageBox::Warning, QString::fromStdString(refusal));
        return;
    }

    saveButton_->setEnabled(false);
    const auto overwrite = [this] {
        return message(QMessageBox::Warning, QStringLiteral("Special Folder already exist. Overwrite file?"),
                       QStringLiteral("Warning"), QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    };
    const FwFolderReport report = writeFwFolder(choice, target, timeFolderName(services_.localTime()), overwrite);
    message(report.written ? QMessageBox::Information : QMessageBox::Warning, QString::fromStdString(report.text),
            QString::fromStdString(report.caption));
    // Enabled again after a failure too: the technician may fix the cause and try again.
    saveButton_->setEnabled(true);
}

} // namespace kyv
