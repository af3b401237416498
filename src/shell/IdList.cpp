#include "shell/IdList.h"
#include <cstring>

IMalloc* shellAllocator = nullptr;

LPITEMIDLIST allocateIdList(UINT size) {
    if (!shellAllocator || size == 0) return nullptr;
    return static_cast<LPITEMIDLIST>(shellAllocator->Alloc(size));
}

void freeIdList(LPITEMIDLIST list) {
    if (!list) return;
    if (shellAllocator)
        shellAllocator->Free(list);
    else
        CoTaskMemFree(list);
}

LPCITEMIDLIST nextIdItem(LPCITEMIDLIST item) {
    return reinterpret_cast<LPCITEMIDLIST>(reinterpret_cast<const BYTE*>(item) + item->mkid.cb);
}

UINT idListSize(LPCITEMIDLIST list) {
    if (!list) return 0;
    UINT size = sizeof(USHORT);
    for (LPCITEMIDLIST item = list; item->mkid.cb; item = nextIdItem(item)) size += item->mkid.cb;
    return size;
}

UINT idListCount(LPCITEMIDLIST list) {
    if (!list) return 0;
    UINT count = 0;
    for (LPCITEMIDLIST item = list; item->mkid.cb; item = nextIdItem(item)) ++count;
    return count;
}

namespace {
// Writes the two-byte terminator; lists need not be aligned, so no USHORT store.
void terminate(BYTE* at) { std::memset(at, 0, sizeof(USHORT)); }
}

LPITEMIDLIST cloneIdList(LPCITEMIDLIST list) {
    UINT size = idListSize(list);
    LPITEMIDLIST copy = allocateIdList(size);
    if (copy) std::memcpy(copy, list, size);
    return copy;
}

LPITEMIDLIST copyFirstItem(LPCITEMIDLIST list) {
    if (!list) return nullptr;
    UINT itemSize = list->mkid.cb;
    LPITEMIDLIST copy = allocateIdList(itemSize + sizeof(USHORT));
    if (!copy) return nullptr;
    std::memcpy(copy, list, itemSize);
    terminate(reinterpret_cast<BYTE*>(copy) + itemSize);
    return copy;
}

IdListHolder::~IdListHolder() { clear(); }

void IdListHolder::clear() {
    freeIdList(list);
    list = nullptr;
}

void IdListHolder::reset(LPITEMIDLIST owned) {
    if (owned == list) return;
    clear();
    list = owned;
}

LPITEMIDLIST IdListHolder::release() {
    LPITEMIDLIST owned = list;
    list = nullptr;
    return owned;
}

void appendIdList(IdListHolder& holder, LPCITEMIDLIST tail) {
    if (!tail) return;
    if (!holder) {
        holder.reset(cloneIdList(tail));
        return;
    }
    UINT head = idListSize(holder.get()) - sizeof(USHORT);
    UINT rest = idListSize(tail);
    LPITEMIDLIST joined = allocateIdList(head + rest);
    if (joined) {
        std::memcpy(joined, holder.get(), head);
        std::memcpy(reinterpret_cast<BYTE*>(joined) + head, tail, rest);
    }
    holder.reset(joined);
}
