#include "gui/win32/Win32Backend.h"

#include "gui/Application.h"
#include "gui/Buttons.h"
#include "gui/ComCtrls.h"
#include "gui/ExtCtrls.h"
#include "gui/FileCtrl.h"
#include "gui/StdCtrls.h"
#include "gui/win32/NativeGraphics.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace gui::win32 {
namespace {

constexpr wchar_t kFormClass[] = L"NvlSetupForm";

std::wstring JoinedLines(const rtl::TStrings& lines) {
    std::string joined;
    for (const std::string& line : lines.ToVector())
        joined += (joined.empty() ? "" : "\r\n") + line;
    return Wide(joined);
}

std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

// The text a control shows, which decides the face it needs.
std::wstring ShownText(const TControl& control) {
    if (auto* form = dynamic_cast<const TCustomForm*>(&control)) return Wide(form->Caption());
    if (auto* label = dynamic_cast<const TLabel*>(&control)) return Wide(label->Caption());
    if (auto* button = dynamic_cast<const TButton*>(&control)) return Wide(button->Caption());
    if (auto* memo = dynamic_cast<const TMemo*>(&control)) return JoinedLines(*memo->Lines());
    if (auto* list = dynamic_cast<const TCustomListBox*>(&control)) return JoinedLines(*list->Items());
    if (auto* status = dynamic_cast<const TStatusBar*>(&control)) return Wide(status->ShownText());
    return {};
}

// Keeps one native window in step with its control. The window's user data points back here.
class WindowPeer : public TControlPeer {
public:
    WindowPeer(TControl& control, HWND window) : control_(control), window_(window) {
        SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~WindowPeer() override {
        if (!IsWindow(window_)) return;
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }

    static WindowPeer* Of(HWND window) {
        return window == nullptr ? nullptr
                                 : reinterpret_cast<WindowPeer*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    }

    void PropertyChanged(std::string_view) override { Sync(); }
    HWND Window() const { return window_; }
    TControl& Control() const { return control_; }
    HBRUSH Background() const { return background_.get(); }
    HBITMAP Glyph() const { return glyph_.get(); }

    void Sync() {
        if (!IsWindow(window_)) return;
        const std::wstring text = ShownText(control_);
        SyncBounds(text);
        SyncColours();
        const bool systemFont = dynamic_cast<TStatusBar*>(&control_) != nullptr &&
                                static_cast<TStatusBar&>(control_).UseSystemFont();
        if (!systemFont) {
            SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(*control_.Font(), text)),
                         FALSE);
        } else {
            // The bar's own font, made once by the system, is the one to fall back from.
            if (systemFont_ == nullptr)
                systemFont_ = reinterpret_cast<HFONT>(SendMessageW(window_, WM_GETFONT, 0, 0));
            SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(SystemFontFor(systemFont_, text)),
                         FALSE);
        }
        SyncKind(text);
        EnableWindow(window_, control_.Enabled());
        InvalidateRect(window_, nullptr, TRUE);
        if (control_.Visible() != ((GetWindowLongPtrW(window_, GWL_STYLE) & WS_VISIBLE) != 0)) {
            const bool topLevel = dynamic_cast<TCustomForm*>(&control_) != nullptr;
            ShowWindow(window_, !control_.Visible() ? SW_HIDE : topLevel ? SW_SHOW : SW_SHOWNA);
        }
    }

    // What the user typed into a memo goes into the model's lines.
    void TakeEditedText() {
        if (syncing_) return;
        auto* memo = dynamic_cast<TMemo*>(&control_);
        if (memo == nullptr) return;
        syncing_ = true;
        Guarded([&] { memo->SetText(Ansi(WindowText(window_))); });
        syncing_ = false;
    }

