// A scratch folder per test, removed with everything in it afterwards.
#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>

namespace firma::testing {

class TempDir {
public:
    // A new folder of the system's temporary folder (TMPDIR, or /tmp; TEMP on
    // Windows) that nothing else uses.
    TempDir() {
        std::random_device seed;
        std::mt19937_64 random((std::uint64_t{seed()} << 32) ^ seed());
        for (int attempt = 0; attempt < 100; ++attempt) {
            path_ = std::filesystem::temp_directory_path() / ("firma-test-" + std::to_string(random() % 1000000000));
            if (std::filesystem::create_directory(path_)) return;
        }
        throw std::runtime_error("cannot make a scratch folder");
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }

    const std::filesystem::path& path() const { return path_; }
    std::string operator/(std::string_view name) const { return (path_ / name).string(); }

    // Writes `contents` to a new file in the folder and returns its path.
    std::string write(std::string_view name, std::string_view contents) const {
        const std::string file = *this / name;
        std::ofstream out(file, std::ios::binary);
        out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
        if (!out) throw std::runtime_error("cannot write " + file);
        return file;
    }

private:
    std::filesystem::path path_;
};

}  // namespace firma::testing
