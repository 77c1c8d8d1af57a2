# SPDX-FileCopyrightText: 2026 Lemzor developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""Plays the built game as a person would, on a desktop of its own: driver.py SCENARIO PROGRAM, the scenarios openbox,
metacity, mutter, weston, orca, hostile, storm, and wayland (PROGRAM is the window test, as a Wayland client). Each runs in a
PID namespace of its own, on a session bus of its own, and fails if anything it started is still running at its end."""
import atexit
import glob
import os
import re
import signal
import socket
import subprocess as sp
import sys
import tempfile
import threading
import time

RED, GREEN = "srgb(255,0,0)", "srgb(0,255,0)"
ANEW = "Лемзор: рабочий стол не ответил вовремя, игра начата заново без его служб (без программ экранного доступа и " \
    "метода ввода)."
WORK = tempfile.TemporaryDirectory()  # pylint: disable=consider-using-with


def fail(message):
    sys.exit(f"FAIL: {message}")


SKIPPED = 77  # ctest's SKIP_RETURN_CODE for these scenarios


def wait_for(check, seconds=10.0):
    end = time.time() + seconds
    while not (found := check()) and time.time() < end:
        time.sleep(0.02)
    return found


def out(*args):
    return sp.run(args, capture_output=True, text=True, check=False).stdout


def run(*args):
    sp.run(args, check=True)


def stop(process):
    """Stopped rather than killed, a display server removes its lock and socket."""
    process.terminate()
    try:
        process.wait(5)
    except sp.TimeoutExpired:
        process.kill()
        process.wait()


def spawn(args, **options):
    process = sp.Popen(args, stdin=sp.DEVNULL, **options)  # pylint: disable=consider-using-with
    atexit.register(lambda: process.poll() is None and stop(process))
    return process


def start_desktop(kind="openbox", depth=24, options=()):
    """Xvfb under openbox or metacity, or GNOME's mutter headless with its XWayland; returns what serves it."""
    for name in ("QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "XAUTHORITY"):
        os.environ.pop(name, None)
    os.environ["XDG_RUNTIME_DIR"] = runtime = tempfile.mkdtemp(dir=WORK.name)
    if kind == "mutter":
        name = f"lemzor-{os.getpid()}"
        with open(f"{runtime}/log", "w", encoding="utf-8") as log:
            servers = [spawn(["mutter", "--wayland", "--headless", "--virtual-monitor", "1024x768",
                              f"--wayland-display={name}"], stdout=log, stderr=sp.STDOUT)]
        display = wait_for(lambda: re.search(r"public X11 display (:\d+)", open(f"{runtime}/log").read()), 30)
        os.environ.update(DISPLAY=display[1] if display else fail("no mutter"), WAYLAND_DISPLAY=name,
                          XAUTHORITY=glob.glob(f"{runtime}/.mutter-Xwaylandauth.*")[0])
    else:
        read, write = os.pipe()
        # Xvfb picks a free display itself and names it once it listens.
        servers = [spawn(["Xvfb", "-displayfd", str(write), "-screen", "0", f"1024x768x{depth}", "-nolisten", "tcp",
                          "-noreset"], pass_fds=(write,), stderr=sp.DEVNULL)]
        os.close(write)
        os.environ["DISPLAY"] = ":" + (os.read(read, 16).decode().strip() or fail("Xvfb did not start"))
        if kind == "weston":
            # Nested in the Xvfb, with an XWayland of its own that it names in its log.
            with open(f"{runtime}/log", "w", encoding="utf-8") as log:
                servers.append(spawn(["weston", "--backend=x11-backend.so", "--use-pixman", "--xwayland", "--width=1024",
                                      "--height=768", f"--socket=lemzor-{os.getpid()}"], stdout=log, stderr=sp.STDOUT))
            display = wait_for(lambda: re.search(r"listening on display (:\d+)", open(f"{runtime}/log").read()), 30)
            os.environ["DISPLAY"] = display[1] if display else fail("no weston")
        else:
            servers.append(spawn(["openbox", "--sm-disable", *options] if kind == "openbox" else [kind], stdout=sp.DEVNULL,
                                 stderr=sp.DEVNULL))
    # A window manager announces itself before it manages windows; active-window support comes last.
    wait_for(lambda: "_NET_ACTIVE_WINDOW" in out("xprop", "-root", "_NET_SUPPORTED"), 30) or fail(f"no {kind}")
    time.sleep(0.2)
    return servers


def window(title):
    """The game's own window of that title: some window managers put the title on their frame windows too."""
    def found():
        return [win for win in out("xdotool", "search", "--onlyvisible", "--name", f"^{title}$").split()
                if "lemzor" in out("xprop", "-id", win, "WM_CLASS").lower()]
    return (wait_for(found) or [""])[0]


def dismiss_box():
    box = window("Автор") or fail("no credit box")
    # Its own button on the taskbar, as a window that nothing owns (Wine keeps an owned one off the taskbar).
    if "SKIP_TASKBAR" in out("xprop", "-id", box, "_NET_WM_STATE") or "window id" in out("xprop", "-id", box,
                                                                                           "WM_TRANSIENT_FOR"):
        fail(f"the credit box is kept off the taskbar: {out('xprop', '-id', box, '_NET_WM_STATE', 'WM_TRANSIENT_FOR')}")
    run("xdotool", "windowactivate", "--sync", box)
    # Weston does not say which window is active: the key waits for the box to have the focus.
    wait_for(lambda: out("xdotool", "getwindowfocus").strip() == box) or fail("the credit box got no focus")
    run("xdotool", "key", "Return")
    if not wait_for(lambda: box not in out("xdotool", "search", "--onlyvisible", "--name", "^Автор$").split(), 3):
        # Weston 16 gives the keys to a window that another client activated only once it is clicked, as a player
        # would: in its margin, away from the button.
        run("xdotool", "mousemove", "--window", box, "4", "4", "click", "1", "key", "Return")
    return window("Лемзор") or fail("no window after the credit box")


def geometry(win, keys=("X", "Y", "Width", "Height")):
    """The client area's left, top, width and height on the screen, and the frame's left, right, top, bottom."""
    info = out("xwininfo", "-id", win)
    return [int(re.search(rf"{key}: +(-?\d+)", info)[1]) for key in keys], \
        [int(n) for n in re.findall(r"\d+", out("xprop", "-id", win, "_NET_FRAME_EXTENTS").partition("=")[2])]


def totals(win):
    """The totals on the screen, as read by OCR."""
    run("import", "-window", win, f"{WORK.name}/shot.png")
    run("convert", f"{WORK.name}/shot.png", "-crop", "240x48+0+0", "-scale", "300%", f"{WORK.name}/score.png")
    return [int(n) for n in re.findall(r"\d+", out("tesseract", f"{WORK.name}/score.png", "-", "-l", "rus", "--psm", "6"))]


def frame_window(win):
    return re.search(r"Parent window id: (\S+)", out("xwininfo", "-tree", "-id", win))[1]


def tree_frame(win):
    """The frame as the window tree shows it, where the manager announces none."""
    left, top, width, height = geometry(win, ("Relative upper-left X", "Relative upper-left Y", "Width", "Height"))[0]
    outer = geometry(frame_window(win))[0]
    return [left, outer[2] - width - left, top, outer[3] - height - top]


def screenshot(win, crop="100%"):
    """Pixels of the client area, or a crop, neither pure red nor green: how many, and their large areas."""
    run("import", "-window", win, f"{WORK.name}/shot.png")
    listing = out("convert", f"{WORK.name}/shot.png", "-crop", crop, "-fill", "black", "-opaque", RED, "-opaque", GREEN,
                  "-fill", "white", "+opaque", "black", "-format", "%[fx:mean*w*h]\n", "-write", "info:", "-define",
                  "connected-components:verbose=true", "-connected-components", "8", "null:")
    areas = re.findall(r"(\d+)x(\d+)\+(\d+)\+(\d+) \S+ (\d+) srgb\(255,255,255\)", listing)
    return int(listing.split()[0]), sorted((int(x), int(y), int(w), int(h)) for w, h, x, y, size in areas
                                           if int(size) > 3000)


def text_under_windows(win):
    """Pixels of text in the score's corner: before, then after a window over the far corner, over half the text and
    over all of it."""
    ink, (left, top) = [screenshot(win, "160x32+0+0")[0]], geometry(win)[0][:2]
    for x, y, size in (300, 190, "60x30"), (40, 0, "200x40"), (0, 0, "170x40"):
        out("timeout", "0.5", "xmessage", "-geometry", f"{size}+{left + x}+{top + y}", "x")
        ink.append(time.sleep(0.3) or screenshot(win, "160x32+0+0")[0])
    return ink


def check_places(win, what, frame=None, dpi=96):
    """After a guess: both buttons whole, 500 twips in from the outer edges, or flush with the client area's."""
    (screen_x, screen_y, width, height), announced = geometry(win)
    left, right, top, bottom = frame or announced or tree_frame(win)
    twips = 1440 / dpi
    y = round((min((height + top + bottom) * twips - 500, height * twips) - 735) / twips)
    size = round(2175 / twips), round(735 / twips)
    want = [(round(500 / twips), y, *size),
            (round((min((width + left + right) * twips - 500, width * twips) - 2175) / twips), y, *size)]
    # Weston puts a window back from full screen 32 px further up and left each time; what is off the screen is not
    # in the screenshot.
    want = [(x + min(0, screen_x), y + min(0, screen_y), w, h) for x, y, w, h in want]
    run("xdotool", "mousemove", "--window", win, str(want[0][0] + 10), str(y + 10), "click", "1", "sleep", "0.2")
    # At a fractional density the toolkit's whole pixels, each one and a half of the screen's, round a frame's edges
    # and a button's: two of the screen's pixels at most.
    if len(found := screenshot(win)[1]) != 2 or \
            any(abs(a - b) > 2 * (dpi != 96) for place, seen in zip(want, found) for a, b in zip(place, seen)):
        fail(f"{what}: client {width}x{height}, frame {left, right, top, bottom}: buttons at {found}, not {want}")


def play(lemzor, kind):
    """A whole game: under openbox, which saves the screenshot for software centres; elsewhere traced by strace."""
    start_desktop(kind)
    home, trace = tempfile.mkdtemp(dir=WORK.name), f"{WORK.name}/trace"
    # Only what a desktop session hands a program; unknown arguments are ignored.
    env = {key: os.environ[key] for key in ("PATH", "DISPLAY", "XDG_RUNTIME_DIR", "XAUTHORITY") if key in os.environ}
    strace = ["strace", "-f", "-qq", "--seccomp-bpf", "-o", trace, "-e", "trace=%file,%network", "-e", "signal=none"]
    game = spawn(strace * (kind != "openbox") + [lemzor, "--frobnicate", "-x"], env=env | {"LANG": "C.UTF-8", "HOME": home})
    win = dismiss_box()
    # Docks match the window to its desktop entry by its class.
    entry = open(f"{BUILD}/resources/ru.lemzor.Lemzor.desktop", encoding="utf-8").read()
    if f'"{re.search("StartupWMClass=(.*)", entry)[1]}"' not in out("xprop", "-id", win, "WM_CLASS"):
        fail(f"the window's class {out('xprop', '-id', win, 'WM_CLASS')} is not the desktop entry's")
    if kind == "openbox":
        # Before any guess. The X server repeats a held key as the toolkit cannot always tell: a release and a press.
        keys(win, [0, 0])
    kind == "weston" or wait_for(lambda: geometry(win)[1]) or fail("no frame extents")
    check_places(win, "first display")
    if kind == "openbox":
        run("import", "-frame", "-window", win, f"{BUILD}/resources/screenshot.png")
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


def authenticating_bus(path):
    """A bus whose main loop hangs while its authentication is still served: it says OK to each client, then
    nothing, which no real daemon can be made to do."""
    server = socket.socket(socket.AF_UNIX)
    server.bind(path)
    server.listen()
    clients = []

    def serve():
        while True:
            try:
                client = server.accept()[0]
            except OSError:
                return
            clients.append(client)
            client.recv(256)
            client.sendall(b"OK " + b"0" * 32 + b"\r\n")
    threading.Thread(target=serve, daemon=True).start()
    return server


# A service that owns its name on a bus (argv 1, 2) and never answers one method (argv 3; or any): a launcher that
# gives the accessibility bus's address and never says whether accessibility is on; a registry that never takes the
# game in, which the toolkit asks without waiting, so the game plays on as a screen reader may yet find it.
SILENT_SERVICE = """
import sys
from gi.repository import Gio, GLib
bus = Gio.DBusConnection.new_for_address_sync(sys.argv[1], Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT |
                                              Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION)
call = Gio.DBusMessageType.METHOD_CALL
bus.add_filter(lambda connection, message, incoming: None if incoming and message.get_message_type() == call and
               sys.argv[3] in (message.get_member(), "*") else message)
node = Gio.DBusNodeInfo.new_for_xml("<node><interface name='org.a11y.Bus'><method name='GetAddress'>"
                                    "<arg type='s' direction='out'/></method></interface></node>")
bus.register_object("/org/a11y/bus", node.interfaces[0],
                    lambda *call: call[-1].return_value(GLib.Variant("(s)", ("",))), None, None)
Gio.bus_own_name_on_connection(bus, sys.argv[2], 0, None, None)
GLib.MainLoop().run()
"""


def owned(name, bus="--session"):
    return "true" in out("dbus-send", bus, "--print-reply", "--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
                         "org.freedesktop.DBus.NameHasOwner", f"string:{name}")


def verdict(what, status, said, want_status, line, raw=False):
    want = line if raw or not line else f"Лемзор: ошибка выполнения: {line}"
    if (status, said.strip()) != (want_status, want):
        fail(f"{what}: status {status}, «{said.strip()}»; want {want_status}, «{want}»")
    print(f"ok: {what}: status {status}, «{said.strip()}»")


def hostile(lemzor):
    """Starts and ends that could go wrong, each with its exit status and its one line of report, or none."""
    with open(f"{WORK.name}/fonts.conf", "w", encoding="utf-8") as fonts:
        fonts.write("<fontconfig/>")
    for key in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"):
        os.environ.pop(key, None)
    shell = lambda env: ["unshare", "-m", "sh", "-c", env.pop("SH") + ' && exec "$0"'] if "SH" in env else []  # noqa
    dpi = "xprop -root -f RESOURCE_MANAGER 8s -set RESOURCE_MANAGER 'Xft.dpi:\t1000000'"
    # No window: the screen's depth (0: no display server), the environment, arguments and shell, the report.
    tmp = tempfile.mkdtemp(dir=WORK.name)
    for what, depth, env, line in [
            ("DISPLAY unset", 0, {}, "не удалось открыть окно (переменная DISPLAY не задана)."),
            ("no display, no runtime directory", 0, {"XDG_RUNTIME_DIR": "", "TMPDIR": tmp},
             "не удалось открыть окно (переменная DISPLAY не задана)."),
            ("no server, a newline", 0, {"DISPLAY": ":9999\nЛемзор: всё хорошо"},
             "не удалось открыть окно (дисплей «:9999\\x0aЛемзор: всё хорошо» не отвечает)."),
            ("unknown platform", 0, {"QT_QPA_PLATFORM": "xcbfoo"}, "не удалось открыть окно (платформа «xcbfoo» недоступна)."),
            ("unknown platform by argument", 0, {"QT_QPA_PLATFORM": "offscreen", "ARGS": "-x -platform nonesuch"},
             "не удалось открыть окно (платформа «nonesuch» недоступна)."),
            ("few files", 0, {"SH": "ulimit -n 8"},
             "слишком жёсткие ограничения процесса (можно открыть не больше 8 файлов, а игре нужно 64)."),
            ("little memory", 0, {"SH": "ulimit -v 100000"},
             "недостаточно памяти (процессу разрешено 97 МиБ, а игре нужно 256 МиБ)."),
            ("8-bit colour", 8, {}, "не удалось открыть окно (экран показывает меньше 16 бит цвета)."),
            ("absurd density", 24, {"SH": dpi},
             "не удалось открыть окно (экран заявляет невероятную плотность точек на дюйм: 1000000)."),
            ("no font", 24, {"FONTCONFIG_FILE": fonts.name}, "не удалось открыть окно (нет шрифта с русскими буквами).")]:
        if depth:
            start_desktop(depth=depth)
        game = sp.run([*shell(env), lemzor, *env.pop("ARGS", "").split()], env=os.environ | {"LC_ALL": "C.UTF-8"} | env,
                      capture_output=True, text=True, timeout=30, check=False)
        verdict(what, game.returncode, game.stderr, 1, line)
    if os.listdir(tmp):
        fail(f"a start that failed without a runtime directory left {os.listdir(tmp)}")
    # A display that takes the connection and never answers holds the start up, as a desktop at logout may: a signal
    # still ends the game by that signal, and takes its private runtime directory with it.
    with socket.socket(socket.AF_UNIX) as mute:
        mute.bind("/tmp/.X11-unix/X4242")
        mute.listen()
        for sig in signal.SIGTERM, signal.SIGHUP, signal.SIGINT, signal.SIGQUIT, signal.SIGUSR1:
            game = spawn([lemzor], env=os.environ | {"DISPLAY": ":4242", "XDG_RUNTIME_DIR": "", "TMPDIR": tmp},
                         stderr=sp.DEVNULL)
            wait_for(lambda: os.listdir(tmp)) and time.sleep(0.5)
            game.send_signal(sig)
            if game.wait(10) != -sig or os.listdir(tmp) or glob.glob("/tmp/lemzor-*"):
                fail(f"{sig.name} while the start is held up: status {game.returncode}, left {os.listdir(tmp)}")
            print(f"ok: {sig.name} while the start is held up: status {game.returncode}, nothing left")
        # Left alone, the start is made anew without the desktop's services, then given up with the report.
        began = time.time()
        game = sp.run([lemzor], env=os.environ | {"DISPLAY": ":4242", "XDG_RUNTIME_DIR": "", "TMPDIR": tmp},
                      capture_output=True, text=True, timeout=30, check=False)
        verdict(f"a display that never answers, after {time.time() - began:.1f} s", game.returncode, game.stderr, 1,
                f"{ANEW}\nЛемзор: ошибка выполнения: не удалось открыть окно (дисплей «:4242» не отвечает).", raw=True)
        if os.listdir(tmp):
            fail(f"a start given up left {os.listdir(tmp)}")
    # A game under way: its standard error and set-up, what is done to it, and the status and report to come of it.
    close = lambda servers: run("wmctrl", "-i", "-c", dismiss_box())  # noqa: E731
    gone = lambda servers: dismiss_box() and [server.terminate() for server in servers]  # noqa: E731

    def read_at_leisure(servers):
        window("Автор") or fail("no credit box")
        time.sleep(6)
        win = dismiss_box()
        time.sleep(5)
        run("wmctrl", "-i", "-c", win)

    def frame_written(servers):
        win = dismiss_box()
        frame = wait_for(lambda: geometry(win)[1])
        for format_, values in ("32c", "0,0,2147483647,0"), ("32c", "4000000000,0,0,0"), ("8c", ",".join("9" * 16)):
            run("xprop", "-id", win, "-f", "_NET_FRAME_EXTENTS", format_, "-set", "_NET_FRAME_EXTENTS", values)
            check_places(win, f"frame {values} written by another client", frame)
        run("wmctrl", "-i", "-c", win)

    def manager_killed(servers):
        win = dismiss_box()
        servers[1].kill()
        time.sleep(0.5)
        check_places(win, "the window manager gone", [0, 0, 0, 0])
        run("xdotool", "windowclose", win)
    # A listener that takes connections and never answers, as a stopped bus does.
    mute_bus = socket.socket(socket.AF_UNIX)
    mute_bus.bind(f"{tmp}/mute-bus")
    mute_bus.listen()
    started, config = [], tempfile.mkdtemp(dir=WORK.name)

    def accessibility(part):
        """GNOME's accessibility bus, then its launcher (0) or the bus daemon it started (1) stopped."""
        launcher = spawn(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"], stderr=sp.DEVNULL)
        daemon = wait_for(lambda: "unix:" in out("xprop", "-root", "AT_SPI_BUS") and out("pgrep", "-P", str(launcher.pid)))
        os.kill([launcher.pid, int(daemon.split()[0])][part], signal.SIGSTOP)
        started[:] = [launcher]

    def daemon(args, ready, stopped=True, **options):
        """A real desktop daemon, once ready, stopped (SIGSTOP) where that is the case to show."""
        process = spawn(args, stdout=sp.PIPE, stderr=sp.DEVNULL, text=True, **options)
        wait_for(ready, 20) or fail(f"{args[0]} did not start")
        started.append(process)
        if stopped:
            process.send_signal(signal.SIGSTOP)
        return process

    def input_method(env, portal=False):
        """The real IBus, stopped at the address it writes for this display; or its portal on the session bus."""
        env["XDG_CONFIG_HOME"] = tempfile.mkdtemp(dir=WORK.name)

        def listening():
            """Its address file written, and its socket there: IBus 1.5.35 writes the file first."""
            written = glob.glob(f"{env['XDG_CONFIG_HOME']}/ibus/bus/*")
            found = written and re.search(r"IBUS_ADDRESS=unix:(path|abstract)=([^,\n]+)", open(written[0]).read())
            return found and (os.path.exists(found[2]) if found[1] == "path" else
                              f" @{found[2]}\n" in open("/proc/net/unix", encoding="utf-8").read())
        daemon(["ibus-daemon", "--panel=disable"], listening, not portal, env=os.environ | env)
        if portal:
            daemon(["/usr/libexec/ibus-portal"], lambda: owned("org.freedesktop.portal.IBus"), env=os.environ | env)

    def session_bus(stopped=True):
        """A real session bus daemon of its own, stopped where that is the case to show."""
        bus = daemon(["dbus-daemon", "--session", "--nofork", "--print-address"], lambda: True, False)
        address = bus.stdout.readline().strip()
        if stopped:
            bus.send_signal(signal.SIGSTOP)
        return address

    def silent(bus, name, method):
        daemon(["/usr/bin/python3", "-c", SILENT_SERVICE, bus, name, method], lambda: owned(name, f"--bus={bus}"),
               False)
        return bus

    def settings(dpi):
        """The desktop's XSETTINGS, as GNOME's settings daemon announces them; a hang-up rereads them."""
        with open(f"{config}/xsettings", "w", encoding="utf-8") as conf:
            # -1: the desktop's default.
            conf.write(f"Xft/DPI {dpi * 1024 if dpi > 0 else dpi}\n")
        if not started:
            with open(f"{config}/log", "w", encoding="utf-8") as log:
                started.append(spawn(["xsettingsd", "-c", f"{config}/xsettings"], stderr=log))
            wait_for(lambda: "Created window" in open(f"{config}/log", encoding="utf-8").read()) or fail("no xsettingsd")
        else:
            started[0].send_signal(signal.SIGHUP)

    def density_followed(servers):
        """A change of scaling in the desktop's settings: the window keeps its size in twips, the buttons at its
        bottom corners, and back."""
        win = dismiss_box()
        wait_for(lambda: geometry(win)[1])
        for dpi, size in (144, [570, 357]), (96, [380, 238]), (-1, [380, 238]):
            settings(dpi)
            if not wait_for(lambda: all(abs(a - b) <= 1 for a, b in zip(geometry(win)[0][2:], size)), 5):
                fail(f"at {dpi} DPI announced mid-game the client area is {geometry(win)[0][2:]}, not {size}")
            time.sleep(0.3)
            check_places(win, f"{dpi} DPI announced mid-game", dpi=max(dpi, 96))
        run("wmctrl", "-i", "-c", win)
        stop(started.pop())

    def density_changed(servers):
        dismiss_box()
        settings(2000000)
        game.wait(10)
        stop(started.pop())

    def stuck_service(servers):
        box = window("Автор") or fail("no credit box within 10 s")
        if (took := time.time() - began) > 5:
            fail(f"the credit box after {took:.2f} s")
        print(f"  the credit box after {took:.2f} s")
        run("xdotool", "windowactivate", "--sync", box)
        close(servers)
        # The launcher and its bus go on, then go: a stopped process does not take SIGTERM.
        for launcher in started:
            sp.run(["pkill", "-CONT", "-P", str(launcher.pid)], check=False)
            launcher.send_signal(signal.SIGCONT)
            stop(launcher)
        started.clear()
    without_bus = "Лемзор: шина сеанса D-Bus не отвечает, игра идёт без неё (без программ экранного доступа)."
    without_accessibility = "Лемзор: служба специальных возможностей не отвечает, игра идёт без неё (без программ " \
        "экранного доступа)."
    without_input = "Лемзор: метод ввода IBus не отвечает, игра идёт без него."
    hung_bus = authenticating_bus(f"{tmp}/hung-bus")
    for what, stderr, env, act, status, line in [
            ("SIGTERM at the window", "file", {}, lambda servers: dismiss_box() and game.terminate(), -15, ""),
            ("window destroyed from outside", "file", {}, lambda _: run("xdotool", "windowclose", dismiss_box()), 0, ""),
            # The last guard on the start leaves the player all the time to read the box, and is gone with it.
            ("the credit box read for six seconds, the window left for five", "file", {}, read_at_leisure, 0, ""),
            ("a stack limit of 24 KiB", "file", {"SH": "ulimit -S -s 24"}, close, 0, ""),
            ("no runtime directory", "file", {"XDG_RUNTIME_DIR": "", "TMPDIR": tmp}, close, 0, ""),
            ("no runtime directory, TMPDIR missing", "file", {"XDG_RUNTIME_DIR": "", "TMPDIR": "/nonexistent/dir"},
             close, 0, ""),
            ("no runtime directory, TMPDIR full", "file", {"XDG_RUNTIME_DIR": "", "SH": "mount -t tmpfs -o nr_inodes=1 "
             "none /mnt && export TMPDIR=/mnt"}, close, 0, ""),
            ("standard error closed, no /dev/null", "closed", {"SH": "mount -t tmpfs none /dev"}, close, 0, ""),
            ("standard error unread, and a warning", "unread", {"QT_STYLE_OVERRIDE": "nonesuch"}, close, 0, ""),
            ("a session bus stopped", "file", {"PREPARE": lambda env: env.update(
                DBUS_SESSION_BUS_ADDRESS=session_bus())}, stuck_service, 0, without_bus),
            ("a session bus of two addresses, the first gone, the second never answering", "file",
             {"DBUS_SESSION_BUS_ADDRESS": f"unix:path={tmp}/gone;unix:path={tmp}/mute-bus"}, stuck_service, 0,
             without_bus),
            ("a GTK theme and a session bus that authenticates, then never answers", "file",
             {"QT_QPA_PLATFORMTHEME": "gtk3", "DBUS_SESSION_BUS_ADDRESS": f"unix:path={tmp}/hung-bus"}, stuck_service,
             0, without_bus),
            ("an accessibility bus that authenticates, then never answers", "file",
             {"AT_SPI_BUS_ADDRESS": f"unix:path={tmp}/hung-bus"}, stuck_service, 0, without_accessibility),
            ("an accessibility bus named on the root window that never answers", "file", {"PREPARE": lambda env: run(
                "xprop", "-root", "-f", "AT_SPI_BUS", "8s", "-set", "AT_SPI_BUS", f"unix:path={tmp}/mute-bus")},
             stuck_service, 0, without_accessibility),
            ("a launcher that never says whether accessibility is on", "file", {"PREPARE": lambda env: silent(
                os.environ["DBUS_SESSION_BUS_ADDRESS"], "org.a11y.Bus", "Get")}, stuck_service, 0, without_accessibility),
            ("an accessibility registry that never takes the game in", "file", {"PREPARE": lambda env: env.update(
                AT_SPI_BUS_ADDRESS=silent(session_bus(stopped=False), "org.a11y.atspi.Registry", "*"))}, stuck_service, 0,
             ""),
            ("the desktop portal stopped", "file", {"PREPARE": lambda env: daemon(
                ["/usr/libexec/xdg-desktop-portal"], lambda: owned("org.freedesktop.portal.Desktop"))}, stuck_service, 0,
             ""),
            ("the accessibility launcher stopped", "file", {"PREPARE": lambda env: accessibility(0)}, stuck_service, 0,
             without_accessibility),
            ("the accessibility bus stopped, a GTK theme", "file", {"PREPARE": lambda env: accessibility(1),
             "QT_QPA_PLATFORMTHEME": "gtk3"}, stuck_service, 0,
             without_accessibility),
            ("IBus stopped", "file", {"QT_IM_MODULE": "ibus", "PREPARE": input_method}, stuck_service,
             0, without_input),
            ("the IBus portal stopped", "file", {"QT_IM_MODULE": "ibus", "IBUS_USE_PORTAL": "1",
             "PREPARE": lambda env: input_method(env, portal=True)}, stuck_service, 0, without_input),
            ("a warning after start-up", "file", {"QT_QPA_PLATFORM": "offscreen"}, lambda _: time.sleep(1) or
             game.kill(), -9, "This plugin does not support propagateSizeHints()"),
            ("a change of scaling mid-game", "file", {"PREPARE": lambda env: settings(96)}, density_followed, 0, ""),
            ("a density beyond belief announced mid-game", "file", {"PREPARE": lambda env: settings(96)}, density_changed, 1,
             "Лемзор: ошибка выполнения: экран стал непригоден для игры (экран заявляет невероятную плотность точек на "
             "дюйм: 2000000)."),
            ("frames written by another client", "file", {}, frame_written, 0, ""),
            ("the window manager killed", "file", {}, manager_killed, 0, ""),
            ("the X server going away", "file", {}, gone, 1, "Лемзор: ошибка выполнения: связь с дисплеем потеряна."),
            ("the X server going away, standard error closed", "closed", {}, gone, 1, "")]:
        servers, (read, write) = start_desktop(), os.pipe()
        os.close(read)
        with open(f"{WORK.name}/stderr", "w+", encoding="utf-8") as report:
            streams = {"file": {"stderr": report}, "unread": {"stderr": write},
                       "closed": {"preexec_fn": lambda: os.close(2)}}
            env.pop("PREPARE", lambda env: None)(env)
            began = time.time()
            game = spawn([*shell(env), lemzor], env=os.environ | env, **streams[stderr])
            os.close(write)
            act(servers)
            game.wait(30)
            verdict(what, game.returncode, report.seek(0) or report.read(), status, line, raw=True)
    for server in mute_bus, hung_bus:
        name = server.getsockname()
        server.close()
        os.unlink(name)
    if os.listdir(tmp) or glob.glob("/tmp/lemzor-*"):
        fail(f"with no runtime directory the game left {os.listdir(tmp)} {glob.glob('/tmp/lemzor-*')}")


def keys(win, score, focused=None):
    """One guess a key press, however long the key is held; and, where the focused button can be read from outside
    (focused), the arrows move the focus as Tab and Shift+Tab do. Without it the focus is on «Зелёный»."""
    for key in "space", "Return":
        named = {"Зелёный": GREEN, "Красный": RED}[focused() if focused else "Зелёный"]
        run("xdotool", "keydown", key, "sleep", "1.2", "keyup", key)
        time.sleep(0.3)
        score[out("convert", f"x:{win}", "-format", "%[pixel:p{300,100}]", "info:") != named] += 1
        if totals(win) != score:
            fail(f"{key} held for 1.2 s: totals {totals(win)}, not {score}")
    # Pressed again once released, a key guesses again.
    run("xdotool", "key", "--delay", "150", "space", "space")
    if not wait_for(lambda: sum(totals(win)) == sum(score) + 2, 3):
        fail(f"two taps of Space after {score}: totals {totals(win)}")
    score[:] = totals(win)
    print(f"ok: keys held, one guess each; two taps, two guesses: {score}")
    if not focused:
        return
    for key, want in ("Left", "Зелёный"), ("Down", "Красный"), ("Up", "Зелёный"), ("Right", "Красный"):
        run("xdotool", "key", key)
        if not wait_for(lambda: focused() == want, 3):
            fail(f"after {key} the focus is on «{focused()}», not «{want}»")
        print(f"ok: {key}: the focus on «{want}»")


def overlap(win, buttons, focused):
    """Where the buttons overlap, the one drawn on top, «Красный», takes the click."""
    (x0, y0, w0, h0), (x1, y1, w1, h1) = buttons
    left, right, top, bottom = max(x0, x1), min(x0 + w0, x1 + w1), max(y0, y1), min(y0 + h0, y1 + h1)
    if left >= right or top >= bottom:
        fail(f"the buttons at {buttons} do not overlap")
    run("xdotool", "key", "shift+Tab")
    run("xdotool", "mousemove", "--window", win, str((left + right) // 2), str((top + bottom) // 2), "click", "1")
    if not wait_for(lambda: focused() == "Красный", 3):
        fail(f"a click where the buttons overlap pressed «{focused()}»")
    print("ok: where the buttons overlap, «Красный» on top takes the click")


def windows(exe):
    """The Windows program under Wine, in Xvfb under openbox, as a player meets it: the credit box first, the colours
    and the totals on the screen after presses by mouse and keyboard, the buttons where the outer size that Windows
    reports puts them, at 96 and 144 DPI, text lost only where uncovered, close with status 0; and a failure shown
    in one line in a box, then status 1. Wine draws the controls inside its X windows: a probe of our own, run under
    the same Wine, reads their places."""
    wine = "/usr/lib/wine/wine64"
    if not os.path.exists(wine):
        print("SKIP: this Debian release has no Wine, so the Windows program is not played here")
        sys.exit(SKIPPED)
    start_desktop()
    probe = f"{os.path.dirname(os.path.dirname(exe))}/tests/winprobe.exe"
    os.environ.update(WINEPREFIX=f"{WORK.name}/wine", WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
    server = "/usr/lib/wine/wineserver64"
    atexit.register(lambda: sp.run([server, "-k"], check=False) and sp.run([server, "-w"], check=False))
    run(wine, "wineboot", "-i")

    def layout(what, dpi=96):
        """The controls' places as the probe reads them, and as the outer size that Windows reports puts them."""
        outer_w, outer_h, width, height, *rest = map(int, out(wine, probe, "window", "Лемзор").split())
        twips = 1440 / dpi
        top = round((min(outer_h * twips - 500, height * twips) - 735) / twips)
        size = round(2175 / twips), round(735 / twips)
        want = [(round(500 / twips), top, *size), (round((min(outer_w * twips - 500, width * twips) - 2175) / twips),
                                                   top, *size)]
        found = [tuple(rest[i:i + 4]) for i in range(3, len(rest), 4)]
        if any(abs(a - b) > 1 for place, found_place in zip(want, found) for a, b in zip(place, found_place)) or \
                len(found) != 2:
            fail(f"{what}: outer {outer_w}x{outer_h}, client {width}x{height} at {dpi} DPI: buttons at {found}, "
                 f"not {want}")
        return found, rest[:3]

    def density(dpi):
        """Wine 10 reads the screen's density as its server starts: the server is stopped after the change."""
        run(wine, "reg", "add", r"HKCU\Control Panel\Desktop", "/v", "LogPixels", "/t", "REG_DWORD", "/d", str(dpi),
            "/f")
        run(server, "-k")
        run(server, "-w")

    def start(dpi, log=sp.DEVNULL):
        density(dpi)
        return spawn([wine, exe], stdout=sp.DEVNULL, stderr=log)

    # Wine 10 takes UI Automation's notification and logs it, without passing it on; Wine 8 has none.
    os.environ["WINEDEBUG"] = "-all,fixme+uiautomation"
    log = open(f"{WORK.name}/wine.log", "w+", encoding="utf-8", errors="replace")  # pylint: disable=R1732
    game = start(96, log)
    os.environ["WINEDEBUG"] = "-all"
    window("Автор") or fail("no credit box")
    if out("xdotool", "search", "--onlyvisible", "--name", "^Лемзор$"):
        fail("the window is on the screen before the credit box is dismissed")
    if "Игру «Лемзор» написала команда Лемзора в 2026 году." not in out(wine, probe, "text", "Автор"):
        fail(f"the credit box says {out(wine, probe, 'text', 'Автор')}")
    win = dismiss_box()
    if geometry(win)[0][2:] != [380, 238]:
        fail(f"client area {geometry(win)[0][2:]}, not 380x238 at 96 DPI")
    buttons, face = layout("first display")
    before = out("convert", f"x:{win}", "-format", "%[pixel:p{300,100}]", "info:")
    if before != f"srgb({','.join(map(str, face))})":
        fail(f"before a guess the window is {before}, not the button face colour {face}")
    # Each press: the colour on the screen, and the totals read from it, right where it names that colour.
    score = [0, 0]
    centre = [f"{x + w // 2} {y + h // 2}".split() for x, y, w, h in buttons]
    for what, named, act in [("a click on Зелёный", GREEN, ["mousemove", "--window", win, *centre[0], "click", "1"]),
                             ("a click on Красный", RED, ["mousemove", "--window", win, *centre[1], "click", "1"]),
                             # The focus stays on the button pressed.
                             ("Space on the focused Красный", RED, ["key", "space"]),
                             ("Shift+Tab, then Return on Зелёный", GREEN, ["key", "shift+Tab", "key", "Return"]),
                             ("Tab, then keypad Enter on Красный", RED, ["key", "Tab", "key", "KP_Enter"]),
                             ("Space on Красный again", RED, ["key", "space"])]:
        run("xdotool", *act)
        time.sleep(0.3)
        colour = out("convert", f"x:{win}", "-format", "%[pixel:p{300,100}]", "info:")
        score[colour != named] += 1
        if colour not in (RED, GREEN) or totals(win) != score:
            fail(f"after {what}, with {colour} on the screen: totals {totals(win)}, not {score}")
        print(f"ok: {what}: {colour}, {score}")
    # What screen readers read through Active Accessibility: both buttons by name, and the totals in the status bar,
    # which is drawn nowhere. Wine 8 gives every control the role of a plain client area.
    read = {name: role for role, _, name in
            (line.partition("|") for line in out(wine, probe, "msaa", "Лемзор").splitlines())}
    want = {"Зелёный": ("push button", "client"), "Красный": ("push button", "client"),
            f"Угадано: {score[0]}. Промахов: {score[1]}.": ("status bar", "client")}
    if any(read.get(name) not in roles for name, roles in want.items()):
        fail(f"screen readers find {read}, not {want}")
    print(f"ok: screen readers find {read}")
    # Each guess notified once, with its sentence, as the stub logs it: letters beyond ASCII as \041a.
    notified = [line for line in log.seek(0) or log.read().splitlines() if "UiaRaiseNotificationEvent" in line]
    escaped = "".join(c if c.isascii() else f"\\{ord(c):04x}" for c in f"Угадано: {score[0]}. Промахов: {score[1]}.")
    if "wine-8" not in out(wine, "--version") and (len(notified) != sum(score) or escaped not in notified[-1]):
        fail(f"{sum(score)} guesses notified as {notified}")
    print(f"ok: {len(notified)} notifications for {sum(score)} guesses")
    keys(win, score, lambda: out(wine, probe, "focus", "Лемзор").strip())
    # Text is lost only where Windows repaints: not under a window over the far corner; under one over half the text,
    # that half, where Wine repaints what was covered (Wine 10), or none, where it keeps the pixels as a compositor
    # does (Wine 8). A new size repaints the whole window.
    ink = text_under_windows(win)
    # Away from the screen's corner, where the outer size is its right and bottom edges.
    run("xdotool", "windowmove", "--sync", win, "150", "90")
    for size in ("520", "330"), ("400", "200"), ("200", "120"):
        run("xdotool", "windowsize", "--sync", win, *size)
        time.sleep(0.3)
        ink.append(screenshot(win, "160x32+0+0")[0])
        layout(f"resized to {'x'.join(size)}")
    if not (ink[0] == ink[1] > 0 and (ink[2] == ink[3] == ink[0] or 0 < ink[2] < ink[0] and ink[3] == 0)) or \
            any(ink[4:]):
        fail(f"pixels of text before and after windows over the far corner, half the text, all of it, then after "
             f"each resize: {ink}")
    overlap(win, layout("overlapping")[0], lambda: out(wine, probe, "focus", "Лемзор").strip())
    run("wmctrl", "-i", "-c", win)
    if game.wait(10) != 0:
        fail(f"closing the window ended the game with status {game.returncode}")

    game = start(144)
    win = dismiss_box()
    if geometry(win)[0][2:] != [570, 357]:
        fail(f"client area {geometry(win)[0][2:]}, not 570x357 at 144 DPI")
    layout("first display at 144 DPI", 144)
    # A density beyond belief announced while the game runs: the same bounds as at the start.
    run(wine, probe, "density", "Лемзор", "2000")
    report = wait_for(lambda: "непригоден" in out(wine, probe, "text", "Лемзор") and out(wine, probe, "text", "Лемзор"))
    want = "Лемзор: ошибка выполнения: экран стал непригоден для игры (экран заявляет невероятную плотность точек на " \
        "дюйм: 2000)."
    if want not in (report or ""):
        fail(f"at 2000 DPI announced mid-game the game reported «{report}»")
    box = [other for other in out("xdotool", "search", "--onlyvisible", "--name", "^Лемзор$").split() if other != win]
    run("xdotool", "windowactivate", "--sync", box[0], "key", "Return")
    if game.wait(10) != 1:
        fail(f"after its report of a density announced mid-game the game ended with status {game.returncode}")
    print(f"ok: 2000 DPI announced mid-game: «{want}», status 1")

    game = start(2000)
    report = window("Лемзор") and out(wine, probe, "text", "Лемзор")
    want = "Лемзор: ошибка выполнения: не удалось открыть окно (экран заявляет невероятную плотность точек на дюйм: 2000)."
    if want not in report:
        fail(f"at 2000 DPI the game reported «{report}»")
    run("xdotool", "windowactivate", "--sync", window("Лемзор"), "key", "Return")
    if game.wait(10) != 1:
        fail(f"after its report the game ended with status {game.returncode}")
    print(f"ok: at 2000 DPI: «{want}», status 1")

    # The installer, silent and twice, the second over the first: the program, one Start menu entry and an entry among
    # the installed programs; the installed game plays; the uninstaller, silent, takes all of it away.
    density(96)
    installer = glob.glob(f"{os.path.dirname(os.path.dirname(exe))}/lemzor-*-windows-x86_64.exe")[0]
    drive, key = f"{os.environ['WINEPREFIX']}/drive_c", r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Lemzor"
    folder = f"{drive}/Program Files/Lemzor"
    menu = f"{drive}/ProgramData/Microsoft/Windows/Start Menu/Programs"

    def exported(name):
        """A registry key as Windows exports it (UTF-16); empty where there is none."""
        if sp.run([wine, "reg", "export", name, f"Z:{WORK.name}/entry.reg", "/y"], capture_output=True).returncode:
            return ""
        with open(f"{WORK.name}/entry.reg", encoding="utf-16") as text:
            return text.read()
    for _ in range(2):
        run(wine, installer, "/S")
    entry = exported(key)
    want = ['"DisplayName"="Лемзор"', '"DisplayVersion"="1.00"', r'"DisplayIcon"="C:\\Program Files\\Lemzor\\lemzor.exe"',
            r'"InstallLocation"="C:\\Program Files\\Lemzor"',
            r'"QuietUninstallString"="\"C:\\Program Files\\Lemzor\\Uninstall.exe\" /S"', '"EstimatedSize"=dword:']
    if not all(line in entry for line in want) or "example.org" in entry or \
            [name for name in os.listdir(menu) if "емзор" in name or "emzor" in name] != ["Лемзор.lnk"]:
        fail(f"installed: {os.listdir(folder)}, the menu {os.listdir(menu)}, the entry {entry}")
    game = spawn([wine, f"{folder}/lemzor.exe"], stdout=sp.DEVNULL, stderr=sp.DEVNULL)
    run("wmctrl", "-i", "-c", dismiss_box())
    if game.wait(10) != 0:
        fail(f"the installed game ended with status {game.returncode}")
    run(wine, f"{folder}/Uninstall.exe", "/S")
    # The uninstaller goes on from a copy of itself.
    ours = lambda: [f for f in (folder, f"{menu}/Лемзор.lnk") if os.path.exists(f)] + [  # noqa: E731
        name for name in (key, r"HKLM\Software\Lemzor developers", r"HKCU\Software\Lemzor developers") if exported(name)]
    if not wait_for(lambda: not ours(), 30):
        fail(f"after the uninstaller: {ours()}")
    print("ok: installed twice, one Start menu entry, the entry with size, place and quiet uninstall; uninstalled, "
          "nothing of ours left")


def wayland(test_window):
    start_desktop("mutter")
    sys.exit(sp.run([test_window], env=os.environ | {"QT_QPA_PLATFORM": "wayland", "LEMZOR_STORM_PRESSES": "300"},
                    check=False).returncode)


def leftovers():
    """Pid 1 of the namespace: every other process in it was started by the scenario."""
    while True:
        try:
            if os.waitpid(-1, os.WNOHANG)[0] == 0:
                break
        except ChildProcessError:
            break
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as cmdline:
                found += [f"{pid}: " + cmdline.read().replace(b"\0", b" ").decode(errors="replace").strip()]
        except OSError:
            pass
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
    BUILD = os.path.dirname(os.path.dirname(program))
    {"hostile": hostile, "wayland": wayland, "orca": orca, "windows": windows, "storm": storm}.get(scenario, lambda program: play(program, scenario))(program)
