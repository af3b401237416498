#include "export/PhotoName.h"
#include "export_support.h"

TEST(PhotoName, BaseIsTheFileNameWithoutItsLastExtensionAndSkippedCharacters) {
    const std::string in = "C:\\p\\";
    const std::string cases[][2] = {
        {"C:\\My Photos\\Summer trip.jpeg", "Summertrip"}, {in + "a.b.c.jpg", "a.b.c"}, {in + "NoDot", "NoDot"},
        {in + "!a\xc9z{|}~\x7f .jpg", "!az"},
        {in + std::string(64, 'b') + "XYZ", "XYZ"},  // the 65th character starts the name again
        {"", "Photo"}, {in + ".jpg", "Photo"},       // an unnamed database would be refused
        {"/home/ann/x.y.jpg", "x.y"},                // a forward slash must never reach the output path
    };
    for (const auto& c : cases) {
        char base[BaseNameSize];
        photoBaseName(c[0].c_str(), base);
        EXPECT_EQ(std::string(base), c[1]) << c[0];
    }
    // A suffix of 4 digits leaves 25 characters of a 31-character base.
    char name[NumberedNameSize];
    numberedName("A123456789B123456789C123456789D", 5000, name);
    EXPECT_STREQ(name, "A123456789B123456789C1234(5000)");
}

// Each send shows one message (and the file it could not create), writes at most the
// first free name, leaves existing files alone and calls the library only to queue.
TEST(SendOutcome, FirstFreeNameMessagesAndInstallCalls) {
    enum Folder { Present, Missing, Unread, Path255, Path256 };
    auto toMemory = [](const std::string& name) { return "64|" + installedText(name, "Internal memory"); };
    auto toCard = [](const std::string& name) { return "64|" + installedText(name, "SD Card"); };
    const Strings memory = {"INSTAIDE 103"}, card = {"UserData 145", "INSTAIDE 118"};
    const std::string noStorage = "16|Choose a storage before sending.";
    struct Case {
        const char* what;
        uint16_t storage;
        Strings existing;
        std::map<std::string, int32_t> fail;
        std::string file;  // the name tried, if any; "$" in the messages is its path
        Strings calls, messages;
        bool loaded = true;
        Folder folder = Present;
    } cases[] = {
        {"memory", 0, {}, {}, "Blocks.pdb", memory, {toMemory("Blocks.pdb")}},
        {"card", 1, {}, {}, "Blocks.jpg", card, {toCard("Blocks.jpg")}},
        {"a gap is filled first", 0, {"Blocks.pdb", "Blocks(3).pdb"}, {}, "Blocks(2).pdb", memory,
         {toMemory("Blocks(2).pdb")}},
        {"a card numbers its own .jpg", 1, {"Blocks.jpg", "Blocks(2).jpg", "Blocks(3).pdb"}, {}, "Blocks(3).jpg", card,
         {toCard("Blocks(3).jpg")}},
        {"memory refused", 0, {}, {{"INSTAIDE 103", -1}}, "Blocks.pdb", memory,
         {"16|Error 0xFFFFFFFF when installing $ on ''Ann'' device !"}},
        {"card user unknown", 1, {}, {{"UserData 145", -2}}, "Blocks.jpg", {"UserData 145"},
         {"16|Error 0xFFFFFFFE when installing $ on ''Ann'' device !"}},
        {"card refused", 1, {}, {{"INSTAIDE 118", 0x1234}}, "Blocks.jpg", card,
         {"16|Error 0x1234 when installing $ on ''Ann'' device !"}},
        {"folder missing", 0, {}, {}, "Blocks.pdb", {},
         {"16|Can not create file : $", "16|Error during JPEG generation !"}, true, Missing},
        {"no photograph", 0, {}, {}, "", {}, {"16|No photo to send: choose a jpeg file first."}, false},
        {"storage past the last card", 3, {}, {}, "", {}, {noStorage}},
        {"no storage selected", 0xFFFF, {}, {}, "", {}, {noStorage}},
        {"root folder unread", 0, {}, {}, "", {},
         {"16|No output folder for this device: choose a device whose HotSync folder can be read."}, true, Unread},
        // A path that fits its field is tried (the folder is missing); a longer one is not cut short.
        {"path of 255", 0, {}, {}, "Blocks.pdb", {},
         {"16|Can not create file : $", "16|Error during JPEG generation !"}, true, Path255},
        {"path of 256", 0, {}, {}, "Blocks.pdb", {}, {"16|Unable to create output file !"}, true, Path256},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingRig r(c.loaded);
        const std::string folder = r.view.outputFolder;
        for (const std::string& name : c.existing) ASSERT_TRUE(writeFile(hostFile(folder + name), {}));
        if (c.folder == Missing) std::filesystem::remove(hostFile(folder));
        if (c.folder == Unread) {
            r.library.fail["UserData 105"] = -1;
            r.choose(0);
            r.library.calls.clear();
        }
        if (c.folder == Path255 || c.folder == Path256) {
            const size_t length = c.folder == Path255 ? 255 : 256;
            const std::string longer = folder + std::string(length - folder.size() - c.file.size() - 1, 'm') + "\\";
            snprintf(r.view.outputFolder, sizeof r.view.outputFolder, "%s", longer.c_str());
            ASSERT_EQ(r.outputFile(c.file).size(), length);
        }
        const std::string path = r.outputFile(c.file);
        r.library.fail = c.fail;
        r.send(c.storage);

        Strings expected;
        for (std::string m : c.messages) {
            size_t at = m.find('$');
            if (at != std::string::npos) m.replace(at, 1, path);
            expected.push_back("Vistrel error|" + m);
        }
        EXPECT_EQ(messageLines(r.host), expected);
        EXPECT_EQ(r.library.calls, c.calls);
        Strings entries = c.existing;  // a file whose install is refused stays
        if (!c.file.empty() && c.folder == Present) entries.push_back(c.file);
        std::sort(entries.begin(), entries.end());
        EXPECT_EQ(folderEntries(folder), entries);
        for (const std::string& name : c.existing) EXPECT_TRUE(readFile(hostFile(folder + name)).empty()) << name;
        for (const RecordingLibrary::Install& install : r.library.installs) {
            EXPECT_EQ(install.path, path);
            EXPECT_EQ(install.toCard ? std::to_string(install.userId) + " " + std::to_string(install.slotId)
                                     : install.userName,
                      c.storage == 0 ? "Ann" : "1001 501");
        }
    }
}

