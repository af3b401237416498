#pragma once
#include <string>

// A fresh folder under the system's temporary folder, removed with all it holds.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return folder; }
    // path() joined with name by the platform's separator.
    std::string file(const std::string& name) const;

private:
    std::string folder;
};
