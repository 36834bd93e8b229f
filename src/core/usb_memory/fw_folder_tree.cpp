#include "core/usb_memory/fw_folder_tree.h"

#include "core/clock.h"
#include "core/usb_memory/drive_check.h"
#include "core/usb_memory/file_copy.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace kyv {

const std::array<const char*, kFwSlotCount> kFwSlotNames{"IPL", "MAIN", "SBCS", "DBCS", "TABLE", "CONFIG"};

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr const char* kSpecialFolder = "Special_10to11";
constexpr const char* kInformation = "Information";
// The printer looks for its files only after the stick's folders have settled.
constexpr ProtocolMs kBeforeReport = 1000ms;

struct Failure {
    std::string text;
};

// The box text names what failed and why below the message itself.
Failure failure(const std::string& message, const fs::path& what, int error)
{
    return {message + "\n" + what.string() + ": " + std::strerror(error)};
}

int makeFolder(const fs::path& folder) { return ::mkdir(folder.c_str(), 0755) == 0 ? 0 : errno; }

std::string modelFolderName(const std::string& model) { return model + "STD"; }

// Creates folder/name and copies source into it; the failure box when either fails.
bool writeOne(const fs::path& modelFolder, const std::string& name, const std::string& source,
              const std::string& createFailed, const std::string& copyFailed, Failure& out)
{
    const fs::path folder = modelFolder / name;
    if (int error = makeFolder(folder)) {
        out = failure(createFailed, folder, error);
        return false;
    }
    if (int error = copyFileInto(source, folder, fs::path(source).filename().string())) {
        out = failure(copyFailed, source, error);
        return false;
    }
    return true;
}

enum class SpecialTree { Written, Declined };

// Special_10to11 made new (replacing the old one when the technician agrees).
bool makeSpecialFolder(const fs::path& folder, const std::function<bool()>& overwrite, SpecialTree& tree,
                       Failure& out)
{
    const int error = makeFolder(folder);
    if (error == ENOENT) {
        out = failure("Create Special Folder Directory failed. Path No Found", folder, error);
        return false;
    }
    if (error != 0 && error != EEXIST) {
        out = failure("Create Special Folder Directory failed", folder, error);
        return false;
    }
    tree = SpecialTree::Written;
    if (error == 0)
        return true;
    if (!overwrite()) {
        tree = SpecialTree::Declined;
        return true;
    }
    // Depth first; a symbolic link inside is removed itself, never what it points to.
    std::error_code removeError;
    fs::remove_all(folder, removeError);
    if (removeError) {
        out = failure("Overwriting file Failed", folder, removeError.value());
        return false;
    }
    if (int again = makeFolder(folder)) {
        out = failure("Create Special Folder Directory failed", folder, again);
        return false;
    }
    return true;
}

FwFolderReport failed(const Failure& f) { return {false, f.text, {}}; }

} // namespace

std::string incompleteChoiceText(const FwFolderChoice& choice)
{
    if (choice.twoStage) {
        const bool complete = !choice.special.empty() && !choice.files[kFwIpl].empty() &&
                              !choice.files[kFwMain].empty() && !choice.files[kFwSbcs].empty() &&
                              !choice.files[kFwDbcs].empty() && !choice.files[kFwTable].empty();
        return complete ? std::string() : "Please Fill in All Firmware for Updating 1.0FW to 1.1FW !!";
    }
    for (const std::string& file : choice.files)
        if (!file.empty())
            return {};
    return choice.special.empty() ? "No Firmware file selected !!" : std::string();
}

std::string driveRefusalText(DriveVerdict verdict)
{
    switch (verdict) {
    case DriveVerdict::GoOn:
        return {};
    case DriveVerdict::Undetermined:
        return "The drive type cannot be determined. Please select another location";
    case DriveVerdict::NotFat:
        return "The USB Drive system is not 'FAT'. Please format the USB drive to 'FAT'";
    }
    return {};
}

std::string timeFolderName(const std::tm& t)
{
    char text[32];
    std::snprintf(text, sizeof text, "%04i%02i%02i%02i%02i%02i", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday,
                  t.tm_hour, t.tm_min, t.tm_sec);
    return text;
}

FwFolderReport writeFwFolder(const FwFolderChoice& choice, const fs::path& target, const std::string& stamp,
                             const std::function<bool()>& overwriteSpecialFolder)
{
    const fs::path timeFolder = target / stamp;
    const fs::path modelFolder = timeFolder / modelFolderName(choice.model);
    // A time folder that exists already (a run in the same second) is never written into.
    if (int error = makeFolder(timeFolder))
        return failed(failure("Create Time Directory failed", timeFolder, error));
    if (int error = makeFolder(modelFolder))
        return failed(failure("Create Model Directory failed", modelFolder, error));

    Failure f;
    fs::path filesFolder = modelFolder;
    SpecialTree special = SpecialTree::Written;
    const fs::path specialFolder = target / kSpecialFolder;
    if (choice.twoStage) {
        if (!choice.special.empty() &&
            !writeOne(modelFolder, "MAIN", choice.special, "Create Special MAIN Directory failed",
                      "Copy Special FW to MAIN Directory failed", f))
            return failed(f);
        if (!makeSpecialFolder(specialFolder, overwriteSpecialFolder, special, f))
            return failed(f);
        if (special == SpecialTree::Written) {
            filesFolder = specialFolder / modelFolderName("R453");
            if (int error = makeFolder(filesFolder))
                return failed(failure("Create Model in Special Directory failed", filesFolder, error));
        }
    }
    if (!choice.twoStage || special == SpecialTree::Written) {
        for (int slot = 0; slot < kFwSlotCount; ++slot) {
            const std::string& file = choice.files[static_cast<size_t>(slot)];
            const std::string name = kFwSlotNames[static_cast<size_t>(slot)];
            if (!file.empty() && !writeOne(filesFolder, name, file, "Create " + name + " Directory failed",
                                           "Copy FW to " + name + " Directory failed", f))
                return failed(f);
        }
        if (choice.model == "R243" && !choice.special.empty() &&
            !writeOne(filesFolder, "SDBCS", choice.special, "Create SDBCS Directory failed",
                      "Copy FW to SDBCS Directory failed", f))
            return failed(f);
    }

    sleepFor(kBeforeReport);
    const std::string written = "Created special Main Firmware folder successfully in " + timeFolder.string();
    if (choice.twoStage && special == SpecialTree::Written)
        return {true, written + "\r\n and 1.1 FW Folder in " + specialFolder.string(), kInformation};
    if (choice.twoStage)
        return {true, written, {}};
    return {true, "Created Firmware Folder successfully in " + timeFolder.string(), kInformation};
}

} // namespace kyv
