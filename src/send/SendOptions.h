#pragma once
#include <cstdint>
#include <string>
#include <vector>
#include "photo/Framing.h"

// Exit statuses of vistrel-send.
enum : int { SendDone = 0, SendRefused = 1, SendUnusable = 2 };

// What vistrel-send is asked to do.
struct SendOptions {
    enum class Storage { Saved, Memory, Card };

    std::string user;  // empty: the only HotSync user
    Storage storage = Storage::Saved;
    std::string card;
    Framing framing = Framing::Fill;
    unsigned jobs = 0;         // photographs worked on at once; 0: one per processor
    uint64_t memoryLimit = 0;  // bytes the photographs held at once may take; 0: as the machine allows
    std::string out;           // write into this folder and queue nothing
    std::string root;          // the store, where the program uses one directly
    bool quiet = false;
    bool help = false;
    std::vector<std::string> inputs;  // photographs and folders, in order
};

// The --help text, with an example; withRoot where the program takes --root.
std::string sendUsage(bool withRoot);

// Reads the arguments after the program's name; false with the reason on a usage error.
bool parseSendOptions(int argc, const char* const* argv, bool withRoot, SendOptions& options, std::string& error);
