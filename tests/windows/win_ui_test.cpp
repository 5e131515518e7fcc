// The Win32 Ui under wine: the dialogs built from the tables (every control's id, kind, style and
// UTF-16 text read back from the real windows), the dialog controls' contract, message boxes
// found by their caption, the open-file dialog and the current directory, the main window's
// events, the single-instance test, the background priority and the program's directory.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/windows/win_desktop_host.h"
#include "platform/windows/win_dialog.h"
#include "platform/windows/win_text.h"
#include "platform/windows/win_ui.h"
#include "resources/dialogs.h"
#include "resources/resource_ids.h"
#include "shell/shell_texts.h"
#include "tests/support/scratch_dir.h"

namespace brine {
namespace {

std::wstring window_text(HWND window) {
    wchar_t buffer[512] = {};
    GetWindowTextW(window, buffer, 512);
    return buffer;
}

std::wstring class_of(HWND window) {
    wchar_t buffer[64] = {};
    GetClassNameW(window, buffer, 64);
    return buffer;
}

// Runs `body` with the open dialog's window from inside WM_INITDIALOG, then ends it.
class InspectDialog : public DialogProcedure {
public:
    explicit InspectDialog(std::function<void(HWND, DialogControls&)> body) : body_(std::move(body)) {}
    bool init_dialog(DialogControls& controls) override {
        body_(static_cast<WinDialog&>(controls).window(), controls);
        controls.end_dialog(42);
        return false;
    }
    bool command(DialogControls&, int, int) override { return false; }

private:
    std::function<void(HWND, DialogControls&)> body_;
};

struct ExpectedControl {
    int id;
    const wchar_t* className;
    const wchar_t* text;
};

// Written out by hand: what the Shift-JIS bytes of the tables must show as.
void expect_dialog(const DialogResource& table, const wchar_t* title, const std::vector<ExpectedControl>& expected) {
    WinUi ui;
    InspectDialog inspect([&](HWND dialog, DialogControls&) {
        EXPECT_EQ(window_text(dialog), title);
        LOGFONTW font{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0)), sizeof font, &font);
        EXPECT_STREQ(font.lfFaceName, L"\uFF2D\uFF33 \uFF30\u30B4\u30B7\u30C3\u30AF");  // ＭＳ Ｐゴシック
        ASSERT_EQ(expected.size(), table.controlCount);
        HWND child = GetWindow(dialog, GW_CHILD);  // creation order is the table's order
        for (std::size_t i = 0; i < expected.size(); ++i) {
            ASSERT_NE(child, nullptr) << table.name << " control " << i;
            const DialogControlResource& row = table.controls[i];
            EXPECT_EQ(GetDlgCtrlID(child), expected[i].id == -1 ? 0xFFFF : expected[i].id) << table.name << " " << i;
            EXPECT_EQ(class_of(child), expected[i].className) << table.name << " " << i;
            EXPECT_EQ(window_text(child), expected[i].text) << table.name << " " << i;
            const DWORD style = static_cast<DWORD>(GetWindowLongW(child, GWL_STYLE));
            // The kind: the table's style bits, except those the controls move elsewhere (a combo
            // box gives its scroll bar to its list; an edit's border may become a client edge).
            const DWORD moved = WS_BORDER | WS_VSCROLL;
            EXPECT_EQ(style & row.style & ~moved, row.style & ~moved) << table.name << " " << i;
            if (row.kind == ControlKind::DefaultPushButton) {
                EXPECT_EQ(style & 0xF, static_cast<DWORD>(BS_DEFPUSHBUTTON));
            } else if (row.kind == ControlKind::AutoRadioButton) {
                EXPECT_EQ(style & 0xF, static_cast<DWORD>(BS_AUTORADIOBUTTON));
            } else if (row.kind == ControlKind::DropDownList) {
                EXPECT_EQ(style & 0x3, static_cast<DWORD>(CBS_DROPDOWNLIST));
            }
            EXPECT_TRUE(IsWindowVisible(child) || !IsWindowVisible(dialog));
            child = GetWindow(child, GW_HWNDNEXT);
        }
        EXPECT_EQ(child, nullptr) << "more controls than the table has";
    });
    EXPECT_EQ(ui.run_dialog(table, inspect), 42);
}

const wchar_t kCancel[] = L"\uFF77\uFF6C\uFF9D\uFF7E\uFF99";            // ｷｬﾝｾﾙ
const wchar_t kChooseFish[] = L"\u9B5A\u306E\u9078\u629E";               // 魚の選択

