// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
// An FLTK program doing the game's work: the credit box, then a window of the same size with two
// push buttons. Built only for the benchmarks.
#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Return_Button.H>
#include <FL/Fl_Window.H>

int main() {
    Fl_Window box(400, 100, "Автор");
    Fl_Box sentence(10, 10, 380, 40, "Игру «Лемзор» написала команда Лемзора в 2026 году.");
    Fl_Return_Button ok(300, 60, 90, 30, "ОК");
    ok.callback([](Fl_Widget* button, void*) { button->window()->hide(); });
    box.end();
    box.set_modal();
    box.show();
    while (box.shown() != 0) {
        Fl::wait();
    }
    Fl_Window window(380, 238, "Лемзор");
    Fl_Button green(33, 181, 145, 49, "Зелёный");
    Fl_Button red(204, 181, 145, 49, "Красный");
    window.end();
    window.show();
    return Fl::run();
}
