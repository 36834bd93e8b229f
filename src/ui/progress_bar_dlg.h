#pragma once
// The small window in front of the main dialog while a worker transfers data: the step
// caption, the bar, a warning not to interrupt, and five lamps that light one after the
// other once a second with a growing row of dots in the title, so the technician sees
// the program is alive during long flash operations. The keyboard cannot dismiss it.

#include <QDialog>

#include <array>

class QGroupBox;
class QLabel;
class QProgressBar;
class QTimer;

namespace kyv {

class CProgressBarDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kLampCount = 5;
    static const QString kBaseTitle;

    explicit CProgressBarDlg(QWidget* parent = nullptr);

    void setRange(int maximum); // 0..maximum, clamped to 16 bits
    void setPosition(int position);
    int position() const;
    int maximum() const;
    void stepIt();   // one step forward
    void stepBack(); // one step back, never below 0
    void setStepText(const QString& text);
    QString stepText() const;

    // Index (0..4) of the lit lamp, -1 when none is lit.
    int litLamp() const;

public slots:
    // One phase of the animation: title dots and lamps advance; run by a one-second timer.
    void animate();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void setLamp(int index, bool lit);

    QGroupBox* stepBox_;
    QProgressBar* bar_;
    std::array<QLabel*, kLampCount> lamps_{};
    std::array<bool, kLampCount> lit_{};
    QTimer* timer_;
};

} // namespace kyv