private:
    void SyncBounds(const std::wstring& text) {
        if (auto* form = dynamic_cast<TCustomForm*>(&control_)) {
            RECT frame{0, 0, static_cast<LONG>(form->ClientWidth()), static_cast<LONG>(form->ClientHeight())};
            AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_STYLE)), FALSE,
                               static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_EXSTYLE)));
            SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            return;
        }
        int width = static_cast<int>(control_.Width());
        int height = static_cast<int>(control_.Height());
        if (auto* label = dynamic_cast<TLabel*>(&control_);
            label != nullptr && label->AutoSize() && !label->WordWrap()) {
            const WindowDc dc(window_);
            const Selection font(dc.get(), FontFor(*control_.Font(), text));
            RECT measured{0, 0, 0, 0};
            DrawTextW(dc.get(), text.c_str(), static_cast<int>(text.size()), &measured,
                      DT_CALCRECT | DT_SINGLELINE);
            width = measured.right;
            height = std::max(height, static_cast<int>(measured.bottom));
        }
        SetWindowPos(window_, nullptr, static_cast<int>(control_.Left()), static_cast<int>(control_.Top()),
                     width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    }

    // Labels, pictures and the status bar stand on their parent's colour; the others have their own.
    void SyncColours() {
        const bool onParent = dynamic_cast<TLabel*>(&control_) != nullptr ||
                              dynamic_cast<TImage*>(&control_) != nullptr ||
                              dynamic_cast<TStatusBar*>(&control_) != nullptr;
        const TControl& owner = onParent && control_.Parent() != nullptr ? *control_.Parent() : control_;
        const COLORREF colour = ToColorRef(owner.Color());
        if (!background_ || colour != backgroundColour_) {
            background_.reset(CreateSolidBrush(colour));
            backgroundColour_ = colour;
        }
    }

    void SyncKind(const std::wstring& text) {
        if (auto* form = dynamic_cast<TCustomForm*>(&control_)) {
            SetWindowTextW(window_, text.c_str());
            icon_ = IconFromFile(form->Icon()->Data());
            SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_.get()));
            SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_.get()));
        } else if (auto* image = dynamic_cast<TImage*>(&control_)) {
            const std::string data = image->Picture()->Data();
            if (IsBitmapFile(data)) {
                glyph_ = BitmapFromFile(data);
                SendMessageW(window_, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(glyph_.get()));
            } else {
                icon_ = IconFromFile(data);
                SendMessageW(window_, STM_SETICON, reinterpret_cast<WPARAM>(icon_.get()), 0);
            }
        } else if (dynamic_cast<TStatusBar*>(&control_) != nullptr) {
            SendMessageW(window_, SB_SIMPLE, TRUE, 0);
            SendMessageW(window_, SB_SETTEXTW, SB_SIMPLEID, reinterpret_cast<LPARAM>(text.c_str()));
        } else if (dynamic_cast<TMemo*>(&control_) != nullptr) {
            if (WindowText(window_) != text) {
                syncing_ = true;
                SetWindowTextW(window_, text.c_str());
                syncing_ = false;
            }
            SendMessageW(window_, EM_SETREADONLY, static_cast<TMemo&>(control_).ReadOnly(), 0);
        } else if (auto* list = dynamic_cast<TCustomListBox*>(&control_)) {
            SendMessageW(window_, LB_RESETCONTENT, 0, 0);
            for (const std::string& item : list->Items()->ToVector())
                SendMessageW(window_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(item).c_str()));
        } else if (auto* glyphButton = dynamic_cast<TBitBtn*>(&control_)) {
            SetWindowTextW(window_, text.c_str());
            glyph_ = BitmapFromFile(glyphButton->Glyph()->Data());
        } else {
            SetWindowTextW(window_, text.c_str());
        }
    }

    TControl& control_;
    HWND window_;
    UniqueGdi<HBRUSH> background_;
    COLORREF backgroundColour_ = 0;
    UniqueIcon icon_;
    UniqueGdi<HBITMAP> glyph_;
    bool syncing_ = false;
    HFONT systemFont_ = nullptr;
};

