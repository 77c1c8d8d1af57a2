// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
// A player's input to the Win32 backend, through the system's input queue.
#include "hands.h"
#include "runtime/numeric.h"
#include "runtime/win32/win32form.h"

#include <array>
#include <gtest/gtest.h>

namespace {

void send(INPUT input) {
    ASSERT_EQ(SendInput(1, &input, sizeof input), 1U);
}

void keyboard(WORD code, DWORD flags) {
    send({.type = INPUT_KEYBOARD, .ki = {code, 0, flags, 0, 0}});
}

runtime::Win32Form& native(runtime::Form& form) {
    return dynamic_cast<runtime::Win32Form&>(form.window());
}

} // namespace

void hands::settle(runtime::Form& form) {
    runtime::Win32Form& window = native(form);
    // Until the window is in front and the queue has stayed empty a while: input comes through the
    // display's server.
    const DWORD start = GetTickCount();
    MSG message{};
    while (MsgWaitForMultipleObjects(0, nullptr, FALSE, 200, QS_ALLINPUT) == WAIT_OBJECT_0 ||
           (GetForegroundWindow() != window.handle() && GetTickCount() - start < 10000)) {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE) != 0) {
            window.deliver(message);
        }
    }
    ASSERT_EQ(GetForegroundWindow(), window.handle());
}

void hands::activate(runtime::Form& form) {
    SetForegroundWindow(native(form).handle());
    settle(form);
}

void hands::key(runtime::Form& form, Key key, int repeats) {
    constexpr std::array<WORD, 9> codes{VK_TAB,  VK_TAB,   VK_LEFT,   VK_RIGHT, VK_UP,
                                        VK_DOWN, VK_SPACE, VK_RETURN, VK_RETURN};
    const WORD code = codes.at(static_cast<std::size_t>(key));
    // Keypad Enter is Return's extended key.
    const DWORD extended = key == Key::Enter ? KEYEVENTF_EXTENDEDKEY : 0;
    if (key == Key::BackTab) {
        keyboard(VK_SHIFT, 0);
    }
    for (int down = 0; down <= repeats; ++down) {
        keyboard(code, extended);
    }
    keyboard(code, extended | KEYEVENTF_KEYUP);
    if (key == Key::BackTab) {
        keyboard(VK_SHIFT, KEYEVENTF_KEYUP);
    }
    settle(form);
}

void hands::click(runtime::Form& form, runtime::Twips left, runtime::Twips top) {
    HWND window = native(form).handle();
    const auto dpi = static_cast<double>(GetDpiForWindow(window));
    POINT place{runtime::pixelsFor(left, dpi), runtime::pixelsFor(top, dpi)};
    ClientToScreen(window, &place);
    SetCursorPos(place.x, place.y);
    send({.type = INPUT_MOUSE, .mi = {0, 0, 0, MOUSEEVENTF_LEFTDOWN, 0, 0}});
    send({.type = INPUT_MOUSE, .mi = {0, 0, 0, MOUSEEVENTF_LEFTUP, 0, 0}});
    settle(form);
}
