// Feeds arbitrary bytes to the HID report-descriptor parser, and for every descriptor it
// takes, reads and writes every field it claims in reports of exactly the claimed lengths
// (and one byte short): nothing may read or write outside a buffer.

#include "transport/usb/hid_descriptor.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

void exercise(const kyv::HidCollectionView& view)
{
    for (int k = 0; k < 3; ++k) {
        const auto kind = static_cast<kyv::HidReportKind>(k);
        for (const auto& report : view.reports[k]) {
            for (size_t length : {report.bytes, report.bytes - 1}) {
                std::vector<uint8_t> buffer(length);
                kyv::initializeReport(buffer, report.reportId);
                for (const kyv::HidField& field : view.fields) {
                    if (field.kind != kind || field.reportId != report.reportId)
                        continue;
                    uint32_t value = 0;
                    if (kyv::getUsageValue(field, buffer, value))
                        kyv::setUsageValue(field, buffer, value ^ 0x5A5A5A5A);
                    std::vector<uint8_t> data((uint64_t{field.bitSize} * field.reportCount + 7) / 8);
                    if (kyv::getUsageValueArray(field, buffer, data))
                        kyv::setUsageValueArray(field, buffer, data);
                    view.findValue(kind, field.reportId, field.usagePage, field.linkCollection, field.usage);
                }
            }
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    kyv::HidDescriptor descriptor;
    std::string error;
    if (!kyv::parseHidDescriptor({data, size}, descriptor, error))
        return 0;
    for (const kyv::HidCollectionView& view : descriptor.collections)
        exercise(view);
    return 0;
}
