#include "ui/progress_bar_dlg.h"

#include "core/clock.h"
#include "ui/drawn_icons.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <chrono>

namespace kyv {

const QString CProgressBarDlg::kBaseTitle = QStringLiteral("Brevant - On Transmission");

namespace {
constexpr int kLampSize = 32;
constexpr ProtocolMs kAnimationPeriod{1000};
} // namespace

CProgressBarDlg::CProgressBarDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("progressDialog"));
    setWindowTitle(kBaseTitle);
    setWindowIcon(drawnIcon(DrawnIcon::App));

    stepBox_ = new QGroupBox(this);
    stepBox_->setObjectName(QStringLiteral("stepCaption"));
    bar_ = new QProgressBar(stepBox_);
    bar_->setObjectName(QStringLiteral("progressBar"));
    bar_->setRange(0, 0);
    bar_->setValue(0);
    bar_->setTextVisible(true);
    bar_->setMinimumWidth(380);

    auto* lampRow = new QHBoxLayout;
    lampRow->addStretch();
    for (int i = 0; i < kLampCount; ++i) {
        lamps_[i] = new QLabel(stepBox_);
        lamps_[i]->setObjectName(QStringLiteral("lamp%1").arg(i + 1));
        lampRow->addWidget(lamps_[i]);
        setLamp(i, false);
    }
    lampRow->addStretch();

    auto* boxLayout = new QVBoxLayout(stepBox_);
    boxLayout->addWidget(bar_);
    boxLayout->addLayout(lampRow);

    auto* warningIcon = new QLabel(this);
    warningIcon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(kLampSize, kLampSize));
    auto* warning = new QLabel(QStringLiteral("Please do not stop the data transmission while it is flashing the "
                                              "product's memory, as it may cause serious damage to the product."),
                               this);
    warning->setObjectName(QStringLiteral("warningText"));
    warning->setWordWrap(true);
    auto* warningRow = new QHBoxLayout;
    warningRow->addWidget(warningIcon, 0, Qt::AlignTop);
    warningRow->addWidget(warning, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(stepBox_);
    layout->addLayout(warningRow);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    timer_ = new QTimer(this);
    timer_->setInterval(std::max<int>(
        1, static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(scaled(kAnimationPeriod)).count())));
    connect(timer_, &QTimer::timeout, this, &CProgressBarDlg::animate);
    timer_->start();
}

void CProgressBarDlg::setRange(int maximum)
{
    bar_->setRange(0, std::clamp(maximum, 0, 0xFFFF));
}

void CProgressBarDlg::setPosition(int position) { bar_->setValue(std::clamp(position, 0, bar_->maximum())); }
int CProgressBarDlg::position() const { return bar_->value(); }
int CProgressBarDlg::maximum() const { return bar_->maximum(); }
void CProgressBarDlg::stepIt() { setPosition(bar_->value() + 1); }

void CProgressBarDlg::stepBack()
{
    if (bar_->value() != 0)
        setPosition(bar_->value() - 1);
}

void CProgressBarDlg::setStepText(const QString& text)
{
    stepBox_->setTitle(text);
    stepBox_->update();
}

QString CProgressBarDlg::stepText() const { return stepBox_->title(); }

int CProgressBarDlg::litLamp() const
{
    auto it = std::find(lit_.begin(), lit_.end(), true);
    return it == lit_.end() ? -1 : static_cast<int>(it - lit_.begin());
}

void CProgressBarDlg::animate()
{
    // The title carries 0..4 dots; each phase adds one (wrapping to none) and moves the lit lamp on.
    const QString title = windowTitle();
    for (int dots = 0; dots < kLampCount; ++dots) {
        if (title.compare(kBaseTitle + QString(dots, QLatin1Char('.')), Qt::CaseInsensitive) != 0)
            continue;
        int next = (dots + 1) % kLampCount;
        setWindowTitle(kBaseTitle + QString(next, QLatin1Char('.')));
        setLamp((dots + kLampCount - 1) % kLampCount, false);
        setLamp(dots, true);
        return;
    }
}

void CProgressBarDlg::setLamp(int index, bool lit)
{
    lit_[index] = lit;
    lamps_[index]->setPixmap(drawnPixmap(lit ? DrawnIcon::LampOn : DrawnIcon::LampOff, kLampSize));
}

void CProgressBarDlg::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        event->accept(); // the transfer must not be dismissed from the keyboard
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void CProgressBarDlg::closeEvent(QCloseEvent* event)
{
    // Only the main dialog closes this window, when the worker is done with it.
    if (event->spontaneous())
        event->ignore();
    else
        QDialog::closeEvent(event);
}

} // namespace kyv
