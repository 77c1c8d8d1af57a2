// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The last guard on the start, for whatever the toolkit may wait on that the checks of the
// desktop's services do not know. When the credit box has not come within the bound, the game
// starts itself anew in the same process, without the desktop's services; when even that start is
// held up, it ends with the one-line report. A timer signal rather than a thread: nothing is left
// running, and nothing wakes, once the window is up.
#pragma once

#include <string>

namespace runtime::startguard {

// Whether this is the start made anew, which does without the desktop's services from the outset.
bool isRestart();

// Starts the clock, before anything else is asked of the desktop. report: the line for a start held
// up even without the services; cleanUp runs before either the new start or the report, inside a
// signal handler.
void arm(char* argv[], const std::string& report, void (*cleanUp)() noexcept);

// The credit box is on the screen: the player reads it at leisure.
void pause();
// The box is gone; the window is next, within the bound again.
void resume();
// The window is on the screen.
void disarm();

} // namespace runtime::startguard
