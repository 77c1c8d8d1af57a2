// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes.h"
#include "game/score.h"
#include "runtime/density.h"
#include "runtime/error.h"
#include "runtime/numeric.h"
#include "runtime/random.h"

#include <QTest>
#include <cmath>
#include <limits>

class TestRules : public QObject {
    Q_OBJECT

    static constexpr auto largest = std::numeric_limits<std::int32_t>::max();
    Fake fake_;
    game::Services services_{fake_, fake_, fake_};

  private slots:
    void init() { fake_ = {}; }

    void pressDrawsScoresAndPrints_data() {
        QTest::addColumn<int>("buttonIndex");
        QTest::addColumn<float>("draw");
        QTest::addColumn<int>("ugadano");
        QTest::addColumn<int>("promahov");
        QTest::newRow("green guessed, 0 drawn: green") << 0 << 0.0F << 8 << 3;
        QTest::newRow("green guessed, just under a half")
            << 0 << std::nextafter(0.5F, 0.0F) << 8 << 3;
        QTest::newRow("green guessed, a half: a tie to even") << 0 << 0.5F << 8 << 3;
        QTest::newRow("green guessed, just over a half: red")
            << 0 << std::nextafter(0.5F, 1.0F) << 7 << 4;
        QTest::newRow("red guessed, the largest draw") << 1 << std::nextafter(1.0F, 0.0F) << 8 << 3;
        QTest::newRow("red guessed, green drawn") << 1 << 0.25F << 7 << 4;
        // The counters stop at the largest instead of wrapping to a negative number.
        QTest::newRow("right at the largest") << 0 << 0.25F << largest << 3;
        QTest::newRow("wrong at the largest") << 0 << 0.75F << 7 << largest;
    }
    void pressDrawsScoresAndPrints() {
        QFETCH(int, buttonIndex);
        QFETCH(float, draw);
        QFETCH(int, ugadano);
        QFETCH(int, promahov);
        fake_.draws = {draw};
        std::uint8_t cvetIndex = 0;
        std::int32_t right = ugadano == largest ? largest : 7;
        std::int32_t wrong = promahov == largest ? largest : 3;
        game::onButtonPress(services_, static_cast<std::int16_t>(buttonIndex), cvetIndex, right,
                            wrong);
        QCOMPARE(QList<int>({cvetIndex, right, wrong}),
                 QList<int>({draw > 0.5F, ugadano, promahov}));
        QCOMPARE(fake_.seeds, std::vector<float>{fake_.now});
        QCOMPARE(QString::fromStdString(fake_.log),
                 QString("%1|clear|Угадано:  %2 |\n|Промахов:  %3 |\n|")
                     .arg(draw > 0.5F ? 255 : 65280)
                     .arg(ugadano)
                     .arg(promahov));
        QCOMPARE(QString::fromStdString(game::announcement(cvetIndex, right, wrong)),
                 QString("%1. Угадано: %2. Промахов: %3.")
                     .arg(draw > 0.5F ? "Красный" : "Зелёный")
                     .arg(ugadano)
                     .arg(promahov));
    }

    void roundsTiesToEven() {
        QCOMPARE(QList<int>({runtime::roundToInt16(1.5), runtime::roundToInt16(2.5),
                             runtime::roundToInt16(-2.5)}),
                 QList<int>({2, 2, -2}));
        QVERIFY_THROWS_EXCEPTION(runtime::RuntimeError, runtime::roundToInt16(32767.5));
    }

    // At the start and on every change, on both platforms.
    void boundsDensity_data() {
        QTest::addColumn<double>("dotsPerInch");
        QTest::addColumn<QString>("figure");
        QTest::newRow("the least") << 48.0 << "";
        QTest::newRow("the most") << 960.0 << "";
        QTest::newRow("too few") << 47.0 << "47";
        QTest::newRow("too many") << 961.0 << "961";
        QTest::newRow("none") << 0.0 << "0";
        QTest::newRow("beyond any integer") << 1e30 << "1000000000000000019884624838656";
        QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << "бесконечность";
        QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << "не число";
    }
    void boundsDensity() {
        QFETCH(double, dotsPerInch);
        QFETCH(QString, figure);
        QCOMPARE(QString::fromStdString(runtime::whyImplausibleDensity(dotsPerInch)),
                 figure.isEmpty()
                     ? figure
                     : "экран заявляет невероятную плотность точек на дюйм: " + figure);
    }

    // As the game draws: a re-seed before every draw, all of them inside one clock tick.
    void drawsAreFreshAndEven() {
        runtime::Random random(20261206);
        std::array<int, 16> counts{};
        for (int i = 0; i < 160000; ++i) {
            random.reseed(43200.5F);
            ++counts.at(static_cast<std::size_t>(random.next() * 16));
        }
        for (const int count : counts) {
            QVERIFY2(std::abs(count - 10000) < 500, qPrintable(QString::number(count)));
        }
    }
};

QTEST_GUILESS_MAIN(TestRules)
#include "test_rules.moc"
