// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "x11frame.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QWidget>
#include <algorithm>
#include <array>
#include <cstdlib>
#include <memory>
#include <string_view>
#include <xcb/xcb.h>

namespace runtime {

namespace {

template <typename Reply> using XcbReply = std::unique_ptr<Reply, decltype(&std::free)>;

template <typename Reply> XcbReply<Reply> owned(Reply* reply) {
    return {reply, &std::free};
}

xcb_atom_t internAtom(xcb_connection_t* connection, std::string_view name) {
    const auto reply = owned(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, name.size(), name.data()), nullptr));
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

} // namespace

X11Frame::X11Frame(const QWidget& window, std::function<void()> changed)
    : window_(window), changed_(std::move(changed)),
      connection_(qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection()),
      id_(window.winId()), atom_(internAtom(connection_, "_NET_FRAME_EXTENTS")) {
    QCoreApplication::instance()->installNativeEventFilter(this);
}

X11Frame::~X11Frame() {
    QCoreApplication::instance()->removeNativeEventFilter(this);
}

QMargins X11Frame::margins() const {
    if (!announced_ && !tree_) {
        tree_ = fromTree();
    }
    // The window system counts device pixels; the toolkit's pixels are larger on a dense screen.
    const QMargins device = announced_ ? *announced_ : *tree_;
    const qreal ratio = window_.devicePixelRatioF();
    return {qRound(device.left() / ratio), qRound(device.top() / ratio),
            qRound(device.right() / ratio), qRound(device.bottom() / ratio)};
}

bool X11Frame::nativeEventFilter(const QByteArray& eventType, void* message, qintptr* /*result*/) {
    if (eventType != "xcb_generic_event_t") {
        return false;
    }
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    switch (event->response_type & ~0x80U) {
    case XCB_PROPERTY_NOTIFY: {
        const auto* property = static_cast<const xcb_property_notify_event_t*>(message);
        if (property->window != id_ || property->atom != atom_) {
            return false;
        }
        announced_ = announced();
        break;
    }
    case XCB_REPARENT_NOTIFY:
        if (static_cast<const xcb_reparent_notify_event_t*>(message)->window != id_) {
            return false;
        }
        // A new manager, or none: what the last one announced is no longer true.
        announced_.reset();
        tree_.reset();
        watched_ = 0;
        break;
    case XCB_CONFIGURE_NOTIFY: {
        const auto window = static_cast<const xcb_configure_notify_event_t*>(message)->window;
        if (window != id_ && (window != watched_ || watched_ == 0)) {
            return false;
        }
        // Some managers (Weston's) resize their frame only after the window.
        tree_.reset();
        break;
    }
    default:
        return false;
    }
    changed_();
    return false;
}

std::optional<QMargins> X11Frame::announced() const {
    const auto property = owned(xcb_get_property_reply(
        connection_, xcb_get_property(connection_, 0, id_, atom_, XCB_ATOM_CARDINAL, 0, 4),
        nullptr));
    if (!property || property->type != XCB_ATOM_CARDINAL || property->format != 32 ||
        xcb_get_property_value_length(property.get()) != 4 * sizeof(std::uint32_t)) {
        return std::nullopt;
    }
    // Left, right, top and bottom, in device pixels; none wider than the screen.
    const auto* edges = static_cast<const std::uint32_t*>(xcb_get_property_value(property.get()));
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
    const std::array<std::uint32_t, 4> largest = {screen->width_in_pixels, screen->width_in_pixels,
                                                  screen->height_in_pixels,
                                                  screen->height_in_pixels};
    for (std::size_t i = 0; i < largest.size(); ++i) {
        if (edges[i] > largest.at(i)) {
            return std::nullopt;
        }
    }
    return QMargins(static_cast<int>(edges[0]), static_cast<int>(edges[2]),
                    static_cast<int>(edges[1]), static_cast<int>(edges[3])) /
           window_.devicePixelRatio();
}

QMargins X11Frame::fromTree() const {
    if (watched_ == 0) {
        watched_ = id_;
        for (;;) {
            const auto tree = owned(
                xcb_query_tree_reply(connection_, xcb_query_tree(connection_, watched_), nullptr));
            if (!tree || tree->parent == tree->root || tree->parent == XCB_WINDOW_NONE) {
                break;
            }
            watched_ = tree->parent;
        }
        const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        if (watched_ != id_) {
            xcb_change_window_attributes(connection_, watched_, XCB_CW_EVENT_MASK, &mask);
        }
    }
    if (watched_ == id_) {
        return {};
    }
    const auto frameCookie = xcb_get_geometry(connection_, watched_);
    const auto ownCookie = xcb_get_geometry(connection_, id_);
    const auto placeCookie = xcb_translate_coordinates(connection_, id_, watched_, 0, 0);
    const auto frame = owned(xcb_get_geometry_reply(connection_, frameCookie, nullptr));
    const auto own = owned(xcb_get_geometry_reply(connection_, ownCookie, nullptr));
    const auto place = owned(xcb_translate_coordinates_reply(connection_, placeCookie, nullptr));
    if (!frame || !own || !place) {
        return {};
    }
    // X11 sizes are 16-bit: none of this can overflow.
    const int outerWidth = frame->width + 2 * frame->border_width;
    const int outerHeight = frame->height + 2 * frame->border_width;
    const int left = std::max(0, static_cast<int>(place->dst_x));
    const int top = std::max(0, static_cast<int>(place->dst_y));
    return QMargins(left, top, std::max(0, outerWidth - left - own->width),
                    std::max(0, outerHeight - top - own->height)) /
           window_.devicePixelRatio();
}

} // namespace runtime
