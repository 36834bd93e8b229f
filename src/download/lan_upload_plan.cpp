#include "download/lan_upload_plan.h"

namespace kyv {
namespace {

constexpr const char* kR451Lan = "R451-2XX8/3XX8/4XX8/6XX8";
constexpr const char* kR452Lan = "R452-1X73/2X73";
constexpr size_t kFirstPartBytes = 1048576;

LanUploadPlan whole(const char* remote, const char* label, uint8_t code)
{
    LanUploadPlan plan;
    plan.parts[0].remoteName = remote;
    plan.crcLabel = label;
    plan.crcCode = code;
    return plan;
}

LanUploadPlan split(const char* remote1, const char* remote2, const char* local1, const char* local2,
                    size_t secondBytes, const char* label, uint8_t code)
{
    LanUploadPlan plan = whole(remote1, label, code);
    plan.partCount = 2;
    plan.parts[0] = {remote1, local1, 0, kFirstPartBytes};
    plan.parts[1] = {remote2, local2, kFirstPartBytes, secondBytes};
    return plan;
}

} // namespace

FtpSignIn ftpSignInFor(const std::string& model)
{
    if (model == kR451Lan)
        return {"KyvFlashR451L", "anonymous", "48x5kvd"};
    if (model == kR452Lan)
        return {"KyvFlashR", "anonymous", "4862kvd"};
    return {};
}

std::optional<LanUploadPlan> lanUploadPlan(const ModelInfo& row)
{
    const int sector = row.job.startSector;
    if (sector == row.iplSector)
        return whole("IPL01_01.IPL", "BOOT F/W CRC:  ", 0x07);
    if (sector == row.iplLanSector)
        return whole("IPL02_01.LAN", "IPL_LAN CRC: ", 0x08);
    if (sector == row.sbcsSector)
        return whole("SBCS1_01.sfn", "", 0);
    if (sector == row.mainSector) {
        if (row.displayName != kR451Lan)
            return whole("Main1_01.mfw", "FLASH F/w CRC:  ", 0x0F);
        LanUploadPlan plan =
            split("Main1_01.mfw", "Main1_02.mfw", "mfwFile1.mfw", "mfwFile2.mfw", 131072, "FLASH F/w CRC:  ", 0x0F);
        plan.sectorsBy16 = true;
        return plan;
    }
    if (sector == row.dbcsSector) {
        LanUploadPlan plan = split("DBCS1_01.dfn", "DBCS1_02.dfn", "File1.mfw", "File2.mfw", 262144, "", 0);
        plan.sectorsBy16 = true;
        return plan;
    }
    return std::nullopt;
}

uint8_t lanPartSector(const LanUploadPlan& plan, int startSector, int part)
{
    return static_cast<uint8_t>(startSector + (plan.sectorsBy16 ? 16 * part : part));
}

} // namespace kyv
