#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>
#include "standin/Store.h"
#include "standin/StoreFiles.h"

// What the store's files are made of, for the parts of the store: their names, lines and
// tab-separated fields, IDs and values, names compared as Windows compares them, and
// reading or writing one file with the store's results.

// Bounds on what the store reads, so that a damaged or hostile file cannot make it
// take unbounded memory.
const size_t MaxListFile = 1u << 20;

extern const char* const UsersFile;
extern const char* const SettingsFile;
extern const char* const SlotsFile;
extern const char* const QueueFile;

bool isControl(unsigned char c);
// ASCII letters in lower case; the bytes of a double-byte character stay as they are.
std::string lowered(std::string text);
bool sameIgnoringCase(const std::string& a, const std::string& b);
// Whether text holds one of the ASCII characters in set as a character of its own.
bool holdsAnyOf(const std::string& text, const char* set);
// What Windows forbids in a file name, besides control characters.
extern const char* const NotInFileNames;

// Lines without their CR LF or LF; the fields of a line between tabs.
std::vector<std::string> splitLines(const std::string& text);
std::vector<std::string> splitTabs(const std::string& line);
// A blank line, or one whose first character after blanks is mark.
bool isComment(const std::string& line, char mark);
std::string trimmed(const std::string& text);
// Strict decimal: digits only, no sign, no overflow, not zero.
bool parseId(const std::string& text, uint32_t& value);
// A stored 32-bit value: unsigned decimal, or negative decimal for a signed value
// that a person wrote by hand.
bool parseValue(const std::string& text, uint32_t& value);

// What a read means to the store: a missing file is an empty one, one too large to be
// ours is damaged.
int32_t storeResultOf(ReadOutcome read);
int32_t readStoreFile(const std::string& path, std::string& content, size_t limit);
// Reads the list a store file holds under a shared hold of the store's lock: items is empty
// unless both the read and the parse succeed.
template <class Item>
int32_t loadStoreList(const Store& store, const std::string& path, size_t limit,
                      int32_t (*parse)(const std::string&, std::vector<Item>&), std::vector<Item>& items) {
    items.clear();
    Store::Hold hold(store, false);
    if (hold.result != StoreOk) return hold.result;
    std::string content;
    int32_t result = readStoreFile(path, content, limit);
    if (result == StoreOk) result = parse(content, items);
    if (result != StoreOk) items.clear();
    return result;
}
// Removes what killed updates left in the folder of path, then replaces path.
int32_t writeStoreFile(const std::string& path, const std::string& content);
