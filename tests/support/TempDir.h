#pragma once
#include <atomic>
#include <filesystem>
#include <random>
#include <string>

// A fresh folder under the system's temporary folder, removed with all it holds.
class TempDir {
public:
    TempDir() {
        static std::atomic<unsigned> counter{0};
        static const unsigned run = std::random_device{}();
        std::error_code ec;
        for (;;) {
            auto candidate = std::filesystem::temp_directory_path() /
                             ("vistrel-test-" + std::to_string(run) + "-" + std::to_string(counter++));
            if (std::filesystem::create_directory(candidate, ec)) {
                folder = candidate.string();
                return;
            }
        }
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return folder; }
    // path() joined with name by the platform's separator.
    std::string file(const std::string& name) const { return (std::filesystem::path(folder) / name).string(); }

private:
    std::string folder;
};
