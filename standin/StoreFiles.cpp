#include "standin/StoreFiles.h"
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

std::string hostPath(const std::string& path) {
#ifdef _WIN32
    return path;
#else
    std::string mapped = path;
    if (mapped.size() >= 2 && (mapped[0] == 'Z' || mapped[0] == 'z') && mapped[1] == ':')
        mapped.erase(0, 2);
    for (char& c : mapped)
        if (c == '\\') c = '/';
    return mapped;
#endif
}

std::string joinPath(const std::string& folder, const std::string& name) {
#ifdef _WIN32
    const char separator = '\\';
#else
    const char separator = '/';
#endif
    if (folder.empty()) return name;
    char last = folder.back();
    if (last == '/' || last == '\\') return folder + name;
    return folder + separator + name;
}

bool writeAll(FILE* stream, const std::string& bytes) {
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), stream) != bytes.size())
        return false;
    return std::fflush(stream) == 0 && !std::ferror(stream);
}

std::string temporaryPathFor(const std::string& path) { return hostPath(path) + ".new"; }

bool writeDurably(const std::string& path, const std::string& bytes) {
    std::string host = hostPath(path);
    FILE* stream = std::fopen(host.c_str(), "wb");
    if (!stream) return false;
    bool written = writeAll(stream, bytes) && flushToDisk(stream);
    // fclose reports the last buffered write (a full disk shows up here too).
    if (std::fclose(stream) != 0) written = false;
    if (!written) removeFileQuietly(host);
    return written;
}

bool replaceFileContents(const std::string& path, const std::string& bytes) {
    std::string target = hostPath(path);
    std::string temporary = temporaryPathFor(target);
    if (!writeDurably(temporary, bytes)) return false;
    if (!replaceFile(temporary, target)) {
        removeFileQuietly(temporary);
        return false;
    }
    // The rename itself is durable only once the folder's entries are.
    flushFolder(fs::path(target).parent_path().string());
    return true;
}

bool makeFolder(const std::string& path) {
    std::error_code ec;
    fs::path host(hostPath(path));
    fs::create_directory(host, ec);
    return fs::is_directory(host, ec);
}

bool makeFolders(const std::string& path) {
    std::error_code ec;
    fs::path host(hostPath(path));
    fs::create_directories(host, ec);
    return fs::is_directory(host, ec);
}

bool folderExists(const std::string& path) {
    std::error_code ec;
    return fs::is_directory(fs::path(hostPath(path)), ec);
}

void removeQuietly(const std::string& path) {
    std::error_code ec;
    fs::remove(fs::path(hostPath(path)), ec);
}

bool fileExists(const std::string& path) {
    std::error_code ec;
    return fs::exists(fs::path(hostPath(path)), ec);
}

void removeFileQuietly(const std::string& path) {
    std::error_code ec;
    fs::path host(hostPath(path));
    if (!fs::is_directory(fs::symlink_status(host, ec))) fs::remove(host, ec);
}
