#ifdef _WIN32
#include "support/ZFolder.h"
#include <commctrl.h>
#include <filesystem>
#include <fstream>
#include <system_error>
#include "shell/ComRef.h"

ZFolder::ZFolder() {
    static unsigned counter = 0;
    do root = "Z:\\tmp\\vistrel-test-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++);
    while (!CreateDirectoryA(root.c_str(), nullptr));
}

ZFolder::~ZFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(root), ignored);
}

std::string ZFolder::path(const std::string& below) const { return below.empty() ? root : root + "\\" + below; }

std::string ZFolder::makeFolder(const std::string& below) const {
    std::string made = path(below);
    CreateDirectoryA(made.c_str(), nullptr);
    return made;
}

std::string ZFolder::makeFile(const std::string& below, const std::vector<uint8_t>& bytes) const {
    std::string made = path(below);
    std::ofstream(made, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return made;
}

LPITEMIDLIST parsePath(const std::string& path) {
    ComRef<IShellFolder> desktop;
    if (FAILED(SHGetDesktopFolder(desktop.put()))) return nullptr;
    std::wstring wide(path.begin(), path.end());
    LPITEMIDLIST list = nullptr;
    if (FAILED(desktop->ParseDisplayName(nullptr, nullptr, &wide[0], nullptr, &list, nullptr))) return nullptr;
    return list;
}

std::vector<std::string> listRowNames(HWND list) {
    std::vector<std::string> names;
    int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
        char text[MAX_PATH] = "";
        LVITEMA item{};
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
        names.emplace_back(text);
    }
    return names;
}

HTREEITEM nextTreeNode(HWND tree, HTREEITEM node, UINT relation) {
    return reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(node)));
}

std::string treeNodeText(HWND tree, HTREEITEM node) {
    char text[MAX_PATH] = "";
    TVITEMA item{};
    item.mask = TVIF_HANDLE | TVIF_TEXT;
    item.hItem = node;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return text;
}
#endif
