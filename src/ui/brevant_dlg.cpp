// Construction, layout, sizes, keyboard and the enabling routine of the main dialog.
#include "ui/brevant_dlg.h"

#include "core/clock.h"
#include "core/exit_status.h"
#include "core/model_selection.h"
#include "core/version.h"
#include "ui/about_dlg.h"
#include "ui/drawn_icons.h"
#include "ui/file_utility_dlg.h"
#include "ui/ip_address_edit.h"
#include "ui/network_config_dlg.h"
#include "ui/progress_bar_dlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace kyv {
namespace {

// Every wait of a worker ends at a stop request; the longest single wait it can be inside
// is a 30000 ms read time-out. A worker that has not returned by then never will.
constexpr ProtocolMs kWorkerStopLimit{30000};

// The worker still holds the dialog, so it can neither be detached nor outlived: the
// process ends with the stop's code, as a stopped run does.
[[noreturn]] void endProcessWithStoppedWorker()
{
    std::fputs("The download worker did not stop; ending the program.\n", stderr);
    reportResultToFd(rc::ExitButton);
    std::_Exit(exitStatusFor(rc::ExitButton));
}


constexpr ProtocolMs kPortDetectionPeriod{500};
constexpr int kIconSize = 24;
const QString kTitle = QStringLiteral("Brevant");
const QString kR452Note =
    QStringLiteral("For R452 IBM USB Model, If you are switching from ION <==> IBM USB, please flash IPL and MFW.");

QLabel* iconLabel(QWidget* parent, DrawnIcon icon, const char* name)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setPixmap(drawnPixmap(icon, kIconSize));
    label->setFixedSize(kIconSize, kIconSize);
    return label;
}

QComboBox* dropDown(QWidget* parent, const char* name, const QString& tip)
{
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QLatin1String(name));
    combo->setToolTip(tip);
    combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    combo->setMinimumContentsLength(12);
    return combo;
}

QLineEdit* readOnlyEdit(QWidget* parent, const char* name, const QString& text)
{
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(QLatin1String(name));
    edit->setReadOnly(true);
    return edit;
}

int timerInterval(ProtocolMs period)
{
    auto real = std::chrono::duration_cast<std::chrono::milliseconds>(scaled(period)).count();
    return std::max<int>(1, static_cast<int>(real));
}

} // namespace

