// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Press to paint on offscreen: from a click on a button to the end of the
// repaint that shows the new colour and score lines, over 10,000 presses;
// then the memory that 100,000 more presses add.
#include "process_memory.h"
#include "runtime/clock.h"
#include "runtime/qt/qtform.h"
#include "runtime/random.h"
#include "window/main.h"

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

using process_memory::heapInUseKiB;
using process_memory::statusKiB;

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    runtime::SystemClock clock;
    runtime::Random generator(1);
    const auto main = std::make_unique<Main>(clock, generator);
    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
    main->loadAndShow();
    if (!QTest::qWaitForWindowExposed(&runtime::widget(*main))) {
        return 1;
    }

    using Clock = std::chrono::steady_clock;
    constexpr int timed = 10000;
    std::vector<double> micros;
    micros.reserve(timed);
    for (int i = 0; i < 1000 + timed; ++i) {
        const auto start = Clock::now();
        QTest::mouseClick(&runtime::widget(*main->Button.at(i % 2)), Qt::LeftButton);
        // The repaint runs from the event loop, as it does in play.
        QCoreApplication::processEvents();
        const auto end = Clock::now();
        if (i >= 1000) {
            micros.push_back(std::chrono::duration<double, std::micro>(end - start).count());
        }
    }
    std::sort(micros.begin(), micros.end());
    const double median = micros[micros.size() / 2];
    const double p99 = micros[micros.size() * 99 / 100];

    constexpr int presses = 100000;
    const long heapBefore = heapInUseKiB();
    const long residentBefore = statusKiB("VmRSS:");
    for (int i = 0; i < presses; ++i) {
        QTest::mouseClick(&runtime::widget(*main->Button.at(i % 2)), Qt::LeftButton);
        QCoreApplication::processEvents();
    }
    std::printf("%.1f %.1f %ld %ld %d\n", median, p99, heapInUseKiB() - heapBefore,
                statusKiB("VmRSS:") - residentBefore, main->ugadano + main->promahov);
    return 0;
}
