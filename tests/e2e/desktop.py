# SPDX-FileCopyrightText: 2026 Lemzor developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""What every scenario does on a desktop of its own: starts it, finds and reads the game's windows, presses as a
player would, and checks what either platform must show alike."""
import atexit
import glob
import os
import re
import subprocess as sp
import sys
import tempfile
import time

RED, GREEN = "srgb(255,0,0)", "srgb(0,255,0)"
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


def window(title, seconds=10):
    """The game's own window of that title: some window managers put the title on their frame windows too."""
    return (wait_for(lambda: [win for win in out("xdotool", "search", "--onlyvisible", "--name", f"^{title}$").split()
                              if "lemzor" in out("xprop", "-id", win, "WM_CLASS").lower()], seconds) or [""])[0]


def dismiss_box(seconds=10):
    box = window("Автор", seconds) or fail("no credit box")
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


def button_places(outer_width, outer_height, width, height, dpi):
    """Where the buttons belong on either platform: 500 twips in from the outer edges, or flush with the client
    area's where the frame is thicker than that."""
    twips = 1440 / dpi
    top = round((min(outer_height * twips - 500, height * twips) - 735) / twips)
    size = round(2175 / twips), round(735 / twips)
    return [(round(500 / twips), top, *size),
            (round((min(outer_width * twips - 500, width * twips) - 2175) / twips), top, *size)]


def check_places(win, what, frame=None, dpi=96):
    """After a guess: both buttons whole, in their places, once the window manager has settled the window's size."""
    def seen():
        (screen_x, screen_y, width, height), announced = geometry(win)
        edges = frame or announced or tree_frame(win)
        # Weston puts a window back from full screen 32 px further up and left each time, partly off the screen.
        want = [(x + min(0, screen_x), y + min(0, screen_y), w, h) for x, y, w, h in
                button_places(width + edges[0] + edges[1], height + edges[2] + edges[3], width, height, dpi)]
        return want, screenshot(win)[1], f"client {width}x{height}, frame {edges}"
    want = seen()[0]
    run("xdotool", "mousemove", "--window", win, str(want[0][0] + 10), str(want[0][1] + 10), "click", "1", "sleep", "0.2")
    # At a fractional density the toolkit's whole pixels round a frame's edges and a button's: two screen pixels.
    last = []
    if not wait_for(lambda: last.append(seen()) or len(last[-1][1]) == 2 and all(
            abs(a - b) <= 2 * (dpi != 96) for place, spot in zip(*last[-1][:2]) for a, b in zip(place, spot)), 3):
        fail(f"{what}: {last[-1][2]}: buttons at {last[-1][1]}, not {last[-1][0]}")
