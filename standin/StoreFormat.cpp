#include "standin/StoreFormat.h"
#include <cstring>
#include <limits>

const char* const UsersFile = "users.txt";
const char* const SettingsFile = "settings.ini";
const char* const SlotsFile = "slots.txt";
const char* const QueueFile = "install.txt";
const char* const NotInFileNames = "<>:\"/\\|?*";

namespace {

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool isControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

std::string lowered(std::string text) {
    for (size_t at = 0; at < text.size(); at = nextCharacter(text, at)) text[at] = lowerAscii(text[at]);
    return text;
}

bool sameIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && lowered(a) == lowered(b);
}

bool holdsAnyOf(const std::string& text, const char* set) {
    for (size_t at = 0; at < text.size(); at = nextCharacter(text, at))
        if (std::strchr(set, text[at])) return true;
    return false;
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

std::vector<std::string> splitTabs(const std::string& line) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        size_t tab = line.find('\t', start);
        if (tab == std::string::npos) {
            fields.push_back(line.substr(start));
            return fields;
        }
        fields.push_back(line.substr(start, tab - start));
        start = tab + 1;
    }
}

bool isComment(const std::string& line, char mark) {
    size_t first = line.find_first_not_of(" \t");
    return first == std::string::npos || line[first] == mark;
}

std::string trimmed(const std::string& text) {
    size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return std::string();
    size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

bool parseId(const std::string& text, uint32_t& value) {
    if (text.empty() || text.size() > 10) return false;
    uint64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<uint64_t>(c - '0');
    }
    if (v == 0 || v > std::numeric_limits<uint32_t>::max()) return false;
    value = static_cast<uint32_t>(v);
    return true;
}

bool parseValue(const std::string& text, uint32_t& value) {
    bool negative = !text.empty() && text[0] == '-';
    std::string digits = negative ? text.substr(1) : text;
    if (digits.empty() || digits.size() > 10) return false;
    uint64_t v = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<uint64_t>(c - '0');
    }
    if (negative) {
        if (v > 0x80000000u) return false;
        value = static_cast<uint32_t>(0u - static_cast<uint32_t>(v));
    } else {
        if (v > std::numeric_limits<uint32_t>::max()) return false;
        value = static_cast<uint32_t>(v);
    }
    return true;
}

int32_t storeResultOf(ReadOutcome read) {
    switch (read) {
    case ReadOutcome::Read:
    case ReadOutcome::Missing:
        return StoreOk;
    case ReadOutcome::TooLarge:
        return StoreDamaged;
    case ReadOutcome::NotAFile:
    case ReadOutcome::Held:
    case ReadOutcome::Failed:
        break;
    }
    return StoreReadFailed;
}

int32_t readStoreFile(const std::string& path, std::string& content, size_t limit) {
    return storeResultOf(readWholeFile(path, content, limit));
}

int32_t writeStoreFile(const std::string& path, const std::string& content) {
    static const char* const storeFiles[] = {UsersFile, SettingsFile, SlotsFile, QueueFile};
    std::string folder = path.substr(0, lastSeparator(path) + 1);
    for (const char* name : storeFiles)
        if (folder + name != path) removeFileQuietly(temporaryPathFor(folder + name));
    return replaceFileContents(path, content) ? StoreOk : StoreWriteFailed;
}
