#include "standin/StoreConfig.h"
#include "standin/StoreFiles.h"

const char* const RootVariable = "VISTREL_HOTSYNC_ROOT";
const char* const ConfigFileName = "HotSync.ini";

namespace {

std::string trimmed(const std::string& text) {
    size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return std::string();
    size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

bool sameIgnoringCase(const std::string& a, const char* b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i) {
        char x = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] - 'A' + 'a') : a[i];
        char y = b[i] >= 'A' && b[i] <= 'Z' ? static_cast<char>(b[i] - 'A' + 'a') : b[i];
        if (x != y) return false;
    }
    return i == a.size() && !b[i];
}

bool isAbsolute(const std::string& path) {
    if (path.empty()) return false;
    if (path[0] == '/' || path[0] == '\\') return true;
    return path.size() >= 2 && path[1] == ':';
}

}  // namespace

std::string rootFromConfigText(const std::string& text, const std::string& folder) {
    bool inSection = false;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = trimmed(text.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line[0] == '[') {
            inSection = line.back() == ']' && sameIgnoringCase(trimmed(line.substr(1, line.size() - 2)), "HotSync");
            continue;
        }
        size_t equals = line.find('=');
        if (!inSection || equals == std::string::npos) continue;
        if (!sameIgnoringCase(trimmed(line.substr(0, equals)), "Root")) continue;
        std::string root = expandVariables(trimmed(line.substr(equals + 1)));
        if (root.empty() || isAbsolute(root) || folder.empty()) return root;
        return joinPath(folder, root);
    }
    return std::string();
}

std::string expandVariables(const std::string& text) {
    std::string expanded;
    size_t at = 0;
    for (size_t open; (open = text.find('%', at)) != std::string::npos;) {
        size_t close = text.find('%', open + 1);
        if (close == std::string::npos) break;
        std::string value = environmentValue(text.substr(open + 1, close - open - 1).c_str());
        expanded += value.empty() ? text.substr(at, close + 1 - at) : text.substr(at, open - at) + value;
        at = close + 1;
    }
    return expanded + text.substr(at);
}

std::string configuredRoot(const std::string& variableValue, const std::string& moduleFolder) {
    if (!variableValue.empty()) return variableValue;
    if (moduleFolder.empty()) return std::string();
    std::string text;
    if (readWholeFile(joinPath(moduleFolder, ConfigFileName), text, 64 * 1024) != ReadOutcome::Read)
        return std::string();
    return rootFromConfigText(text, moduleFolder);
}
