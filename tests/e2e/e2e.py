#!/usr/bin/env python3
# SPDX-FileCopyrightText: The Myoruka developers
# SPDX-License-Identifier: MIT
"""End-to-end tests: the real program on a private Xvfb, driven by xdotool.

usage: e2e.py SCENARIO RUN_DIR (the built program folder; every start runs in a copy of it)
Exit code 0: passed; 1: failed, the work folder is kept; 77: a tool is missing.
"""
import ctypes
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
from pathlib import Path

NAME, ASK = '^ミョルカ$', '要求じゃ'  # the main window and message boxes; the input box
BUTTON, WATER = (128, 128, 255), (0, 0, 192)
LAMPS = {(255, 255, 0), (255, 0, 0)}  # the blinking square, either colour
MENU, TALK = 'menu', 'talk'  # the first words: greeting and buttons, or a talk without buttons
RUNS = []  # every program started, so none outlives the test


class Failure(Exception):
    pass


def check(ok, what):
    if not ok:
        raise Failure(what)


def wait_until(condition, what, timeout=10.0):
    end = time.monotonic() + timeout
    while not (value := condition()):
        check(time.monotonic() < end, f'timed out waiting for {what}')
        time.sleep(0.1)
    return value


def die_with_parent():
    ctypes.CDLL(None).prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG: never outlive this script


def run(*args, **kwargs):
    return subprocess.run(args, capture_output=True, text=True, timeout=15, **kwargs).stdout


def start_display():
    read, write = os.pipe()
    # -noreset: a reset, when the last client leaves, would undo the keys bound by bind_keys
    xvfb = subprocess.Popen(['Xvfb', '-displayfd', str(write), '-noreset', '-nolisten', 'tcp',
                             '-screen', '0', '1024x768x24'], pass_fds=[write],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                            preexec_fn=die_with_parent)
    os.close(write)
    with os.fdopen(read) as pipe:  # the whole line: Xvfb dies if the pipe closes too early
        number = pipe.readline().strip()
    check(number.isdigit(), 'Xvfb did not start')
    os.environ.update(DISPLAY=':' + number, QT_QPA_PLATFORM='xcb')
    os.environ.pop('WAYLAND_DISPLAY', None)
    run('xdotool', 'mousemove', '0', '0')  # out of every window: no tooltips over the controls
    return xvfb


def bind_keys(text):
    """Puts each character of `text` on a spare key. Otherwise xdotool binds a key per character
    and undoes it at once, and a busy program may look the key up after it was undone."""
    keymap = run('xkbcomp', '-xkb', os.environ['DISPLAY'], '-')
    spare = re.findall(r'key <(I2\d\d)> {[^}]*};', keymap)  # media keys nobody presses here
    chars = list(dict.fromkeys(text))
    check(len(spare) >= len(chars), 'spare keys in the keymap')
    for key, char in zip(spare[-len(chars):], chars):
        keymap = re.sub(rf'key <{key}> {{[^}}]*}};', f'key <{key}> {{[U{ord(char):04X}]}};', keymap)
    run('xkbcomp', '-w', '0', '-', os.environ['DISPLAY'], input=keymap)


def windows(pattern):
    """Mapped windows whose name matches, tiny helper windows left out: [(id, width, height)]."""
    found = []
    for wid in run('xdotool', 'search', '--onlyvisible', '--name', pattern).split():
        geo = dict(re.findall(r'(\w+)=(\d+)', run('xdotool', 'getwindowgeometry', '--shell', wid)))
        if int(geo.get('WIDTH', 0)) > 50:
            found.append((wid, int(geo['WIDTH']), int(geo['HEIGHT'])))
    return found


def fresh_copy(record=None, remove=()):
    folder = Path(tempfile.mkdtemp(dir=WORK, prefix='copy-'))
    shutil.copytree(RUN_DIR, folder, dirs_exist_ok=True,
                    ignore=shutil.ignore_patterns('str.dat', *remove))
    if record is not None:
        (folder / 'str.dat').write_bytes(bytes(record))
    return folder


