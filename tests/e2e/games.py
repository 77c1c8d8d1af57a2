# SPDX-FileCopyrightText: 2026 Lemzor developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""Whole games on the desktops players have, and presses on a game slowed down."""
import os
import re
import subprocess as sp
import sys
import tempfile
import time

from desktop import WORK, fail, wait_for, out, run, spawn, start_desktop, dismiss_box, geometry, totals, frame_window, \
    tree_frame, text_under_windows, check_places, keys


def play(lemzor, kind):
    """A whole game: under openbox, which saves the screenshot for software centres; elsewhere traced by strace."""
    start_desktop(kind)
    build = os.path.dirname(os.path.dirname(lemzor))
    home, trace = tempfile.mkdtemp(dir=WORK.name), f"{WORK.name}/trace"
    # Only what a desktop session hands a program; unknown arguments are ignored.
    env = {key: os.environ[key] for key in ("PATH", "DISPLAY", "XDG_RUNTIME_DIR", "XAUTHORITY") if key in os.environ}
    strace = ["strace", "-f", "-qq", "--seccomp-bpf", "-o", trace, "-e", "trace=%file,%network", "-e", "signal=none"]
    game = spawn(strace * (kind != "openbox") + [lemzor, "--frobnicate", "-x"], env=env | {"LANG": "C.UTF-8", "HOME": home})
    win = dismiss_box()
    # Docks match the window to its desktop entry by its class.
    entry = open(f"{build}/resources/ru.lemzor.Lemzor.desktop", encoding="utf-8").read()
    if f'"{re.search("StartupWMClass=(.*)", entry)[1]}"' not in out("xprop", "-id", win, "WM_CLASS"):
        fail(f"the window's class {out('xprop', '-id', win, 'WM_CLASS')} is not the desktop entry's")
    if kind == "openbox":
        # Before any guess. The X server repeats a held key as the toolkit cannot always tell: a release and a press.
        keys(win, [0, 0])
    kind == "weston" or wait_for(lambda: geometry(win)[1]) or fail("no frame extents")
    check_places(win, "first display")
    if kind == "openbox":
        run("import", "-frame", "-window", win, f"{build}/resources/screenshot.png")
    # Text is lost only where the window system repaints: not outside another window, nor under a compositor.
    ink = text_under_windows(win)
    if (ink[1] != ink[0] or not 0 < ink[2] < ink[0] or ink[3] != 0) if kind == "openbox" else len(set(ink)) > 1:
        fail(f"pixels of text before and after a window over the far corner, half the text, all of it: {ink}")
    for size in ("520", "330"), ("400", "200"):
        run("xdotool", "windowsize", "--sync", win, *size)
        check_places(win, f"resized to {'x'.join(size)}")
    # Weston draws its frame again only after the window has its new size.
    states = {"openbox": [], "weston": ["fullscreen"] * 8 + ["maximized_vert,maximized_horz"] * 7}
    for trip, state in enumerate(states.get(kind, ["fullscreen"] * 7), 1):
        for change in "add", "remove":
            run("wmctrl", "-i", "-r", win, "-b", f"{change},{state}")
            run("sleep", "0.5")
            check_places(win, f"{change} {state}, {trip}")
    if kind == "weston":
        # It takes no close request from other clients: its close button, then, on the screen while maximized, at the
        # right end of the title bar just above the client area.
        run("wmctrl", "-i", "-r", win, "-b", f"add,{states[kind][-1]}")
        time.sleep(0.5)
        left, right, top = tree_frame(win)[:3]
        frame = frame_window(win)
        run("xdotool", "mousemove", "--window", frame, str(geometry(frame)[0][2] - right - 19), str(top - 14),
            "click", "1")
    else:
        run("wmctrl", "-i", "-c", win)
    if game.wait(10) != 0:
        fail(f"closing the window ended the game with status {game.returncode}")
    if kind == "openbox":
        return
    # Nothing created, written, renamed or removed; no connection but the display's.
    socket, calls = f"/tmp/.X11-unix/X{os.environ['DISPLAY'][1:]}", open(trace, encoding="utf-8").read().splitlines()
    changes = [call for call in calls if " = -1 " not in call and (
        re.search(r"O_WRONLY|O_RDWR|O_CREAT|O_TRUNC|^\d+ +(creat|mkdir|rename|unlink|rmdir|link|symlink|truncate|"
                  r"chmod|fchmodat|utimensat)", call) or ("connect(" in call and socket not in call))]
    if changes or os.listdir(home):
        fail(f"the game wrote or connected: {changes} {os.listdir(home)}")


def storm(lemzor):
    """Every press counts, however slow the game: 200 clicks 3 ms apart on each button of a game slowed down by strace.
    Openbox runs here without its click-to-focus binding: under load the synchronous grab it takes for that binding
    swallows clicks before any program sees them (a plain Qt window loses as many)."""
    with open(f"{WORK.name}/rc.xml", "w", encoding="utf-8") as rc:
        rc.write('<openbox_config xmlns="http://openbox.org/3.4/rc"><mouse/></openbox_config>')
    start_desktop(options=("--config-file", rc.name))
    game = spawn(["strace", "-f", "-qq", "-o", "/dev/null", lemzor])
    win = dismiss_box()
    width, height = geometry(win)[0][2:]
    for left in 40, width - 40:
        run("xdotool", "mousemove", "--window", win, str(left), str(height - 30), "click", "--repeat", "200", "--delay",
            "3", "1")
    end = time.time() + 60
    while sum(counted := totals(win)) != 400 and time.time() < end:
        time.sleep(1)
    print(f"ok: 400 clicks on a slowed game: {counted}" if sum(counted) == 400 else
          fail(f"400 clicks on a slowed game, and the totals say {counted}"))
    run("wmctrl", "-i", "-c", win)
    game.wait(10)


def wayland(test_window):
    start_desktop("mutter")
    sys.exit(sp.run([test_window], env=os.environ | {"QT_QPA_PLATFORM": "wayland", "LEMZOR_STORM_PRESSES": "300"},
                    check=False).returncode)
