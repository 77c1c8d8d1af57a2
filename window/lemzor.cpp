// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "main.h"
#include "runtime/application.h"
#include "runtime/clock.h"
#include "runtime/random.h"
#include "version.h"

#include <QRandomGenerator>

int main(int argc, char* argv[]) {
    const runtime::ProgramInfo info{QStringLiteral("Лемзор"), QString::fromLatin1(version::number),
                                    QString::fromLatin1(version::appId)};
    runtime::SystemClock clock;
    // The toolkit's system source is loaded already; the standard library's would add its own.
    runtime::Random generator(QRandomGenerator::system()->generate64());
    return runtime::run(argc, argv, info, [&] { return std::make_unique<Main>(clock, generator); });
}
