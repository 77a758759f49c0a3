#!/usr/bin/python3
"""Uses the board's context menu and its keys through the real window, as a
person with a mouse and a keyboard would, and checks what each did.

    DISPLAY=:99 tools/menu_on_display.py [--build build/rel] [--shots DIR]

A display with a window manager must be running (Xvfb and openbox will do).
The script starts the program itself, twice, with a configuration folder of
its own, so the remembered level and rules can be seen to survive a restart.
It reads the position back through the menu's 复制局面 (the clipboard, with
xclip), the remembered choices from the settings file, and finds the hint's
red mark in a screenshot (ImageMagick). With --shots it keeps screenshots of
the open menu, the hint, "将军!", a refused paste and the about window opened
while the Computer thinks at level 8. Prints one line per check and exits 1
when one fails.
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

START = "rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR w - - 0 1"
# The horse blocks a check; the Computer's chariot takes it with check again.
CHECK = "3k5/4r4/9/9/9/9/3N5/9/9/4K4 w - - 0 1"
# Buttons of the main window (client pixels).
NEW_GAME = (500, 319)
ABOUT = (500, 419)

failures = []


def check(what, ok, detail=""):
    print(("ok   " if ok else "FAIL ") + what + (f"  ({detail})" if detail else ""))
    if not ok:
        failures.append(what)


def run(*args, **kw):
    return subprocess.run(args, capture_output=True, text=True, **kw).stdout.strip()


def key(*keys):
    run("xdotool", "key", "--delay", "80", *keys)
    time.sleep(0.3)


def cell(col, row):
    return (col - 1) * 48 + 24, (row - 1) * 48 + 24


class Program:
    def __init__(self, build, config):
        env = dict(os.environ, XDG_CONFIG_HOME=config)
        self.process = subprocess.Popen([os.path.join(build, "app", "xiangqi")], env=env,
                                        stderr=subprocess.DEVNULL)
        self.window = run("xdotool", "search", "--sync", "--onlyvisible", "--name",
                          "VelmoraCorvane", timeout=20).split()[0]
        run("xdotool", "windowactivate", "--sync", self.window)
        time.sleep(0.5)

    def click(self, xy, button=1):
        run("xdotool", "mousemove", "--window", self.window, str(xy[0]), str(xy[1]),
            "click", str(button))
        time.sleep(0.3)

    def move(self, frm, to, wait=0.6):
        self.click(cell(*frm))
        self.click(cell(*to))
        time.sleep(wait)

    # Opens the menu with the right button and walks it with the keys: Down skips greyed
    # items and separators, so `downs` counts the items that can be chosen.
    def menu(self, downs, level=None, shot=None):
        self.click((200, 240), button=3)
        time.sleep(0.3)
        key(*(["Down"] * downs))
        if level is not None:
            key("Right", *(["Down"] * (level - 1)))
        if shot:
            self.shot(shot, whole_screen=True)
        key("Return")
        time.sleep(0.3)

    def position(self):
        key("ctrl+c")
        return run("xclip", "-o", "-selection", "clipboard")

    def paste(self, fen):
        subprocess.run(["xclip", "-selection", "clipboard"], input=fen, text=True)
        time.sleep(0.2)
        run("xdotool", "windowactivate", "--sync", self.window)
        key("ctrl+v")

    def shot(self, path, whole_screen=False):
        if not path:
            return
        if whole_screen:
            geometry = run("xdotool", "getwindowgeometry", "--shell", self.window)
            g = dict(line.split("=") for line in geometry.splitlines())
            run("import", "-window", "root", "-crop",
                f"580x530+{int(g['X']) - 12}+{int(g['Y']) - 32}", path)
        else:
            run("import", "-window", self.window, path)

    def close(self):
        run("xdotool", "windowactivate", "--sync", self.window)
        start = time.monotonic()
        run("xdotool", "key", "alt+F4")
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            return None
        return time.monotonic() - start


def red_mark(path):
    """The top-left pixel of the hint's red corner marks, or None."""
    out = run("convert", path, "-crop", "436x484+0+0", "-fill", "black", "+opaque",
              "rgb(220,20,20)", "-trim", "info:")
    parts = out.split()
    if len(parts) < 4 or "+" not in parts[3]:
        return None
    _, x, y = parts[3].split("+")
    return int(x), int(y)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", default="build/rel")
    ap.add_argument("--shots")
    a = ap.parse_args()
    shots = a.shots
    shot = (lambda name: os.path.join(shots, name)) if shots else (lambda name: None)
    config = tempfile.mkdtemp(prefix="xiangqi-config-")
    settings = os.path.join(config, "xiangqi", "xiangqi.ini")

    p = Program(a.build, config)
    check("the start position is copied", p.position() == START, p.position())
    p.menu(0, shot=shot("menu-open.png"))  # nothing chosen: Return on no item closes it
    key("Escape")

    # 悔棋 from the menu after one move.
    p.move((2, 8), (5, 8))
    after = p.position()
    check("a move was answered", after != START and after.split()[1] == "w", after)
    p.menu(1)  # 悔棋 is the first item now that it can be chosen
    check("悔棋 from the menu takes the move back", p.position() == START, p.position())

    # 提示 (悔棋 greyed again, so it is the first item), then one click on the marked square.
    p.menu(1)
    time.sleep(1.5)
    hint_shot = os.path.join(config, "hint.png")
    p.shot(hint_shot)
    if shots:
        p.shot(shot("hint.png"))
    mark = red_mark(hint_shot)
    check("提示 marks a target square", mark is not None, str(mark))
    if mark:
        col, row = mark[0] // 48 + 1, mark[1] // 48 + 1
        p.click(cell(col, row))
        time.sleep(0.8)
        check("one click on the mark plays the hint", p.position() != START, p.position())
    key("ctrl+z")
    check("Ctrl+Z takes the hinted move back", p.position() == START, p.position())

    # 标准规则 and 难度 from the menu; both remembered in the settings file.
    p.menu(3)  # 提示, 难度, 标准规则
    p.menu(2, level=5, shot=shot("menu-levels.png"))
    text = open(settings).read() if os.path.exists(settings) else ""
    check("标准规则 and 难度 5 are written", "standardRules=1" in text and "level=5" in text,
          text.replace("\n", " "))

    # 粘贴局面 of a bad text: a box, nothing changed; then the check position from the menu.
    p.paste("this is no position")
    p.shot(shot("paste-refused.png"), whole_screen=True)
    key("Return")
    check("a bad paste changes nothing", p.position() == START, p.position())
    subprocess.run(["xclip", "-selection", "clipboard"], input=CHECK, text=True)
    p.menu(5)  # 提示, 难度, 标准规则, 复制局面, 粘贴局面 (悔棋 greyed)
    pasted = p.position()
    check("粘贴局面 from the menu sets the position", pasted == CHECK, pasted)
    p.move((4, 7), (5, 5), wait=1.5)
    p.shot(shot("check.png"))
    replied = p.position()
    check("the Computer's chariot took the horse with check", replied.startswith("3k5/9/9/9/4r4"),
          replied)

    elapsed = p.close()
    check("the window closes", elapsed is not None)

    # A new run remembers the choices; level 8 is chosen and a game begun.
    p = Program(a.build, config)
    p.menu(2, level=8)
    text = open(settings).read()
    check("level 8 remembered after a restart and chosen", "level=8" in text and
          "standardRules=1" in text, text.replace("\n", " "))
    p.click(NEW_GAME)
    # The move and the about button in one go, so the window is caught while the Computer thinks.
    clicks = []
    for x, y in (cell(2, 8), cell(5, 8), ABOUT):
        clicks += ["mousemove", "--window", p.window, str(x), str(y), "click", "1", "sleep", "0.05"]
    run("xdotool", *clicks)
    about = run("xdotool", "search", "--sync", "--onlyvisible", "--name", "TivoCorvane",
                timeout=10)
    p.shot(shot("about-while-thinking.png"), whole_screen=True)
    check("the about window opens while the Computer thinks", bool(about))
    if about:
        run("xdotool", "windowactivate", "--sync", about.split()[0])
        key("alt+F4")
    time.sleep(2.0)
    moved = p.position()
    check("the level-8 reply arrived", moved != START and moved.split()[1] == "w", moved)

    # Closing the window while level 8 thinks ends the program at once.
    p.move((2, 10), (3, 8), wait=0.2)
    elapsed = p.close()
    check("closing while level 8 thinks ends the program",
          elapsed is not None and elapsed < 1.0, f"{elapsed:.3f} s" if elapsed else "hung")
    shutil.rmtree(config, ignore_errors=True)
    print("all checks passed" if not failures else f"{len(failures)} checks failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
