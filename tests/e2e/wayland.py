#!/usr/bin/env python3
# SPDX-FileCopyrightText: The Myoruka developers
# SPDX-License-Identifier: MIT
"""The program through Qt's Wayland plugin under weston's headless back end: the window opens at
the layout's outer size (Qt's title bar included) with the tank and the greeting, and stores the
counters on SIGTERM. usage: wayland.py RUN_DIR; exit code 77 when weston cannot start here."""
import os
import signal
import subprocess
import sys
import time

import e2e
from e2e import BUTTON, WATER, Failure, check, wait_until

WIDTH, HEIGHT = 1024, 768
CORNER, BLACK = (255, 255, 63), (0, 0, 0)  # the tank's corners; the background set below


def start_weston():
    work = e2e.WORK
    (work / 'weston.ini').write_text('[shell]\nbackground-color=0xff000000\npanel-position=none\n')
    # --debug lets weston-screenshooter take pictures; pixman draws without a GPU.
    weston = subprocess.Popen(
        ['weston', '--backend=headless-backend.so', '--use-pixman', f'--width={WIDTH}',
         f'--height={HEIGHT}', '--socket=myoruka', '--idle-time=0', '--debug',
         f'--config={work / "weston.ini"}'], stdout=open(work / 'weston.log', 'wb'),
        stderr=subprocess.STDOUT, preexec_fn=e2e.die_with_parent)
    end = time.monotonic() + 10
    while not (work / 'myoruka').exists():
        if weston.poll() is not None or time.monotonic() > end:
            weston.kill()
            weston.wait()
            print('SKIP: weston cannot start here:', (work / 'weston.log').read_text()[-2000:])
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
    """The screen and the client's units, once the greeting and its menu are up."""
    pixel = screen(work)
    tank = box(pixel, lambda p: p == CORNER, step=2)  # the client's top 10 x 10 of 10 x 15 units
    if not tank:
        return None
    outer = box(pixel, lambda p: p != BLACK, step=2)
    if outer[0] < 2 or outer[1] < 2 or outer[2] > WIDTH - 2 or outer[3] > HEIGHT - 2:
        return None  # placed partly off the screen, as the compositor may: try another start
    left, top, right, bottom = tank

    def at(ux, uy):
        return pixel(int(left + ux * (right - left) / 10), int(top + uy * (bottom - top) / 10))
    # Left of the captions, whose letters are not the button's colour.
    return {i for i in range(5) if at(2 * i + 0.3, 14.5) == BUTTON} == {0, 4} and (pixel, at)


def scenario(work):
    for _ in range(12):  # a new alien greets 4 starts in 5, most wholly on the screen
        prog = e2e.Myoruka(e2e.fresh_copy())
        try:
            pixel, at = wait_until(lambda: greeting_shown(work), 'the greeting and its menu', 8)
            break
        except Failure:
            prog.end(signal.SIGTERM)
    else:
        raise Failure('12 starts without the greeting and its menu on the screen')
    outer = box(pixel, lambda p: p != BLACK)
    size = (outer[2] - outer[0], outer[3] - outer[1])
    expected = (round(10 * HEIGHT / 17), round(15 * HEIGHT / 17))
    check(size == expected, f'the window with its title bar is {size}, not {expected}')
    check(at(0.1, 9.9) == CORNER and at(9.9, 9.9) == CORNER and at(5, 8.5) == WATER and
          any(at(4.8 + d / 10, 4.8 + d / 10) != WATER for d in range(5)),
          'the tank: yellow corners, water, the alien mid-tank')
    check(any(at(x / 10, 10.3) not in (WATER, BLACK) for x in range(1, 99)),
          'the greeting in the speech area')
    prog.alive('before the signal')
    prog.end(signal.SIGTERM)
    prog.expect_record([1, 0, 0, 0, 0, 0, 0])


if __name__ == '__main__':
    sys.exit(e2e.main('wayland', lambda: scenario(e2e.WORK), start_weston,
                      ('weston', 'weston-screenshooter', 'convert')))
