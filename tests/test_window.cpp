// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes.h"
#include "icon-red.xpm"
#include "runtime/qt/qtform.h"
#include "window/main.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>
#include <QTest>
#include <QTimer>

namespace {

const QRect textCorner(0, 0, 160, 32);

// Wayland gives no client the keyboard focus.
bool onWayland() {
    return QGuiApplication::platformName() == "wayland";
}

} // namespace

class TestWindow : public QObject {
    Q_OBJECT

    Fake fake_;
    std::unique_ptr<Main> main_;

    // Shows the window, acting on the credit box from inside its modal loop first.
    bool start(const std::function<void(QMessageBox*)>& act = [](QMessageBox* /*box*/) {}) {
        QTimer::singleShot(0, [act] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            act(box);
            if (box->isVisible()) {
                box->done(QMessageBox::Ok);
            }
        });
        main_->loadAndShow();
        return QTest::qWaitForWindowExposed(&window());
    }

    // Device pixels unlike the colour in the window, but for its buttons and an area.
    int unlike(const QColor& colour, const QRect& leftOut = {}) {
        QImage image = window().grab().toImage();
        QPainter cover(&image);
        for (const QRect& area : {button(0).geometry(), button(1).geometry(), leftOut}) {
            cover.fillRect(area, colour);
        }
        cover.end();
        int pixels = 0;
        for (int i = 0; i < image.width() * image.height(); ++i) {
            pixels += image.pixelColor(i % image.width(), i / image.width()) != colour ? 1 : 0;
        }
        return pixels;
    }

    [[nodiscard]] runtime::QtForm& window() const { return runtime::widget(*main_); }
    [[nodiscard]] QPushButton& button(int index) const {
        return runtime::widget(*main_->Button.at(index));
    }

  private slots:
    void init() {
        fake_ = {};
        main_ = std::make_unique<Main>(fake_, fake_);
    }
    void cleanup() { main_.reset(); }

    void startsWithTheCreditBox_data() {
        QTest::addColumn<int>("key");
        QTest::newRow("Return") << int(Qt::Key_Return);
        QTest::newRow("Escape") << int(Qt::Key_Escape);
        QTest::newRow("the window manager's close") << 0;
    }
    void startsWithTheCreditBox() {
        QFETCH(int, key);
        QPointer<QMessageBox> shown;
        QVERIFY(start([&](QMessageBox* box) {
            shown = box;
            QVERIFY(!window().isVisible() && box->iconPixmap().isNull());
            QCOMPARE(box->buttons().size(), 1);
            QVERIFY(box->buttons().first()->icon().isNull());
            // Screen readers read an alert out whole as it appears.
            QCOMPARE(QAccessible::queryAccessibleInterface(box)->role(), QAccessible::AlertMessage);
            QCOMPARE(QAccessible::queryAccessibleInterface(box)->text(QAccessible::Name), "Автор");
            if (key == 0) {
                box->close();
            } else {
                QVERIFY(onWayland() || QTest::qWaitForWindowActive(box));
                QTest::keyClick(box->focusWidget() != nullptr ? box->focusWidget() : box,
                                Qt::Key(key));
            }
            QVERIFY(!box->isVisible());
        }));
        QVERIFY(onWayland() || QTest::qWaitForWindowActive(&window()));
        QCOMPARE(window().size(), QSize(380, 238));
        QCOMPARE(QAccessible::queryAccessibleInterface(&window())->role(), QAccessible::Window);
        // Before the first guess the background is the theme's, and follows a change of theme.
        QPalette theme = window().palette();
        theme.setColor(QPalette::Button, Qt::darkCyan);
        window().setPalette(theme);
        QCOMPARE(unlike(Qt::darkCyan), 0);
        // The icon at the screen's density is the drawn image's pixels, doubled on a dense screen.
        const qreal ratio = qEnvironmentVariable("QT_SCALE_FACTOR", "1").toDouble();
        QImage doubled = QImage(icon_red).convertToFormat(QImage::Format_ARGB32);
        doubled = doubled.scaled(doubled.size() * ratio);
        doubled.setDevicePixelRatio(ratio);
        const QPixmap drawn = window().windowIcon().pixmap(QSize(32, 32), ratio);
        QCOMPARE(drawn.toImage().convertToFormat(QImage::Format_ARGB32), doubled);
        main_.reset();
        QVERIFY(shown.isNull());
    }

    void pressPaintsAndScores_data() {
        QTest::addColumn<int>("buttonIndex");
        QTest::addColumn<float>("draw");
        // The theme's text colour, and the score's: the theme's where it stands out, else black.
        QTest::addColumn<QColor>("text");
        QTest::addColumn<QColor>("ink");
        QTest::newRow("Красный, green drawn, light text")
            << 1 << 0.25F << QColor(Qt::white) << QColor(Qt::black);
        QTest::newRow("Зелёный, green drawn, blue text")
            << 0 << 0.25F << QColor(Qt::blue) << QColor(Qt::blue);
        // Either side of 4.5 : 1 on red: 4.53 and 4.48.
        QTest::newRow("Красный, red drawn, grey 22 text")
            << 1 << 0.75F << QColor(22, 22, 22) << QColor(22, 22, 22);
        QTest::newRow("Красный, red drawn, grey 23 text")
            << 1 << 0.75F << QColor(23, 23, 23) << QColor(Qt::black);
    }
    void pressPaintsAndScores() {
        QFETCH(int, buttonIndex);
        QFETCH(float, draw);
        QFETCH(QColor, text);
        QFETCH(QColor, ink);
        fake_.draws = {draw};
        QPalette theme = window().palette();
        theme.setColor(QPalette::WindowText, text);
        window().setPalette(theme);
        QVERIFY(start());
        QTest::mouseClick(&button(buttonIndex), Qt::LeftButton);
        const QColor back = draw < 0.5F ? Qt::green : Qt::red;
        QCOMPARE(unlike(back, textCorner), 0);
        // The score: its two lines from the top-left corner, one text line apart.
        QImage score(textCorner.size() * window().devicePixelRatio(), QImage::Format_RGB32);
        score.setDevicePixelRatio(window().devicePixelRatio());
        score.fill(back);
        QPainter painter(&score);
        painter.setFont(window().font());
        painter.setPen(ink);
        const QFontMetrics metrics(window().font());
        const QStringList lines = window().printedText();
        painter.drawText(QPoint(0, metrics.ascent()), lines.value(0));
        painter.drawText(QPoint(0, metrics.height() + metrics.ascent()), lines.value(1));
        painter.end();
        QCOMPARE(window().grab(textCorner).toImage().convertToFormat(QImage::Format_RGB32), score);
    }
};

QTEST_MAIN(TestWindow)
#include "test_window.moc"
