#!/usr/bin/env python3
# SPDX-FileCopyrightText: The Myoruka developers
# SPDX-License-Identifier: MIT
"""The real program, each start in a copy of RUN_DIR, on a private Xvfb driven by xdotool.
usage: e2e.py SCENARIO RUN_DIR; exit code 0 passed, 1 failed (work folder kept), 77 skipped."""
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

NAME = '^ミョルカ$'  # the main window and its message boxes
BUTTON, WATER = (128, 128, 255), (0, 0, 192)
LAMPS = {(255, 255, 0), (255, 0, 0)}  # the blinking square, either colour
MENU, TALK = 'menu', 'talk'  # the first words: greeting and buttons, or a talk without buttons
RUNS = []  # every program started, so none outlives the test


class Failure(Exception):
    """What went wrong, said as the user would see it."""


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
        return self.err.read_text(errors='replace')

    def click(self, ux, uy):
        x, y = round(ux * self.width / 10), round(uy * self.height / 15)
        run('xdotool', 'mousemove', '--window', self.win, str(x), str(y), 'click', '1',
            'mousemove', '0', '0')
        time.sleep(0.15)

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

    def indicator(self, pixel=None):
        return (pixel or self.shot())(9.25, 13.25) in LAMPS

    def opening(self):
        """Waits for the first words and tells which kind they are."""
        def seen():
            pixel = self.shot()
            # The first button, mostly button blue away from its caption.
            if sum(pixel(0.2 + dx / 10, 14.2 + dy / 10) == BUTTON
                   for dx in range(4) for dy in range(7)) > 14:
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


def faults():
    """A missing file: a message box, a line on stderr, exit code 2 and nothing stored."""
    # A word list is read before the window shows; the first picture when it is shown. The
    # second box is ended by Ctrl+C in the terminal: it must not wait for the user.
    for missing, record, boxes in (('3.dat', None, 1), ('0.bmp', [7, 1, 2, 3, 4, 5, 6], 2)):
        prog = Myoruka(fresh_copy(record, remove=[missing]))
        found = wait_until(lambda: len(windows(NAME)) == boxes and windows(NAME),
                           f'the message box about {missing}')
        check(prog.proc.poll() is None, 'the program must wait for the box to be dismissed')
        if record is None:
            box = min(found, key=lambda w: w[1] * w[2])[0]
            check('(48 x 48)' in run('xprop', '-id', box, '_NET_WM_ICON'), 'the box has no icon')
            run('xdotool', 'windowfocus', '--sync', box)
            run('xdotool', 'key', 'Return')
            prog.end(code=2)
        else:
            prog.end(signal.SIGINT, code=2, timeout=5)
        check(any(re.match(rf'myoruka: /\S*/{missing}: \S', line) for line in
                  prog.stderr().splitlines()), f'stderr names {missing}: {prog.stderr()!r}')
        if record is None:
            check(prog.file('str.dat') is None, 'str.dat was created although the start failed')
        else:
            prog.expect_record(record)


