# SPDX-FileCopyrightText: 2026 Lemzor developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""Whole games on the desktops players have, heard through the real screen reader, and a slowed game's presses."""
import atexit
import os
import re
import signal
import subprocess as sp
import sys
import tempfile
import time

from desktop import RED, GREEN, WORK, fail, wait_for, out, run, stop, spawn, start_desktop, dismiss_box, geometry, \
    totals, frame_window, tree_frame, screenshot, text_under_windows, check_places


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
        # One guess a key press, however long it is held: the X server repeats a held key as the toolkit cannot always
        # tell, a release and a press. Before any guess, on the focused Зелёный.
        score = [0, 0]
        for key in "space", "Return":
            run("xdotool", "keydown", key, "sleep", "1.2", "keyup", key)
            time.sleep(0.3)
            score[out("convert", f"x:{win}", "-format", "%[pixel:p{300,100}]", "info:") != GREEN] += 1
            if totals(win) != score:
                fail(f"{key} held for 1.2 s: totals {totals(win)}, not {score}")
        print(f"ok: keys held, one guess each: {score}")
    kind == "weston" or wait_for(lambda: geometry(win)[1]) or fail("no frame extents")
    check_places(win, "first display")
    if kind == "openbox":
        run("import", "-frame", "-window", win, f"{build}/resources/screenshot.png")
    # Text is lost only where the window system repaints: not outside another window, nor under a compositor.
    ink = text_under_windows(win)
    if (ink[1] != ink[0] or not 0 < ink[2] < ink[0] or ink[3] != 0) if kind == "openbox" else len(set(ink)) > 1:
        fail(f"pixels of text before and after a window over the far corner, half the text, all of it: {ink}")
    # A new size repaints the whole window, and takes the text the last guess printed.
    for size in ("520", "330"), ("400", "200"):
        run("xdotool", "windowsize", "--sync", win, *size)
        wait_for(lambda: screenshot(win, "160x32+0+0")[0] == 0, 3) or fail(f"text left after a resize to {size}")
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
    wait_for(lambda: sum(totals(win)) == 400, 60)
    print(f"ok: 400 clicks on a slowed game: {totals(win)}" if sum(totals(win)) == 400 else
          fail(f"400 clicks on a slowed game, and the totals say {totals(win)}"))
    run("wmctrl", "-i", "-c", win)
    game.wait(10)


def wayland(test_window):
    start_desktop("mutter")
    sys.exit(sp.run([test_window], env=os.environ | {"QT_QPA_PLATFORM": "wayland"}, check=False).returncode)


