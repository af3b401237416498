#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>
#include <cstring>
#include <map>
#include <vector>
#include "shell/ComRef.h"
#include "shell/IdList.h"
#include "shell/ShellFolder.h"
#include "shell_harness.h"

namespace {

// An IMalloc over the heap that counts live blocks and can be told to refuse.
class CountingAllocator : public IMalloc {
public:
    std::map<void*, SIZE_T> live;
    int allocations = 0;
    int failFrom = -1;  // the first allocation (counted from 0) that fails; -1: none

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    void* STDMETHODCALLTYPE Alloc(SIZE_T size) override {
        if (failFrom >= 0 && allocations++ >= failFrom) return nullptr;
        void* block = std::malloc(size);
        live[block] = size;
        return block;
    }
    void* STDMETHODCALLTYPE Realloc(void*, SIZE_T) override { return nullptr; }
    void STDMETHODCALLTYPE Free(void* block) override {
        if (!block) return;
        // A block we never gave out (or gave back already) is a fault of the caller.
        EXPECT_EQ(live.erase(block), 1u);
        std::free(block);
    }
    SIZE_T STDMETHODCALLTYPE GetSize(void* block) override { return live.count(block) ? live[block] : 0; }
    int STDMETHODCALLTYPE DidAlloc(void* block) override { return live.count(block) ? 1 : 0; }
    void STDMETHODCALLTYPE HeapMinimize() override {}
};

// Builds a list from items given as their data bytes; the terminator is added.
std::vector<BYTE> makeList(const std::vector<std::vector<BYTE>>& items) {
    std::vector<BYTE> bytes;
    for (const auto& data : items) {
        USHORT cb = static_cast<USHORT>(data.size() + 2);
        bytes.push_back(static_cast<BYTE>(cb & 0xFF));
        bytes.push_back(static_cast<BYTE>(cb >> 8));
        bytes.insert(bytes.end(), data.begin(), data.end());
    }
    bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
}

LPCITEMIDLIST asList(const std::vector<BYTE>& bytes) { return reinterpret_cast<LPCITEMIDLIST>(bytes.data()); }

std::vector<BYTE> bytesOf(LPCITEMIDLIST list) {
    const BYTE* start = reinterpret_cast<const BYTE*>(list);
    return std::vector<BYTE>(start, start + idListSize(list));
}

class IdListTest : public ::testing::Test {
protected:
    CountingAllocator allocator;
    const std::vector<BYTE> empty = makeList({});
    const std::vector<BYTE> one = makeList({{1, 2, 3}});
    const std::vector<BYTE> three = makeList({{0xA1, 0xA2}, {0xB1, 0xB2, 0xB3, 0xB4}, {0xC1}});

    void SetUp() override { shellAllocator = &allocator; }
    void TearDown() override {
        shellAllocator = nullptr;
        EXPECT_TRUE(allocator.live.empty()) << allocator.live.size() << " lists not freed";
    }
};

TEST_F(IdListTest, SizeAndCountOfEveryShape) {
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
    }
}

TEST_F(IdListTest, CopiesAreWholeAndComeFromTheShellAllocator) {
    for (const auto* source : {&empty, &one, &three}) {
        IdListHolder copy(cloneIdList(asList(*source)));
        ASSERT_TRUE(copy);
        EXPECT_NE(static_cast<const void*>(copy.get()), static_cast<const void*>(source->data()));
        EXPECT_EQ(bytesOf(copy.get()), *source);
        EXPECT_TRUE(allocator.live.count(copy.get()));
    }
    EXPECT_EQ(cloneIdList(nullptr), nullptr);
    EXPECT_EQ(copyFirstItem(nullptr), nullptr);

    IdListHolder first(copyFirstItem(asList(three)));
    EXPECT_EQ(allocator.live[first.get()], 4u + 2u);  // cb + 2
    EXPECT_EQ(bytesOf(first.get()), makeList({{0xA1, 0xA2}}));
    IdListHolder firstOfEmpty(copyFirstItem(asList(empty)));
    EXPECT_EQ(bytesOf(firstOfEmpty.get()), empty);
}

TEST_F(IdListTest, AFailingAllocatorGivesNoList) {
    allocator.failFrom = 0;
    EXPECT_EQ(cloneIdList(asList(three)), nullptr);
    EXPECT_EQ(copyFirstItem(asList(three)), nullptr);
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
        if (c.expected.empty()) {
            EXPECT_FALSE(holder) << c.name;
            continue;
        }
        ASSERT_TRUE(holder) << c.name;
        EXPECT_EQ(bytesOf(holder.get()), c.expected) << c.name;
        if (c.held && !c.tail) {
            EXPECT_EQ(holder.get(), before) << c.name << ": the held list is kept as it is";
        }
        if (c.tail) {
            EXPECT_NE(static_cast<const void*>(holder.get()), static_cast<const void*>(c.tail->data()));
        }
    }
}

TEST_F(IdListTest, AppendWithAFailingAllocatorFreesTheOldListAndHoldsNone) {
    IdListHolder holder(cloneIdList(asList(three)));
    allocator.failFrom = 0;
    appendIdList(holder, asList(one));
    EXPECT_FALSE(holder);
    EXPECT_TRUE(allocator.live.empty());
}

