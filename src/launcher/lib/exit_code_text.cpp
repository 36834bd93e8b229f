#include "launcher/lib/exit_code_text.h"

#include <algorithm>
#include <iterator>
#include <string_view>

namespace kyv::launcher {
namespace {

struct CodeText {
    ResultCode code;
    std::string_view text;
};

// Sorted by code.
constexpr CodeText kConsoleTexts[] = {
    {0, "Download successfully completed!"},
    {259, "Terminated after reach ErrorTimeOut parameter"},
    {1001, "Cannot erase a sector!"},
    {1002, "Cannot select a sector!"},
    {1003, "Timeout while sending data block!"},
    {1004, "Cannot acknowledge printer! Please check your interface setting"},
    {1005, "Different CRC detected!"},
    {1006, "Cannot recalculate CRC!"},
    {1007, "Unable to open file!"},
    {1008, "Insufficient memory for data buffer!"},
    {1009, "Communication interface busy!"},
    {1010, "Cannot switch printer to flash download mode!"},
    {1011, "Cannot reset printer!"},
    {1012, "Unrecognized download type set!"},
    {1013, "Illegal COM port set!"},
    {1014, "Illegal parity set!"},
    {1015, "Illegal baud rate set!"},
    {1016, "Illegal stop bit set!"},
    {1017, "Unable to get serial port handle!"},
    {1018, "Unable to set serial port properties!"},
    {1019, "Too few / many command line parameters!"},
    {1020, "Invalid binary data file!"},
    {1021, "/? detected!"},
    {1022, "Unable to update window text!"},
    {1023, "Unable to show progress bar!"},
    {1024, "Data file error!"},
    {1025, "Insufficient memory!"},
    {1026, "Unrecognized product model set!"},
    {1027, "Application was terminated by Exit button!"},
    {1028, "Unable to get printer actual baud rate!"},
    {1029, "Mismatch between download type and file selected!"},
    {1030, "Unable to get printer model number!\n Please Check Connection!"},
    {1031, "Download was cancelled due to the download file not support for this printer!"},
    {1032, "invalid parameter for skipping/non-skipping model number!"},
    {1033, "invalid parameter for printing/non-printing printer!"},
    {1034, "Initial/Boot file extension mismatch!"},
    {1035, "Initial/Boot file length exceeded 32KB!"},
    {1036, "Initial/Boot file information incorrect!"},
    {1037, "Error setting Fenn II download mode!"},
    {1038, "No printer is detected through USB Interface!"},
    {1039, "Can not reconnect as CPMI Device!"},
    {1040, "Can not reconnect through USB interface!"},
    {1041, "The Printer model does not match the selected model!"},
    {1042, "No printer is detected through Parallel Interface!"},
    {1043, "No printer is detected through Communication Port!\nOr wrong baud rate setting"},
    {1044, "Clear the download area fail"},
    {1045, "Download Fail!"},
    {1046, "Uplaod file fail!"},
    {1047, "Can not Open FTP server!"},
    {1048, "Can not connect to FTP server!"},
    {1049, "Select Sector acknowledge fail!"},
    {1050, "Insufficient file size!"},
    {1051, "CRC acknowledge fail!"},
    {1052, "CRC is not correct!"},
    {1054, "Can not get printer IP address"},
    {1055, "Can not get MAC Address"},
    {1056, "Socket Open Failed."},
    {1057, "Socket Data Sending Failed."},
    {1058, "Cannot Get Printer Firmware Version."},
    {1060, "This DFN file is Not supported in 4MB Model printer"},
    {1061, "Main Firmware version not supported to flash this DFN file"},
    {1200, "Invalid parameter for Model Number!"},
    {1201, "Invalid parameter for Download Type!"},
    {1202, "Invalid parameter for Interface Type!"},
    {1203, "Invalid parameter for IP Address!"},
    {1204, "Invalid parameter for Baud Rate!"},
    {1205, "Invalid parameter for Parity!"},
    {1206, "Invalid parameter for Stop Bits!"},
    {1207, "Invalid File Name!"},
    {1208, "Invalid paramater for Check Model option!"},
    {1209, "Invalid parameter for Print option!"},
    {1210, "No enough arguments! Please open KyvFlash.com for more detail information"},
    {1211, "The selected model is not correct!"},
    {1212, "Parameter is error, please check the Print option, Status option or Errortimeout option!"},
    {1401, "Cannot Swap IBM USB Firmware"},
    {1402, "IBM USB Swap Memory Command Rejected"},
    {1501, "CPMI Device not found!"},
    {1503, "Error to get PRTR Handle!"},
    {1504, "Please Make Sure Printer is in Online Mode!"},
    {1505, "Illegal Parameter!!"},
    {1506, "File Size Mismatch!"},
    {1507, "Wrong Firmware File!"},
    {1508, "Fail writing into flash memory!"},
    {1509, "CRC mismatch!"},
    {1510, "Unable to scan device!"},
    {1511, "Unable to open device!"},
};

static_assert(std::is_sorted(std::begin(kConsoleTexts), std::end(kConsoleTexts),
                             [](const CodeText& a, const CodeText& b) { return a.code < b.code; }));

} // namespace

std::string exitCodeText(ResultCode code)
{
    auto found = std::lower_bound(std::begin(kConsoleTexts), std::end(kConsoleTexts), code,
                                  [](const CodeText& entry, ResultCode c) { return entry.code < c; });
    if (found != std::end(kConsoleTexts) && found->code == code)
        return std::string(found->text);
    return "Unknown exit code = " + std::to_string(code);
}

} // namespace kyv::launcher
