// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The process's own hygiene before the toolkit starts, POSIX only: its standard streams, its
// limits, and a private runtime directory that no way of ending leaves behind.
#pragma once

namespace runtime {

// Gives standard input, output and error a file each where they were closed, so that nothing the
// program opens takes their numbers.
void openClosedStandardStreams();

// Below these limits the toolkit hangs, or dies by a signal, instead of failing: they are checked
// before it starts and raised where the system allows; otherwise the limits report ends the game.
void checkLimits();

// The toolkit looks into the runtime directory as it starts and, where there is none of the
// user's own, makes one in /tmp that outlives the game and says so in English. It is given a
// private one instead, removed as soon as the toolkit has looked, or as soon as the start fails or
// a signal ends it.
class RuntimeDirectory {
  public:
    RuntimeDirectory();
    ~RuntimeDirectory();
    RuntimeDirectory(const RuntimeDirectory&) = delete;
    RuntimeDirectory& operator=(const RuntimeDirectory&) = delete;
    RuntimeDirectory(RuntimeDirectory&&) = delete;
    RuntimeDirectory& operator=(RuntimeDirectory&&) = delete;

    void remove();

  private:
    bool watching_ = false;
};

// The private runtime directory goes, if there is one; safe in a signal handler.
void removePrivateDirectory() noexcept;

} // namespace runtime
