#include "transport/usb/hid_descriptor.h"

#include <algorithm>
#include <array>

namespace kyv {
namespace {

constexpr int kKinds = 3;
constexpr uint64_t kMaxReportBits = (HidLimits::kMaxReportBytes - 1) * 8;

struct GlobalState {
    uint16_t usagePage = 0;
    int32_t logicalMin = 0;
    int32_t logicalMax = 0;
    uint32_t reportSize = 0;
    uint32_t reportId = 0;
    uint32_t reportCount = 0;
};

// A usage as written: extended (4-byte) usages carry their own page in the high half.
struct LocalUsage {
    uint32_t value = 0;
    bool extended = false;
};

struct LocalState {
    std::vector<LocalUsage> usages;
    LocalUsage usageMin;
    LocalUsage usageMax;
    bool hasMin = false;
    bool hasMax = false;
};

uint16_t pageOf(const LocalUsage& u, uint16_t globalPage)
{
    return u.extended ? static_cast<uint16_t>(u.value >> 16) : globalPage;
}

uint16_t idOf(const LocalUsage& u) { return static_cast<uint16_t>(u.value & 0xFFFF); }

class Parser {
public:
    Parser(std::span<const uint8_t> bytes, HidDescriptor& out) : bytes_(bytes), out_(out) {}

    bool run(std::string& error)
    {
        if (bytes_.size() > HidLimits::kMaxDescriptorBytes)
            return fail("descriptor longer than 64 KiB", error);
        size_t pos = 0;
        while (pos < bytes_.size()) {
            const uint8_t prefix = bytes_[pos];
            if (prefix == 0xFE) { // long item: size byte, tag byte, data; carries nothing we use
                if (bytes_.size() - pos < 3)
                    return fail("long item cut off", error);
                const size_t size = bytes_[pos + 1];
                if (bytes_.size() - pos - 3 < size)
                    return fail("long item cut off", error);
                pos += 3 + size;
                continue;
            }
            const size_t size = (prefix & 3) == 3 ? 4 : (prefix & 3);
            if (bytes_.size() - pos - 1 < size)
                return fail("item data cut off", error);
            uint32_t data = 0;
            for (size_t i = 0; i < size; ++i)
                data |= static_cast<uint32_t>(bytes_[pos + 1 + i]) << (8 * i);
            const int type = (prefix >> 2) & 3;
            const int tag = prefix >> 4;
            bool ok = true;
            if (type == 0)
                ok = mainItem(tag, data);
            else if (type == 1)
                ok = globalItem(tag, data, size);
            else if (type == 2)
                ok = localItem(tag, data, size);
            if (!ok)
                return fail(reason_, error);
            pos += 1 + size;
        }
        if (!open_.empty())
            return fail("collection not closed", error);
        if (numbered_) {
            for (int k = 0; k < kKinds; ++k)
                if (bits_[k][0] != 0)
                    return fail("field without report ID in a descriptor that numbers its reports", error);
        }
        out_.numbered = numbered_;
        finishLengths();
        return true;
    }

private:
    bool fail(const std::string& why, std::string& error)
    {
        error = why;
        out_ = HidDescriptor{};
        return false;
    }
    bool refuse(const char* why)
    {
        reason_ = why;
        return false;
    }

    static int32_t signExtend(uint32_t data, size_t size)
    {
        if (size == 1)
            return static_cast<int8_t>(data);
        if (size == 2)
            return static_cast<int16_t>(data);
        return static_cast<int32_t>(data);
    }

    bool globalItem(int tag, uint32_t data, size_t size)
    {
        switch (tag) {
        case 0: global_.usagePage = static_cast<uint16_t>(data); break;
        case 1: global_.logicalMin = signExtend(data, size); break;
        case 2: global_.logicalMax = signExtend(data, size); break;
        case 7: global_.reportSize = data; break;
        case 8:
            if (data == 0 || data > 0xFF)
                return refuse("report ID outside 1..255");
            global_.reportId = data;
            numbered_ = true;
            break;
        case 9: global_.reportCount = data; break;
        case 10:
            if (stack_.size() >= HidLimits::kMaxDepth)
                return refuse("Push nested too deep");
            stack_.push_back(global_);
            break;
        case 11:
            if (stack_.empty())
                return refuse("Pop without Push");
            global_ = stack_.back();
            stack_.pop_back();
            break;
        default: break; // physical range, units: not needed for the reports
        }
        return true;
    }

    bool localItem(int tag, uint32_t data, size_t size)
    {
        const LocalUsage usage{data, size == 4};
        switch (tag) {
        case 0:
            if (local_.usages.size() >= HidLimits::kMaxTableEntries)
                return refuse("more than 1024 usages before one main item");
            local_.usages.push_back(usage);
            break;
        case 1: local_.usageMin = usage; local_.hasMin = true; break;
        case 2: local_.usageMax = usage; local_.hasMax = true; break;
        default: break; // designators, strings, delimiters
        }
        return true;
    }

