#pragma once
// Result codes: every job ends with exactly one. 0 is success; the numbers are what
// scripts, logs and the launcher's table know, so they never change.

namespace kyv {

using ResultCode = int;

namespace rc {
inline constexpr ResultCode Success = 0;
inline constexpr ResultCode StoppedAtTimeLimit = 259; // launcher only
inline constexpr ResultCode CannotErase = 1001;
inline constexpr ResultCode CannotSelect = 1002;
inline constexpr ResultCode BlockTimeout = 1003;
inline constexpr ResultCode NoAcknowledge = 1004;
inline constexpr ResultCode CrcDifferent = 1005;
inline constexpr ResultCode CannotRecalculateCrc = 1006;
inline constexpr ResultCode CannotOpenFile = 1007;
inline constexpr ResultCode NoMemoryForBuffer = 1008;
inline constexpr ResultCode InterfaceBusy = 1009;
inline constexpr ResultCode CannotSwitchToDownload = 1010;
inline constexpr ResultCode CannotReset = 1011;
inline constexpr ResultCode UnknownDownloadType = 1012;
inline constexpr ResultCode IllegalComPort = 1013;
inline constexpr ResultCode IllegalParity = 1014;
inline constexpr ResultCode IllegalBaudRate = 1015;
inline constexpr ResultCode IllegalStopBit = 1016;
inline constexpr ResultCode NoPortHandle = 1017;
inline constexpr ResultCode CannotSetPortProperties = 1018;
inline constexpr ResultCode WrongParameterCount = 1019;
inline constexpr ResultCode InvalidImage = 1020;
inline constexpr ResultCode HelpRequested = 1021;
inline constexpr ResultCode CannotUpdateWindowText = 1022;
inline constexpr ResultCode CannotShowProgress = 1023;
inline constexpr ResultCode DataFileError = 1024;
inline constexpr ResultCode NoMemory = 1025;
inline constexpr ResultCode UnknownModel = 1026;
inline constexpr ResultCode ExitButton = 1027;
inline constexpr ResultCode NoBaudRate = 1028;
inline constexpr ResultCode TypeFileMismatch = 1029;
inline constexpr ResultCode NoModelNumber = 1030;
inline constexpr ResultCode FileNotForPrinter = 1031;
inline constexpr ResultCode BadSkipParameter = 1032;
inline constexpr ResultCode BadPrintParameter = 1033;
inline constexpr ResultCode BootExtensionMismatch = 1034;
inline constexpr ResultCode BootTooLong = 1035;
inline constexpr ResultCode BootInfoIncorrect = 1036;
inline constexpr ResultCode FennModeError = 1037;
inline constexpr ResultCode NoUsbPrinter = 1038;
inline constexpr ResultCode CannotReconnectCpmi = 1039;
inline constexpr ResultCode CannotReconnectUsb = 1040;
inline constexpr ResultCode ModelMismatch = 1041;
inline constexpr ResultCode NoParallelPrinter = 1042;
inline constexpr ResultCode NoSerialPrinter = 1043;
inline constexpr ResultCode ClearDownloadAreaFailed = 1044;
inline constexpr ResultCode DownloadFailed = 1045;
inline constexpr ResultCode UploadFailed = 1046;
inline constexpr ResultCode CannotOpenFtp = 1047;
inline constexpr ResultCode CannotConnectFtp = 1048;
inline constexpr ResultCode SelectAckFailed = 1049;
inline constexpr ResultCode InsufficientFileSize = 1050;
inline constexpr ResultCode CrcAckFailed = 1051;
inline constexpr ResultCode CrcIncorrect = 1052;
inline constexpr ResultCode PortMismatchCancelled = 1053;
inline constexpr ResultCode NoPrinterIp = 1054;
inline constexpr ResultCode NoMacAddress = 1055;
inline constexpr ResultCode SocketOpenFailed = 1056;
inline constexpr ResultCode SocketSendFailed = 1057;
inline constexpr ResultCode NoFirmwareVersion = 1058;
inline constexpr ResultCode NoSubnetMask = 1059;
inline constexpr ResultCode DfnNotFor4MB = 1060;
inline constexpr ResultCode MainFirmwareTooOldForDfn = 1061;
inline constexpr ResultCode BadModelArgument = 1200;
inline constexpr ResultCode BadDownloadTypeArgument = 1201;
inline constexpr ResultCode BadInterfaceArgument = 1202;
inline constexpr ResultCode BadIpArgument = 1203;
inline constexpr ResultCode BadBaudArgument = 1204;
inline constexpr ResultCode BadParityArgument = 1205;
inline constexpr ResultCode BadStopBitsArgument = 1206;
inline constexpr ResultCode BadFileArgument = 1207;
inline constexpr ResultCode BadCheckModelArgument = 1208;
inline constexpr ResultCode BadPrintArgument = 1209;
inline constexpr ResultCode TooFewArguments = 1210;
inline constexpr ResultCode SelectedModelNotCorrect = 1211;
inline constexpr ResultCode BadOptionArgument = 1212;
inline constexpr ResultCode HidTransferNotAcknowledged = 1300;
inline constexpr ResultCode HidIdentifyFailed = 1303;
inline constexpr ResultCode IbmUsbSwapFailed = 1401;
inline constexpr ResultCode IbmUsbSwapRejected = 1402;
inline constexpr ResultCode CpmiNotFound = 1501;
inline constexpr ResultCode NoPrtrHandle = 1503;
inline constexpr ResultCode PrinterNotOnline = 1504;
inline constexpr ResultCode IllegalParameter = 1505;
inline constexpr ResultCode FileSizeMismatch = 1506;
inline constexpr ResultCode WrongFirmwareFile = 1507;
inline constexpr ResultCode FlashWriteFailed = 1508;
inline constexpr ResultCode CrcMismatch = 1509;
inline constexpr ResultCode CannotScanDevice = 1510;
inline constexpr ResultCode CannotOpenDevice = 1511;
} // namespace rc

} // namespace kyv
