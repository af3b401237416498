#include "send/SendOptions.h"
#include <cerrno>
#include <cstdlib>

namespace {

enum : unsigned long { MaxJobs = 64, MaxMemoryMegabytes = 1ul << 22 };

// A whole number from 1 to most, or false.
bool parseCount(const std::string& text, unsigned long most, unsigned long& value) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
    errno = 0;
    value = strtoul(text.c_str(), nullptr, 10);
    return errno == 0 && value >= 1 && value <= most;
}

}  // namespace

std::string sendUsage(bool withRoot) {
    // Within 79 columns, the width of a console window.
    std::string usage =
        "Usage: vistrel-send [--user NAME] [--card NAME | --memory] [--frame fill|whole]\n"
        "         [--jobs N] [--out FOLDER] [--quiet]";
    usage += withRoot ? " [--root DIR]" : "";
    usage +=
        " PHOTO|FOLDER...\n"
        "\n"
        "Sends photographs to a HotSync handheld as Vistrel's Send button does: each\n"
        "one is framed for the device's screen, written as a JPEG (a one-record\n"
        "database for internal memory, a plain .jpg for a card) into the user's\n"
        "HotSync folder, and queued for the next HotSync. Several are worked on at\n"
        "once; their names are given in the order listed.\n"
        "\n"
        "  --user NAME        the HotSync user (the device), if there are several\n"
        "  --card NAME        send to this card, not the storage saved for the user\n"
        "  --memory           send to internal memory instead\n"
        "  --frame fill       the largest centred part with the screen's proportions,\n"
        "                     made exactly the screen's size (the default)\n"
        "  --frame whole      the whole photograph, shrunk to fit the screen\n"
        "  --jobs N           photographs worked on at once (default: one a processor)\n"
        "  --memory-limit MB  memory the photographs held at once may take (default:\n"
        "                     half the machine's, at most what the program can reach)\n"
        "  --out FOLDER       write the files into FOLDER instead, and queue nothing\n"
        "  --quiet            print only what failed\n";
    if (withRoot) usage += "  --root DIR         the HotSync store (default: VISTREL_HOTSYNC_ROOT)\n";
    usage +=
        "  --help             this text\n"
        "\n"
        "A FOLDER stands for its .jpg and .jpeg files, not its subfolders. Ctrl-C stops\n"
        "after the photographs in progress, each of them wholly sent or not at all.\n"
        "Exit status: 0 all sent, 1 some refused, 2 a usage error or no usable device.\n"
        "\n"
        "Example:\n";
#ifdef _WIN32
    usage += "  vistrel-send --user Ann --card \"SD card\" \"C:\\Photos\\Summer 2023\"\n";
#else
    usage += "  vistrel-send --user Ann --card \"SD card\" ~/Photos/Summer-2023\n";
#endif
    return usage;
}

bool parseSendOptions(int argc, const char* const* argv, bool withRoot, SendOptions& options, std::string& error) {
    bool optionsEnded = false, storageChosen = false;
    for (int i = 0; i < argc; ++i) {
        std::string option = argv[i];
        if (optionsEnded || option.size() < 2 || option[0] != '-') {
            options.inputs.push_back(option);
            continue;
        }
        if (option == "--") {
            optionsEnded = true;
            continue;
        }
        // "--name=value" as well as "--name value".
        std::string value;
        const size_t equals = option.find('=');
        const bool joined = option.compare(0, 2, "--") == 0 && equals != std::string::npos;
        if (joined) {
            value = option.substr(equals + 1);
            option.erase(equals);
        }
        const bool flag = option == "--help" || option == "-h" || option == "--quiet" || option == "-q" ||
                          option == "--memory";
        if (flag && joined) {
            error = option + " takes no value";
            return false;
        }
        if (!flag && !joined) {
            if (i + 1 >= argc) {
                error = option + " needs a value";
                return false;
            }
            value = argv[++i];
        }
        if (!flag && value.empty()) {
            error = option + " needs a value";
            return false;
        }
        unsigned long number = 0;
        if (option == "--help" || option == "-h") {
            options.help = true;
        } else if (option == "--quiet" || option == "-q") {
            options.quiet = true;
        } else if (option == "--memory" || option == "--card") {
            if (storageChosen) {
                error = "choose one storage: --card NAME or --memory";
                return false;
            }
            storageChosen = true;
            options.storage = option == "--memory" ? SendOptions::Storage::Memory : SendOptions::Storage::Card;
            options.card = value;
        } else if (option == "--user") {
            options.user = value;
        } else if (option == "--frame") {
            if (value != "fill" && value != "whole") {
                error = "--frame is fill or whole, not " + value;
                return false;
            }
            options.framing = value == "fill" ? Framing::Fill : Framing::Whole;
        } else if (option == "--jobs") {
            if (!parseCount(value, MaxJobs, number)) {
                error = "--jobs is a number from 1 to " + std::to_string(MaxJobs) + ", not " + value;
                return false;
            }
            options.jobs = static_cast<unsigned>(number);
        } else if (option == "--memory-limit") {
            if (!parseCount(value, MaxMemoryMegabytes, number)) {
                error = "--memory-limit is a number of megabytes, not " + value;
                return false;
            }
            options.memoryLimit = static_cast<uint64_t>(number) << 20;
        } else if (option == "--out") {
            options.out = value;
        } else if (option == "--root" && withRoot) {
            options.root = value;
        } else {
            error = "unknown option " + option;
            return false;
        }
    }
    if (!options.help && options.inputs.empty()) {
        error = "no photographs given";
        return false;
    }
    return true;
}
