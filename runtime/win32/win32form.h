// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The Win32 backend of the forms layer: a form is a top-level window of its own class, its
// buttons are the system's BUTTON controls. Lengths follow the window's own DPI (per-monitor
// aware); printed text is drawn straight onto the window, so Windows' repaints take it away.
//
// The contract of runtime/form.h:
//  [X] 1 entry points (application.cpp; a report is shown in a box, or on standard error where no
//        box can be shown)   [X] 2 units   [X] 3 density (WM_DPICHANGED)   [X] 4 resized()
//  [X] 5 text   [X] 6 buttons (WS_CLIPSIBLINGS; the keys below keep the tab order)   [X] 7 keys
//  [X] 8 handlers and failed calls (the window procedure is guarded)   [X] 9 box, announce()
//        (UI Automation's notification, found at run time: Windows 10 1709 and later)
//  [X] 10 setStatus() (a status bar control of no size)

#include "runtime/form.h"

#include <memory>
#include <string>
#include <vector>
#include <windows.h>

namespace runtime {

std::wstring widen(std::string_view text);

class Win32Form;

class Win32Button final : public PushButton {
  public:
    Win32Button(Win32Form& form, int id, std::string_view caption, std::function<void()> pressed);

    [[nodiscard]] Twips width() const override;
    [[nodiscard]] Twips height() const override;
    void move(Twips left, Twips top) override;
    void focus() override;

    [[nodiscard]] HWND handle() const { return handle_; }
    void press() const;

  private:
    [[nodiscard]] RECT rectangle() const;

    Win32Form& form_;
    HWND handle_;
    std::function<void()> pressed_;
};

class Win32Form final : public FormWindow {
  public:
    explicit Win32Form(Form& form);
    ~Win32Form() override;
    Win32Form(const Win32Form&) = delete;
    Win32Form& operator=(const Win32Form&) = delete;
    Win32Form(Win32Form&&) = delete;
    Win32Form& operator=(Win32Form&&) = delete;

    void setBackColour(Colour colour) override;
    void clear() override;
    void print(std::string_view text) override;
    void endLine() override;

    [[nodiscard]] Twips outerWidth() const override;
    [[nodiscard]] Twips outerHeight() const override;
    [[nodiscard]] Twips clientWidth() const override;
    [[nodiscard]] Twips clientHeight() const override;
    void setCaption(std::string_view caption) override;
    void setIcon(const char* const* xpm) override;
    void setClientSize(Twips width, Twips height) override;
    PushButton& addButton(std::string_view caption, Twips left, Twips top, Twips width,
                          Twips height, std::function<void()> pressed) override;
    void messageBox(std::string_view prompt, std::string_view title) override;
    void announce(std::string_view text) override;
    void setStatus(std::string_view text) override;
    void show() override;

    [[nodiscard]] HWND handle() const { return handle_; }
    // A message of the thread's queue, the keys of a focused button first.
    void deliver(MSG& message);
    // Now, or once the window is shown: a hidden window's control cannot take the focus.
    void focus(HWND control);

  private:
    // The keys of a focused button, as on the other platforms: Tab, Shift+Tab and the arrows move
    // the focus in the order of creation, Return and keypad Enter press it once a key press (Space
    // is the button's own); the rest goes to the dialog manager. True where the message is taken.
    bool handleKey(MSG& message);
    // Its window, of a class registered once.
    static HWND createWindow();
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT respond(UINT message, WPARAM wParam, LPARAM lParam);
    void paint();
    void useFontFor(UINT dpi);
    void repaintNow();
    void moveFocusTo(std::size_t index);
    [[nodiscard]] Colour backColour() const;

    Form& form_;
    HWND handle_;
    // The common controls' status bar, which screen readers find by its role; no size, so never
    // drawn.
    HWND status_;
    UINT dpi_;
    // The system's message font at the window's DPI, for the buttons and the printed text.
    HFONT font_ = nullptr;
    bool hasBack_ = false;
    Colour back_ = 0;
    POINT printPosition_{};
    bool shown_ = false;
    HWND focused_ = nullptr;
    std::vector<std::unique_ptr<Win32Button>> buttons_;
};

} // namespace runtime