CBrevantDlg::CBrevantDlg(ModelCatalogue& catalogue, ProcessValues& values, DialogServices services, std::string workDir,
                         QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      catalogue_(catalogue), values_(values), services_(std::move(services)), workDir_(std::move(workDir)), log_(workDir_),
      events_(this, *this)
{
    setObjectName(QStringLiteral("mainDialog"));
    setWindowIcon(drawnIcon(DrawnIcon::App));
    setWindowTitle(kTitle);
    buildControls();

    for (int i = 0; i < catalogue_.size(); ++i)
        modelCombo_->addItem(QString::fromStdString(catalogue_.row(i).displayName));
    modelCombo_->setCurrentIndex(ModelCatalogue::kDefaultModel);

    measureSizes();
    saveLogCheck_->setChecked(true);
    portDetectionCheck_->setChecked(true);
    showSessionText();

    if (!services_.portProbe)
        services_.portProbe = makeSystemPortProbe();
    detector_ = std::make_unique<PortDetector>(std::move(services_.portProbe),
                                               [this](const PortQuery& query, const PortScan& scan) {
                                                   QMetaObject::invokeMethod(
                                                       this, [this, query, scan] { onPortScan(query, scan); },
                                                       Qt::QueuedConnection);
                                               });
    detectionTimer_ = new QTimer(this);
    detectionTimer_->setInterval(timerInterval(kPortDetectionPeriod));
    connect(detectionTimer_, &QTimer::timeout, this, &CBrevantDlg::onPortDetectionTick);
    detectionTimer_->start();

    // Shift shows the version in the title wherever the focus is inside the dialog.
    qApp->installEventFilter(this);

    if (!commandLineMode()) {
        fileEdit_->setText(QStringLiteral("BINARY FILE"));
        setUiState(UiState::Initial);
        exitValue_ = 0;
    } else {
        setUiState(UiState::Initial);
    }
    resizeToRules();
}

CBrevantDlg::~CBrevantDlg()
{
    qApp->removeEventFilter(this);
    detectionTimer_->stop();
    detector_.reset(); // joins the detection thread; its queued results die with this object
    if (worker_.active()) {
        // Only reached when the dialog goes while a job still runs (normally Exit is
        // disabled then): stop the worker and drop what it sends, which releases it.
        requestStop();
        const Deadline limit(kWorkerStopLimit);
        while (!worker_.finished() && !limit.expired()) {
            QCoreApplication::removePostedEvents(this);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        if (!worker_.finished())
            endProcessWithStoppedWorker();
        worker_.join();
    }
}

void CBrevantDlg::buildControls()
{
    // Printer model.
    auto* modelGroup = new QGroupBox(QStringLiteral("Printer Model"), this);
    modelCombo_ = dropDown(modelGroup, "modelCombo", QStringLiteral("Select Printer Device model "));
    modelCombo_->setMinimumContentsLength(22);
    selectModelButton_ = new QPushButton(QStringLiteral("Select Model"), modelGroup);
    selectModelButton_->setObjectName(QStringLiteral("selectModelButton"));
    selectModelButton_->setToolTip(QStringLiteral("Select Model"));
    selectModelButton_->setMinimumWidth(selectModelButton_->fontMetrics().horizontalAdvance(
                                            QStringLiteral("Reselect Model")) + 32);
    auto* modelRow = new QHBoxLayout(modelGroup);
    modelRow->addWidget(new QLabel(QStringLiteral("Device Model"), modelGroup));
    modelRow->addWidget(modelCombo_, 1);
    modelRow->addWidget(selectModelButton_);

    // Properties: download type and interface.
    auto* propertiesGroup = new QGroupBox(QStringLiteral("Properties"), this);
    typeCombo_ = dropDown(propertiesGroup, "typeCombo", QStringLiteral("Select Download Type"));
    typeCombo_->setMinimumContentsLength(24);
    interfaceCombo_ = dropDown(propertiesGroup, "interfaceCombo", QStringLiteral("Select the Interface to flash"));
    interfaceCombo_->setMaxVisibleItems(12);
    {
        QStringList initial{QStringLiteral("LAN"), QStringLiteral("USB"), QStringLiteral("CPMI"),
                            QStringLiteral("IBM USB"), QStringLiteral("HID")};
        for (int i = 1; i <= 20; ++i)
            initial << QStringLiteral("COM%1").arg(i);
        interfaceCombo_->addItems(initial);
        interfaceCombo_->setCurrentText(QStringLiteral("COM1"));
    }
    ethernetIcon_ = iconLabel(propertiesGroup, DrawnIcon::Ethernet, "ethernetIcon");
    ethernetIcon_->setToolTip(QStringLiteral("Ethernet"));
    usbIcon_ = iconLabel(propertiesGroup, DrawnIcon::Usb, "usbIcon");
    serialIcon_ = iconLabel(propertiesGroup, DrawnIcon::Serial, "serialIcon");
    wifiIcon_ = iconLabel(propertiesGroup, DrawnIcon::Wifi, "wifiIcon");
    wifiLabel_ = new QLabel(QStringLiteral("WIFI"), propertiesGroup);
    wifiLabel_->setObjectName(QStringLiteral("wifiLabel"));
    auto* interfaceRow = new QHBoxLayout;
    interfaceRow->addWidget(interfaceCombo_, 1);
    for (QWidget* icon : {static_cast<QWidget*>(serialIcon_), static_cast<QWidget*>(usbIcon_),
                          static_cast<QWidget*>(wifiIcon_), static_cast<QWidget*>(wifiLabel_)})
        interfaceRow->addWidget(icon);
    auto* propertiesForm = new QFormLayout(propertiesGroup);
    propertiesForm->addRow(QStringLiteral("Download Type:"), typeCombo_);
    propertiesForm->addRow(QStringLiteral("Interface"), interfaceRow);

    // Serial port settings.
    auto* serialGroup = new QGroupBox(QStringLiteral("Serial Port Settings"), this);
    baudCombo_ = dropDown(serialGroup, "baudCombo", QStringLiteral("Select Baud Rate for Serial Port"));
    baudCombo_->addItems({QStringLiteral("115200"), QStringLiteral("57600"), QStringLiteral("38400"),
                          QStringLiteral("19200"), QStringLiteral("9600")});
    parityCombo_ = dropDown(serialGroup, "parityCombo", QStringLiteral("Select Parity Bit for Serial Port"));
    parityCombo_->addItems({QStringLiteral("EVEN"), QStringLiteral("NONE"), QStringLiteral("ODD")});
    parityCombo_->setCurrentText(QStringLiteral("NONE"));
    stopBitsCombo_ = dropDown(serialGroup, "stopBitsCombo", QStringLiteral("Select Stop Bit for Serial Port"));
    stopBitsCombo_->addItems({QStringLiteral("1"), QStringLiteral("2")});
    for (QComboBox* combo : {baudCombo_, parityCombo_, stopBitsCombo_})
        combo->setMinimumContentsLength(8);
    dataBitsEdit_ = readOnlyEdit(serialGroup, "dataBitsEdit", QStringLiteral("8"));
    dataFlowEdit_ = readOnlyEdit(serialGroup, "dataFlowEdit", QStringLiteral("DTR / DSR"));
    dataBitsEdit_->setEnabled(false);
    dataFlowEdit_->setEnabled(false);
    auto* serialForm = new QFormLayout(serialGroup);
    serialForm->addRow(QStringLiteral("Baud Rate:"), baudCombo_);
    serialForm->addRow(QStringLiteral("Parity Bit:"), parityCombo_);
    serialForm->addRow(QStringLiteral("Stop Bit:"), stopBitsCombo_);
    serialForm->addRow(QStringLiteral("Data Bit:"), dataBitsEdit_);
    serialForm->addRow(QStringLiteral("Data Flow:"), dataFlowEdit_);

    // Ethernet settings.
    auto* ethernetGroup = new QGroupBox(QStringLiteral("Ethernet Port Settings"), this);
    ipEdit_ = new IpAddressEdit(ethernetGroup);
    ipEdit_->setObjectName(QStringLiteral("ipEdit"));
    ipEdit_->setToolTip(QStringLiteral("Enter the IP Address for LAN Interface"));
    ipEdit_->setValue(0xC0A80101);
    networkButton_ = new QPushButton(QStringLiteral("+"), ethernetGroup);
    networkButton_->setObjectName(QStringLiteral("networkButton"));
    networkButton_->hide(); // for technicians who know it is there
    auto* ethernetLayout = new QVBoxLayout(ethernetGroup);
    auto* ipRow = new QHBoxLayout;
    ipRow->addWidget(ethernetIcon_);
    ipRow->addWidget(new QLabel(QStringLiteral("IP Address:"), ethernetGroup));
    ipRow->addWidget(ipEdit_, 1);
    ethernetLayout->addLayout(ipRow);

    // Port detection.
    detectionGroup_ = new QGroupBox(QStringLiteral("USB Interface Port"), this);
    detectionGroup_->setObjectName(QStringLiteral("detectionGroup"));
    detectedIcon_ = iconLabel(detectionGroup_, DrawnIcon::Detected, "detectedIcon");
    notDetectedIcon_ = iconLabel(detectionGroup_, DrawnIcon::NotDetected, "notDetectedIcon");
    detectedIcon_->hide();
    detectionText_ = new QLabel(QStringLiteral(" "), detectionGroup_);
    detectionText_->setObjectName(QStringLiteral("detectionText"));
    detectionText_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    detectionText_->setMinimumHeight(detectionText_->fontMetrics().lineSpacing() * 3);
    detectionText_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    auto* detectionRow = new QHBoxLayout(detectionGroup_);
    detectionRow->addWidget(detectedIcon_, 0, Qt::AlignTop);
    detectionRow->addWidget(notDetectedIcon_, 0, Qt::AlignTop);
    detectionRow->addWidget(detectionText_, 1);
    ethernetLayout->addWidget(detectionGroup_);

    // Flash update.
    auto* flashGroup = new QGroupBox(QStringLiteral("Flash Update"), this);
    fileEdit_ = readOnlyEdit(flashGroup, "fileEdit", QStringLiteral("BINARY FILE"));
    browseButton_ = new QPushButton(QStringLiteral("Browse"), flashGroup);
    browseButton_->setObjectName(QStringLiteral("browseButton"));
    browseButton_->setToolTip(QStringLiteral("Select the Binary File to flash"));
    flashButton_ = new QPushButton(QStringLiteral("Flash Device"), flashGroup);
    flashButton_->setObjectName(QStringLiteral("flashButton"));
    flashButton_->setToolTip(QStringLiteral("Flash Device"));
    flashButton_->setDefault(false);
    flashButton_->setAutoDefault(false);
    QFont bold = flashButton_->font();
    bold.setBold(true);
    flashButton_->setFont(bold);
    flashButton_->setMinimumHeight(flashButton_->sizeHint().height() + 8);
    fwFolderButton_ = new QPushButton(QStringLiteral("Make FW Folder"), flashGroup);
    fwFolderButton_->setObjectName(QStringLiteral("fwFolderButton"));
    fwFolderButton_->setToolTip(QStringLiteral("Create FW Folder"));
    fwFolderButton_->setEnabled(false);
    auto* flashLayout = new QGridLayout(flashGroup);
    flashLayout->addWidget(new QLabel(QStringLiteral("File to apply"), flashGroup), 0, 0);
    flashLayout->addWidget(fileEdit_, 0, 1);
    flashLayout->addWidget(browseButton_, 0, 2);
    flashLayout->addWidget(fwFolderButton_, 1, 1, Qt::AlignLeft);
    flashLayout->addWidget(flashButton_, 1, 2);
    flashLayout->setColumnStretch(1, 1);

    // Log settings.
    auto* logSettingsGroup = new QGroupBox(QStringLiteral("Log Settings"), this);
    saveLogCheck_ = new QCheckBox(QStringLiteral("&Save Log"), logSettingsGroup);
    saveLogCheck_->setObjectName(QStringLiteral("saveLogCheck"));
    saveLogCheck_->setToolTip(QStringLiteral("Save Log File"));
    showLogCheck_ = new QCheckBox(QStringLiteral("Show Log"), logSettingsGroup);
    showLogCheck_->setObjectName(QStringLiteral("showLogCheck"));
    showLogCheck_->setToolTip(QStringLiteral("Click to Show/Hide Log"));
    portDetectionCheck_ = new QCheckBox(QStringLiteral("Port Detection"), logSettingsGroup);
    portDetectionCheck_->setObjectName(QStringLiteral("portDetectionCheck"));
    portDetectionCheck_->hide();
    aboutButton_ = new QToolButton(logSettingsGroup);
    aboutButton_->setObjectName(QStringLiteral("aboutButton"));
    aboutButton_->setText(QStringLiteral("About"));
    aboutButton_->setToolTip(QStringLiteral("About Brevant"));
    exitButton_ = new QPushButton(QStringLiteral("Exit"), logSettingsGroup);
    exitButton_->setObjectName(QStringLiteral("exitButton"));
    exitButton_->hide(); // the window's close box gives the same command
    auto* logSettingsRow = new QHBoxLayout(logSettingsGroup);
    logSettingsRow->addWidget(saveLogCheck_);
    logSettingsRow->addWidget(showLogCheck_);
    logSettingsRow->addStretch();
    logSettingsRow->addWidget(aboutButton_);

    // The note line, on a light-yellow rounded box.
    noteLabel_ = new QLabel(kR452Note, this);
    noteLabel_->setObjectName(QStringLiteral("noteLabel"));
    noteLabel_->setWordWrap(true);
    noteLabel_->setStyleSheet(QStringLiteral("QLabel#noteLabel { color: black; background: rgb(255,255,225);"
                                             " border: 1px solid black; border-radius: 10px; padding: 6px; }"));
    noteLabel_->hide();

    // The log, to the right of everything else.
    logPanel_ = new QGroupBox(QStringLiteral("Log"), this);
    logPanel_->setObjectName(QStringLiteral("logPanel"));
    logBox_ = new QPlainTextEdit(logPanel_);
    logBox_->setObjectName(QStringLiteral("logBox"));
    logBox_->setReadOnly(true);
    logBox_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    logBox_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    logBox_->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    logBox_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    auto* logLayout = new QVBoxLayout(logPanel_);
    logLayout->addWidget(logBox_);

    auto* settingsRow = new QHBoxLayout;
    settingsRow->addWidget(serialGroup, 1);
    settingsRow->addWidget(ethernetGroup, 1);

    auto* left = new QVBoxLayout;
    left->addWidget(modelGroup);
    left->addWidget(propertiesGroup);
    left->addLayout(settingsRow);
    left->addWidget(flashGroup);
    left->addWidget(logSettingsGroup);
    left->addWidget(noteLabel_);
    left->addStretch();

    auto* main = new QHBoxLayout(this);
    main->addLayout(left, 65);
    main->addWidget(logPanel_, 35);

    connect(selectModelButton_, &QPushButton::clicked, this, &CBrevantDlg::onSelectModel);
    connect(typeCombo_, &QComboBox::activated, this, &CBrevantDlg::onDownloadTypeChanged);
    connect(interfaceCombo_, &QComboBox::activated, this, &CBrevantDlg::onInterfaceChanged);
    connect(browseButton_, &QPushButton::clicked, this, &CBrevantDlg::onBrowse);
    connect(flashButton_, &QPushButton::clicked, this, &CBrevantDlg::onFlashDevice);
    connect(showLogCheck_, &QCheckBox::toggled, this, &CBrevantDlg::onShowLogToggled);
    connect(saveLogCheck_, &QCheckBox::toggled, this, [this](bool on) { log_.setSaveLog(on); });
    connect(aboutButton_, &QToolButton::clicked, this, &CBrevantDlg::showAbout);
    connect(fwFolderButton_, &QPushButton::clicked, this, &CBrevantDlg::openFileUtility);
    connect(networkButton_, &QPushButton::clicked, this, &CBrevantDlg::openNetworkConfig);
    connect(exitButton_, &QPushButton::clicked, this, &CBrevantDlg::close);
}

void CBrevantDlg::measureSizes()
{
    // Full size: log and note shown; the left column is then 65 % of the width.
    logPanel_->show();
    noteLabel_->show();
    QSize left = layout()->itemAt(0)->layout()->sizeHint();
    const int fullWidth = std::max(left.width() * 100 / 65 + 1, layout()->sizeHint().width());
    noteLabel_->hide();
    const int withoutNote = layout()->minimumSize().height();
    // The note row takes at least a tenth of the full height, so that 90 % fits everything else.
    const int fullHeight = std::max(layout()->sizeHint().height() + noteLabel_->sizeHint().height(),
                                    withoutNote * 100 / 90 + 1);
    fullSize_ = QSize(fullWidth, fullHeight);
    noteLabel_->setMinimumHeight(std::max(noteLabel_->sizeHint().height(), fullHeight - withoutNote - 12));
}

void CBrevantDlg::resizeToRules()
{
    const bool showLog = showLogCheck_->isChecked();
    logPanel_->setVisible(showLog);
    noteLabel_->setVisible(noteVisible_);
    const int width = showLog ? fullSize_.width() : fullSize_.width() * 65 / 100;
    const int height = noteVisible_ ? fullSize_.height() : fullSize_.height() * 90 / 100;
    setFixedSize(width, height);
}

void CBrevantDlg::onShowLogToggled() { resizeToRules(); }

void CBrevantDlg::setNote(const QString& text)
{
    noteVisible_ = !text.isEmpty();
    if (noteVisible_)
        noteLabel_->setText(text);
}

void CBrevantDlg::setUiState(UiState state)
{
    const ControlEnabling e = enablingFor(state, isR453OrR243(selectedRow()), commandLineMode());
    for (QWidget* w : {static_cast<QWidget*>(browseButton_), static_cast<QWidget*>(flashButton_),
                       static_cast<QWidget*>(fileEdit_)})
        w->setEnabled(e.fileControls);
    modelCombo_->setEnabled(e.model);
    selectModelButton_->setEnabled(e.selectAndExit);
    exitButton_->setEnabled(e.selectAndExit);
    if (e.makeFwFolder)
        fwFolderButton_->setEnabled(*e.makeFwFolder);
    for (QWidget* w : {static_cast<QWidget*>(typeCombo_), static_cast<QWidget*>(interfaceCombo_),
                       static_cast<QWidget*>(baudCombo_), static_cast<QWidget*>(parityCombo_),
                       static_cast<QWidget*>(stopBitsCombo_), static_cast<QWidget*>(dataBitsEdit_),
                       static_cast<QWidget*>(dataFlowEdit_)})
        w->setEnabled(e.jobSettings);
    ipEdit_->setEnabled(e.ip);
    busy_ = state == UiState::Busy;
    if (e.reapplyInterfaceRules)
        onInterfaceChanged();
}

void CBrevantDlg::showAbout()
{
    CAboutDlg about(this);
    about.exec();
}

void CBrevantDlg::openNetworkConfig()
{
    if (commandLineMode())
        return; // an unattended run asks nobody anything
    // The user's settings file, read afresh: the one the MAC search reads at its next use.
    CNetworkConfig config(ProfileStore::forUser(), services_, this);
    config.exec();
}

void CBrevantDlg::openFileUtility()
{
    CFileUtility utility(selectedRow().family, services_, this);
    utility.exec();
}

bool CBrevantDlg::commandLineMode() const { return values_.commandLineMode != 0; }

ModelInfo& CBrevantDlg::selectedRow() { return catalogue_.row(std::max(0, modelCombo_->currentIndex())); }

std::string CBrevantDlg::text(const QComboBox* combo) const { return combo->currentText().toStdString(); }

void CBrevantDlg::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept(); // Escape never closes the dialog
        return;
    }
    QDialog::keyPressEvent(event);
}

