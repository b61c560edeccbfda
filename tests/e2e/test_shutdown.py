"""Shut-down: one close handler for all windows, the configuration saved,
the temporary folder removed, and the agent started for running recorders."""
import http.server
import os
import subprocess
import threading
import time
import unittest

from harness import (RUN_DIR, WINAUTO, E2ETestCase, serve_http, wait_until, wait_window, windows, winauto, wine_env,
                     winpath)

COLOURS = '16314867;13809086;6239807;11894655;13809086;11497584;14865371;'


def globals_record(**fields):
    values = {1: '15', 2: '400', 3: '76', 4: '5', 5: '5', 6: '360', 7: '288', 8: '0', 9: '1', 10: '?', 11: '50',
              12: '0', 13: '', 14: '0', 15: 'C:\\', 16: COLOURS, 17: '1', 18: '1', 19: '1', 20: '0', 21: '0',
              22: '0', 23: '0', 24: '', 25: '0', 26: '1', 27: '', 28: '0', 29: '0', 30: '0', 31: '0', 32: '0',
              33: '0', 34: '0'}
    values.update({int(k[1:]): v for k, v in fields.items()})
    return '?Globals|' + ''.join(values[i] + '|' for i in range(1, 35))


SHUTDOWN_LINES = ['сап saved', 'ini saved', 'forms and tray hidden, temp cleaned', 'frmvideo closed',
                  'axvlcplugin object destoyed', 'halt now - exit 0', '------------------------------------']
# From the saved file on, nothing else is logged (the desktop mode is off).
SHUTDOWN_END = SHUTDOWN_LINES[1:]


