#include "window_fixture.h"

#include <QAbstractButton>
#include <QPointer>
#include <QRegularExpression>
#include <array>
#include <cmath>

using namespace fixture;

namespace {

// Where the buttons belong: 500 twips in from the outer edges of the window,
// 15 twips a pixel.
std::array<QPoint, 2> placesFor(const QRect& outer) {
    constexpr float twipsPerPixel = 15;
    const auto pixels = [](float twips) {
        return static_cast<int>(std::round(twips / twipsPerPixel));
    };
    const float width = static_cast<float>(outer.width()) * twipsPerPixel;
    const float height = static_cast<float>(outer.height()) * twipsPerPixel;
    const int top = pixels(height - 500 - 735);
    return {QPoint(pixels(500), top), QPoint(pixels(width - 500 - 2175), top)};
}

} // namespace

class TestWindow : public QObject {
    Q_OBJECT

  private slots:
    void creditBoxComesFirst_data();
    void creditBoxComesFirst();
    void startsPlainWithFocusOnGreen();
    void pressPaintsAndScores_data();
    void pressPaintsAndScores();
    void systemRepaintErasesTextOnly_data();
    void systemRepaintErasesTextOnly();
    void countersStopAtTheLargest();
    void buttonsFollowTheBottomCorners_data();
    void buttonsFollowTheBottomCorners();
};

void TestWindow::creditBoxComesFirst_data() {
    QTest::addColumn<QString>("dismissal");
    QTest::newRow("Return") << "Return";
    QTest::newRow("Escape") << "Escape";
    QTest::newRow("close button") << "close";
}

void TestWindow::creditBoxComesFirst() {
    QFETCH(QString, dismissal);
    QPointer<QMessageBox> shownBox;
    {
        Main main(1);
        whenBoxShown([&](QMessageBox* box) {
            shownBox = box;
            QVERIFY(!main.isVisible());
            QCOMPARE(box->windowTitle(), "Автор");
            QCOMPARE(box->icon(), QMessageBox::NoIcon);
            QVERIFY(box->iconPixmap().isNull());
            QCOMPARE(box->buttons().size(), 1);
            QCOMPARE(box->buttons().first()->text(), "ОК");
            QVERIFY(box->buttons().first()->icon().isNull());
            static const QRegularExpression sentence(
                u"^[А-ЯЁ][^.!?]*\\b(19|20)\\d\\d\\b[^.!?]*\\.$"_qs);
            QVERIFY2(sentence.match(box->text()).hasMatch(), qPrintable(box->text()));
            if (dismissal == "close") {
                box->close();
            } else {
                QTest::keyClick(box, dismissal == "Return" ? Qt::Key_Return : Qt::Key_Escape);
            }
        });
        main.loadAndShow();
        QVERIFY(shownBox);
        QVERIFY(main.isVisible());
        QVERIFY(!shownBox->isVisible());
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
    }
    // The box outlives its dismissal, out of sight, but not the window.
    QVERIFY(shownBox.isNull());
}

void TestWindow::startsPlainWithFocusOnGreen() {
    const auto main = startedWindow();
    QVERIFY(main);
    QCOMPARE(main->windowTitle(), "Лемзор");
    QCOMPARE(main->size(), QSize(380, 238));
    if (qEnvironmentVariableIsSet("QT_SCALE_FACTOR")) {
        QCOMPARE(main->devicePixelRatio(), qEnvironmentVariable("QT_SCALE_FACTOR").toDouble());
    }
    QCOMPARE(main->Button[0]->text(), "Зелёный");
    QCOMPARE(main->Button[1]->text(), "Красный");
    QCOMPARE(main->nextInFocusChain(), main->Button[0]);
    QCOMPARE(main->Button[0]->nextInFocusChain(), main->Button[1]);
    QVERIFY(QTest::qWaitForWindowActive(main.get()));
    QCOMPARE(QApplication::focusWidget(), main->Button[0]);

    // The icon at the screen's density is the drawn image's own pixels, doubled
    // where the density is: no blur.
    const qreal ratio = main->devicePixelRatio();
    const QImage icon = main->windowIcon().pixmap(QSize(32, 32), ratio).toImage();
    QCOMPARE(icon.size(), QSize(32, 32) * ratio);
    QSet<QRgb> colours;
    for (int y = 0; y < icon.height(); ++y) {
        for (int x = 0; x < icon.width(); ++x) {
            colours << icon.pixel(x, y);
        }
    }
    const QSet<QRgb> drawn{0, qRgb(0, 0, 0), qRgb(255, 255, 255), qRgb(255, 0, 0)};
    QCOMPARE(colours, drawn);

    QCOMPARE(int{main->cvetIndex}, 0);
    QCOMPARE(main->ugadano, 0);
    QCOMPARE(main->promahov, 0);
    QCOMPARE(strayPixels(*main, main->palette().color(QPalette::Button), false), 0);
}

