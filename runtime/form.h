// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "services.h"
#include "twips.h"

#include <QColor>
#include <QMargins>
#include <QPoint>
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

// A top-level form: a window with a background colour and run-time text, and
// the load and resize events that a form's code answers.
//
// Run-time text is not kept by the window: wherever the window system makes the
// form repaint itself (a new size, an uncovered part, a restore), only the
// background comes back, until the program prints again.
class Form : public QWidget, public Canvas {
    Q_OBJECT

  public:
    Form();
    ~Form() override;
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;
    Form(Form&&) = delete;
    Form& operator=(Form&&) = delete;

    void setBackColour(Colour colour) override;
    void clear() override;
    void print(std::string_view text) override;
    void endLine() override;

    // Has screen readers say what the window now shows, once.
    void announce(const QString& text);

    // The run-time text on the window now, one string per print.
    [[nodiscard]] QStringList printedText() const;

    // The outer size: frame and caption included.
    [[nodiscard]] QSize outerSize() const;
    [[nodiscard]] Twips outerWidth() const;
    [[nodiscard]] Twips outerHeight() const;
    [[nodiscard]] Twips clientWidth() const;
    [[nodiscard]] Twips clientHeight() const;
    void setClientSize(Twips width, Twips height);

    // Raises the load event, then shows the form.
    void loadAndShow();

    // A modal box with one OK button and no icon; returns when it is dismissed.
    void messageBox(const QString& prompt, const QString& title);

  protected:
    virtual void onLoad() {}
    virtual void onResize() {}

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
    void layOutIfOuterSizeChanged();
    void eraseText();
    void eraseTextIn(const QRegion& region);

    [[nodiscard]] QColor backColour() const;

    // Until the program sets a colour, the system's, which follows a change of theme.
    std::optional<QColor> back_;
    std::vector<TextRun> text_;
    QPoint printPosition_;
    QSize laidOutFor_;
    // On X11, the frame the window has; elsewhere the toolkit knows it.
    std::unique_ptr<X11Frame> frame_;
    // Kept, hidden, until the form goes: tearing a box down waits on the
    // display server, and the window shown after it should not.
    std::unique_ptr<QMessageBox> box_;
    Notice* notice_;
};

} // namespace runtime
