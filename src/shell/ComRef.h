#pragma once
#include <unknwn.h>

// Holds exactly one reference to a COM interface and releases it when it goes.
template <class Interface>
class ComRef {
public:
    ComRef() = default;
    // Takes over a reference the caller already owns.
    explicit ComRef(Interface* owned) : pointer(owned) {}
    ~ComRef() { clear(); }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;

    void clear() {
        if (pointer) {
            Interface* old = pointer;
            pointer = nullptr;
            old->Release();
        }
    }
    // Takes over a reference the caller owned, releasing the one held.
    void reset(Interface* owned) {
        if (owned == pointer) return;
        clear();
        pointer = owned;
    }
    // Adds a reference of its own to a pointer the caller keeps.
    void share(Interface* borrowed) {
        if (borrowed) borrowed->AddRef();
        clear();
        pointer = borrowed;
    }
    // For out parameters: releases what is held and lends the slot.
    Interface** put() {
        clear();
        return &pointer;
    }
    void** putVoid() { return reinterpret_cast<void**>(put()); }
    // Hands the reference to the caller.
    Interface* release() {
        Interface* owned = pointer;
        pointer = nullptr;
        return owned;
    }
    Interface* get() const { return pointer; }
    Interface* operator->() const { return pointer; }
    explicit operator bool() const { return pointer != nullptr; }

private:
    Interface* pointer = nullptr;
};
