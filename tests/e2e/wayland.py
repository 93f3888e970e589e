#!/usr/bin/env python3
# SPDX-FileCopyrightText: The Myoruka developers
# SPDX-License-Identifier: MIT
"""The program through Qt's Wayland plugin, under weston's headless back end.

usage: wayland.py RUN_DIR (the built program folder; the start runs in a copy of it)
Exit code 0: passed; 1: failed, the work folder is kept; 77: weston cannot start here.
The window must open at the layout's outer size (the title bar Qt draws included), show the
tank and the greeting with its menu, and store the counters when it gets SIGTERM.
"""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
from pathlib import Path

import e2e
from e2e import BUTTON, WATER, Failure, check, wait_until

WIDTH, HEIGHT = 1024, 768
CORNER = (255, 255, 63)  # the tank's corners, outside the round water
BLACK = (0, 0, 0)  # the compositor's background, set in weston.ini below


def start_weston(work):
    (work / 'weston.ini').write_text('[shell]\nbackground-color=0xff000000\npanel-position=none\n')
    log = open(work / 'weston.log', 'wb')
    # --debug lets weston-screenshooter take pictures; pixman draws without a GPU.
    weston = subprocess.Popen(
        ['weston', '--backend=headless-backend.so', '--use-pixman', f'--width={WIDTH}',
         f'--height={HEIGHT}', '--socket=myoruka', '--idle-time=0', '--debug',
         f'--config={work / "weston.ini"}'], stdout=log, stderr=log,
        preexec_fn=e2e.die_with_parent)
    end = time.monotonic() + 10
    while not (work / 'myoruka').exists():
        if weston.poll() is not None or time.monotonic() > end:
            weston.kill()
            weston.wait()
            return None
        time.sleep(0.1)
    os.environ.update(WAYLAND_DISPLAY='myoruka', QT_QPA_PLATFORM='wayland')
    os.environ.pop('DISPLAY', None)
    return weston


def screen(work):
    """The whole output now, as a function (x, y) -> (r, g, b)."""
    shots = work / 'shots'
    shots.mkdir(exist_ok=True)
    subprocess.run(['weston-screenshooter'], cwd=shots, capture_output=True, timeout=15)
    found = sorted(shots.glob('*.png'))
    check(found, 'a screenshot from weston-screenshooter')
    ppm = subprocess.run(['convert', found[-1], '-depth', '8', 'ppm:-'],
                         capture_output=True, timeout=15).stdout
    for shot in found:
        shot.unlink()
    head = ppm.split(maxsplit=3)
    check(len(head) == 4 and (int(head[1]), int(head[2])) == (WIDTH, HEIGHT), 'a full screenshot')
    data = ppm[-3 * WIDTH * HEIGHT:]
    return lambda x, y: tuple(data[3 * (y * WIDTH + x):3 * (y * WIDTH + x) + 3])


def box(pixel, match, step=1):
    """The smallest (left, top, right, bottom) holding every pixel that matches."""
    xs, ys = [], []
    for y in range(0, HEIGHT, step):
        row = [x for x in range(0, WIDTH, step) if match(pixel(x, y))]
        if row:
            xs += [row[0], row[-1]]
            ys.append(y)
    return (min(xs), min(ys), max(xs) + 1, max(ys) + 1) if xs else None


def greeting_shown(work):
    """The window as it stands once the greeting and its menu are up, else None."""
    pixel = screen(work)
    tank = box(pixel, lambda p: p == CORNER, step=2)
    if not tank:
        return None
    left, top, right, bottom = tank  # the tank: the client's top 10 x 10 of its 10 x 15 units

    def at(ux, uy):
        return pixel(int(left + ux * (right - left) / 10), int(top + uy * (bottom - top) / 10))
    menu = {i for i in range(5) if at(2 * i + 1, 14.5) == BUTTON}
    if menu != {0, 4}:
        return None
    return pixel, at


def scenario(work):
    # A new alien greets with the menu 4 starts in 5; otherwise it starts again in a new copy.
    for _ in range(10):
        prog = e2e.Myoruka(e2e.fresh_copy())
        try:
            pixel, at = wait_until(lambda: greeting_shown(work), 'the greeting and its menu', 8)
            break
        except Failure:
            prog.end(signal.SIGTERM)
    else:
        raise Failure('10 starts without the greeting and its menu')

    outer = box(pixel, lambda p: p != BLACK)
    size = (outer[2] - outer[0], outer[3] - outer[1])
    expected = (round(10 * HEIGHT / 17), round(15 * HEIGHT / 17))
    check(size == expected, f'the window is {size[0]} x {size[1]} with its title bar, '
                            f'the layout asks for {expected[0]} x {expected[1]}')
    check(at(0.1, 9.9) == CORNER and at(9.9, 9.9) == CORNER and at(5, 8.5) == WATER and
          any(at(4.8 + d / 10, 4.8 + d / 10) != WATER for d in range(5)),
          'the tank: yellow corners, water, the alien mid-tank')
    check(any(at(x / 10, 10.3) not in (WATER, BLACK) for x in range(1, 99)),
          'the greeting in the speech area')
    prog.alive('before the signal')
    prog.end(signal.SIGTERM)
    prog.expect_record([1, 0, 0, 0, 0, 0, 0])


def main():
    run_dir = Path(sys.argv[1])
    missing = [tool for tool in ('weston', 'weston-screenshooter', 'convert')
               if not shutil.which(tool)]
    if missing:
        print(f'SKIP: not installed: {" ".join(missing)}')
        return 77
    work = Path(tempfile.mkdtemp(prefix='myoruka-wayland-'))
    os.chmod(work, 0o700)  # Wayland wants a private runtime folder
    os.environ['XDG_RUNTIME_DIR'] = str(work)
    e2e.RUN_DIR, e2e.WORK = run_dir, work
    weston = start_weston(work)
    if not weston:
        print('SKIP: weston cannot start here; its log:')
        print((work / 'weston.log').read_text(errors='replace')[-2000:])
        shutil.rmtree(work, ignore_errors=True)
        return 77
    signal.signal(signal.SIGALRM, lambda *_: check(False, 'the scenario took too long'))
    signal.alarm(100)
    passed = False
    try:
        check(os.access(run_dir / 'myoruka', os.X_OK), f'no program in {run_dir}')
        scenario(work)
        passed = True
    except (Failure, subprocess.TimeoutExpired) as e:
        print(f'FAIL wayland: {e}')
        subprocess.run(['weston-screenshooter'], cwd=work, capture_output=True, timeout=15)
        for prog in e2e.RUNS[-1:]:
            print(f'last start in {prog.folder}; its stderr:\n{prog.stderr()}')
        print(f'screenshot, weston.log and copies kept in {work}')
    finally:
        signal.alarm(0)
        for prog in e2e.RUNS:
            if prog.proc.poll() is None:
                prog.proc.kill()
                prog.proc.wait()
        weston.terminate()
        weston.wait(10)
    if passed:
        shutil.rmtree(work, ignore_errors=True)
        print('PASS wayland')
    return 0 if passed else 1


if __name__ == '__main__':
    sys.exit(main())
