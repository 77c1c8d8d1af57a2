#pragma once

#include "window/main.h"

#include <QApplication>
#include <QImage>
#include <QMessageBox>
#include <QPainter>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

namespace fixture {

inline const QColor green(0, 255, 0);
inline const QColor red(255, 0, 0);

// Where the score lines stand, in logical pixels.
inline const QRect textCorner(0, 0, 160, 32);

// Acts on the credit box as soon as it is up, from inside its modal loop, and
// dismisses it afterwards if the act did not (a failed check returns early).
inline void whenBoxShown(std::function<void(QMessageBox*)> act) {
    if (QGuiApplication::platformName() == "offscreen") {
        QTest::ignoreMessage(QtWarningMsg, "This plugin does not support propagateSizeHints()");
    }
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, act = std::move(act)] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            poll->stop();
            poll->deleteLater();
            act(box);
            if (box->isVisible()) {
                box->done(QMessageBox::Ok);
            }
        }
    });
    poll->start(5);
}

// A window past its credit box, shown and exposed; null if it never was.
inline std::unique_ptr<Main> startedWindow(std::uint64_t seed = 1) {
    auto main = std::make_unique<Main>(seed);
    whenBoxShown([](QMessageBox* box) { box->accept(); });
    main->loadAndShow();
    if (!QTest::qWaitForWindowExposed(main.get())) {
        return nullptr;
    }
    return main;
}

inline QColor colourOf(const Main& main) {
    return main.cvetIndex == 1 ? red : green;
}

// Pixels of the image that are not the colour.
inline int pixelsUnlike(const QImage& image, const QColor& colour) {
    const QRgb wanted = colour.rgb();
    int unlike = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            unlike += image.pixel(x, y) != wanted ? 1 : 0;
        }
    }
    return unlike;
}

// Device pixels of the window that are not the colour, leaving out the buttons
// and, if asked, the corner where the score lines stand.
inline int strayPixels(Main& main, const QColor& colour, bool skipText) {
    QImage image = main.grab().toImage();
    {
        QPainter cover(&image);
        for (const auto* button : main.Button) {
            cover.fillRect(button->geometry(), colour);
        }
        if (skipText) {
            cover.fillRect(textCorner, colour);
        }
    }
    return pixelsUnlike(image, colour);
}

// Device pixels in the text corner that are not the colour: the ink of the score lines.
inline int inkPixels(Main& main, const QColor& colour) {
    return pixelsUnlike(main.grab(textCorner).toImage(), colour);
}

} // namespace fixture