class Myoruka:
    """One start of the program in `folder`; the window's client area is 10 x 15 layout units."""

    def __init__(self, folder):
        self.folder, self.err = folder, folder.with_suffix('.stderr')
        with open(self.err, 'wb') as err:  # started from elsewhere: it must use its own folder
            self.proc = subprocess.Popen([folder / 'myoruka'], cwd=WORK, stderr=err,
                                         stdout=subprocess.DEVNULL, preexec_fn=die_with_parent)
        RUNS.append(self)

    def window(self):
        found = wait_until(lambda: windows(NAME), 'the main window')
        self.win, self.width, self.height = max(found, key=lambda w: w[1] * w[2])
        return self

    def file(self, name):
        return (self.folder / name).read_bytes() if (self.folder / name).exists() else None

    def stderr(self):
        return self.err.read_bytes().decode('utf-8', 'replace')

    def click(self, ux, uy):
        x, y = round(ux * self.width / 10), round(uy * self.height / 15)
        run('xdotool', 'mousemove', '--window', self.win, str(x), str(y), 'click', '1',
            'mousemove', '0', '0')
        time.sleep(0.15)

    def click_speech(self):
        self.click(4, 11.5)

    def press(self, button):
        self.click(2 * button + 1, 14.5)

    def key(self, name):
        run('xdotool', 'windowfocus', '--sync', self.win)
        run('xdotool', 'key', name)
        time.sleep(0.15)

    def shot(self):
        """The window's pixels now, as a function (ux, uy) -> (r, g, b)."""
        ppm = subprocess.run(['import', '-window', self.win, '-depth', '8', 'ppm:-'],
                             capture_output=True, timeout=15).stdout
        head = ppm.split(maxsplit=3)  # P6, width, height, 255 and the pixels
        check(len(head) == 4 and head[0] == b'P6', 'a screenshot of the window')
        width, height = int(head[1]), int(head[2])
        data = ppm[-3 * width * height:]

        def pixel(ux, uy):
            x, y = min(width - 1, int(ux * width / 10)), min(height - 1, int(uy * height / 15))
            return tuple(data[3 * (y * width + x):3 * (y * width + x) + 3])
        return pixel

    def buttons(self, pixel=None):
        """The menu buttons shown: mostly button blue inside their places on row 14."""
        pixel = pixel or self.shot()
        points = [(dx / 10, dy / 10) for dx in range(2, 19, 2) for dy in range(2, 9, 2)]
        return {i for i in range(5)
                if sum(pixel(2 * i + dx, 14 + dy) == BUTTON for dx, dy in points) > len(points) / 2}

    def indicator(self, pixel=None):
        return (pixel or self.shot())(9.25, 13.25) in LAMPS

    def opening(self):
        """Waits for the first words and tells which kind they are."""
        def seen():
            pixel = self.shot()
            if 0 in self.buttons(pixel):
                return MENU
            # Before the first words the tank is empty water; afterwards the alien sits mid-tank.
            alien = any(pixel(4.8 + d / 10, 4.8 + d / 10) != WATER for d in range(5))
            return TALK if alien and self.indicator(pixel) else None
        return wait_until(seen, 'the first words')

    def alive(self, what):
        time.sleep(0.4)
        check(self.proc.poll() is None, f'the program ended too early: {what}')

    def end(self, sig=None, code=0, timeout=10):
        """Sends `sig` if given and waits for the program to end with exit code `code`."""
        if sig:
            self.proc.send_signal(sig)
        try:
            got = self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            raise Failure(f'the program did not end within {timeout} s') from None
        check(got == code, f'exit code {got}, expected {code}')

    def expect_record(self, counters):
        got, want = self.file('str.dat'), bytes(counters)
        check(got == want, f'str.dat holds {got.hex(" ") if got is not None else "nothing"}, '
                           f'expected {want.hex(" ")}')


def start_with_menu(record=None):
    """Starts fresh copies until one opens with the greeting and the menu (4 in 5 starts do)."""
    for _ in range(25):
        prog = Myoruka(fresh_copy(record)).window()
        if prog.opening() == MENU:
            return prog
        prog.end(signal.SIGTERM)
    raise Failure('25 starts in a row opened without the menu')


def first_start():
    """Starts in one folder until both openings were seen; the record counts them."""
    folder, seen, years, headaches = fresh_copy(), set(), 0, 0
    while seen != {MENU, TALK}:
        check(years < 40, f'40 starts and only these openings: {seen}')
        prog = Myoruka(folder).window()
        years += 1
        if years == 1:
            check(prog.file('str.dat') == b'', 'the first start creates an empty str.dat')
        opening = prog.opening()
        seen.add(opening)
        if opening == MENU:
            shown = prog.buttons()
            check(shown == {0, 4}, f'a new alien offers 占い and 会話 only, not {sorted(shown)}')
            prog.end(signal.SIGTERM)
        else:  # the headache: two clicks on the speech and it ends
            headaches += 1
            prog.click_speech()
            prog.alive('one click into the headache')
            prog.click_speech()
            prog.end()
        prog.expect_record([years, 0, 0, 0, 0, headaches, 0])