TEST(WinDialogs, BuiltFromTheTablesWithEveryControlAndItsText) {
    expect_dialog(kConfigDialog, L"\u74B0\u5883\u8A2D\u5B9A",  // 環境設定
                  {{kIdOk, L"Button", L"OK"},
                   {kIdCancel, L"Button", kCancel},
                   {-1, L"Static", L"\u753B\u50CF\u30AF\u30A9\u30EA\u30C6\u30A3"},  // 画像クォリティ
                   {kIdQualityCombo, L"ComboBox", L""},
                   {-1, L"Static", L"\u58C1\u7D19\u306E\u8A2D\u5B9A"},  // 壁紙の設定
                   {kIdWallpaperName, L"Static", L""},
                   {kIdBrowse, L"Button", L"\u53C2\u7167"},         // 参照
                   {kIdStretchRadio, L"Button", L"\u62E1\u5927"},   // 拡大
                   {kIdTileRadio, L"Button", L"\u9023\u7D9A"}});    // 連続
    expect_dialog(kAddDialog, L"\u91D1\u9B5A\u306E\u8FFD\u52A0",  // 金魚の追加
                  {{kIdOk, L"Button", L"\u8FFD\u52A0"},            // 追加
                   {kIdCancel, L"Button", kCancel},
                   {kIdKindCombo, L"ComboBox", L""},
                   {-1, L"Static", kChooseFish},
                   {kIdNameEdit, L"Edit", L""},
                   {-1, L"Static", L"\u9B5A\u306E\u540D\u524D"}});  // 魚の名前
    expect_dialog(kDeleteDialog, L"\u91D1\u9B5A\u306E\u524A\u9664",  // 金魚の削除
                  {{kIdOk, L"Button", L"\u524A\u9664"},              // 削除
                   {kIdCancel, L"Button", kCancel},
                   {kIdNameCombo, L"ComboBox", L""},
                   {-1, L"Static", kChooseFish}});
}

// Records what reaches the procedure and reads the controls back when Cancel arrives.
class Recording : public DialogProcedure {
public:
    std::function<void(HWND, DialogControls&)> onInit;
    std::function<void(DialogControls&)> onCancel;
    std::vector<std::pair<int, int>> commands;
    HWND window = nullptr;

    bool init_dialog(DialogControls& controls) override {
        window = static_cast<WinDialog&>(controls).window();
        if (onInit) onInit(window, controls);
        return false;
    }
    bool command(DialogControls& controls, int id, int notification) override {
        commands.emplace_back(id, notification);
        if (id == kIdCancel) {
            if (onCancel) onCancel(controls);
            controls.end_dialog(kIdCancel);
            controls.end_dialog(99);  // only the first end counts
        }
        return true;
    }
};

TEST(WinDialogs, ControlsKeepTheirBytesAndReportUnwritableText) {
    WinUi ui;
    Recording procedure;
    procedure.onInit = [](HWND dialog, DialogControls& c) {
        // 0x8790 (NEC's ≒) comes back from UTF-16 as 0x81E0: the row must keep its own bytes.
        EXPECT_EQ(c.combo_add_string(kIdKindCombo, "\x87\x90"), 0);
        EXPECT_EQ(c.combo_add_string(kIdKindCombo, "\x8B\xE0\x8B\x9B"), 1);  // 金魚
        EXPECT_EQ(c.combo_add_string(kIdNameEdit, "x"), -1);  // not a list
        c.combo_set_selection(kIdKindCombo, 1);
        // Typed text, one character of which Shift-JIS cannot hold; the edit's change
        // notification must not reach the procedure.
        SetDlgItemTextW(dialog, kIdNameEdit, L"\u91D1\u9B5A\u00E9");
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(kIdKindCombo, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, kIdKindCombo)));
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(kIdOk, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, kIdOk)));
        PostMessageW(dialog, WM_CLOSE, 0, 0);  // the close box: Cancel
    };
    procedure.onCancel = [](DialogControls& c) {
        auto& dialog = static_cast<WinDialog&>(c);
        char text[32];
        EXPECT_EQ(c.combo_count(kIdKindCombo), 2);
        EXPECT_EQ(c.combo_selection(kIdKindCombo), 1);
        EXPECT_EQ(c.combo_item_text(kIdKindCombo, 0, text, sizeof text), 2);
        EXPECT_STREQ(text, "\x87\x90");
        EXPECT_EQ(c.combo_item_text(kIdKindCombo, 1, text, 3), 2);  // cut before a whole character
        EXPECT_STREQ(text, "\x8B\xE0");
        EXPECT_EQ(c.combo_item_text(kIdKindCombo, 2, text, sizeof text), -1);
        EXPECT_STREQ(text, "");
        EXPECT_EQ(window_text(GetDlgItem(dialog.window(), kIdKindCombo)), L"\u91D1\u9B5A");

        EXPECT_EQ(c.get_text(kIdNameEdit, text, sizeof text), kTextNotShiftJis);
        EXPECT_STREQ(text, "");
        c.set_text(kIdNameEdit, "\x96\xBC\x91O");  // 名前
        EXPECT_EQ(c.get_text(kIdNameEdit, text, sizeof text), 4);
        EXPECT_STREQ(text, "\x96\xBC\x91O");
        EXPECT_EQ(window_text(GetDlgItem(dialog.window(), kIdNameEdit)), L"\u540D\u524D");
        c.combo_set_selection(kIdKindCombo, 5);  // out of range: no selection
        EXPECT_EQ(c.combo_selection(kIdKindCombo), -1);
    };
    EXPECT_EQ(ui.run_dialog(kAddDialog, procedure), kIdCancel);
    const std::vector<std::pair<int, int>> expected = {
        {kIdKindCombo, kCbnSelChange}, {kIdOk, kBnClicked}, {kIdCancel, kBnClicked}};
    EXPECT_EQ(procedure.commands, expected);
}

