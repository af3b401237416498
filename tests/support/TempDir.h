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
        static const std::string run = "vistrel-test-" + std::to_string(std::random_device{}()) + "-";
        std::error_code ec;
        do folder = (std::filesystem::temp_directory_path() / (run + std::to_string(counter++))).string();
        while (!std::filesystem::create_directory(folder, ec));
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return folder; }
    std::string file(const std::string& name) const { return (std::filesystem::path(folder) / name).string(); }

private:
    std::string folder;
};
