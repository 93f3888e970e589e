#!/usr/bin/env python3
"""End-to-end tests: the real program on a private Xvfb, driven by xdotool.

usage: e2e.py SCENARIO RUN_DIR
RUN_DIR is the built, ready-to-run program folder; every start works in its own copy of it.
Exit code 0: passed, 1: failed (the work folder is kept for a look), 77: a tool is missing.
"""
import ctypes
import os
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time

NAME = 'ミョルカ'
ASK = '要求じゃ'
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
        if time.monotonic() > end:
            raise Failure(f'timed out waiting for {what}')
        time.sleep(0.1)
    return value


def die_with_parent():
    ctypes.CDLL(None).prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG: never outlive this script


def run(*args):
    return subprocess.run(args, capture_output=True, text=True, timeout=15).stdout


def start_display():
    read, write = os.pipe()
    # -noreset: a reset, when the last client leaves, would write to the closed pipe and die
    xvfb = subprocess.Popen(['Xvfb', '-displayfd', str(write), '-noreset', '-screen', '0',
                             '1024x768x24', '-nolisten', 'tcp'], pass_fds=[write], stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL, preexec_fn=die_with_parent)
    os.close(write)
    ready = select.select([read], [], [], 20)[0] and os.read(read, 16).decode().strip()
    os.close(read)
    check(ready and ready.isdigit(), 'Xvfb did not start')
    os.environ.update(DISPLAY=':' + ready, QT_QPA_PLATFORM='xcb')
    os.environ.pop('WAYLAND_DISPLAY', None)
    run('xdotool', 'mousemove', '0', '0')  # out of every window: no tooltips over the controls
    return xvfb


def windows(pattern):
    """Mapped windows whose name matches: [(id, width, height)], tiny helper windows left out."""
    found = []
    for wid in run('xdotool', 'search', '--onlyvisible', '--name', pattern).split():
        geo = dict(line.split('=', 1) for line in
                   run('xdotool', 'getwindowgeometry', '--shell', wid).split() if '=' in line)
        if int(geo.get('WIDTH', 0)) > 50:
            found.append((wid, int(geo['WIDTH']), int(geo['HEIGHT'])))
    return found


def fresh_copy(record=None, remove=()):
    folder = tempfile.mkdtemp(dir=WORK, prefix='copy-')
    shutil.copytree(RUN_DIR, folder, dirs_exist_ok=True)
    for name in ('str.dat', *remove):
        if os.path.exists(os.path.join(folder, name)):
            os.remove(os.path.join(folder, name))
    if record is not None:
        with open(os.path.join(folder, 'str.dat'), 'wb') as f:
            f.write(bytes(record))
    return folder


def read_file(path):
    try:
        with open(path, 'rb') as f:
            return f.read()
    except FileNotFoundError:
        return None


class Myoruka:
    """One start of the program in `folder`; the window's client area is 10 x 15 layout units."""

    def __init__(self, folder):
        self.folder = folder
        self.err_path = folder + '.stderr'
        with open(self.err_path, 'wb') as err:  # run from elsewhere: it must use its own folder
            self.proc = subprocess.Popen([os.path.join(folder, 'myoruka')], cwd=WORK,
                                         stdout=subprocess.DEVNULL, stderr=err,
                                         preexec_fn=die_with_parent)
        RUNS.append(self)
        self.win = None

    def window(self):
        found = wait_until(lambda: windows(f'^{NAME}$'), 'the main window')
        self.win, self.width, self.height = max(found, key=lambda w: w[1] * w[2])
        check(run('xdotool', 'getwindowname', self.win).strip() == NAME, 'the window title')
        return self

    def file(self, name):
        return read_file(os.path.join(self.folder, name))

    def stderr(self):
        return (read_file(self.err_path) or b'').decode('utf-8', 'replace')

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
        """The window's pixels: a function (ux, uy) -> (r, g, b)."""
        ppm = subprocess.run(['import', '-window', self.win, '-depth', '8', 'ppm:-'],
                             capture_output=True, timeout=15).stdout
        fields = ppm.split(maxsplit=4)  # P6, width, height, 255, pixels
        check(len(fields) == 5 and fields[0] == b'P6', 'a screenshot of the window')
        width, height, data = int(fields[1]), int(fields[2]), ppm[-3 * int(fields[1]) * int(fields[2]):]

        def pixel(ux, uy):
            x = min(width - 1, int(ux * width / 10))
            y = min(height - 1, int(uy * height / 15))
            return tuple(data[3 * (y * width + x):3 * (y * width + x) + 3])
        return pixel

    def buttons(self, pixel=None):
        """The menu buttons shown: mostly button blue inside their place on row 14."""
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

    def end(self, timeout=10):
        try:
            return self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            raise Failure(f'the program did not end within {timeout} s') from None

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
        prog.proc.send_signal(signal.SIGTERM)
        prog.end()
    raise Failure('25 starts in a row opened without the menu')


def first_start():
    """Starts in one folder until both openings were seen: the record counts starts and headaches."""
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
            check(prog.buttons() == {0, 4}, f'a new alien offers only 占い and 会話: {prog.buttons()}')
            prog.proc.send_signal(signal.SIGTERM)
        else:  # the headache: two clicks on the speech and it ends
            headaches += 1
            prog.click_speech()
            prog.alive('one click into the headache')
            prog.click_speech()
        check(prog.end() == 0, f'exit code {prog.proc.returncode} after the {opening} opening')
        prog.expect_record([years, 0, 0, 0, 0, headaches, 0])


