#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>
#include "shell/ComRef.h"
#include "shell/IdList.h"
#include "shell/ShellFolder.h"
#include "shell_harness.h"

namespace {

// Every list made here must come from the shell's allocator and go back to it once.
class IdListTest : public ::testing::Test {
protected:
    TrackingAllocator allocator;
    const std::vector<BYTE> empty = makeList({});
    const std::vector<BYTE> one = makeList({{1, 2, 3}});
    const std::vector<BYTE> three = makeList({{0xA1, 0xA2}, {0xB1, 0xB2, 0xB3, 0xB4}, {0xC1}});

    void SetUp() override { shellAllocator = &allocator; }
    void TearDown() override {
        shellAllocator = nullptr;
        EXPECT_TRUE(allocator.live.empty()) << allocator.live.size() << " lists not freed";
        EXPECT_EQ(allocator.foreignFrees, 0) << "a list freed twice or not ours";
    }
};

TEST_F(IdListTest, SizeCountAndCopiesOfEveryShape) {
    struct Case {
        const char* name;
        LPCITEMIDLIST list;
        UINT size, count;
    } cases[] = {
        {"no list", nullptr, 0, 0},
        {"empty", asList(empty), 2, 0},
        {"one item", asList(one), 7, 1},
        {"three items", asList(three), 4 + 6 + 3 + 2, 3},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(idListSize(c.list), c.size) << c.name;
        EXPECT_EQ(idListCount(c.list), c.count) << c.name;
        // A copy that is not a block of its own shows as a foreign free at tear-down.
        IdListHolder copy(cloneIdList(c.list));
        EXPECT_EQ(bytesOf(copy.get()), bytesOf(c.list)) << c.name;
        EXPECT_EQ(static_cast<bool>(copy), c.list != nullptr) << c.name;
    }
    EXPECT_EQ(copyFirstItem(nullptr), nullptr);
    IdListHolder first(copyFirstItem(asList(three)));
    EXPECT_EQ(allocator.live[first.get()], 4u + 2u);  // cb + 2
    EXPECT_EQ(bytesOf(first.get()), makeList({{0xA1, 0xA2}}));
    IdListHolder firstOfEmpty(copyFirstItem(asList(empty)));
    EXPECT_EQ(bytesOf(firstOfEmpty.get()), empty);
}

TEST_F(IdListTest, AppendCases) {
    struct Case {
        const char* name;
        const std::vector<BYTE>* held;  // null: the holder has no list
        const std::vector<BYTE>* tail;  // null: no tail
        std::vector<BYTE> expected;     // empty vector: no list
    } cases[] = {
        {"nothing onto nothing", nullptr, nullptr, {}},
        {"tail onto nothing", nullptr, &one, one},
        {"nothing onto a list", &three, nullptr, three},
        {"empty tail", &one, &empty, one},
        {"onto the empty list", &empty, &three, three},
        {"one onto three", &three, &one, makeList({{0xA1, 0xA2}, {0xB1, 0xB2, 0xB3, 0xB4}, {0xC1}, {1, 2, 3}})},
    };
    for (const Case& c : cases) {
        IdListHolder holder(c.held ? cloneIdList(asList(*c.held)) : nullptr);
        LPITEMIDLIST before = holder.get();
        appendIdList(holder, c.tail ? asList(*c.tail) : nullptr);
        EXPECT_EQ(bytesOf(holder.get()), c.expected) << c.name;
        EXPECT_TRUE(c.tail || holder.get() == before) << c.name << ": the held list is kept as it is";
    }
}

TEST_F(IdListTest, HolderFreesOnClearResetAndDestructionButNotAfterRelease) {
    LPITEMIDLIST kept = nullptr;
    {
        IdListHolder holder(cloneIdList(asList(one)));
        holder.reset(cloneIdList(asList(three)));
        EXPECT_EQ(allocator.live.size(), 1u);
        holder.clear();
        holder.clear();  // twice is harmless
        EXPECT_TRUE(allocator.live.empty());
        holder.reset(cloneIdList(asList(one)));
        kept = holder.release();
        EXPECT_FALSE(holder);
        holder.reset(cloneIdList(asList(one)));
    }
    EXPECT_EQ(allocator.live.size(), 1u);
    freeIdList(kept);
}

TEST_F(IdListTest, AFailingAllocatorGivesNoListAndAppendStillFreesTheOld) {
    IdListHolder holder(cloneIdList(asList(three)));
    allocator.failFrom = 0;
    EXPECT_EQ(cloneIdList(asList(three)), nullptr);
    EXPECT_EQ(copyFirstItem(asList(three)), nullptr);
    appendIdList(holder, asList(one));
    EXPECT_FALSE(holder);
}

// The absolute list of a folder, through its own IPersistFolder2 (the desktop may answer none).
std::vector<BYTE> absoluteListOfFolder(IShellFolder* folder) {
    ComRef<IPersistFolder2> persist;
    LPITEMIDLIST list = nullptr;
    if (FAILED(folder->QueryInterface(IID_IPersistFolder2, persist.putVoid()))) return {};
    if (FAILED(persist->GetCurFolder(&list)) || !list) return {0, 0};
    IdListHolder held(list);
    return bytesOf(list);
}

// Real lists from the shell, split against the real namespace.
TEST(SplitIdList, GivesTheContainingFolderAndTheLastItem) {
    AppSession session;
    ZFolder dir;
    dir.makeFolder("inner");
    IdListHolder deep(parsePath(dir.path("inner")));
    IdListHolder folderList(parsePath(dir.path()));
    ASSERT_TRUE(deep && folderList);
    IdListHolder firstOnly(copyFirstItem(deep.get()));
    const std::vector<BYTE> empty = makeList({}), desktop = {0, 0};
    LPCITEMIDLIST deepLast = reinterpret_cast<LPCITEMIDLIST>(reinterpret_cast<const BYTE*>(deep.get()) +
                                                             idListSize(folderList.get()) - 2);
    struct Case {
        const char* name;
        LPCITEMIDLIST input;
        std::vector<BYTE> parentList, relative;
    } cases[] = {
        {"the desktop", asList(empty), desktop, empty},
        {"one item", firstOnly.get(), desktop, bytesOf(firstOnly.get())},
        {"deep", deep.get(), bytesOf(folderList.get()), bytesOf(deepLast)},
    };
    ComRef<IShellFolder> desktopRef(desktopFolder());
    for (const Case& c : cases) {
        IShellFolder* parent = nullptr;
        IdListHolder relative;
        ASSERT_TRUE(splitIdList(c.input, parent, relative)) << c.name;
        ComRef<IShellFolder> parentRef(parent);
        ASSERT_TRUE(parent) << c.name;
        EXPECT_EQ(bytesOf(relative.get()), c.relative) << c.name;
        std::vector<BYTE> actual = absoluteListOfFolder(parent);
        EXPECT_EQ(desktopRef->CompareIDs(0, asList(c.parentList), asList(actual)), 0) << c.name;
    }

    IShellFolder* parent = reinterpret_cast<IShellFolder*>(1);
    IdListHolder relative(cloneIdList(firstOnly.get()));
    ASSERT_TRUE(splitIdList(nullptr, parent, relative));
    ComRef<IShellFolder> parentRef(parent);
    EXPECT_TRUE(parent);
    EXPECT_FALSE(relative) << "no list splits into the desktop and no list";
}

TEST(SplitIdList, FailuresClearBothOutputsAndLeakNothing) {
    AppSession session;
    ZFolder dir;
    dir.makeFile("file.txt");
    IdListHolder throughFile(parsePath(dir.path("file.txt")));
    ASSERT_TRUE(throughFile);
    // A list that goes on below a file: the file cannot be bound as a folder.
    IdListHolder belowFile(cloneIdList(throughFile.get()));
    appendIdList(belowFile, throughFile.get());
    IShellFolder* parent = reinterpret_cast<IShellFolder*>(1);
    IdListHolder relative(cloneIdList(throughFile.get()));
    EXPECT_FALSE(splitIdList(belowFile.get(), parent, relative));
    EXPECT_EQ(parent, nullptr);
    EXPECT_FALSE(relative);

    // Every allocation the split makes, refused in turn.
    IMalloc* real = shellAllocator;
    for (int refused = 0; refused < 8; ++refused) {
        TrackingAllocator failing;
        failing.failFrom = refused;
        shellAllocator = &failing;
        IShellFolder* out = nullptr;
        IdListHolder outList;
        bool split = splitIdList(throughFile.get(), out, outList);
        ComRef<IShellFolder> outRef(out);
        EXPECT_EQ(split, out != nullptr) << "refusing allocation " << refused;
        EXPECT_EQ(split, static_cast<bool>(outList)) << "refusing allocation " << refused;
        outList.clear();
        EXPECT_TRUE(failing.live.empty()) << "refusing allocation " << refused;
        shellAllocator = real;
    }
}

}  // namespace
