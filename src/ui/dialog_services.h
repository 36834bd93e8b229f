#pragma once
// What the main dialog asks of the outside world, each replaceable so the dialog can be
// driven in tests without a person in front of it: the file-open and folder dialogs,
// message boxes, the port probe, the worker procedures, the drive check and the clock of
// the firmware folder utility.

#include "core/catalogue.h"
#include "core/dispatch.h"
#include "core/usb_memory/drive_check.h"
#include "download/workers.h"
#include "ui/port_detection.h"

#include <QMessageBox>
#include <QString>

#include <ctime>
#include <filesystem>
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
    // Shows a folder picker with the prompt; returns the chosen folder, empty when cancelled.
    std::function<QString(QWidget* parent, const QString& prompt)> chooseFolder;
    // The kind of drive holding a folder and its file system.
    std::function<DriveFacts(const std::filesystem::path& folder)> inspectDrive;
    // The local time that names a firmware folder.
    std::function<std::tm()> localTime;
    std::unique_ptr<PortProbe> portProbe;
    // The procedure for a worker; empty while this build has none.
    std::function<WorkerFunction(WorkerRoute)> findWorker;
    // Where the log header's operating-system name comes from.
    std::string osReleasePath = "/etc/os-release";
};

// The real ones: QFileDialog, QMessageBox, sysfs detection, the download layer's workers,
// the mount table and the system clock.
DialogServices systemDialogServices();

} // namespace kyv
