#pragma once
// What the main dialog asks of the outside world, each replaceable so the dialog can be
// driven in tests without a person in front of it: the file-open dialog, message boxes,
// the port probe and the worker procedures.

#include "core/catalogue.h"
#include "core/dispatch.h"
#include "download/workers.h"
#include "ui/port_detection.h"

#include <QMessageBox>
#include <QString>

#include <functional>
#include <memory>
#include <string>

class QWidget;

namespace kyv {

struct DialogServices {
    // Shows a file-open dialog with the filter ("Name (*.ext)"); returns the full path of the
    // chosen file, empty when cancelled.
    std::function<QString(QWidget* parent, const QString& filter)> chooseFile;
    // Shows a message box; returns the button pressed.
    std::function<QMessageBox::StandardButton(QWidget* parent, QMessageBox::Icon icon, const QString& caption,
                                              const QString& text, QMessageBox::StandardButtons buttons)>
        showMessage;
    std::unique_ptr<PortProbe> portProbe;
    // The procedure for a worker; empty while this build has none.
    std::function<WorkerFunction(WorkerRoute)> findWorker;
    // Where the log header's operating-system name comes from.
    std::string osReleasePath = "/etc/os-release";
};

// The real ones: QFileDialog, QMessageBox, sysfs detection, the download layer's workers.
DialogServices systemDialogServices();

} // namespace kyv
