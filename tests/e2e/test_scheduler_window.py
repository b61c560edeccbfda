"""The scheduler window driven by window messages: a task made in it is saved
by "OK" with exactly the bytes expected (a save that cannot write says so and
keeps the window open), "Отмена" leaves the file alone,
deleting the last task and "OK" removes the file; the list of background
recorders shows the running recorders and finishes, hides and shows them;
the player's menu item opens and closes the window.
"""
import datetime
import os
import re
import shutil
import struct
import subprocess
import time
import unittest

import shedfile
from harness import BUILD, E2ETestCase, children, press, wait_gone, wait_until, wait_window, windows, winauto, winpath
from multicast import start_sender

SCHEDULER_CLASS, SCHEDULER_CAPTION = 'StrevoScheduler', 'Планировщик'
AGENT_MENU_SCHEDULER = 0x7001
RECORDER_MENU_BASE = 0x7100
MENU_SCHEDULER = 40000 + 49
WM_COMMAND, BM_SETCHECK, CB_SETCURSEL, LB_SETCURSEL, LB_GETCURSEL, LB_GETITEMDATA = 0x111, 0xF1, 0x14E, 0x186, 0x188, 0x199
CBN_SELCHANGE = 1
# Control ids of the window.
ID_NAME, ID_START = 1105, 1107
ID_MONDAY = 1111
ID_CHANNEL, ID_RECORD, ID_MODE, ID_SUFFIX = 1122, 1123, 1125, 1127
ID_END, ID_DURATION, ID_AFTER_END = 1134, 1136, 1139
ID_ADD, ID_DELETE, ID_RECORDER_COUNT, ID_RECORDERS = 1141, 1144, 1148, 1150
ID_OK, ID_CANCEL = 1, 2
CLOCK = datetime.datetime(2026, 12, 11, 10, 15, 0)  # a Friday
GROUP = '239.255.13.%d'


def clock_env():
    return {'STREVO_CLOCK': '%s@%d' % (CLOCK.strftime('%Y-%m-%dT%H:%M:%S'), int(time.time() * 1000))}


def child(window, ident):
    if ident in (ID_OK, ID_CANCEL):
        # Low ids also belong to the controls' own children: the buttons by caption.
        caption = 'OK' if ident == ID_OK else 'Отмена'
        return next(w.hwnd for w in children(window) if w.cls == 'Button' and w.text == caption)
    code, out = winauto('child', window, ident)
    return out.strip() if code == 0 else None


def save_png(name):
    bmp = os.path.join(BUILD, 'e2e', name + '.bmp')
    code, _ = winauto('screenshot', winpath(bmp))
    if code == 0 and shutil.which('convert'):
        subprocess.run(['convert', bmp, os.path.join(BUILD, 'e2e', name + '.png')], check=False)


