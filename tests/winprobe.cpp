// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Reads what Wine draws inside one X window, one number a field, pixels: `winprobe window TITLE`
// the outer and client size, the button face colour and each button's place and size; `msaa` and
// `uia` the role or control type and name of each control as screen readers read them (a message
// box's text among them); `density TITLE N` announces N dots per inch to the window.
#include <cstdio>
#include <oleacc.h>
#include <string>
#include <vector>
#include <windows.h>

namespace {

BOOL CALLBACK printChild(HWND child, LPARAM parent) {
    RECT rect{};
    GetWindowRect(child, &rect);
    // Win32 passes the window in an integer, and the rectangle as its two corners.
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast,performance-no-int-to-ptr)
    MapWindowPoints(HWND_DESKTOP, reinterpret_cast<HWND>(parent), reinterpret_cast<POINT*>(&rect),
                    2);
    std::printf(" %ld %ld %ld %ld", rect.left, rect.top, rect.right - rect.left,
                rect.bottom - rect.top);
    return TRUE;
}

std::string utf8(const wchar_t* text) {
    char bytes[2048]{};
    WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes, sizeof bytes, nullptr, nullptr);
    return bytes;
}

BOOL CALLBACK printAccessible(HWND child, LPARAM /*unused*/) {
    IAccessible* control = nullptr;
    // The interface's identifier, spelled out: mingw-w64's import library hands out the address of
    // a thunk under IID_IAccessible's name.
    constexpr IID accessible = {
        0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): COM's out parameter.
    if (FAILED(AccessibleObjectFromWindow(child, OBJID_CLIENT, accessible,
                                          reinterpret_cast<void**>(&control)))) {
        return TRUE;
    }
    // NOLINTBEGIN(cppcoreguidelines-pro-type-union-access): COM's VARIANT is a tagged union.
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    VARIANT role{};
    BSTR name = nullptr;
    wchar_t roleText[128]{};
    if (SUCCEEDED(control->get_accRole(self, &role)) && role.vt == VT_I4) {
        GetRoleTextW(static_cast<DWORD>(role.lVal), roleText, 128);
    }
    // NOLINTEND(cppcoreguidelines-pro-type-union-access)
    control->get_accName(self, &name);
    std::printf("%s|%s\n", utf8(roleText).c_str(), name != nullptr ? utf8(name).c_str() : "");
    SysFreeString(name);
    control->Release();
    return TRUE;
}

BOOL CALLBACK collect(HWND child, LPARAM windows) {
    // Win32 passes the list in an integer.
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast,performance-no-int-to-ptr)
    reinterpret_cast<std::vector<HWND>*>(windows)->push_back(child);
    return TRUE;
}

// UI Automation's own client, in the functions of its core found at run time: Wine 8 has none.
int printAutomation(HWND window) {
    HMODULE core = LoadLibraryW(L"uiautomationcore.dll");
    const auto find = [core](const char* name) { return GetProcAddress(core, name); };
    // NOLINTBEGIN(cppcoreguidelines-pro-type-reinterpret-cast): the system's own signatures.
    auto* fromHandle = reinterpret_cast<HRESULT(WINAPI*)(HWND, void**)>(
        reinterpret_cast<void*>(find("UiaNodeFromHandle")));
    auto* property = reinterpret_cast<HRESULT(WINAPI*)(void*, int, VARIANT*)>(
        reinterpret_cast<void*>(find("UiaGetPropertyValue")));
    auto* release =
        reinterpret_cast<BOOL(WINAPI*)(void*)>(reinterpret_cast<void*>(find("UiaNodeRelease")));
    // NOLINTEND(cppcoreguidelines-pro-type-reinterpret-cast)
    if (fromHandle == nullptr || property == nullptr || release == nullptr) {
        return 2;
    }
    std::vector<HWND> windows{window};
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): Win32 passes the list so.
    EnumChildWindows(window, collect, reinterpret_cast<LPARAM>(&windows));
    for (HWND each : windows) {
        void* node = nullptr;
        VARIANT type{};
        VARIANT name{};
        if (FAILED(fromHandle(each, &node)) || FAILED(property(node, 30003, &type)) ||
            FAILED(property(node, 30005, &name))) {
            return 1;
        }
        // NOLINTBEGIN(cppcoreguidelines-pro-type-union-access): COM's VARIANT is a tagged union.
        std::printf("%ld|%s\n", type.vt == VT_I4 ? type.lVal : 0L,
                    name.vt == VT_BSTR ? utf8(name.bstrVal).c_str() : "");
        // NOLINTEND(cppcoreguidelines-pro-type-union-access)
        VariantClear(&name);
        release(node);
    }
    return 0;
}

} // namespace

int wmain(int argc, wchar_t* argv[]) {
    // Places in the game's own pixels, as it sees them.
    SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    HWND window = argc >= 3 ? FindWindowW(nullptr, argv[2]) : nullptr;
    if (window == nullptr) {
        return 1;
    }
    if (std::wstring(argv[1]) == L"density" && argc == 4) {
        // Without the suggested rectangle, which cannot cross processes: a density out of bounds
        // is refused before the rectangle is read.
        const auto dpi = static_cast<WORD>(std::stoi(argv[3]));
        return PostMessageW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), 0) != 0 ? 0 : 1;
    }
    if (std::wstring(argv[1]) == L"uia") {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        return printAutomation(window);
    }
    if (std::wstring(argv[1]) == L"msaa") {
        CoInitialize(nullptr);
        EnumChildWindows(window, printAccessible, 0);
        CoUninitialize();
        return 0;
    }
    RECT outer{};
    RECT client{};
    GetWindowRect(window, &outer);
    GetClientRect(window, &client);
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    std::printf("%ld %ld %ld %ld %lu %lu %lu", outer.right - outer.left, outer.bottom - outer.top,
                client.right, client.bottom, face & 0xFFUL, (face >> 8U) & 0xFFUL,
                (face >> 16U) & 0xFFUL);
    // The buttons' identifiers count up from 100 in the order of creation; the stacking differs.
    for (int id = 100; GetDlgItem(window, id) != nullptr; ++id) {
        // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): Win32's.
        printChild(GetDlgItem(window, id), reinterpret_cast<LPARAM>(window));
    }
    std::printf("\n");
    return 0;
}
