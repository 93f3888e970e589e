#!/usr/bin/env python3
# SPDX-FileCopyrightText: The Myoruka developers
# SPDX-License-Identifier: MIT
"""The program as a blind user meets it: Orca, keyboard only, on a private Xvfb and D-Bus.

usage: screen_reader.py RUN_DIR. Orca writes each utterance to its debug log as
SPEECH OUTPUT: '...' before any synthesiser, so no sound is needed. Exit 77 without Orca.
"""
import atexit
import os
import re
import signal
import subprocess
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).parent))
import e2e  # noqa: E402
from e2e import Failure, check, wait_until  # noqa: E402

GREETING, PROMPT, QUESTION = 'うむ、それがしに何か用かな？', '名詞を教えて下さい', '何か私に教えることはないか？'
MENU_BACK, FIRST_BUTTON = 'メニュー panel', '占い push button'  # focus coming into the menu
BUTTON_HELP = '占いたい項目をクリックしてね'  # a button's description, said after it
# Orca opens its debug file block-buffered; this opens it line by line.
LAUNCHER = '''
import builtins, runpy, sys
log, opened = sys.argv[1], builtins.open
builtins.open = lambda f, m='r', *a, **k: (opened(f, m, buffering=1, encoding='utf-8')
                                           if str(f) == log else opened(f, m, *a, **k))
sys.argv = ['orca', '-u', sys.argv[2], '--debug-file', log]
runpy.run_path('/usr/bin/orca', run_name='__main__')
'''


class Orca:
    def __init__(self, work):
        self.log, self.pos = work / 'orca.log', 0
        bus = subprocess.Popen(['dbus-daemon', '--session', '--nofork', '--print-address=1'],
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True,
                               preexec_fn=e2e.die_with_parent)
        atexit.register(bus.terminate)
        os.environ.update(DBUS_SESSION_BUS_ADDRESS=bus.stdout.readline().strip(),
                          HOME=str(work), LANG='C.UTF-8', QT_LINUX_ACCESSIBILITY_ALWAYS_ON='1')
        orca = subprocess.Popen(['/usr/bin/python3', '-c', LAUNCHER, str(self.log), str(work)],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                preexec_fn=e2e.die_with_parent)
        atexit.register(orca.terminate)
        self.wait_for(lambda said: 'Screen reader on' in said, 'Orca to start', 30)

    def said(self):
        """Everything spoken since the last call, one utterance per item, line breaks as '/'."""
        text = self.log.read_text(errors='replace') if self.log.exists() else ''
        new, self.pos = text[self.pos:], len(text)
        found = re.findall(r"SPEECH OUTPUT: '(.*?)'(?: voice=\w+)? ?\[?(?:\{|ACSS|None)", new, re.S)
        # Key echoes ('space ') are left out.
        return [re.sub(r'\s*\n\s*', '/', s).rstrip('.') for s in found if not s.endswith(' ')]

    def wait_for(self, done, what, timeout=8.0):
        heard = []

        def more():
            heard.extend(self.said())
            return done(heard)
        try:
            wait_until(more, what, timeout)
        except Failure:
            raise Failure(f'{what}; Orca said {heard}') from None
        time.sleep(0.5)  # anything said twice comes now
        return heard + self.said()

    def hears(self, text, what, timeout=8.0):
        return self.wait_for(lambda h: any(text in s for s in h), what, timeout)


def once(heard, text, what):
    count = sum(text in s for s in heard)
    check(count == 1, f'{what}: "{text}" should be heard once, not {count} times in {heard}')


def screen_reader():
    orca = Orca(e2e.WORK)
    for _ in range(12):  # four starts in five greet; the others open with the headache
        prog = e2e.Myoruka(e2e.fresh_copy()).window()
        e2e.run('xdotool', 'windowfocus', '--sync', prog.win)  # as a window manager would
        heard = orca.hears('push button', 'the first words')
        if any(MENU_BACK in s for s in heard):
            break
        once(heard, '今日は頭痛', 'the headache at start')
        prog.end(signal.SIGTERM)
    check(heard.index('ミョルカ') < heard.index(f'{GREETING} {MENU_BACK}'),
          f'the title, then the greeting with the menu and its first button: {heard}')
    once(heard, GREETING, 'the greeting')

    heard = []  # flat review up from the menu reaches the status line
    for _ in range(3):
        prog.key('KP_Home')
        heard += orca.said()
    check(any('年:1　占い:0　払い:0' in s for s in heard), f'flat review reads the counters: {heard}')

    for _ in range(15):  # 会話 until the alien asks for a noun
        prog.key('Tab'), prog.key('space')
        heard = orca.wait_for(lambda h: any('push button' in s or PROMPT in s for s in h),
                              'a talk')
        while not any(PROMPT in s or s == FIRST_BUTTON for s in heard):
            prog.key('space')
            heard = orca.wait_for(lambda h: h, 'the next line')
        if any(PROMPT in s for s in heard):
            break
        # The line, said with the menu it returns with; or, when the menu came straight back,
        # the first button and then the line on its own.
        said = [s for s in heard if s != BUTTON_HELP]
        at = said.index(FIRST_BUTTON)
        check(said[at - 1].endswith(f' {MENU_BACK}') and at == len(said) - 1 or
              said[at + 1:] and said[at + 1].startswith('notification ') and at == len(said) - 2,
              f'a line, then the menu back with focus on its first button: {heard}')
    check(any(QUESTION in s for s in heard), f'the box says the question: {heard}')
    e2e.run('xdotool', 'type', '--delay', '60', 'neko')  # into the box, which has the focus
    e2e.run('xdotool', 'key', 'Return')
    once(orca.hears('じゃな', 'the echo after the box'), 'うむ、nekoじゃな', 'the echo')
    prog.key('space')
    once(orca.hears('覚えたぞ', 'the thanks'), 'うにゅ、覚えたぞ', 'the thanks')
    prog.key('space')
    orca.hears(MENU_BACK, 'the menu after teaching')

    prog.key('space')  # 占い, focused again now the menu is back
    heard = orca.hears('push button', 'the reading to start')
    check(heard[-2:] == ['占って進ぜよう、・・・っっっっっっｍ！ push button',
                         '宇宙人の言葉。スペースかエンターかクリックで話が進みます'],
          f'focus on the speech area, said as such: {heard}')
    prog.key('space')
    heard = orca.hears('夜に、', "the day's lines", 10)
    day = [s for s in heard if '朝に、' in s or '夜に、' in s or '運命指数' in s]
    check(len(day) == 1 and day[0].startswith('notification 今日の運命指数は'),
          f"the day's lines heard once, whole, when complete: {heard}")
    prog.key('space')
    heard = orca.hears('notification', 'the closing line')
    check('朝に、' not in ''.join(heard), f'only the new line: {heard}')
    prog.key('space')
    once(orca.hears('これにて', 'the farewell'), 'それではこれにて', 'the farewell')
    prog.key('space')
    prog.end()


if __name__ == '__main__':
    if subprocess.run(['/usr/bin/python3', '-c', 'import pyatspi'], capture_output=True).returncode:
        print('SKIP: Orca cannot start here: no pyatspi')
        sys.exit(77)
    sys.exit(e2e.main('screen_reader', screen_reader,
                      tools=('Xvfb', 'xdotool', 'import', 'dbus-daemon', '/usr/bin/orca')))
