#pragma once
#include <cstddef>

// Where the batch tells what happens.
class BatchConsole {
public:
    virtual ~BatchConsole() = default;
    // A line of its own: a photograph's outcome, the summary, or a failure (which goes to
    // the error stream).
    virtual void line(const char* text, bool failure) = 0;
    // The one line that keeps being redrawn on a terminal; "" takes it away.
    virtual void status(const char* text) = 0;
    virtual bool terminal() const = 0;
};

// The standard output and error streams; the redrawn line only when the output is a terminal.
class StandardConsole : public BatchConsole {
public:
    StandardConsole();
    void line(const char* text, bool failure) override;
    void status(const char* text) override;
    bool terminal() const override { return tty; }

private:
    bool tty;
    size_t shown = 0;  // characters of the redrawn line now on the screen
};
