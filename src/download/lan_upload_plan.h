#pragma once
// What a network printer's FTP download of one image looks like: the FTP sign-in of the
// model, the names the printer expects in its download area, the CRC query of the image
// kind, and whether the image goes up in two parts (the printer's area is smaller than
// the image). Pure data: the part files themselves are made by the download.

#include "core/catalogue.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace kyv {

struct FtpSignIn {
    std::string clientName;
    std::string user;
    std::string password;
};

struct LanImagePart {
    std::string remoteName;
    std::string localName; // the part file in the start-up directory; empty: the whole file
    size_t offset = 0;
    size_t size = 0;
};

struct LanUploadPlan {
    LanImagePart parts[2];
    int partCount = 1;
    std::string crcLabel; // empty: the printer tells no CRC of this kind
    uint8_t crcCode = 0;
    bool sectorsBy16 = false; // the second part goes 16 sectors further
};

FtpSignIn ftpSignInFor(const std::string& model);

// The plan for the job's image kind (its start sector among the model's sectors); nullopt
// when the sector names no kind the printer takes over FTP.
std::optional<LanUploadPlan> lanUploadPlan(const ModelInfo& row);

// The sector of part p, in the printer's one-byte sector numbers.
uint8_t lanPartSector(const LanUploadPlan& plan, int startSector, int part);

} // namespace kyv
