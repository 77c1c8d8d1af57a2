#include "window_fixture.h"

#include <QAbstractButton>
#include <QAccessible>

using namespace fixture;

namespace {

QString readOut(QObject* object, QAccessible::Text what) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(object);
    return face != nullptr ? face->text(what) : QStringLiteral("<no interface>");
}

} // namespace

class TestAccess : public QObject {
    Q_OBJECT

  private slots:
    void creditBoxReadsAsADialog();
    void screenReaderHearsEachGuess();
    void keyboardPlaysLikeTheMouse();
};

void TestAccess::creditBoxReadsAsADialog() {
    Main main(1);
    whenBoxShown([](QMessageBox* box) {
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(box);
        QVERIFY(face != nullptr);
        // An alert is the dialog that screen readers read out whole as it appears.
        QCOMPARE(face->role(), QAccessible::AlertMessage);
        QCOMPARE(face->text(QAccessible::Name), "Автор");
        QCOMPARE(face->text(QAccessible::Value), box->text());
    });
    main.loadAndShow();
}

void TestAccess::screenReaderHearsEachGuess() {
    const auto main = startedWindow();
    QVERIFY(main);
    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(main.get());
    QVERIFY(window != nullptr);
    QCOMPARE(window->role(), QAccessible::Window);
    QCOMPARE(readOut(main.get(), QAccessible::Name), "Лемзор");
    QCOMPARE(readOut(main->Button[0], QAccessible::Name), "Зелёный");
    QCOMPARE(readOut(main->Button[1], QAccessible::Name), "Красный");

    for (int press = 1; press <= 6; ++press) {
        QTest::mouseClick(main->Button.at(press % 2), Qt::LeftButton);
        const QString colour = main->cvetIndex == 1 ? "Красный" : "Зелёный";
        QCOMPARE(readOut(main.get(), QAccessible::Description),
                 QString("%1. Угадано: %2. Промахов: %3.")
                     .arg(colour)
                     .arg(main->ugadano)
                     .arg(main->promahov));
    }
}

void TestAccess::keyboardPlaysLikeTheMouse() {
    const auto main = startedWindow();
    QVERIFY(main);
    QVERIFY(QTest::qWaitForWindowActive(main.get()));
    QCOMPARE(QApplication::focusWidget(), main->Button[0]);

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), main->Button[1]);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    QCOMPARE(main->ugadano + main->promahov, 1);
    QCOMPARE(main->ugadano, main->cvetIndex == 1 ? 1 : 0);
    QCOMPARE(QApplication::focusWidget(), main->Button[1]);
    QCOMPARE(main->printedText().size(), 2);

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), main->Button[0]);
    const int ugadano = main->ugadano;
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    QCOMPARE(main->ugadano + main->promahov, 2);
    QCOMPARE(main->ugadano, ugadano + (main->cvetIndex == 0 ? 1 : 0));
    QCOMPARE(QApplication::focusWidget(), main->Button[0]);
}

QTEST_MAIN(TestAccess)
#include "test_access.moc"
