#include "support/TempDir.h"
#include <atomic>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>

namespace fs = std::filesystem;

TempDir::TempDir() {
    static std::atomic<unsigned> counter{0};
    static const unsigned run = std::random_device{}();
    fs::path base = fs::temp_directory_path();
    std::error_code ec;
    for (;;) {
        fs::path candidate = base / ("vistrel-test-" + std::to_string(run) + "-" + std::to_string(counter++));
        if (fs::create_directory(candidate, ec)) {
            folder = candidate.string();
            return;
        }
    }
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(folder, ec);
}

std::string TempDir::file(const std::string& name) const { return (fs::path(folder) / name).string(); }
