"""The agent ("/agent"): one per executable; its tray icon shows while no
player runs (and comes back when the shell restarts); started shortly before
a task's minute, or inside it, it wakes the player, which carries the task
out once, however often a player starts within that minute; "Выход" asks first, counting the background
recorders that would go on.
"""
import datetime
import os
import subprocess
import tempfile
import time
import unittest

import shedfile
from harness import WINAUTO, E2ETestCase, children, press, wait_gone, wait_until, wait_window, windows, winpath, \
    wine_env, winauto

AGENT_CLASS, AGENT_CAPTION = 'StrevoAgent', 'Strevo (Sleep)'
AGENT_MENU_WAKE, AGENT_MENU_EXIT = 0x7000, 0x7003
CLOCK = datetime.datetime(2026, 12, 11, 10, 14, 45)


def clock_env(moment=CLOCK):
    return {'STREVO_CLOCK': '%s@%d' % (moment.strftime('%Y-%m-%dT%H:%M:%S'), int(time.time() * 1000))}


def box_text(box):
    return '\n'.join(w.text for w in children(box) if w.cls.lower() == 'static')


class Agent(E2ETestCase):
    def start_background(self, *args):
        """A winauto command that runs on its own (a stand-in window, the tray log)."""
        out = tempfile.NamedTemporaryFile(delete=False)
        self.addCleanup(os.unlink, out.name)
        p = subprocess.Popen(['wine', WINAUTO] + [str(a) for a in args], env=wine_env(), stdout=out,
                             stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL)
        self.procs.append(p)
        return p, out.name

    def test_one_agent_and_its_tray_icon(self):
        inst = self.install()
        # The shell refuses the first request, as a busy one does.
        _, tray_log = self.start_background('traylog', 60000, 1)
        self.assertTrue(wait_until(lambda: open(tray_log).read().startswith('ready'), 20), 'no tray stand-in')
        self.start(inst, '/agent')
        agent = wait_window(AGENT_CLASS, AGENT_CAPTION, 30)
        self.assertIsNotNone(agent)
        owner = agent.lstrip('0') or '0'
        requests = lambda: [line.split('\t') for line in open(tray_log).read().splitlines()[1:]]
        accepted = lambda: [r for r in requests() if r[0] in ('add', 'modify') and r[1] == owner and len(r) == 3]
        self.assertTrue(wait_until(accepted, 10), 'a refused icon was not tried again: %r' % requests())
        # The shell restarts: a new notification area, told to every window.
        shell = [p for p in self.procs if p.args[2:3] == ['traylog']][0]
        shell.kill()
        shell.wait(10)
        _, tray_log = self.start_background('traylog', 60000)
        self.assertTrue(wait_until(lambda: open(tray_log).read().startswith('ready'), 20), 'no tray stand-in')
        self.assertEqual(winauto('broadcast', 'TaskbarCreated')[0], 0)
        self.assertTrue(wait_until(lambda: any(r[0] == 'add' and r[1] == owner for r in requests()), 10),
                        'the icon did not come back after the shell restarted: %r' % requests())
        second = self.start(inst, '/agent')
        self.assertEqual(self.wait_exit(second, 30), 0, 'a second agent did not end')
        self.assertEqual(len(windows(AGENT_CLASS, AGENT_CAPTION)), 1)
        # A running player hides the icon; when it closes the icon is back.
        player, main = self.start_player(inst)
        self.assertTrue(wait_until(lambda: any(r[0] == 'delete' and r[1] == owner for r in requests()), 10),
                        requests())
        adds = sum(1 for r in requests() if r[0] == 'add')
        winauto('close', main)
        self.assertIsNotNone(self.wait_exit(player, 30), 'the player did not close')
        self.assertTrue(wait_until(lambda: sum(1 for r in requests() if r[0] == 'add') > adds, 10), requests())

    def test_an_agent_started_before_a_tasks_minute_wakes_the_player(self):
        inst = self.install()
        inst.enable_log()
        marker = inst.path('fired-20261211.txt')
        # A command task of 10:15 that appends a line to a file named by its
        # expanded date.
        command = 'cmd.exe /c echo fired>> "%s"' % winpath(inst.path('fired-%date%.txt'))
        shedfile.write(inst.sibling('.Shed.ini'),
                       [shedfile.Task(name='Отметка', start=(10, 15), date=CLOCK.date(), kind=3, command=command)])
        agent = self.start(inst, '/agent', env=clock_env())
        self.assertIsNotNone(wait_window(AGENT_CLASS, AGENT_CAPTION, 30))
        # The agent wakes the player; nobody else starts it.
        self.assertIsNotNone(wait_window('StrevoMain', 'Strevo', 40), 'the agent did not wake the player')
        self.assertTrue(wait_until(lambda: os.path.exists(marker), 60), 'the woken player did not carry the task out')
        time.sleep(3)
        with open(marker) as f:
            self.assertEqual(f.read().split(), ['fired'])
        self.assertIsNone(agent.poll(), 'the agent must stay while the player runs')
        # Closed and started again within the task's minute (as an engine
        # switch or a preset restart does): the task has run, it runs no more,
        # and the agent does not wake a player for it either.
        main = windows('StrevoMain', 'Strevo')[0].hwnd
        winauto('close', main)
        self.assertTrue(wait_gone('StrevoMain', 'Strevo', 30), 'the player did not close')
        time.sleep(4)
        self.assertEqual(windows('StrevoMain', 'Strevo'), [], 'the agent woke a player for a task that ran')
        # Its clock inside the task's minute, however slow the machine was.
        self.start_player(inst, '/nologo', env=clock_env(CLOCK + datetime.timedelta(seconds=20)))
        self.assertTrue(wait_until(lambda: 'shed: task already run: Отметка' in inst.log_messages(), 30),
                        inst.log_messages()[-10:])
        with open(marker) as f:
            self.assertEqual(f.read().split(), ['fired'])

    def test_an_agent_started_inside_a_tasks_minute_wakes_the_player(self):
        # At log-on the agent may start after the minute of a task began.
        inst = self.install()
        inst.enable_log()
        marker = inst.path('fired.txt')
        shedfile.write(inst.sibling('.Shed.ini'), [shedfile.Task(
            name='Поздно', start=(10, 15), date=CLOCK.date(), kind=3,
            command='cmd.exe /c echo fired>> "%s"' % winpath(marker))])
        # 10:15:01: the whole minute is left for a slow start of the agent.
        self.start(inst, '/agent', env=clock_env(CLOCK + datetime.timedelta(seconds=16)))
        self.assertIsNotNone(wait_window('StrevoMain', 'Strevo', 55), 'the agent did not wake the player')
        self.assertTrue(wait_until(lambda: os.path.exists(marker), 40), 'the woken player did not carry the task out')
        time.sleep(2)
        with open(marker) as f:
            self.assertEqual(f.read().split(), ['fired'])

    def test_exit_counts_the_background_recorders(self):
        inst = self.install()
        agent = self.start(inst, '/agent')
        window = wait_window(AGENT_CLASS, AGENT_CAPTION, 30)
        self.assertIsNotNone(window)
        stand_ins = [self.start_background('window', 'obj_Form', 'Background recording', 60000)[0] for _ in range(2)]
        self.assertTrue(wait_until(lambda: len(windows('obj_Form', 'Background recording')) == 2, 20))
        winauto('command', window, AGENT_MENU_EXIT)
        box = wait_window('#32770', 'Strevo', 20)
        self.assertIsNotNone(box, 'no question')
        text = box_text(box)
        self.assertIn('ВНИМАНИЕ! В фоне работает 2 процессов записи!', text)
        self.assertIn('Вы уверены что хотите выйти?', text)
        self.assertTrue(press(box, 'Нет', 'No'))
        self.assertTrue(wait_gone('#32770', 'Strevo', 10))
        time.sleep(0.5)
        self.assertIsNone(agent.poll(), '"Нет" must keep the agent')
        for p in stand_ins:
            p.kill()
        self.assertTrue(wait_until(lambda: not windows('obj_Form', 'Background recording'), 20))
        winauto('command', window, AGENT_MENU_EXIT)
        box = wait_window('#32770', 'Strevo', 20)
        self.assertIsNotNone(box)
        text = box_text(box)
        self.assertIn('Если вы закроете программу, то слежение за', text)
        self.assertNotIn('ВНИМАНИЕ', text)
        self.assertTrue(press(box, 'Да', 'Yes'))
        self.assertEqual(self.wait_exit(agent, 20), 0, '"Да" did not end the agent')
        # Its mutex went with it: a new agent stays.
        again = self.start(inst, '/agent')
        self.assertIsNotNone(wait_window(AGENT_CLASS, AGENT_CAPTION, 30))
        self.assertIsNone(again.poll())


if __name__ == '__main__':
    unittest.main()
