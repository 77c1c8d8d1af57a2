// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "main.h"
#include "runtime/application.h"
#include "runtime/clock.h"
#include "runtime/random.h"
#include "version.h"

int main(int argc, char* argv[]) {
    const runtime::ProgramInfo info{"Лемзор", version::number, version::appId};
    runtime::SystemClock clock;
    runtime::Random generator(runtime::systemSeed());
    return runtime::run(argc, argv, info, [&] { return std::make_unique<Main>(clock, generator); });
}
