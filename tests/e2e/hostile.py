# SPDX-FileCopyrightText: 2026 Lemzor developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""Starts and ends that could go wrong: desktops and services that fail the game, and how it answers."""
import glob
import os
import re
import signal
import socket
import subprocess as sp
import tempfile
import threading
import time
from collections import namedtuple

from desktop import WORK, fail, wait_for, out, run, stop, spawn, start_desktop, window, dismiss_box, geometry, \
    check_places

ANEW = "Лемзор: рабочий стол не ответил вовремя, игра начата заново без его служб (без программ экранного доступа и " \
    "метода ввода)."


def authenticating_bus(path):
    """A bus whose main loop hangs while its authentication is still served: it says OK to each client, then
    nothing, which no real daemon can be made to do."""
    server = socket.socket(socket.AF_UNIX)
    server.bind(path)
    server.listen()
    clients = []

    def serve():
        while True:
            client = server.accept()[0]
            clients.append(client)
            client.recv(256)
            client.sendall(b"OK " + b"0" * 32 + b"\r\n")
    threading.Thread(target=serve, daemon=True).start()


# A launcher that gives the accessibility bus's address and never says whether accessibility is on.
HALF_SILENT_LAUNCHER = """
from gi.repository import Gio, GLib
bus = Gio.bus_get_sync(Gio.BusType.SESSION)
call = Gio.DBusMessageType.METHOD_CALL
bus.add_filter(lambda connection, message, incoming: None if incoming and message.get_message_type() == call and
               message.get_member() == "Get" else message)
node = Gio.DBusNodeInfo.new_for_xml("<node><interface name='org.a11y.Bus'><method name='GetAddress'>"
                                    "<arg type='s' direction='out'/></method></interface></node>")
bus.register_object("/org/a11y/bus", node.interfaces[0],
                    lambda *call: call[-1].return_value(GLib.Variant("(s)", ("",))), None, None)
Gio.bus_own_name_on_connection(bus, "org.a11y.Bus", 0, None, None)
GLib.MainLoop().run()
"""


def owned(name):
    return "true" in out("dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
                         "org.freedesktop.DBus.NameHasOwner", f"string:{name}")


# A start that ends before any window: the screen's depth (0: no display server), environment, report, shell, arguments.
Start = namedtuple("Start", "what depth env line shell args", defaults=("", ""))
# A game under way: where its standard error goes, its environment, what is done to it, the status and report to come
# of it; what the shell sets up before it, and what is made ready for it (given the environment to add to).
Game = namedtuple("Game", "what stderr env act status line shell prepare", defaults=("", lambda env: None))


