// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
// A player's input to the Qt backend, as the window system hands it to the toolkit.
#include "hands.h"
#include "runtime/qt/qtform.h"
#include "runtime/qt/twips.h"

#include <QApplication>
#include <QTest>
#include <array>
#include <gtest/gtest.h>

namespace {

QWindow& window(runtime::Form& form) {
    return *runtime::widget(form).windowHandle();
}

} // namespace

void hands::settle(runtime::Form& form) {
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window(form)));
    QCoreApplication::processEvents();
}

void hands::activate(runtime::Form& form) {
    runtime::widget(form).activateWindow();
    settle(form);
}

void hands::key(runtime::Form& form, Key key, int repeats) {
    constexpr std::array codes{Qt::Key_Tab,   Qt::Key_Backtab, Qt::Key_Left,
                               Qt::Key_Right, Qt::Key_Up,      Qt::Key_Down,
                               Qt::Key_Space, Qt::Key_Return,  Qt::Key_Enter};
    const Qt::Key code = codes.at(static_cast<std::size_t>(key));
    const Qt::KeyboardModifiers modifiers = key == Key::Enter     ? Qt::KeypadModifier
                                            : key == Key::BackTab ? Qt::ShiftModifier
                                                                  : Qt::NoModifier;
    for (int down = 0; down <= repeats; ++down) {
        QTest::keyPress(&window(form), code, modifiers);
    }
    QTest::keyRelease(&window(form), code, modifiers);
    settle(form);
}

void hands::click(runtime::Form& form, runtime::Twips left, runtime::Twips top) {
    const QWidget& widget = runtime::widget(form);
    QTest::mouseClick(&window(form), Qt::LeftButton, {},
                      {runtime::toPixels(left, widget), runtime::toPixels(top, widget)});
    settle(form);
}

int main(int argc, char* argv[]) {
    const QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    // A child that dies runs afresh, with a toolkit of its own.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    return RUN_ALL_TESTS();
}