TEST(FreeName, ALongBaseIsShortenedSoTheNumberSurvivesInFileAndDatabaseName) {
    RecordingRig r(true, "A123456789B123456789C123456789D123456789.jpg");
    for (uint16_t storage : {0, 0, 0, 1, 1}) r.send(storage);
    const std::string plain = "A123456789B123456789C123456789D", cut = "A123456789B123456789C1234567";
    EXPECT_EQ(folderEntries(r.view.outputFolder),
              (Strings{cut + "(2).jpg", cut + "(2).pdb", cut + "(3).pdb", plain + ".jpg", plain + ".pdb"}));
    for (const std::string& name : {plain, cut + "(2)", cut + "(3)"}) {
        std::vector<uint8_t> bytes = readFile(hostFile(r.outputFile(name + ".pdb")));
        ASSERT_GE(bytes.size(), 32u);
        EXPECT_STREQ(reinterpret_cast<const char*>(bytes.data()), name.c_str());  // the database name
    }
    ASSERT_EQ(r.host.messages.size(), 5u);
    EXPECT_EQ(r.host.messages[2].text, installedText(cut + "(3).pdb", "Internal memory"));
}

#ifndef _WIN32
// Native only: under Wine, making 5000 files in one folder takes some 20 s.
TEST(FreeName, Number5000IsTheLastTried) {
    RecordingRig r;
    for (int n = 1; n <= 5000; ++n) {
        const std::string name = n == 1 ? "Blocks.pdb" : "Blocks(" + std::to_string(n) + ").pdb";
        ASSERT_TRUE(writeFile(hostFile(r.outputFile(name)), {}));
    }
    r.send(0);
    EXPECT_EQ(messageLines(r.host), Strings{"Vistrel error|16|Unable to create output file !"});
    EXPECT_EQ(folderEntries(r.view.outputFolder).size(), 5000u);
    EXPECT_TRUE(r.library.calls.empty());

    ASSERT_EQ(remove(hostFile(r.outputFile("Blocks(5000).pdb")).c_str()), 0);
    r.host.messages.clear();
    r.send(0);
    EXPECT_EQ(messageLines(r.host),
              Strings{"Vistrel error|64|" + installedText("Blocks(5000).pdb", "Internal memory")});
}
#endif