    bool mainItem(int tag, uint32_t data)
    {
        bool ok = true;
        if (tag == 8 || tag == 9 || tag == 11)
            ok = reportItem(tag == 8 ? HidReportKind::Input : tag == 9 ? HidReportKind::Output
                                                                      : HidReportKind::Feature,
                            data);
        else if (tag == 10)
            ok = beginCollection(data);
        else if (tag == 12)
            ok = endCollection();
        local_ = LocalState{};
        return ok;
    }

    bool beginCollection(uint32_t data)
    {
        if (open_.size() >= HidLimits::kMaxDepth)
            return refuse("collections nested too deep");
        if (++collectionCount_ > HidLimits::kMaxTableEntries)
            return refuse("more than 1024 collections");
        HidLinkCollection link;
        if (!local_.usages.empty()) {
            link.usagePage = pageOf(local_.usages.front(), global_.usagePage);
            link.usage = idOf(local_.usages.front());
        }
        link.type = static_cast<uint8_t>(data);
        if (open_.empty()) {
            HidCollectionView view;
            view.usagePage = link.usagePage;
            view.usage = link.usage;
            view.links.push_back(link);
            out_.collections.push_back(std::move(view));
            open_.push_back(0);
            return true;
        }
        auto& links = out_.collections.back().links;
        link.parent = open_.back();
        links.push_back(link);
        open_.push_back(static_cast<uint16_t>(links.size() - 1));
        return true;
    }

    bool endCollection()
    {
        if (open_.empty())
            return refuse("End Collection without Collection");
        open_.pop_back();
        return true;
    }

    bool reportItem(HidReportKind kind, uint32_t flags)
    {
        if (open_.empty())
            return refuse("report field outside any collection");
        if (global_.reportSize > 0xFFFF || global_.reportCount > 0xFFFF)
            return refuse("report size or count too large");
        const int k = static_cast<int>(kind);
        const uint8_t id = static_cast<uint8_t>(global_.reportId);
        const uint64_t width = uint64_t{global_.reportSize} * global_.reportCount;
        uint32_t& used = bits_[k][id];
        if (used + width > kMaxReportBits)
            return refuse("report longer than 16 KiB");
        const auto viewIndex = static_cast<int>(out_.collections.size() - 1);
        if (owner_[id] < 0)
            owner_[id] = viewIndex;
        else if (owner_[id] != viewIndex)
            return refuse("report ID used by two top-level collections");
        const uint32_t offset = used;
        used += static_cast<uint32_t>(width);
        if ((flags & 0x01) != 0 || width == 0)
            return true; // constant: padding only
        return addFields(kind, flags, offset);
    }

    bool addFields(HidReportKind kind, uint32_t flags, uint32_t offset)
    {
        HidCollectionView& view = out_.collections.back();
        const HidLinkCollection& link = view.links[open_.back()];
        HidField base;
        base.kind = kind;
        base.reportId = static_cast<uint8_t>(global_.reportId);
        base.usagePage = global_.usagePage;
        base.linkCollection = open_.back();
        base.linkUsagePage = link.usagePage;
        base.linkUsage = link.usage;
        base.bitOffset = offset;
        base.bitSize = static_cast<uint16_t>(global_.reportSize);
        base.reportCount = static_cast<uint16_t>(global_.reportCount);
        base.flags = flags;
        base.logicalMin = global_.logicalMin;
        base.logicalMax = global_.logicalMax;

        const bool variable = (flags & 0x02) != 0;
        if (local_.usages.empty() || !variable) {
            if (local_.hasMin && local_.hasMax && local_.usages.empty()) {
                base.isRange = true;
                base.usagePage = pageOf(local_.usageMin, global_.usagePage);
                base.usage = idOf(local_.usageMin);
                base.usageMax = idOf(local_.usageMax);
            } else if (!local_.usages.empty()) {
                base.usagePage = pageOf(local_.usages.front(), global_.usagePage);
                base.usage = idOf(local_.usages.front());
            }
            return push(base);
        }
        // A variable item with listed usages: one field per usage, the last one taking the
        // elements that remain (a value array when one usage names several elements).
        const size_t count = global_.reportCount;
        const size_t named = std::min(local_.usages.size(), count);
        for (size_t i = 0; i < named; ++i) {
            HidField field = base;
            field.usagePage = pageOf(local_.usages[i], global_.usagePage);
            field.usage = idOf(local_.usages[i]);
            field.bitOffset = offset + static_cast<uint32_t>(i * global_.reportSize);
            field.reportCount = static_cast<uint16_t>(i + 1 < named ? 1 : count - i);
            if (!push(field))
                return false;
        }
        return true;
    }

    bool push(const HidField& field)
    {
        if (++fieldCount_ > HidLimits::kMaxTableEntries)
            return refuse("more than 1024 report fields");
        out_.collections.back().fields.push_back(field);
        return true;
    }

