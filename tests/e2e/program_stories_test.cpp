// The program's stories, each told through the real dialog in this process.
#include <cstdio>
#include <cstring>
#include "program_harness.h"
#include "app/resources/resource.h"
#include "shell/IdList.h"
#include "standin/StoreFiles.h"
#include "support/TestJpeg.h"
#include "support/ToolRun.h"

namespace {

// Both verdicts of a frame larger than the screen both ways start so.
const char greaterVerdict[] = "- selection is greater than device screen";

// The start of the status line for the view's current selection.
std::string selectionStatusPrefix(const PhotoView& view) {
    char text[128];
    snprintf(text, sizeof text, "Selection : ( %d , %d ) [ %d x %d ] ==> [ %d x %d ] ",
             static_cast<int>(view.sourceLeft), static_cast<int>(view.sourceTop), static_cast<int>(view.sourceWidth),
             static_cast<int>(view.sourceHeight), static_cast<int>(view.outputWidth),
             static_cast<int>(view.outputHeight));
    return text;
}

bool startsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

POINT selectionBottomRight(const PhotoView& view) {
    return POINT{view.selectionLeft + view.selectionWidth, view.selectionTop + view.selectionHeight};
}

// Drags the selection's bottom-right corner outwards: a larger frame, and the status with it.
void enlargeSelection(RunningProgram& program) {
    const PhotoView& view = program.dialog.photoView;
    const int32_t widthBefore = view.selectionWidth;
    const std::string statusBefore = program.text(IDC_STATUS);
    POINT corner = selectionBottomRight(view);
    program.dragOnPicture(corner, POINT{corner.x + 40, corner.y + 40});
    EXPECT_GT(view.selectionWidth, widthBefore);
    EXPECT_EQ(view.dragMode, PhotoView::DragNone);
    const std::string status = program.text(IDC_STATUS);
    EXPECT_NE(status, statusBefore);
    EXPECT_TRUE(startsWith(status, selectionStatusPrefix(view) + greaterVerdict)) << status;
}

// The export inside a memory database or a card file: a whole JPEG of the framed output size.
void expectFramedJpeg(const std::vector<uint8_t>& bytes, size_t offset, const PhotoView& view) {
    ASSERT_GT(bytes.size(), offset);
    DecodedJpeg decoded = decodeJpeg(bytes.data() + offset, bytes.size() - offset);
    ASSERT_TRUE(decoded.ok);
    EXPECT_EQ(decoded.width, view.outputWidth);
    EXPECT_EQ(decoded.height, view.outputHeight);
}

void expectSync(const TestStore& hotSync, const std::string& user, const std::string& log) {
    std::string printed;
    EXPECT_EQ(runBinProgram("hotsync.exe", "sync " + user, log, printed), 0u) << printed;
    EXPECT_TRUE(hotSync.queue(user).empty()) << printed;
}

}  // namespace

// With exactly one HotSync user the program chooses it at start; the tree starts at the desktop.
TEST_F(ProgramTest, StartChoosesTheOnlyUserAndBrowsesTheDesktop) {
    TestStore hotSync(temp.path("HotSync"));
    ASSERT_EQ(addUser(hotSync.store.root(), "Ann", {"SD Card"}), StoreOk);

    RunningProgram program;
    ASSERT_NE(program.window, nullptr);
    EXPECT_EQ(program.comboItems(IDC_DEVICE_COMBO), std::vector<std::string>{"Ann"});
    EXPECT_EQ(program.comboSelection(IDC_DEVICE_COMBO), 0);
    EXPECT_EQ(program.comboItems(IDC_STORAGE_COMBO), (std::vector<std::string>{"Internal memory", "SD Card"}));
    EXPECT_EQ(program.comboSelection(IDC_STORAGE_COMBO), 0);
    EXPECT_EQ(program.text(IDC_WIDTH_EDIT), "320");
    EXPECT_EQ(program.text(IDC_HEIGHT_EDIT), "320");
    EXPECT_TRUE(IsWindowEnabled(program.item(IDC_SEND)));
    EXPECT_EQ(program.text(IDC_SEND), "Send to Vistrel");
    EXPECT_EQ(program.text(IDC_STATUS), "Choose a jpeg file...");
    EXPECT_TRUE(folderExists(hotSync.outputFolder("Ann")));

    HTREEITEM root = program.treeNode(TVGN_ROOT);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(program.treeNode(TVGN_NEXT, root), nullptr);
    EXPECT_EQ(program.treeNode(TVGN_CARET), root);
    EXPECT_TRUE(program.isExpanded(root));
    IdListHolder rootList;
    ASSERT_TRUE(program.dialog.folderTree.nodeIdListAt(root, rootList));
    EXPECT_EQ(idListCount(rootList.get()), 0u);  // the desktop
    EXPECT_NE(program.treeNode(TVGN_CHILD, root), nullptr);
    EXPECT_FALSE(program.rowNames().empty());
}

