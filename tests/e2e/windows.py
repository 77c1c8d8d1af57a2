# SPDX-FileCopyrightText: 2026 Lemzor developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""The Windows program under Wine, as a Windows player and packager meet it."""
import atexit
import filecmp
import glob
import os
import subprocess as sp
import sys
import time

from desktop import RED, GREEN, WORK, fail, SKIPPED, wait_for, out, run, spawn, start_desktop, window, dismiss_box, \
    geometry, totals, screenshot, text_under_windows, button_places

WINE, SERVER = "/usr/lib/wine/wine64", "/usr/lib/wine/wineserver64"
FIRST_START = 90  # seconds: Wine's first start after its server restarts, on a loaded 2-core machine


def wine_prefix():
    """A Wine of the scenario's own, stopped at its end; the scenario is skipped where the release has none."""
    if not os.path.exists(WINE):
        print("SKIP: this Debian release has no Wine, so no Windows program runs here")
        sys.exit(SKIPPED)
    os.environ.update(WINEPREFIX=f"{WORK.name}/wine", WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
    atexit.register(lambda: sp.run([SERVER, "-k"], check=False) and sp.run([SERVER, "-w"], check=False))


def suite(program):
    """A test suite on a desktop of its own: under Wine where it is built for Windows."""
    if program.endswith(".exe"):
        wine_prefix()
    start_desktop()
    sys.exit(sp.run([WINE, program] if program.endswith(".exe") else [program], check=False).returncode)


def windows(exe):
    """The Windows program under Wine, in Xvfb under openbox, as a player and a packager meet it. Wine draws the
    controls inside its X windows: a probe of our own, run under the same Wine, reads them."""
    wine_prefix()
    start_desktop()
    probe = f"{os.path.dirname(os.path.dirname(exe))}/tests/winprobe.exe"
    run(WINE, "wineboot", "-i")

    def layout(what, dpi=96):
        """The controls' places as the probe reads them, and as the outer size that Windows reports puts them."""
        outer_w, outer_h, width, height, *rest = map(int, out(WINE, probe, "window", "Лемзор").split())
        want = button_places(outer_w, outer_h, width, height, dpi)
        found = [tuple(rest[i:i + 4]) for i in range(3, len(rest), 4)]
        if any(abs(a - b) > 1 for place, found_place in zip(want, found) for a, b in zip(place, found_place)) or \
                len(found) != 2:
            fail(f"{what}: outer {outer_w}x{outer_h}, client {width}x{height} at {dpi} DPI: buttons at {found}, "
                 f"not {want}")
        return found, rest[:3]

    def density(dpi):
        """Wine 10 reads the screen's density as its server starts: the server is stopped after the change."""
        run(WINE, "reg", "add", r"HKCU\Control Panel\Desktop", "/v", "LogPixels", "/t", "REG_DWORD", "/d", str(dpi),
            "/f")
        run(SERVER, "-k")
        run(SERVER, "-w")

    def start(dpi, log=sp.DEVNULL):
        density(dpi)
        return spawn([WINE, exe], stdout=sp.DEVNULL, stderr=log)

    # Wine 10 takes UI Automation's notification and logs it, without passing it on; Wine 8 has none.
    os.environ["WINEDEBUG"] = "-all,fixme+uiautomation"
    log = open(f"{WORK.name}/wine.log", "w+", encoding="utf-8", errors="replace")  # pylint: disable=R1732
    game = start(96, log)
    os.environ["WINEDEBUG"] = "-all"
    window("Автор", FIRST_START) or fail("no credit box")
    if out("xdotool", "search", "--onlyvisible", "--name", "^Лемзор$"):
        fail("the window is on the screen before the credit box is dismissed")
    if "Игру «Лемзор» написала команда Лемзора в 2026 году." not in out(WINE, probe, "msaa", "Автор"):
        fail(f"the credit box says {out(WINE, probe, 'msaa', 'Автор')}")
    win = dismiss_box()
    if geometry(win)[0][2:] != [380, 238]:
        fail(f"client area {geometry(win)[0][2:]}, not 380x238 at 96 DPI")
    buttons, face = layout("first display")
    # The icon the window manager shows: the program file's, pixel for pixel.
    icon = list(map(int, out("xprop", "-id", win, "-notype", "32c", "_NET_WM_ICON").partition("=")[2].split(",")))
    while icon and icon[:2] != [32, 32]:
        icon = icon[2 + icon[0] * icon[1]:]
    with open(f"{WORK.name}/icon.bgra", "wb") as image:
        image.write(b"".join(pixel.to_bytes(4, "little") for pixel in icon[2:2 + 32 * 32]))
    differ = sp.run(["compare", "-metric", "AE", "-size", "32x32", "-depth", "8", f"bgra:{WORK.name}/icon.bgra",
                     f"{os.path.dirname(__file__)}/../../resources/icon-red.xpm", "null:"], capture_output=True, text=True)
    if differ.stderr.split()[:1] != ["0"]:
        fail(f"the window's icon is not the program's: {differ.stderr} pixels differ")
    before = out("convert", f"x:{win}", "-format", "%[pixel:p{300,100}]", "info:")
    if before != f"srgb({','.join(map(str, face))})":
        fail(f"before a guess the window is {before}, not the button face colour {face}")
    # Each press: the colour on the screen, and the totals read from it, right where it names that colour.
    score = [0, 0]
    for (x, y, w, h), name, named in zip(buttons, ("Зелёный", "Красный"), (GREEN, RED)):
        run("xdotool", "mousemove", "--window", win, str(x + w // 2), str(y + h // 2), "click", "1")
        time.sleep(0.3)
        colour = out("convert", f"x:{win}", "-format", "%[pixel:p{300,100}]", "info:")
        score[colour != named] += 1
        if colour not in (RED, GREEN) or totals(win) != score:
            fail(f"after a click on {name}, with {colour} on the screen: totals {totals(win)}, not {score}")
        print(f"ok: a click on {name}: {colour}, {score}")
    # What screen readers read, through Active Accessibility and through UI Automation's own client (which Wine 8
    # answers not at all): the window, both buttons by name, and the totals in the status bar, which is drawn nowhere.
    # Wine knows the controls no better than as plain client areas, panes to UI Automation.
    status = f"Угадано: {score[0]}. Промахов: {score[1]}."
    for how, want in ("msaa", {"Зелёный": ("push button", "client"), "Красный": ("push button", "client"),
                               status: ("status bar", "client")}), \
            ("uia", {"Лемзор": ("50032",), "Зелёный": ("50000", "50033"), "Красный": ("50000", "50033"),
                     status: ("50017", "50033")}):
        lines = out(WINE, probe, how, "Лемзор").splitlines()
        read = {name: role for role, _, name in (line.partition("|") for line in lines)}
        if (how == "msaa" or "wine-8" not in out(WINE, "--version")) and \
                any(read.get(name) not in roles for name, roles in want.items()):
            fail(f"screen readers find {read} through {how}, not {want}")
        print(f"ok: screen readers find {read} through {how}")
    # Each guess notified once, with its sentence, as the stub logs it: letters beyond ASCII as \041a.
    notified = [line for line in log.seek(0) or log.read().splitlines() if "UiaRaiseNotificationEvent" in line]
    escaped = "".join(c if c.isascii() else f"\\{ord(c):04x}" for c in status)
    if "wine-8" not in out(WINE, "--version") and (len(notified) != sum(score) or escaped not in notified[-1]):
        fail(f"{sum(score)} guesses notified as {notified}")
    print(f"ok: {len(notified)} notifications for {sum(score)} guesses")
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
    run("wmctrl", "-i", "-c", win)
    if game.wait(10) != 0:
        fail(f"closing the window ended the game with status {game.returncode}")

    game = start(144)
    win = dismiss_box(FIRST_START)
    if geometry(win)[0][2:] != [570, 357]:
        fail(f"client area {geometry(win)[0][2:]}, not 570x357 at 144 DPI")
    layout("first display at 144 DPI", 144)
    def reported(game, what, want, shown=lambda _: True):
        """The one-line box with its report, then status 1 once it is dismissed."""
        box = wait_for(lambda: [w for w in out("xdotool", "search", "--onlyvisible", "--name", "^Лемзор$").split()
                                if shown(w) and want in out(WINE, probe, "msaa", "Лемзор")], FIRST_START)
        if not box:
            fail(f"{what}: no report «{want}» but «{out(WINE, probe, 'msaa', 'Лемзор')}»")
        run("xdotool", "windowactivate", "--sync", box[0], "key", "Return")
        if game.wait(10) != 1:
            fail(f"{what}: after its report the game ended with status {game.returncode}")
        print(f"ok: {what}: «{want}», status 1")
    # A density beyond belief announced while the game runs: the same bounds as at the start.
    run(WINE, probe, "density", "Лемзор", "2000")
    reported(game, "2000 DPI announced mid-game", "Лемзор: ошибка выполнения: экран стал непригоден для игры (экран "
             "заявляет невероятную плотность точек на дюйм: 2000).", lambda other: other != win)
    reported(start(2000), "at 2000 DPI", "Лемзор: ошибка выполнения: не удалось открыть окно (экран заявляет "
             "невероятную плотность точек на дюйм: 2000).")

    # The installer, silent and twice, the second over the first: the program, one Start menu entry and an entry among
    # the installed programs; the uninstaller, silent, takes all of it away.
    density(96)
    installer = glob.glob(f"{os.path.dirname(os.path.dirname(exe))}/lemzor-*-windows-x86_64.exe")[0]
    drive, key = f"{os.environ['WINEPREFIX']}/drive_c", r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Lemzor"
    folder = f"{drive}/Program Files/Lemzor"
    menu = f"{drive}/ProgramData/Microsoft/Windows/Start Menu/Programs"

    def exported(name):
        """A registry key as Windows exports it (UTF-16); empty where there is none."""
        if sp.run([WINE, "reg", "export", name, f"Z:{WORK.name}/entry.reg", "/y"], capture_output=True).returncode:
            return ""
        with open(f"{WORK.name}/entry.reg", encoding="utf-16") as text:
            return text.read()
    for _ in range(2):
        run(WINE, installer, "/S")
    entry = exported(key)
    want = ['"DisplayName"="Лемзор"', '"DisplayVersion"="1.00"', r'"DisplayIcon"="C:\\Program Files\\Lemzor\\lemzor.exe"',
            r'"InstallLocation"="C:\\Program Files\\Lemzor"',
            r'"QuietUninstallString"="\"C:\\Program Files\\Lemzor\\Uninstall.exe\" /S"', '"EstimatedSize"=dword:']
    # The program installed is the one played above, byte for byte.
    if not all(line in entry for line in want) or "example.org" in entry or \
            not filecmp.cmp(f"{folder}/lemzor.exe", exe, shallow=False) or \
            [name for name in os.listdir(menu) if "емзор" in name or "emzor" in name] != ["Лемзор.lnk"]:
        fail(f"installed: {os.listdir(folder)}, the menu {os.listdir(menu)}, the entry {entry}")
    run(WINE, f"{folder}/Uninstall.exe", "/S")
    # The uninstaller goes on from a copy of itself.
    ours = lambda: [f for f in (folder, f"{menu}/Лемзор.lnk") if os.path.exists(f)] + [  # noqa: E731
        name for name in (key, r"HKLM\Software\Lemzor developers", r"HKCU\Software\Lemzor developers") if exported(name)]
    if not wait_for(lambda: not ours(), 30):
        fail(f"after the uninstaller: {ours()}")
    print("ok: installed twice, one Start menu entry, the entry with size, place and quiet uninstall; uninstalled, "
          "nothing of ours left")
