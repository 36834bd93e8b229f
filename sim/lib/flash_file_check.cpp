#include "sim/lib/flash_file_check.h"

#include <cstdio>
#include <fstream>
#include <iterator>

namespace kyv::sim {

bool flashHoldsFile(const Bytes& flash, const std::string& path, uint64_t offset, std::string* why)
{
    auto fail = [&](std::string text) {
        if (why != nullptr)
            *why = std::move(text);
        return false;
    };
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return fail("cannot open " + path);
    Bytes content((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad())
        return fail("cannot read " + path);
    if (offset > flash.size() || content.size() > flash.size() - offset)
        return fail(path + " (" + std::to_string(content.size()) + " bytes) does not fit in flash from offset " +
                    std::to_string(offset));
    for (size_t i = 0; i < content.size(); ++i) {
        if (flash[offset + i] != content[i]) {
            char text[160];
            std::snprintf(text, sizeof text, "first difference at flash offset 0x%llX (file byte %zu): file %02X, flash %02X",
                          static_cast<unsigned long long>(offset + i), i, content[i], flash[offset + i]);
            return fail(text);
        }
    }
    return true;
}

bool writeBytesToFile(const Bytes& bytes, const std::string& path)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    file.flush();
    return static_cast<bool>(file);
}

} // namespace kyv::sim
