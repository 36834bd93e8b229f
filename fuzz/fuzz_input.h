#pragma once
// What the fuzz targets share: reading an input as a few choice bytes and length-prefixed
// pieces, and one scratch directory per fuzzer process for the inputs that the code under
// test reads from files (image files, the settings file).

#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <vector>

namespace kyv::fuzz {

// Takes an input from its front: single choice bytes, then pieces of a length given by
// their first byte. Past the end everything reads as zeros or empty.
class Input {
public:
    Input(const uint8_t* data, size_t size) : rest_(data, size) {}

    uint8_t byte()
    {
        if (rest_.empty())
            return 0;
        const uint8_t b = rest_.front();
        rest_ = rest_.subspan(1);
        return b;
    }
    // A piece of up to 255 bytes; its length is the byte before it.
    std::vector<uint8_t> piece()
    {
        const size_t length = std::min<size_t>(byte(), rest_.size());
        std::vector<uint8_t> bytes(rest_.begin(), rest_.begin() + static_cast<std::ptrdiff_t>(length));
        rest_ = rest_.subspan(length);
        return bytes;
    }
    std::span<const uint8_t> rest() const { return rest_; }
    bool empty() const { return rest_.empty(); }

private:
    std::span<const uint8_t> rest_;
};

// A directory of this process, removed when the process ends. On tmpfs when there is one,
// so the settings file's flush to disk costs nothing.
inline const std::filesystem::path& scratchDirectory()
{
    static const std::filesystem::path dir = [] {
        std::filesystem::path base = std::filesystem::exists("/dev/shm") ? "/dev/shm"
                                                                           : std::filesystem::temp_directory_path();
        std::string pattern = (base / "kyv-fuzz-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            std::abort();
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(scratchDirectory(), ignored);
        });
        return std::filesystem::path(pattern);
    }();
    return dir;
}

inline std::string writeScratchFile(const std::string& name, std::span<const uint8_t> bytes)
{
    const std::filesystem::path path = scratchDirectory() / name;
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path.string();
}

} // namespace kyv::fuzz
