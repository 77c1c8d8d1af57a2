// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32form.h"

#include "runtime/contrast.h"
#include "runtime/density.h"
#include "runtime/error.h"
#include "runtime/numeric.h"

#include <algorithm>
#include <commctrl.h>
#include <cstdint>
#include <ole2.h>
#include <uiautomationcore.h>

namespace runtime {

namespace {

constexpr wchar_t className[] = L"LemzorForm";
constexpr int firstButtonId = 100;
// In a key's message: the key was down already, so this one is the keyboard's repeat.
constexpr std::uint32_t keyWasDown = 1U << 30U;

// Functions of newer Windows, found at run time so that older systems still run the game.
template <typename Function> Function* find(const wchar_t* library, const char* name) {
    HMODULE module = GetModuleHandleW(library);
    if (module == nullptr) {
        module = LoadLibraryW(library);
    }
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): the system's own signature.
    return module != nullptr
               ? reinterpret_cast<Function*>(reinterpret_cast<void*>(GetProcAddress(module, name)))
               : nullptr;
}

int systemDpi() {
    static auto* const forSystem = find<UINT WINAPI()>(L"user32.dll", "GetDpiForSystem");
    if (forSystem != nullptr) {
        return static_cast<int>(forSystem());
    }
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

UINT dpiOf(HWND window) {
    static auto* const forWindow = find<UINT WINAPI(HWND)>(L"user32.dll", "GetDpiForWindow");
    return forWindow != nullptr ? forWindow(window) : static_cast<UINT>(systemDpi());
}

int toPixels(Twips length, UINT dpi) {
    return pixelsFor(length, dpi);
}

Twips toTwips(LONG pixels, UINT dpi) {
    return twipsFor(pixels, dpi);
}

void check(bool succeeded, const char* what) {
    if (!succeeded) {
        throw RuntimeError(RuntimeError::Kind::Internal,
                           std::string(what) + ": " + std::to_string(GetLastError()));
    }
}

// SetFocus answers with the window that had the focus, which may be none, and may leave a stale
// last error behind (Wine 10 does): the focus itself tells whether it took.
void focusOn(HWND window) {
    SetFocus(window);
    check(GetFocus() == window, "SetFocus");
}

Colour fromColorRef(COLORREF colour) {
    // COLORREF is 0x00BBGGRR too.
    return static_cast<Colour>(colour);
}

} // namespace

std::wstring widen(std::string_view text) {
    if (text.empty()) {
        return {};
    }
    const int size = static_cast<int>(text.size());
    std::wstring wide(
        static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0)),
        L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), static_cast<int>(wide.size()));
    return wide;
}

Win32Button::Win32Button(Win32Form& form, int id, std::string_view caption,
                         std::function<void()> pressed)
    : form_(form),
      handle_(CreateWindowExW(0, L"BUTTON", widen(caption).c_str(),
                              // Clipped by its siblings: where buttons overlap, the one drawn on
                              // top is the one under the pointer.
                              WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS | BS_PUSHBUTTON,
                              0, 0, 0, 0, form.handle(),
                              // NOLINTNEXTLINE(performance-no-int-to-ptr): a child's id.
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                              GetModuleHandleW(nullptr), nullptr)),
      pressed_(std::move(pressed)) {
    check(handle_ != nullptr, "CreateWindowEx BUTTON");
}