// Folder, row, frame, send to memory, HotSync; then the same photograph to the card.
TEST_F(ProgramTest, APhotographGoesFromItsFolderToTheHandheld) {
    TestStore hotSync(temp.path("HotSync"));
    ASSERT_EQ(addUser(hotSync.store.root(), "Ann", {"SD Card"}), StoreOk);
    const StoreUser ann = hotSync.user("Ann");
    const std::string pictures = temp.makeFolder("Pictures");
    temp.makeFolder("Pictures\\Trip");
    ASSERT_TRUE(writePhotograph(pictures + "\\Harbour.jpg", 1600, 1200));

    RunningProgram program;
    ASSERT_NE(program.window, nullptr);
    const PhotoView& view = program.dialog.photoView;
    ASSERT_TRUE(program.openFolder(pictures));
    EXPECT_EQ(program.rowNames(), (std::vector<std::string>{"Trip", "Harbour.jpg"}));

    program.selectRow(program.rowOf("Harbour.jpg"));
    ASSERT_TRUE(view.photoLoaded);
    EXPECT_EQ(view.imageWidth, 1600);
    EXPECT_EQ(view.imageHeight, 1200);
    // The initial frame is the 320 x 320 screen brought to display scale and back.
    EXPECT_EQ(view.sourceLeft, 0);
    EXPECT_NEAR(view.sourceWidth, 320, 1600 / view.displayWidth + 1);
    EXPECT_NEAR(view.sourceHeight, 320, 1200 / view.displayHeight + 1);
    const std::string status = program.text(IDC_STATUS);
    EXPECT_TRUE(startsWith(status, selectionStatusPrefix(view))) << status;
    EXPECT_NE(status.find("quality)"), std::string::npos) << status;

    enlargeSelection(program);

    const std::string database = hotSync.outputFolder("Ann") + "\\Harbour.pdb";
    {
        MessageBoxReader reader;
        program.click(IDC_SEND);
        ASSERT_EQ(reader.boxes.size(), 1u);
        EXPECT_EQ(reader.boxes[0].caption, "Vistrel error");
        EXPECT_EQ(reader.boxes[0].text,
                  "Photo ''Harbour.pdb'' will be installed on ''Ann'' Internal memory at next HotSync(r)");
        EXPECT_EQ(reader.boxes[0].icon, LoadIconA(nullptr, IDI_ASTERISK));
    }
    std::vector<InstallRequest> queue = hotSync.queue("Ann");
    ASSERT_EQ(queue.size(), 1u);
    EXPECT_FALSE(queue[0].toCard);
    EXPECT_EQ(queue[0].path, database);
    const std::vector<uint8_t> written = readFile(database);
    ASSERT_GT(written.size(), 88u);
    EXPECT_EQ(std::string(written.begin(), written.begin() + 7), std::string("Harbour", 7));
    EXPECT_EQ(std::memcmp(&written[60], "jpeg", 4), 0);
    expectFramedJpeg(written, 88, view);

    expectSync(hotSync, "Ann", temp.path("sync-memory.txt"));
    EXPECT_EQ(readFile(joinPath(hotSync.store.memoryFolderPath(ann), "Harbour.pdb")), written);

    program.chooseComboItem(IDC_STORAGE_COMBO, 1);
    {
        MessageBoxReader reader;
        program.click(IDC_SEND);
        ASSERT_EQ(reader.boxes.size(), 1u);
        EXPECT_EQ(reader.boxes[0].text,
                  "Photo ''Harbour.jpg'' will be installed on ''Ann'' SD Card at next HotSync(r)");
    }
    const std::string cardFile = hotSync.outputFolder("Ann") + "\\Harbour.jpg";
    queue = hotSync.queue("Ann");
    ASSERT_EQ(queue.size(), 1u);
    EXPECT_TRUE(queue[0].toCard);
    EXPECT_EQ(queue[0].slotId, static_cast<uint32_t>(FirstSlotId));
    EXPECT_EQ(queue[0].path, cardFile);
    expectFramedJpeg(readFile(cardFile), 0, view);

    expectSync(hotSync, "Ann", temp.path("sync-card.txt"));
    EXPECT_EQ(readFile(joinPath(hotSync.store.cardFolderPath(ann, FirstSlotId), "Harbour.jpg")), readFile(cardFile));
}

