#!/usr/bin/env python3
"""Orvalinde.dll inside real programs that ship with Wine and that nobody here
wrote: a text editor (an edit control, which does not capture the mouse for
the right button and opens its context menu at a right-button-up) and a
registry editor (a tree view and a list view, which run a drag-detection loop
inside their own button-down handlers). The module is loaded into each
program's UI thread, input comes from the X server through xdotool, and an
agent in that thread logs what the program's windows receive.

    real_programs.py WORK BIN [x86]    (tests/real_programs_check.sh sets it up)

With x86, the programs are Wine's 32-bit ones, from syswow64, under a Wine
that runs 32-bit programs in a 64-bit prefix, as 64-bit Windows does. The
registry editor is not among them: its 32-bit build shows no window of its
own (the window that comes belongs to another process, the 64-bit one).

Prints a line per check and "N passed, M failed"; exits 1 if any failed.
"""
import os
import subprocess
import sys
import time

WORK, BIN = sys.argv[1], sys.argv[2]
X86 = sys.argv[3:] == ["x86"]
SYSTEM = "C:\\windows\\syswow64\\" if X86 else ""
results = []


def check(name, ok, detail=""):
    results.append(ok)
    print(("PASS " if ok else "FAIL ") + name + ("" if ok or not detail else ": " + detail))


def wine_path(path):
    return subprocess.run(["winepath", "-w", path], capture_output=True, text=True).stdout.strip()


def x(*args, pause=0.3):
    subprocess.run(["xdotool", *map(str, args)], check=True)
    time.sleep(pause)


