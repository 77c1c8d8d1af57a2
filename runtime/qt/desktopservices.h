// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The Qt backend's guard against desktop services that take a connection and never answer: the
// session bus, the accessibility bus and its launcher, the IBus input method. The toolkit waits on
// each without a time limit as it starts.
#pragma once

#include <string>
#include <vector>

namespace runtime {

// Sets the environment so that the toolkit does without what does not answer, and returns, in
// Russian, what it will do without. Called before the toolkit starts; x11: on an X11 display.
std::vector<std::string> avoidMuteServices(bool x11);

// Whether the accessibility bus has stopped reading what the toolkit's screen reader bridge sends
// it: beyond far more than a screen reader that keeps up ever lets gather.
bool accessibilityUnread();

// Drops the accessibility events that the accessibility bus has not taken, once that bus has
// stopped reading: kept, they would fill the memory. Called once the toolkit has started.
void dropAccessibilityEventsWhenUnread();

} // namespace runtime