def orca(lemzor):
    """What a blind player hears from the real screen reader: the box, the window, a guess by Space, one by mouse,
    and the last of a burst, each guess once, naming the colour on the screen and both totals."""
    start_desktop()
    home = os.environ["HOME"] = os.environ["XDG_CONFIG_HOME"] = tempfile.mkdtemp(dir=WORK.name)
    # No sound here: speech goes to ALSA's null device, at once.
    os.makedirs(f"{home}/speech-dispatcher")
    with open(f"{home}/speech-dispatcher/speechd.conf", "w", encoding="utf-8") as conf:
        conf.write(f'AudioOutputMethod "alsa"\nAudioALSADevice "null"\nTimeout 0\nLogDir "{home}"\nAddModule "espeak-ng" '
                   '"sd_espeak-ng" "/etc/speech-dispatcher/modules/espeak-ng.conf"\n')
    # at-spi2-core 2.62 has only the first.
    if not [key for key in ("IsEnabled", "ScreenReaderEnabled") if sp.run(
            ["dbus-send", "--session", "--print-reply=literal", "--dest=org.a11y.Bus", "/org/a11y/bus",
             "org.freedesktop.DBus.Properties.Set", "string:org.a11y.Status", f"string:{key}", "variant:boolean:true"],
            capture_output=True, check=False).returncode == 0]:
        fail("the accessibility launcher took neither property")
    # Orca's debug file, where every utterance is logged, made line-buffered so that it can be read as it speaks.
    log = f"{home}/orca.log"
    wrapper = ("import builtins, runpy, sys; plain = builtins.open; builtins.open = lambda name, mode='r', *rest, **k:"
               " plain(name, mode, 1) if name == sys.argv[1][13:] else plain(name, mode, *rest, **k);"
               " runpy.run_path('/usr/bin/orca', run_name='__main__')")
    screen_reader = spawn(["/usr/bin/python3", "-c", wrapper, f"--debug-file={log}"])
    # Orca starts a speech server that outlives it; the server's voice modules end some seconds after it.
    speech = f"{os.environ['XDG_RUNTIME_DIR']}/speech-dispatcher/pid/speech-dispatcher.pid"
    atexit.register(lambda: sp.run(["pkill", "-F", speech], check=False) and
                    wait_for(lambda: not out("pgrep", "-f", "speech-dispatcher"), 20))
    spoken = lambda: re.findall(r"SPEECH OUTPUT: '(.*?)' ?\{", open(log, encoding="utf-8").read())  # noqa: E731
    wait_for(lambda: os.path.exists(log) and "Screen reader on." in spoken(), 30) or fail("Orca did not start")
    report = open(f"{home}/stderr", "w+", encoding="utf-8")  # pylint: disable=consider-using-with
    game = spawn([lemzor], stderr=report)

    def hear(want, what):
        heard = wait_for(lambda: [line for line in spoken() if re.fullmatch(want, line)], 10)
        print(f"ok: {what}: «{heard[0]}»" if heard else fail(f"{what}: Orca said {spoken()}, not «{want}»"))
    # Orca 43 says "push button." where Orca 48 says "button", and ends the frame's name with a full stop; Orca 51
    # names neither the alert nor the frame.
    for want in (r"(alert )?Автор\.?", r"Игру «Лемзор» .* году\.", r"ОК (push )?button\.?"):
        hear(want, "the credit box")
    win = dismiss_box()
    for want in (r"Лемзор( frame)?\.?", r"Зелёный (push )?button\.?"):
        hear(want, "the window")
    run("xdotool", "key", "Tab")
    hear(r"Красный (push )?button\.?", "Tab")
    for what, presses, press in ("Space", 1, ["key", "space"]), ("a click", 2, ["mousemove", "--window", win, "250",
                                 "200", "click", "1"]), ("a burst", 7, ["key", "--delay", "20"] + ["space"] * 5):
        run("xdotool", *press)
        said = lambda: [line for line in spoken() if "Угадано" in line]  # noqa: E731
        wait_for(lambda: said() and sum(map(int, re.findall(r"\d+", said()[-1]))) == presses)
        colour = {RED: "Красный", GREEN: "Зелёный"}[out("convert", f"x:{win}", "-format", "%[pixel:p{300,5}]", "info:")]
        # Orca 43 names the notification it reads; Orca 48 reads the toolkit's announcement as it stands.
        if not re.fullmatch(rf"(notification )?{colour}\. Угадано: \d+\. Промахов: \d+\.", said()[-1]) or \
                len(said()) > presses or len(set(said())) < len(said()):
            fail(f"after {what}, with {colour} on the screen, Orca said {said()}")
        print(f"ok: {what}: «{said()[-1]}»")
    # Orca's own command for the status bar, Orca+KP_Enter pressed twice: the totals again, at any time.
    heard = len(spoken())
    # The modifier held a moment first, as a player's hand does, or Orca may pass the first Enter on to the game.
    run("xdotool", "keydown", "KP_Insert", "sleep", "0.3", "key", "KP_Enter", "sleep", "0.1", "key", "KP_Enter",
        "sleep", "0.3", "keyup", "KP_Insert")
    # The totals as they stand when it is read, whatever was pressed meanwhile.
    status = lambda: [line for line in spoken()[heard:] if "Угадано" in line and not re.match(  # noqa: E731
        r"(notification )?(Красный|Зелёный)\.", line) and said()[-1].partition(". ")[2] in line]
    answer = wait_for(status, 10)
    print(f"ok: the status bar: «{answer[0]}»" if answer else fail(f"asked for the status bar, Orca said "
                                                                   f"{spoken()[heard:]}, not «{said()[-1]}»"))
    # An accessibility bus that stops reading: what the game cannot send it is dropped, not kept.
    bus = out("pgrep", "-f", "accessibility.conf").split()[0]
    os.kill(int(bus), signal.SIGSTOP)
    rss = lambda: int(re.search(r"VmRSS:\s+(\d+)", open(f"/proc/{game.pid}/status").read())[1])  # noqa: E731
    before = rss()
    run("xdotool", "mousemove", "--window", win, "250", "200", "click", "--repeat", "6000", "--delay", "1", "1")
    # Each key press is a question to the screen reader, as well.
    run("xdotool", "key", "--delay", "1", *["space"] * 3000)
    growth = rss() - before
    os.kill(int(bus), signal.SIGCONT)
    print(f"ok: 6000 clicks and 3000 keys with the accessibility bus stopped: {growth} KiB more" if growth < 4096 else
          fail(f"6000 clicks and 3000 keys with the accessibility bus stopped took {growth} KiB more"))
    # With the screen reader gone its registry leaves key events unanswered: the game plays on, and says nothing.
    # It may still be reading what the bus held while stopped.
    stop(screen_reader)
    run("xdotool", "key", "--delay", "150", *["space"] * 5)
    run("wmctrl", "-i", "-c", win)
    if game.wait(10) != 0 or report.seek(0) or report.read():
        fail(f"the game ended with status {game.returncode} and said «{report.seek(0) or report.read()}»")