TEST(WinDialogs, RadioButtonsFileNamesAndDisabledControls) {
    WinUi ui;
    InspectDialog inspect([](HWND dialog, DialogControls& c) {
        c.check_radio_button(kIdStretchRadio, kIdTileRadio, kIdTileRadio);
        EXPECT_TRUE(c.is_checked(kIdTileRadio));
        EXPECT_FALSE(c.is_checked(kIdStretchRadio));
        c.check_radio_button(kIdStretchRadio, kIdTileRadio, 0);  // an id outside: all off
        EXPECT_FALSE(c.is_checked(kIdTileRadio));
        EXPECT_FALSE(c.is_checked(kIdBrowse));
        // Host paths are UTF-8 on Windows: C:\壁紙\表.jpg shows as 表.jpg.
        c.set_file_name_text(kIdWallpaperName, "C:\\\xE5\xA3\x81\xE7\xB4\x99\\\xE8\xA1\xA8.jpg");
        EXPECT_EQ(window_text(GetDlgItem(dialog, kIdWallpaperName)), L"\u8868.jpg");
        c.set_file_name_text(kIdWallpaperName, "bg_sprite1.jpg");
        EXPECT_EQ(window_text(GetDlgItem(dialog, kIdWallpaperName)), L"bg_sprite1.jpg");
        c.enable_control(kIdBrowse, false);
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, kIdBrowse)));
        for (int i = 0; i < 5; ++i) c.combo_add_string(kIdQualityCombo, kQualityNames[i]);
        c.combo_set_selection(kIdQualityCombo, 4);
        EXPECT_EQ(window_text(GetDlgItem(dialog, kIdQualityCombo)), L"UXGA(1600x1200)");
    });
    EXPECT_EQ(ui.run_dialog(kConfigDialog, inspect), 42);
}

// --- message boxes ----------------------------------------------------------------------------

