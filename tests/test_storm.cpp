#include "process_memory.h"
#include "window_fixture.h"

#include <QRandomGenerator>
#include <QRegion>
#include <chrono>

using namespace fixture;

namespace {

// A client pixel that neither button nor the score text covers, if any.
std::optional<QPoint> backgroundPoint(const Main& main) {
    const QRegion covered =
        QRegion(main.Button[0]->geometry()) + main.Button[1]->geometry() + textCorner;
    for (const QPoint& point :
         {QPoint(main.width() - 1, 0), QPoint(main.width() - 1, main.height() - 1),
          QPoint(0, main.height() - 1), QPoint(main.width() / 2, main.height() / 2)}) {
        if (main.rect().contains(point) && !covered.contains(point)) {
            return point;
        }
    }
    return std::nullopt;
}

} // namespace

class TestStorm : public QObject {
    Q_OBJECT

  private slots:
    void pressesAndResizesKeepTheTotalsExact();
};

void TestStorm::pressesAndResizesKeepTheTotalsExact() {
    const quint32 seed = qEnvironmentVariableIsSet("LEMZOR_STORM_SEED")
                             ? qEnvironmentVariable("LEMZOR_STORM_SEED").toUInt()
                             : 20261206;
    const int presses = qEnvironmentVariableIntValue("LEMZOR_STORM_PRESSES") > 0
                            ? qEnvironmentVariableIntValue("LEMZOR_STORM_PRESSES")
                            : 100000;
    const int resizes = presses / 20;
    qInfo("seed %u (replay with LEMZOR_STORM_SEED=%u), %d presses, %d resizes", seed, seed, presses,
          resizes);
    QRandomGenerator random(seed);
    const auto start = std::chrono::steady_clock::now();

    const auto main = startedWindow(seed);
    QVERIFY(main);
    const QSize firstSize = main->size();
    // Warm-up at the first size, so that the caches of fonts and glyphs are full.
    for (int i = 0; i < 1000; ++i) {
        emit main->Button.at(i % 2)->clicked();
    }
    QCoreApplication::processEvents();
    const long settledKiB = process_memory::statusKiB("VmRSS:");
    const long settledHeapKiB = process_memory::heapInUseKiB();
    const int warmUp = main->ugadano + main->promahov;
    long peakKiB = 0;
    int resized = 0;
    for (int press = 1; press <= presses; ++press) {
        if (press % (presses / resizes) == 0) {
            ++resized;
            main->resize(random.bounded(1, 8001), random.bounded(1, 8001));
            // The window system's own events, and a paint at the size reached:
            // painting every size up to 8000 x 8000 would take minutes.
            if (resized % 50 == 0) {
                main->showMinimized();
                QCoreApplication::processEvents();
                main->showNormal();
                QCoreApplication::processEvents();
            }
        }
        const int buttonIndex = static_cast<int>(random.bounded(2));
        emit main->Button.at(buttonIndex)->clicked();

        QCOMPARE(main->ugadano + main->promahov, warmUp + press);
        const QStringList shown = main->printedText();
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown[0], QString("Угадано:  %1 ").arg(main->ugadano));
        QCOMPARE(shown[1], QString("Промахов:  %1 ").arg(main->promahov));
        if (press % 97 == 0) {
            if (const auto point = backgroundPoint(*main)) {
                const QColor pixel =
                    main->grab(QRect(*point, QSize(1, 1))).toImage().pixelColor(0, 0);
                QCOMPARE(pixel, colourOf(*main));
            }
        }
        if (press % 1000 == 0) {
            peakKiB = std::max(peakKiB, process_memory::statusKiB("VmRSS:"));
        }
    }
    main->resize(firstSize);
    QCoreApplication::processEvents();
    const long endKiB = process_memory::statusKiB("VmRSS:");
    const long endHeapKiB = process_memory::heapInUseKiB();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    qInfo("%d presses, %d resizes in %.1f s; at the first size before and after: heap in use %ld "
          "and %ld KiB, resident %ld and %ld KiB; peak resident %ld KiB",
          presses, resized, seconds, settledHeapKiB, endHeapKiB, settledKiB, endKiB, peakKiB);
    // The window keeps nothing per press or per size: back at its first size,
    // its memory is where it was.
    QVERIFY2(endHeapKiB - settledHeapKiB < 256,
             qPrintable(QString("%1 KiB more").arg(endHeapKiB - settledHeapKiB)));
}

QTEST_MAIN(TestStorm)
#include "test_storm.moc"
