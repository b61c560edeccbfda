"""Process entry, run modes, single instance, splash and the event log."""
import glob
import os
import subprocess
import time
import unittest

from harness import E2ETestCase, PREFIX, WINAUTO, children, press, wait_gone, wait_until, wait_window, windows, winauto, winpath, wine_env

STARTUP_LINES = [
    '------------------------------------',
    None,  # appstart: Strevo v...
    'beforecreate done',
    'begin formcreate',
    'begin translate',
    'end translate',
    'Have read ini and urls',
    'frmVideo created',
    'lstPlaylist created',
    'ivlc assigned',
    'vlc checked',
    'mode mnu done',
    'pnEmptyScr lbcursub lbinfo box lbrecbox ebhotkey created',
    'local IPs done',
    'tooltips created',
]


class SingleInstance(E2ETestCase):
    def test_second_player_in_the_same_folder_ends_without_a_window(self):
        inst = self.install()
        self.start_player(inst, '/nologo')
        second = self.start(inst, '/nologo')
        self.assertEqual(self.wait_exit(second, 20), 0, 'the second player did not end at once')
        self.assertEqual(len(windows('StrevoMain', 'Strevo')), 1)

    def test_copies_in_different_folders_both_run(self):
        a = self.install()
        b = type(a)(a.dir.split(os.sep)[-1] + '-b')
        self.start_player(a, '/nologo')
        self.start(b, '/nologo')
        self.assertTrue(wait_until(lambda: len(windows('StrevoMain', 'Strevo')) == 2, 30))

    def test_maintenance_run_passes_while_a_player_runs(self):
        inst = self.install()
        inst.enable_log()
        player, _ = self.start_player(inst, '/nologo')
        upd = self.start(inst, '/updatetvg')
        self.assertEqual(self.wait_exit(upd, 30), 0)
        self.assertIsNone(player.poll(), 'the running player ended')
        self.assertEqual(len(windows('StrevoMain', 'Strevo')), 1)
        starts = [m for m in inst.log_messages() if m.startswith('appstart: ')]
        self.assertEqual(len(starts), 2, 'the maintenance run did not get past the single-instance check')

    def test_one_agent_per_folder(self):
        inst = self.install()
        self.start(inst, '/agent')
        self.assertIsNotNone(wait_window('StrevoAgent', 'Strevo (Sleep)', 20))
        second = self.start(inst, '/agent')
        self.assertEqual(self.wait_exit(second, 20), 0)
        self.assertEqual(len(windows('StrevoAgent', 'Strevo (Sleep)')), 1)


class RecorderArguments(E2ETestCase):
    def test_seven_arguments_are_not_enough(self):
        inst = self.install()
        proc = self.start(inst, '/bgrec', 'udp://@239.1.1.1:1234', 'ts', 'C:\\out.ts', '0', 'Chan', '127.0.0.1')
        box = wait_window('#32770', 'Background recording', 20)
        self.assertIsNotNone(box, 'no message box')
        self.assertIn('Not enough parameters!', [w.text for w in children(box)])
        self.assertTrue(press(box, 'OK', 'ОК'))
        self.assertEqual(self.wait_exit(proc, 20), 0)


class Splash(E2ETestCase):
    def splash_seen(self, inst, *args):
        watcher = subprocess.Popen(['wine', WINAUTO, 'wait', 'StrevoSplash', '*', '7000'],
                                   env=wine_env(), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.procs.append(watcher)
        time.sleep(0.5)
        self.start_player(inst, *args)
        watcher.wait(timeout=40)
        return watcher.returncode == 0

    def test_plain_start_shows_the_splash(self):
        self.assertTrue(self.splash_seen(self.install()))

    def test_nologo_and_a_file_argument_start_without_splash(self):
        inst = self.install()
        self.assertFalse(self.splash_seen(inst, '/nologo'))
        winauto('close', wait_window('StrevoMain', 'Strevo'))
        self.assertTrue(wait_gone('StrevoMain', 'Strevo', 20))
        media = inst.path('film.ts')
        with open(media, 'wb') as f:
            f.write(b'\x47' + b'\xff' * 187)
        self.assertFalse(self.splash_seen(inst, winpath(media)))

    def test_no_splash_without_its_picture(self):
        self.assertFalse(self.splash_seen(self.install(images=False)))


class EventLog(E2ETestCase):
    def test_start_and_close_write_the_startup_lines_in_order(self):
        inst = self.install()
        inst.enable_log()
        proc, hwnd = self.start_player(inst, '/nologo')
        self.assertTrue(wait_until(lambda: 'form created' in inst.log_messages(), 20))
        winauto('close', hwnd)
        self.assertEqual(self.wait_exit(proc, 20), 0)
        msgs = inst.log_messages()
        self.assertTrue(msgs[1].startswith('appstart: Strevo v'), msgs[:3])
        for i, expected in enumerate(STARTUP_LINES):
            if expected is not None:
                self.assertEqual(msgs[i], expected, 'line %d of %r' % (i, msgs))
        self.assertLess(msgs.index('tooltips created'), msgs.index('def cfg loaded'))
        self.assertLess(msgs.index('def cfg loaded'), msgs.index('form created'))
        # Every line starts with "dd:MM:yyyy HH:mm:ss ".
        for line in inst.log_lines():
            self.assertRegex(line, r'^\d\d:\d\d:\d{4} \d\d:\d\d:\d\d ')

    def test_no_log_file_is_created(self):
        inst = self.install()
        proc, hwnd = self.start_player(inst, '/nologo')
        winauto('close', hwnd)
        self.assertEqual(self.wait_exit(proc, 20), 0)
        self.assertFalse(os.path.exists(inst.sibling('.log')))

    def test_temporary_folder_exists_while_running_and_is_removed_at_close(self):
        inst = self.install()
        proc, hwnd = self.start_player(inst, '/nologo')
        pattern = os.path.join(PREFIX, 'drive_c', 'users', '*', '**', 'Strevo.Tmp')
        found = glob.glob(pattern, recursive=True)
        self.assertTrue(found, 'no temporary folder')
        with open(os.path.join(found[0], 'download.zip'), 'wb') as f:
            f.write(b'x')
        winauto('close', hwnd)
        self.assertEqual(self.wait_exit(proc, 20), 0)
        self.assertFalse(os.path.exists(found[0]))


if __name__ == '__main__':
    unittest.main()