void TestWindow::pressPaintsAndScores_data() {
    QTest::addColumn<int>("buttonIndex");
    QTest::newRow("Зелёный") << 0;
    QTest::newRow("Красный") << 1;
}

void TestWindow::pressPaintsAndScores() {
    QFETCH(int, buttonIndex);
    const auto main = startedWindow();
    QVERIFY(main);
    QSet<int> coloursSeen;
    for (int press = 1; press <= 12; ++press) {
        const int ugadano = main->ugadano;
        const int promahov = main->promahov;
        QTest::mouseClick(main->Button.at(buttonIndex), Qt::LeftButton);

        const bool right = main->cvetIndex == buttonIndex;
        QCOMPARE(main->ugadano, ugadano + (right ? 1 : 0));
        QCOMPARE(main->promahov, promahov + (right ? 0 : 1));
        QCOMPARE(main->printedText(), QStringList({QString("Угадано:  %1 ").arg(main->ugadano),
                                                   QString("Промахов:  %1 ").arg(main->promahov)}));
        // Every device pixel is the new colour but the buttons and the ink of the text.
        QCOMPARE(main->grab().size(), main->size() * main->devicePixelRatio());
        QCOMPARE(strayPixels(*main, colourOf(*main), true), 0);
        QVERIFY(inkPixels(*main, colourOf(*main)) > 50);
        coloursSeen << main->cvetIndex;
    }
    // Twelve presses of one button all drawing one colour: once in 2048 runs.
    QCOMPARE(coloursSeen.size(), 2);
}

void TestWindow::systemRepaintErasesTextOnly_data() {
    QTest::addColumn<QString>("change");
    QTest::newRow("larger") << "larger";
    QTest::newRow("smaller") << "smaller";
    QTest::newRow("minimised and restored") << "minimise";
}

void TestWindow::systemRepaintErasesTextOnly() {
    QFETCH(QString, change);
    const auto main = startedWindow();
    QVERIFY(main);
    QTest::mouseClick(main->Button[1], Qt::LeftButton);
    QCOMPARE(main->printedText().size(), 2);

    if (change == "minimise") {
        main->showMinimized();
        QTRY_VERIFY(main->isMinimized());
        main->showNormal();
    } else {
        main->resize(change == "larger" ? QSize(600, 400) : QSize(200, 120));
    }
    QTRY_VERIFY(main->printedText().isEmpty());
    QCOMPARE(strayPixels(*main, colourOf(*main), false), 0);
}

void TestWindow::countersStopAtTheLargest() {
    const auto main = startedWindow();
    QVERIFY(main);
    main->ugadano = 2147483646;
    // Guessing red until two guesses have been right.
    for (int presses = 0; presses - main->promahov < 2; ++presses) {
        QVERIFY(presses < 200);
        QTest::mouseClick(main->Button[1], Qt::LeftButton);
        QVERIFY(main->ugadano > 0);
    }
    QCOMPARE(main->ugadano, 2147483647);
    QCOMPARE(main->printedText().first(), "Угадано:  2147483647 ");
}

void TestWindow::buttonsFollowTheBottomCorners_data() {
    QTest::addColumn<QSize>("clientSize");
    QTest::newRow("first display") << QSize();
    QTest::newRow("larger") << QSize(640, 420);
    QTest::newRow("narrow, the buttons overlap") << QSize(300, 238);
    QTest::newRow("smaller than a button") << QSize(100, 40);
}

void TestWindow::buttonsFollowTheBottomCorners() {
    QFETCH(QSize, clientSize);
    const auto main = startedWindow();
    QVERIFY(main);
    if (clientSize.isValid()) {
        main->resize(clientSize);
        QTRY_COMPARE(main->size(), clientSize);
    }
    const auto places = placesFor(main->frameGeometry());
    qInfo() << "outer" << main->frameGeometry().size() << "buttons at" << places[0] << places[1];
    for (std::size_t i = 0; i < places.size(); ++i) {
        QCOMPARE(main->Button.at(i)->pos(), places.at(i));
        QCOMPARE(main->Button.at(i)->size(), QSize(145, 49));
    }
    const QRect overlap = main->Button[0]->geometry() & main->Button[1]->geometry() & main->rect();
    if (!overlap.isEmpty()) {
        QCOMPARE(main->childAt(overlap.center()), main->Button[1]);
    }
}

QTEST_MAIN(TestWindow)
#include "test_window.moc"
