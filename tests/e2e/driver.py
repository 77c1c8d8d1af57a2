# SPDX-FileCopyrightText: 2026 Lemzor developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""Plays the built game as a person would, on a desktop of its own: driver.py SCENARIO PROGRAM, the scenarios openbox,
metacity, mutter, weston, orca, hostile, storm, windows, suite (PROGRAM is a test suite, for Linux or Windows), and
wayland (PROGRAM is the window test, as a Wayland client). Each runs in a PID namespace of its own, on a session bus
of its own, and fails if anything it started is still running at its end."""
import contextlib
import os
import subprocess as sp
import sys

from desktop import wait_for, run
from games import orca, play, storm, wayland
from hostile import hostile
from windows import suite, windows


def leftovers():
    """Pid 1 of the namespace: every other process in it was started by the scenario."""
    with contextlib.suppress(ChildProcessError):
        while os.waitpid(-1, os.WNOHANG)[0] != 0:
            pass
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        with contextlib.suppress(OSError), open(f"/proc/{pid}/cmdline", "rb") as cmdline:
            found += [f"{pid}: " + cmdline.read().replace(b"\0", b" ").decode(errors="replace").strip()]
    return [line for line in found if not line.startswith("1: ") and not line.endswith(": ")]


def contained(scenario, program):
    """Runs the scenario on a session bus of its own, then names whatever it left running; leaving ends the rest.
    Its display servers are its own: their sockets, in a folder and a network namespace of its own, and the check
    of their lock files, which sees no process of another namespace."""
    os.makedirs("/tmp/.X11-unix", mode=0o1777, exist_ok=True)
    run("mount", "-t", "tmpfs", "-o", "mode=1777", "tmpfs", "/tmp/.X11-unix")
    status = sp.run(["dbus-run-session", "--", sys.executable, __file__, "--play", scenario, program],
                    check=False).returncode
    if wait_for(lambda: not leftovers(), 5):
        sys.exit(status)
    sys.exit(f"FAIL: still running after the scenario: {leftovers()}")


if __name__ == "__main__":
    if sys.argv[1] == "--contained":
        contained(sys.argv[2], os.path.abspath(sys.argv[3]))
    elif sys.argv[1] != "--play":
        os.execvp("unshare", ["unshare", "--mount", "--pid", "--net", "--fork", "--kill-child", "--mount-proc", "--",
                              sys.executable, __file__, "--contained", *sys.argv[1:]])
    scenario, program = sys.argv[2], os.path.abspath(sys.argv[3])
    scenarios = {"hostile": hostile, "wayland": wayland, "orca": orca, "windows": windows, "suite": suite, "storm": storm}
    scenarios.get(scenario, lambda program: play(program, scenario))(program)
