// The program's stories through its real dialog in this process, its layout, its picture
// control and painting, its help, and the HotSync libraries bound by ordinal.
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <sstream>
#include "app/DialogLayout.h"
#include "app/GdiCanvas.h"
#include "app/PictureControl.h"
#include "app/resources/resource.h"
#include "harness.h"
#include "hotsync/HotSyncBinding.h"
#include "standin/StoreConfig.h"
#include "standin/StoreFiles.h"
#include "standin/StoreLibrary.h"
#include "support/RasterCanvas.h"
#include "support/TestJpeg.h"
#include "support/ToolRun.h"
#include "unit/photo_fixture.h"
#include "unit/store_support.h"

namespace {

// A HotSync store at root for the libraries of this process and the tools it starts.
struct TestStore {
    explicit TestStore(const std::string& root, bool create = true) : store(root) {
        if (create) CreateDirectoryA(root.c_str(), nullptr);
        SetEnvironmentVariableA(RootVariable, root.c_str());
    }
    ~TestStore() { SetEnvironmentVariableA(RootVariable, nullptr); }
    StoreUser user(const std::string& name) const {
        StoreUser found;
        store.findUser(name.c_str(), found);
        return found;
    }
    std::vector<InstallRequest> queue(const std::string& name) const {
        std::vector<InstallRequest> requests;
        store.loadQueue(user(name), requests);
        return requests;
    }
    std::string outputFolder(const std::string& name) const { return store.userFolderPath(user(name)) + "\\Vistrel"; }
    Store store;
};

const char greaterVerdict[] = "- selection is greater than device screen";

// The status line for the view's selection starts so.
std::string selectionStatus(const PhotoView& view) {
    char text[128];
    snprintf(text, sizeof text, "Selection : ( %d , %d ) [ %d x %d ] ==> [ %d x %d ] ", int(view.sourceLeft),
             int(view.sourceTop), int(view.sourceWidth), int(view.sourceHeight), int(view.outputWidth),
             int(view.outputHeight));
    return text;
}
bool startsWith(const std::string& text, const std::string& prefix) { return text.compare(0, prefix.size(), prefix) == 0; }

void writePhotograph(const std::string& path, int width, int height) {
    ASSERT_TRUE(writeFile(path, encodeJpeg(width, height, 3, photographicRgb(width, height))));
}

// Drags the selection's bottom-right corner outwards: a larger frame, and the status with it.
void enlargeSelection(Program& program) {
    const PhotoView& view = program.dialog.photoView;
    const int32_t widthBefore = view.selectionWidth;
    POINT corner{view.selectionLeft + view.selectionWidth, view.selectionTop + view.selectionHeight};
    program.drag(corner, POINT{corner.x + 40, corner.y + 40});
    EXPECT_GT(view.selectionWidth, widthBefore);
    EXPECT_TRUE(startsWith(program.text(IDC_STATUS), selectionStatus(view) + greaterVerdict)) << program.text(IDC_STATUS);
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

using Story = Session;

}  // namespace

// Folder, row, frame, send to memory, HotSync; then the same photograph to the card.
TEST_F(Story, APhotographGoesFromItsFolderToTheHandheld) {
    TestStore hotSync(temp.path("HotSync"));
    ASSERT_EQ(addUser(hotSync.store.root(), "Ann", {"SD Card"}), StoreOk);
    const StoreUser ann = hotSync.user("Ann");
    writePhotograph(temp.path("Harbour.jpg"), 1600, 1200);

    HotSyncBinding library;
    Program program(library);  // only one user: chosen at start
    EXPECT_EQ(program.comboItems(IDC_DEVICE_COMBO), Names{"Ann"});
    EXPECT_EQ(int(SendMessageA(program.item(IDC_DEVICE_COMBO), CB_GETCURSEL, 0, 0)), 0);
    EXPECT_EQ(program.comboItems(IDC_STORAGE_COMBO), (Names{"Internal memory", "SD Card"}));
    EXPECT_EQ(int(SendMessageA(program.item(IDC_STORAGE_COMBO), CB_GETCURSEL, 0, 0)), 0);
    EXPECT_EQ(program.text(IDC_WIDTH_EDIT) + program.text(IDC_HEIGHT_EDIT), "320320");
    EXPECT_TRUE(IsWindowEnabled(program.item(IDC_SEND)));
    EXPECT_EQ(program.text(IDC_SEND), "Send to Vistrel");
    EXPECT_EQ(program.text(IDC_STATUS), "Choose a jpeg file...");
    EXPECT_TRUE(folderExists(hotSync.outputFolder("Ann")));

    const PhotoView& view = program.dialog.photoView;
    ASSERT_TRUE(program.open(temp.path()));
    program.setRowState(program.row("Harbour.jpg"), LVIS_FOCUSED | LVIS_SELECTED);
    ASSERT_TRUE(view.photoLoaded);
    EXPECT_EQ(view.imageWidth, 1600);
    // The initial frame is the 320 x 320 screen brought to display scale and back.
    EXPECT_EQ(view.sourceLeft, 0);
    EXPECT_NEAR(view.sourceWidth, 320, 1600 / view.displayWidth + 1);
    EXPECT_NEAR(view.sourceHeight, 320, 1200 / view.displayHeight + 1);
    EXPECT_TRUE(startsWith(program.text(IDC_STATUS), selectionStatus(view))) << program.text(IDC_STATUS);
    EXPECT_NE(program.text(IDC_STATUS).find("quality)"), std::string::npos) << program.text(IDC_STATUS);
    enlargeSelection(program);

    const std::string database = hotSync.outputFolder("Ann") + "\\Harbour.pdb";
    const struct { int storage; const char* text; const char* file; bool toCard; } sends[] = {
        {0, "Photo ''Harbour.pdb'' will be installed on ''Ann'' Internal memory at next HotSync(r)", "Harbour.pdb", false},
        {1, "Photo ''Harbour.jpg'' will be installed on ''Ann'' SD Card at next HotSync(r)", "Harbour.jpg", true},
    };
    for (const auto& s : sends) {
        program.choose(IDC_STORAGE_COMBO, s.storage);
        MessageBoxReader reader;
        program.click(IDC_SEND);
        EXPECT_EQ(reader.boxes, Names{"Vistrel error|" + std::string(s.text) + "|information"});
        const std::string sent = hotSync.outputFolder("Ann") + "\\" + s.file;
        std::vector<InstallRequest> queue = hotSync.queue("Ann");
        ASSERT_EQ(queue.size(), 1u);
        EXPECT_EQ(queue[0].toCard, s.toCard);
        EXPECT_EQ(queue[0].path, sent);
        const std::vector<uint8_t> written = readFile(sent);
        if (s.toCard) {
            EXPECT_EQ(queue[0].slotId, uint32_t(FirstSlotId));
            expectFramedJpeg(written, 0, view);
        } else {
            ASSERT_GT(written.size(), 88u);
            EXPECT_EQ(std::string(written.begin(), written.begin() + 7), "Harbour");
            EXPECT_EQ(std::memcmp(&written[60], "jpeg", 4), 0);
            expectFramedJpeg(written, 88, view);
        }
        expectSync(hotSync, "Ann", temp.path("sync.txt"));
        const std::string handheld = s.toCard ? hotSync.store.cardFolderPath(ann, FirstSlotId)
                                              : hotSync.store.memoryFolderPath(ann);
        EXPECT_EQ(readFile(joinPath(handheld, s.file)), written);
    }
}

// No device chosen, or no HotSync libraries at all: the program still starts, and a
// photograph can be loaded and framed, but not sent.
TEST_F(Story, WithoutADeviceThePhotographCanStillBeFramed) {
    writePhotograph(temp.path("Harbour.jpg"), 800, 600);
    const struct { const char* store; bool exists; int users; const char *userData, *installAide; size_t listed; } cases[] = {
        {"TwoUsers", true, 2, "UserData.dll", "INSTAIDE.dll", 2},
        {"Missing", false, 0, "UserData.dll", "INSTAIDE.dll", 0},
        // One user, whom the program would choose if it could reach the libraries.
        {"NoLibraries", true, 1, "NoSuchUserData.dll", "NoSuchInstallAide.dll", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.store);
        TestStore hotSync(temp.path(c.store), c.exists);
        for (int i = 0; i < c.users; ++i) ASSERT_EQ(addUser(hotSync.store.root(), i ? "Bob" : "Ann"), StoreOk);
        HotSyncBinding library(c.userData, c.installAide);
        Program program(library);
        EXPECT_EQ(program.comboItems(IDC_DEVICE_COMBO).size(), c.listed);
        EXPECT_EQ(int(SendMessageA(program.item(IDC_DEVICE_COMBO), CB_GETCURSEL, 0, 0)), CB_ERR);
        EXPECT_TRUE(program.comboItems(IDC_STORAGE_COMBO).empty());
        EXPECT_FALSE(IsWindowEnabled(program.item(IDC_SEND)));
        EXPECT_EQ(program.text(IDC_SEND), "(Select a device)");
        EXPECT_EQ(program.text(IDC_STATUS), "Select a device...");
        ASSERT_TRUE(program.open(temp.path()));
        program.setRowState(program.row("Harbour.jpg"), LVIS_FOCUSED | LVIS_SELECTED);
        ASSERT_TRUE(program.dialog.photoView.photoLoaded);
        EXPECT_TRUE(startsWith(program.text(IDC_STATUS), selectionStatus(program.dialog.photoView)));
        enlargeSelection(program);
    }
}

// Send with no photograph: refused in a message box, and nothing written or queued.
TEST_F(Story, SendingWithoutAPhotographIsRefused) {
    TestStore hotSync(temp.path("HotSync"));
    ASSERT_EQ(addUser(hotSync.store.root(), "Ann"), StoreOk);
    HotSyncBinding library;
    Program program(library);
    MessageBoxReader reader;
    program.click(IDC_SEND);
    EXPECT_EQ(reader.boxes, Names{"Vistrel error|No photo to send: choose a jpeg file first.|error"});
    EXPECT_TRUE(hotSync.queue("Ann").empty());
    EXPECT_TRUE(std::filesystem::is_empty(hotSync.outputFolder("Ann")));
}

// The chosen user's screen is shown and "Set" stores a new one; "Fills screen" unchecked
// frees the frame's proportions. A root ending in a separator gets no second one.
TEST_F(Story, ChoosingAUserShowsTheirScreenAndSetStoresIt) {
    RecordingLibrary library;
    library.root = temp.folder("HotSync") + "\\";
    library.addUser("Ann", "Ann");
    library.addUser("Bob", "Bob", {"CF"}).settings = {{"VistrelWidth", 160}, {"VistrelHeight", 240}};
    temp.folder("HotSync\\Bob");
    writePhotograph(temp.path("Harbour.jpg"), 800, 600);
    Program program(library);
    EXPECT_FALSE(IsWindowEnabled(program.item(IDC_SEND)));
    program.choose(IDC_DEVICE_COMBO, 1);
    EXPECT_EQ(program.text(IDC_WIDTH_EDIT) + "x" + program.text(IDC_HEIGHT_EDIT), "160x240");
    EXPECT_EQ(program.comboItems(IDC_STORAGE_COMBO), (Names{"Internal memory", "CF"}));
    EXPECT_TRUE(IsWindowEnabled(program.item(IDC_SEND)));
    SetWindowTextA(program.item(IDC_WIDTH_EDIT), "200");
    program.click(IDC_SET);
    EXPECT_EQ(library.users[1].settings["VistrelWidth"], 200u);
    EXPECT_EQ(library.users[0].settings.count("VistrelWidth"), 0u);

    ASSERT_TRUE(program.open(temp.path()));
    program.setRowState(program.row("Harbour.jpg"), LVIS_FOCUSED | LVIS_SELECTED);
    EXPECT_NEAR(program.dialog.photoView.outputWidth, 200, 1);
    ASSERT_TRUE(program.dialog.photoView.keepProportions);
    program.click(IDC_FILLS_SCREEN);
    EXPECT_FALSE(program.dialog.photoView.keepProportions);
    MessageBoxReader reader;
    program.click(IDC_SEND);
    ASSERT_EQ(library.installs.size(), 1u);
    EXPECT_EQ(library.installs[0].path, temp.path("HotSync\\Bob\\Vistrel\\Harbour.pdb"));
}

namespace {
// A help engine of our own under the class name the platform looks for: each request
// it gets is recorded as "command file".
Names helpRequests;
LRESULT CALLBACK helpEngine(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_COPYDATA) return DefWindowProcA(window, message, wParam, lParam);
    struct Request { WORD size, command; LONG data, reserved; WORD fileOffset, dataOffset; };
    const auto* request = static_cast<const Request*>(reinterpret_cast<const COPYDATASTRUCT*>(lParam)->lpData);
    const char* file = request->fileOffset ? reinterpret_cast<const char*>(request) + request->fileOffset : "";
    helpRequests.push_back(std::to_string(request->command) + " " + file);
    return TRUE;
}
}  // namespace