void CBrevantDlg::reject()
{
    // Escape and the platform's cancel shortcuts land here; only Exit and the close box end the dialog.
}

bool CBrevantDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ethernetIcon_ && event->type() == QEvent::MouseButtonDblClick) {
        const Qt::KeyboardModifiers held = static_cast<QMouseEvent*>(event)->modifiers();
        if (held.testFlag(Qt::ControlModifier) && held.testFlag(Qt::ShiftModifier)) {
            QMetaObject::invokeMethod(this, &CBrevantDlg::openNetworkConfig, Qt::QueuedConnection);
            return true;
        }
    }
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
        auto* key = static_cast<QKeyEvent*>(event);
        auto* widget = qobject_cast<QWidget*>(watched);
        if (key->key() == Qt::Key_Shift && widget != nullptr && widget->window() == this && !key->isAutoRepeat())
            setWindowTitle(event->type() == QEvent::KeyPress ? kTitle + QString::fromLatin1(kVersionText) : kTitle);
    }
    return QDialog::eventFilter(watched, event);
}

void CBrevantDlg::closeEvent(QCloseEvent* event)
{
    event->ignore();
    // While Exit is disabled (a job runs, or an unattended run) the close box does nothing.
    if (!exitButton_->isEnabled() && !stopping_)
        return;
    endWhenWorkerDone(exitValue_);
}

} // namespace kyv