def second_copy():
    """One alien per folder: a second start counts nothing and leaves; a dead run's lock and its
    leftover temporary record are cleared by the next start, the user's older copy is not; other
    folders are independent."""
    # As under su, the session's runtime folder is another user's (or none, for a user who cannot
    # give one away): the program makes its own in TMPDIR, without a word.
    os.environ['XDG_RUNTIME_DIR'] = str(WORK / 'theirs')
    (WORK / 'theirs').mkdir(mode=0o700)
    try:
        os.chown(WORK / 'theirs', 65534, 65534)
    except PermissionError:
        os.environ.pop('XDG_RUNTIME_DIR')
    os.environ['TMPDIR'] = str(WORK)
    folder = fresh_copy([4, 0, 0, 0, 0, 0, 0])
    backup = folder / 'str.dat.backup'  # shaped like a leftover, but there before the run
    backup.write_bytes(b'mine')
    # A panel takes the screen's bottom: the window is sized by the whole screen all the same.
    run('xprop', '-root', '-f', '_NET_WORKAREA', '32c', '-set', '_NET_WORKAREA', '0, 0, 1024, 700')
    first = Myoruka(folder).window()
    check((first.width, first.height) == (452, 678), f'the window is {first.width}x{first.height}')
    check('(48 x 48)' in run('xprop', '-id', first.win, '_NET_WM_ICON'), 'the window has no icon')
    other = Myoruka(fresh_copy())  # opens over the first
    wait_until(lambda: len(windows(NAME)) == 2, 'a window of the copy in another folder')
    leftover = folder / 'str.dat.AbCdEf'  # what a run killed during its save leaves
    leftover.write_bytes(b'x')
    second = Myoruka(folder)
    second.end(code=0)
    check(leftover.exists(), 'a start that does not hold the folder removed a file in it')

    def topmost():  # xwininfo lists the screen's windows from the top down
        for line in run('xwininfo', '-root', '-children').splitlines():
            if m := re.match(r'\s*(0x\w+) "ミョルカ".* (\d+)x\d+\+', line):
                if int(m[2]) > 50:
                    return int(m[1], 16)
    wait_until(lambda: topmost() == int(first.win), 'the first run to come to the front')
    other.end(signal.SIGTERM)
    first.proc.kill()  # its lock stays behind
    first.proc.wait()
    third = Myoruka(folder).window()
    check(not leftover.exists(), 'the leftover temporary record was not removed')
    check(backup.exists(), "the user's str.dat.backup was removed")
    headache = int(third.opening() != MENU)  # one start in five opens with it
    third.end(signal.SIGHUP)  # its terminal closed
    third.expect_record([5, 0, 0, 0, 0, headache, 0])
    said = first.stderr() + second.stderr() + third.stderr()
    check('QStandardPaths' not in said, f'warned of the runtime folder: {said}')


def lost_display():
    """The X server dies mid-talk: the run's counters are stored all the same."""
    prog = start_with_menu([9, 0, 0, 0, 0, 0, 0])
    prog.click(1, 14.5)
    SERVER.terminate()
    SERVER.wait(10)
    prog.end(code=1)  # Qt ends the process itself
    prog.expect_record([10, 1, 0, 0, 0, 0, 0])


def main(name, scenario, tools=('Xvfb', 'xdotool', 'import')):
    """Runs `scenario` on a private Xvfb: 0 passed, 1 failed, 77 skipped."""
    global RUN_DIR, WORK, SERVER
    RUN_DIR, missing = Path(sys.argv[-1]), [t for t in tools if not shutil.which(t)]
    if missing:
        print(f'SKIP: not installed: {" ".join(missing)}')
        return 77
    WORK = Path(tempfile.mkdtemp(prefix=f'myoruka-{name}-'))
    os.chmod(WORK, 0o700)  # Qt wants a private runtime folder
    os.environ['XDG_RUNTIME_DIR'] = str(WORK)
    signal.signal(signal.SIGALRM, lambda *_: check(False, 'the scenario took too long'))
    signal.alarm(100)  # below the CTest timeout, so the clean-up below still runs
    SERVER, passed = None, False
    try:
        check(os.access(RUN_DIR / 'myoruka', os.X_OK), f'no program in {RUN_DIR}')
        SERVER = start_display()
        scenario()
        passed = True
    except (Failure, subprocess.TimeoutExpired) as e:
        print(f'FAIL {name}: {e}')
        for prog in RUNS[-1:]:
            print(f'last start in {prog.folder}; its stderr:\n{prog.stderr()}')
        print(f'copies and logs kept in {WORK}')
    finally:
        signal.alarm(0)
        for prog in RUNS:
            if prog.proc.poll() is None:
                prog.proc.kill()
                prog.proc.wait()
        if SERVER:
            SERVER.terminate()  # not killed: Xvfb removes its lock file on the way out
            SERVER.wait(10)
    if passed:
        shutil.rmtree(WORK, ignore_errors=True)
        print(f'PASS {name}')
    return 0 if passed else 1


if __name__ == '__main__':
    sys.exit(main(sys.argv[1], globals()[sys.argv[1]]))
