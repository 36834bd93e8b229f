#pragma once
// A fresh directory under the system's temporary directory, removed with everything in
// it when the object goes out of scope. Optionally the process works inside it meanwhile.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace kyv::test {

class ScratchDir {
public:
    explicit ScratchDir(bool enter = false)
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "kyv_test_XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr)
            path_ = pattern;
        if (enter && !path_.empty()) {
            previous_ = std::filesystem::current_path();
            std::filesystem::current_path(path_);
        }
    }
    ~ScratchDir()
    {
        std::error_code ignored;
        if (!previous_.empty())
            std::filesystem::current_path(previous_, ignored);
        if (!path_.empty())
            std::filesystem::remove_all(path_, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string operator/(std::string_view name) const { return (path_ / name).string(); }

    // Writes a file below the directory and returns its full path.
    std::string write(std::string_view name, std::string_view bytes) const
    {
        const std::string file = *this / name;
        std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return file;
    }

private:
    std::filesystem::path path_;
    std::filesystem::path previous_;
};

} // namespace kyv::test