def fortune_by_mouse():
    """A whole reading by clicks; clicks during the day's lines are ignored."""
    prog = start_with_menu()
    prog.press(0)
    prog.click_speech()
    wait_until(lambda: not prog.indicator(), 'the day\'s lines to start')
    prog.click_speech()  # must be ignored while the lines appear
    wait_until(prog.indicator, 'the day\'s lines to finish', timeout=5)
    prog.click_speech()
    prog.click_speech()
    prog.alive('two clicks after the reading (was the click during it taken?)')
    prog.click_speech()
    check(prog.end() == 0, f'exit code {prog.proc.returncode}')
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
        prog.proc.send_signal(signal.SIGTERM)
        check(prog.end() == 0, f'exit code {prog.proc.returncode}')
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
    check(prog.end() == 0, f'exit code {prog.proc.returncode}')
    prog.expect_record([0] * 7)


def teach_noun():
    """A taught noun is appended to 1.dat; a hang-up while the input box is open still saves."""
    noun = '宇宙ネコ'
    prog = start_with_menu()
    before = prog.file('1.dat')
    check(noun.encode('cp932') not in before, 'the noun must be new to 1.dat')
    presses = 0

    def ask():  # press 会話 until the alien asks (3 in 10 presses); go through the small talk
        nonlocal presses
        end = time.monotonic() + 40
        while time.monotonic() < end:
            if found := windows(ASK):
                return found[0][0]
            if 4 in prog.buttons():
                check(presses < 60, 'the alien never asked for a noun')
                prog.press(4)
                presses += 1
                time.sleep(0.3)
            else:
                prog.click_speech()
        raise Failure('timed out waiting for the input box')

    box = ask()
    run('xdotool', 'windowfocus', '--sync', box)
    run('xdotool', 'type', '--delay', '40', noun)
    run('xdotool', 'key', 'Return')
    wait_until(lambda: not windows(ASK), 'the input box to close')
    prog.click_speech()
    after = wait_until(lambda: prog.file('1.dat') != before and prog.file('1.dat'), 'the noun in 1.dat')
    check(after == before + noun.encode('cp932') + b'\r\n',
          f'1.dat should end with the noun in CP932 and CR LF; it ends {after[-24:]!r}')
    prog.click_speech()
    ask()
    prog.proc.send_signal(signal.SIGHUP)
    check(prog.end() == 0, f'exit code {prog.proc.returncode} after SIGHUP with the box open')
    prog.expect_record([1, 0, 0, 0, 0, 0, presses])
    check(prog.file('1.dat') == after, '1.dat changed again')


def faults():
    """A missing file: a message box, a line on stderr, exit code 2 and nothing stored."""
    for missing, record, boxes in (('3.dat', None, 1), ('0.bmp', [7, 1, 2, 3, 4, 5, 6], 2)):
        prog = Myoruka(fresh_copy(record, remove=[missing]))
        # A word list is read before the window shows; a picture only when it is shown.
        found = wait_until(lambda: len(windows(f'^{NAME}$')) == boxes and windows(f'^{NAME}$'),
                           f'the message box about {missing}')
        box = min(found, key=lambda w: w[1] * w[2])[0]
        check(prog.proc.poll() is None, 'the program must wait for the box to be dismissed')
        run('xdotool', 'windowfocus', '--sync', box)
        run('xdotool', 'key', 'Return')
        check(prog.end() == 2, f'exit code {prog.proc.returncode} without {missing}, expected 2')
        lines = [l for l in prog.stderr().splitlines() if l.startswith('myoruka: ')]
        check(any(missing in l for l in lines), f'stderr names {missing}: {prog.stderr()!r}')
        if record is None:
            check(prog.file('str.dat') is None, 'str.dat was created although the start failed')
        else:
            prog.expect_record(record)


def signal_mid_talk():
    """SIGINT while the day's lines appear: the program ends and stores the raised counter."""
    prog = start_with_menu([9, 0, 0, 0, 0, 0, 0])
    prog.press(0)
    prog.click_speech()
    wait_until(lambda: not prog.indicator(), 'the day\'s lines to start')
    prog.proc.send_signal(signal.SIGINT)
    check(prog.end(5) == 0, f'exit code {prog.proc.returncode}')
    prog.expect_record([10, 1, 0, 0, 0, 0, 0])


SCENARIOS = {f.__name__: f for f in (first_start, fortune_by_mouse, unlocked_buttons, rebirth,
                                     teach_noun, faults, signal_mid_talk)}


def on_alarm(*_):
    raise Failure('the scenario took too long')


def main():
    global RUN_DIR, WORK
    name, RUN_DIR = sys.argv[1], sys.argv[2]
    missing = [tool for tool in ('Xvfb', 'xdotool', 'import') if not shutil.which(tool)]
    if missing:
        print(f'SKIP: not installed: {" ".join(missing)}')
        return 77
    WORK = tempfile.mkdtemp(prefix=f'myoruka-e2e-{name}-')
    os.environ['XDG_RUNTIME_DIR'] = WORK
    signal.signal(signal.SIGALRM, on_alarm)
    signal.alarm(100)  # below the CTest timeout, so the clean-up below still runs
    xvfb, passed = None, False
    try:
        check(os.access(os.path.join(RUN_DIR, 'myoruka'), os.X_OK), f'no program in {RUN_DIR}')
        xvfb = start_display()
        SCENARIOS[name]()
        passed = True
        print(f'PASS {name}')
    except (Failure, subprocess.TimeoutExpired) as e:
        print(f'FAIL {name}: {e}')
        if xvfb:
            run('import', '-window', 'root', os.path.join(WORK, 'screen.png'))
        for prog in RUNS[-1:]:
            print(f'last start in {prog.folder}, stderr:\n{prog.stderr()}')
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
    return 0 if passed else 1


if __name__ == '__main__':
    sys.exit(main())
