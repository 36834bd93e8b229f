#pragma once
// How the printer answered the mode query: the 0/1/2 of CFlashCmd::queryPrinterMode, named
// inside the download procedures.

namespace kyv {

enum class PrinterMode {
    Online = 0,       // it answers in online mode
    DownloadMode = 1, // it answers only in its download (IPL) mode
    NoAnswer = 2,
};

// The mode query's value as the mode it names; anything else is no answer.
inline PrinterMode printerModeOf(int queried)
{
    switch (queried) {
    case 0: return PrinterMode::Online;
    case 1: return PrinterMode::DownloadMode;
    default: return PrinterMode::NoAnswer;
    }
}

} // namespace kyv