// A double-click on a sub-folder row walks the tree to it; one on empty space names no row.
TEST_F(ProgramTest, DoubleClickingASubFolderRowOpensIt) {
    TestStore hotSync(temp.path("HotSync"));  // empty: nothing outside the test reaches the program
    const std::string pictures = temp.makeFolder("Pictures");
    temp.makeFolder("Pictures\\Trip");
    ASSERT_TRUE(writePhotograph(pictures + "\\Harbour.jpg", 64, 48));
    ASSERT_TRUE(writePhotograph(pictures + "\\Trip\\Boat.jpg", 64, 48));

    RunningProgram program;
    ASSERT_NE(program.window, nullptr);
    ASSERT_TRUE(program.openFolder(pictures));
    HTREEITEM picturesNode = program.treeNode(TVGN_CARET);
    ASSERT_EQ(program.nodeName(picturesNode), "Pictures");
    EXPECT_FALSE(program.isExpanded(picturesNode));

    const int trip = program.rowOf("Trip");
    ASSERT_GE(trip, 0);
    program.doubleClickList(program.rowCentre(trip));
    HTREEITEM tripNode = program.treeNode(TVGN_CARET);
    EXPECT_EQ(program.nodeName(tripNode), "Trip");
    EXPECT_EQ(program.treeNode(TVGN_PARENT, tripNode), picturesNode);
    EXPECT_TRUE(program.isExpanded(picturesNode));
    EXPECT_EQ(program.rowNames(), std::vector<std::string>{"Boat.jpg"});

    RECT client{};
    GetClientRect(program.item(IDC_FILE_LIST), &client);
    program.doubleClickList(POINT{client.right - 4, client.bottom - 4});
    EXPECT_EQ(program.treeNode(TVGN_CARET), tripNode);
    EXPECT_EQ(program.rowNames(), std::vector<std::string>{"Boat.jpg"});
}

// No device chosen, or no HotSync libraries at all: the program still starts, and a
// photograph can be loaded and framed.
TEST_F(ProgramTest, WithoutADeviceThePhotographCanStillBeFramed) {
    const std::string pictures = temp.makeFolder("Pictures");
    ASSERT_TRUE(writePhotograph(pictures + "\\Harbour.jpg", 800, 600));
    struct Case {
        const char* what;
        const char* storeFolder;
        bool storeExists;
        int users;
        const char* userData;
        const char* installAide;
        size_t devicesListed;
    };
    const Case cases[] = {
        {"two users", "TwoUsers", true, 2, "UserData.dll", "INSTAIDE.dll", 2},
        {"the store's root is missing", "Missing", false, 0, "UserData.dll", "INSTAIDE.dll", 0},
        // One user, whom the program would choose if it could reach the libraries.
        {"no libraries", "NoLibraries", true, 1, "NoSuchUserData.dll", "NoSuchInstallAide.dll", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestStore hotSync(temp.path(c.storeFolder), c.storeExists);
        for (int i = 0; i < c.users; ++i) {
            ASSERT_EQ(addUser(hotSync.store.root(), i == 0 ? "Ann" : "Bob"), StoreOk);
        }

        RunningProgram program(c.userData, c.installAide);
        ASSERT_NE(program.window, nullptr);
        EXPECT_EQ(program.comboItems(IDC_DEVICE_COMBO).size(), c.devicesListed);
        EXPECT_EQ(program.comboSelection(IDC_DEVICE_COMBO), CB_ERR);
        EXPECT_TRUE(program.comboItems(IDC_STORAGE_COMBO).empty());
        EXPECT_FALSE(IsWindowEnabled(program.item(IDC_SEND)));
        EXPECT_EQ(program.text(IDC_SEND), "(Select a device)");
        EXPECT_EQ(program.text(IDC_STATUS), "Select a device...");

        ASSERT_TRUE(program.openFolder(pictures));
        program.selectRow(program.rowOf("Harbour.jpg"));
        ASSERT_TRUE(program.dialog.photoView.photoLoaded);
        EXPECT_TRUE(startsWith(program.text(IDC_STATUS), selectionStatusPrefix(program.dialog.photoView)));
        enlargeSelection(program);
    }
}

// Send with no photograph: refused in a message box, and nothing written or queued.
TEST_F(ProgramTest, SendingWithoutAPhotographIsRefused) {
    TestStore hotSync(temp.path("HotSync"));
    ASSERT_EQ(addUser(hotSync.store.root(), "Ann"), StoreOk);

    RunningProgram program;
    ASSERT_NE(program.window, nullptr);
    ASSERT_TRUE(IsWindowEnabled(program.item(IDC_SEND)));
    {
        MessageBoxReader reader;
        program.click(IDC_SEND);
        ASSERT_EQ(reader.boxes.size(), 1u);
        EXPECT_EQ(reader.boxes[0].caption, "Vistrel error");
        EXPECT_EQ(reader.boxes[0].text, "No photo to send: choose a jpeg file first.");
        EXPECT_EQ(reader.boxes[0].icon, LoadIconA(nullptr, IDI_HAND));
    }
    EXPECT_TRUE(hotSync.queue("Ann").empty());
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((hotSync.outputFolder("Ann") + "\\*.*").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    int entries = 0;
    do {
        if (std::strcmp(found.cFileName, ".") != 0 && std::strcmp(found.cFileName, "..") != 0) ++entries;
    } while (FindNextFileA(search, &found));
    FindClose(search);
    EXPECT_EQ(entries, 0);
}
