"""The screen reader's side of tests/e2e/screen_reader.sh: starts the game given
as its argument and plays it through AT-SPI."""
import re
import subprocess
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402

descriptions = []


def on_description(event):
    if event.source.get_name() == "Лемзор":
        descriptions.append(event.source.get_description())


listener = Atspi.EventListener.new(on_description)
listener.register("object:property-change:accessible-description")


def pump_until(done, seconds=10):
    context = GLib.MainContext.default()
    end = time.time() + seconds
    while time.time() < end:
        while context.iteration(False):
            pass
        found = done()
        if found:
            return found
        time.sleep(0.02)
    return None


def find(node, role, name):
    """The first node below node with this role and name; the tree may change as we walk it."""
    try:
        if node.get_role_name() == role and (name is None or node.get_name() == name):
            return node
        for i in range(node.get_child_count()):
            hit = find(node.get_child_at_index(i), role, name)
            if hit is not None:
                return hit
    except (GLib.Error, AttributeError):
        pass
    return None


def application():
    return find(Atspi.get_desktop(0), "application", "Лемзор")


def fail(message):
    print("FAIL:", message, file=sys.stderr)
    game.kill()
    sys.exit(1)


def background():
    window = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Лемзор$"],
                            capture_output=True, text=True, check=True).stdout.split()[0]
    shot = subprocess.run(["import", "-window", window, "png:-"], capture_output=True, check=True)
    return subprocess.run(["convert", "png:-", "-format", "%[pixel:p{190,60}]", "info:"],
                          input=shot.stdout, capture_output=True, check=True).stdout.decode()


# The reader runs before the game starts, so the game's toolkit learns of its
# listener as it connects.
pump_until(lambda: False, 0.3)
game = subprocess.Popen([sys.argv[1]])

box = pump_until(lambda: find(application(), "alert", "Автор")) or fail("no alert 'Автор'")
sentence = find(box, "label", None)
labels = [box.get_child_at_index(i).get_name() for i in range(box.get_child_count())]
if not any(re.fullmatch(r"[А-ЯЁ][^.]*\b(19|20)\d\d\b[^.]*\.", text) for text in labels):
    fail(f"the credit sentence is not among {labels}")
ok = find(box, "push button", "ОК") or fail("no button 'ОК' in the alert")
ok.do_action(0)

frame = pump_until(lambda: find(application(), "frame", "Лемзор")) or fail("no frame 'Лемзор'")
buttons = [find(frame, "push button", name) for name in ("Зелёный", "Красный")]
if None in buttons:
    fail("the buttons are not read as 'Зелёный' and 'Красный'")

colours = {"Зелёный": "srgb(0,255,0)", "Красный": "srgb(255,0,0)"}
for press in range(1, 7):
    buttons[press % 2].do_action(0)
    if not pump_until(lambda: len(descriptions) >= press):
        fail(f"no description change after press {press}; the window says {frame.get_description()!r}")
    pump_until(lambda: False, 0.2)
    if len(descriptions) != press:
        fail(f"{len(descriptions)} description changes after {press} presses")
    said = descriptions[-1]
    match = re.fullmatch(r"(Зелёный|Красный)\. Угадано: (\d+)\. Промахов: (\d+)\.", said)
    if not match or int(match[2]) + int(match[3]) != press:
        fail(f"after press {press} the window says {said!r}")
    if frame.get_description() != said or background() != colours[match[1]]:
        fail(f"after press {press} the window shows {background()} but says {said!r}")
    print(f"press {press}: {said}")

game.terminate()
game.wait()