RECT Win32Button::rectangle() const {
    RECT rect{};
    check(GetWindowRect(handle_, &rect) != 0, "GetWindowRect");
    MapWindowPoints(HWND_DESKTOP, GetParent(handle_), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

Twips Win32Button::width() const {
    const RECT rect = rectangle();
    return toTwips(rect.right - rect.left, dpiOf(handle_));
}

Twips Win32Button::height() const {
    const RECT rect = rectangle();
    return toTwips(rect.bottom - rect.top, dpiOf(handle_));
}

void Win32Button::move(Twips left, Twips top) {
    const UINT dpi = dpiOf(handle_);
    check(SetWindowPos(handle_, nullptr, toPixels(left, dpi), toPixels(top, dpi), 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE) != 0,
          "SetWindowPos");
}

void Win32Button::focus() {
    form_.focus(handle_);
}

void Win32Button::press() const {
    guarded(pressed_);
}

std::unique_ptr<FormWindow> makeFormWindow(Form& form) {
    return std::make_unique<Win32Form>(form);
}

HWND Win32Form::createWindow() {
    static const bool registered = [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        // A new size repaints the whole window, and takes the printed text with it.
        windowClass.style = CS_HREDRAW | CS_VREDRAW;
        windowClass.lpfnWndProc = procedure;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        // The program file's icon, made from the same images as the other platforms' icons.
        windowClass.hIcon = LoadIconW(windowClass.hInstance, MAKEINTRESOURCEW(1));
        windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
        windowClass.lpszClassName = className;
        return RegisterClassExW(&windowClass) != 0;
    }();
    check(registered, "RegisterClassEx");
    HWND handle =
        CreateWindowExW(WS_EX_CONTROLPARENT, className, L"", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr,
                        nullptr, GetModuleHandleW(nullptr), nullptr);
    check(handle != nullptr, "CreateWindowEx");
    return handle;
}

Win32Form::Win32Form(Form& form)
    : form_(form), handle_(createWindow()),
      // Not aligned to the window's bottom, and not resized with it: it keeps no size at all.
      status_(CreateWindowExW(0, STATUSCLASSNAMEW, L"",
                              WS_CHILD | WS_VISIBLE | CCS_NOPARENTALIGN | CCS_NORESIZE, 0, 0, 0, 0,
                              handle_, nullptr, GetModuleHandleW(nullptr), nullptr)),
      dpi_(dpiOf(handle_)) {
    check(status_ != nullptr, "CreateWindowEx STATUSCLASSNAME");
    // From here on its messages reach the form; those of its creation went to the system's default.
    SetWindowLongPtrW(handle_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    if (const std::string why = whyImplausibleDensity(dpi_); !why.empty()) {
        throw RuntimeError(RuntimeError::Kind::NoDisplay, why);
    }
    useFontFor(dpi_);
}

Win32Form::~Win32Form() {
    if (IsWindow(handle_) != 0) {
        SetWindowLongPtrW(handle_, GWLP_USERDATA, 0);
        DestroyWindow(handle_);
    }
    if (font_ != nullptr) {
        DeleteObject(font_);
    }
}

void Win32Form::useFontFor(UINT dpi) {
    // The system's metrics come at the system's DPI, and are scaled to the window's. (Wine's
    // SystemParametersInfoForDpi gives five times the size.)
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    check(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0) != 0,
          "SystemParametersInfo");
    LOGFONTW& message = metrics.lfMessageFont;
    message.lfHeight = MulDiv(message.lfHeight, static_cast<int>(dpi), systemDpi());
    HFONT font = CreateFontIndirectW(&metrics.lfMessageFont);
    check(font != nullptr, "CreateFontIndirect");
    for (const auto& button : buttons_) {
        SendMessageW(button->handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
    if (font_ != nullptr) {
        DeleteObject(font_);
    }
    font_ = font;
}

Colour Win32Form::backColour() const {
    return hasBack_ ? back_ : fromColorRef(GetSysColor(COLOR_BTNFACE));
}

void Win32Form::repaintNow() {
    check(InvalidateRect(handle_, nullptr, TRUE) != 0, "InvalidateRect");
    check(UpdateWindow(handle_) != 0, "UpdateWindow");
}

void Win32Form::setBackColour(Colour colour) {
    hasBack_ = true;
    back_ = colour;
    repaintNow();
}

void Win32Form::clear() {
    printPosition_ = {};
    repaintNow();
}

void Win32Form::print(std::string_view text) {
    const std::wstring wide = widen(text);
    HDC context = GetDC(handle_);
    check(context != nullptr, "GetDC");
    HGDIOBJ previous = SelectObject(context, font_);
    SetBkMode(context, TRANSPARENT);
    SetTextColor(context, readableOn(backColour(), fromColorRef(GetSysColor(COLOR_WINDOWTEXT))));
    const int length = static_cast<int>(wide.size());
    check(TextOutW(context, printPosition_.x, printPosition_.y, wide.c_str(), length) != 0,
          "TextOut");
    SIZE extent{};
    check(GetTextExtentPoint32W(context, wide.c_str(), length, &extent) != 0,
          "GetTextExtentPoint32");
    SelectObject(context, previous);
    ReleaseDC(handle_, context);
    printPosition_.x += extent.cx;
}

void Win32Form::endLine() {
    HDC context = GetDC(handle_);
    check(context != nullptr, "GetDC");
    HGDIOBJ previous = SelectObject(context, font_);
    TEXTMETRICW metrics{};
    check(GetTextMetricsW(context, &metrics) != 0, "GetTextMetrics");
    SelectObject(context, previous);
    ReleaseDC(handle_, context);
    printPosition_ = {0, printPosition_.y + metrics.tmHeight};
}

Twips Win32Form::outerWidth() const {
    RECT rect{};
    check(GetWindowRect(handle_, &rect) != 0, "GetWindowRect");
    return toTwips(rect.right - rect.left, dpi_);
}

Twips Win32Form::outerHeight() const {
    RECT rect{};
    check(GetWindowRect(handle_, &rect) != 0, "GetWindowRect");
    return toTwips(rect.bottom - rect.top, dpi_);
}

Twips Win32Form::clientWidth() const {
    RECT rect{};
    check(GetClientRect(handle_, &rect) != 0, "GetClientRect");
    return toTwips(rect.right, dpi_);
}

Twips Win32Form::clientHeight() const {
    RECT rect{};
    check(GetClientRect(handle_, &rect) != 0, "GetClientRect");
    return toTwips(rect.bottom, dpi_);
}

void Win32Form::setCaption(std::string_view caption) {
    check(SetWindowTextW(handle_, widen(caption).c_str()) != 0, "SetWindowText");
}

void Win32Form::setIcon(const char* const* /*xpm*/) {
    // The window class carries the program file's icon already.
}

void Win32Form::setClientSize(Twips width, Twips height) {
    static auto* const adjustForDpi = find<BOOL WINAPI(RECT*, DWORD, BOOL, DWORD, UINT)>(
        L"user32.dll", "AdjustWindowRectExForDpi");
    RECT rect{0, 0, toPixels(width, dpi_), toPixels(height, dpi_)};
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(handle_, GWL_STYLE));
    const auto extended = static_cast<DWORD>(GetWindowLongPtrW(handle_, GWL_EXSTYLE));
    check((adjustForDpi != nullptr ? adjustForDpi(&rect, style, FALSE, extended, dpi_)
                                   : AdjustWindowRectEx(&rect, style, FALSE, extended)) != 0,
          "AdjustWindowRectEx");
    check(SetWindowPos(handle_, nullptr, 0, 0, rect.right - rect.left, rect.bottom - rect.top,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE) != 0,
          "SetWindowPos");
}

PushButton& Win32Form::addButton(std::string_view caption, Twips left, Twips top, Twips width,
                                 Twips height, std::function<void()> pressed) {
    const int id = firstButtonId + static_cast<int>(buttons_.size());
    auto& button = *buttons_.emplace_back(
        std::make_unique<Win32Button>(*this, id, caption, std::move(pressed)));
    SendMessageW(button.handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    // Created later, it stands above the earlier ones, as on the other platforms; the keys below
    // keep the tab order, which would otherwise follow the stacking.
    check(SetWindowPos(button.handle(), HWND_TOP, toPixels(left, dpi_), toPixels(top, dpi_),
                       toPixels(width, dpi_), toPixels(height, dpi_), SWP_NOACTIVATE) != 0,
          "SetWindowPos");
    return button;
}

void Win32Form::messageBox(std::string_view prompt, std::string_view title) {
    // Before the window is shown the box stands alone, with a taskbar button of its own, so that a
    // player who clicks elsewhere at the start finds it again; the window waits for it all the
    // same.
    const bool shown = IsWindowVisible(handle_) != 0;
    check(MessageBoxW(shown ? handle_ : nullptr, widen(prompt).c_str(), widen(title).c_str(),
                      MB_OK | (shown ? 0U : MB_TASKMODAL | MB_SETFOREGROUND)) != 0,
          "MessageBox");
}

void Win32Form::announce(std::string_view text) {
    // UI Automation's notification came with Windows 10 1709; Narrator and NVDA speak it.
    using Raise = HRESULT WINAPI(IRawElementProviderSimple*, int, int, BSTR, BSTR);
    using HostProvider = HRESULT WINAPI(HWND, IRawElementProviderSimple**);
    static auto* const raise = find<Raise>(L"uiautomationcore.dll", "UiaRaiseNotificationEvent");
    static auto* const host =
        find<HostProvider>(L"uiautomationcore.dll", "UiaHostProviderFromHwnd");
    IRawElementProviderSimple* provider = nullptr;
    if (raise == nullptr || host == nullptr || FAILED(host(handle_, &provider))) {
        return;
    }
    BSTR message = SysAllocString(widen(text).c_str());
    BSTR activity = SysAllocString(L"lemzor-guess");
    // NotificationKind_ActionCompleted, NotificationProcessing_MostRecent: a new result cuts the
    // last one short.
    raise(provider, 2, 4, message, activity);
    SysFreeString(activity);
    SysFreeString(message);
    provider->Release();
}

void Win32Form::setStatus(std::string_view text) {
    const std::wstring wide = widen(text);
    check(SendMessageW(status_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(wide.c_str())) != 0,
          "SB_SETTEXT");
}

void Win32Form::show() {
    if (!buttons_.empty() && focused_ == nullptr) {
        focused_ = buttons_.front()->handle();
    }
    // Activated as it is shown, or later by the player, it gives the focus then (WM_ACTIVATE).
    ShowWindow(handle_, SW_SHOWDEFAULT);
    check(UpdateWindow(handle_) != 0, "UpdateWindow");
    shown_ = true;
    form_.resized();
}

void Win32Form::focus(HWND control) {
    focused_ = control;
    // An inactive window gives it when it is activated.
    if (GetActiveWindow() == handle_) {
        focusOn(control);
    }
}

void Win32Form::deliver(MSG& message) {
    if (!handleKey(message)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

bool Win32Form::handleKey(MSG& message) {
    const auto focused = std::find_if(buttons_.begin(), buttons_.end(), [&](const auto& button) {
        return button->handle() == message.hwnd;
    });
    if (message.message != WM_KEYDOWN || focused == buttons_.end()) {
        return IsDialogMessageW(handle_, &message) != 0;
    }
    const auto index = static_cast<std::size_t>(focused - buttons_.begin());
    const std::size_t count = buttons_.size();
    switch (message.wParam) {
    case VK_RETURN:
        // One press a key press: a held key's repeats come with their previous state down.
        if ((static_cast<std::uint32_t>(message.lParam) & keyWasDown) == 0) {
            SendMessageW(message.hwnd, BM_CLICK, 0, 0);
        }
        return true;
    case VK_TAB:
        moveFocusTo(GetKeyState(VK_SHIFT) < 0 ? (index + count - 1) % count : (index + 1) % count);
        return true;
    case VK_LEFT:
    case VK_UP:
        moveFocusTo((index + count - 1) % count);
        return true;
    case VK_RIGHT:
    case VK_DOWN:
        moveFocusTo((index + 1) % count);
        return true;
    default:
        return IsDialogMessageW(handle_, &message) != 0;
    }
}

void Win32Form::moveFocusTo(std::size_t index) {
    focusOn(buttons_[index]->handle());
    // As the dialog manager does once the keyboard is used: the focus is drawn from now on.
    SendMessageW(handle_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
}

LRESULT CALLBACK Win32Form::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* form = reinterpret_cast<Win32Form*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (form == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    // No exception may cross the system's frames: a failed call ends the game with its report.
    LRESULT result = 0;
    guarded([&] { result = form->respond(message, wParam, lParam); });
    return result;
}

void Win32Form::paint() {
    PAINTSTRUCT paint{};
    HDC context = BeginPaint(handle_, &paint);
    // The context's own brush: no object to make and delete for every paint.
    SetDCBrushColor(context, backColour());
    FillRect(context, &paint.rcPaint, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    EndPaint(handle_, &paint);
}

LRESULT Win32Form::respond(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        paint();
        return 0;
    case WM_SIZE:
        if (shown_) {
            form_.resized();
        }
        break;
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED) {
            const auto index = static_cast<std::size_t>(LOWORD(wParam) - firstButtonId);
            if (index < buttons_.size()) {
                buttons_[index]->press();
            }
        }
        return 0;
    case WM_ACTIVATE:
        // As a dialog does: the focus goes back to the button that last had it.
        if (LOWORD(wParam) == WA_INACTIVE) {
            focused_ = GetFocus();
        } else {
            focusOn(focused_ != nullptr ? focused_ : handle_);
        }
        return 0;
    case WM_DPICHANGED: {
        // The window keeps its size in twips: its new rectangle comes with the message, the
        // buttons and the font are scaled to it.
        const UINT dpi = HIWORD(wParam);
        // The same bounds as at the start.
        if (const std::string why = whyImplausibleDensity(dpi); !why.empty()) {
            throw RuntimeError(RuntimeError::Kind::ScreenUnusable, why);
        }
        for (const auto& button : buttons_) {
            RECT rect{};
            check(GetWindowRect(button->handle(), &rect) != 0, "GetWindowRect");
            MapWindowPoints(HWND_DESKTOP, handle_, reinterpret_cast<POINT*>(&rect), 2);
            const auto scaled = [dpi, this](LONG pixels) {
                return MulDiv(pixels, static_cast<int>(dpi), static_cast<int>(dpi_));
            };
            check(SetWindowPos(button->handle(), nullptr, scaled(rect.left), scaled(rect.top),
                               scaled(rect.right - rect.left), scaled(rect.bottom - rect.top),
                               SWP_NOZORDER | SWP_NOACTIVATE) != 0,
                  "SetWindowPos");
        }
        dpi_ = dpi;
        useFontFor(dpi);
        const auto* suggested = reinterpret_cast<const RECT*>(lParam);
        check(SetWindowPos(handle_, nullptr, suggested->left, suggested->top,
                           suggested->right - suggested->left, suggested->bottom - suggested->top,
                           SWP_NOZORDER | SWP_NOACTIVATE) != 0,
              "SetWindowPos");
        return 0;
    }
    case WM_SYSCOLORCHANGE:
    case WM_THEMECHANGED:
        InvalidateRect(handle_, nullptr, TRUE);
        break;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return DefWindowProcW(handle_, message, wParam, lParam);
}

} // namespace runtime
