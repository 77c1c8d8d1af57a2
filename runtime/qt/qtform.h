// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "runtime/form.h"

#include <QColor>
#include <QMargins>
#include <QPoint>
#include <QPushButton>
#include <QRect>
#include <QRegion>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <memory>
#include <optional>
#include <vector>

class QMessageBox;

namespace runtime {

class X11Frame;

// Tells screen readers what the window now shows. Where the toolkit has no announcement of its own
// (before Qt 6.8), an invisible child that they present as a notification each time it is shown:
// they speak changes only of the focused control, never of the window's description.
class Notice : public QWidget {
    Q_OBJECT

  public:
    explicit Notice(QWidget* form);
    void announce(const QString& text);
};

// What screen readers read as the window's status bar: a child they find by its role, showing but
// one transparent pixel, so that a sighted player sees the window as before.
class StatusText : public QWidget {
    Q_OBJECT

  public:
    explicit StatusText(QWidget* form);
};

// The Qt backend of the forms layer: a form's window is a top-level widget, its buttons are push
// buttons. On X11 the frame is read from the window manager (X11Frame).
//
// The contract of runtime/form.h:
//  [X] 1 entry points (application.cpp, with the start bounded by startguard.h)   [X] 2 units
//  [X] 3 density (Qt 6.4 reports a new logical DPI, later versions a new scale)   [X] 4 resized()
//  [X] 5 text   [X] 6 buttons   [X] 7 keys (x11keys.h: a held key repeats as presses only)
//  [X] 8 handlers and failed calls   [X] 9 box, announce() (the toolkit's announcement from Qt
//        6.8, before it the Notice below)   [X] 10 setStatus() (StatusText below)
class QtButton final : public PushButton {
  public:
    // The button is a child of the form's widget, which owns it.
    QtButton(const QString& caption, QWidget* form);

    [[nodiscard]] Twips width() const override;
    [[nodiscard]] Twips height() const override;
    void move(Twips left, Twips top) override;
    void focus() override;

    [[nodiscard]] QPushButton& widget() const { return *button_; }

    void setGeometry(Twips left, Twips top, Twips width, Twips height);
    // Its size in twips again, at the screen's density now.
    void keepSize();

  private:
    QPushButton* button_;
    Twips width_ = 0;
    Twips height_ = 0;
};

class QtForm : public QWidget, public FormWindow {
    Q_OBJECT

  public:
    explicit QtForm(Form& form);
    ~QtForm() override;
    QtForm(const QtForm&) = delete;
    QtForm& operator=(const QtForm&) = delete;
    QtForm(QtForm&&) = delete;
    QtForm& operator=(QtForm&&) = delete;

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

    // The run-time text on the window now, one string per print.
    [[nodiscard]] QStringList printedText() const;

    // The outer size: frame and caption included.
    [[nodiscard]] QSize outerSize() const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;

  private:
    struct TextRun {
        QString text;
        // Where it stands: from the print position, one line high.
        QRect area;
        // Where the window system has repainted it away.
        QRegion erased;
    };

    // Its window, style and frame, made before it is shown; again is harmless.
    void prepare();
    void raiseResize();
    // A new density of the screen: the window keeps its size in twips.
    void followDensity();
    void layOutIfOuterSizeChanged();
    void eraseText();
    void eraseTextIn(const QRegion& region);

    [[nodiscard]] QColor backColour() const;

    Form& form_;
    // Until the program sets a colour, the system's, which follows a change of theme.
    std::optional<QColor> back_;
    std::vector<TextRun> text_;
    QPoint printPosition_;
    QSize laidOutFor_;
    Twips clientWidth_ = 0;
    Twips clientHeight_ = 0;
    qreal ratio_ = 0;
    int dpi_ = 0;
    // On X11, the frame the window has; elsewhere the toolkit knows it.
    std::unique_ptr<X11Frame> frame_;
    // Kept, hidden, until the form goes: tearing a box down waits on the
    // display server, and the window shown after it should not.
    std::unique_ptr<QMessageBox> box_;
    Notice* notice_;
    StatusText* status_;
    std::vector<std::unique_ptr<QtButton>> buttons_;
};

// The widget behind a form or a button, for the toolkit's own tools (tests, probes).
QtForm& widget(Form& form);
QPushButton& widget(PushButton& button);

} // namespace runtime
