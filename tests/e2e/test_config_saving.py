"""Settings that must survive a close and a restart: texts holding "|", the
states of the windows, a configuration file that could not be read, and a
channel whose address is the global record's key."""
import os
import subprocess
import unittest
import urllib.parse

from harness import WINAUTO, E2ETestCase, wait_until, wait_window, windows, winauto, winpath, wine_env
from test_config_channels import LIST, ListServer, globals_record, read_ini, write_ini

MENU_BASE = 40000
MENU_CONTROL_PANEL, MENU_VIDEO_WINDOW, MENU_SETTINGS = 7, 8, 51
GUIDE_URL_BOX, CAPTURE_FOLDER = 1106, 1119  # control ids on the settings window's first page
SW_MINIMIZE = 6


def stored(text):
    """A text as the global record holds it: "|" and "^" escaped when it holds a "|"."""
    if '|' not in text:
        return text
    return text.replace('^', '^5E').replace('|', '^7C')


class SavedSettings(E2ETestCase):
    def run_player(self, inst):
        proc, hwnd = self.start_player(inst, '/nologo')
        self.assertTrue(wait_until(lambda: 'form created' in inst.log_messages(), 30))
        return proc, hwnd

    def close_player(self, proc, hwnd):
        winauto('close', hwnd)
        self.assertEqual(self.wait_exit(proc, 30), 0)

    def globals_of(self, inst):
        records = [line for line in read_ini(inst) if line.startswith('?Globals|')]
        self.assertEqual(len(records), 1, read_ini(inst))
        self.assertEqual(records[0].count('|'), 35, records[0])
        return records[0].split('|')

    def control(self, window, control_id):
        code, out = winauto('child', window, control_id)
        self.assertEqual(code, 0, 'no control %d' % control_id)
        return out.strip()

    def test_texts_holding_a_bar_survive_a_restart(self):
        server = ListServer(80)
        self.addCleanup(server.stop)
        inst = self.install()
        inst.enable_log()
        url = 'http://127.0.0.1/list.m3u?pack=news|sport'
        write_ini(inst, [globals_record(stored(url))])

        proc, main = self.run_player(inst)
        self.assertEqual(len(server.requests), 1)
        self.assertEqual(urllib.parse.unquote(server.requests[0][1]), '/list.m3u?pack=news|sport')
        self.assertIn('reloadplaylist done =3ch, utf=0', inst.log_messages())
        # Typed into the settings window: a guide address and a capture folder with "|".
        guide, folder = 'http://127.0.0.1/tv.zip?k=a|b^c', 'C:\\rec|1\\'
        winauto('command', main, MENU_BASE + MENU_SETTINGS)
        self.assertTrue(wait_until(lambda: any(w.visible for w in windows('StrevoSettings')), 10))
        frm = windows('StrevoSettings')[0].hwnd
        self.assertEqual(winauto('settext', self.control(frm, GUIDE_URL_BOX), guide)[0], 0)
        self.assertEqual(winauto('settext', self.control(frm, CAPTURE_FOLDER), folder)[0], 0)
        self.close_player(proc, main)

        fields = self.globals_of(inst)
        self.assertEqual((fields[15], fields[24], fields[27]), (stored(folder), stored(url), stored(guide)))
        self.assertEqual(fields[13], 'Auto')
        self.assertEqual((fields[28], fields[29], fields[30]), ('0', '0', '0'))

        proc, main = self.run_player(inst)
        winauto('command', main, MENU_BASE + MENU_SETTINGS)
        self.assertTrue(wait_until(lambda: any(w.visible for w in windows('StrevoSettings')), 10))
        frm = windows('StrevoSettings')[0].hwnd
        self.assertEqual(winauto('text', self.control(frm, GUIDE_URL_BOX))[1].strip(), guide)
        self.assertEqual(winauto('text', self.control(frm, CAPTURE_FOLDER))[1].strip().replace('\\\\', '\\'), folder)
        self.close_player(proc, main)
        self.assertEqual(self.globals_of(inst)[24], stored(url))

    def test_a_video_window_minimised_at_close_comes_back_on_screen(self):
        inst = self.install()
        write_ini(inst, [globals_record('', f4='200', f5='100', f6='360', f7='288')])
        proc, main = self.start_player(inst, '/nologo')
        video = windows('StrevoVideo', 'Strevo')[0]
        winauto('show', video.hwnd, SW_MINIMIZE)
        self.assertTrue(wait_until(lambda: windows('StrevoVideo', 'Strevo')[0].w < 300, 10),
                        windows('StrevoVideo', 'Strevo'))
        self.close_player(proc, main)
        self.assertEqual(self.globals_of(inst)[4:8], ['200', '100', '360', '288'])

        proc, main = self.start_player(inst, '/nologo')
        video = windows('StrevoVideo', 'Strevo')[0]
        self.assertTrue(video.visible)
        self.assertEqual((video.x, video.y, video.w, video.h), (200, 100, 360, 288))
        self.close_player(proc, main)

    def test_windows_saved_off_every_monitor_come_back_on_screen(self):
        # As an older version saved a minimised video window, and a panel left on
        # a monitor that is gone.
        inst = self.install()
        write_ini(inst, [globals_record('', f1='-32000', f2='-32000', f4='-32000', f5='-32000', f6='160', f7='24')])
        proc, main = self.start_player(inst, '/nologo')
        video = windows('StrevoVideo', 'Strevo')[0]
        self.assertTrue(video.visible)
        self.assertEqual((video.x, video.y), (5, 5))
        panel = windows('StrevoMain', 'Strevo')[0]
        self.assertEqual((panel.x, panel.y), (15, 15))
        self.close_player(proc, main)

    def test_hidden_panel_and_a_list_in_a_hidden_video_window_are_kept(self):
        inst = self.install()
        # Without a taskbar button the tray icon is the way back to hidden
        # windows; with one and no tray icon the panel could not be hidden too.
        write_ini(inst, [globals_record('', f9='1', f12='1', f18='0')])
        proc, main = self.start_player(inst, '/nologo')
        winauto('command', main, MENU_BASE + MENU_VIDEO_WINDOW)
        self.assertTrue(wait_until(lambda: not windows('StrevoVideo', 'Strevo')[0].visible, 10))
        winauto('command', main, MENU_BASE + MENU_CONTROL_PANEL)
        self.assertTrue(wait_until(lambda: not windows('StrevoMain', 'Strevo')[0].visible, 10))
        self.close_player(proc, main)
        fields = self.globals_of(inst)
        self.assertEqual((fields[9], fields[12]), ('0', '1'))

        proc, main = self.start_player(inst, '/nologo')
        self.assertFalse(windows('StrevoMain', 'Strevo')[0].visible, 'the hidden panel came back shown')
        self.assertTrue(windows('StrevoVideo', 'Strevo')[0].visible)
        self.close_player(proc, main)
        self.assertEqual(self.globals_of(inst)[9], '0')

    def test_a_file_that_cannot_be_read_is_not_saved_over(self):
        inst = self.install()
        inst.enable_log()
        write_ini(inst, [globals_record('', f1='123', f11='77'), 'unknown line|kept|'])
        with open(inst.sibling('.ini'), 'rb') as f:
            before = f.read()
        # Another program holds the file open without sharing it.
        lock = subprocess.Popen(['wine', WINAUTO, 'lock', winpath(inst.sibling('.ini')), '60000'], env=wine_env(),
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.procs.append(lock)
        holder = wait_window('WinautoLock', '*', 20)
        self.assertIsNotNone(holder, 'the file could not be locked')

        proc, main = self.run_player(inst)
        self.assertIn('def cfg loaded', inst.log_messages())
        # The lock goes before the close: nothing would stop a save now.
        winauto('close', holder)
        self.assertEqual(self.wait_exit(lock, 20), 0)
        self.close_player(proc, main)

        with open(inst.sibling('.ini'), 'rb') as f:
            self.assertEqual(f.read(), before, 'the unreadable file was saved over')
        msgs = inst.log_messages()
        self.assertLess(msgs.index('ini unreadable - defaults used'), msgs.index('Have read ini and urls'))
        self.assertIn('ini unreadable - not saved', msgs)
        self.assertNotIn('ini saved', msgs)
        self.assertFalse(os.path.exists(inst.sibling('.ini.new')))

        # Readable again: the next run takes it and saves as usual.
        proc, main = self.run_player(inst)
        self.close_player(proc, main)
        fields = self.globals_of(inst)
        self.assertEqual((fields[1], fields[11]), ('123', '77'))
        self.assertIn('unknown line|kept|', read_ini(inst))

    def test_a_channel_addressed_like_the_global_record_keeps_the_globals(self):
        inst = self.install()
        playlist = inst.path('list.m3u')
        with open(playlist, 'wb') as f:
            f.write(b'#EXTM3U\r\n#EXTINF:-1,Odd\r\n?Globals\r\n#EXTINF:-1,Plain\r\nudp://@239.1.1.1:1234\r\n')
        write_ini(inst, [globals_record(winpath(playlist), f10='?Globals', f11='64')])
        proc, main = self.start_player(inst, '/nologo')
        self.close_player(proc, main)
        fields = self.globals_of(inst)
        self.assertEqual((fields[10], fields[11], fields[24]), ('?Globals', '64', winpath(playlist)))


if __name__ == '__main__':
    unittest.main()
