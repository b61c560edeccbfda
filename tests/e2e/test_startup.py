"""Process entry, run modes, single instance, splash and the event log."""
import glob
import os
import subprocess
import tempfile
import time
import unittest

from harness import E2ETestCase, fake_notification_area, PREFIX, WINAUTO, children, press, wait_gone, wait_until, wait_window, windows, winauto, winpath, wine_env

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

    def test_two_players_started_at_the_same_instant_leave_one(self):
        inst = self.install()
        for round_ in range(3):
            first, second = self.start(inst, '/nologo'), self.start(inst, '/nologo')
            ended = wait_until(lambda: [p for p in (first, second) if p.poll() is not None], 30)
            self.assertEqual(len(ended), 1, 'round %d: %d of the two players ended' % (round_, len(ended)))
            self.assertEqual(ended[0].returncode, 0)
            main = wait_window('StrevoMain', 'Strevo', 30)
            self.assertIsNotNone(main, 'round %d: no player stayed' % round_)
            survivor = first if ended[0] is second else second
            self.assertIsNone(survivor.poll())
            winauto('close', main)
            self.assertEqual(self.wait_exit(survivor, 30), 0)

    def test_one_agent_per_folder(self):
        inst = self.install()
        self.start(inst, '/agent')
        self.assertIsNotNone(wait_window('StrevoAgent', 'Strevo (Sleep)', 20))
        second = self.start(inst, '/agent')
        self.assertEqual(self.wait_exit(second, 20), 0)
        self.assertEqual(len(windows('StrevoAgent', 'Strevo (Sleep)')), 1)


class MaintenanceRuns(E2ETestCase):
    """A maintenance run adds the tray icon while it starts, and every way out
    of it takes the icon away again. A stand-in notification area records the
    requests: Wine forgets the icons of ended processes, Windows shows them
    until the pointer passes over them."""

    def run_and_check(self, *args):
        inst = self.install()
        requests = fake_notification_area(self)
        run = self.start(inst, *args)
        self.assertEqual(self.wait_exit(run, 60), 0)
        calls = requests()
        adds = [c for c in calls if c[0] == 'add']
        self.assertEqual(len(adds), 1, calls)
        self.assertEqual(calls[-1], ('delete',) + adds[0][1:], '%s left its tray icon: %r' % (' '.join(args), calls))

    def test_guide_update_removes_its_tray_icon(self):
        self.run_and_check('/updatetvg')

    def test_list_and_guide_update_removes_its_tray_icon(self):
        self.run_and_check('/updatetvg', '/updatem3u')

    def test_guide_export_removes_its_tray_icon(self):
        self.run_and_check('/exporttvg', 'C:\\')


class VideoOverlays(E2ETestCase):
    """The video window's overlay controls exist from the start, hidden but for
    the empty-screen panel over the idle picture area with the logo in its
    middle, and a one-pixel key-capture field."""

    CONTROL_STRIP = ''.join(chr(c) for c in (0x34, 0x20, 0x3C, 0x20, 0x3D, 0x20, 0x39, 0x20, 0x3A, 0x20, 0x9D, 0x20,
                                              0x69, 0x20, 0x58, 0xF0, 0x35, 0x20, 0x36))

    def overlays(self, inst):
        proc, main = self.start_player(inst, '/nologo')
        # Docked (the default) it is a child of the main window, without a
        # frame: its size is its client area's.
        video = (windows('StrevoVideo') + [w for w in children(main) if w.cls == 'StrevoVideo'])[0]
        self.video = video
        # The status tick shows the empty screen: nothing is playing.
        wait_until(lambda: [w for w in children(video.hwnd) if w.cls == 'StrevoEmptyScreen' and w.visible], 5)
        kids = children(video.hwnd)
        panels = [w for w in kids if w.cls == 'StrevoEmptyScreen']
        logo = children(panels[0].hwnd) if panels else []
        winauto('close', main)
        self.assertEqual(self.wait_exit(proc, 30), 0)
        return kids, logo

    def check_common(self, found):
        kids, logo = found
        by_class = lambda name: [w for w in kids if w.cls.lower() == name]
        statics = {w.text: w for w in by_class('static')}
        for text in ('X\u00f0', self.CONTROL_STRIP):  # the mute sign and the control strip
            self.assertIn(text, statics, kids)
            self.assertFalse(statics[text].visible)
        self.assertGreaterEqual(len([w for w in by_class('static') if w.text == '' and not w.visible]), 2, kids)
        lists = by_class('listbox')
        self.assertEqual(len(lists), 2, kids)  # the channel list and the guide list
        self.assertFalse(any(w.visible for w in lists))
        edits = by_class('edit')
        self.assertEqual([(w.visible, w.w, w.h) for w in edits], [(True, 1, 1)], kids)
        panels = by_class('strevoemptyscreen')
        # Laid over the whole picture area and shown while nothing plays.
        self.assertEqual([(w.visible, w.w, w.h) for w in panels], [(True, self.video.w, self.video.h)], kids)
        self.assertEqual(len(logo), 1, logo)
        # Centred in the panel.
        self.assertEqual((logo[0].x - panels[0].x, logo[0].y - panels[0].y), ((panels[0].w - logo[0].w) // 2,
                                                                             (panels[0].h - logo[0].h) // 2))
        return logo[0]

    def test_controls_exist_with_the_picture_logo(self):
        inst = self.install()
        with open(inst.path('Images', 'Logo.bmp'), 'rb') as f:
            header = f.read(26)
        width, height = int.from_bytes(header[18:22], 'little'), abs(int.from_bytes(header[22:26], 'little', signed=True))
        logo = self.check_common(self.overlays(inst))
        self.assertEqual((logo.w, logo.h), (width, height))

    def test_without_the_picture_the_logo_is_a_glyph(self):
        logo = self.check_common(self.overlays(self.install(images=False)))
        # Its glyph grows with the picture area: 50 pixels over a font of (w + h) * 160 / 1296.
        side = 50 + (self.video.w + self.video.h) * 160 // 1296
        self.assertEqual((logo.text, logo.w, logo.h), ('\u00b7', side, side))


class RecorderArguments(E2ETestCase):
    def test_six_arguments_are_not_enough(self):
        # Seven are the scheduler's form without the audio track (test_recorder).
        inst = self.install()
        proc = self.start(inst, '/bgrec', 'udp://@239.1.1.1:1234', 'ts', 'C:\\out.ts', '0', 'Chan')
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

    def test_directshow_mode_logs_no_engine_check(self):
        inst = self.install()
        inst.enable_log()
        open(inst.sibling('.dx'), 'wb').close()
        proc, hwnd = self.start_player(inst, '/nologo')
        self.assertTrue(wait_until(lambda: 'form created' in inst.log_messages(), 20))
        winauto('close', hwnd)
        self.assertEqual(self.wait_exit(proc, 20), 0)
        msgs = inst.log_messages()
        i = msgs.index('lstPlaylist created')
        self.assertEqual(msgs[i + 1:i + 3], ['coinit - usedx', 'mode mnu done'], msgs)
        self.assertNotIn('vlc checked', msgs)
        self.assertNotIn('ivlc assigned', msgs)

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
