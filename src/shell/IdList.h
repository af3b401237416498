#pragma once
#include <windows.h>
#include <shlobj.h>

// The shell's task allocator, obtained with SHGetMalloc at start-up and released at
// exit. Every identifier list made here comes from it and goes back to it.
extern IMalloc* shellAllocator;

// Raw list memory from shellAllocator: null when there is no allocator or it fails.
LPITEMIDLIST allocateIdList(UINT size);
// Gives a list back (no list is fine). Without an allocator the COM task allocator,
// which the shell's allocator is, takes it.
void freeIdList(LPITEMIDLIST list);

// Total bytes including the two-byte terminator; 0 for no list.
UINT idListSize(LPCITEMIDLIST list);
// Items before the terminator; 0 for no list and for the empty list.
UINT idListCount(LPCITEMIDLIST list);
// The item after the given one (cb bytes further on).
LPCITEMIDLIST nextIdItem(LPCITEMIDLIST item);
// A new copy; no list when given none or when the allocator fails.
LPITEMIDLIST cloneIdList(LPCITEMIDLIST list);
// A new one-item list of the first item; no list when given none or when the
// allocator fails. The first item of the empty list is the empty list.
LPITEMIDLIST copyFirstItem(LPCITEMIDLIST list);

// Owns at most one identifier list.
class IdListHolder {
public:
    IdListHolder() = default;
    explicit IdListHolder(LPITEMIDLIST owned) : list(owned) {}
    virtual ~IdListHolder();
    IdListHolder(const IdListHolder&) = delete;
    IdListHolder& operator=(const IdListHolder&) = delete;

    // Frees the list held, if any, and holds none.
    void clear();
    // Frees the list held and takes ownership of another.
    void reset(LPITEMIDLIST owned);
    // Hands the list to the caller, holding none.
    LPITEMIDLIST release();
    LPITEMIDLIST get() const { return list; }
    explicit operator bool() const { return list != nullptr; }

private:
    LPITEMIDLIST list = nullptr;
};

// The held list followed by tail. When the allocator fails the old list is still
// freed and the holder ends with no list.
void appendIdList(IdListHolder& holder, LPCITEMIDLIST tail);
