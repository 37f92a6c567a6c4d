#pragma once
// A unique, empty host folder for one test, removed with everything in it
// when the test ends. Portable: natively under /tmp, under Wine in the
// user's temporary folder.

#include <atomic>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>

namespace vexo::testing {

class TempFolder {
public:
    TempFolder() {
        static std::atomic<unsigned> counter{0};
        std::random_device random;
        const auto base = std::filesystem::temp_directory_path();
        for (;;) {
            auto name = "vexo-test-" + std::to_string(random()) + "-" + std::to_string(++counter);
            path_ = base / name;
            std::error_code ec;
            if (std::filesystem::create_directory(path_, ec)) {
                break;
            }
        }
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

} // namespace vexo::testing
