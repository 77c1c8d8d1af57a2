"""Plays the built game as a person would, on a desktop of its own, and checks every step.
driver.py SCENARIO PROGRAM; the scenarios: openbox and mutter (a whole game on that desktop, traced by
strace), screen_reader (through AT-SPI), hostile (starts and ends that could go wrong) and wayland
(runs the window test given as PROGRAM as a native Wayland client of mutter)."""
import atexit
import glob
import os
import re
import shutil
import signal
import subprocess as sp
import sys
import tempfile
import time

RED, GREEN = "srgb(255,0,0)", "srgb(0,255,0)"
REPORT = "Лемзор: ошибка выполнения: "
WORK = tempfile.mkdtemp()
atexit.register(shutil.rmtree, WORK, ignore_errors=True)


def fail(message):
    sys.exit(f"FAIL: {message}")


def wait_for(check, seconds=10.0):
    end = time.time() + seconds
    while time.time() < end:
        if found := check():
            return found
        time.sleep(0.02)
    return None


def out(*args):
    return sp.run(args, capture_output=True, text=True, check=False).stdout


def spawn(args, **options):
    """A process that is stopped when the driver ends, the last started first."""
    process = sp.Popen(args, stdin=sp.DEVNULL, **options)
    atexit.register(lambda: process.poll() is None and (process.kill(), process.wait()))
    return process


