#include "send/BatchConsole.h"
#include <cstring>
#include <string>
#include "send/Platform.h"

StandardConsole::StandardConsole() : tty(isTerminal(stdout)) {}

void StandardConsole::line(const char* text, bool failure) {
    status("");
    FILE* stream = failure ? stderr : stdout;
    writeText(stream, (std::string(text) + "\n").c_str());
    fflush(stream);
}

void StandardConsole::status(const char* text) {
    if (!tty || (shown == 0 && *text == '\0')) return;
    // Back to the start of the line, and blanks over what the new text leaves of the old.
    const size_t length = strlen(text);
    std::string redrawn = std::string("\r") + text;
    if (length < shown) redrawn += std::string(shown - length, ' ') + "\r" + text;
    if (length == 0) redrawn += "\r";
    writeText(stdout, redrawn.c_str());
    fflush(stdout);
    shown = length;
}
