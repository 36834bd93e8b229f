#include "download/local_download_run.h"

#include "core/download_type.h"
#include "download/download_pause.h"
#include "download/image_layout.h"
#include "download/model_family.h"
#include "download/model_number_check.h"
#include "download/online_mode_download.h"
#include "download/printf_text.h"
#include "download/serial_reopen.h"
#include "download/standard_download.h"
#include "protocol/image_file_reader.h"
#include "protocol/printer_notices.h"

#include <array>
#include <cstring>
#include <filesystem>

namespace kyv {

namespace {

// A file whose presence in the start-up directory lets a technician flash a printer whose model
// number does not fit the selected model, after a question.
constexpr const char* kMismatchOverrideFile = "BrevantConfig.ini";

} // namespace

ResultCode LocalDownloadRun::readImage()
{
    image_.clear();
    ImageFileReader file;
    if (!file.open(job_.filePath))
        return rc::CannotOpenFile;
    // The signature and the layout need only the first bytes and the length, so an image
    // the model cannot take is refused before a buffer of its size is asked for.
    std::array<uint8_t, kImageLayoutHeaderBytes> headerBytes{};
    const long long got = file.read(headerBytes.data(), headerBytes.size());
    if (got < 0)
        return rc::CannotOpenFile;
    const std::span<const uint8_t> header(headerBytes.data(), static_cast<size_t>(got));
    const bool firmware = job_.downloadTypeCode == downloadTypeCode(dt::kIplFirmware) ||
                          job_.downloadTypeCode == downloadTypeCode(dt::kMainFirmware);
    if (row_.imageSignature != 0 && job_.interfaceKind != kIbmUsb && firmware &&
        (header.empty() || header.front() != static_cast<uint8_t>(row_.imageSignature)))
        return rc::WrongFirmwareFile;
    // An image that does not fit the model's flash from its start sector is refused before
    // anything reaches the printer.
    ImageLayout layout;
    const bool bootImage = job_.startSector == row_.iplSector;
    const ImageLayoutRequest request{&row_, job_.startSector, bootImage, job_.interfaceKind == kIbmUsb};
    if (ResultCode code = layOutImage(request, file.length(), header, layout))
        return code;
    return file.readAll(image_);
}

ResultCode LocalDownloadRun::openInterface()
{
    switch (job_.interfaceKind) {
    case kSerialPort:
        if (!openSerialLine(cmd_, job_)) {
            // Why the line would not open (no such port, held by another program, no
            // permission) is what the technician needs first.
            if (cmd_.lastOpenError() != 0)
                report_.log(printfText("Cannot open %s: %s", job_.interfaceName.c_str(),
                                       std::strerror(cmd_.lastOpenError())));
            return rc::NoAcknowledge;
        }
        break;
    case kUsbReportDevice:
        if (!cmd_.selectReportDevice(kUsbReportDevice, cmd_.usb().usageSelector))
            return rc::NoAcknowledge;
        break;
    case kIbmUsb:
        // The port of this kind opens even while no printer is found; one that is not found
        // is looked for once more.
        if (!openIbmUsbDevice() && !openIbmUsbDevice())
            return rc::NoAcknowledge;
        break;
    case kUsbDeviceClass:
        return identifyCpmiPrinter();
    default:
        return rc::NoAcknowledge;
    }
    return queryPrinterMode(rc::NoAcknowledge);
}

// The printer on the CPMI interface tells its mode by its product id: online on its NHPI
// report device or as a USB printer-class device, or in its boot program; one in IBM USB
// mode is driven as IBM USB from here on.
ResultCode LocalDownloadRun::identifyCpmiPrinter()
{
    const std::optional<CpmiDevice> found = cmd_.findCpmiPrinter();
    if (!found) {
        report_.step("CPMI Device not found!");
        return rc::CpmiNotFound;
    }
    switch (found->productClass) {
    case CpmiClass::IbmUsb:
        job_.interfaceKind = kIbmUsb;
        job_.interfaceName = "IBM USB";
        if (!openIbmUsbDevice() && !openIbmUsbDevice())
            return rc::NoAcknowledge;
        return queryPrinterMode(rc::NoAcknowledge);
    case CpmiClass::Ipl:
        printerMode_ = PrinterMode::DownloadMode;
        break;
    case CpmiClass::PrinterClass:
        job_.usbClassPrtr = 1;
        printerMode_ = PrinterMode::Online;
        break;
    default:
        job_.usbClassPrtr = 0;
        printerMode_ = PrinterMode::Online;
        break;
    }
    cpmiPath_ = true;
    switch (cmd_.attachPrinterClass(found->productClass != CpmiClass::PrinterClass)) {
    case 0: break;
    case 1: return rc::CannotScanDevice;
    default: return rc::CannotOpenDevice;
    }
    cmd_.setReadTimeout(10000);
    return rc::Success;
}

bool LocalDownloadRun::openIbmUsbDevice()
{
    return cmd_.open(kIbmUsb, job_.interfaceName) && cmd_.hasReportLink();
}

ResultCode LocalDownloadRun::queryPrinterMode(ResultCode silentPrinter)
{
    cmd_.setReadTimeout(10000);
    return askPrinterMode(silentPrinter);
}

ResultCode LocalDownloadRun::askPrinterMode(ResultCode silentPrinter)
{
    printerMode_ = printerModeOf(cmd_.queryPrinterMode());
    return printerMode_ == PrinterMode::NoAnswer ? silentPrinter : rc::Success;
}

ResultCode LocalDownloadRun::checkVersionAndModel()
{
    if (job_.checkModel != 1 || printerMode_ != PrinterMode::Online)
        return rc::Success;
    report_.step("Getting Printer Version...");
    std::string version;
    if (!cmd_.queryVersionReport(version))
        return rc::NoFirmwareVersion;
    report_.log(version);

    report_.step("Checking printer model number..(Step 2)");
    std::string printerModel;
    if (!cmd_.queryModelNumber(printerModel))
        return rc::NoModelNumber;
    if (modelNumberMismatch(row_.family, row_.displayName, printerModel))
        return confirmModelMismatch(printerModel);
    return rc::Success;
}

ResultCode LocalDownloadRun::confirmModelMismatch(const std::string& printerModel)
{
    // An unattended run never asks; without the override file nobody is asked.
    if (job_.commandLineMode)
        return rc::SelectedModelNotCorrect;
    std::error_code error;
    if (!std::filesystem::exists(std::filesystem::path(job_.workDir) / kMismatchOverrideFile, error))
        return rc::SelectedModelNotCorrect;
    const std::string question =
        printfText("Current printer model is %s , but the selected model is %s!\nDo you want to continue download ?",
                   printerModel.c_str(), row_.displayName.c_str());
    return events_.askYesNo(question, kApplicationName) ? rc::Success : rc::SelectedModelNotCorrect;
}

bool LocalDownloadRun::usesOnlineModeDownload() const
{
    return r453OrR243() && printerMode_ == PrinterMode::Online && !(row_.family == "R243" && job_.interfaceKind == kIbmUsb);
}

ResultCode LocalDownloadRun::transfer()
{
    if (usesOnlineModeDownload()) {
        OnlineModeDownload download{row_, job_, cmd_, report_, image_};
        download.printerMode = printerMode_;
        download.cpmi = cpmiPath_;
        ResultCode code = RunOnlineModeDownload(download);
        printerMode_ = download.printerMode;
        userAreaErased_ = download.userAreaErased;
        if (download.detectedUsbType)
            detectedUsbType_ = download.detectedUsbType;
        if (code >= 1)
            return code;
        std::vector<uint8_t>().swap(image_);
        return rc::Success;
    }
    if (r453OrR243() && printerMode_ == PrinterMode::DownloadMode && job_.downloadTypeCode == downloadTypeCode(dt::kConfigurationTable))
        return rc::PrinterNotOnline;

    StandardDownload download{row_, cmd_, report_, image_};
    download.startSector = job_.startSector;
    download.mainFirmware = job_.startSector == row_.mainSector;
    download.bootFirmware = job_.startSector == row_.iplSector;
    download.printerMode = printerMode_;
    download.portDetection = job_.portDetection;
    download.pidList = pidList_;
    ResultCode code = RunStandardDownload(download);
    printerMode_ = download.printerMode;
    if (code >= 1)
        return code;
    if (download.bootFirmware)
        crcText_ = printfText("%s%04X", "BOOT F/W CRC:  ", download.printerCrc);
    else if (download.mainFirmware)
        crcText_ = printfText("%s%04X", "FLASH F/w CRC:  ", download.printerCrc);
    // The image is on the printer; its buffer is not needed any more.
    std::vector<uint8_t>().swap(image_);
    return rc::Success;
}

} // namespace kyv
