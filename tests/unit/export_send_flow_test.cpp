#include <gtest/gtest.h>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>
#include "export/PhotoName.h"
#include "export_support.h"
#include "support/RecordingLibrary.h"

namespace {

// User "Ann" (folder Ann, card "SD Card" with slot ID 501, a 64 x 48 screen) of a
// recording library rooted in the rig's folder, chosen in the dialog; the photograph
// framed at 64 x 48.
struct RecordingRig : SendRig {
    RecordingLibrary library;

    explicit RecordingRig(const std::string& photoName = "Blocks.jpg", bool load = true)
        : SendRig(photoName, load) {
        library.root = dir.path();
        std::filesystem::create_directory(dir.file("Ann"));
        RecordingLibrary::User& ann = library.addUser("Ann", "Ann", {"SD Card"});
        ann.settings["VistrelWidth"] = 64;
        ann.settings["VistrelHeight"] = 48;
        chooseDevice(library);
        if (load) frame({0, 0, 64, 48});
        library.calls.clear();
    }
    void send(uint16_t storage) {
        view.storageIndex = storage;
        view.sendPhoto(library);
    }
};

void touch(const std::string& path) {
    FILE* file = fopen(hostFile(path).c_str(), "wb");
    ASSERT_NE(file, nullptr) << path;
    fclose(file);
}

// The database name in a written file's header.
std::string databaseName(const std::string& path) {
    std::vector<uint8_t> bytes = readFile(hostFile(path));
    if (bytes.size() < 32) return "<no header>";
    const char* field = reinterpret_cast<const char*>(bytes.data());
    return std::string(field, strnlen(field, 32));
}

}  // namespace

