// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "services.h"

#include <functional>
#include <memory>
#include <string_view>

// A form and its controls, as a form's code sees them: lengths in twips, texts in UTF-8. Each
// toolkit's backend (runtime/qt, runtime/win32) gives them their window.
//
// What every backend implements: the contract. A behaviour that differs between backends is a
// fault unless this list says why. Each item names the test that holds both backends to it;
// test_contract plays the same rows on each (test_contract on Qt's offscreen platform,
// e2e_contract on X11, test_contract_windows under Wine).
//
//  1. Entry points: makeFormWindow() below, and run() and systemSeed() of application.h. run()
//     reports a failure to reach the display in one Russian line (error.h) and returns the status:
//     0 when the window is closed or destroyed from outside, 1 after a report.
//     [e2e_hostile; e2e_windows]
//  2. Units: lengths through pixelsFor() and twipsFor() (numeric.h) at the window's own density;
//     a place beyond 16-bit coordinates is the overflow report. [test_contract]
//  3. Density: at the start and on every change, whyImplausibleDensity() (density.h) ends the game
//     with its report; within bounds the client area keeps its size in twips and the buttons
//     theirs. [e2e_hostile "a change of scaling mid-game"; e2e_windows at 144 DPI and 2000]
//  4. Form::resized(): once when the window is first shown, then once for each new outer
//     size, never before show(). [test_contract; e2e_* check_places after each resize]
//  5. Text: drawn straight onto the window in the colour readableOn() (contrast.h) picks; a repaint
//     by the window system takes it away where it repaints, and nothing else does.
//     [test_window; e2e_* after each resize; e2e_openbox and e2e_windows text_under_windows]
//  6. Buttons: in the order of creation, which is the tab order; where they overlap, the later one
//     is drawn on top and takes the click, and the focus with it. [test_contract]
//  7. Keys on a focused button: Tab and Right or Down move the focus to the next button, Shift+Tab
//     and Left or Up to the one before, round; Space, Return and keypad Enter press it once a key
//     press, however long the key is held; the focus stays on a button pressed and comes back to
//     it when the window is activated again. [test_contract; keys held on a real X keyboard:
//     e2e_openbox]
//  8. Handlers: a press runs its handler under guarded(), so that an error ends the game with its
//     report; so does every call on the window system that fails. [test_contract; e2e_hostile]
//  9. messageBox(): modal, one «ОК» button, no icon; before the window is shown it stands alone
//     on the taskbar. announce(): screen readers say the text once. [e2e_orca; e2e_windows]
// 10. setStatus(): an element of the status bar's role, in the window's accessible tree but not on
//     its pixels, holds the text until the next call. [e2e_orca; e2e_windows]
namespace runtime {

// A push button placed and measured in twips, in its form's client coordinates.
class PushButton {
  public:
    PushButton() = default;
    virtual ~PushButton() = default;
    PushButton(const PushButton&) = delete;
    PushButton& operator=(const PushButton&) = delete;
    PushButton(PushButton&&) = delete;
    PushButton& operator=(PushButton&&) = delete;

    [[nodiscard]] virtual Twips width() const = 0;
    [[nodiscard]] virtual Twips height() const = 0;
    // Keeps the size; negative places are allowed.
    virtual void move(Twips left, Twips top) = 0;
    // Gives it the keyboard focus, which it keeps once the form is shown.
    virtual void focus() = 0;
};

// What a form's window is asked for; one implementation per toolkit.
class FormWindow : public Canvas {
  public:
    [[nodiscard]] virtual Twips outerWidth() const = 0;
    [[nodiscard]] virtual Twips outerHeight() const = 0;
    [[nodiscard]] virtual Twips clientWidth() const = 0;
    [[nodiscard]] virtual Twips clientHeight() const = 0;
    virtual void setCaption(std::string_view caption) = 0;
    // The image in XPM, where the toolkit takes the icon at run time; a program file that carries
    // its icon (on Windows) shows that one, made from the same images.
    virtual void setIcon(const char* const* xpm) = 0;
    virtual void setClientSize(Twips width, Twips height) = 0;
    // In the order of creation, which is also the tab order.
    virtual PushButton& addButton(std::string_view caption, Twips left, Twips top, Twips width,
                                  Twips height, std::function<void()> pressed) = 0;
    // A modal box with one OK button and no icon; returns when it is dismissed.
    virtual void messageBox(std::string_view prompt, std::string_view title) = 0;
    // Has screen readers say what the window now shows, once.
    virtual void announce(std::string_view text) = 0;
    // What screen readers' "read the status bar" command reads out, at any time; never drawn.
    virtual void setStatus(std::string_view text) = 0;
    virtual void show() = 0;
};

// A top-level form: a window with a background colour and run-time text, and the load and
// resize events that a form's code answers.
//
// Run-time text is not kept by the window: wherever the window system makes the form repaint
// itself (a new size, an uncovered part, a restore), only the background comes back, until the
// program prints again.
class Form : public Canvas {
  public:
    Form();
    ~Form() override;
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;
    Form(Form&&) = delete;
    Form& operator=(Form&&) = delete;

    void setBackColour(Colour colour) override { window_->setBackColour(colour); }
    void clear() override { window_->clear(); }
    void print(std::string_view text) override { window_->print(text); }
    void endLine() override { window_->endLine(); }

    // Raises the load event, then shows the form.
    void loadAndShow();
    // Raised by the window: its client area or its frame has a new size, or it is first shown.
    void resized();

    [[nodiscard]] FormWindow& window() { return *window_; }

  protected:
    virtual void onLoad() {}
    virtual void onResize() {}

  private:
    std::unique_ptr<FormWindow> window_;
};

// The toolkit's window for a form, which raises the form's events.
std::unique_ptr<FormWindow> makeFormWindow(Form& form);

} // namespace runtime
