#pragma once
// The printer's download area: a scratch folder its FTP server writes into. The printer
// takes the file uploaded last out of it when it is told where in flash to put it.

#include "sim/lib/printer/printer_model.h"

#include <optional>
#include <string>

namespace kyv::sim {

class DownloadAreaFolder {
public:
    DownloadAreaFolder() = default;
    ~DownloadAreaFolder() { remove(); }
    DownloadAreaFolder(const DownloadAreaFolder&) = delete;
    DownloadAreaFolder& operator=(const DownloadAreaFolder&) = delete;

    // A fresh folder below $TMPDIR (or /tmp). False with errorText() when none can be made.
    bool create();
    // The folder and all it holds.
    void remove();
    const std::string& path() const { return path_; }
    const std::string& errorText() const { return error_; }
    // The newest file, read and removed; nullopt when the folder holds none.
    std::optional<UploadedImage> takeNewest();

private:
    std::string path_;
    std::string error_;
};

} // namespace kyv::sim
