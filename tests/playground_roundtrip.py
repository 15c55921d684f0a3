#!/usr/bin/env python3
"""Every recorded playground session replays: the playground runs under Wine
with --record, seeded random input comes from the X server through xdotool,
and what it wrote must pass `replay` as it stands.

    playground_roundtrip.py WORK BIN REPLAY SEEDS [FIRST]

WORK: a scratch folder; BIN: the playground, Orvalinde.dll,
orvalinde_inject.exe and orvalinde_host.exe; REPLAY: the native replay tool.
Runs three fixed cases, then SEEDS seeds from FIRST (default 1). The fixed
cases: a session whose first mouse event is a button press (after Session >
Clear, with no motion since); one during which the window's DPI changes and
the child pane moves and grows, whose recording must also pass against the
real DLL in the Windows test host, where the child is placed as written;
and a click in the menu that settles a Ctrl key-up a drag owes. The input is a random mix of key presses, releases and taps
(Alt, Ctrl, Tab, Shift, A), button presses, releases and double clicks, moves
over main, over the child pane and across its edge (with buttons held too),
short and long pauses, and translation switched off and on from the menu;
each session ends with nothing held. The timer-driven features stay out.
A seed whose recording does not replay is printed with the first line at
which replay differs. Ends with "N passed, M failed".
"""
import os
import random
import re
import subprocess
import sys
import time

WORK, BIN, REPLAY = sys.argv[1], sys.argv[2], sys.argv[3]
SEEDS = int(sys.argv[4])
FIRST = int(sys.argv[5]) if len(sys.argv) > 5 else 1
TITLE = "Orvalinde playground"
KEYS = ["alt", "ctrl", "Tab", "shift", "a"]


def inject(*args):
    out = subprocess.run(["wine", os.path.join(BIN, "orvalinde_inject.exe"), *args], capture_output=True, text=True)
    return out.stdout.replace("\r", "").strip()


def rect(*args):
    return tuple(map(int, inject(*args).split()))


def wine_path(path):
    return subprocess.run(["winepath", "-w", path], capture_output=True, text=True).stdout.strip()


