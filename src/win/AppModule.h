#pragma once
#include <windows.h>

class MessageLoop;

// The process-wide module record: the program's instance, its main thread, each
// thread's message loop, and the objects waiting for their windows to be created.
// One lock guards the loop map and the creation list, held for one list
// operation at a time and never while a message is handled.
class AppModule {
public:
    AppModule() = default;
    ~AppModule();
    AppModule(const AppModule&) = delete;
    AppModule& operator=(const AppModule&) = delete;

    void init(HINSTANCE instance);
    // Frees the map and the list and deletes the lock; init may run again after it.
    void term();

    // The calling thread's loop; false when the thread has one already or memory runs out.
    bool addMessageLoop(MessageLoop* loop);
    bool removeMessageLoop();
    MessageLoop* messageLoop() const;

    // An object whose window is about to be created on the calling thread; false
    // when memory runs out.
    bool pushCreationEntry(void* object);
    // The calling thread's newest entry, taken out of the list; null when it has none.
    void* takeCreationEntry();

    HINSTANCE instance = nullptr;
    DWORD mainThreadId = 0;

private:
    struct LoopEntry {
        DWORD thread;
        MessageLoop* loop;
        LoopEntry* next;
    };
    struct CreationEntry {
        void* object;
        DWORD thread;
        CreationEntry* next;
    };
    // Keeps the lock for one list operation.
    class Locked {
    public:
        explicit Locked(CRITICAL_SECTION& section) : section(section) { EnterCriticalSection(&section); }
        ~Locked() { LeaveCriticalSection(&section); }
        Locked(const Locked&) = delete;
        Locked& operator=(const Locked&) = delete;

    private:
        CRITICAL_SECTION& section;
    };

    mutable CRITICAL_SECTION lock{};
    bool initialised = false;
    LoopEntry* loops = nullptr;
    CreationEntry* creationList = nullptr;  // newest first
};

extern AppModule appModule;
