// The program's stories through its real dialog, its layout, painting, help and the HotSync libraries.
#include <cstring>
#include "app/DialogLayout.h"
#include "app/GdiCanvas.h"
#include "harness.h"
#include "hotsync/HotSyncBinding.h"
#include "standin/StoreConfig.h"
#include "standin/StoreFiles.h"
#include "standin/StoreLibrary.h"
#include "support/RasterCanvas.h"
#include "support/TestJpeg.h"
#include "unit/photo_fixture.h"
#include "unit/store_support.h"

namespace {
// A HotSync store at root for the libraries of this process and the tools it starts.
struct TestStore : Store {
    explicit TestStore(const std::string& root, bool create = true) : Store(root) {
        if (create) CreateDirectoryA(root.c_str(), nullptr);
        SetEnvironmentVariableA(RootVariable, root.c_str());
    }
    ~TestStore() { SetEnvironmentVariableA(RootVariable, nullptr); }
    StoreUser user(const char* name) const { StoreUser found; findUser(name, found); return found; }
    std::vector<InstallRequest> queue(const char* name) const {
        std::vector<InstallRequest> q;
        loadQueue(user(name), q);
        return q;
    }
    std::string output(const char* name, const char* file) const {
        return userFolderPath(user(name)) + "\\Vistrel\\" + file;
    }
};

std::string binFolder() {  // the test program's own, where the DLLs and tools are built
    char path[MAX_PATH];
    const std::string program(path, GetModuleFileNameA(nullptr, path, MAX_PATH));
    return program.substr(0, program.find_last_of("\\/"));
}

// hotsync.exe run with arguments, printing to the test's own output: its exit code, ~0 if it did not end.
DWORD runHotSync(const std::string& arguments) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const std::string path = binFolder() + "\\hotsync.exe";
    std::string line = "\"" + path + "\" " + arguments;
    DWORD status = ~0u;
    if (!CreateProcessA(path.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return status;
    if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0) GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return status;
}

// store_worker.exe holds path open with the given sharing for ms, as a virus scanner or a sync client does:
// the pipe of its output, once it holds the file (_pclose waits until it has let go).
FILE* heldByAnotherProgram(const std::string& path, unsigned sharing, unsigned ms) {
    FILE* holder = _popen(("\"\"" + binFolder() + "\\store_worker.exe\" hold \"" + path + "\" " +
                           std::to_string(sharing) + " " + std::to_string(ms) + "\"").c_str(), "r");
    char said[16] = "";
    EXPECT_TRUE(holder && fgets(said, sizeof said, holder) && said == std::string("held\n")) << said;
    return holder;
}

void writePhotograph(const std::string& path, int width, int height) {
    ASSERT_TRUE(writeFile(path, encodeJpeg(width, height, 3, photographicRgb(width, height))));
}

// Loads the photograph from the list and drags the frame's corner outwards; the status line follows.
void loadAndEnlarge(Program& program, const std::string& folder, const char* name) {
    ASSERT_TRUE(program.open(folder));
    program.setRowState(program.row(name), LVIS_FOCUSED | LVIS_SELECTED);
    const PhotoView& view = program.dialog.photoView;
    ASSERT_TRUE(view.photoLoaded);
    EXPECT_NEAR(view.sourceWidth, 320, view.imageWidth / view.displayWidth + 1);  // to display scale and back
    EXPECT_NEAR(view.sourceHeight, 320, view.imageHeight / view.displayHeight + 1);
    auto status = [&](const char* verdict) {
        char text[160];
        snprintf(text, sizeof text, "Selection : ( %d , %d ) [ %d x %d ] ==> [ %d x %d ] %s", int(view.sourceLeft),
                 int(view.sourceTop), int(view.sourceWidth), int(view.sourceHeight), int(view.outputWidth),
                 int(view.outputHeight), verdict);
        return program.text(IDC_STATUS).substr(0, strlen(text)) == text ? "" : program.text(IDC_STATUS);
    };
    EXPECT_EQ(status(""), "");
    const int32_t width = view.selectionWidth;
    POINT corner{view.selectionLeft + view.selectionWidth, view.selectionTop + view.selectionHeight};
    program.drag(corner, POINT{corner.x + 40, corner.y + 40});
    EXPECT_GT(view.selectionWidth, width);
    EXPECT_EQ(status("- selection is greater than device screen"), "");
}

using Story = Session;
}  // namespace

