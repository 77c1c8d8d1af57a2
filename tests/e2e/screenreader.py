# SPDX-FileCopyrightText: 2026 Lemzor developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""The game as a blind player hears it, from the real screen reader."""
import atexit
import os
import re
import signal
import subprocess as sp
import tempfile

from desktop import RED, GREEN, WORK, fail, wait_for, out, run, stop, spawn, start_desktop, dismiss_box


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