class Session:
    def __init__(self, seed, name=None, options=()):
        self.random = random.Random(seed)
        self.keys, self.buttons = set(), set()
        self.record = os.path.join(WORK, "seed-%s.txt" % (name or seed))
        exe = os.path.join(BIN, "OrvalindePlayground.exe")
        self.process = subprocess.Popen(["wine", exe, "--record", wine_path(self.record), *options],
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run(["timeout", "30", "xdotool", "search", "--sync", "--name", "^%s$" % TITLE],
                       capture_output=True)
        time.sleep(1.0)
        self.main = rect("rect", TITLE, "-")
        self.pane = rect("rect", TITLE, "OrvalindePlaygroundChild")
        self.session = rect("menubar", TITLE, "0", "&Session", "&Module", "&About")
        self.module = rect("menubar", TITLE, "1", "&Session", "&Module", "&About")

    def x(self, *args, pause=0.08):
        subprocess.run(["xdotool", *map(str, args)], check=True)
        time.sleep(pause)

    def point(self):
        """Over main clear of the pane, over the pane, or right by its edge."""
        r = self.random
        left, top, right, bottom = self.pane
        where = r.randrange(3)
        if where == 1:
            return r.randrange(left + 2, right - 2), r.randrange(top + 2, bottom - 2)
        if where == 2:
            return left + r.randrange(-3, 4) if r.randrange(2) else right + r.randrange(-3, 4), \
                r.randrange(top + 4, bottom - 4)
        ml, mt, mr, mb = self.main
        return r.randrange(ml + 20, mr - 20), r.randrange(max(bottom + 10, mt + 20), mb - 20)

    def toggle_translation(self):
        left, top, right, bottom = self.module
        self.x("mousemove", (left + right) // 2, (top + bottom) // 2, pause=0.2)
        self.x("click", 1, pause=0.5)
        self.x("mousemove", left + 25, bottom + 10, pause=0.2)  # the first item: Translation on
        self.x("click", 1, pause=0.5)
        self.x("mousemove", *self.point(), pause=0.2)

    def clear(self):
        """Session > Clear: a new session, the pointer left over the menu's item."""
        left, top, right, bottom = self.session
        self.x("mousemove", (left + right) // 2, (top + bottom) // 2, pause=0.2)
        self.x("click", 1, pause=0.5)
        self.x("mousemove", left + 25, bottom + 28, pause=0.2)  # the second item: Clear
        self.x("click", 1, pause=0.5)

    def action(self):
        r = self.random
        choice = r.randrange(20)
        if choice < 7:
            key = r.choice(KEYS)
            if key in self.keys and r.randrange(4):
                self.x("keyup", key)
                self.keys.discard(key)
            elif key not in self.keys and r.randrange(3) == 0:
                self.x("key", key)
            else:
                self.x("keydown", key)  # a press, or a held key's repeat
                self.keys.add(key)
        elif choice < 12:
            button = r.choice([1, 2, 3])
            if button in self.buttons:
                self.x("mouseup", button)
                self.buttons.discard(button)
            elif r.randrange(4) == 0:
                self.x("click", "--repeat", 2, "--delay", 60, button)
            else:
                self.x("mousedown", button)
                self.buttons.add(button)
        elif choice < 17:
            self.x("mousemove", *self.point())
        elif choice < 19:
            time.sleep(r.choice([0.02, 0.05, 0.4, 0.9]))
        elif not self.keys and not self.buttons:
            self.toggle_translation()

    def finish(self, in_host=False):
        held = [("keyup", k) for k in self.keys] + [("mouseup", b) for b in self.buttons]
        self.random.shuffle(held)
        for what, which in held:
            self.x(what, which)
        time.sleep(0.5)
        inject("close", TITLE)
        try:
            self.process.wait(timeout=20)
        except subprocess.TimeoutExpired:
            self.process.kill()
            return "the playground did not close"
        if self.process.returncode != 0 or not os.path.exists(self.record):
            return "the playground exited with %s and no recording" % self.process.returncode
        out = subprocess.run([REPLAY, self.record], capture_output=True, text=True).stdout
        if "1 passed" in out and in_host:
            host = subprocess.run(["wine", os.path.join(BIN, "orvalinde_host.exe"), os.path.join(BIN, "Orvalinde.dll"),
                                   wine_path(self.record)], capture_output=True, text=True).stdout.replace("\r", "")
            if not host.startswith("PASS"):
                return "the recording fails against the real DLL: " + host.strip()
        if "1 passed" in out:
            return ""
        first = re.search(r":(\d+): (.*)", out)
        if not first:
            return out.strip()
        lines = open(self.record).read().splitlines()
        number = int(first.group(1))
        return "replay differs at line %d (`%s`): %s" % (number, lines[number - 1], first.group(2))


def opens_with_a_press():
    s = Session(0, "opens-with-a-press")
    s.clear()
    s.x("keydown", "alt")
    s.x("mousedown", 3)
    s.x("mousemove", *s.point())
    s.x("mouseup", 3)
    s.x("keyup", "alt")
    problem = s.finish()
    if not problem and "\npointer " not in open(s.record).read():
        problem = "the session does not say where the pointer was"
    return s, problem


def dpi_change():
    s = Session(0, "dpi-change", ["--dpi-change", "1500:120"])
    left, top, right, bottom = s.pane
    s.x("mousemove", left + 30, top + 30)
    time.sleep(2.0)  # the DPI changes: the pane moves and grows by a quarter
    s.pane = rect("rect", TITLE, "OrvalindePlaygroundChild")
    left, top, right, bottom = s.pane
    for x, y in ((right - 20, bottom - 15), (right - 40, top + 10), (left + 60, bottom - 10)):
        s.x("mousemove", x, y)
        s.x("click", 1)
    problem = s.finish(in_host=True)
    if not problem and open(s.record).read().count("window second") < 2:
        problem = "the pane's move is not in the session"
    return s, problem


def menu_settles_an_owed_ctrl_up():
    s = Session(0, "menu-settles-an-owed-ctrl-up")
    s.x("mousemove", *s.point())
    # Alt up before the right button: the drag owes its Ctrl key-up, and the
    # next press, here a click in the menu, settles it.
    s.x("keydown", "alt"); s.x("mousedown", 3); s.x("mousemove", *s.point()); s.x("keyup", "alt"); s.x("mouseup", 3)
    s.toggle_translation()
    s.toggle_translation()
    s.x("key", "a")
    problem = s.finish()
    if not problem and "over other" not in open(s.record).read():
        problem = "the menu's clicks are not in the session"
    return s, problem


def report(session, label, problem):
    if problem:
        print("FAIL %s: %s" % (label, problem))
        if os.path.exists(session.record):
            print("    " + open(session.record).read().replace("\n", "\n    "))
        return False
    steps = sum(1 for line in open(session.record) if line and not line.startswith(("#", "expect", "wait")))
    print("PASS %s: %d actions recorded, replay passes" % (label, steps))
    return True


results = []
start = time.time()
for case in (opens_with_a_press, dpi_change, menu_settles_an_owed_ctrl_up):
    session, problem = case()
    results.append(report(session, case.__name__.replace("_", " "), problem))
for seed in range(FIRST, FIRST + SEEDS):
    session = Session(seed)
    for _ in range(session.random.randrange(20, 60)):
        session.action()
    results.append(report(session, "seed %d" % seed, session.finish()))
print("round trip: %.0f s" % (time.time() - start))
print("%d passed, %d failed" % (results.count(True), results.count(False)))
sys.exit(0 if all(results) else 1)
