#pragma once
// The about box: program name, version line and OK.

#include <QDialog>

namespace kyv {

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

} // namespace kyv
