#include "ui/network_config_dlg.h"

#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include <optional>

namespace kyv {
namespace {

constexpr const char* kSection = "Brevant";
constexpr const char* kBroadcastKey = "BroadCast Timeout";
constexpr const char* kConnectionKey = "LAN Connection Timeout";
constexpr int kBroadcastDefaultMs = 15000;
constexpr int kConnectionDefaultMs = 10000;
constexpr int kConnectionMin = 5;
constexpr int kBroadcastMin = 15;
constexpr int kMaxSeconds = 300;
constexpr int kMsPerSecond = 1000;

QLineEdit* secondsEdit(QWidget* parent, const char* name, int storedMs)
{
    auto* edit = new QLineEdit(QString::number(storedMs / kMsPerSecond), parent);
    edit->setObjectName(QLatin1String(name));
    edit->setMaxLength(3);
    edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
    return edit;
}

// The edit's number; nullopt when it holds none.
std::optional<int> secondsIn(const QLineEdit* edit)
{
    bool ok = false;
    const int value = edit->text().toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

} // namespace

CNetworkConfig::CNetworkConfig(ProfileStore store, const DialogServices& services, QWidget* parent)
    : QDialog(parent), store_(std::move(store)), services_(services)
{
    setObjectName(QStringLiteral("networkConfigDialog"));
    setWindowTitle(QStringLiteral("Network Config"));

    auto* group = new QGroupBox(QStringLiteral("Timeout"), this);
    connectionEdit_ = secondsEdit(group, "connectionEdit", store_.getInt(kSection, kConnectionKey, kConnectionDefaultMs));
    broadcastEdit_ = secondsEdit(group, "broadcastEdit", store_.getInt(kSection, kBroadcastKey, kBroadcastDefaultMs));
    auto* grid = new QGridLayout(group);
    grid->addWidget(new QLabel(QStringLiteral("Connection Timeout"), group), 0, 0);
    grid->addWidget(connectionEdit_, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("5 -300 seconds"), group), 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("Broadcast"), group), 1, 0);
    grid->addWidget(broadcastEdit_, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("15 -300 seconds"), group), 1, 2);

    auto* ok = new QPushButton(QStringLiteral("OK"), group);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    auto* close = new QPushButton(QStringLiteral("Close"), group);
    close->setObjectName(QStringLiteral("closeButton"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(close);
    buttons->addStretch();
    grid->addLayout(buttons, 2, 0, 1, 3);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    connect(ok, &QPushButton::clicked, this, &CNetworkConfig::accept);
    connect(close, &QPushButton::clicked, this, &CNetworkConfig::reject);

    qApp->installEventFilter(this);
}

CNetworkConfig::~CNetworkConfig() { qApp->removeEventFilter(this); }

void CNetworkConfig::refuse(QLineEdit* edit, const QString& text)
{
    services_.showMessage(this, QMessageBox::Warning, QStringLiteral("Brevant"), text, QMessageBox::Ok);
    edit->setFocus();
    edit->selectAll();
}

void CNetworkConfig::accept()
{
    const std::optional<int> connection = secondsIn(connectionEdit_);
    if (!connection || *connection < kConnectionMin || *connection > kMaxSeconds) {
        refuse(connectionEdit_, QStringLiteral("Enter an integer between %1 and %2.").arg(kConnectionMin).arg(kMaxSeconds));
        return;
    }
    const std::optional<int> broadcast = secondsIn(broadcastEdit_);
    if (!broadcast || *broadcast < kBroadcastMin || *broadcast > kMaxSeconds) {
        refuse(broadcastEdit_, QStringLiteral("Please enter the BroadCast Timeout Value"));
        return;
    }
    // A store that cannot be written must not look like saved settings.
    if (!store_.setInt(kSection, kConnectionKey, *connection * kMsPerSecond) ||
        !store_.setInt(kSection, kBroadcastKey, *broadcast * kMsPerSecond)) {
        refuse(connectionEdit_, QStringLiteral("The settings could not be saved in %1.")
                                    .arg(QString::fromStdString(store_.path().string())));
        return;
    }
    QDialog::accept();
}

void CNetworkConfig::stepBroadcast(int step)
{
    const int value = secondsIn(broadcastEdit_).value_or(0);
    if ((step < 0 && value > kBroadcastMin) || (step > 0 && value < kMaxSeconds))
        broadcastEdit_->setText(QString::number(value + step));
}

bool CNetworkConfig::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && isVisible()) {
        // A key a widget passes on reaches its parents as well: act for the first receiver
        // only, the widget with the focus (or a window without a focused widget).
        auto* widget = qobject_cast<QWidget*>(watched);
        QWidget* focus = QApplication::focusWidget();
        if (widget != nullptr && (focus != nullptr ? widget == focus : widget->isWindow())) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Down)
                stepBroadcast(-1);
            else if (key == Qt::Key_Up && widget == broadcastEdit_)
                stepBroadcast(+1);
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace kyv
