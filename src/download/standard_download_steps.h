#pragma once
// The steps of the standard download, one function each, in the order they run.

#include "download/image_layout.h"
#include "download/standard_download.h"

namespace kyv {

// Step 6: the printer is told to enter its download mode and restarts; with port
// detection it is looked for again under the identity it comes back with.
ResultCode switchToDownloadMode(StandardDownload& job);
// Step 7: the line is reopened and the download-mode query repeated until it answers.
ResultCode findPrinterInDownloadMode(StandardDownload& job);
// The download-mode query (1D 01), up to 30 times; 1009 after the 30th. After the switch
// to download mode each attempt is logged and a failed one is followed by a second's
// pause; after the boot sector the attempts follow one another at once, unlogged.
ResultCode pollDownloadMode(StandardDownload& job, bool afterSwitch);

// Steps 8 and 9: every sector of the list.
ResultCode downloadSectors(StandardDownload& job, const ImageLayout& layout);
// Step 10: the printer recalculates the CRC of its main firmware or boot program.
ResultCode recalculateImageCrc(StandardDownload& job);
// Step 11: the printer is reset into its new firmware.
ResultCode resetPrinter(StandardDownload& job);

} // namespace kyv
