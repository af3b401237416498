#include <gtest/gtest.h>
#include <cstdio>
#include <string>
#include <vector>
#include "standin/HotSyncTool.h"
#include "standin/StoreConfig.h"
#include "standin/StoreFiles.h"
#include "standin/StoreLibrary.h"
#include "support/TempDir.h"
#include "unit/store_support.h"

namespace {

struct ToolRun {
    int status = -1;
    std::string out, err;
};

class HotSyncToolTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string root = dir.file("root");

    // Runs the tool in process with "--root root" in front unless noRoot.
    ToolRun run(std::vector<std::string> args, bool noRoot = false) {
        if (!noRoot) args.insert(args.begin(), {"--root", root});
        args.insert(args.begin(), "hotsync");
        std::vector<const char*> argv;
        for (const std::string& a : args) argv.push_back(a.c_str());
        const std::string outPath = dir.file("out.txt"), errPath = dir.file("err.txt");
        FILE* out = std::fopen(outPath.c_str(), "wb");
        FILE* err = std::fopen(errPath.c_str(), "wb");
        ToolRun result;
        if (out && err) result.status = runHotSyncTool(static_cast<int>(argv.size()), argv.data(), "", out, err);
        if (out) std::fclose(out);
        if (err) std::fclose(err);
        result.out = readText(outPath);
        result.err = readText(errPath);
        return result;
    }
};

TEST_F(HotSyncToolTest, BadArgumentsAndADamagedStoreExitNonZeroWithAMessage) {
    ASSERT_EQ(run({"users", "add", "Ann"}).status, ToolOk);
    struct Case {
        std::vector<std::string> args;
        const char* message;
        bool usage;
        bool withRoot = true;  // "--root" and the folder put in front
    };
    const std::vector<Case> cases = {
        {{}, "no command given", true},
        {{"frobnicate"}, "unknown command", true},
        {{"--verbose", "users", "list"}, "unknown option", true},
        {{"--root"}, "--root needs a folder", true, false},
        {{"users", "list"}, "VISTREL_HOTSYNC_ROOT", false, false},  // no root given, none configured
        {{"users"}, "users needs add or list", true},
        {{"users", "remove", "Ann"}, "unknown users command", true},
        {{"users", "add"}, "needs a NAME", true},
        {{"users", "add", "Bob", "--card"}, "--card needs a NAME", true},
        {{"users", "add", "Bob", "Extra"}, "unexpected argument", true},
        {{"users", "add", std::string(64, 'n')}, "1 to 63 characters", false},
        {{"users", "add", "Bob", "--card", std::string(128, 'c')}, "1 to 127 characters", false},
        {{"users", "add", "Ann"}, "exists already", false},
        {{"users", "list", "extra"}, "takes no arguments", true},
        {{"settings"}, "exactly one NAME", true},
        {{"sync", "Ann", "Bob"}, "exactly one NAME", true},
        {{"queue", "Ann", "Bob"}, "at most one NAME", true},
        {{"sync", "Nobody"}, "no user named \"Nobody\"", false},
        {{"settings", "Nobody"}, "no user named \"Nobody\"", false},
    };
    for (const Case& c : cases) {
        std::string joined;
        for (const std::string& a : c.args) joined += a + " ";
        SCOPED_TRACE(joined);
        ToolRun r = run(c.args, !c.withRoot);
        EXPECT_EQ(r.status, ToolError);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("usage:") != std::string::npos, c.usage) << r.err;
    }
    // A damaged store is reported, not crashed on.
    ASSERT_TRUE(writeText(joinPath(root, "users.txt"), "1001\tx\n"));
    ToolRun r = run({"users", "list"});
    EXPECT_EQ(r.status, ToolError);
    EXPECT_NE(r.err.find("damaged"), std::string::npos) << r.err;
}