// A glyph button: the frame, then the glyph's first image with its bottom-left colour left out,
// and the caption beside it in the font's colour.
void DrawGlyphButton(const WindowPeer& peer, const DRAWITEMSTRUCT& item) {
    RECT frame = item.rcItem;
    const bool pushed = (item.itemState & ODS_SELECTED) != 0;
    const bool disabled = (item.itemState & ODS_DISABLED) != 0;
    DrawFrameControl(item.hDC, &frame, DFC_BUTTON,
                     DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0) | (disabled ? DFCS_INACTIVE : 0));
    const std::wstring text = WindowText(item.hwndItem);
    const Selection font(item.hDC, reinterpret_cast<HFONT>(SendMessageW(item.hwndItem, WM_GETFONT, 0, 0)));
    RECT textSize{0, 0, 0, 0};
    if (!text.empty())
        DrawTextW(item.hDC, text.c_str(), static_cast<int>(text.size()), &textSize,
                  DT_CALCRECT | DT_SINGLELINE);
    BITMAP glyph{};
    if (peer.Glyph() != nullptr) GetObjectW(peer.Glyph(), sizeof glyph, &glyph);
    const auto* button = static_cast<const TBitBtn*>(&peer.Control());
    const int glyphWidth = glyph.bmWidth / static_cast<int>(std::max<std::int64_t>(1, button->NumGlyphs()));
    const int spacing = glyphWidth > 0 && !text.empty() ? 4 : 0;
    const int shift = pushed ? 1 : 0;
    int x = (frame.left + frame.right - (glyphWidth + spacing + textSize.right)) / 2 + shift;
    if (peer.Glyph() != nullptr) {
        const UniqueDc source(CreateCompatibleDC(item.hDC));
        const Selection bitmap(source.get(), peer.Glyph());
        const COLORREF transparent = GetPixel(source.get(), 0, glyph.bmHeight - 1);
        GdiTransparentBlt(item.hDC, x, (frame.top + frame.bottom - glyph.bmHeight) / 2 + shift, glyphWidth,
                          glyph.bmHeight, source.get(), 0, 0, glyphWidth, glyph.bmHeight, transparent);
        x += glyphWidth + spacing;
    }
    if (!text.empty()) {
        RECT place{x, frame.top + shift, frame.right, frame.bottom + shift};
        SetBkMode(item.hDC, TRANSPARENT);
        SetTextColor(item.hDC, disabled ? GetSysColor(COLOR_GRAYTEXT) : ToColorRef(button->Font()->Color()));
        DrawTextW(item.hDC, text.c_str(), static_cast<int>(text.size()), &place, DT_SINGLELINE | DT_VCENTER);
    }
    if ((item.itemState & ODS_FOCUS) != 0) {
        RECT focus = item.rcItem;
        InflateRect(&focus, -4, -4);
        DrawFocusRect(item.hDC, &focus);
    }
}

LRESULT ChildColours(HWND child, HDC dc) {
    const WindowPeer* peer = WindowPeer::Of(child);
    if (peer == nullptr || peer->Background() == nullptr) return 0;
    SetTextColor(dc, ToColorRef(peer->Control().Font()->Color()));
    LOGBRUSH brush{};
    GetObjectW(peer->Background(), sizeof brush, &brush);
    SetBkColor(dc, brush.lbColor);
    return reinterpret_cast<LRESULT>(peer->Background());
}