class SchedulerWindow(E2ETestCase):
    def open_from_agent(self, inst):
        self.start(inst, '/agent', env=clock_env())
        agent = wait_window('StrevoAgent', 'Strevo (Sleep)', 30)
        self.assertIsNotNone(agent, 'no agent window')
        winauto('command', agent, AGENT_MENU_SCHEDULER)
        window = wait_window(SCHEDULER_CLASS, SCHEDULER_CAPTION, 20)
        self.assertIsNotNone(window, 'the scheduler window did not open')
        return window

    def choose(self, window, ident, index):
        combo = child(window, ident)
        winauto('send', combo, CB_SETCURSEL, index, 0)
        winauto('post', window, WM_COMMAND, (CBN_SELCHANGE << 16) | ident, int(combo, 16))

    def tick(self, window, ident):
        box = child(window, ident)
        winauto('send', box, BM_SETCHECK, 1, 0)
        winauto('click', box)

    def write_channels(self, inst):
        # Read with its tags ("Читать теги M3U" on), as the player reads it:
        # the blank, comment, option and group lines are no channels.
        with open(inst.sibling('.m3u'), 'wb') as f:
            f.write('#EXTM3U\r\n\r\n# провайдер\r\n#EXTINF:0,Первый\r\n#EXTVLCOPT:network-caching=1000\r\n'
                    'udp://@239.255.1.1:1234\r\n\r\n#EXTINF:0,Второй\r\n#EXTGRP:Кино\r\n'
                    'udp://@239.255.1.2:1234\r\n'.encode('cp1251'))
        with open(inst.sibling('.ini'), 'wb') as f:
            f.write(b'?Ext|1|\r\n')

    def test_a_task_made_in_the_window_is_saved_with_its_bytes(self):
        inst = self.install()
        self.write_channels(inst)
        window = self.open_from_agent(inst)
        # The window's own controls hold what it starts with.
        self.assertEqual(winauto('text', child(window, ID_RECORDER_COUNT))[1].strip(), '0')
        winauto('click', child(window, ID_ADD))
        self.assertTrue(wait_until(lambda: winauto('text', child(window, ID_NAME))[1].strip() == 'Новая задача', 10))
        winauto('settext', child(window, ID_NAME), 'Запись новостей')
        self.tick(window, ID_MONDAY + 4)  # Friday
        self.choose(window, ID_CHANNEL, 1)
        self.assertTrue(wait_until(lambda: winauto('text', child(window, ID_CHANNEL))[1].strip() == 'Второй', 10),
                        winauto('text', child(window, ID_CHANNEL))[1])
        self.choose(window, ID_MODE, 2)
        winauto('settext', child(window, ID_SUFFIX), 'Новости')
        self.choose(window, ID_AFTER_END, 5)
        # Ticking a week day greys the date; the record kind keeps its controls on.
        self.assertTrue(wait_until(lambda: winauto('state', child(window, ID_START + 1))[1].split()[0] == '0', 10))
        self.assertEqual(winauto('state', child(window, ID_END))[1].split()[0], '1')
        save_png('scheduler-window')
        path = inst.sibling('.Shed.ini')
        # A save that cannot write (here the temporary file's place is taken
        # by a folder) says so, and the window keeps the edits.
        os.makedirs(path + '.new')
        winauto('click', child(window, ID_OK))
        box = wait_window('#32770', 'Strevo', 15)
        self.assertIsNotNone(box, 'a failed save told nothing')
        save_png('scheduler-save-failed')
        texts = ' '.join(w.text for w in children(box))
        self.assertIn('Не удалось сохранить задания планировщика в файл', texts)
        self.assertIn(winpath(path), texts)
        self.assertTrue(press(box, 'OK', 'ОК'))
        self.assertFalse(os.path.exists(path))
        self.assertIsNotNone(wait_window(SCHEDULER_CLASS, SCHEDULER_CAPTION, 2), 'the window closed')
        self.assertEqual(winauto('text', child(window, ID_NAME))[1].strip(), 'Запись новостей')
        os.rmdir(path + '.new')
        winauto('click', child(window, ID_OK))
        self.assertTrue(wait_gone(SCHEDULER_CLASS, SCHEDULER_CAPTION, 10), 'OK did not close the window')
        self.assertTrue(wait_until(lambda: os.path.exists(path), 5))
        with open(path, 'rb') as f:
            data = f.read()
        self.assertEqual(len(data), 12 + 832)
        self.assertEqual(struct.unpack('<iii', data[:12]), (17, 1, 1))
        record = data[12:]
        # The date keeps the moment the task was added; only its day is read.
        date = struct.unpack_from('<d', record, 16)[0]
        added = shedfile.day_number(CLOCK)
        self.assertTrue(added <= date < added + 5 / 1440, (date, added))
        expected = shedfile.Task(name='Запись новостей', start=(10, 15), date=CLOCK.date(), week_days=[5], kind=2,
                                 channel=1, suffix='Новости', mode=2, end=(11, 15), after_end=5).pack()
        self.assertEqual(record[:16] + record[24:], expected[:16] + expected[24:])

        # Opened again it shows the task; "Отмена" keeps the file, deleting
        # the one task and "OK" removes it.
        window = wait_window(SCHEDULER_CLASS, SCHEDULER_CAPTION, 1)
        self.assertIsNone(window)
        agent = wait_window('StrevoAgent', 'Strevo (Sleep)', 5)

        def delete_the_task_and_press(button):
            winauto('command', agent, AGENT_MENU_SCHEDULER)
            window = wait_window(SCHEDULER_CLASS, SCHEDULER_CAPTION, 20)
            name = lambda: winauto('text', child(window, ID_NAME))[1].strip()
            self.assertTrue(wait_until(lambda: name() == 'Запись новостей', 10), name())
            winauto('click', child(window, ID_DELETE))
            self.assertTrue(wait_until(lambda: name() == '', 10), name())
            winauto('click', child(window, button))
            self.assertTrue(wait_gone(SCHEDULER_CLASS, SCHEDULER_CAPTION, 10))
        delete_the_task_and_press(ID_CANCEL)
        with open(path, 'rb') as f:
            self.assertEqual(f.read(), data)
        delete_the_task_and_press(ID_OK)
        self.assertTrue(wait_until(lambda: not os.path.exists(path), 5), 'the emptied task file is still there')

    def test_the_background_list_finishes_hides_and_shows_recorders(self):
        inst = self.install()
        # Two recorders, each of a channel sent on the loopback interface.
        for n in (1, 2):
            start_sender(self, GROUP % n, 5030 + n, 500_000)
        recorders = [self.start(inst, '/bgrec', 'udp://@%s:%d' % (GROUP % n, 5030 + n), 'ts',
                                winpath(inst.path('rec%d.ts' % n)), '0', 'Канал %d' % n, '127.0.0.1', '-1')
                     for n in (1, 2)]
        self.assertTrue(wait_until(lambda: len(windows('obj_Form', 'Background recording')) == 2, 30))
        window = self.open_from_agent(inst)
        listbox = child(window, ID_RECORDERS)
        count = child(window, ID_RECORDER_COUNT)

        def items():
            return [line for line in winauto('items', listbox)[1].splitlines() if line]
        self.assertTrue(wait_until(lambda: len(items()) == 2 and winauto('text', count)[1].strip() == '2', 10),
                        items())
        self.assertTrue(wait_until(lambda: all('Recording' in item for item in items()), 15), items())
        self.assertEqual(sorted(re.search(r'Канал \d', item).group(0) for item in items()), ['Канал 1', 'Канал 2'])
        # The first recorder is selected when nothing was.
        self.assertEqual(winauto('send', listbox, LB_GETCURSEL, 0, 0)[1].strip(), '0')
        save_png('scheduler-recorders')
        winauto('send', listbox, LB_SETCURSEL, 1, 0)
        # The selection survives the refresh of every 1.5 s.
        time.sleep(2)
        self.assertEqual(winauto('send', listbox, LB_GETCURSEL, 0, 0)[1].strip(), '1')
        channel = lambda item: re.search(r'Канал \d', item).group(0)
        # The menu acts on the selected recorder's window.
        chosen = '%x' % int(winauto('send', listbox, LB_GETITEMDATA, 1, 0)[1].strip())
        visible = lambda: {w.hwnd.lstrip('0'): w.visible for w in windows('obj_Form', 'Background recording')}
        self.assertIn(chosen, visible())
        others = {h: v for h, v in visible().items() if h != chosen}
        winauto('command', window, RECORDER_MENU_BASE + 2)  # "Показать окно"
        self.assertTrue(wait_until(lambda: visible()[chosen], 10), visible())
        winauto('command', window, RECORDER_MENU_BASE + 3)  # "Скрыть окно"
        self.assertTrue(wait_until(lambda: not visible()[chosen], 10), visible())
        self.assertEqual({h: v for h, v in visible().items() if h != chosen}, others)
        time.sleep(2)
        self.assertEqual(len(items()), 2, 'a hidden recorder must stay listed')
        # Showing it brought it to the front, which may list it first now: the
        # selection stays with it.
        at = int(winauto('send', listbox, LB_GETCURSEL, 0, 0)[1].strip())
        self.assertEqual('%x' % int(winauto('send', listbox, LB_GETITEMDATA, at, 0)[1].strip()), chosen)
        selected = channel(items()[at])
        winauto('command', window, RECORDER_MENU_BASE + 0)  # "Завершить"
        # The recorder asks before it ends a recording.
        question = wait_window('#32770', '*', 20)
        self.assertIsNotNone(question, 'the recorder was not asked to close')
        self.assertTrue(press(question, 'Да', 'Yes'))
        self.assertTrue(wait_until(lambda: len(windows('obj_Form', 'Background recording')) == 1, 20))
        self.assertTrue(wait_until(lambda: len(items()) == 1 and channel(items()[0]) != selected
                                   and winauto('text', count)[1].strip() == '1', 10), items())
        self.assertEqual(sum(1 for p in recorders if self.wait_exit(p, 10) is not None), 1)

    def test_the_players_menu_item_opens_and_closes_it(self):
        inst = self.install()
        _, main = self.start_player(inst, env=clock_env())
        winauto('command', main, MENU_SCHEDULER)
        window = wait_window(SCHEDULER_CLASS, SCHEDULER_CAPTION, 20)
        self.assertIsNotNone(window, 'the menu item did not open the window')
        # The clock label runs on the program's clock.
        clock = [w for w in children(window) if w.text.startswith('10:1')]
        self.assertTrue(clock, [w.text for w in children(window)])
        winauto('command', main, MENU_SCHEDULER)
        self.assertTrue(wait_gone(SCHEDULER_CLASS, SCHEDULER_CAPTION, 10), 'the menu item did not close it')
        self.assertFalse(os.path.exists(inst.sibling('.Shed.ini')))


if __name__ == '__main__':
    unittest.main()
