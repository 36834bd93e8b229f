#include "download/local_download_run.h"

#include <array>

namespace kyv {

namespace {

constexpr std::array<uint8_t, 3> kQueryUsu{0x1F, 0x12, 0x5F};
constexpr std::array<uint8_t, 3> kUsuOff{0x1D, 0x1F, 0x00};
constexpr std::array<uint8_t, 3> kUsuOn{0x1D, 0x1F, 0x01};

} // namespace

// USU must be off while R453 and R243 take a download in online mode.
ResultCode LocalDownloadRun::switchUsuOff()
{
    if (!usesOnlineModeDownload())
        return rc::Success;
    uint8_t answer = 0;
    if (!cmd_.sendRaw(kQueryUsu) || !cmd_.read(&answer, 1) || cmd_.bytesRead() != 1)
        return rc::BlockTimeout;
    if (answer != 1)
        return rc::Success; // already off
    if (!cmd_.sendRaw(kUsuOff))
        return rc::BlockTimeout;
    usuSwitchedOff_ = true;
    return rc::Success;
}

ResultCode LocalDownloadRun::switchUsuOn()
{
    if (!usuSwitchedOff_ || job_.interfaceKind == kIbmUsb || !r453OrR243() || printerMode_ != PrinterMode::Online)
        return rc::Success;
    report_.log("Enabling USU....");
    if (!cmd_.sendRaw(kUsuOn))
        return rc::BlockTimeout;
    usuSwitchedOff_ = false;
    return rc::Success;
}

void LocalDownloadRun::switchUsuOnAfterFailure()
{
    if (!usuSwitchedOff_ || !r453OrR243() || printerMode_ != PrinterMode::Online)
        return;
    report_.log("Changing USU....");
    if (cmd_.sendRaw(kUsuOn))
        usuSwitchedOff_ = false;
}

} // namespace kyv
