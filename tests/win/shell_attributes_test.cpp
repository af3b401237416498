#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>
#include <vector>
#include "shell/AttributeFilter.h"
#include "shell/ReflectedMessage.h"
#include "shell/ShellItem.h"
#include "shell_harness.h"

namespace {

// An IShellFolder of our own that records the attribute questions it is asked and
// answers from a fixed attribute word; CompareIDs gives a fixed result.
class RecordingFolder : public IShellFolder {
public:
    ULONG itemAttributes = 0;
    HRESULT attributesResult = S_OK, compareResult = S_OK;
    std::vector<ULONG> questions;
    LONG references = 1;

    STDMETHODIMP QueryInterface(REFIID, void** object) override { *object = nullptr; return E_NOINTERFACE; }
    STDMETHODIMP_(ULONG) AddRef() override { return ++references; }
    STDMETHODIMP_(ULONG) Release() override { return --references; }
    STDMETHODIMP GetAttributesOf(UINT count, PCUITEMID_CHILD_ARRAY, SFGAOF* inOut) override {
        EXPECT_EQ(count, 1u);
        questions.push_back(*inOut);
        if (FAILED(attributesResult)) return attributesResult;
        *inOut &= itemAttributes;
        return S_OK;
    }
    STDMETHODIMP CompareIDs(LPARAM, PCUIDLIST_RELATIVE, PCUIDLIST_RELATIVE) override { return compareResult; }
    STDMETHODIMP ParseDisplayName(HWND, LPBC, LPOLESTR, ULONG*, PIDLIST_RELATIVE*, ULONG*) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP EnumObjects(HWND, SHCONTF, IEnumIDList**) override { return E_NOTIMPL; }
    STDMETHODIMP BindToObject(PCUIDLIST_RELATIVE, LPBC, REFIID, void**) override { return E_NOTIMPL; }
    STDMETHODIMP BindToStorage(PCUIDLIST_RELATIVE, LPBC, REFIID, void**) override { return E_NOTIMPL; }
    STDMETHODIMP CreateViewObject(HWND, REFIID, void**) override { return E_NOTIMPL; }
    STDMETHODIMP GetUIObjectOf(HWND, UINT, PCUITEMID_CHILD_ARRAY, REFIID, UINT*, void**) override { return E_NOTIMPL; }
    STDMETHODIMP GetDisplayNameOf(PCUITEMID_CHILD, SHGDNF, STRRET*) override { return E_NOTIMPL; }
    STDMETHODIMP SetNameOf(HWND, PCUITEMID_CHILD, LPCWSTR, SHGDNF, PITEMID_CHILD*) override { return E_NOTIMPL; }
};

const BYTE itemBytes[] = {5, 0, 'x', 'y', 'z', 0, 0};
LPCITEMIDLIST item = reinterpret_cast<LPCITEMIDLIST>(itemBytes);
const ULONG filterMask = 0x700F0000;  // what the filter always adds to the caller's mask

TEST(AttributeFilter, RemovableIsAskedFirstAndSparesTheReadOnlyQuestion) {
    struct Case {
        const char* name;
        ULONG itemAttributes, requested, secondQuestion;
    } cases[] = {
        {"fixed file", SFGAO_READONLY, listItemAttributes, listItemAttributes | filterMask},
        {"removable drive", SFGAO_REMOVABLE | SFGAO_READONLY | SFGAO_FOLDER, treeNodeAttributes,
         (treeNodeAttributes | filterMask) & ~static_cast<ULONG>(SFGAO_READONLY)},
    };
    for (const Case& c : cases) {
        RecordingFolder folder;
        folder.itemAttributes = c.itemAttributes;
        ULONG attributes = c.requested;
        EXPECT_FALSE(queryAttributes(0, &folder, item, attributes)) << c.name;
        ASSERT_EQ(folder.questions.size(), 2u) << c.name;
        EXPECT_EQ(folder.questions[0], static_cast<ULONG>(SFGAO_REMOVABLE)) << c.name;
        EXPECT_EQ(folder.questions[1], c.secondQuestion) << c.name;
        EXPECT_EQ(attributes, c.secondQuestion & c.itemAttributes) << c.name;
    }
    RecordingFolder folder;
    ULONG attributes = 0;
    EXPECT_FALSE(queryAttributes(0, &folder, item, attributes));
    EXPECT_TRUE(folder.questions.empty()) << "nothing is asked without options or mask";
}

TEST(AttributeFilter, EachOptionLeavesOutItsItems) {
    const ULONG file = SFGAO_FILESYSTEM, folderItem = SFGAO_FOLDER | SFGAO_FILESYSTEM;
    const ULONG readOnlyFile = SFGAO_READONLY | SFGAO_FILESYSTEM, ancestor = SFGAO_FOLDER | SFGAO_FILESYSANCESTOR;
    struct Case {
        uint32_t options;
        ULONG itemAttributes;
        bool leftOut;
    } cases[] = {
        {BrowseExcludeFolders, folderItem, true},    {BrowseExcludeFolders, file, false},
        {BrowseExcludeFiles, file, true},            {BrowseExcludeFiles, folderItem, false},
        {BrowseExcludeReadOnly, readOnlyFile, true}, {BrowseExcludeReadOnly, file, false},
        {BrowseFileSystemOnly, SFGAO_FOLDER, true},  {BrowseFileSystemOnly, ancestor, false},
        {BrowseFileSystemOnly, file, false},         {BrowseIncludeHidden, SFGAO_HIDDEN, false},
        {BrowseExcludeReadOnly, readOnlyFile | SFGAO_REMOVABLE, false},
    };
    for (const Case& c : cases) {
        RecordingFolder folder;
        folder.itemAttributes = c.itemAttributes;
        ULONG attributes = listItemAttributes;
        EXPECT_EQ(queryAttributes(c.options, &folder, item, attributes), c.leftOut)
            << "options " << c.options << ", attributes " << std::hex << c.itemAttributes;
    }
}

TEST(AttributeFilter, AFailedQuestionAnswersNothing) {
    // Regression: a failing GetAttributesOf left the requested mask as the answer, so the
    // item looked like a read-only, hidden, shared link.
    RecordingFolder folder;
    folder.attributesResult = E_FAIL;
    ULONG attributes = listItemAttributes;
    EXPECT_FALSE(queryAttributes(BrowseExcludeReadOnly, &folder, item, attributes));
    EXPECT_EQ(attributes, 0u);
    EXPECT_EQ(folder.questions.size(), 2u);
    attributes = listItemAttributes;
    EXPECT_TRUE(queryAttributes(BrowseFileSystemOnly, &folder, item, attributes));
}

TEST(AttributeFilter, HiddenItemsAreEnumeratedOnlyWhenAskedFor) {
    EXPECT_EQ(enumerationFlags(0, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS), 0x60u);
    EXPECT_EQ(enumerationFlags(BrowseIncludeHidden, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS), 0xE0u);
    EXPECT_EQ(enumerationFlags(BrowseIncludeHidden, SHCONTF_FOLDERS), 0xA0u);
    EXPECT_EQ(enumerationFlags(BrowseExcludeFiles | BrowseExcludeFolders, SHCONTF_FOLDERS), 0x20u);
}

TEST(ItemOrder, TheFolderOrdersByTheLowSixteenBitsAndAFailureIsEqual) {
    const std::pair<HRESULT, int> cases[] = {
        {MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0), 0},          {MAKE_HRESULT(SEVERITY_SUCCESS, 0, 1), 1},
        {MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0xFFFF), -1},    {MAKE_HRESULT(SEVERITY_SUCCESS, 0x22, 0x8000), -32768},
        {E_INVALIDARG, 0},                                  {static_cast<HRESULT>(0x80000001), 0},
    };
    for (const auto& [result, order] : cases) {
        RecordingFolder folder;
        folder.compareResult = result;
        EXPECT_EQ(compareRelativeLists(&folder, item, item), order) << std::hex << result;
    }
}

