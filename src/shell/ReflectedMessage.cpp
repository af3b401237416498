#include "shell/ReflectedMessage.h"
#include "win/Routing.h"

static_assert(ReflectionBase == OCM__BASE, "the dialog reflects at OCM__BASE");

bool isReflectedMessage(UINT message) {
    return message >= ReflectionBase && reflectionSource(message - ReflectionBase) != ReflectFrom::None;
}

LRESULT answerReflected(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message - OCM__BASE, wParam, lParam);
}
