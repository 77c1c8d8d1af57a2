#include "fakes.h"
#include "game/cvet.h"
#include "game/score.h"
#include "runtime/error.h"
#include "runtime/numeric.h"
#include "runtime/random.h"

#include <QTest>
#include <cmath>
#include <limits>

namespace {

// Records what the rules ask of the window, in order.
class RecordingCanvas final : public runtime::Canvas {
  public:
    void setBackColour(runtime::Colour colour) override { calls << QString::number(colour); }
    void clear() override { calls << "clear"; }
    void print(std::string_view text) override { calls << QString::fromUtf8(text); }
    void endLine() override { calls << "\n"; }

    QStringList calls;
};

constexpr auto largest = std::numeric_limits<std::int32_t>::max();

} // namespace

class TestRules : public QObject {
    Q_OBJECT

    RecordingCanvas canvas_;
    fakes::Clock clock_;
    fakes::Generator generator_;
    game::Services services_{canvas_, clock_, generator_};

  private slots:
    void init() {
        canvas_.calls.clear();
        generator_ = {};
    }

    void colourFollowsTheDraw_data() {
        QTest::addColumn<float>("draw");
        QTest::addColumn<int>("colourIndex");
        QTest::newRow("zero") << 0.0F << 0;
        QTest::newRow("just under a half") << std::nextafter(0.5F, 0.0F) << 0;
        QTest::newRow("a half, a tie to even") << 0.5F << 0;
        QTest::newRow("just over a half") << std::nextafter(0.5F, 1.0F) << 1;
        QTest::newRow("largest draw") << std::nextafter(1.0F, 0.0F) << 1;
    }
    void colourFollowsTheDraw() {
        QFETCH(float, draw);
        QFETCH(int, colourIndex);
        generator_.draws = {1 - draw, draw};
        std::uint8_t cvetIndex = 0;
        // The second draw alone decides; each comes after a re-seed from the clock.
        game::cvet(services_, cvetIndex);
        game::cvet(services_, cvetIndex);
        QCOMPARE(int{cvetIndex}, colourIndex);
        QCOMPARE(generator_.seeds, std::vector<float>(2, clock_.now));
        QCOMPARE(canvas_.calls.last(), colourIndex == 0 ? "65280" : "255");
    }

    void pressScoresAndPrints_data() {
        QTest::addColumn<int>("buttonIndex");
        QTest::addColumn<float>("draw");
        QTest::addColumn<int>("ugadano");
        QTest::addColumn<int>("promahov");
        QTest::newRow("green guessed, green drawn") << 0 << 0.25F << 8 << 3;
        QTest::newRow("green guessed, red drawn") << 0 << 0.75F << 7 << 4;
        QTest::newRow("red guessed, red drawn") << 1 << 0.75F << 8 << 3;
        QTest::newRow("red guessed, green drawn") << 1 << 0.25F << 7 << 4;
        // The counters stop at the largest instead of wrapping to a negative number.
        QTest::newRow("right at the largest") << 0 << 0.25F << largest << 3;
        QTest::newRow("wrong at the largest") << 0 << 0.75F << 7 << largest;
    }
    void pressScoresAndPrints() {
        QFETCH(int, buttonIndex);
        QFETCH(float, draw);
        QFETCH(int, ugadano);
        QFETCH(int, promahov);
        generator_.draws = {draw};
        std::uint8_t cvetIndex = 0;
        std::int32_t right = ugadano == largest ? largest : 7;
        std::int32_t wrong = promahov == largest ? largest : 3;
        game::onButtonPress(services_, static_cast<std::int16_t>(buttonIndex), cvetIndex, right,
                            wrong);
        QCOMPARE(right, ugadano);
        QCOMPARE(wrong, promahov);
        QCOMPARE(canvas_.calls, QStringList({draw < 0.5F ? "65280" : "255", "clear",
                                             QString("Угадано:  %1 ").arg(ugadano), "\n",
                                             QString("Промахов:  %1 ").arg(promahov), "\n"}));
    }

    void reportsInOneRussianLine() {
        using runtime::RuntimeError;
        QCOMPARE(runtime::report(RuntimeError(RuntimeError::Kind::Overflow, ""), "Лемзор"),
                 "Лемзор: ошибка выполнения: переполнение.");
        QCOMPARE(runtime::report(RuntimeError(RuntimeError::Kind::Internal, "сбой"), "Лемзор"),
                 "Лемзор: ошибка выполнения: внутренняя ошибка (сбой).");
    }

    // As the game draws: a re-seed before every draw, many inside one clock tick.
    void drawsAreUniformAndFresh() {
        constexpr int draws = 200000;
        runtime::Random random(20261206);
        std::array<int, 100> counts{};
        for (int i = 0; i < draws; ++i) {
            random.reseed(43200 + std::floor(static_cast<float>(i) / 1000));
            const double scaled = static_cast<double>(random.next()) * 16777216.0;
            QVERIFY(scaled >= 0 && scaled < 16777216.0 && scaled == std::floor(scaled));
            ++counts.at(static_cast<std::size_t>(scaled / 167772.16));
        }
        double chiSquare = 0;
        for (const int count : counts) {
            chiSquare += (count - draws / 100.0) * (count - draws / 100.0) / (draws / 100.0);
        }
        // 99 degrees of freedom: exceeded by chance once in a thousand runs.
        QVERIFY2(chiSquare < 148.2, qPrintable(QString::number(chiSquare)));
    }
};

QTEST_GUILESS_MAIN(TestRules)
#include "test_rules.moc"
