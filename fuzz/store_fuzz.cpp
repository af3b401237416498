// The store's readers on any bytes: users.txt, settings.ini, slots.txt and install.txt
// (the first byte chooses which). A file that parses must come back the same after the
// store writes it out and reads it again.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>
#include "standin/Store.h"

namespace {

void require(bool condition) {
    if (!condition) std::abort();
}

std::string lower(std::string text) {
    for (char& c : text) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    switch (data[0] % 4) {
    case 0: {
        std::vector<StoreUser> users, again;
        if (parseUsers(text, users) != StoreOk) return 0;
        require(parseUsers(formatUsers(users), again) == StoreOk && again.size() == users.size());
        for (size_t i = 0; i < users.size(); ++i)
            require(again[i].id == users[i].id && again[i].folder == users[i].folder && again[i].name == users[i].name);
        break;
    }
    case 1: {
        std::vector<StoreSetting> settings, again;
        if (parseSettings(text, settings) != StoreOk) return 0;
        require(parseSettings(formatSettings(settings), again) == StoreOk && again.size() == settings.size());
        // Sections are grouped when written, so compare as sets (sections ignore case).
        for (const StoreSetting& s : settings) {
            bool found = false;
            for (const StoreSetting& a : again)
                found = found || (lower(a.section) == lower(s.section) && a.key == s.key && a.value == s.value);
            require(found);
        }
        break;
    }
    case 2: {
        std::vector<StoreSlot> slots, again;
        if (parseSlots(text, slots) != StoreOk) return 0;
        require(parseSlots(formatSlots(slots), again) == StoreOk && again.size() == slots.size());
        for (size_t i = 0; i < slots.size(); ++i) require(again[i].id == slots[i].id && again[i].name == slots[i].name);
        break;
    }
    default: {
        std::vector<InstallRequest> queue, again;
        if (parseQueue(text, queue) != StoreOk) return 0;
        require(parseQueue(formatQueue(queue), again) == StoreOk && again.size() == queue.size());
        for (size_t i = 0; i < queue.size(); ++i)
            require(again[i].toCard == queue[i].toCard && again[i].slotId == queue[i].slotId &&
                    again[i].path == queue[i].path);
        break;
    }
    }
    return 0;
}