def fortune_by_mouse():
    """A whole reading by clicks; a click while the day's lines appear is ignored."""
    prog = start_with_menu()
    prog.press(0)
    prog.click_speech()
    wait_until(lambda: not prog.indicator(), "the day's lines to start")
    prog.click_speech()
    wait_until(prog.indicator, "the day's lines to finish", timeout=5)
    prog.click_speech()
    prog.click_speech()
    prog.alive('two clicks after the reading: was the click during it taken?')
    prog.click_speech()
    prog.end()
    prog.expect_record([1, 1, 0, 0, 0, 0, 0])


def unlocked_buttons():
    """The buttons shown follow the counters stored before the start."""
    cases = {(4, 10, 0, 10, 0, 0, 50): {0, 1, 2, 3, 4},
             (4, 0, 0, 0, 0, 10, 0): {0, 1, 4},
             (4, 10, 0, 9, 0, 9, 30): {0, 1, 3, 4},
             (4, 10, 0, 10, 0, 9, 19): {0, 4}}
    for record, expected in cases.items():
        prog = start_with_menu(record)
        shown = prog.buttons()
        prog.end(signal.SIGTERM)
        check(shown == expected, f'record {record}: buttons {sorted(shown)} shown, '
                                 f'expected {sorted(expected)}')


def rebirth():
    """The hundredth start: eight steps by mouse and keys, then every counter is zero."""
    prog = Myoruka(fresh_copy([99, 60, 5, 7, 3, 2, 200])).window()
    check(prog.opening() == TALK and not prog.buttons(), 'the rebirth opens without buttons')
    for step, key in enumerate([None, None, None, 'space', 'Return', None, 'space'], 1):
        prog.key(key) if key else prog.click_speech()
        prog.alive(f'rebirth step {step} of 8')
    prog.click_speech()
    prog.end()
    prog.expect_record([0] * 7)


def teach_noun():
    """A taught noun is appended to 1.dat; a hang-up while the input box is open still saves."""
    noun, presses = '宇宙ネコ', 0
    prog = start_with_menu()
    before = prog.file('1.dat')
    check(noun.encode('cp932') not in before, 'the noun must be new to 1.dat')

    def ask():  # press 会話 until the alien asks (3 in 10 presses); go through the small talk
        def step():
            nonlocal presses
            if found := windows(ASK):
                return found[0][0]
            if 4 in prog.buttons():
                prog.press(4)
                presses += 1
                time.sleep(0.3)
            else:
                prog.click_speech()
        return wait_until(step, 'the input box, which 3 in 10 presses of 会話 bring', timeout=40)

    bind_keys(noun)
    run('xdotool', 'windowfocus', '--sync', ask())
    run('xdotool', 'type', '--delay', '40', noun)
    run('xdotool', 'key', 'Return')
    wait_until(lambda: not windows(ASK), 'the input box to close')
    prog.click_speech()
    after = wait_until(lambda: prog.file('1.dat') != before and prog.file('1.dat'), 'a new 1.dat')
    check(after == before + noun.encode('cp932') + b'\r\n',
          f'1.dat should end with the noun in CP932 and CR LF; it ends {after[-24:]!r}')
    prog.click_speech()
    ask()
    prog.end(signal.SIGHUP)  # with the input box open
    prog.expect_record([1, 0, 0, 0, 0, 0, presses])
    check(prog.file('1.dat') == after, '1.dat changed again')


def faults():
    """A missing file: a message box, a line on stderr, exit code 2 and nothing stored."""
    # A word list is read before the window shows; the first picture when it is shown. The
    # second box is ended by a signal, as a logout would: it must not wait for the user.
    for missing, record, boxes in (('3.dat', None, 1), ('0.bmp', [7, 1, 2, 3, 4, 5, 6], 2)):
        prog = Myoruka(fresh_copy(record, remove=[missing]))
        found = wait_until(lambda: len(windows(NAME)) == boxes and windows(NAME),
                           f'the message box about {missing}')
        check(prog.proc.poll() is None, 'the program must wait for the box to be dismissed')
        if record is None:
            run('xdotool', 'windowfocus', '--sync', min(found, key=lambda w: w[1] * w[2])[0])
            run('xdotool', 'key', 'Return')
            prog.end(code=2)
        else:
            prog.end(signal.SIGTERM, code=2, timeout=5)
        check(any(line.startswith('myoruka: ') and missing in line for line in
                  prog.stderr().splitlines()), f'stderr names {missing}: {prog.stderr()!r}')
        if record is None:
            check(prog.file('str.dat') is None, 'str.dat was created although the start failed')
        else:
            prog.expect_record(record)