TEST_F(HotSyncToolTest, AddsListsAndShowsWhatTheLibrariesStored) {
    ToolRun r = run({"users", "add", "Demo User", "--card", "SD Card", "--card", "CF"});
    ASSERT_EQ(r.status, ToolOk) << r.err;
    EXPECT_NE(r.out.find("added user \"Demo User\": ID 1001, folder \"Demo User\""), std::string::npos) << r.out;

    r = run({"users", "list"});
    EXPECT_EQ(r.status, ToolOk);
    EXPECT_EQ(r.out, "Demo User (ID 1001, folder \"Demo User\")\n  card slot 501: SD Card\n  card slot 502: CF\n");

    r = run({"settings", "Demo User"});
    EXPECT_EQ(r.out, "no settings stored for Demo User\n");
    StoreLibrary library(root);
    ASSERT_EQ(library.writeSetting(1001, "Brennick", "VistrelWidth", 160), StoreOk);
    r = run({"settings", "Demo User"});
    EXPECT_EQ(r.out, "[Brennick] VistrelWidth = 160\n");

    ASSERT_TRUE(writeFile(dir.file("root/Demo User/a.pdb"), photoDatabase("a", smallJpeg())));
    ASSERT_EQ(library.installToCard(1001, 502, dir.file("root/Demo User/a.pdb").c_str()), StoreOk);
    r = run({"queue"});
    EXPECT_EQ(r.out, "Demo User:\n  card 502 (CF): " + dir.file("root/Demo User/a.pdb") + "\n");
    EXPECT_EQ(run({"queue", "Demo User"}).status, ToolOk);
}

TEST_F(HotSyncToolTest, SyncReportsInstalledAndRefusedFilesAndItsStatusSaysWhich) {
    ASSERT_EQ(run({"users", "add", "Ann", "--card", "SD"}).status, ToolOk);
    StoreLibrary library(root);
    ASSERT_TRUE(writeFile(dir.file("root/Ann/Good.pdb"), photoDatabase("Good", smallJpeg())));
    ASSERT_TRUE(writeFile(dir.file("root/Ann/Bad.jpg"), std::vector<uint8_t>{0xFF, 0xD8, 1, 2, 3}));
    ASSERT_EQ(library.installToMemory("Ann", dir.file("root/Ann/Good.pdb").c_str()), StoreOk);

    ToolRun r = run({"sync", "Ann"});
    EXPECT_EQ(r.status, ToolOk) << r.err;
    EXPECT_NE(r.out.find("installed Good.pdb in internal memory (database \"Good\")"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Ann: 1 installed, 0 refused, 0 kept in the queue"), std::string::npos) << r.out;

    ASSERT_EQ(library.installToCard(1001, 501, dir.file("root/Ann/Bad.jpg").c_str()), StoreOk);
    r = run({"sync", "Ann"});
    EXPECT_EQ(r.status, ToolRefused);
    EXPECT_NE(r.out.find("refused " + dir.file("root/Ann/Bad.jpg") + " for card 501 (SD): the file does not end"),
              std::string::npos) << r.out;
    EXPECT_EQ(run({"queue", "Ann"}).out, "Ann: nothing queued\n");
}

TEST(StoreConfig, TheVariableWinsOverTheIniBesideTheModule) {
    TempDir dir;
    ASSERT_TRUE(writeText(dir.file("HotSync.ini"), "; ours\n[Other]\nRoot=wrong\n[HotSync]\r\n Root = store \r\n"));
    EXPECT_EQ(configuredRoot("", dir.path()), joinPath(dir.path(), "store"));  // relative to the module
    EXPECT_EQ(configuredRoot("/elsewhere", dir.path()), "/elsewhere");
    ASSERT_TRUE(writeText(dir.file("HotSync.ini"), "[hotsync]\nroot=C:\\HotSync\n"));
    EXPECT_EQ(configuredRoot("", dir.path()), "C:\\HotSync");
    ASSERT_TRUE(writeText(dir.file("HotSync.ini"), "[HotSync]\nPath=C:\\HotSync\n"));
    EXPECT_EQ(configuredRoot("", dir.path()), "");
    EXPECT_EQ(configuredRoot("", dir.file("no-such-folder")), "");
}

}  // namespace
