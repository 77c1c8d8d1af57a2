// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Linked into copies of the game and of the floor for the offscreen start-up
// bench, where no outside observer can see a window: times the show of the
// credit box from the launch (LEMZOR_BENCH_LAUNCH_NS, CLOCK_REALTIME), closes
// the box after 100 ms, times the show of the main window from that close,
// prints "box_ms window_ms peak_kib" and quits.
#include "process_memory.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <cstdio>

namespace {

double nowMs() {
    using namespace std::chrono;
    return duration<double, std::milli>(system_clock::now().time_since_epoch()).count();
}

class Probe : public QObject {
  public:
    explicit Probe(QObject* parent) : QObject(parent) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (event->type() != QEvent::Show || widget == nullptr || !widget->isWindow()) {
            return false;
        }
        if (auto* box = qobject_cast<QMessageBox*>(widget)) {
            boxMs_ = nowMs() - launchMs_;
            QTimer::singleShot(100, box, [this, box] {
                dismissedMs_ = nowMs();
                box->close();
            });
        } else if (widget->windowTitle() == "Лемзор" && dismissedMs_ > 0) {
            std::printf("%.2f %.2f %ld\n", boxMs_, nowMs() - dismissedMs_,
                        process_memory::statusKiB("VmHWM:"));
            std::fflush(stdout);
            QTimer::singleShot(0, widget, &QWidget::close);
        }
        return false;
    }

  private:
    double launchMs_ = qEnvironmentVariable("LEMZOR_BENCH_LAUNCH_NS").toDouble() / 1e6;
    double boxMs_ = 0;
    double dismissedMs_ = 0;
};

void installProbe() {
    QCoreApplication::instance()->installEventFilter(new Probe(QCoreApplication::instance()));
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(installProbe)
