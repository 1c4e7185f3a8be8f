#include "gui/win32/Win32Backend.h"

#include "gui/Application.h"
#include "gui/Buttons.h"
#include "gui/ComCtrls.h"
#include "gui/Dialogs.h"
#include "gui/StdCtrls.h"
#include "platform/MessageLoop.h"
#include "support/BackendTesting.h"

#include "gui/win32/NativeGraphics.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>

namespace {

using gui::win32::NativeWindow;

HWND Native(const gui::TControl& control) {
    return static_cast<HWND>(NativeWindow(control));
}

std::wstring TextOf(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

using Backend = test::BackendTest<gui::win32::TBackend>;
using test::RunUntilQuit;
using test::TClickForm;

// The box this thread shows, once it is up: the system's dialog class.
HWND OpenBox() {
    HWND found = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM result) {
            wchar_t name[16];
            if (GetClassNameW(window, name, 16) > 0 && std::wstring(name) == L"#32770" &&
                IsWindowVisible(window)) {
                *reinterpret_cast<HWND*>(result) = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

} // namespace

TEST_F(Backend, WindowsFollowTheModelAndClicksReachIt) {
    TClickForm form(nullptr);
    form.SetClientWidth(200);
    form.SetClientHeight(100);
    form.SetCaption("\xA5\x5C\xAF\xE0"); // 功能 in Big5
    auto* button = new gui::TButton(&form);
    button->SetParent(&form);
    button->SetBounds(10, 20, 90, 25);
    button->SetCaption("Exit");
    button->SetOnClick(gui::TNotifyEvent(&form, &TClickForm::Clicked));
    auto* status = new gui::TStatusBar(&form);
    status->SetParent(&form);
    status->SetSimplePanel(true);
    auto* list = new gui::TListBox(&form);
    list->SetParent(&form);
    list->Items()->Add("first");
    list->Items()->Add("\xC0\xC9\xAE\xD7"); // 檔案
    gui::win32::ShowForm(form);

    const HWND window = Native(form);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(TextOf(window), L"功能") << "Big5 bytes shown through the W calls";
    RECT client;
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 200);
    EXPECT_EQ(client.bottom, 100);
    const HWND pushButton = Native(*button);
    ASSERT_NE(pushButton, nullptr);
    EXPECT_EQ(GetParent(pushButton), window);
    RECT place;
    GetWindowRect(pushButton, &place);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&place), 2);
    EXPECT_EQ(place.left, 10);
    EXPECT_EQ(place.top, 20);
    EXPECT_EQ(place.right - place.left, 90);
    EXPECT_EQ(TextOf(pushButton), L"Exit");
    button->SetCaption("Leave");
    EXPECT_EQ(TextOf(pushButton), L"Leave") << "kept in step with the model";
    SendMessageW(pushButton, BM_CLICK, 0, 0);
    EXPECT_EQ(form.clicks, 1);

    status->SetSimpleText("Logged out");
    wchar_t shown[64] = {};
    SendMessageW(Native(*status), SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(shown)); // the simple text
    EXPECT_STREQ(shown, L"Logged out");
    ASSERT_EQ(SendMessageW(Native(*list), LB_GETCOUNT, 0, 0), 2);
    SendMessageW(Native(*list), LB_GETTEXT, 1, reinterpret_cast<LPARAM>(shown));
    EXPECT_STREQ(shown, L"檔案");
}

TEST_F(Backend, WhatIsTypedIntoAMemoReachesItsLines) {
    gui::TForm form(nullptr);
    auto* memo = new gui::TMemo(&form);
    memo->SetParent(&form);
    memo->Lines()->Add("one");
    memo->Lines()->Add("two");
    gui::win32::ShowForm(form);
    EXPECT_EQ(TextOf(Native(*memo)), L"one\r\ntwo");
    // As typing does: the selection replaced.
    SendMessageW(Native(*memo), EM_SETSEL, 0, -1);
    SendMessageW(Native(*memo), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"typed\r\n中文"));
    ASSERT_EQ(memo->Lines()->Count(), 2);
    EXPECT_EQ(memo->Lines()->Get(0), "typed");
    EXPECT_EQ(memo->Lines()->Get(1), "\xA4\xA4\xA4\xE5") << "back in the program's code page";
}