// Send with no photograph is refused; then folder, row, frame, send to memory, HotSync; then to the card.
TEST_F(Story, APhotographGoesFromItsFolderToTheHandheld) {
    TestStore hotSync(temp.path("HotSync"));
    ASSERT_EQ(addUser(hotSync.root(), "Ann", {"SD Card"}), StoreOk);
    writePhotograph(temp.path("Harbour.jpg"), 1600, 1200);
    HotSyncBinding library;
    Program program(library);  // only one user: chosen at start
    EXPECT_EQ(program.comboItems(IDC_DEVICE_COMBO), Names{"Ann"});
    EXPECT_EQ(program.comboItems(IDC_STORAGE_COMBO), (Names{"Internal memory", "SD Card"}));
    EXPECT_EQ(SendMessageA(program.item(IDC_DEVICE_COMBO), CB_GETCURSEL, 0, 0) +
              SendMessageA(program.item(IDC_STORAGE_COMBO), CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(program.text(IDC_WIDTH_EDIT) + program.text(IDC_HEIGHT_EDIT) + program.text(IDC_SEND),
              "320320Send to Vistrel");
    EXPECT_EQ(program.text(IDC_STATUS), "Choose a jpeg file...");
    {
        MessageBoxReader reader;
        program.click(IDC_SEND);
        EXPECT_EQ(reader.boxes, Names{"Vistrel error|No photo to send: choose a jpeg file first.|error"});
        EXPECT_TRUE(std::filesystem::is_empty(hotSync.output("Ann", "")));
    }
    loadAndEnlarge(program, temp.path(), "Harbour.jpg");
    const PhotoView& view = program.dialog.photoView;
    const struct { const char *file, *where; size_t offset; } sends[] = {{"Harbour.pdb", "Internal memory", 88},
                                                                          {"Harbour.jpg", "SD Card", 0}};
    for (const auto& s : sends) {
        program.choose(IDC_STORAGE_COMBO, int(s.offset == 0));
        MessageBoxReader reader;
        program.click(IDC_SEND);
        EXPECT_EQ(reader.boxes, Names{"Vistrel error|Photo ''" + std::string(s.file) + "'' will be installed on " +
                                      "''Ann'' " + s.where + " at next HotSync(r)|information"});
        std::vector<InstallRequest> queue = hotSync.queue("Ann");
        ASSERT_EQ(queue.size(), 1u);
        EXPECT_EQ(queue[0].path, hotSync.output("Ann", s.file));
        EXPECT_EQ(queue[0].toCard ? queue[0].slotId : 0u, s.offset ? 0u : uint32_t(FirstSlotId));
        const std::vector<uint8_t> written = readFile(queue[0].path);
        ASSERT_GT(written.size(), s.offset);
        // A memory database is named after the photograph and typed "jpeg"; the JPEG has the output size.
        const std::string header = std::string(&written[0], &written[7]) + std::string(&written[60], &written[64]);
        EXPECT_TRUE(!s.offset || header == "Harbourjpeg") << header;
        DecodedJpeg decoded = decodeJpeg(written.data() + s.offset, written.size() - s.offset);
        EXPECT_TRUE(decoded.ok && decoded.width == view.outputWidth && decoded.height == view.outputHeight);
        EXPECT_EQ(runHotSync("sync Ann"), 0u);
        EXPECT_TRUE(hotSync.queue("Ann").empty());
        const StoreUser ann = hotSync.user("Ann");
        EXPECT_EQ(readFile(joinPath(s.offset ? hotSync.memoryFolderPath(ann) : hotSync.cardFolderPath(ann, FirstSlotId),
                                    s.file)), written);
    }
}

// "Set" stores the user's screen; "Fills screen" unchecked frees the proportions; a root's separator is not doubled.
TEST_F(Story, ChoosingAUserShowsTheirScreenAndSetStoresIt) {
    RecordingLibrary library;
    library.root = temp.folder("HotSync") + "\\";
    library.addUser("Ann", "Ann");
    library.addUser("Bob", "Bob", {"CF"}).settings = {{"VistrelWidth", 160}, {"VistrelHeight", 240}};
    temp.folder("HotSync\\Bob");
    writePhotograph(temp.path("Harbour.jpg"), 800, 600);
    Program program(library);
    EXPECT_EQ(SendMessageA(program.item(IDC_DEVICE_COMBO), CB_GETCURSEL, 0, 0), CB_ERR) << "two users: none chosen";
    EXPECT_EQ(program.text(IDC_SEND) + program.text(IDC_STATUS), "(Select a device)Select a device...");
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
    const std::string install = "INSTAIDE 103 Bob " + temp.path("HotSync\\Bob\\Vistrel\\Harbour.pdb");
    EXPECT_EQ(std::count_if(library.calls.begin(), library.calls.end(),
                            [](const std::string& call) { return call.rfind("INSTAIDE", 0) == 0; }), 1);
    EXPECT_EQ(library.calls.back(), install);
}

// One shown dialog for every step (destroying one waits 2 s under Wine); no pumping while maximised.
TEST_F(Story, TheDialogStartsCentredAndItsControlsFollowTheClientSizeAboveTheMinimum) {
    Program program(noUsers);
    const HWND window = program.window;
    auto rectOf = [&](HWND w, HWND parent) {
        RECT r{};
        GetWindowRect(w, &r);
        MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
        return r;
    };
    auto clientSize = [&] { RECT r{}; GetClientRect(window, &r); return SIZE{r.right, r.bottom}; };
    RECT frame = rectOf(window, HWND_DESKTOP), area{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    EXPECT_NEAR(frame.left + frame.right, area.left + area.right, 2) << "centred in the work area";
    EXPECT_NEAR(frame.top + frame.bottom, area.top + area.bottom, 2);
    const SIZE window0{frame.right - frame.left, frame.bottom - frame.top}, client0 = clientSize();
    // Which edges (left, top, right, bottom) follow the client's width or height.
    std::map<int, std::vector<int>> anchors = {{IDC_SIZE_GRIP, {1, 1, 1, 1}}, {IDC_FOLDER_TREE, {0, 0, 0, 1}},
                                               {IDC_FILE_LIST, {0, 0, 1, 0}}, {IDC_PICTURE, {0, 0, 1, 1}},
                                               {IDC_STATUS, {0, 1, 1, 1}}};
    for (int id : {IDC_DEVICE_LABEL, IDC_DEVICE_COMBO, IDC_STORAGE_LABEL, IDC_STORAGE_COMBO, IDC_WIDTH_LABEL,
                   IDC_WIDTH_EDIT, IDC_HEIGHT_LABEL, IDC_HEIGHT_EDIT, IDC_SET, IDC_FILLS_SCREEN, IDC_SEND})
        anchors[id] = {0, 1, 0, 1};
    std::map<int, RECT> initial;
    for (const auto& [id, edges] : anchors) initial[id] = rectOf(program.item(id), window);
    EXPECT_EQ(std::make_pair(initial[IDC_SIZE_GRIP].right, initial[IDC_SIZE_GRIP].bottom),
              std::make_pair(client0.cx, client0.cy)) << "the grip sits in the corner";
    MINMAXINFO limits{{0, 0}, {1111, 2222}, {3, 4}, {5, 6}, {3333, 4444}};
    SendMessageA(window, WM_GETMINMAXINFO, 0, LPARAM(&limits));
    EXPECT_EQ(std::make_pair(limits.ptMinTrackSize.x, limits.ptMinTrackSize.y), std::make_pair(window0.cx, window0.cy));
    auto expectLayout = [&](const char* when, bool gripShown, int32_t dx = 0, int32_t dy = 0) {
        EXPECT_EQ((GetWindowLongPtrA(program.item(IDC_SIZE_GRIP), GWL_STYLE) & WS_VISIBLE) != 0, gripShown) << when;
        for (const auto& [id, e] : anchors) {
            const RECT& r = initial[id];
            RECT expected{r.left + e[0] * dx, r.top + e[1] * dy, r.right + e[2] * dx, r.bottom + e[3] * dy},
                actual = rectOf(program.item(id), window);
            EXPECT_TRUE(EqualRect(&actual, &expected) || (id == IDC_SIZE_GRIP && !gripShown)) << when << ": " << id;
        }
    };
    auto resize = [&](int32_t dx, int32_t dy) {
        SetWindowPos(window, nullptr, 0, 0, window0.cx + dx, window0.cy + dy, SWP_NOMOVE | SWP_NOZORDER);
    };
    ShowWindow(window, SW_SHOWNORMAL);
    expectLayout("shown", true);
    resize(100, 50);
    expectLayout("100 wider, 50 taller", true, 100, 50);
    ShowWindow(window, SW_MAXIMIZE);
    const SIZE maximised = clientSize();
    EXPECT_GT(maximised.cx, client0.cx);
    expectLayout("maximised", false, maximised.cx - client0.cx, maximised.cy - client0.cy);
    ShowWindow(window, SW_RESTORE);
    expectLayout("restored", true, 100, 50);
    ShowWindow(window, SW_MINIMIZE);
    expectLayout("minimised", true, 100, 50);
}

// Positions are unsigned 16-bit (65533, left of or above the control while captured, counts as 0); a
// program gone before gives the control back.
TEST_F(Story, PictureControlTakesUnsignedCoordinates) {
    { Program gone(noUsers); }
    Program program(noUsers);
    PhotoView& view = program.dialog.photoView;
    SendMessageA(program.item(IDC_PICTURE), WM_SIZE, SIZE_RESTORED, MAKELPARAM(40000, 7));
    EXPECT_EQ(std::to_string(view.viewWidth) + "x" + std::to_string(view.viewHeight), "40000x7");
    loadSynthetic(view, 400, 300);
    view.keepProportions = false;
    SendMessageA(program.item(IDC_PICTURE), WM_SIZE, SIZE_RESTORED, MAKELPARAM(500, 400));
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

// Pixel by pixel: the photograph, a dot or gap of the frame (only its place is fixed), black past the copy, or '?'.
TEST(GdiCanvas, DrawsTheSameOutlineAndHandlesAsTheRasterCanvas) {
    const int32_t width = 500, height = 400;
    for (const Selection& s : {Selection{0, 0, 80, 80}, {100, 50, 121, 37}, {320, 220, 80, 80}, {350, 250, 100, 100}}) {
        HostedView hosted(width, height);
        PhotoView& view = hosted.view;
        loadSynthetic(view, 400, 300);
        view.rebuildDisplay(width, height);
        select(view, s);
        view.updateQuality();
        RasterCanvas raster(width, height);
        view.paint(raster);
        BITMAPINFO info{{sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
        uint32_t* bits = nullptr;
        HDC context = CreateCompatibleDC(nullptr);
        HBITMAP bitmap = CreateDIBSection(context, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
        HGDIOBJ old = SelectObject(context, bitmap);
        std::fill(bits, bits + width * height, 0x00FF00FFu);  // a part left out of the copy shows
        {
            GdiCanvas canvas(context, width, height);
            ASSERT_TRUE(canvas.ready());
            view.paint(canvas);
        }
        GdiFlush();
        auto bgr = [](uint32_t c) { return (c >> 16 & 0xFF) | (c & 0xFF00) | (c & 0xFF) << 16; };
        auto kind = [&](int32_t x, int32_t y, uint32_t c) {  // c as 0x00RRGGBB; the copy is stored bottom-up
            if (x >= view.displayWidth || y >= view.displayHeight) return c ? '?' : 'B';
            const uint32_t photo = pixelAt(view.displayPixels.data(), view.displayWidth, x, view.displayHeight - 1 - y);
            if (c == (photo & 0xFFFFFF)) return 'P';
            return c == bgr(view.frameColour) ? 'D' : c == RasterCanvas::White ? 'G' : '?';
        };
        std::string gdi;
        size_t differing = 0;
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x) {
                gdi += kind(x, y, bits[y * width + x] & 0xFFFFFF);
                differing += (gdi.back() == 'P') != (kind(x, y, bgr(raster.pixel(x, y))) == 'P');
            }
        SelectObject(context, old);
        DeleteObject(bitmap);
        DeleteDC(context);
        EXPECT_EQ(differing, 0u) << s << ": pixels where one canvas shows the photograph and the other does not";
        EXPECT_EQ(std::count(gdi.begin(), gdi.end(), '?'), 0) << s;
        EXPECT_TRUE(gdi.find('D') != std::string::npos && gdi.find('G') != std::string::npos) << s << ": a dotted pen";
    }
}

// The DLLs answer as the store does, read the root at each call, else from the HotSync.ini beside the DLL
// itself. Without them every operation fails, leaving no stale answer.
TEST_F(Story, TheDllsByOrdinalAnswerAsTheStoreDoes) {
    TestStore hotSync(temp.folder("store"));
    ASSERT_EQ(addUser(hotSync.root(), "Ann?", {"SD Card", "CF"}), StoreOk);
    ASSERT_EQ(addUser(hotSync.root(), "Bob"), StoreOk);
    HotSyncBinding binding;
    // "Ann?" is no file name, so the user's name and folder differ: neither ordinal can stand in for the other.
    char name[64], folder[64];
    uint16_t nameSize = sizeof name, folderSize = sizeof folder;
    binding.userName(1001, name, &nameSize);
    binding.userFolder(1001, folder, &folderSize);
    EXPECT_EQ(std::string(name) + "|" + folder, "Ann?|Ann_");
    EXPECT_EQ(binding.writeSetting(1002, "Brennick", "VistrelStorage", 1), StoreOk);
    uint32_t stored = 0;
    EXPECT_TRUE(StoreLibrary(hotSync.root()).readSetting(1002, "Brennick", "VistrelStorage", &stored, 0) == StoreOk &&
                stored == 1u);
    const std::string photo = temp.file("store\\Ann_\\a.pdb", photoDatabase("a", smallJpeg()));
    EXPECT_EQ(binding.installToCard(1001, 502, photo.c_str()), StoreOk);
    EXPECT_EQ(binding.installToCard(1001, 999, photo.c_str()), StoreUnknownSlot);
    EXPECT_EQ(binding.installToMemory("Nobody", photo.c_str()), StoreUnknownUser);
    EXPECT_EQ(hotSync.queue("Ann?").at(0).slotId, 502u);
    SetEnvironmentVariableA(RootVariable, temp.path("missing").c_str());
    EXPECT_EQ(binding.userCount(), StoreNoRoot);
    SetEnvironmentVariableA(RootVariable, nullptr);
    const std::string copy = temp.path("UserDataCopy.dll");
    ASSERT_TRUE(CopyFileA((binFolder() + "\\UserData.dll").c_str(), copy.c_str(), FALSE));
    ASSERT_TRUE(writeText(temp.path("HotSync.ini"), "[HotSync]\r\nRoot=store\r\n"));
    HotSyncBinding besideIni(copy.c_str(), "NoSuchInstallAide.dll");
    char text[256];
    uint16_t size = sizeof text;
    EXPECT_EQ(besideIni.userCount(), 2);
    EXPECT_TRUE(besideIni.rootFolder(text, &size) > 0 && text == hotSync.root()) << text;
    HotSyncBinding none(temp.path("UserData.dll").c_str(), temp.path("INSTAIDE.dll").c_str());
    uint32_t width = 5, support = 5, ids[2] = {7, 7};
    uint16_t count = 2;
    EXPECT_EQ(none.userCount(), HotSyncMissing);
    // What is missing, in words: both libraries, one of them, or an ordinal (INSTAIDE.dll has none of UserData's).
    const std::string aide = binFolder() + "\\INSTAIDE.dll", beside = " beside win_tests.exe: install Vistrel Desktop";
    EXPECT_EQ(std::string(none.problem()) + "|" + besideIni.problem() + "|" +
                  HotSyncBinding(aide.c_str(), aide.c_str()).problem(),
              "The HotSync desktop software was not found: install Vistrel Desktop into its folder|"
              "NoSuchInstallAide.dll was not found" + beside + " into the HotSync software's folder|INSTAIDE.dll has no "
              "function number 101: this HotSync desktop software does not suit Vistrel Desktop");
    EXPECT_EQ(binding.problem(), nullptr);  // both beside the running program
    EXPECT_TRUE(none.rootFolder(text, &size) <= 0 && none.readSetting(1, "Brennick", "VistrelWidth", &width, 320) &&
                none.slotIds(1, ids, &count) && none.cardSupport(1, &support) &&
                none.installToMemory("Ann", photo.c_str()) && none.installToCard(1, 2, photo.c_str()));
    EXPECT_EQ((std::vector<size_t>{size + std::strlen(text), width, ids[0] | ids[1], support}),
              (std::vector<size_t>{0, 320, 0, 0}));
}

// Regression: a file that another program held for a moment failed an update of the store, or was dropped from
// the queue for good by a sync.
TEST_F(Story, AFileHeldForAMomentIsWaitedForOrKeptForTheNextSync) {
    TestStore hotSync(temp.folder("store"));
    ASSERT_EQ(addUser(hotSync.root(), "Ann"), StoreOk);
    StoreLibrary store(hotSync.root());
    const std::string settings = temp.path("store\\Ann\\settings.ini");
    ASSERT_EQ(store.writeSetting(1001, "Brennick", "VistrelWidth", 160), StoreOk);
    FILE* holder = heldByAnotherProgram(settings, FILE_SHARE_READ | FILE_SHARE_WRITE, 500);  // read, never replaced
    ASSERT_FALSE(MoveFileExA(settings.c_str(), (settings + "2").c_str(), 0));
    EXPECT_EQ(store.writeSetting(1001, "Brennick", "VistrelWidth", 480), StoreOk);
    _pclose(holder);
    uint32_t width = 0;
    EXPECT_TRUE(store.readSetting(1001, "Brennick", "VistrelWidth", &width, 0) == StoreOk && width == 480) << width;
    const std::string photo = temp.file("store\\Ann\\Held.pdb", photoDatabase("H", smallJpeg()));
    ASSERT_EQ(store.installToMemory("Ann", photo.c_str()), StoreOk);
    holder = heldByAnotherProgram(photo, 0, 2000);  // not even read
    EXPECT_EQ(runHotSync("sync Ann"), 2u);
    EXPECT_EQ(hotSync.queue("Ann").size(), 1u);
    _pclose(holder);
    EXPECT_EQ(runHotSync("sync Ann"), 0u);
    EXPECT_EQ(readFile(joinPath(hotSync.memoryFolderPath(hotSync.user("Ann")), "Held.pdb")), readFile(photo));
}
