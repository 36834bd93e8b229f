#pragma once
// The USB-memory firmware folder utility of R453 and R243: the technician picks the
// firmware files and the program writes the folder tree these printers update themselves
// from onto a memory stick. Nothing is sent to a printer.

#include "core/usb_memory/fw_folder_tree.h"
#include "ui/dialog_services.h"

#include <QDialog>

#include <array>
#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kyv {

class CFileUtility : public QDialog {
    Q_OBJECT
public:
    // model: the family of the opener's model ("R453" or "R243"; any other gets no title
    // and no special behaviour). services must outlive the dialog.
    CFileUtility(std::string model, const DialogServices& services, QWidget* parent = nullptr);

public slots:
    void onSaveFwFolder();

private:
    void browse(int slot);
    void browseSpecial();
    // Opens the file dialog; the chosen file's full path when it is taken, else empty.
    QString chooseFirmware(const char* classicFilter, bool (*nameAllowed)(const QString&), const char* refusal);
    void onTwoStageToggled(bool on);
    FwFolderChoice readChoice() const;
    QMessageBox::StandardButton message(QMessageBox::Icon icon, const QString& text, const QString& caption = {},
                                        QMessageBox::StandardButtons buttons = QMessageBox::Ok);

    std::string model_;
    const DialogServices& services_;
    std::array<QLineEdit*, kFwSlotCount> fileEdits_{};
    std::array<QPushButton*, kFwSlotCount> browseButtons_{};
    QLabel* configLabel_ = nullptr;
    QLineEdit* specialEdit_ = nullptr;
    QLabel* specialLabel_ = nullptr;
    QPushButton* specialBrowse_ = nullptr;
    QCheckBox* twoStageCheck_ = nullptr;
    QPushButton* saveButton_ = nullptr;
};

} // namespace kyv
