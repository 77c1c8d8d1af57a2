// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
// A GTK 3 program doing the game's work: the credit box, then a window of the same size with two
// push buttons. Built only for the benchmarks.
#include <gtk/gtk.h>

int main(int argc, char* argv[]) {
    gtk_init(&argc, &argv);
    GtkWidget* box = gtk_message_dialog_new(NULL, GTK_DIALOG_MODAL, GTK_MESSAGE_OTHER,
                                            GTK_BUTTONS_NONE, "%s",
                                            "Игру «Лемзор» написала команда Лемзора в 2026 году.");
    gtk_window_set_title(GTK_WINDOW(box), "Автор");
    gtk_dialog_add_button(GTK_DIALOG(box), "ОК", GTK_RESPONSE_OK);
    gtk_dialog_run(GTK_DIALOG(box));
    gtk_widget_hide(box);
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(window), "Лемзор");
    gtk_window_set_default_size(GTK_WINDOW(window), 380, 238);
    GtkWidget* fixed = gtk_fixed_new();
    GtkWidget* green = gtk_button_new_with_label("Зелёный");
    GtkWidget* red = gtk_button_new_with_label("Красный");
    gtk_widget_set_size_request(green, 145, 49);
    gtk_widget_set_size_request(red, 145, 49);
    gtk_fixed_put(GTK_FIXED(fixed), green, 33, 181);
    gtk_fixed_put(GTK_FIXED(fixed), red, 204, 181);
    gtk_container_add(GTK_CONTAINER(window), fixed);
    g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), NULL);
    gtk_widget_show_all(window);
    gtk_main();
    return 0;
}