LRESULT CALLBACK FormProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowPeer* form = WindowPeer::Of(window);
    switch (message) {
    case WM_CLOSE:
        // The model decides; the window stays until the form goes.
        if (form != nullptr) Guarded([&] { static_cast<TCustomForm&>(form->Control()).Close(); });
        return 0;
    case WM_COMMAND: {
        WindowPeer* child = WindowPeer::Of(reinterpret_cast<HWND>(lParam));
        if (child == nullptr) break;
        if (HIWORD(wParam) == BN_CLICKED) {
            if (auto* button = dynamic_cast<TButton*>(&child->Control())) Guarded([&] { button->Click(); });
        } else if (HIWORD(wParam) == EN_CHANGE) {
            child->TakeEditedText();
        }
        return 0;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
        if (const LRESULT brush = ChildColours(reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam)))
            return brush;
        break;
    case WM_DRAWITEM: {
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (const WindowPeer* child = WindowPeer::Of(item.hwndItem);
            child != nullptr && item.CtlType == ODT_BUTTON) {
            DrawGlyphButton(*child, item);
            return TRUE;
        }
        break;
    }
    case WM_ERASEBKGND:
        if (form != nullptr && form->Background() != nullptr) {
            RECT client;
            GetClientRect(window, &client);
            FillRect(reinterpret_cast<HDC>(wParam), &client, form->Background());
            return 1;
        }
        break;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void RegisterFormClass() {
    static const ATOM atom = [] {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&controls);
        WNDCLASSEXW form{};
        form.cbSize = sizeof form;
        form.lpfnWndProc = &FormProcedure;
        form.hInstance = GetModuleHandleW(nullptr);
        form.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // the arrow
        form.lpszClassName = kFormClass;
        return RegisterClassExW(&form);
    }();
    (void)atom;
}

bool IsForm(HWND window) {
    wchar_t name[32];
    return window != nullptr && GetClassNameW(window, name, 32) > 0 && wcscmp(name, kFormClass) == 0;
}

HWND MakeControlWindow(TControl& control, HWND parent) {
    const wchar_t* className = nullptr;
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
    DWORD extended = 0;
    if (auto* label = dynamic_cast<TLabel*>(&control)) {
        className = L"STATIC";
        style |= label->WordWrap() ? SS_LEFT : SS_LEFTNOWORDWRAP;
        if (label->Alignment() == TAlignment::taCenter) style = (style & ~SS_TYPEMASK) | SS_CENTER;
        if (label->Alignment() == TAlignment::taRightJustify) style = (style & ~SS_TYPEMASK) | SS_RIGHT;
    } else if (auto* image = dynamic_cast<TImage*>(&control)) {
        className = L"STATIC";
        style |= (IsBitmapFile(image->Picture()->Data()) ? SS_BITMAP : SS_ICON) | SS_CENTERIMAGE;
    } else if (dynamic_cast<TStatusBar*>(&control) != nullptr) {
        className = STATUSCLASSNAMEW;
        style |= CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER;
    } else if (dynamic_cast<TBitBtn*>(&control) != nullptr) {
        className = L"BUTTON";
        style |= BS_OWNERDRAW;
    } else if (dynamic_cast<TButton*>(&control) != nullptr) {
        className = L"BUTTON";
        style |= BS_PUSHBUTTON;
    } else if (auto* memo = dynamic_cast<TMemo*>(&control)) {
        className = L"EDIT";
        style |= ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL;
        if (!memo->WordWrap()) style |= ES_AUTOHSCROLL | WS_HSCROLL;
        extended = WS_EX_CLIENTEDGE;
    } else if (dynamic_cast<TCustomListBox*>(&control) != nullptr) {
        className = L"LISTBOX";
        style |= LBS_NOINTEGRALHEIGHT | LBS_NOTIFY | WS_VSCROLL;
        extended = WS_EX_CLIENTEDGE;
    } else {
        return nullptr;
    }
    if (auto* windowed = dynamic_cast<TWinControl*>(&control); windowed != nullptr && windowed->TabStop())
        style |= WS_TABSTOP;
    return CreateWindowExW(extended | WS_EX_NOPARENTNOTIFY, className, L"", style, 0, 0, 0, 0, parent,
                           nullptr, GetModuleHandleW(nullptr), nullptr);
}

void Attach(TControl& control, HWND window) {
    auto peer = std::make_unique<WindowPeer>(control, window);
    WindowPeer* raw = peer.get();
    control.SetPeer(std::move(peer));
    raw->Sync();
}

