"""Plays the built game as a person would, on a desktop of its own, and checks every step.
driver.py SCENARIO LEMZOR; the scenarios: openbox (a whole game, traced by strace), screen_reader
(the same through AT-SPI) and hostile (starts and ends that could go wrong)."""
import atexit
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
    atexit.register(lambda: process.poll() is None and (process.terminate(), process.wait()))
    return process


def start_desktop():
    read, write = os.pipe()
    # Xvfb picks a free display itself and names it once it listens.
    xvfb = spawn(["Xvfb", "-displayfd", str(write), "-screen", "0", "1024x768x24", "-nolisten", "tcp", "-noreset"],
                 pass_fds=(write,), stderr=sp.DEVNULL)
    os.close(write)
    display = os.read(read, 16).decode().strip() or fail("Xvfb did not start")
    os.environ.update(DISPLAY=f":{display}", XDG_RUNTIME_DIR=tempfile.mkdtemp(dir=WORK))
    for name in ("QT_QPA_PLATFORM", "WAYLAND_DISPLAY"):
        os.environ.pop(name, None)
    openbox = spawn(["openbox", "--sm-disable"], stdout=sp.DEVNULL, stderr=sp.DEVNULL)
    # openbox announces itself before it manages windows; active-window support comes last.
    wait_for(lambda: "_NET_ACTIVE_WINDOW" in out("xprop", "-root", "_NET_SUPPORTED")) or fail("no openbox")
    time.sleep(0.2)
    return xvfb, openbox


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
    """Both buttons whole at 500 twips (15 twips a pixel) in from the outer edges, after a guess."""
    (width, height), (left, right, top, bottom) = geometry(win)
    y = round(((height + top + bottom) * 15 - 1235) / 15)
    want = [(33, y, 145, 49), (round(((width + left + right) * 15 - 2675) / 15), y, 145, 49)]
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


def openbox(lemzor):
    start_desktop()
    home, trace = tempfile.mkdtemp(dir=WORK), os.path.join(WORK, "trace")
    # Only what a desktop session hands a program; unknown arguments are ignored.
    env = {key: os.environ[key] for key in ("PATH", "DISPLAY", "XDG_RUNTIME_DIR")} | {"LANG": "C.UTF-8", "HOME": home}
    game = spawn(["strace", "-f", "-qq", "--seccomp-bpf", "-o", trace, "-e", "trace=%file,%network", "-e",
                  "signal=none", lemzor, "--frobnicate", "-x"], env=env)
    win = dismiss_box()
    if geometry(win)[0] != [380, 238] or pixel(win, 190, 60) in (RED, GREEN):
        fail(f"the window starts at {geometry(win)[0]} in {pixel(win, 190, 60)}")
    wait_for(lambda: geometry(win)[1]) or fail("no frame extents")
    check_places(win, "first display")
    for size in ("520", "330"), ("400", "200"):
        sp.run(["xdotool", "windowsize", "--sync", win, *size], check=True)
        check_places(win, f"resized to {'x'.join(size)}")
    sp.run(["xdotool", "windowactivate", "--sync", win, "key", "alt+F4"], check=True)
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


def verdict(what, status, stderr, want_status, want_line):
    if status != want_status or stderr.strip() != want_line:
        fail(f"{what}: status {status}, «{stderr.strip()}»; want {want_status}, «{want_line}»")
    print(f"ok: {what}: status {status}, «{stderr.strip()}»")


def hostile(lemzor):
    free = next(n for n in range(200, 500) if not os.path.exists(f"/tmp/.X11-unix/X{n}"))
    bare = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
    for what, env, line in [
            ("DISPLAY unset", {}, "(переменная DISPLAY не задана)."),
            (f"no server on :{free}", {"DISPLAY": f":{free}"}, f"(дисплей «:{free}» не отвечает)."),
            ("unknown platform", {"QT_QPA_PLATFORM": "nonesuch"}, "(платформа «nonesuch» недоступна).")]:
        game = sp.run([lemzor], env=bare | {"LC_ALL": "C.UTF-8"} | env, capture_output=True, text=True, timeout=30,
                      stdin=sp.DEVNULL, check=False)
        verdict(what, game.returncode, game.stderr, 1, f"{REPORT}не удалось открыть окно {line}")
    xvfb, openbox_ = start_desktop()
    for what, stage, end, status, line in [
            ("SIGTERM at the credit box", "box", lambda: game.terminate(), -signal.SIGTERM, ""),
            ("SIGTERM at the window", "window", lambda: game.terminate(), -signal.SIGTERM, ""),
            ("the X server going away", "window", lambda: (openbox_.kill(), xvfb.kill()), 1,
             REPORT + "связь с дисплеем потеряна.")]:
        with open(os.path.join(WORK, "stderr"), "w+", encoding="utf-8") as stderr:
            game = spawn([lemzor], stderr=stderr)
            window("Автор") if stage == "box" else dismiss_box()
            end()
            game.wait(10)
            stderr.seek(0)
            verdict(what, game.returncode, stderr.read(), status, line)


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
    {"openbox": openbox, "screen_reader": screen_reader, "hostile": hostile}[sys.argv[1]](os.path.abspath(sys.argv[2]))
