#include "win/AppModule.h"
#include <new>

AppModule appModule;

AppModule::~AppModule() { term(); }

void AppModule::init(HINSTANCE moduleInstance) {
    if (initialised) term();
    InitializeCriticalSection(&lock);
    initialised = true;
    instance = moduleInstance;
    mainThreadId = GetCurrentThreadId();
}

void AppModule::term() {
    if (!initialised) return;
    while (loops) {
        LoopEntry* next = loops->next;
        delete loops;
        loops = next;
    }
    while (creationList) {
        CreationEntry* next = creationList->next;
        delete creationList;
        creationList = next;
    }
    DeleteCriticalSection(&lock);
    initialised = false;
}

bool AppModule::addMessageLoop(MessageLoop* loop) {
    if (!initialised || !loop) return false;
    DWORD thread = GetCurrentThreadId();
    Locked held(lock);
    for (LoopEntry* entry = loops; entry; entry = entry->next)
        if (entry->thread == thread) return false;
    auto* entry = new (std::nothrow) LoopEntry{thread, loop, loops};
    if (!entry) return false;
    loops = entry;
    return true;
}

bool AppModule::removeMessageLoop() {
    if (!initialised) return false;
    DWORD thread = GetCurrentThreadId();
    Locked held(lock);
    for (LoopEntry** link = &loops; *link; link = &(*link)->next) {
        if ((*link)->thread != thread) continue;
        LoopEntry* gone = *link;
        *link = gone->next;
        delete gone;
        return true;
    }
    return false;
}

MessageLoop* AppModule::messageLoop() const {
    if (!initialised) return nullptr;
    DWORD thread = GetCurrentThreadId();
    Locked held(lock);
    for (LoopEntry* entry = loops; entry; entry = entry->next)
        if (entry->thread == thread) return entry->loop;
    return nullptr;
}

bool AppModule::pushCreationEntry(void* object) {
    if (!initialised || !object) return false;
    auto* entry = new (std::nothrow) CreationEntry{object, GetCurrentThreadId(), nullptr};
    if (!entry) return false;
    Locked held(lock);
    entry->next = creationList;
    creationList = entry;
    return true;
}

void* AppModule::takeCreationEntry() {
    if (!initialised) return nullptr;
    DWORD thread = GetCurrentThreadId();
    CreationEntry* taken = nullptr;
    {
        Locked held(lock);
        for (CreationEntry** link = &creationList; *link; link = &(*link)->next) {
            if ((*link)->thread != thread) continue;
            taken = *link;
            *link = taken->next;
            break;
        }
    }
    if (!taken) return nullptr;
    void* object = taken->object;
    delete taken;
    return object;
}
