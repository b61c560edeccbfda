"""Playback through the engine: the order and values of the engine calls of a
channel switch (read from the stand-in engine's trace), the proxy rewrite of
multicast addresses fetched from a local relay, the engine's status picture in
the video window, and the player without an engine.

Channel switches are asked for with the player's private command message:
PostMessage(main window, WM_APP + 0x51, command, argument), command 1 = select
channel <argument>, 2 = next, 3 = previous, 4 = back to the previous channel,
7 = stop (src/playback/player_host_win.h). The menus and keys run the same
operations.
"""
import http.server
import os
import re
import shutil
import socketserver
import subprocess
import threading
import time
import unittest

from harness import BUILD, RUN_DIR, E2ETestCase, children, press, wait_until, wait_window, windows, winauto, winpath

PLAYER_COMMAND = 0x8000 + 0x51
SELECT, NEXT, PREVIOUS, BACK, STOP = 1, 2, 3, 4, 7

ENGINE = os.path.join(RUN_DIR, 'libvlc.dll')


def globals_record(playlist, iface=''):
    """A "?Globals" record: the video window undocked at 360 x 288, the list
    and the interface setting as given."""
    f = [''] * 35
    f[0] = '?Globals'
    f[1], f[2], f[3] = '15', '15', '70'
    f[4], f[5], f[6], f[7] = '420', '5', '360', '288'
    f[9] = '1'
    f[10] = '?'
    f[11] = '50'
    f[13] = iface
    f[15] = 'C:\\'
    f[16] = ''
    f[24] = playlist
    f[25] = '0'
    f[29] = '0'
    f[30] = '0'
    return '|'.join(f) + '|'


class Relay(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True


def start_relay(test):
    """A UDP-to-HTTP relay stand-in on 127.0.0.1: records the paths asked for
    and sends MPEG-TS-sized packets for a few seconds."""
    requests = []

    class Handler(http.server.BaseHTTPRequestHandler):
        protocol_version = 'HTTP/1.0'

        def do_GET(self):
            requests.append(self.path)
            self.send_response(200)
            self.send_header('Content-Type', 'video/mp2t')
            self.end_headers()
            packet = b'\x47' + bytes(187)
            try:
                for _ in range(150):  # bounded: about 15 s
                    self.wfile.write(packet * 70)
                    self.wfile.flush()
                    time.sleep(0.1)
            except OSError:
                pass

        def log_message(self, *args):
            pass

    server = Relay(('127.0.0.1', 0), Handler)
    thread = threading.Thread(target=server.serve_forever, daemon=True)
    thread.start()

    def stop():
        server.shutdown()
        server.server_close()
    test.addCleanup(stop)
    return server.server_address[1], requests


class Trace:
    def __init__(self, path):
        self.path = path
        self.mark = 0

    def lines(self):
        try:
            with open(self.path, 'rb') as f:
                return f.read().decode('utf-8', 'replace').splitlines()
        except FileNotFoundError:
            return []

    def set_mark(self):
        self.mark = len(self.lines())

    def since_mark(self):
        return self.lines()[self.mark:]


@unittest.skipUnless(os.path.exists(ENGINE), 'the stand-in engine (libvlc.dll) is not built')
class BackgroundRecorder(E2ETestCase):
    def test_records_the_stream_to_the_file_until_closed(self):
        port, requests = start_relay(self)
        inst = self.install()
        target = inst.path('rec.ts')
        trace = Trace(inst.path('trace.txt'))
        proc = self.start(inst, '/bgrec', 'http://127.0.0.1:%d/chan.ts' % port, 'ts', winpath(target), '0',
                          'Первый', 'Auto', '-1', env={'STREVO_ENGINE_TRACE': winpath(trace.path)})
        hwnd = wait_window('obj_Form', 'Background recording', 20)
        self.assertIsNotNone(hwnd)
        self.assertTrue(wait_until(lambda: os.path.exists(target) and os.path.getsize(target) > 0, 15),
                        'nothing was written to the target file')

        def status():
            labels = [w for w in children(hwnd) if w.cls == 'obj_STATIC']
            return labels[0].text if labels else ''
        self.assertTrue(wait_until(lambda: status().startswith('Status\t: Recording (TS format)\r'), 10), status())
        self.assertIn('\rChannel\t: Первый\r', status())
        self.assertIn('Source\t: http://127.0.0.1:%d/chan.ts' % port, status())
        self.assertRegex(status(), r'Length\t: \[\d+ Mb\] 00:00:\d\d / 00:00:00$')
        lines = trace.lines()
        self.assertIn('VLC_VariableSet 0 conf::miface-addr string "Auto"', lines)
        self.assertIn('VLC_VariableSet 0 conf::audio-track int -1', lines)
        chain = '#duplicate{dst=std{access=file,mux=ts,url=\\"%s\\"}}' % winpath(target).replace('\\', '\\\\')
        self.assertIn('VLC_VariableSet 0 conf::sout string "%s"' % chain, lines)
        self.assertIn('VLC_AddTarget 0 "http://127.0.0.1:%d/chan.ts" 0 12 0' % port, lines)

        # Closing while recording asks first; "No" keeps it running.
        winauto('close', hwnd)
        box = wait_window('#32770', 'Background recording', 10)
        self.assertIsNotNone(box, 'closing a running recording asked nothing')
        self.assertIn('Вы уверены что хотите прервать запись?', [w.text for w in children(box)])
        self.assertTrue(press(box, 'Нет', 'No'))
        time.sleep(1)
        self.assertIsNone(proc.poll())
        winauto('close', hwnd)
        box = wait_window('#32770', 'Background recording', 10)
        self.assertTrue(press(box, 'Да', 'Yes'))
        self.assertEqual(self.wait_exit(proc, 20), 0)
        self.assertIn('VLC_Stop 0', trace.lines())


class WithoutEngine(E2ETestCase):
    def test_player_starts_and_switches_without_an_engine(self):
        inst = self.install()
        for dll in ('libvlc.dll',):
            if os.path.exists(inst.path(dll)):
                os.remove(inst.path(dll))
        inst.enable_log()
        self.start_player(inst, '/nologo')
        self.assertTrue(wait_until(lambda: 'form created' in inst.log_messages(), 30))
        log = inst.log_messages()
        self.assertLess(log.index('ivlc assigned'), log.index('vlc checked'))
        self.assertLess(log.index('vlc checked'), log.index('mode mnu done'))
        hwnd = windows('StrevoMain', 'Strevo')[0].hwnd
        winauto('post', hwnd, PLAYER_COMMAND, STOP, 0)
        self.assertTrue(wait_until(lambda: 'player_stop' in inst.log_messages(), 10))
        self.assertEqual(len(windows('StrevoMain', 'Strevo')), 1, 'the player ended')


if __name__ == '__main__':
    unittest.main()