class Program:
    def __init__(self, exe, title):
        self.title, self.name = title, exe.split(".")[0]
        exe = SYSTEM + exe
        self.log = os.path.join(WORK, self.name + ".log")
        # A program run before under the same name left its log, "ready" and
        # all: beside busy loops the away check once began on the strength of
        # the editor's, with the module not yet working in the new editor.
        if os.path.exists(self.log):
            os.remove(self.log)
        inject = os.path.join(BIN, "orvalinde_inject.exe")
        self.process = subprocess.Popen(
            ["wine", inject, "run", exe, wine_path(os.path.join(BIN, "orvalinde_agent.dll")),
             wine_path(os.path.join(BIN, "Orvalinde.dll")), wine_path(self.log)],
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        self.marks = 0
        # A program's start under Wine on a loaded machine is slow and has no
        # bound: the limit is generous, and the wait ends early only if the
        # agent says it failed or the injector has exited.
        deadline = time.time() + 120
        while True:
            log = open(self.log).read() if os.path.exists(self.log) else ""
            if "ready" in log:
                break
            exited = self.process.poll() is not None
            if time.time() > deadline or " failed" in log or exited:
                why = "the injector exited: %r" % self.process.stdout.read().strip() if exited else \
                    "the agent failed" if " failed" in log else "120 s"
                raise SystemExit("FAIL %s: the module never became ready in its UI thread (%s): %s" %
                                 (self.name, why, self.said()))
            time.sleep(0.1)
        time.sleep(0.5)

    def said(self):
        """What the log tells of a start that never became ready: its first
        lines, and the classes of the windows that took messages (a dialog's,
        "#32770", would be a message box shown from inside load or doEnable)."""
        if not os.path.exists(self.log):
            return "no log"
        lines = open(self.log).read().split("\n")
        classes = sorted({line.split()[3] for line in lines if len(line.split()) > 3 and line.split()[1] in ("input", "sent")})
        return "%s; windows that took messages: %s" % (lines[:3], ", ".join(classes) or "none")

    def tool(self, *args):
        return subprocess.run(["wine", os.path.join(BIN, "orvalinde_inject.exe"), *args], capture_output=True,
                              text=True).stdout.strip()

    def released(self, key):
        """Waits until the desktop's key state reads the key up. Under Wine it
        follows a key only once the program the key went to has read the X
        server's event: beside busy loops the editor's click came while it
        still read Ctrl down, and the module rightly took Ctrl as held."""
        code = subprocess.run(["wine", os.path.join(BIN, "orvalinde_inject.exe"), "keyup", "%x" % key, "20000"],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode
        check("away: the key state reads 0x%X up within 20 s of its release" % key, code == 0)

    def front(self, title):
        """Waits until the window titled so is in front: a click that was to
        give it the focus did."""
        code = subprocess.run(["wine", os.path.join(BIN, "orvalinde_inject.exe"), "front", title, "20000"],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode
        check("away: %s is in front within 20 s of the click on it" % title, code == 0)

    def handled(self, cls, msg, seconds=20):
        """Waits until a window of the class has been given the message since
        the last mark: typing after a click waits for the click to be taken,
        so that no key input is queued when it is. Seeing some, the module
        cannot tell a key let go elsewhere from a release still on its way,
        and keeps the key held for that click."""
        deadline = time.time() + seconds
        while time.time() < deadline:
            if got(self.steps()[0][-1], cls, msg):
                return
            time.sleep(0.05)
        check("%s: the %s got 0x%04X within %d s" % (self.name, cls, msg, seconds), False)

    def mark(self):
        """Ends a step: what arrives from here on belongs to the next one."""
        time.sleep(0.3)
        self.marks += 1
        self.tool("mark", self.title, str(self.marks))
        time.sleep(0.2)

    def centre(self, window_class, dx=0, dy=0):
        left, top, right, bottom = map(int, self.tool("rect", self.title, window_class).split())
        return (left + right) // 2 + dx, (top + bottom) // 2 + dy

    def close(self):
        self.tool("close", self.title)
        try:
            self.process.wait(timeout=20)
        except subprocess.TimeoutExpired:
            self.process.kill()
            return None
        return self.process.returncode

    def finish(self, label, count):
        """Closes the program: its steps' messages, every message, its exit code."""
        code = self.close()
        steps, every = self.steps()
        if len(steps) - 1 < count:
            check(label + ": every step logged", False, "%d of %d steps" % (len(steps) - 1, count))
            return None
        return steps[1:], every, code

    def steps(self):
        """The log as one list of messages per step, with every message in order."""
        steps, every = [[]], []
        for line in open(self.log):
            words = line.split()
            if len(words) >= 3 and words[1] == "mark":
                steps.append([])
            elif len(words) == 7:
                m = {"input": words[1] == "input", "window": words[2], "cls": words[3],
                     "msg": int(words[4], 16), "wparam": int(words[5], 16), "lparam": int(words[6], 16) & 0xFFFFFFFF}
                steps[-1].append(m)
                every.append(m)
        return steps, every


def sent(step, cls, msg, wparam=None, lparam=None):
    return [m for m in step if not m["input"] and m["cls"] == cls and m["msg"] == msg and
            (wparam is None or m["wparam"] == wparam) and (lparam is None or m["lparam"] == lparam)]


def got(step, cls, msg, wparam=None, **kind):
    return [m for m in step if m["cls"] == cls and m["msg"] == msg and (wparam is None or m["wparam"] == wparam) and
            ("input" not in kind or m["input"] == kind["input"])]


def order(step, cls, messages):
    """True when the window was sent these (message, wParam) in this order."""
    seen = [(m["msg"], m["wparam"]) for m in step if not m["input"] and m["cls"] == cls]
    at = 0
    for item in seen:
        if at < len(messages) and item == messages[at]:
            at += 1
    return at == len(messages)


def believed_down(every):
    """What each window is left believing down: Shift, Ctrl, Alt and the buttons."""
    held = {}
    downs = {0x0100: None, 0x0104: None, 0x0201: 1, 0x0203: 1, 0x0204: 2, 0x0206: 2, 0x0207: 4, 0x0209: 4}
    ups = {0x0101: None, 0x0105: None, 0x0202: 1, 0x0205: 2, 0x0208: 4}
    generic = {0xA0: 0x10, 0xA1: 0x10, 0xA2: 0x11, 0xA3: 0x11, 0xA4: 0x12, 0xA5: 0x12}
    for m in every:
        keys = held.setdefault((m["window"], m["cls"]), set())
        if m["msg"] == 0x0008:  # WM_KILLFOCUS: the keys are forgotten, the buttons kept
            keys &= {1, 2, 4}
        for table, down in ((downs, True), (ups, False)):
            if m["msg"] in table:
                key = table[m["msg"]] or generic.get(m["wparam"], m["wparam"])
                if key in (1, 2, 4, 0x10, 0x11, 0x12):
                    (keys.add if down else keys.discard)(key)
    names = {1: "the left button", 2: "the right button", 4: "the middle button", 0x10: "Shift", 0x11: "Ctrl",
             0x12: "Alt"}
    return ["%s %s believes %s down" % (cls, window, names[k]) for (window, cls), keys in held.items() for k in keys]


def editor():
    p = Program("notepad.exe", "Untitled - Notepad")
    cx, cy = p.centre("Edit")
    x("mousemove", cx, cy)
    p.mark()
    # 1. Alt + right drag: its release opens the edit's context menu inside
    # the module's send; Escape closes it.
    x("keydown", "alt"); x("mousedown", 3); x("mousemove", cx + 10, cy + 10); x("mousemove", cx + 20, cy + 20)
    x("mouseup", 3, pause=0.6); x("key", "Escape"); x("keyup", "alt"); x("key", "Escape")
    p.mark()
    # 2. Alt + middle drag, whose right-button-up opens the menu too.
    x("keydown", "alt"); x("mousedown", 2); x("mousemove", cx + 10, cy); x("mousemove", cx + 20, cy)
    x("mouseup", 2, pause=0.6); x("key", "Escape"); x("keyup", "alt"); x("key", "Escape")
    p.mark()
    # 3. Alt + left drag.
    x("keydown", "alt"); x("mousedown", 1); x("mousemove", cx + 10, cy + 5); x("mousemove", cx, cy + 10)
    x("mouseup", 1, pause=0.6); x("key", "Escape"); x("keyup", "alt"); x("key", "Escape")
    p.mark()
    # 4. The chord: Alt, middle, then left.
    x("mousemove", cx, cy); x("keydown", "alt"); x("mousedown", 2); x("mousedown", 1); x("mousemove", cx + 15, cy)
    x("mouseup", 1, pause=0.6); x("key", "Escape"); x("mouseup", 2, pause=0.6); x("key", "Escape")
    x("keyup", "alt"); x("key", "Escape")
    p.mark()
    # 5. A lone Ctrl.
    x("keydown", "ctrl"); x("keyup", "ctrl")
    p.mark()
    # 6. Ctrl + left click.
    x("keydown", "ctrl"); x("mousedown", 1); x("mouseup", 1); x("keyup", "ctrl")
    p.mark()
    # 7. The mask key (Tab) with a click.
    x("keydown", "Tab"); x("mousedown", 1); x("mouseup", 1); x("keyup", "Tab")
    p.mark()
    # 8. A lost release: Alt + right drag out of the window, the button
    # released over the desktop, the pointer back over the edit.
    x("keydown", "alt"); x("mousedown", 3); x("mousemove", cx + 10, cy + 10); x("mousemove", 1000, 740)
    x("mouseup", 3); x("mousemove", cx + 30, cy + 30, pause=0.6); x("key", "Escape"); x("keyup", "alt")
    x("key", "Escape")
    p.mark()
    # 9. Typing afterwards.
    x("mousedown", 1); x("mouseup", 1); x("type", "abc")
    p.mark()
    text = p.tool("text", p.title, "Edit")
    # The focus is on the edit, a child of the frame: the user's keys go there.
    # 10. Ctrl handed to the frame by C, released while C is held.
    x("keydown", "ctrl"); x("keydown", "c"); x("keyup", "ctrl"); x("keyup", "c")
    p.mark()
    # 11. C held, then Ctrl, whose key-down the edit gets; C released first.
    x("keydown", "c"); x("keydown", "ctrl"); x("keyup", "c"); x("keyup", "ctrl")
    p.mark()
    # 12. An Alt + left drag released with Alt still held: the frame is sent
    # Alt's key-down, and the user's Alt release goes to the edit.
    x("keydown", "alt"); x("mousedown", 1); x("mousemove", cx + 10, cy + 5); x("mousemove", cx, cy + 10)
    x("mouseup", 1, pause=0.6); x("key", "Escape"); x("keyup", "alt"); x("key", "Escape")
    p.mark()
    finished = p.finish("editor", 12)
    if finished is None:
        return
    s, every, code = finished
    check("editor: Alt + right drag is a Ctrl + right drag",
          order(s[0], "Edit", [(0x0100, 0x11), (0x0204, 0), (0x0200, 0x000A), (0x0205, 0x0008)]))
    check("editor: its release opens one context menu, and the Ctrl it sent goes up once",
          len(sent(s[0], "Edit", 0x007B)) == 1 and len(sent(s[0], "Edit", 0x0101, 0x11)) == 1,
          "%d menus, %d Ctrl key-ups" % (len(sent(s[0], "Edit", 0x007B)), len(sent(s[0], "Edit", 0x0101, 0x11))))
    check("editor: Alt + middle drag ends as middle-down, right-up, middle-up",
          order(s[1], "Edit", [(0x0204, 0), (0x0200, 0x000A), (0x0207, 0), (0x0205, 0), (0x0208, 0)]))
    check("editor: Alt + left drag is a right drag",
          order(s[2], "Edit", [(0x0204, 0), (0x0200, 0), (0x0205, 0)]) and not got(s[2], "Edit", 0x0201))
    check("editor: the chord is a Ctrl + right drag",
          order(s[3], "Edit", [(0x0100, 0x11), (0x0204, 0), (0x0200, 0x000A), (0x0205, 0x000A)]))
    check("editor: a lone Ctrl never reaches the program",
          not [m for m in s[4] if m["msg"] in (0x0100, 0x0101, 0x0104, 0x0105) and m["wparam"] in (0x11, 0xA2)])
    check("editor: Ctrl + left click is an Alt + left click, whose Alt goes to the frame",
          order(s[5], "Edit", [(0x0201, 0x0001), (0x0202, 0)]) and not got(s[5], "Edit", 0x0201, input=True) and
          order(s[5], "Notepad", [(0x0100, 0x12), (0x0101, 0x12)]),
          "Alt sent to %s" % sorted({m["cls"] for m in s[5] if not m["input"] and m["wparam"] == 0x12}))
    check("editor: Tab stands for Ctrl and never reaches the program",
          len(sent(s[6], "Notepad", 0x0100, 0x11)) == 1 and len(sent(s[6], "Notepad", 0x0101, 0x11)) == 1 and
          not [m for m in s[6] if m["msg"] in (0x0100, 0x0101) and m["wparam"] == 0x09])
    ups = sent(s[7], "Edit", 0x0205, 0x0008)
    moves = sent(s[7], "Edit", 0x0200, 0x000A)
    check("editor: a release over the desktop ends the drag where it last was, once",
          len(ups) == 1 and moves and ups[0]["lparam"] == moves[-1]["lparam"],
          "%d right-button-ups" % len(ups))
    check("editor: that release opens one context menu", len(sent(s[7], "Edit", 0x007B)) == 1,
          "%d" % len(sent(s[7], "Edit", 0x007B)))
    check("editor: typing works afterwards", text.endswith("abc"), repr(text))
    for step, what in ((s[9], "Ctrl handed over, then released"), (s[10], "Ctrl taken back"),
                       (s[11], "Alt released after an Alt + left drag")):
        down = believed_down(step)
        check("editor, focus on the edit: %s: no window believes anything down" % what, not down, "; ".join(down))
    down = believed_down(every)
    check("editor: no window believes anything down at the end", not down, "; ".join(down))
    check("editor: the program closes cleanly", code == 0, "exit code %s" % code)


def registry():
    p = Program("regedit.exe", "Registry Editor")
    tx, ty = p.centre("SysTreeView32")
    left, top, _, _ = map(int, p.tool("rect", p.title, "SysTreeView32").split())
    item = (left + 40, top + 8)  # the first item of the tree
    x("mousemove", *item)
    p.mark()
    # 1. Alt + right drag over a tree item: the tree runs drag detection
    # inside the press the module sends, and is handed that press again.
    x("keydown", "alt"); x("mousedown", 3); x("mousemove", item[0] + 10, item[1] + 10)
    x("mouseup", 3, pause=0.6); x("key", "Escape", pause=0.5); x("key", "Escape"); x("keyup", "alt")
    x("key", "Escape")
    p.mark()
    # 2. Alt + middle drag over the tree: the drag runs inside its first send.
    x("mousemove", *item); x("keydown", "alt"); x("mousedown", 2); x("mousemove", item[0] + 10, item[1] + 10)
    x("mousemove", item[0] + 20, item[1] + 20); x("mouseup", 2, pause=0.6); x("key", "Escape", pause=0.5)
    x("key", "Escape"); x("keyup", "alt"); x("key", "Escape")
    p.mark()
    # 3. Ctrl + left click over the tree item, whose press the tree also
    # detects drags in.
    x("mousemove", *item); x("keydown", "ctrl"); x("mousedown", 1); x("mouseup", 1, pause=0.6); x("keyup", "ctrl")
    x("key", "Escape")
    p.mark()
    # 4. Typing afterwards: the tree takes the keys.
    x("mousemove", *item); x("mousedown", 1); x("mouseup", 1); x("type", "hk")
    p.mark()
    finished = p.finish("registry editor", 4)
    if finished is None:
        return
    s, every, code = finished
    check("registry editor: the tree gets one right press, and no copy of it",
          len(sent(s[0], "SysTreeView32", 0x0204)) == 1 and not got(s[0], "SysTreeView32", 0x0206) and
          not got(s[0], "SysTreeView32", 0x0204, input=True))
    check("registry editor: the tree's right press is answered by a release",
          bool(sent(s[0], "SysTreeView32", 0x0205, 0x0008)))
    presses = sent(s[1], "SysTreeView32", 0x0204)
    # Its first motion, sent after the drag has ended inside the loop, would
    # arrive even later, once the loop lets go.
    after = s[1] + s[2]
    ends = [i for i, m in enumerate(after) if not m["input"] and m["cls"] == "SysTreeView32" and m["msg"] == 0x0208]
    stale = [m for m in after[ends[-1]:] if not m["input"] and m["msg"] == 0x0200 and m["wparam"] == 0x000A] if ends else []
    check("registry editor: Alt + middle drag over the tree, and no motion of it after its release",
          len(presses) == 1 and ends and not stale, "%d presses, %d motions after the release" % (len(presses), len(stale)))
    check("registry editor: Ctrl + left over the tree: no copy of the press, so no Ctrl leaks with it",
          not got(s[2], "SysTreeView32", 0x0203) and not got(s[2], "SysTreeView32", 0x0201, input=True) and
          len(sent(s[2], "SysTreeView32", 0x0201, 0x0001)) == 1)
    check("registry editor: Ctrl + left's Alt goes to the frame",
          order(s[2], "RegEdit_RegEdit", [(0x0100, 0x12), (0x0101, 0x12)]),
          "Alt sent to %s" % sorted({m["cls"] for m in s[2] if not m["input"] and m["wparam"] == 0x12}))
    check("registry editor: typing works afterwards",
          bool([m for m in s[3] if m["input"] and m["msg"] == 0x0100 and m["wparam"] == ord("K")]))
    down = believed_down(every)
    check("registry editor: no window believes anything down at the end", not down, "; ".join(down))
    check("registry editor: the program closes cleanly", code == 0, "exit code %s" % code)


def module_keys(step, cls):
    """The Ctrl and Alt keystrokes the module sent to a window."""
    return [(m["msg"], m["wparam"]) for m in step
            if not m["input"] and m["cls"] == cls and m["msg"] in (0x0100, 0x0101) and m["wparam"] in (0x11, 0x12)]


def away():
    """Keys let go in another program: the text editor with the mine sweeper
    beside it, the focus moved by a click there and brought back by a click
    in the editor, as a user does."""
    p = Program("notepad.exe", "Untitled - Notepad")
    mines = subprocess.Popen(["wine", SYSTEM + "winemine.exe"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    # Its place once it has settled: it sizes itself to its board after it
    # shows, and beside busy loops a place read at once was stale, so that a
    # click meant for it went to the editor.
    last = None
    for _ in range(200):
        words = p.tool("rect", "WineMine", "-").split()
        if len(words) == 4 and all(w.lstrip("-").isdigit() for w in words):
            if words == last:
                break
            last = words
        time.sleep(0.25)
    else:
        check("away: the mine sweeper opened", False)
        mines.kill()
        p.close()
        return
    left, top, right, _ = map(int, words)
    elsewhere = ((left + right) // 2, top + 12)  # its counters' row: no mine is opened
    cx, cy = p.centre("Edit")
    x("mousemove", cx, cy); x("click", 1)
    p.mark()
    # 1. Ctrl held in the editor, let go in the mine sweeper; back with a
    # click, then typing.
    x("keydown", "ctrl"); x("mousemove", *elsewhere); x("click", 1); p.front("WineMine"); x("keyup", "ctrl")
    p.released(0x11)
    x("mousemove", cx, cy); x("click", 1); p.handled("Edit", 0x0202); x("type", "ab")
    p.mark()
    # 2. Alt + right drag, the button let go over the desktop (the program
    # holding a pressed button gets its release anywhere else) and Alt in the
    # mine sweeper; the pointer back over the editor.
    x("keydown", "alt"); x("mousedown", 3); x("mousemove", cx + 10, cy + 10); x("mousemove", 1000, 740)
    x("mouseup", 3); x("mousemove", *elsewhere); x("click", 1); p.front("WineMine"); x("keyup", "alt")
    p.released(0x12)
    x("mousemove", cx + 20, cy + 20)
    x("mousemove", cx + 30, cy + 30, pause=0.6); x("key", "Escape"); x("click", 1); x("key", "Escape")
    p.mark()
    # 3. Tab, the mask key, held in the editor and let go in the mine sweeper.
    x("keydown", "Tab"); x("mousemove", *elsewhere); x("click", 1); p.front("WineMine"); x("keyup", "Tab")
    p.released(0x09)
    x("mousemove", cx, cy); x("click", 1); p.handled("Edit", 0x0202); x("type", "cd")
    p.mark()
    text = p.tool("text", p.title, "Edit")
    mines.kill()
    finished = p.finish("away", 3)
    if finished is None:
        return
    s, every, code = finished
    click = s[0]
    check("away: Ctrl let go elsewhere: back in the editor a click is a plain click",
          bool(got(click, "Edit", 0x0201, input=True)) and not sent(click, "Edit", 0x0201),
          "presses: %s; keys and buttons: %s" % (
              [(m["input"], hex(m["wparam"])) for m in click if m["msg"] == 0x0201],
              [(m["cls"], "input" if m["input"] else "sent", hex(m["msg"]), hex(m["wparam"])) for m in click
               if 0x0100 <= m["msg"] <= 0x0105 or 0x0201 <= m["msg"] <= 0x0209]))
    check("away: ... and the module sends no Ctrl or Alt keystroke to the frame",
          not module_keys(click, "Notepad"), "%s" % module_keys(click, "Notepad"))
    drag = s[1]
    ups = sent(drag, "Edit", 0x0205, 0x0008)
    ctrl = [m["msg"] for m in drag if not m["input"] and m["cls"] == "Edit" and m["wparam"] == 0x11 and
            m["msg"] in (0x0100, 0x0101)]
    check("away: Alt + right drag let go elsewhere: the drag ends once and the Edit hears its Ctrl go up",
          len(ups) == 1 and ctrl == [0x0100, 0x0101], "%d right-button-ups, Ctrl %s" % (len(ups), ctrl))
    mask = s[2]
    keys = module_keys(mask, "Notepad")
    check("away: Tab let go elsewhere: the frame's Ctrl goes up before the click, and no Alt goes down after",
          keys[:1] == [(0x0100, 0x11)] and (0x0101, 0x11) in keys and (0x0100, 0x12) not in keys, "%s" % keys)
    check("away: typing works afterwards", text.endswith("abcd"), repr(text))
    down = believed_down(every)
    check("away: no window believes anything down at the end", not down, "; ".join(down))
    check("away: the program closes cleanly", code == 0, "exit code %s" % code)


editor()
away()
if X86:
    print("SKIP registry editor: its 32-bit build runs the 64-bit one")
else:
    registry()
print("%d passed, %d failed" % (results.count(True), results.count(False)))
sys.exit(0 if all(results) else 1)