void AttachChildren(TWinControl& parent, HWND parentWindow) {
    for (TControl* control : parent.ControlList()) {
        const HWND window = MakeControlWindow(*control, parentWindow);
        if (window == nullptr) continue;
        Attach(*control, window);
        if (auto* container = dynamic_cast<TWinControl*>(control)) AttachChildren(*container, window);
    }
}

// The system's message box, with the request's own button texts and answers. The box offers a
// fixed set of buttons: the one whose answers are the request's, or else one of the same count,
// whose buttons are relabelled when the box activates.
class MessageBoxes : public TDialogProvider {
public:
    TModalResult Show(const TDialogRequest& request) override {
        struct Kind {
            UINT flags;
            std::vector<int> answers;
        };
        static const std::vector<Kind> kinds = {{MB_OK, {IDOK}},
                                                {MB_OKCANCEL, {IDOK, IDCANCEL}},
                                                {MB_YESNO, {IDYES, IDNO}},
                                                {MB_YESNOCANCEL, {IDYES, IDNO, IDCANCEL}},
                                                {MB_RETRYCANCEL, {IDRETRY, IDCANCEL}},
                                                {MB_ABORTRETRYIGNORE, {IDABORT, IDRETRY, IDIGNORE}}};
        std::vector<int> wanted;
        for (const auto& button : request.Buttons)
            wanted.push_back(button.Result);
        const std::size_t count = std::clamp<std::size_t>(wanted.size(), 1, 3);
        const auto same = std::find_if(kinds.begin(), kinds.end(),
                                       [&](const Kind& kind) { return kind.answers == wanted; });
        const auto sized = std::find_if(kinds.begin(), kinds.end(),
                                        [&](const Kind& kind) { return kind.answers.size() == count; });
        const Kind& kind = same != kinds.end() ? *same : *sized;

        Relabelling labels;
        for (std::size_t index = 0; index < request.Buttons.size() && index < kind.answers.size(); ++index)
            labels.buttons.emplace_back(kind.answers[index], Wide(request.Buttons[index].Text));
        labels.shown = Wide(request.Text);
        for (const auto& button : request.Buttons)
            labels.shown += Wide(button.Text);
        labels.Install();
        const std::wstring text = Wide(request.Text);
        const std::wstring caption = Wide(request.Caption);
        // A modeless request gets a box of no owner, which disables no window; the system's box
        // still waits here, and ends at once when the program quits.
        const int answer =
            request.Modeless
                ? MessageBoxW(nullptr, text.c_str(), caption.c_str(), kind.flags | IconFlags(request.Icon))
                : MessageBoxW(OwnerWindow(), text.c_str(), caption.c_str(),
                              kind.flags | IconFlags(request.Icon) | MB_TASKMODAL);
        if (request.Modeless) return mrNone;
        const auto position = std::find(kind.answers.begin(), kind.answers.end(), answer);
        const auto index = static_cast<std::size_t>(position - kind.answers.begin());
        if (index < request.Buttons.size()) return request.Buttons[index].Result;
        return request.Buttons.empty() ? mrOk : request.Buttons.front().Result;
    }

private:
    // Sets the request's texts on the box's buttons once the box is shown.
    struct Relabelling {
        std::vector<std::pair<int, std::wstring>> buttons;
        // Every text the box shows.
        std::wstring shown;
        HHOOK hook = nullptr;
        static thread_local Relabelling* pending;

        void Install() {
            pending = this;
            hook = SetWindowsHookExW(WH_CBT, &Activated, nullptr, GetCurrentThreadId());
        }
        void Remove() {
            if (hook != nullptr) UnhookWindowsHookEx(hook);
            hook = nullptr;
            if (pending == this) pending = nullptr;
        }
        ~Relabelling() { Remove(); }

