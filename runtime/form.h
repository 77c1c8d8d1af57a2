// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "services.h"

#include <functional>
#include <memory>
#include <string_view>

// A form and its controls, as a form's code sees them: lengths in twips, texts in UTF-8. Each
// toolkit's backend (runtime/qt, runtime/win32) gives them their window.
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