// F1 on a control asks for the guide's contents; closing the program quits help.
TEST_F(Story, F1AsksForTheGuidesContentsAndClosingQuitsHelp) {
    WNDCLASSA engineClass{};
    engineClass.lpfnWndProc = helpEngine;
    engineClass.hInstance = GetModuleHandleA(nullptr);
    engineClass.lpszClassName = "MS_WINHELP";
    RegisterClassA(&engineClass);
    HWND engine = CreateWindowA("MS_WINHELP", "", 0, 0, 0, 0, 0, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(engine);
    helpRequests.clear();
    const std::string contents = std::to_string(HELP_CONTENTS) + " Vistrel.hlp";
    {
        Program program(noUsers);
        PostMessageA(program.item(IDC_FILE_LIST), 0x004D /* WM_KEYF1, from the F1 key */, 0, 0);
        pumpMessages();
        EXPECT_NE(std::find(helpRequests.begin(), helpRequests.end(), contents), helpRequests.end());
        EXPECT_TRUE(std::all_of(helpRequests.begin(), helpRequests.end(), [&](auto& r) { return r == contents; }));
    }
    ASSERT_FALSE(helpRequests.empty());
    EXPECT_EQ(helpRequests.back(), std::to_string(HELP_QUIT) + " Vistrel.hlp");
    DestroyWindow(engine);
    UnregisterClassA("MS_WINHELP", GetModuleHandleA(nullptr));
}

TEST(DialogLayout, EachFlagMovesOnlyItsEdgesAndTheDialogIsCentredInTheArea) {
    // Recorded (10, 20, 110, 70), since wandered to (13, 24, 105, 66), which edges the flags
    // do not name keep. The client is 30 wider and 7 taller.
    const RECT recorded{10, 20, 110, 70}, current{13, 24, 105, 66};
    const struct { uint32_t flags; RECT expected; bool move, repaint; } cases[] = {
        {0, {13, 24, 105, 66}, false, false},
        {LAYOUT_SIZE_X, {13, 24, 140, 66}, true, false},
        {LAYOUT_SIZE_Y, {13, 24, 105, 77}, true, false},
        {LAYOUT_MOVE_X, {40, 24, 140, 66}, true, false},
        {LAYOUT_MOVE_Y, {13, 27, 105, 77}, true, false},
        {LAYOUT_SIZE_X | LAYOUT_MOVE_Y, {13, 27, 140, 77}, true, false},
        {LAYOUT_MOVE_X | LAYOUT_SIZE_Y, {40, 24, 140, 77}, true, false},
        {LAYOUT_REPAINT, {13, 24, 105, 66}, true, true},
        {LAYOUT_MOVE_X | LAYOUT_MOVE_Y | LAYOUT_REPAINT | LAYOUT_GRIP, {40, 27, 140, 77}, true, true},
        {LAYOUT_GRIP, {13, 24, 105, 66}, false, false},  // the grip mark alone neither moves nor repaints
    };
    auto text = [](const RECT& r) { std::ostringstream o; o << r.left << ',' << r.top << ',' << r.right << ',' << r.bottom; return o.str(); };
    for (const auto& c : cases) {
        LayoutPlacement p = placeControl(LayoutRow{1, c.flags, recorded}, current, 30, 7);
        EXPECT_EQ(text(p.rect), text(c.expected)) << std::hex << c.flags;
        EXPECT_EQ(p.move, c.move) << std::hex << c.flags;
        EXPECT_EQ(p.repaint, c.repaint) << std::hex << c.flags;
    }
    // Offsets come from the recorded rectangle, so a shrink below it is exact too.
    EXPECT_EQ(text(placeControl(LayoutRow{1, LAYOUT_MOVE_X | LAYOUT_MOVE_Y, recorded}, current, -5, -9).rect),
              text(RECT{5, 11, 105, 61}));
    // Centred on the reference's middle (halves rounded down), kept inside the area; a
    // window larger than the area lands on its top-left corner.
    const RECT area{10, 20, 1010, 820};
    const struct { RECT reference; int32_t w, h; POINT expected; } centred[] = {
        {area, 200, 100, {410, 370}},          {area, 201, 101, {410, 370}},
        {{0, 0, 101, 51}, 20, 10, {40, 20}},   {{0, 0, 100, 60}, 200, 100, {10, 20}},
        {{900, 700, 1100, 900}, 200, 100, {810, 720}}, {area, 1200, 1000, {10, 20}},
    };
    for (const auto& c : centred) {
        POINT at = centredPosition(area, c.reference, c.w, c.h);
        EXPECT_EQ(at.x, c.expected.x) << &c - centred;
        EXPECT_EQ(at.y, c.expected.y) << &c - centred;
    }
}

// Under Wine without a window manager, destroying a shown window waits two seconds, so one
// dialog serves every step. No messages are pumped while it is maximised: the X11 driver
// would take the unmanaged window back to its normal size.
TEST_F(Story, ControlsFollowTheClientSizeAboveTheMinimumTrackSize) {
    RecordingLibrary library;
    library.root = temp.path();
    library.addUser("Ann", "Ann");
    temp.folder("Ann");
    MainDialog dialog(library);
    HWND window = dialog.create();
    ASSERT_TRUE(window);
    auto rectOf = [&](int id) {
        RECT r{};
        GetWindowRect(GetDlgItem(window, id), &r);
        MapWindowPoints(HWND_DESKTOP, window, reinterpret_cast<POINT*>(&r), 2);
        return r;
    };
    auto clientSize = [&] { RECT r{}; GetClientRect(window, &r); return SIZE{r.right, r.bottom}; };
    RECT frame{}, area{};
    GetWindowRect(window, &frame);
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    EXPECT_NEAR((frame.left + frame.right) / 2, (area.left + area.right) / 2, 1) << "centred in the work area";
    EXPECT_NEAR((frame.top + frame.bottom) / 2, (area.top + area.bottom) / 2, 1);
    const SIZE window0{frame.right - frame.left, frame.bottom - frame.top}, client0 = clientSize();
    // Which edges (left, top, right, bottom) follow the client's width or height; the
    // controls below the picture move down with its bottom.
    struct Anchor { int id; int left, top, right, bottom; };
    std::vector<Anchor> anchors = {{IDC_SIZE_GRIP, 1, 1, 1, 1}, {IDC_FOLDER_TREE, 0, 0, 0, 1}, {IDC_FILE_LIST, 0, 0, 1, 0},
                                   {IDC_PICTURE, 0, 0, 1, 1}, {IDC_STATUS, 0, 1, 1, 1}};
    for (int id : {IDC_DEVICE_LABEL, IDC_DEVICE_COMBO, IDC_STORAGE_LABEL, IDC_STORAGE_COMBO, IDC_WIDTH_LABEL, IDC_WIDTH_EDIT,
                   IDC_HEIGHT_LABEL, IDC_HEIGHT_EDIT, IDC_SET, IDC_FILLS_SCREEN, IDC_SEND})
        anchors.push_back({id, 0, 1, 0, 1});
    std::map<int, RECT> initial;
    for (const auto& a : anchors) initial[a.id] = rectOf(a.id);
    EXPECT_EQ(initial[IDC_SIZE_GRIP].right, client0.cx) << "the grip sits in the corner";
    EXPECT_EQ(initial[IDC_SIZE_GRIP].bottom, client0.cy);
    MINMAXINFO limits{{0, 0}, {1111, 2222}, {3, 4}, {5, 6}, {3333, 4444}};
    SendMessageA(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    EXPECT_EQ(limits.ptMinTrackSize.x, window0.cx);
    EXPECT_EQ(limits.ptMinTrackSize.y, window0.cy);
    EXPECT_EQ(limits.ptMaxSize.x + limits.ptMaxTrackSize.y, 1111 + 4444) << "the rest is the system's";

    auto gripShown = [&] { return (GetWindowLongPtrA(GetDlgItem(window, IDC_SIZE_GRIP), GWL_STYLE) & WS_VISIBLE) != 0; };
    auto expectLayout = [&](const char* when, int32_t dx, int32_t dy, bool withGrip = true) {
        for (const auto& a : anchors) {
            if (a.id == IDC_SIZE_GRIP && !withGrip) continue;
            const RECT& r = initial[a.id];
            RECT actual = rectOf(a.id);
            EXPECT_TRUE(actual.left == r.left + a.left * dx && actual.top == r.top + a.top * dy &&
                        actual.right == r.right + a.right * dx && actual.bottom == r.bottom + a.bottom * dy)
                << when << ": control " << a.id;
        }
    };
    auto resize = [&](int32_t dx, int32_t dy) {
        SetWindowPos(window, nullptr, 0, 0, window0.cx + dx, window0.cy + dy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    };
    ShowWindow(window, SW_SHOWNORMAL);
    EXPECT_TRUE(gripShown());
    expectLayout("shown", 0, 0);
    resize(100, 50);
    ASSERT_EQ(clientSize().cx, client0.cx + 100);
    expectLayout("100 wider, 50 taller", 100, 50);
    resize(0, 0);
    expectLayout("shrunk back", 0, 0);
    resize(-60, -40);  // refused: below the minimum track size
    expectLayout("refused shrink", 0, 0);
    ShowWindow(window, SW_MAXIMIZE);
    EXPECT_FALSE(gripShown());
    const SIZE maximised = clientSize();
    EXPECT_GT(maximised.cx, client0.cx);
    expectLayout("maximised", maximised.cx - client0.cx, maximised.cy - client0.cy, false);
    ShowWindow(window, SW_RESTORE);
    EXPECT_TRUE(gripShown());
    expectLayout("restored", 0, 0);
    ShowWindow(window, SW_MINIMIZE);
    EXPECT_TRUE(gripShown());
    expectLayout("minimised", 0, 0);
    DestroyWindow(window);
}

// Positions and sizes are unsigned 16-bit: 40000 is a position, 65533 (left of or above
// the control while captured) counts as 0. A program gone before gives the control back,
// so the next one's picture is attached.
TEST_F(Story, PictureControlTakesUnsignedCoordinates) {
    { Program gone(noUsers); }
    Program program(noUsers);
    PhotoView& view = program.dialog.photoView;
    const HWND picture = program.item(IDC_PICTURE);
    SendMessageA(picture, WM_SIZE, SIZE_RESTORED, MAKELPARAM(40000, 7));
    EXPECT_EQ(view.viewWidth, 40000);
    EXPECT_EQ(view.viewHeight, 7);
    SendMessageA(picture, WM_SIZE, SIZE_RESTORED, MAKELPARAM(500, 400));
    loadSynthetic(view, 400, 300);
    view.keepProportions = false;
    view.rebuildDisplay(500, 400);
    const struct { WORD x, y; Selection expected; } drags[] = {
        {65533, 80, {0, 80, 200, 120}}, {80, 65533, {80, 0, 120, 200}},
        {40000, 80, {185, 80, 15, 120}}, {80, 40000, {80, 185, 120, 15}},
    };
    for (const auto& d : drags) {
        select(view, {100, 100, 100, 100});
        program.drag(POINT{105, 95}, POINT{d.x, d.y});
        EXPECT_EQ(selectionOf(view), d.expected) << d.x << ", " << d.y;
        EXPECT_EQ(view.dragMode, PhotoView::DragNone);
    }
}

namespace {
// What a canvas shows at one pixel: the photograph, a dot or a gap of the dotted frame,
// black outside the display copy, or anything else.
enum Kind : char { Picture, Dot, Gap, Black, Other };
uint32_t swapRedBlue(uint32_t c) { return (c >> 16 & 0xFF) | (c & 0xFF00) | (c & 0xFF) << 16; }
}  // namespace

// The raster canvas fixes which pixels the frame touches, not its dot pattern: a 400 x 300
// photograph shown unscaled in a 500 x 400 control, the frame at odd sizes, on the copy's
// last pixels and past them.
TEST(GdiCanvas, DrawsTheSameOutlineAndHandlesAsTheRasterCanvas) {
    const int32_t width = 500, height = 400;
    const Selection selections[] = {{0, 0, 80, 80}, {100, 50, 121, 37}, {320, 220, 80, 80}, {350, 250, 100, 100}};
    for (const Selection& s : selections) {
        RecordingHost host;  // outlives the view
        PhotoView view;
        view.attach(&host, width, height);
        loadSynthetic(view, 400, 300);
        view.rebuildDisplay(width, height);
        select(view, s);
        view.updateQuality();
        RasterCanvas raster(width, height);
        view.paint(raster);
        // A 32-bit top-down section; a part left out of the copy shows as magenta.
        BITMAPINFO info{{sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
        void* memory = nullptr;
        HDC context = CreateCompatibleDC(nullptr);
        HBITMAP bitmap = CreateDIBSection(context, &info, DIB_RGB_COLORS, &memory, nullptr, 0);
        ASSERT_TRUE(bitmap);
        HGDIOBJ old = SelectObject(context, bitmap);
        auto* bits = static_cast<uint32_t*>(memory);
        std::fill(bits, bits + width * height, 0x00FF00FFu);
        {
            GdiCanvas canvas(context, width, height);
            ASSERT_TRUE(canvas.ready());
            view.paint(canvas);
        }
        GdiFlush();
        auto kinds = [&](auto pixel) {
            std::vector<Kind> out;
            for (int32_t y = 0; y < height; ++y)
                for (int32_t x = 0; x < width; ++x) {
                    uint32_t colour = pixel(x, y);
                    if (x >= view.displayWidth || y >= view.displayHeight)
                        out.push_back(colour == 0 ? Black : Other);
                    else if (colour == swapRedBlue(pixelAt(view.displayPixels.data(), view.displayWidth, x,
                                                           view.displayHeight - 1 - y)))
                        out.push_back(Picture);
                    else
                        out.push_back(colour == view.frameColour ? Dot : colour == RasterCanvas::White ? Gap : Other);
                }
            return out;
        };
        const std::vector<Kind> expected = kinds([&](int32_t x, int32_t y) { return raster.pixel(x, y); });
        const std::vector<Kind> gdi = kinds([&](int32_t x, int32_t y) { return swapRedBlue(bits[y * width + x]); });
        SelectObject(context, old);
        DeleteObject(bitmap);
        DeleteDC(context);
        ASSERT_GT(std::count(expected.begin(), expected.end(), Dot), 0);
        size_t differing = 0;
        for (size_t i = 0; i < gdi.size(); ++i) differing += (gdi[i] == Picture) != (expected[i] == Picture);
        EXPECT_EQ(differing, 0u) << s << ": pixels where one canvas shows the photograph and the other does not";
        EXPECT_EQ(std::count(gdi.begin(), gdi.end(), Other), 0) << s << ": neither photograph, dot, gap nor black";
        EXPECT_GT(std::count(gdi.begin(), gdi.end(), Dot), 0) << s << ": a dotted pen has dots and gaps";
        EXPECT_GT(std::count(gdi.begin(), gdi.end(), Gap), 0) << s;
    }
}

// The DLLs bound by ordinal write as the store does, refuse what it refuses, read the root at
// each call (a person can move it at run time) and, without the variable, from the
// HotSync.ini beside the DLL itself, not beside the program.
TEST_F(Story, TheDllsByOrdinalGiveTheStoresOwnAnswers) {
    TestStore hotSync(temp.folder("store"));
    const std::string root = hotSync.store.root();
    ASSERT_EQ(addUser(root, "Ann Example", {"SD Card", "CF"}), StoreOk);
    ASSERT_EQ(addUser(root, "Bob"), StoreOk);
    StoreLibrary direct(root);
    HotSyncBinding binding;
    ASSERT_TRUE(binding.hasUserData() && binding.hasInstallAide());
    EXPECT_EQ(binding.writeSetting(1002, "Brennick", "VistrelStorage", 1), StoreOk);
    uint32_t stored = 0;
    EXPECT_EQ(direct.readSetting(1002, "Brennick", "VistrelStorage", &stored, 0), StoreOk);
    EXPECT_EQ(stored, 1u);
    const std::string photo = temp.file("a.pdb", photoDatabase("a", smallJpeg()));
    EXPECT_EQ(binding.installToCard(1001, 502, photo.c_str()), StoreOk);
    EXPECT_EQ(binding.installToCard(1001, 999, photo.c_str()), StoreUnknownSlot);
    EXPECT_EQ(binding.installToMemory("Nobody", photo.c_str()), StoreUnknownUser);
    std::vector<InstallRequest> queue = hotSync.queue("Ann Example");
    ASSERT_EQ(queue.size(), 1u);
    EXPECT_TRUE(queue[0].toCard && queue[0].slotId == 502u);

    SetEnvironmentVariableA(RootVariable, temp.path("missing").c_str());
    EXPECT_EQ(binding.userCount(), StoreNoRoot);
    SetEnvironmentVariableA(RootVariable, nullptr);
    const std::string copy = temp.path("UserDataCopy.dll");
    ASSERT_TRUE(CopyFileA((binFolder() + "\\UserData.dll").c_str(), copy.c_str(), FALSE));
    ASSERT_TRUE(writeText(temp.path("HotSync.ini"), "[HotSync]\r\nRoot=store\r\n"));
    HotSyncBinding besideIni(copy.c_str(), "NoSuchInstallAide.dll");
    EXPECT_EQ(besideIni.userCount(), 2);
    char text[256];
    uint16_t size = sizeof text;
    EXPECT_GT(besideIni.rootFolder(text, &size), 0);
    EXPECT_EQ(std::string(text), root);

    // Without the libraries every operation fails, leaving no stale answer.
    HotSyncBinding none("NoSuchUserData.dll", "NoSuchInstallAide.dll");
    EXPECT_EQ(none.userCount(), -1);
    size = sizeof text;
    EXPECT_LE(none.rootFolder(text, &size), 0);
    EXPECT_EQ(size, 0);
    EXPECT_STREQ(text, "");
    uint32_t value = 5, ids[3] = {7, 7, 7};
    uint16_t count = 3;
    EXPECT_NE(none.readSetting(1, "Brennick", "VistrelWidth", &value, 320), 0);
    EXPECT_EQ(value, 320u);
    EXPECT_NE(none.slotIds(1, ids, &count), 0);
    EXPECT_EQ(ids[0] | ids[1] | ids[2], 0u);
    EXPECT_NE(none.cardSupport(1, &value), 0);
    EXPECT_EQ(value, 0u);
    EXPECT_NE(none.installToMemory("Ann", photo.c_str()) | none.installToCard(1, 2, photo.c_str()), 0);
}