        // The box's own font may lack the glyphs of the request's texts, which the system may set on
        // its controls only after the box activates; a control without a font (the icon's) draws none.
        static BOOL CALLBACK FitFont(HWND child, LPARAM labels) {
            const auto font = reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0));
            if (font == nullptr) return TRUE;
            const std::wstring& shown = reinterpret_cast<const Relabelling*>(labels)->shown;
            SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(SystemFontFor(font, shown)), TRUE);
            return TRUE;
        }

        static LRESULT CALLBACK Activated(int code, WPARAM wParam, LPARAM lParam) {
            if (code == HCBT_ACTIVATE && pending != nullptr) {
                Relabelling* labels = pending;
                const auto box = reinterpret_cast<HWND>(wParam);
                for (const auto& [id, text] : labels->buttons)
                    SetDlgItemTextW(box, id, text.c_str());
                EnumChildWindows(box, &FitFont, reinterpret_cast<LPARAM>(labels));
                labels->Remove();
            }
            return CallNextHookEx(nullptr, code, wParam, lParam);
        }
    };

    static UINT IconFlags(TDialogIcon icon) {
        switch (icon) {
        case TDialogIcon::Error:
            return MB_ICONHAND;
        case TDialogIcon::Question:
            return MB_ICONQUESTION;
        case TDialogIcon::Warning:
            return MB_ICONEXCLAMATION;
        case TDialogIcon::Information:
            return MB_ICONASTERISK;
        case TDialogIcon::None:
            return 0;
        }
        return 0;
    }

    // The box belongs to the active form, which it keeps from input until it is answered.
    static HWND OwnerWindow() {
        const HWND active = GetActiveWindow();
        return IsForm(active) ? active : nullptr;
    }
};

thread_local MessageBoxes::Relabelling* MessageBoxes::Relabelling::pending = nullptr;

// The system's loop; keys that move between controls and press buttons go to the form first.
int RunMessageLoop() {
    MSG message{};
    for (;;) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0 || got == -1) break;
        const HWND top = message.hwnd != nullptr ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
        if (IsForm(top) && IsDialogMessageW(top, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

} // namespace

TBackend::TBackend(int&, char**)
    : dialogs_(std::make_unique<MessageBoxes>()), previousDialogs_(SetDialogProvider(dialogs_.get())) {
    RegisterFormClass();
    Application().Initialize();
    Application().SetRunLoop(&RunMessageLoop);
}

TBackend::~TBackend() {
    Application().SetRunLoop(nullptr);
    SetDialogProvider(previousDialogs_);
}

void ShowForm(TCustomForm& form) {
    RegisterFormClass();
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    const DWORD extended = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
    RECT frame{0, 0, static_cast<LONG>(form.ClientWidth()), static_cast<LONG>(form.ClientHeight())};
    AdjustWindowRectEx(&frame, style, FALSE, extended);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    int left = static_cast<int>(form.Left());
    int top = static_cast<int>(form.Top());
    if (form.Position() == TPosition::poScreenCenter || form.Position() == TPosition::poDesktopCenter) {
        left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
        top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    }
    const HWND window = CreateWindowExW(extended, kFormClass, L"", style, left, top, width, height, nullptr,
                                        nullptr, GetModuleHandleW(nullptr), nullptr);
    AttachChildren(form, window);
    // Tabbing follows the model's tab order, which the system takes from the order of the windows;
    // the first control in it takes the focus.
    HWND previous = HWND_TOP;
    HWND first = nullptr;
    for (TWinControl* control : form.TabList()) {
        const auto* peer = static_cast<WindowPeer*>(control->Peer());
        if (peer == nullptr) continue;
        SetWindowPos(peer->Window(), previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        previous = peer->Window();
        if (first == nullptr) first = peer->Window();
    }
    Attach(form, window);
    if (first != nullptr && form.Visible()) SetFocus(first);
}

void* NativeWindow(const TControl& control) {
    const auto* peer = dynamic_cast<const WindowPeer*>(control.Peer());
    return peer != nullptr ? peer->Window() : nullptr;
}

} // namespace gui::win32