std::vector<HWND> children(HWND parent) {
    std::vector<HWND> found;
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM list) {
            reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

// Waits on another thread for a top-level window of the class and title, hands it to `act`.
class WindowWatcher {
public:
    WindowWatcher(const wchar_t* className, std::wstring title, std::function<void(HWND)> act)
        : thread_([=] {
              for (int i = 0; i < 200 && !found_; ++i) {
                  if (HWND w = FindWindowW(className, title.c_str())) {
                      found_ = true;
                      act(w);
                      return;
                  }
                  Sleep(50);
              }
          }) {}
    ~WindowWatcher() { thread_.join(); }
    bool found() const { return found_; }

private:
    std::atomic<bool> found_{false};
    std::thread thread_;
};

TEST(WinMessageBoxes, FoundByTheirCaptionWithTextIconAndAnswer) {
    WinUi ui;
    std::wstring shownText;
    HICON shownIcon = nullptr;
    {
        WindowWatcher watcher(L"#32770", L"\u8B66\u544A", [&](HWND box) {  // 警告
            for (HWND child : children(box)) {
                if (class_of(child) != L"Static") continue;
                if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
                    shownIcon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
                else if (!window_text(child).empty())
                    shownText = window_text(child);
            }
            PostMessageW(box, WM_COMMAND, IDOK, 0);
        });
        EXPECT_EQ(ui.message_box(kMsgAlreadyRunning, kCaptionWarning, kMbIconWarning, false), kIdOk);
        EXPECT_TRUE(watcher.found());
    }
    EXPECT_EQ(shownText, L"\u591A\u91CD\u8D77\u52D5\u306F\u3067\u304D\u307E\u305B\u3093");  // 多重起動はできません
    EXPECT_EQ(shownIcon, LoadIconW(nullptr, IDI_WARNING));

    // The version box: OK and Cancel; closing it answers Cancel.
    WindowWatcher watcher(L"#32770", L"\uFF8A\uFF9E\uFF70\uFF7C\uFF9E\uFF6E\uFF9D\u60C5\u5831",  // ﾊﾞｰｼﾞｮﾝ情報
                          [](HWND box) { PostMessageW(box, WM_COMMAND, IDCANCEL, 0); });
    EXPECT_EQ(ui.message_box("Brinelight Vespera Ver.0.44 ", kCaptionVersion, kMbOkCancel | kMbIconInformation, true),
              kIdCancel);
}

// --- open-file dialog -------------------------------------------------------------------------

TEST(WinOpenFile, ChosenPathIsUtf8AndTheCurrentDirectoryStays) {
    namespace fs = std::filesystem;
    test::ScratchDir scratch;
    const fs::path folder = scratch.path() / fs::u8path("\xE5\xA3\x81\xE7\xB4\x99");  // 壁紙
    fs::create_directories(folder);
    const fs::path file = folder / fs::u8path("\xE8\xA1\xA8.exd");  // 表.exd
    std::ofstream(file) << "MRP";  // a wide path: .string() would go through the ANSI code page
    const fs::path before = fs::current_path();

    WinUi ui;
    const std::wstring chosen = file.wstring();
    WindowWatcher watcher(L"#32770", L"\u62E1\u5F35\uFF8C\uFF67\uFF72\uFF99\u3092\u9078\u629E", [&](HWND dialog) {  // 拡張ﾌｧｲﾙを選択
        Sleep(300);  // let the dialog finish filling itself in
        for (HWND child : children(dialog))
            if (class_of(child) == L"Edit") SetWindowTextW(child, chosen.c_str());
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    static const char* const filters[] = {"\xB1\xAF\xCC\xDF\xC3\xDE\xB0\xC4\xCC\xA7\xB2\xD9(*.exd)", "*.exd"};
    char path[kPathBytes] = {};
    OpenFileRequest request;
    request.filters = filters;
    request.filterPairs = 1;
    request.title = "\x8Ag\x92\xA3\xCC\xA7\xB2\xD9\x82\xF0\x91I\x91\xF0";  // 拡張ﾌｧｲﾙを選択
    request.defaultExtension = "exd";
    request.flags = kOfnFileMustExist | kOfnHideReadOnly;
    request.path = path;
    ASSERT_TRUE(ui.choose_open_file(request));
    EXPECT_TRUE(watcher.found());
    EXPECT_EQ(fs::u8path(path), file);
    EXPECT_EQ(fs::current_path(), before);
}

// --- main window, single instance, priority, program directory --------------------------------

TEST(WinMainWindow, QueuesTrayCommandsDisplayChangesAndCloseInOrder) {
    WinUi ui;
    ASSERT_TRUE(ui.create_main_window());
    HWND main = ui.main_window();
    EXPECT_FALSE(IsWindowVisible(main));
    EXPECT_EQ(class_of(main), L"Brinelight Vespera");
    EXPECT_EQ(window_text(main), L"Brinelight Vespera");
    SendMessageW(main, kTrayCallbackMessage, 0, WM_LBUTTONDOWN);  // clicks do nothing
    SendMessageW(main, kTrayCallbackMessage, 0, WM_LBUTTONDBLCLK);
    SendMessageW(main, kTrayCallbackMessage, 0, WM_RBUTTONDOWN);
    PostMessageW(main, WM_COMMAND, kCmdDrawMode, 0);  // on no menu, still a command
    PostMessageW(main, WM_DISPLAYCHANGE, 32, MAKELPARAM(800, 600));
    PostMessageW(main, WM_CLOSE, 0, 0);  // closed from outside: the exit command
    std::vector<std::pair<UiEventKind, std::uint32_t>> events;
    UiEvent e;
    for (int i = 0; i < 50 && events.size() < 4; ++i)
        while (ui.poll_event(&e, 0)) events.emplace_back(e.kind, e.command);
    ui.post_quit();
    while (ui.poll_event(&e, 0)) events.emplace_back(e.kind, e.command);
    const std::vector<std::pair<UiEventKind, std::uint32_t>> expected = {
        {UiEventKind::kTrayRightButton, 0}, {UiEventKind::kCommand, kCmdDrawMode},
        {UiEventKind::kDisplayChange, 0},   {UiEventKind::kCommand, kCmdExit},
        {UiEventKind::kQuit, 0}};
    EXPECT_EQ(events, expected);
    EXPECT_TRUE(IsWindow(main));  // WM_CLOSE did not destroy it unsaved
}

double seconds_since(const LARGE_INTEGER& start) {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart - start.QuadPart) / frequency.QuadPart;
}

// Posts a message to the window after a delay, from another thread, as another program would.
std::thread post_later(HWND window, UINT message, WPARAM wParam, int delayMs) {
    return std::thread([=] {
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        PostMessageW(window, message, wParam, 0);
    });
}

TEST(WinMainWindow, ThePollWaitsToItsDeadlineUnlessAnEventArrives) {
    WinUi ui;
    ASSERT_TRUE(ui.create_main_window());
    UiEvent e;
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    EXPECT_FALSE(ui.poll_event(&e, 0));
    EXPECT_LT(seconds_since(start), 0.1) << "no wait asked, none made";

    // A message that queues nothing wakes the wait, which goes on to the same deadline.
    std::thread idle = post_later(ui.main_window(), WM_NULL, 0, 50);
    QueryPerformanceCounter(&start);
    EXPECT_FALSE(ui.poll_event(&e, 0.3));
    EXPECT_GE(seconds_since(start), 0.3);
    idle.join();

    // A command ends it at once.
    std::thread command = post_later(ui.main_window(), WM_COMMAND, kCmdFeed, 50);
    QueryPerformanceCounter(&start);
    ASSERT_TRUE(ui.poll_event(&e, 10.0));
    EXPECT_LT(seconds_since(start), 5.0);
    EXPECT_EQ(e.kind, UiEventKind::kCommand);
    EXPECT_EQ(e.command, kCmdFeed);
    command.join();
}

TEST(WinMainWindow, TheSessionsEndSavesBeforeTheMessageReturns) {
    WinUi ui;
    ASSERT_TRUE(ui.create_main_window());
    HWND main = ui.main_window();
    int ends = 0;
    ui.on_session_end([&] { ++ends; });
    EXPECT_EQ(SendMessageW(main, WM_QUERYENDSESSION, 0, 0), TRUE) << "nothing to ask the user";
    SendMessageW(main, WM_ENDSESSION, FALSE, 0);  // the end was called off
    EXPECT_EQ(ends, 0);
    SendMessageW(main, WM_ENDSESSION, TRUE, 0);
    EXPECT_EQ(ends, 1) << "done inside the message, before Windows may end the process";

    WinUi plain;
    ASSERT_TRUE(plain.create_main_window());
    SendMessageW(plain.main_window(), WM_ENDSESSION, TRUE, 0);
    UiEvent e;
    ASSERT_TRUE(plain.poll_event(&e, 0));
    EXPECT_EQ(e.kind, UiEventKind::kCommand);
    EXPECT_EQ(e.command, kCmdExit) << "without a handler, the exit command is queued";
}

TEST(WinDesktopHost, SingleInstanceByClassAndTitlePriorityAndDirectory) {
    WinDesktopHost host;
    EXPECT_FALSE(host.another_instance_running());
    {
        // The title alone is not the marker.
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"SomethingElse";
        RegisterClassW(&wc);
        HWND other = CreateWindowW(L"SomethingElse", kMainWindowTitle, WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                   wc.hInstance, nullptr);
        EXPECT_FALSE(host.another_instance_running());
        DestroyWindow(other);
    }
    {
        WinUi ui;
        ASSERT_TRUE(ui.add_tray_icon("Brinelight"));  // makes the main window
        EXPECT_TRUE(host.another_instance_running());
    }
    EXPECT_FALSE(host.another_instance_running());

    host.enter_background();
    EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), static_cast<DWORD>(BELOW_NORMAL_PRIORITY_CLASS));
    SetPriorityClass(GetCurrentProcess(), NORMAL_PRIORITY_CLASS);

    test::ScratchDir elsewhere;
    std::filesystem::current_path(elsewhere.path());
    ASSERT_TRUE(enter_program_directory());
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    EXPECT_EQ(std::filesystem::current_path(), std::filesystem::path(exe).parent_path());
    EXPECT_NE(GetFileAttributesW(std::filesystem::path(exe).filename().c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
}  // namespace brine
