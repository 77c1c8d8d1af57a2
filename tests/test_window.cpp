#include "fakes.h"
#include "runtime/random.h"
#include "window/main.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

namespace {

const QColor green(0, 255, 0);
const QColor red(255, 0, 0);
// Where the score lines stand, in logical pixels.
const QRect textCorner(0, 0, 160, 32);

QStringList lines(int ugadano, int promahov) {
    return {QString("Угадано:  %1 ").arg(ugadano), QString("Промахов:  %1 ").arg(promahov)};
}

QList<QRgb> pixelsOf(const QImage& image) {
    QList<QRgb> pixels;
    for (int i = 0; i < image.width() * image.height(); ++i) {
        pixels << image.pixel(i % image.width(), i / image.width());
    }
    return pixels;
}

// Wayland lets no client activate its own window, so nothing there has keyboard
// focus; and its compositors keep a window's pixels, so a restore repaints nothing.
bool onWayland() {
    return QGuiApplication::platformName() == "wayland";
}

QString readOut(QObject* object, QAccessible::Text what = QAccessible::Name) {
    return QAccessible::queryAccessibleInterface(object)->text(what);
}

// Acts on the credit box from inside its modal loop, then dismisses it if the act did not.
void whenBoxShown(const std::function<void(QMessageBox*)>& act) {
    if (QGuiApplication::platformName() == "offscreen") {
        QTest::ignoreMessage(QtWarningMsg, "This plugin does not support propagateSizeHints()");
    }
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, act] {
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

} // namespace

class TestWindow : public QObject {
    Q_OBJECT

    fakes::Clock clock_;
    fakes::Generator generator_;
    std::unique_ptr<Main> main_;

    bool start() {
        whenBoxShown([](QMessageBox* /*box*/) {});
        main_->loadAndShow();
        return QTest::qWaitForWindowExposed(main_.get());
    }

    // Device pixels of the window unlike the colour, leaving out the buttons and the area given.
    int unlike(const QColor& colour, const QRect& leftOut = {}) {
        QImage image = main_->grab().toImage();
        QPainter cover(&image);
        const QList<QRect> covered = buttons() << leftOut;
        for (const QRect& area : covered) {
            cover.fillRect(area, colour);
        }
        cover.end();
        const QList<QRgb> pixels = pixelsOf(image);
        return static_cast<int>(pixels.size() - pixels.count(colour.rgb()));
    }

    [[nodiscard]] QList<QRect> buttons() const {
        return {main_->Button[0]->geometry(), main_->Button[1]->geometry()};
    }

    // Where the buttons belong: 500 twips in from the outer edges, at 15 twips a pixel, or flush
    // with the client area's edges where the frame is thicker than that.
    [[nodiscard]] QList<QRect> places() const {
        const QSize outer = main_->frameGeometry().size() * 15 - QSize(500, 500);
        const QSize client = main_->size() * 15;
        const int top = qRound((std::min(outer.height(), client.height()) - 735) / 15.0);
        const int right = qRound((std::min(outer.width(), client.width()) - 2175) / 15.0);
        return {QRect(33, top, 145, 49), QRect(right, top, 145, 49)};
    }

  private slots:
    void init() {
        generator_ = {};
        main_ = std::make_unique<Main>(clock_, generator_);
    }
    void cleanup() { main_.reset(); }

    void startsWithTheCreditBox_data() {
        QTest::addColumn<int>("key");
        QTest::newRow("Return") << int{Qt::Key_Return};
        QTest::newRow("Escape") << int{Qt::Key_Escape};
        QTest::newRow("close button") << 0;
    }
    void startsWithTheCreditBox() {
        QFETCH(int, key);
        QPointer<QMessageBox> shown;
        whenBoxShown([&](QMessageBox* box) {
            shown = box;
            QVERIFY(!main_->isVisible() && box->iconPixmap().isNull());
            QCOMPARE(box->buttons().size(), 1);
            QCOMPARE(box->buttons().first()->text(), "ОК");
            QVERIFY(box->buttons().first()->icon().isNull());
            static const QRegularExpression sentence(u"^[А-ЯЁ][^.!?]*\\b20\\d\\d\\b[^.!?]*\\.$"_qs);
            QVERIFY2(sentence.match(box->text()).hasMatch(), qPrintable(box->text()));
            // Screen readers read an alert out whole as it appears.
            QCOMPARE(QAccessible::queryAccessibleInterface(box)->role(), QAccessible::AlertMessage);
            QCOMPARE(readOut(box), "Автор");
            key != 0 ? QTest::keyClick(box, Qt::Key(key)) : void(box->close());
            QVERIFY(!box->isVisible());
        });
        main_->loadAndShow();
        QVERIFY(shown && QTest::qWaitForWindowExposed(main_.get()));
        if (!onWayland()) {
            QVERIFY(QTest::qWaitForWindowActive(main_.get()));
            QCOMPARE(QApplication::focusWidget(), main_->Button[0]);
        }
        QCOMPARE(main_->size(), QSize(380, 238));
        QCOMPARE(buttons(), places());
        QCOMPARE(QAccessible::queryAccessibleInterface(main_.get())->role(), QAccessible::Window);
        QCOMPARE(QStringList(
                     {readOut(main_.get()), readOut(main_->Button[0]), readOut(main_->Button[1])}),
                 QStringList({"Лемзор", "Зелёный", "Красный"}));
        // The icon at the screen's density is the drawn pixels, doubled on a dense screen: no blur.
        const qreal ratio = qEnvironmentVariable("QT_SCALE_FACTOR", "1").toDouble();
        const QImage icon = main_->windowIcon().pixmap(QSize(32, 32), ratio).toImage();
        QCOMPARE(icon.size(), QSize(32, 32) * main_->devicePixelRatio());
        const QList<QRgb> pixels = pixelsOf(icon);
        QCOMPARE(QSet<QRgb>(pixels.begin(), pixels.end()),
                 QSet<QRgb>({0, qRgb(0, 0, 0), qRgb(255, 255, 255), qRgb(255, 0, 0)}));
        QCOMPARE(main_->cvetIndex + main_->ugadano + main_->promahov, 0);
        QCOMPARE(unlike(main_->palette().color(QPalette::Button)), 0);
        main_.reset();
        QVERIFY(shown.isNull());
    }