TEST_F(Backend, TimersRunInsideAModalBoxAndItsButtonsCarryTheRequestsTexts) {
    static HWND box = nullptr;
    static int ticksInsideBox = 0;
    static std::wstring firstButton;
    static std::wstring secondButton;
    box = nullptr;
    ticksInsideBox = 0;
    const win::UINT_PTR timer =
        win::SetTimer(nullptr, 0, 15, [](win::HWND, win::UINT, win::UINT_PTR, win::DWORD) {
            box = OpenBox();
            if (box == nullptr || ++ticksInsideBox != 3) return;
            // No and OK, in the standard order, have no box of their own: a box of two buttons says so.
            firstButton = TextOf(GetDlgItem(box, IDOK));
            secondButton = TextOf(GetDlgItem(box, IDCANCEL));
            SendMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
        });
    gui::TModalResult answer = gui::mrNone;
    const int exitCode = RunUntilQuit([&] {
        answer = gui::MessageDlg("Waiting", gui::TMsgDlgType::mtConfirmation,
                                 {gui::TMsgDlgBtn::mbOK, gui::TMsgDlgBtn::mbNo});
        win::PostQuitMessage(4);
    });
    win::KillTimer(nullptr, timer);
    EXPECT_EQ(exitCode, 4) << "the quit message ends the loop with its code";
    EXPECT_EQ(ticksInsideBox, 3) << "the box was answered by a tick that came while it was open";
    EXPECT_EQ(firstButton, L"&No");
    EXPECT_EQ(secondButton, L"OK");
    EXPECT_EQ(answer, gui::mrNo);
}

TEST_F(Backend, ANoticeHoldsNoWindowAndTheProgramEndsWhileItIsOpen) {
    static HWND box = nullptr;
    static bool formEnabled = false;
    static bool openAfterQuit = false;
    static HWND formWindow = nullptr;
    box = nullptr;
    openAfterQuit = false;
    test::TClickForm form(nullptr);
    gui::win32::ShowForm(form);
    form.Show();
    formWindow = static_cast<HWND>(gui::win32::NativeWindow(form));
    const win::UINT_PTR timer =
        win::SetTimer(nullptr, 0, 15, [](win::HWND, win::UINT, win::UINT_PTR, win::DWORD) {
            if (box == nullptr && (box = OpenBox()) != nullptr) {
                formEnabled = IsWindowEnabled(formWindow) != FALSE;
                win::PostQuitMessage(5);
            } else if (box != nullptr && IsWindowVisible(box)) {
                openAfterQuit = true;
                SendMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
            }
        });
    const int exitCode =
        RunUntilQuit([] { gui::ShowNotice("Notice", "Two files failed", gui::TDialogIcon::Warning); });
    win::KillTimer(nullptr, timer);
    EXPECT_NE(box, nullptr);
    EXPECT_TRUE(formEnabled) << "the form takes clicks while the box is open";
    EXPECT_FALSE(openAfterQuit) << "the quit ends the box";
    EXPECT_EQ(exitCode, 5);
}

// The system's fonts of a box and a status bar may lack Chinese glyphs (Wine's do).
TEST_F(Backend, ChineseInABoxAndTheStatusBarIsDrawnInAFaceWithItsGlyphs) {
    const std::string chinese = "\xA9\xD2\xBB\xDD\xC0\xC9\xAE\xD7"; // 所需檔案 in Big5
    gui::TForm form(nullptr);
    auto* status = new gui::TStatusBar(&form);
    status->SetParent(&form);
    status->SetSimplePanel(true);
    status->SetSimpleText(chinese);
    gui::win32::ShowForm(form);
    const auto statusFont = reinterpret_cast<HFONT>(SendMessageW(Native(*status), WM_GETFONT, 0, 0));
    EXPECT_TRUE(gui::win32::HasGlyphs(statusFont, gui::win32::Wide(chinese)));

    static bool boxHasGlyphs = false;
    static std::wstring shownText;
    boxHasGlyphs = false;
    shownText = gui::win32::Wide(chinese);
    const win::UINT_PTR timer =
        win::SetTimer(nullptr, 0, 15, [](win::HWND, win::UINT, win::UINT_PTR, win::DWORD) {
            const HWND box = OpenBox();
            if (box == nullptr) return;
            // The text's control has another id in Wine than in Windows: it is found by its text.
            EnumChildWindows(
                box,
                [](HWND child, LPARAM) -> BOOL {
                    if (TextOf(child) != shownText) return TRUE;
                    const auto font = reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0));
                    boxHasGlyphs = gui::win32::HasGlyphs(font, shownText);
                    return FALSE;
                },
                0);
            SendMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
        });
    RunUntilQuit([&] {
        gui::MessageDlg(chinese, gui::TMsgDlgType::mtInformation, {gui::TMsgDlgBtn::mbOK});
        win::PostQuitMessage(0);
    });
    win::KillTimer(nullptr, timer);
    EXPECT_TRUE(boxHasGlyphs);
}

