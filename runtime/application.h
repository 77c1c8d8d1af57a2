// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "form.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace runtime {

struct ProgramInfo {
    std::string name;
    std::string version;
    // The reverse-DNS name of the desktop entry, which desktops match windows to.
    std::string appId;
};

// The start-up entry: starts the toolkit, creates the form, raises its load event, shows it and
// delivers events until it is closed. Returns the exit status. A failure to reach the display ends
// the program with the Russian runtime error report instead of the toolkit's abort.
int run(int argc, char* argv[], const ProgramInfo& info,
        const std::function<std::unique_ptr<Form>()>& createForm);

// A seed from the system's own random source.
std::uint64_t systemSeed();

} // namespace runtime