class Shutdown(E2ETestCase):
    def undocked_install(self, **fields):
        inst = self.install()
        with open(inst.sibling('.ini'), 'wb') as f:
            f.write((globals_record(**fields) + '\r\nunknown line|kept|\r\n').encode('cp1251'))
        inst.enable_log()
        return inst

    def read_globals(self, inst):
        with open(inst.sibling('.ini'), 'rb') as f:
            lines = f.read().decode('cp1251').split('\r\n')
        records = [line for line in lines if line.startswith('?Globals|')]
        self.assertEqual(len(records), 1, lines)
        self.assertIn('unknown line|kept|', lines)
        return records[0]

    def close_and_check(self, inst, target_class):
        trace = inst.path('engine.trace')
        if os.path.exists(trace):
            os.remove(trace)
        proc, _ = self.start_player(inst, '/nologo', env={'STREVO_ENGINE_TRACE': winpath(trace)})
        target = windows(target_class, 'Strevo')[0]
        winauto('close', target.hwnd)
        self.assertEqual(self.wait_exit(proc, 30), 0)
        msgs = inst.log_messages()
        last_start = len(msgs) - 1 - msgs[::-1].index('form created')
        tail = msgs[last_start + 1:]
        positions = [tail.index(line) for line in SHUTDOWN_LINES]
        self.assertEqual(positions, sorted(positions), tail)
        self.assertEqual(tail[tail.index('ini saved'):], SHUTDOWN_END)
        if os.path.exists(os.path.join(RUN_DIR, 'libvlc.dll')):
            # The engine is still stopped and released, only without a log line.
            with open(trace, 'rb') as f:
                calls = [line.split(' ')[0] for line in f.read().decode('utf-8', 'replace').splitlines()]
            self.assertEqual(calls[-3:], ['VLC_Stop', 'VLC_CleanUp', 'VLC_Destroy'], calls[-10:])
        return tail, self.read_globals(inst)

    def test_closing_the_video_window_is_closing_the_player(self):
        inst = self.undocked_install()
        tail, by_video = self.close_and_check(inst, 'StrevoVideo')
        self.assertEqual(tail[0], 'begin close from frmVideo')
        self.assertEqual(by_video.count('|'), 35)
        tail, by_main = self.close_and_check(inst, 'StrevoMain')
        self.assertNotIn('begin close from frmVideo', tail)
        self.assertEqual(by_video, by_main)

        # A save that cannot be written says so and leaves the file as it was.
        with open(inst.sibling('.ini'), 'rb') as f:
            before = f.read()
        os.mkdir(inst.sibling('.ini.new'))  # where the save writes before it renames
        proc, main = self.start_player(inst, '/nologo')
        winauto('close', main)
        self.assertEqual(self.wait_exit(proc, 30), 0)
        msgs = inst.log_messages()
        tail = msgs[len(msgs) - 1 - msgs[::-1].index('form created'):]
        self.assertIn('ini not saved', tail)
        self.assertNotIn('ini saved', tail)
        with open(inst.sibling('.ini'), 'rb') as f:
            self.assertEqual(f.read(), before)

    def test_full_screen_at_close_saves_field_28_and_the_normal_bounds(self):
        inst = self.undocked_install(f4='40', f5='30', f6='400', f7='300')
        proc, _ = self.start_player(inst, '/nologo')
        video = windows('StrevoVideo', 'Strevo')[0]
        winauto('show', video.hwnd, 3)
        self.assertTrue(wait_until(lambda: windows('StrevoVideo', 'Strevo')[0].w > 1000, 10))
        winauto('close', windows('StrevoMain', 'Strevo')[0].hwnd)
        self.assertEqual(self.wait_exit(proc, 30), 0)
        fields = self.read_globals(inst).split('|')
        self.assertEqual(fields[28], '1')
        self.assertEqual(fields[4:8], ['40', '30', '400', '300'])

    def test_a_close_while_the_list_still_downloads_waits_for_the_start_up(self):
        # The start-up waits on a list download that stalls; a close arriving
        # then must not save the half-built player (current channel "?").
        asked, release, stop = threading.Event(), threading.Event(), threading.Event()
        body = b'#EXTM3U\r\n#EXTINF:0,One\r\nudp://@239.1.1.1:1234\r\n'

        class Stalling(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                asked.set()
                release.wait(60)
                self.send_response(200)
                self.send_header('Content-Length', str(len(body)))
                self.end_headers()
                self.wfile.write(body)

            def log_message(self, *args):
                pass
        port = serve_http(self, Stalling, stop)
        mrl = 'udp://@239.1.1.1:1234'
        inst = self.undocked_install(f10=mrl, f24='http://127.0.0.1:%d/list.m3u' % port)
        proc = self.start(inst, '/nologo')
        self.assertTrue(asked.wait(30), 'the list was never asked for')
        main = wait_window('StrevoMain', 'Strevo', 30)
        self.assertIsNotNone(main)
        winauto('close', main)
        self.assertTrue(wait_until(lambda: 'close request kept until start-up ends' in inst.log_messages(), 20),
                        inst.log_messages()[-5:])
        self.assertIsNone(proc.poll(), 'the player ended while its start-up still ran')
        release.set()
        self.assertEqual(self.wait_exit(proc, 60), 0)
        msgs = inst.log_messages()
        self.assertLess(msgs.index('form created'), msgs.index('ini saved'))
        self.assertEqual(msgs.count('ini saved'), 1)
        self.assertEqual(self.read_globals(inst).split('|')[10], mrl)

    def test_running_background_recorders_start_the_agent(self):
        inst = self.undocked_install()
        for _ in range(2):
            self.procs.append(subprocess.Popen(['wine', WINAUTO, 'window', 'obj_Form', 'Background recording', '60000'],
                                               env=wine_env(), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        self.assertTrue(wait_until(lambda: len(windows('obj_Form', 'Background recording')) == 2, 15))
        proc, main = self.start_player(inst, '/nologo')
        winauto('close', main)
        self.assertEqual(self.wait_exit(proc, 30), 0)
        self.assertIsNotNone(wait_window('StrevoAgent', 'Strevo (Sleep)', 20), 'no agent was started')

    def test_without_recorders_nothing_is_started(self):
        inst = self.undocked_install()
        proc, main = self.start_player(inst, '/nologo')
        winauto('close', main)
        self.assertEqual(self.wait_exit(proc, 30), 0)
        time.sleep(3)
        self.assertEqual(windows('StrevoAgent'), [])
        self.assertEqual(windows('StrevoMain'), [])


if __name__ == '__main__':
    unittest.main()