TEST(PhotoBaseName, IsTheFileNameWithoutItsLastExtensionAndSkippedCharacters) {
    const std::string in = "C:\\p\\", taken63(63, 'a'), taken64(64, 'b');
    struct Case {
        std::string path, base;
    } cases[] = {
        {"C:\\My Photos\\Summer trip.jpeg", "Summertrip"},
        {"D:\\Pictures\\DSC01234.JPG", "DSC01234"},
        {in + "a.b.c.jpg", "a.b.c"},
        {in + "NoDot", "NoDot"},
        {in + "!az{|}~\x7f.jpg", "!az"},
        {in + "\xc9t\xe9 \xe0 Nice.jpg", "tNice"},
        {"", "Photo"},
        {in + "{ }\t~", "Photo"},
        {in, "Photo"},
        {in + taken63 + ".jpg", "jpg"},  // the 65th character starts the name again
        {in + taken64 + "XYZ", "XYZ"},
        // An empty result would make an unnamed database: Photo instead.
        {in + taken64 + ".jpg", "Photo"},
        {in + ".jpg", "Photo"},
        // A forward slash separates too, so that it never reaches the output path.
        {"/home/ann/x.y.jpg", "x.y"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        char base[BaseNameSize];
        photoBaseName(c.path.c_str(), base);
        EXPECT_EQ(std::string(base), c.base);
    }
}

TEST(NumberedName, KeepsTheWholeSuffixWithin31Characters) {
    const std::string b31 = "A123456789B123456789C123456789D", b64(64, 'x');
    struct Case {
        std::string base;
        int number;
        std::string name;
    } cases[] = {
        {"Blocks", 1, "Blocks"},
        {"Blocks", 2, "Blocks(2)"},
        {"Blocks", 5000, "Blocks(5000)"},
        {b31, 1, b31},
        {b31, 2, b31.substr(0, 28) + "(2)"},
        {b31, 5000, b31.substr(0, 25) + "(5000)"},
        {b31.substr(0, 27), 10, b31.substr(0, 27) + "(10)"},
        {b64, 1, std::string(31, 'x')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.base + " " + std::to_string(c.number));
        char name[NumberedNameSize];
        numberedName(c.base.c_str(), c.number, name);
        EXPECT_EQ(std::string(name), c.name);
    }
}

TEST(FreeName, TheFirstFreeNameIsWrittenAndExistingFilesAreLeftAlone) {
    struct Case {
        const char* what;
        std::vector<std::string> existing;
        uint16_t storage;
        std::string written;
    } cases[] = {
        {"plain name first", {}, 0, "Blocks.pdb"},
        {"then (2)", {"Blocks.pdb"}, 0, "Blocks(2).pdb"},
        {"a gap is filled first", {"Blocks.pdb", "Blocks(3).pdb"}, 0, "Blocks(2).pdb"},
        {"the extension counts", {"Blocks.pdb", "Blocks(2).pdb"}, 1, "Blocks.jpg"},
        {"a card numbers its own", {"Blocks.jpg", "Blocks(2).jpg", "Blocks(3).pdb"}, 1, "Blocks(3).jpg"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingRig r;
        for (const std::string& name : c.existing) touch(r.outputFile(name));
        r.send(c.storage);

        std::vector<std::string> entries = c.existing;
        entries.push_back(c.written);
        std::sort(entries.begin(), entries.end());
        EXPECT_EQ(r.outputEntries(), entries);
        for (const std::string& name : c.existing) EXPECT_TRUE(readFile(hostFile(r.outputFile(name))).empty()) << name;
        EXPECT_GT(readFile(hostFile(r.outputFile(c.written))).size(), 100u);
        ASSERT_EQ(r.host.messages.size(), 1u);
        EXPECT_EQ(r.host.messages[0].text.substr(0, 8 + c.written.size()), "Photo ''" + c.written);
        ASSERT_EQ(r.library.installs.size(), 1u);
        EXPECT_EQ(r.library.installs[0].path, r.outputFile(c.written));
    }
}

TEST(FreeName, ALongBaseIsShortenedSoTheNumberSurvivesInFileAndDatabaseName) {
    RecordingRig r("A123456789B123456789C123456789D123456789.jpg");
    for (uint16_t storage : {0, 0, 0, 1, 1}) r.send(storage);
    const std::string plain = "A123456789B123456789C123456789D", cut = "A123456789B123456789C1234567";
    EXPECT_EQ(r.outputEntries(), (std::vector<std::string>{cut + "(2).jpg", cut + "(2).pdb", cut + "(3).pdb",
                                                          plain + ".jpg", plain + ".pdb"}));
    for (const std::string& name : {plain, cut + "(2)", cut + "(3)"})
        EXPECT_EQ(databaseName(r.outputFile(name + ".pdb")), name);
    ASSERT_EQ(r.host.messages.size(), 5u);
    EXPECT_EQ(r.host.messages[2].text,
              "Photo ''" + cut + "(3).pdb'' will be installed on ''Ann'' Internal memory at next HotSync(r)");
}

#ifndef _WIN32
// Native only: under Wine every new name in a crowded folder costs a case-insensitive
// scan of the whole folder, so making the 5000 files there takes some 20 s.
TEST(FreeName, Number5000IsTheLastTried) {
    RecordingRig r;
    touch(r.outputFile("Blocks.pdb"));
    for (int n = 2; n <= 5000; ++n) touch(r.outputFile("Blocks(" + std::to_string(n) + ").pdb"));
    r.send(0);
    EXPECT_EQ(messageLines(r.host), std::vector<std::string>{"Vistrel error|16|Unable to create output file !"});
    EXPECT_EQ(r.outputEntries().size(), 5000u);
    EXPECT_TRUE(r.library.calls.empty());

    ASSERT_EQ(remove(hostFile(r.outputFile("Blocks(5000).pdb")).c_str()), 0);
    r.host.messages.clear();
    r.send(0);
    ASSERT_EQ(r.host.messages.size(), 1u);
    EXPECT_EQ(r.host.messages[0].text,
              "Photo ''Blocks(5000).pdb'' will be installed on ''Ann'' Internal memory at next HotSync(r)");
}
#endif

TEST(FreeName, APathLongerThanItsFieldIsNotCutShort) {
    // The output folder does not exist: a path that fits is tried (and cannot be created).
    for (size_t length : {255u, 256u}) {
        SCOPED_TRACE(length);
        RecordingRig r;
        std::string folder = r.view.outputFolder;
        folder += std::string(length - folder.size() - sizeof "\\Blocks.pdb" + 1, 'm') + "\\";
        snprintf(r.view.outputFolder, sizeof r.view.outputFolder, "%s", folder.c_str());
        ASSERT_EQ(r.outputFile("Blocks.pdb").size(), length);
        r.send(0);
        if (length == 255)
            EXPECT_EQ(messageLines(r.host),
                      (std::vector<std::string>{"Vistrel error|16|Can not create file : " + r.outputFile("Blocks.pdb"),
                                                "Vistrel error|16|Error during JPEG generation !"}));
        else
            EXPECT_EQ(messageLines(r.host),
                      std::vector<std::string>{"Vistrel error|16|Unable to create output file !"});
        EXPECT_TRUE(r.library.calls.empty());
    }
}

TEST(SendOutcome, OneMessageWithItsIconAndTheInstallCallsOfEachOutcome) {
    struct Case {
        const char* what;
        uint16_t storage;
        std::map<std::string, int32_t> fail;
        bool folderMissing;
        std::vector<std::string> calls;
        std::vector<std::string> messages;  // "$" stands for the path
        bool fileStays;
    } cases[] = {
        {"memory", 0, {}, false, {"INSTAIDE 103"},
         {"64|Photo ''Blocks.pdb'' will be installed on ''Ann'' Internal memory at next HotSync(r)"}, true},
        {"card", 1, {}, false, {"UserData 145", "INSTAIDE 118"},
         {"64|Photo ''Blocks.jpg'' will be installed on ''Ann'' SD Card at next HotSync(r)"}, true},
        {"memory refused", 0, {{"INSTAIDE 103", -1}}, false, {"INSTAIDE 103"},
         {"16|Error 0xFFFFFFFF when installing $ on ''Ann'' device !"}, true},
        {"card user unknown", 1, {{"UserData 145", -2}}, false, {"UserData 145"},
         {"16|Error 0xFFFFFFFE when installing $ on ''Ann'' device !"}, true},
        {"card refused", 1, {{"INSTAIDE 118", 0x1234}}, false, {"UserData 145", "INSTAIDE 118"},
         {"16|Error 0x1234 when installing $ on ''Ann'' device !"}, true},
        {"folder missing", 0, {}, true, {}, {"16|Can not create file : $", "16|Error during JPEG generation !"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingRig r;
        r.library.fail = c.fail;
        if (c.folderMissing) std::filesystem::remove(hostFile(r.view.outputFolder));
        r.send(c.storage);

        const std::string path = r.outputFile(c.storage == 0 ? "Blocks.pdb" : "Blocks.jpg");
        std::vector<std::string> expected;
        for (std::string m : c.messages) {
            size_t at = m.find('$');
            if (at != std::string::npos) m.replace(at, 1, path);
            expected.push_back("Vistrel error|" + m);
        }
        EXPECT_EQ(messageLines(r.host), expected);
        EXPECT_EQ(r.library.calls, c.calls);
        EXPECT_EQ(std::filesystem::exists(hostFile(path)), c.fileStays);
        if (c.fail.empty() && !c.folderMissing) {
            ASSERT_EQ(r.library.installs.size(), 1u);
            const RecordingLibrary::Install& install = r.library.installs[0];
            EXPECT_EQ(install.path, path);
            if (install.toCard) {
                EXPECT_EQ(install.userId, 1001u);
                EXPECT_EQ(install.slotId, 501u);
            } else {
                EXPECT_EQ(install.userName, "Ann");
            }
        }
    }
}

TEST(SendOutcome, ASendWithoutPhotographStorageOrFolderIsRefusedWithNothingWritten) {
    struct Case {
        const char* what;
        bool loaded;
        uint16_t storage;
        bool folderUnread;
    } cases[] = {
        {"no photograph", false, 0, false},
        {"storage past the last card", true, 2, false},
        {"no storage selected", true, 0xFFFF, false},
        {"no output folder", true, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingRig r("Blocks.jpg", c.loaded);
        if (c.folderUnread) {
            r.library.fail["UserData 105"] = -1;
            r.chooseDevice(r.library);
            r.frame({0, 0, 64, 48});
            r.library.calls.clear();
        }
        r.send(c.storage);
        ASSERT_EQ(r.host.messages.size(), 1u);
        EXPECT_EQ(r.host.messages[0].caption, "Vistrel error");
        EXPECT_EQ(r.host.messages[0].icon, 0x10u);
        EXPECT_TRUE(r.library.calls.empty());
        EXPECT_TRUE(r.outputEntries().empty());
    }
}