    void finishLengths()
    {
        for (size_t v = 0; v < out_.collections.size(); ++v) {
            HidCollectionView& view = out_.collections[v];
            for (int k = 0; k < kKinds; ++k) {
                for (int id = 0; id < 256; ++id) {
                    if (owner_[id] != static_cast<int>(v) || bits_[k][id] == 0)
                        continue;
                    const size_t bytes = 1 + (bits_[k][id] + 7) / 8;
                    view.reports[k].push_back({static_cast<uint8_t>(id), bytes});
                    view.reportBytes[k] = std::max(view.reportBytes[k], bytes);
                }
            }
        }
    }

    std::span<const uint8_t> bytes_;
    HidDescriptor& out_;
    GlobalState global_;
    std::vector<GlobalState> stack_;
    LocalState local_;
    std::vector<uint16_t> open_; // link collection indices of the open collections
    std::array<std::array<uint32_t, 256>, kKinds> bits_{};
    std::array<int, 256> owner_ = [] {
        std::array<int, 256> a{};
        a.fill(-1);
        return a;
    }();
    bool numbered_ = false;
    size_t fieldCount_ = 0;
    size_t collectionCount_ = 0;
    std::string reason_;
};

// Whether the field lies inside the report and the report is the field's.
bool fits(const HidField& field, size_t reportLength, const uint8_t* report)
{
    if (reportLength == 0 || report[0] != field.reportId)
        return false;
    const uint64_t endBit = uint64_t{field.bitOffset} + uint64_t{field.bitSize} * field.reportCount;
    return 1 + (endBit + 7) / 8 <= reportLength;
}

bool bitAt(const uint8_t* data, uint64_t bit) { return (data[bit / 8] >> (bit % 8)) & 1; }

void putBit(uint8_t* data, uint64_t bit, bool on)
{
    const auto mask = static_cast<uint8_t>(1u << (bit % 8));
    data[bit / 8] = static_cast<uint8_t>(on ? (data[bit / 8] | mask) : (data[bit / 8] & ~mask));
}

} // namespace

size_t HidCollectionView::reportLength(HidReportKind kind, uint8_t reportId) const
{
    for (const IdLength& r : reports[static_cast<int>(kind)])
        if (r.reportId == reportId)
            return r.bytes;
    return 0;
}

std::vector<const HidField*> HidCollectionView::values(HidReportKind kind) const
{
    std::vector<const HidField*> result;
    for (const HidField& f : fields)
        if (f.kind == kind && f.isValue())
            result.push_back(&f);
    return result;
}

const HidField* HidCollectionView::findValue(HidReportKind kind, uint8_t reportId, uint16_t usagePage,
                                             uint16_t linkCollection, uint16_t usage) const
{
    for (const HidField& f : fields) {
        if (f.kind != kind || !f.isValue() || f.reportId != reportId || f.usagePage != usagePage)
            continue;
        if (linkCollection != 0 && f.linkCollection != linkCollection)
            continue;
        if (f.isRange ? (usage >= f.usage && usage <= f.usageMax) : f.usage == usage)
            return &f;
    }
    return nullptr;
}

bool parseHidDescriptor(std::span<const uint8_t> bytes, HidDescriptor& out, std::string& error)
{
    out = HidDescriptor{};
    return Parser(bytes, out).run(error);
}

bool initializeReport(std::span<uint8_t> report, uint8_t reportId)
{
    if (report.empty())
        return false;
    std::fill(report.begin(), report.end(), 0);
    report[0] = reportId;
    return true;
}

bool getUsageValue(const HidField& field, std::span<const uint8_t> report, uint32_t& value)
{
    if (field.bitSize == 0 || field.bitSize > 32 || !fits(field, report.size(), report.data()))
        return false;
    value = 0;
    for (uint32_t i = 0; i < field.bitSize; ++i)
        if (bitAt(report.data() + 1, uint64_t{field.bitOffset} + i))
            value |= 1u << i;
    return true;
}

bool setUsageValue(const HidField& field, std::span<uint8_t> report, uint32_t value)
{
    if (field.bitSize == 0 || field.bitSize > 32 || !fits(field, report.size(), report.data()))
        return false;
    for (uint32_t i = 0; i < field.bitSize; ++i)
        putBit(report.data() + 1, uint64_t{field.bitOffset} + i, (value >> i) & 1);
    return true;
}

bool getUsageValueArray(const HidField& field, std::span<const uint8_t> report, std::span<uint8_t> data)
{
    const uint64_t bits = uint64_t{field.bitSize} * field.reportCount;
    if (field.reportCount < 2 || data.size() * 8 < bits || !fits(field, report.size(), report.data()))
        return false;
    std::fill(data.begin(), data.end(), 0);
    for (uint64_t i = 0; i < bits; ++i)
        putBit(data.data(), i, bitAt(report.data() + 1, field.bitOffset + i));
    return true;
}

bool setUsageValueArray(const HidField& field, std::span<uint8_t> report, std::span<const uint8_t> data)
{
    const uint64_t bits = uint64_t{field.bitSize} * field.reportCount;
    if (field.reportCount < 2 || data.size() * 8 < bits || !fits(field, report.size(), report.data()))
        return false;
    for (uint64_t i = 0; i < bits; ++i)
        putBit(report.data() + 1, field.bitOffset + i, bitAt(data.data(), i));
    return true;
}

} // namespace kyv
