#include "threads/Mutex.h"
#include <windows.h>

static_assert(sizeof(CRITICAL_SECTION) <= 48 && alignof(CRITICAL_SECTION) <= 8, "room for the critical section");

namespace {
CRITICAL_SECTION* sectionOf(unsigned char* storage) { return reinterpret_cast<CRITICAL_SECTION*>(storage); }
}  // namespace

Mutex::Mutex() { InitializeCriticalSection(sectionOf(section)); }
Mutex::~Mutex() { DeleteCriticalSection(sectionOf(section)); }
void Mutex::lock() { EnterCriticalSection(sectionOf(section)); }
void Mutex::unlock() { LeaveCriticalSection(sectionOf(section)); }