TEST(ReflectedMessages, TheDialogsReflectedSetAndNothingBeside) {
    for (UINT message : {0x202B, 0x202F, 0x2039, 0x204E, 0x2111, 0x2114, 0x2115, 0x2132, 0x2138, 0x2210})
        EXPECT_TRUE(isReflectedMessage(message)) << std::hex << message;
    for (UINT message : {0x2000, 0x202A, 0x2030, 0x2038, 0x203A, 0x204D, 0x204F, 0x2110, 0x2113, 0x2116, 0x2131,
                         0x2139, 0x220F, 0x2211, WM_NOTIFY, WM_USER})
        EXPECT_FALSE(isReflectedMessage(message)) << std::hex << message;
}

TEST(ShellItemRecord, HoldsOneFolderReferenceForItsLifetimeAndNoneWhenNotMade) {
    RecordingFolder folder;
    TrackingAllocator allocator;
    shellAllocator = &allocator;
    const int before = ShellItem::liveCount();
    ShellItem* record = ShellItem::create(&folder, item, item, 0);
    EXPECT_EQ(folder.references, 2);
    delete record;
    EXPECT_EQ(folder.references, 1);
    EXPECT_TRUE(allocator.live.empty());
    EXPECT_EQ(allocator.foreignFrees, 0);

    // Without an allocator the record cannot be made whole: none is made, nothing held.
    shellAllocator = nullptr;
    EXPECT_EQ(ShellItem::create(&folder, item, item, 0), nullptr);
    EXPECT_EQ(folder.references, 1);
    EXPECT_EQ(ShellItem::liveCount(), before);
}

}  // namespace