def signal_mid_talk():
    """SIGINT while the day's lines appear: the program ends and stores the raised counter."""
    prog = start_with_menu([9, 0, 0, 0, 0, 0, 0])
    prog.press(0)
    prog.click_speech()
    wait_until(lambda: not prog.indicator(), "the day's lines to start")
    prog.end(signal.SIGINT, timeout=5)
    prog.expect_record([10, 1, 0, 0, 0, 0, 0])


def second_copy():
    """One alien per folder: a second start counts nothing and leaves; a dead run's lock and its
    leftover temporary record are cleared by the next start; other folders are independent."""
    folder = fresh_copy([4, 0, 0, 0, 0, 0, 0])
    first = Myoruka(folder).window()
    leftover = folder / 'str.dat.AbCdEf'  # what a run killed during its save leaves
    leftover.write_bytes(b'x')
    second = Myoruka(folder)
    second.end(code=0)
    check(leftover.exists(), 'a start that does not hold the folder removed a file in it')
    other = Myoruka(fresh_copy())
    wait_until(lambda: len(windows(NAME)) == 2, 'a window of the copy in another folder')
    other.end(signal.SIGTERM)
    first.proc.kill()  # its lock stays behind
    first.proc.wait()
    third = Myoruka(folder).window()
    check(not leftover.exists(), 'the leftover temporary record was not removed')
    headache = int(third.opening() != MENU)  # one start in five opens with it
    third.end(signal.SIGTERM)
    third.expect_record([5, 0, 0, 0, 0, headache, 0])


def lost_display():
    """The X server dies mid-talk: the run's counters are stored all the same."""
    prog = start_with_menu([9, 0, 0, 0, 0, 0, 0])
    prog.press(0)
    XVFB.terminate()
    XVFB.wait(10)
    prog.end(code=1)  # Qt ends the process itself
    prog.expect_record([10, 1, 0, 0, 0, 0, 0])


def main():
    global RUN_DIR, WORK, XVFB
    scenario, RUN_DIR = globals()[sys.argv[1]], Path(sys.argv[2])
    missing = [tool for tool in ('Xvfb', 'xkbcomp', 'xdotool', 'import') if not shutil.which(tool)]
    if missing:
        print(f'SKIP: not installed: {" ".join(missing)}')
        return 77
    WORK = Path(tempfile.mkdtemp(prefix=f'myoruka-e2e-{sys.argv[1]}-'))
    os.environ['XDG_RUNTIME_DIR'] = str(WORK)
    signal.signal(signal.SIGALRM, lambda *_: check(False, 'the scenario took too long'))
    signal.alarm(100)  # below the CTest timeout, so the clean-up below still runs
    xvfb, passed = None, False
    try:
        check(os.access(RUN_DIR / 'myoruka', os.X_OK), f'no program in {RUN_DIR}')
        xvfb = XVFB = start_display()
        scenario()
        passed = True
    except (Failure, subprocess.TimeoutExpired) as e:
        print(f'FAIL {sys.argv[1]}: {e}')
        if xvfb and xvfb.poll() is None:
            run('import', '-window', 'root', str(WORK / 'screen.png'))
        for prog in RUNS[-1:]:
            print(f'last start in {prog.folder}; its stderr:\n{prog.stderr()}')
        print(f'screenshot and copies kept in {WORK}')
    finally:
        signal.alarm(0)
        for prog in RUNS:
            if prog.proc.poll() is None:
                prog.proc.kill()
                prog.proc.wait()
        if xvfb:
            xvfb.terminate()  # not killed: Xvfb removes its lock file on the way out
            xvfb.wait(10)
    if passed:
        shutil.rmtree(WORK, ignore_errors=True)
        print(f'PASS {sys.argv[1]}')
    return 0 if passed else 1


if __name__ == '__main__':
    sys.exit(main())
