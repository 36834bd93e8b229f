#include "ui/dialog_services.h"

#include <QFileDialog>

namespace kyv {
namespace {

QString chooseFileWithDialog(QWidget* parent, const QString& filter)
{
    // The chosen file must exist; nothing in the dialog offers to open it read-only.
    QFileDialog dialog(parent, QObject::tr("Open"), QString(), filter);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

QMessageBox::StandardButton showMessageBox(QWidget* parent, QMessageBox::Icon icon, const QString& caption,
                                           const QString& text, QMessageBox::StandardButtons buttons)
{
    QMessageBox box(icon, caption, text, buttons, parent);
    // A worker's question warns before something risky: Enter alone must not say Yes.
    if (buttons.testFlag(QMessageBox::No))
        box.setDefaultButton(QMessageBox::No);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

QString chooseFolderWithDialog(QWidget* parent, const QString& prompt)
{
    return QFileDialog::getExistingDirectory(parent, prompt, QString(), QFileDialog::ShowDirsOnly);
}

std::tm localTimeNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

} // namespace

DialogServices systemDialogServices()
{
    DialogServices services;
    services.chooseFile = chooseFileWithDialog;
    services.showMessage = showMessageBox;
    services.chooseFolder = chooseFolderWithDialog;
    services.inspectDrive = [](const std::filesystem::path& folder) { return DriveInspector().inspect(folder); };
    services.localTime = localTimeNow;
    services.portProbe = makeSystemPortProbe();
    services.findWorker = [](WorkerRoute route) -> WorkerFunction {
        WorkerProcedure procedure = workerProcedure(route);
        if (procedure == nullptr)
            return {};
        return procedure;
    };
    return services;
}

} // namespace kyv
