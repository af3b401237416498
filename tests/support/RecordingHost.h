#pragma once
#include <string>
#include <vector>
#include "photo/ViewHost.h"

// A ViewHost that records what the view asked of its control.
class RecordingHost : public ViewHost {
public:
    struct Message {
        std::string text, caption;
        unsigned icon;
    };
    std::vector<std::string> statusTexts;
    std::vector<bool> invalidations;  // the erase flag of each request
    std::vector<ViewCursor> cursors;
    std::vector<Message> messages;
    int captures = 0, releases = 0;

    void setStatusText(const char* text) override { statusTexts.emplace_back(text); }
    void invalidate(bool erase) override { invalidations.push_back(erase); }
    void setCursor(ViewCursor cursor) override { cursors.push_back(cursor); }
    void captureMouse() override { ++captures; }
    void releaseMouse() override { ++releases; }
    void showMessage(const char* text, const char* caption, unsigned icon) override {
        messages.push_back({text, caption, icon});
    }
    std::string lastStatus() const { return statusTexts.empty() ? std::string() : statusTexts.back(); }
};
