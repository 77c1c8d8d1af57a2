#pragma once

class QString;

namespace runtime {

// A modal box with one OK button and no icon; returns when it is dismissed.
void messageBox(const QString& prompt, const QString& title);

} // namespace runtime