TEST_F(Backend, AnExceptionInAClickIsShownAndGoesNoFurther) {
    struct Thrower : gui::TButton {
        using TButton::TButton;
        void Click() override { throw std::runtime_error("Required files not complete !"); }
    };
    gui::TForm form(nullptr);
    auto* button = new Thrower(&form);
    button->SetParent(&form);
    button->SetBounds(0, 0, 90, 25); // the system clicks only where the button is
    gui::win32::ShowForm(form);
    struct Recorder : gui::TDialogProvider {
        std::string text;
        gui::TModalResult Show(const gui::TDialogRequest& request) override {
            text = request.Text;
            return gui::mrOk;
        }
    } recorder;
    gui::Application().OnException = gui::TMethod<void(gui::TObject*, const std::exception&)>();
    gui::TDialogProvider* previous = gui::SetDialogProvider(&recorder);
    SendMessageW(Native(*button), BM_CLICK, 0, 0);
    gui::SetDialogProvider(previous);
    EXPECT_EQ(recorder.text, "Required files not complete !");
}

TEST(NativeGraphics, AChineseTextGetsAFaceWithItsGlyphs) {
    gui::TFont font;
    const std::wstring chinese = gui::win32::Wide("\xA4\x55\xB8\xFC\xC0\xC9\xAE\xD7"); // 下載檔案
    const HFONT western = gui::win32::FontFor(font, L"Download File");
    LOGFONTW named{};
    GetObjectW(western, sizeof named, &named);
    EXPECT_STREQ(named.lfFaceName, L"MS Sans Serif") << "Western texts keep the form's face";
    const HFONT forChinese = gui::win32::FontFor(font, chinese);
    EXPECT_TRUE(gui::win32::HasGlyphs(forChinese, chinese));
    EXPECT_EQ(gui::win32::FontFor(font, chinese), forChinese) << "made once";
}

TEST(NativeGraphics, PicturesWhoseSizesOverrunTheirDataAreRefused) {
    // A 2x1 bitmap of 24 bits: rows of 8 bytes.
    std::string bitmap("BM", 2);
    const auto put32 = [](std::string& data, std::uint32_t value) {
        data.append(reinterpret_cast<const char*>(&value), 4);
    };
    put32(bitmap, 62);
    put32(bitmap, 0);
    put32(bitmap, 54);
    BITMAPINFOHEADER header{sizeof header, 2, 1, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    bitmap.append(reinterpret_cast<const char*>(&header), sizeof header);
    bitmap.append(8, '\x40');
    const auto whole = gui::win32::BitmapFromFile(bitmap);
    ASSERT_NE(whole, nullptr);
    BITMAP shape{};
    GetObjectW(whole.get(), sizeof shape, &shape);
    EXPECT_EQ(shape.bmWidth, 2);
    EXPECT_EQ(gui::win32::BitmapFromFile(bitmap.substr(0, bitmap.size() - 1)), nullptr) << "a row cut short";
    header.biHeight = 4096;
    EXPECT_EQ(gui::win32::BitmapFromFile(
                  bitmap.replace(14, sizeof header, reinterpret_cast<const char*>(&header), sizeof header)),
              nullptr)
        << "rows that are not there";

    // An icon directory whose one image lies beyond the data.
    std::string icon("\0\0\1\0\1\0", 6);
    icon += std::string("\x20\x20\x10\0\1\0\4\0", 8);
    put32(icon, 0x2E8);
    put32(icon, 22);
    icon.append(100, '\0');
    EXPECT_EQ(gui::win32::IconFromFile(icon), nullptr);
    EXPECT_EQ(gui::win32::IconFromFile(""), nullptr);
}
