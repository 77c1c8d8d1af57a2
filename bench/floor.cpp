// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The toolkit's floor: a plain Qt program that shows what the game shows (the
// same message box, then a window of the same size with two push buttons) and
// does nothing else.
#include <QAbstractButton>
#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <QPushButton>
#include <QWidget>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // The game's box: no icon anywhere, a Russian button.
    QMessageBox box(QMessageBox::NoIcon, "Автор",
                    "Игру «Лемзор» написала команда Лемзора в 2026 году.", QMessageBox::Ok);
    box.button(QMessageBox::Ok)->setText("ОК");
    box.button(QMessageBox::Ok)->setIcon(QIcon());
    box.exec();
    QWidget window;
    window.setWindowTitle("Лемзор");
    window.resize(380, 238);
    QPushButton green("Зелёный", &window);
    green.setGeometry(16, 176, 145, 49);
    QPushButton red("Красный", &window);
    red.setGeometry(224, 176, 145, 49);
    window.show();
    return QApplication::exec();
}
