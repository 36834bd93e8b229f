#pragma once
// "Network Config": the two time-outs of the LAN printer search, in whole seconds, kept in
// the settings store the MAC search reads at every use (section Brevant, milliseconds).

#include "core/profile_store.h"
#include "ui/dialog_services.h"

#include <QDialog>

class QLineEdit;

namespace kyv {

class CNetworkConfig : public QDialog {
    Q_OBJECT
public:
    // services: only its message boxes are used; it must outlive the dialog.
    CNetworkConfig(ProfileStore store, const DialogServices& services, QWidget* parent = nullptr);
    ~CNetworkConfig() override;

    // OK: writes both values when both are in range, else says which one is not.
    void accept() override;

protected:
    // The Down arrow lowers the broadcast value wherever the focus is; the Up arrow raises
    // it only in the broadcast edit. Both keys then do what they normally do.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void stepBroadcast(int step);
    void refuse(QLineEdit* edit, const QString& text);

    ProfileStore store_;
    const DialogServices& services_;
    QLineEdit* connectionEdit_ = nullptr;
    QLineEdit* broadcastEdit_ = nullptr;
};

} // namespace kyv