def shell(setup):
    return ["unshare", "-m", "sh", "-c", setup + ' && exec "$0"'] if setup else []


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
    dpi = "xprop -root -f RESOURCE_MANAGER 8s -set RESOURCE_MANAGER 'Xft.dpi:\t1000000'"
    tmp = tempfile.mkdtemp(dir=WORK.name)
    for case in [
            Start("DISPLAY unset", 0, {}, "не удалось открыть окно (переменная DISPLAY не задана)."),
            Start("no server, a newline", 0, {"DISPLAY": ":9999\nЛемзор: всё хорошо"},
                  "не удалось открыть окно (дисплей «:9999\\x0aЛемзор: всё хорошо» не отвечает)."),
            Start("unknown platform, -platform with no name after it", 0, {"QT_QPA_PLATFORM": "xcbfoo"},
                  "не удалось открыть окно (платформа «xcbfoo» недоступна).", args="-platform"),
            Start("unknown platform by argument", 0, {"QT_QPA_PLATFORM": "offscreen"},
                  "не удалось открыть окно (платформа «nonesuch» недоступна).", args="-x -platform nonesuch"),
            Start("few files", 0, {}, "слишком жёсткие ограничения процесса (можно открыть не больше 8 файлов, а игре "
                  "нужно 64).", shell="ulimit -n 8"),
            Start("little memory", 0, {}, "недостаточно памяти (процессу разрешено 97 МиБ, а игре нужно 256 МиБ).",
                  shell="ulimit -v 100000"),
            Start("8-bit colour", 8, {}, "не удалось открыть окно (экран показывает меньше 16 бит цвета)."),
            Start("absurd density", 24, {}, "не удалось открыть окно (экран заявляет невероятную плотность точек на "
                  "дюйм: 1000000).", shell=dpi),
            Start("no font", 24, {"FONTCONFIG_FILE": fonts.name},
                  "не удалось открыть окно (нет шрифта с русскими буквами).")]:
        if case.depth:
            start_desktop(depth=case.depth)
        game = sp.run([*shell(case.shell), lemzor, *case.args.split()], env=os.environ | {"LC_ALL": "C.UTF-8"} |
                      case.env, capture_output=True, text=True, timeout=30, check=False)
        verdict(case.what, game.returncode, game.stderr, 1, case.line)
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
    started, config = [], tempfile.mkdtemp(dir=WORK.name)
    # A listener that takes connections and never answers, as a stopped bus does.
    mute_bus = socket.socket(socket.AF_UNIX)
    mute_bus.bind(f"{config}/mute-bus")
    mute_bus.listen()

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

    def session_bus():
        """A real session bus daemon of its own, stopped."""
        bus = daemon(["dbus-daemon", "--session", "--nofork", "--print-address"], lambda: True, False)
        address = bus.stdout.readline().strip()
        bus.send_signal(signal.SIGSTOP)
        return address

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

    def stuck(what, line, env=None, prepare=lambda env: None):
        """A desktop service that never answers: the credit box within 5 s all the same, and the line that says so."""
        return Game(what, "file", env or {}, stuck_service, 0, line, prepare=prepare)
    without_bus = "Лемзор: шина сеанса D-Bus не отвечает, игра идёт без неё (без программ экранного доступа)."
    without_accessibility = "Лемзор: служба специальных возможностей не отвечает, игра идёт без неё (без программ " \
        "экранного доступа)."
    without_input = "Лемзор: метод ввода IBus не отвечает, игра идёт без него."
    authenticating_bus(f"{config}/hung-bus")
    for case in [
            Game("SIGTERM at the window", "file", {}, lambda servers: dismiss_box() and game.terminate(), -15, ""),
            Game("window destroyed from outside", "file", {}, lambda _: run("xdotool", "windowclose", dismiss_box()), 0,
                 ""),
            # The last guard on the start leaves the player all the time to read the box, and is gone with it.
            Game("the credit box read for six seconds, the window left for five", "file", {}, read_at_leisure, 0, ""),
            Game("a stack limit of 24 KiB", "file", {}, close, 0, "", shell="ulimit -S -s 24"),
            Game("no runtime directory", "file", {"XDG_RUNTIME_DIR": "", "TMPDIR": tmp}, close, 0, ""),
            Game("no runtime directory, TMPDIR missing", "file", {"XDG_RUNTIME_DIR": "", "TMPDIR": "/nonexistent/dir"},
                 close, 0, ""),
            Game("no runtime directory, TMPDIR full", "file", {"XDG_RUNTIME_DIR": ""}, close, 0, "",
                 shell="mount -t tmpfs -o nr_inodes=1 none /mnt && export TMPDIR=/mnt"),
            Game("standard error closed, no /dev/null", "closed", {}, close, 0, "", shell="mount -t tmpfs none /dev"),
            Game("standard error unread, and a warning", "unread", {"QT_STYLE_OVERRIDE": "nonesuch"}, close, 0, ""),
            stuck("a session bus stopped", without_bus,
                  prepare=lambda env: env.update(DBUS_SESSION_BUS_ADDRESS=session_bus())),
            stuck("a session bus of two addresses, the first gone, the second never answering", without_bus,
                  {"DBUS_SESSION_BUS_ADDRESS": f"unix:path={config}/gone;unix:path={config}/mute-bus"}),
            stuck("a GTK theme and a session bus that authenticates, then never answers", without_bus,
                  {"QT_QPA_PLATFORMTHEME": "gtk3", "DBUS_SESSION_BUS_ADDRESS": f"unix:path={config}/hung-bus"}),
            stuck("an accessibility bus that authenticates, then never answers", without_accessibility,
                  {"AT_SPI_BUS_ADDRESS": f"unix:path={config}/hung-bus"}),
            stuck("an accessibility bus named on the root window that never answers", without_accessibility,
                  prepare=lambda env: run("xprop", "-root", "-f", "AT_SPI_BUS", "8s", "-set", "AT_SPI_BUS",
                                          f"unix:path={config}/mute-bus")),
            stuck("a launcher that never says whether accessibility is on", without_accessibility, prepare=lambda env:
                  daemon(["/usr/bin/python3", "-c", HALF_SILENT_LAUNCHER], lambda: owned("org.a11y.Bus"), False)),
            stuck("the desktop portal stopped", "", prepare=lambda env: daemon(
                ["/usr/libexec/xdg-desktop-portal"], lambda: owned("org.freedesktop.portal.Desktop"))),
            stuck("the accessibility launcher stopped", without_accessibility, prepare=lambda env: accessibility(0)),
            stuck("the accessibility bus stopped, a GTK theme", without_accessibility, {"QT_QPA_PLATFORMTHEME": "gtk3"},
                  lambda env: accessibility(1)),
            stuck("IBus stopped", without_input, {"QT_IM_MODULE": "ibus"}, input_method),
            stuck("the IBus portal stopped", without_input, {"QT_IM_MODULE": "ibus", "IBUS_USE_PORTAL": "1"},
                  lambda env: input_method(env, portal=True)),
            Game("a warning after start-up", "file", {"QT_QPA_PLATFORM": "offscreen"}, lambda _: time.sleep(1) or
                 game.kill(), -9, "This plugin does not support propagateSizeHints()"),
            Game("a change of scaling mid-game", "file", {}, density_followed, 0, "", prepare=lambda env: settings(96)),
            Game("a density beyond belief announced mid-game", "file", {}, density_changed, 1,
                 "Лемзор: ошибка выполнения: экран стал непригоден для игры (экран заявляет невероятную плотность точек "
                 "на дюйм: 2000000).", prepare=lambda env: settings(96)),
            Game("frames written by another client", "file", {}, frame_written, 0, ""),
            Game("the window manager killed", "file", {}, manager_killed, 0, ""),
            Game("the X server going away", "file", {}, gone, 1, "Лемзор: ошибка выполнения: связь с дисплеем потеряна."),
            Game("the X server going away, standard error closed", "closed", {}, gone, 1, "")]:
        servers, (read, write) = start_desktop(), os.pipe()
        os.close(read)
        with open(f"{WORK.name}/stderr", "w+", encoding="utf-8") as report:
            streams = {"file": {"stderr": report}, "unread": {"stderr": write},
                       "closed": {"preexec_fn": lambda: os.close(2)}}
            env = dict(case.env)
            case.prepare(env)
            began = time.time()
            game = spawn([*shell(case.shell), lemzor], env=os.environ | env, **streams[case.stderr])
            os.close(write)
            case.act(servers)
            game.wait(30)
            verdict(case.what, game.returncode, report.seek(0) or report.read(), case.status, case.line, raw=True)
    if os.listdir(tmp) or glob.glob("/tmp/lemzor-*"):
        fail(f"with no runtime directory the game left {os.listdir(tmp)} {glob.glob('/tmp/lemzor-*')}")