def start_desktop(kind="openbox", depth=24):
    """Xvfb under openbox, or GNOME's mutter headless with its XWayland; returns what serves the display."""
    for name in ("QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "XAUTHORITY"):
        os.environ.pop(name, None)
    os.environ["XDG_RUNTIME_DIR"] = tempfile.mkdtemp(dir=WORK)
    if kind == "mutter":
        log, pid = os.path.join(WORK, "mutter.log"), os.path.join(WORK, "mutter.pid")
        # On a session bus of its own; stopping the bus would leave mutter running, so mutter is stopped.
        spawn(["dbus-run-session", "--", "sh", "-c", f"echo $$ >{pid}; exec mutter --wayland --headless "
               "--virtual-monitor 1024x768 --wayland-display=lemzor"], stdout=open(log, "w"), stderr=sp.STDOUT)
        display = wait_for(lambda: re.search(r"public X11 display (:\d+)", open(log, encoding="utf-8").read()), 30)
        atexit.register(lambda: os.kill(int(open(pid, encoding="utf-8").read()), signal.SIGTERM))
        os.environ.update(DISPLAY=display[1] if display else fail("no mutter"), WAYLAND_DISPLAY="lemzor",
                          XAUTHORITY=glob.glob(os.environ["XDG_RUNTIME_DIR"] + "/.mutter-Xwaylandauth.*")[0])
        servers = []
    else:
        read, write = os.pipe()
        # Xvfb picks a free display itself and names it once it listens.
        servers = [spawn(["Xvfb", "-displayfd", str(write), "-screen", "0", f"1024x768x{depth}", "-nolisten", "tcp",
                          "-noreset"], pass_fds=(write,), stderr=sp.DEVNULL)]
        os.close(write)
        os.environ["DISPLAY"] = ":" + (os.read(read, 16).decode().strip() or fail("Xvfb did not start"))
        servers.append(spawn(["openbox", "--sm-disable"], stdout=sp.DEVNULL, stderr=sp.DEVNULL))
    # A window manager announces itself before it manages windows; active-window support comes last.
    wait_for(lambda: "_NET_ACTIVE_WINDOW" in out("xprop", "-root", "_NET_SUPPORTED"), 30) or fail(f"no {kind}")
    time.sleep(0.2)
    return servers


def window(title, seconds=10.0):
    found = wait_for(lambda: out("xdotool", "search", "--onlyvisible", "--name", f"^{title}$").split(), seconds)
    return found[0] if found else None


def geometry(win):
    """The client area's width and height, and the frame's left, right, top and bottom."""
    info = out("xwininfo", "-id", win)
    extents = out("xprop", "-id", win, "_NET_FRAME_EXTENTS").partition("=")[2]
    return [int(re.search(rf"{key}: (\d+)", info)[1]) for key in ("Width", "Height")], \
        [int(n) for n in re.findall(r"\d+", extents)]


def pixel(win, x, y):
    path = os.path.join(WORK, "shot.png")
    sp.run(["import", "-window", win, path], check=True)
    return path if x is None else out("convert", path, "-format", f"%[pixel:p{{{x},{y}}}]", "info:")


def dismiss_box():
    box = window("Автор") or fail("no credit box")
    if window("Лемзор", 0.2):
        fail("the window came before the credit box was dismissed")
    sp.run(["xdotool", "windowactivate", "--sync", box, "key", "Return"], check=True)
    return window("Лемзор") or fail("no window after the credit box")


def check_places(win, what):
    """Both buttons whole, after a guess, 500 twips (15 a pixel) in from the outer edges, or flush with the
    client area's where the frame is thicker than that."""
    (width, height), (left, right, top, bottom) = geometry(win)
    y = round((min((height + top + bottom) * 15 - 500, height * 15) - 735) / 15)
    want = [(33, y, 145, 49), (round((min((width + left + right) * 15 - 500, width * 15) - 2175) / 15), y, 145, 49)]
    sp.run(["xdotool", "mousemove", "--window", win, "43", str(y + 10), "click", "1"], check=True)
    time.sleep(0.2)
    # The areas that are neither pure red nor pure green and large enough to be buttons.
    areas = out("convert", pixel(win, None, None), "-fill", "black", "-opaque", RED, "-opaque", GREEN, "-fill",
                "white", "+opaque", "black", "-define", "connected-components:verbose=true",
                "-connected-components", "8", "null:")
    found = sorted((int(x), int(y), int(w), int(h)) for w, h, x, y, size in
                   re.findall(r"(\d+)x(\d+)\+(\d+)\+(\d+) \S+ (\d+) srgb\(255,255,255\)", areas) if int(size) > 3000)
    print(f"{what}: client {width}x{height}, frame {left, right, top, bottom}: want {want}, found {found}")
    if len(found) != 2 or any(abs(f - w) > 1 for pair in zip(found, want) for f, w in zip(*pair)):
        fail(f"{what}: the buttons are not whole where they belong")


def ink(win):
    """The pixels of the text corner that are not background."""
    return int(out("convert", pixel(win, None, None), "-crop", "160x32+0+0", "-fill", "black", "-opaque", RED, "-opaque",
                   GREEN, "-fill", "white", "+opaque", "black", "-format", "%[fx:mean*w*h]", "info:"))


def cover(win, x, y, width, height):
    """Puts another window over part of the game's client area for a moment, then takes it away."""
    info = out("xwininfo", "-id", win)
    left, top = (int(re.search(rf"Absolute upper-left {axis}: +(-?\d+)", info)[1]) for axis in "XY")
    other = spawn(["xmessage", "-geometry", f"{width}x{height}+{left + x}+{top + y}", "Лемзор"], stderr=sp.DEVNULL)
    time.sleep(0.5)
    other.kill()
    time.sleep(0.3)


def play(lemzor, kind):
    start_desktop(kind)
    home, trace = tempfile.mkdtemp(dir=WORK), os.path.join(WORK, "trace")
    # Only what a desktop session hands a program; unknown arguments are ignored.
    env = {key: os.environ[key] for key in ("PATH", "DISPLAY", "XDG_RUNTIME_DIR", "XAUTHORITY") if key in os.environ}
    game = spawn(["strace", "-f", "-qq", "--seccomp-bpf", "-o", trace, "-e", "trace=%file,%network", "-e",
                  "signal=none", lemzor, "--frobnicate", "-x"], env=env | {"LANG": "C.UTF-8", "HOME": home})
    win = dismiss_box()
    if geometry(win)[0] != [380, 238] or pixel(win, 190, 60) in (RED, GREEN):
        fail(f"the window starts at {geometry(win)[0]} in {pixel(win, 190, 60)}")
    wait_for(lambda: geometry(win)[1]) or fail("no frame extents")
    check_places(win, "first display")
    # Text is lost only where the window system repaints; a compositor repaints nothing.
    seen = [ink(win)]
    for x, y, width, height in (300, 190, 60, 30), (40, 0, 200, 40), (0, 0, 170, 40):
        cover(win, x, y, width, height)
        seen.append(ink(win))
    if seen[1] != seen[0] or not 0 < seen[2] < seen[0] or seen[3] != 0 if kind == "openbox" else len(set(seen)) > 1:
        fail(f"pixels of text before and after a window over the far corner, half the text, all of it: {seen}")
    print(f"ok: pixels of text before and after a window over the far corner, half the text, all of it: {seen}")
    for size in ("520", "330"), ("400", "200"):
        sp.run(["xdotool", "windowsize", "--sync", win, *size], check=True)
        check_places(win, f"resized to {'x'.join(size)}")
    for trip in range(1, 4 if kind == "mutter" else 1):
        for change in "add", "remove":
            sp.run(["wmctrl", "-i", "-r", win, "-b", f"{change},fullscreen"], check=True)
            time.sleep(0.5)
        check_places(win, f"back from full screen, {trip}")
    sp.run(["wmctrl", "-i", "-c", win], check=True)
    if game.wait(10) != 0:
        fail(f"closing the window ended the game with status {game.returncode}")
    # Nothing created, written, renamed or removed; no connection but the display's.
    socket, calls = f"/tmp/.X11-unix/X{os.environ['DISPLAY'][1:]}", open(trace, encoding="utf-8").read().splitlines()
    changes = [call for call in calls if " = -1 " not in call and (
        re.search(r"O_WRONLY|O_RDWR|O_CREAT|O_TRUNC|^\d+ +(creat|mkdir|rename|unlink|rmdir|link|symlink|truncate|"
                  r"chmod|fchmodat|utimensat)", call) or ("connect(" in call and socket not in call))]
    if changes or os.listdir(home):
        fail(f"the game wrote or connected: {changes} {os.listdir(home)}")
    print(f"ok: status 0; {len(calls)} file and network calls, nothing written, one connection: {socket}")


def wayland(test_window):
    start_desktop("mutter")
    env = os.environ | {"QT_QPA_PLATFORM": "wayland", "LEMZOR_STORM_PRESSES": "300"}
    sys.exit(sp.run([test_window], env=env, check=False).returncode)


def verdict(what, status, stderr, want_status, want_line):
    if status != want_status or stderr.strip() != want_line:
        fail(f"{what}: status {status}, «{stderr.strip()}»; want {want_status}, «{want_line}»")
    print(f"ok: {what}: status {status}, «{stderr.strip()}»")


def hostile(lemzor):
    free = next(n for n in range(200, 500) if not os.path.exists(f"/tmp/.X11-unix/X{n}"))
    bare = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
    for what, args, env, line in [
            ("DISPLAY unset", [], {}, "(переменная DISPLAY не задана)."),
            (f"no server on :{free}", [], {"DISPLAY": f":{free}"}, f"(дисплей «:{free}» не отвечает)."),
            ("unknown platform", [], {"QT_QPA_PLATFORM": "nonesuch"}, "(платформа «nonesuch» недоступна)."),
            ("unknown platform by argument", ["-x", "-platform", "nonesuch"], {"QT_QPA_PLATFORM": "offscreen"},
             "(платформа «nonesuch» недоступна).")]:
        game = sp.run([lemzor, *args], env=bare | {"LC_ALL": "C.UTF-8"} | env, capture_output=True, text=True,
                      timeout=30, stdin=sp.DEVNULL, check=False)
        verdict(what, game.returncode, game.stderr, 1, f"{REPORT}не удалось открыть окно {line}")
    fonts = os.path.join(WORK, "fonts.conf")
    with open(fonts, "w", encoding="utf-8") as conf:
        conf.write("<fontconfig/>")
    close = lambda game, win, servers: sp.run(["wmctrl", "-i", "-c", win])  # noqa
    stop = lambda game, win, servers: game.terminate()  # noqa
    gone = lambda game, win, servers: [server.kill() for server in servers]  # noqa
    lost = REPORT + "связь с дисплеем потеряна."
    # What it is, how standard error is set up, the screen's depth and the environment, where the game is
    # when something happens to it, what happens, and the status and line of report that must come of it.
    for what, stderr, depth, env, at, act, status, line in [
            ("SIGTERM at the credit box", "file", 24, {}, "box", stop, -signal.SIGTERM, ""),
            ("SIGTERM at the window", "file", 24, {}, "window", stop, -signal.SIGTERM, ""),
            ("the window destroyed from outside", "file", 24, {}, "window",
             lambda game, win, servers: sp.run(["xdotool", "windowclose", win]), 0, ""),
            ("standard error closed", "closed", 24, {}, "window", close, 0, None),
            ("standard error a pipe nobody reads, and a warning", "broken", 24, {"XDG_RUNTIME_DIR": ""}, "window",
             close, 0, None),
            ("the X server going away", "file", 24, {}, "window", gone, 1, lost),
            ("the X server going away, standard error closed", "closed", 24, {}, "window", gone, 1, None),
            ("a screen of 8-bit colour", "file", 8, {}, None, None, 1, REPORT + "не удалось открыть окно "
             "(экран показывает меньше 16 бит цвета)."),
            ("no font with Russian letters", "file", 24, {"FONTCONFIG_FILE": fonts}, None, None, 1,
             REPORT + "не удалось открыть окно (нет шрифта с русскими буквами).")]:
        servers = start_desktop(depth=depth)
        read, write = os.pipe()
        os.close(read)
        with open(os.path.join(WORK, "stderr"), "w+", encoding="utf-8") as report:
            streams = {"file": {"stderr": report}, "broken": {"stderr": write},
                       "closed": {"preexec_fn": lambda: os.close(2)}}[stderr]
            game = spawn([lemzor], env=os.environ | env, **streams)
            os.close(write)
            if at:
                act(game, window("Автор") if at == "box" else dismiss_box(), servers)
            game.wait(10)
            report.seek(0)
            verdict(what, game.returncode, report.read() if line is not None else "", status, line or "")


def screen_reader(lemzor):
    """A screen reader's game: the alert, the buttons by name, the colour and both totals after each press."""
    if "LEMZOR_SESSION_BUS" not in os.environ:
        os.environ["LEMZOR_SESSION_BUS"] = "1"
        os.execvp("dbus-run-session", ["dbus-run-session", "--", sys.executable, *sys.argv])
    import gi  # pylint: disable=import-outside-toplevel
    gi.require_version("Atspi", "2.0")
    from gi.repository import Atspi, GLib  # pylint: disable=import-outside-toplevel
    start_desktop()
    # What a screen reader sets as it starts; toolkits then switch their bridge on.
    wait_for(lambda: not sp.run(["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
                                 "org.freedesktop.DBus.Properties.Set", "string:org.a11y.Status",
                                 "string:ScreenReaderEnabled", "variant:boolean:true"], capture_output=True,
                                check=False).returncode) or fail("no accessibility bus")
    said = []
    listener = Atspi.EventListener.new(lambda e: e.source.get_name() == "Лемзор" and said.append(e.source.get_description()))
    listener.register("object:property-change:accessible-description")

    def find(role, name, check=lambda node: True):
        def walk(node):
            try:
                if node.get_role_name() == role and node.get_name() == name and check(node):
                    return node
                return next(filter(None, map(walk, map(node.get_child_at_index, range(node.get_child_count())))), None)
            except (GLib.Error, AttributeError):  # the tree changes as we walk it
                return None

        def pumped():
            while GLib.MainContext.default().iteration(False):
                pass
            return walk(Atspi.get_desktop(0))
        return wait_for(pumped) or fail(f"no {role} «{name}»")

    wait_for(lambda: GLib.MainContext.default().iteration(False) and False, 0.3)
    spawn([lemzor])
    find("alert", "Автор")
    find("push button", "ОК").do_action(0)
    buttons = [find("push button", name) for name in ("Зелёный", "Красный")]
    for press in range(1, 7):
        buttons[press % 2].do_action(0)
        find("frame", "Лемзор", lambda node, press=press: len(said) >= press)
        match = re.fullmatch(r"(Зелёный|Красный)\. Угадано: (\d+)\. Промахов: (\d+)\.", said[-1])
        if not match or int(match[2]) + int(match[3]) != press or len(said) != press:
            fail(f"after press {press} the window said {said}")
        print(f"ok: press {press}: {said[-1]}")


if __name__ == "__main__":
    scenarios = {"openbox": lambda program: play(program, "openbox"), "mutter": lambda program: play(program, "mutter"),
                 "screen_reader": screen_reader, "hostile": hostile, "wayland": wayland}
    scenarios[sys.argv[1]](os.path.abspath(sys.argv[2]))
