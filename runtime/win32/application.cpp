// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The Win32 backend's start-up: the form created and shown, the window's messages delivered until
// it is closed, and a failure shown in a box, since a program with windows has no console.
#include "runtime/application.h"

#include "runtime/error.h"
#include "win32form.h"

#include <commctrl.h>
#include <cstdio>
#include <random>

namespace runtime {

namespace {

std::wstring& title() {
    static std::wstring shown;
    return shown;
}

void showReport(const std::string& line) {
    // Where even the box cannot be shown, standard error is all that is left.
    if (MessageBoxW(nullptr, widen(line).c_str(), title().c_str(), MB_OK | MB_ICONERROR) == 0) {
        std::fputs((line + "\n").c_str(), stderr);
    }
}

} // namespace

int run(int /*argc*/, char* /*argv*/[], const ProgramInfo& info,
        const std::function<std::unique_ptr<Form>()>& createForm) {
    setProgramName(info.name);
    title() = widen(info.name);
    setReporter(showReport);
    reportUncaughtExceptions();
    // The themed controls of the manifest's common controls 6.
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    std::unique_ptr<Form> form;
    guarded([&] { form = createForm(); });
    auto& window = dynamic_cast<Win32Form&>(form->window());
    form->loadAndShow();
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        window.deliver(message);
    }
    return static_cast<int>(message.wParam);
}

std::uint64_t systemSeed() {
    std::random_device source;
    return static_cast<std::uint64_t>(source()) << 32U | source();
}

} // namespace runtime
