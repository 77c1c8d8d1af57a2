#include "game/cvet.h"
#include "game/score.h"

#include <QTest>
#include <limits>
#include <string>
#include <vector>

namespace {

// Records what the rules ask of the window, in order.
class RecordingCanvas final : public runtime::Canvas {
  public:
    void setBackColour(runtime::Colour colour) override {
        calls.push_back("back " + std::to_string(colour));
    }
    void clear() override { calls.emplace_back("clear"); }
    void print(std::string_view text) override { calls.push_back("print " + std::string(text)); }
    void endLine() override { calls.emplace_back("end of line"); }

    std::vector<std::string> calls;
};

class FixedClock final : public runtime::Clock {
  public:
    float timeOfDay() override { return 45296.25F; }
};

// Gives the draws it is told to, and checks that each draw follows a re-seed from the clock.
class ScriptedGenerator final : public runtime::Generator {
  public:
    void reseed(float value) override { seeds.push_back(value); }
    float next() override {
        unseededDraws += seeds.size() == drawsGiven + 1 ? 0 : 1;
        return draws.at(drawsGiven++);
    }

    std::vector<float> draws;
    std::vector<float> seeds;
    std::size_t drawsGiven = 0;
    int unseededDraws = 0;
};

struct Table {
    RecordingCanvas canvas;
    FixedClock clock;
    ScriptedGenerator generator;
    game::Services services{canvas, clock, generator};
};

constexpr auto largest = std::numeric_limits<std::int32_t>::max();

} // namespace

class TestRules : public QObject {
    Q_OBJECT

  private slots:
    void colourFollowsTheDraw_data();
    void colourFollowsTheDraw();
    void lastDrawWins();
    void scoresTheGuess_data();
    void scoresTheGuess();
    void printsBothLinesAfterTheColour();
    void scoreLinesAreExact_data();
    void scoreLinesAreExact();
    void countersStopAtTheLargest_data();
    void countersStopAtTheLargest();
};

void TestRules::colourFollowsTheDraw_data() {
    QTest::addColumn<float>("draw");
    QTest::addColumn<int>("colourIndex");
    QTest::newRow("zero") << 0.0F << 0;
    QTest::newRow("just under a half") << std::nextafter(0.5F, 0.0F) << 0;
    QTest::newRow("exactly a half, a tie to even") << 0.5F << 0;
    QTest::newRow("just over a half") << std::nextafter(0.5F, 1.0F) << 1;
    QTest::newRow("largest draw") << std::nextafter(1.0F, 0.0F) << 1;
}

void TestRules::colourFollowsTheDraw() {
    QFETCH(float, draw);
    QFETCH(int, colourIndex);
    Table table;
    table.generator.draws = {draw};
    std::uint8_t cvetIndex = 1 - colourIndex;
    game::cvet(table.services, cvetIndex);

    QCOMPARE(int{cvetIndex}, colourIndex);
    QCOMPARE(table.generator.seeds, std::vector<float>{45296.25F});
    const std::string back = colourIndex == 0 ? "back 65280" : "back 255";
    QCOMPARE(table.canvas.calls, std::vector<std::string>{back});
}

void TestRules::lastDrawWins() {
    Table table;
    table.generator.draws = {0.9F, 0.1F};
    std::uint8_t cvetIndex = 0;
    game::cvet(table.services, cvetIndex);
    game::cvet(table.services, cvetIndex);
    QCOMPARE(int{cvetIndex}, 0);
    QCOMPARE(table.canvas.calls.back(), "back 65280");
    QCOMPARE(table.generator.seeds.size(), std::size_t{2});
    QCOMPARE(table.generator.unseededDraws, 0);
}

void TestRules::scoresTheGuess_data() {
    QTest::addColumn<int>("buttonIndex");
    QTest::addColumn<float>("draw");
    QTest::addColumn<bool>("right");
    QTest::newRow("green guessed, green drawn") << 0 << 0.25F << true;
    QTest::newRow("green guessed, red drawn") << 0 << 0.75F << false;
    QTest::newRow("red guessed, red drawn") << 1 << 0.75F << true;
    QTest::newRow("red guessed, green drawn") << 1 << 0.25F << false;
}

void TestRules::scoresTheGuess() {
    QFETCH(int, buttonIndex);
    QFETCH(float, draw);
    QFETCH(bool, right);
    Table table;
    table.generator.draws = {draw};
    std::uint8_t cvetIndex = 0;
    std::int32_t ugadano = 7;
    std::int32_t promahov = 3;
    game::onButtonPress(table.services, static_cast<std::int16_t>(buttonIndex), cvetIndex, ugadano,
                        promahov);
    QCOMPARE(ugadano, right ? 8 : 7);
    QCOMPARE(promahov, right ? 3 : 4);
}

void TestRules::printsBothLinesAfterTheColour() {
    Table table;
    table.generator.draws = {0.75F, 0.75F};
    std::uint8_t cvetIndex = 0;
    std::int32_t ugadano = 0;
    std::int32_t promahov = 0;
    game::onButtonPress(table.services, 1, cvetIndex, ugadano, promahov);
    game::onButtonPress(table.services, 0, cvetIndex, ugadano, promahov);
    const std::vector<std::string> onePress = {
        "back 255",   "clear", "print Угадано:  1 ", "end of line", "print Промахов:  0 ",
        "end of line"};
    QCOMPARE(std::vector(table.canvas.calls.begin(), table.canvas.calls.begin() + 6), onePress);
    QCOMPARE(table.canvas.calls.at(10), "print Промахов:  1 ");
}

void TestRules::scoreLinesAreExact_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("right");
    QTest::addColumn<QString>("wrong");
    QTest::newRow("none") << 0 << "Угадано:  0 "
                          << "Промахов:  0 ";
    QTest::newRow("many") << 1234 << "Угадано:  1234 "
                          << "Промахов:  1234 ";
    QTest::newRow("largest") << largest << "Угадано:  2147483647 "
                             << "Промахов:  2147483647 ";
    QTest::newRow("negative") << -5 << "Угадано: -5 "
                              << "Промахов: -5 ";
}

void TestRules::scoreLinesAreExact() {
    QFETCH(int, count);
    QFETCH(QString, right);
    QFETCH(QString, wrong);
    QCOMPARE(QString::fromStdString(game::rightLine(count)), right);
    QCOMPARE(QString::fromStdString(game::wrongLine(count)), wrong);
}

void TestRules::countersStopAtTheLargest_data() {
    QTest::addColumn<float>("draw");
    QTest::newRow("right guesses") << 0.25F;
    QTest::newRow("wrong guesses") << 0.75F;
}

void TestRules::countersStopAtTheLargest() {
    QFETCH(float, draw);
    Table table;
    table.generator.draws = {draw, draw};
    std::uint8_t cvetIndex = 0;
    std::int32_t ugadano = largest - 1;
    std::int32_t promahov = largest - 1;
    game::onButtonPress(table.services, 0, cvetIndex, ugadano, promahov);
    game::onButtonPress(table.services, 0, cvetIndex, ugadano, promahov);
    const bool right = draw < 0.5F;
    QCOMPARE(ugadano, right ? largest : largest - 1);
    QCOMPARE(promahov, right ? largest - 1 : largest);
    const std::string line = right ? "print Угадано:  2147483647 " : "print Промахов:  2147483647 ";
    QCOMPARE(table.canvas.calls.at(right ? 8 : 10), line);
}

QTEST_GUILESS_MAIN(TestRules)
#include "test_rules.moc"
