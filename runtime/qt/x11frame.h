// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractNativeEventFilter>
#include <QMargins>
#include <cstdint>
#include <functional>
#include <optional>

class QWidget;
struct xcb_connection_t;

namespace runtime {

// The frame an X11 window manager puts around a window: the one it announces, where that is
// believable and its own, or else the one the window tree shows. Whatever another client writes,
// the frame stays within the screen; when the manager goes, so does its frame.
class X11Frame : public QAbstractNativeEventFilter {
  public:
    // Calls changed whenever the frame may have changed.
    X11Frame(const QWidget& window, std::function<void()> changed);
    ~X11Frame() override;
    X11Frame(const X11Frame&) = delete;
    X11Frame& operator=(const X11Frame&) = delete;
    X11Frame(X11Frame&&) = delete;
    X11Frame& operator=(X11Frame&&) = delete;

    // Left, top, right and bottom, in the toolkit's pixels.
    [[nodiscard]] QMargins margins() const;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

  private:
    [[nodiscard]] std::optional<QMargins> announced() const;
    [[nodiscard]] QMargins fromTree() const;

    const QWidget& window_;
    std::function<void()> changed_;
    xcb_connection_t* connection_;
    std::uint32_t id_;
    std::uint32_t atom_;
    std::optional<QMargins> announced_;
    // The tree is read only when it is asked for and has changed since.
    mutable std::optional<QMargins> tree_;
    // The outermost window around ours (ours where no manager frames it), whose changes are
    // watched; 0 until the tree is read.
    mutable std::uint32_t watched_ = 0;
};

} // namespace runtime