TEST_F(IdListTest, HolderFreesOnClearResetAndDestructionButNotAfterRelease) {
    LPITEMIDLIST kept = nullptr;
    {
        IdListHolder holder(cloneIdList(asList(one)));
        holder.reset(cloneIdList(asList(three)));
        EXPECT_EQ(allocator.live.size(), 1u);
        holder.clear();
        EXPECT_TRUE(allocator.live.empty());
        holder.clear();  // twice is harmless
        holder.reset(cloneIdList(asList(one)));
        kept = holder.release();
        EXPECT_FALSE(holder);
    }
    EXPECT_EQ(allocator.live.size(), 1u);
    freeIdList(kept);
}

// Real lists from the shell, split against the real namespace.
class SplitTest : public ::testing::Test {
protected:
    ShellSession session;
    ZFolder dir;

    // The absolute list of a folder, through the folder's own IPersistFolder2.
    static std::vector<BYTE> absoluteListOfFolder(IShellFolder* folder) {
        ComRef<IPersistFolder2> persist;
        if (FAILED(folder->QueryInterface(IID_IPersistFolder2, persist.putVoid()))) return {};
        LPITEMIDLIST list = nullptr;
        if (FAILED(persist->GetCurFolder(&list)) || !list) return {0, 0};  // the desktop may answer none
        IdListHolder held(list);
        return bytesOf(list);
    }
};

TEST_F(SplitTest, RealListsHaveOneItemPerLevel) {
    dir.makeFolder("one");
    dir.makeFolder("one\\two");
    IdListHolder top(parsePath(dir.path()));
    IdListHolder deep(parsePath(dir.path("one\\two")));
    ASSERT_TRUE(top);
    ASSERT_TRUE(deep);
    EXPECT_EQ(idListCount(deep.get()), idListCount(top.get()) + 2);
    // The deeper list begins with the shallower one, item for item.
    UINT head = idListSize(top.get()) - 2;
    EXPECT_EQ(std::memcmp(top.get(), deep.get(), head), 0);
    UINT sum = 2;
    for (LPCITEMIDLIST item = deep.get(); item->mkid.cb; item = nextIdItem(item)) sum += item->mkid.cb;
    EXPECT_EQ(idListSize(deep.get()), sum);
}

TEST_F(SplitTest, SplittingGivesTheContainingFolderAndTheLastItem) {
    dir.makeFolder("inner");
    IdListHolder deep(parsePath(dir.path("inner")));
    IdListHolder folderList(parsePath(dir.path()));
    ASSERT_TRUE(deep);
    IdListHolder firstOnly(copyFirstItem(deep.get()));
    const std::vector<BYTE> empty = makeList({});

    struct Case {
        const char* name;
        LPCITEMIDLIST input;
        std::vector<BYTE> parentList, relative;
    } cases[] = {
        {"the desktop", asList(empty), {0, 0}, empty},
        {"one item", firstOnly.get(), {0, 0}, bytesOf(firstOnly.get())},
        {"deep", deep.get(), bytesOf(folderList.get()),
         bytesOf(reinterpret_cast<LPCITEMIDLIST>(reinterpret_cast<const BYTE*>(deep.get()) +
                                                 idListSize(folderList.get()) - 2))},
    };
    ComRef<IShellFolder> desktop(desktopFolder());
    for (const Case& c : cases) {
        IShellFolder* parent = nullptr;
        IdListHolder relative;
        ASSERT_TRUE(splitIdList(c.input, parent, relative)) << c.name;
        ComRef<IShellFolder> parentRef(parent);
        ASSERT_TRUE(parent) << c.name;
        EXPECT_EQ(bytesOf(relative.get()), c.relative) << c.name;
        std::vector<BYTE> actualParent = absoluteListOfFolder(parent);
        LPITEMIDLIST expected = const_cast<LPITEMIDLIST>(asList(c.parentList));
        LPITEMIDLIST actual = reinterpret_cast<LPITEMIDLIST>(actualParent.data());
        EXPECT_EQ(desktop->CompareIDs(0, expected, actual), 0) << c.name;
    }

    IShellFolder* parent = reinterpret_cast<IShellFolder*>(1);
    IdListHolder relative(cloneIdList(firstOnly.get()));
    ASSERT_TRUE(splitIdList(nullptr, parent, relative));
    ComRef<IShellFolder> parentRef(parent);
    EXPECT_TRUE(parent);
    EXPECT_FALSE(relative) << "no list splits into the desktop and no list";
}

TEST_F(SplitTest, SplitFailuresClearBothOutputsAndLeakNothing) {
    dir.makeFile("file.txt");
    IdListHolder throughFile(parsePath(dir.path("file.txt")));
    ASSERT_TRUE(throughFile);
    // A list that goes on below a file: the file cannot be bound as a folder.
    IdListHolder belowFile(cloneIdList(throughFile.get()));
    IdListHolder last(cloneIdList(throughFile.get()));
    appendIdList(belowFile, last.get());

    IShellFolder* parent = reinterpret_cast<IShellFolder*>(1);
    IdListHolder relative(cloneIdList(throughFile.get()));
    EXPECT_FALSE(splitIdList(belowFile.get(), parent, relative));
    EXPECT_EQ(parent, nullptr);
    EXPECT_FALSE(relative);

    // Every allocation the split makes, refused in turn.
    IMalloc* real = shellAllocator;
    CountingAllocator failing;
    for (int refused = 0; refused < 8; ++refused) {
        failing.allocations = 0;
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