    void pressPaintsAndScores_data() {
        QTest::addColumn<int>("buttonIndex");
        QTest::addColumn<float>("draw");
        QTest::addColumn<bool>("byKeyboard");
        QTest::newRow("Зелёный, green drawn") << 0 << 0.25F << false;
        QTest::newRow("Красный, green drawn") << 1 << 0.25F << false;
        QTest::newRow("Красный by Tab and Space, red drawn") << 1 << 0.75F << true;
    }
    void pressPaintsAndScores() {
        QFETCH(int, buttonIndex);
        QFETCH(float, draw);
        QFETCH(bool, byKeyboard);
        generator_.draws = {draw};
        const int right = (draw > 0.5F) == (buttonIndex == 1) ? 1 : 0;
        if (byKeyboard && onWayland()) {
            QSKIP("Windows get no keyboard focus on this platform");
        }
        QVERIFY(start() && (!byKeyboard || QTest::qWaitForWindowActive(main_.get())));
        for (int press = 1; press <= 2; ++press) {
            if (byKeyboard) {
                QTest::keyClick(QApplication::focusWidget(),
                                press == 1 ? Qt::Key_Tab : Qt::Key_Shift);
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
                QCOMPARE(QApplication::focusWidget(), main_->Button.at(buttonIndex));
            } else {
                QTest::mouseClick(main_->Button.at(buttonIndex), Qt::LeftButton);
            }
            QCOMPARE(main_->printedText(), lines(right * press, press - right * press));
            QCOMPARE(unlike(draw < 0.5F ? green : red, textCorner), 0);
            QVERIFY(unlike(draw < 0.5F ? green : red) > 50);
            QCOMPARE(readOut(main_.get(), QAccessible::Description),
                     QString("%1. Угадано: %2. Промахов: %3.")
                         .arg(draw < 0.5F ? "Зелёный" : "Красный")
                         .arg(right * press)
                         .arg(press - right * press));
        }
    }

    void resizeMovesButtonsAndErasesText_data() {
        QTest::addColumn<QSize>("size");
        QTest::newRow("larger") << QSize(640, 420);
        QTest::newRow("narrow, the buttons overlap") << QSize(300, 238);
        QTest::newRow("smaller than a button") << QSize(100, 40);
        QTest::newRow("minimised and restored") << QSize();
    }
    void resizeMovesButtonsAndErasesText() {
        QFETCH(QSize, size);
        if (!size.isValid() && onWayland()) {
            QSKIP("The compositor keeps the window's pixels");
        }
        generator_.draws = {0.75F};
        QVERIFY(start());
        QTest::mouseClick(main_->Button[1], Qt::LeftButton);
        if (size.isValid()) {
            main_->resize(size);
        } else {
            main_->showMinimized();
            QTRY_VERIFY(main_->isMinimized());
            main_->showNormal();
        }
        QTRY_VERIFY(main_->printedText().isEmpty());
        QCOMPARE(unlike(red), 0);
        QCOMPARE(buttons(), places());
        const QRect overlap = buttons()[0] & buttons()[1] & main_->rect();
        QVERIFY(overlap.isEmpty() || main_->childAt(overlap.center()) == main_->Button[1]);
    }

    // Presses in random order between resizes and minimise cycles: after every press the
    // totals add up and are the lines shown, and the background is the colour drawn.
    void storm() {
        const uint seed = qEnvironmentVariableIsSet("LEMZOR_STORM_SEED")
                              ? qEnvironmentVariable("LEMZOR_STORM_SEED").toUInt()
                              : QRandomGenerator::global()->generate();
        const int presses = qEnvironmentVariableIntValue("LEMZOR_STORM_PRESSES");
        qInfo("LEMZOR_STORM_SEED=%u replays this run", seed);
        QRandomGenerator random(seed);
        runtime::Random draws(seed);
        main_ = std::make_unique<Main>(clock_, draws);
        QVERIFY(start());
        for (int press = 1; press <= (presses > 0 ? presses : 3000); ++press) {
            if (press % 20 == 0) {
                main_->resize(random.bounded(1, 8001), random.bounded(1, 8001));
            }
            if (press % 1000 == 0) {
                main_->showMinimized();
                QCoreApplication::processEvents();
                main_->showNormal();
            }
            clock_.now += 0.001F;
            emit main_->Button.at(random.bounded(2))->clicked();
            QCOMPARE(main_->ugadano + main_->promahov, press);
            QCOMPARE(main_->printedText(), lines(main_->ugadano, main_->promahov));
            const QRect corner(main_->width() - 1, 0, 1, 1);
            if (press % 97 == 0 && !corner.intersects(textCorner) &&
                main_->childAt(corner.topLeft()) == nullptr) {
                QCOMPARE(main_->grab(corner).toImage().pixelColor(0, 0),
                         main_->cvetIndex ? red : green);
            }
        }
        main_.reset();
    }
};

QTEST_MAIN(TestWindow)
#include "test_window.moc"
