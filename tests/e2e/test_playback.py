"""Playback through the engine: the order and values of the engine calls of a
channel switch (read from the stand-in engine's trace), the proxy rewrite of
multicast addresses fetched from a local relay, the engine's status picture in
the video window, and the player without an engine.

Channel switches are asked for with the player's private command message:
PostMessage(main window, WM_APP + 0x51, command, argument), command 1 = select
channel <argument>, 2 = next, 3 = previous, 4 = back to the previous channel,
7 = stop (PostedCommand in src/ui/commands/commands.h). The menus and keys run the same
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


def globals_record(playlist, iface='', capdir='C:\\', fmt=''):
    """A "?Globals" record: the video window undocked at 360 x 288, the list,
    the interface setting, the Capture folder and the recording format's
    index as given."""
    f = [''] * 35
    f[0] = '?Globals'
    f[1], f[2], f[3] = '15', '15', '70'
    f[4], f[5], f[6], f[7] = '420', '5', '360', '288'
    f[9] = '1'
    f[10] = '?'
    f[11] = '50'
    f[13] = iface
    f[14] = str(fmt)
    f[15] = capdir
    f[16] = ''
    f[24] = playlist
    f[25] = '0'
    f[29] = '0'
    f[30] = '0'
    return '|'.join(f) + '|'


def write_channels(inst, mrls, iface='', records=(), capdir='C:\\'):
    """A channel list "Channel 1", ... with the given addresses, and a
    configuration holding its globals (see globals_record) and the records."""
    m3u = inst.path('channels.m3u8')
    with open(m3u, 'w', encoding='cp1251', newline='\r\n') as f:
        f.write('#EXTM3U\n')
        for i, mrl in enumerate(mrls, 1):
            f.write('#EXTINF:0,Channel %d\n%s\n' % (i, mrl))
    with open(inst.sibling('.ini'), 'w', encoding='cp1251', newline='\r\n') as f:
        f.write(globals_record(winpath(m3u), iface, capdir) + '\n')
        for record in records:
            f.write(record + '\n')


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
class ChannelSwitch(E2ETestCase):
    def setup_player(self, mrls, iface=''):
        inst = self.install()
        inst.enable_log()
        write_channels(inst, mrls, iface)
        trace = Trace(inst.path('engine-trace.txt'))
        self.start_player(inst, '/nologo', env={'STREVO_ENGINE_TRACE': winpath(trace.path)})
        self.assertTrue(wait_until(lambda: 'form created' in inst.log_messages(), 30), 'start-up did not finish')
        main = [w for w in windows('StrevoMain', 'Strevo')][0]
        return inst, trace, main.hwnd

    def video_hwnd(self, main):
        """frmVideo: a top-level window, or docked inside the main window."""
        top = windows('StrevoVideo', 'Strevo')
        if top:
            return top[0].hwnd
        return [w for w in children(main) if w.cls == 'StrevoVideo'][0].hwnd

    def command(self, hwnd, command, argument=0):
        code, _ = winauto('post', hwnd, PLAYER_COMMAND, command, argument)
        self.assertEqual(code, 0)

    def switch(self, trace, hwnd, command, argument=0):
        trace.set_mark()
        self.command(hwnd, command, argument)
        found = wait_until(lambda: any(l.startswith('VLC_AddTarget') for l in trace.since_mark()), 20)
        self.assertTrue(found, 'no VLC_AddTarget after the switch:\n' + '\n'.join(trace.since_mark()))
        return trace.since_mark()

    def test_switch_calls_the_engine_in_order_with_typed_values(self):
        port, _ = start_relay(self)
        inst, trace, hwnd = self.setup_player(['http://127.0.0.1:%d/one.ts' % port,
                                               'http://127.0.0.1:%d/two.ts' % port])
        start = trace.lines()
        self.assertEqual(start[:2], ['VLC_Create', start[1]])
        self.assertRegex(start[1], r'^VLC_Init 0 1 ".*"$')
        self.assertEqual([l.split(' ')[2] for l in start[2:5]], ['conf::width', 'conf::height', 'drawable'])
        # The host panel inside the video window is what the engine draws into.
        hosts = [w for w in children(self.video_hwnd(hwnd)) if w.cls == 'StrevoEngineHost']
        self.assertEqual(len(hosts), 1)
        self.assertEqual(start[4], 'VLC_VariableSet 0 drawable int %d' % int(hosts[0].hwnd, 16))
        self.assertRegex(start[2], r'^VLC_VariableSet 0 conf::width int [1-9]\d*$')
        self.assertRegex(start[3], r'^VLC_VariableSet 0 conf::height int [1-9]\d*$')
        self.assertEqual(start[5], 'VLC_VariableGet 0 drawable')

        lines = self.switch(trace, hwnd, SELECT, 2)
        calls = [l for l in lines if l.split(' ')[0] in ('VLC_Stop', 'VLC_PlaylistClear', 'VLC_VariableSet',
                                                          'VLC_AddTarget')]
        self.assertEqual(calls[0], 'VLC_Stop 0')
        self.assertEqual(calls[1], 'VLC_PlaylistClear 0')
        self.assertEqual(calls[-1], 'VLC_AddTarget 0 "http://127.0.0.1:%d/two.ts" 0 12 -666' % port)
        sets = [re.match(r'VLC_VariableSet 0 (\S+) (\S+) (.*)$', l).groups() for l in calls[2:-1]]
        self.assertEqual(sets, [
            ('conf::demux', 'string', '""'),
            ('conf::demuxdump-file', 'string', '""'),
            ('conf::sout', 'string', '""'),
            ('conf::miface-addr', 'string', '""'),
            ('conf::directx-audio-device', 'int', '0'),
            ('conf::http-reconnect', 'int', '1'),
            ('conf::snapshot-format', 'string', '"jpg"'),
            ('conf::snapshot-preview', 'int', '1'),
            ('conf::snapshot-path', 'string', '"c:\\\\"'),
            ('conf::contrast', 'float', '1'),
            ('conf::brightness', 'float', '1'),
            ('conf::saturation', 'float', '1'),
            ('conf::gamma', 'float', '1'),
            ('conf::hue', 'int', '0'),
            ('conf::aspect-ratio', 'string', '""'),
            ('conf::autocrop', 'int', '0'),
            ('conf::vout-filter', 'string', '"adjust"'),
            ('conf::audio-visual', 'string', '""'),
            ('conf::audio-track', 'int', '0'),
            ('conf::directx-hw-yuv', 'int', '1'),
            ('conf::directx-use-sysmem', 'int', '1'),
            ('conf::overlay', 'int', '1'),
            ('conf::directx-3buffering', 'int', '1'),
            ('conf::vout', 'string', '"direct3d"'),
            ('conf::directx-wallpaper', 'int', '0'),
            ('conf::access-filter', 'string', '"access_filter_timeshift"'),
            ('conf::timeshift-dir', 'string', '"c:\\\\"'),
            ('conf::timeshift-granularity', 'int', '1024'),
        ])
        self.assertTrue(wait_until(lambda: 'end goplaymrl' in inst.log_messages(), 10))
        log = inst.log_messages()
        self.assertIn('begin goplaymrl idx=2', log)
        self.assertIn('mrl assigned "http://127.0.0.1:%d/two.ts"' % port, log)
        self.assertIn('dx or vlc mrl sent', log)

    def test_next_wraps_and_back_returns_to_the_previous_channel(self):
        inst, trace, hwnd = self.setup_player(['C:\\a.ts', 'C:\\b.ts', 'C:\\c.ts'])
        def target(lines):
            quoted = [l for l in lines if l.startswith('VLC_AddTarget')][-1].split('"')[1]
            return quoted.replace('\\\\', '\\')
        self.assertEqual(target(self.switch(trace, hwnd, SELECT, 3)), 'C:\\c.ts')
        self.assertEqual(target(self.switch(trace, hwnd, NEXT)), 'C:\\a.ts')
        self.assertEqual(target(self.switch(trace, hwnd, PREVIOUS)), 'C:\\c.ts')
        self.assertEqual(target(self.switch(trace, hwnd, SELECT, 2)), 'C:\\b.ts')
        self.assertEqual(target(self.switch(trace, hwnd, BACK)), 'C:\\c.ts')

    def test_proxy_interface_fetches_multicast_through_the_relay(self):
        port, requests = start_relay(self)
        inst, trace, hwnd = self.setup_player(['udp://@239.1.2.3:5000'], iface='127.0.0.1:%d' % port)
        lines = self.switch(trace, hwnd, SELECT, 1)
        self.assertIn('VLC_AddTarget 0 "http://127.0.0.1:%d/udp/239.1.2.3:5000" 0 12 -666' % port, lines)
        self.assertIn('VLC_VariableSet 0 conf::miface-addr string ""', lines)
        self.assertTrue(wait_until(lambda: '/udp/239.1.2.3:5000' in requests, 15),
                        'the relay was never asked: %r' % requests)

    def test_status_picture_shows_in_the_video_window(self):
        port, requests = start_relay(self)
        inst, trace, hwnd = self.setup_player(['http://127.0.0.1:%d/live.ts' % port])
        self.switch(trace, hwnd, SELECT, 1)
        video = self.video_hwnd(hwnd)

        def picture():
            return [w for w in children(video) if w.cls == 'VLC DirectX' and w.visible]
        found = wait_until(picture, 15)
        self.assertTrue(found, 'no status picture in frmVideo: %r' % children(video))
        self.assertGreater(found[0].w, 100)
        time.sleep(1.5)  # let it draw a few bytes and the bit rate
        bmp = os.path.join(BUILD, 'e2e', 'playback-status.bmp')
        code, _ = winauto('screenshot', winpath(bmp))
        self.assertEqual(code, 0)
        if shutil.which('convert'):
            subprocess.run(['convert', bmp, os.path.join(BUILD, 'e2e', 'playback-status.png')], check=False)
        # Stopping takes the picture away.
        self.command(hwnd, STOP)
        self.assertTrue(wait_until(lambda: not picture(), 10), 'the status picture stayed after stop')


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
        # The engine check asks first; "Нет" goes on without the engine.
        self.start(inst, '/nologo')
        box = wait_window('#32770', 'Strevo', 30)
        self.assertIsNotNone(box, 'the engine check did not ask')
        self.assertTrue(press(box, 'Нет', 'No'))
        self.assertTrue(wait_until(lambda: 'form created' in inst.log_messages(), 30))
        log = inst.log_messages()
        self.assertLess(log.index('switched to dx'), log.index('ivlc assigned'))
        self.assertLess(log.index('ivlc assigned'), log.index('coinit - usedx'))
        self.assertLess(log.index('coinit - usedx'), log.index('mode mnu done'))
        self.assertNotIn('vlc checked', log)
        hwnd = windows('StrevoMain', 'Strevo')[0].hwnd
        winauto('post', hwnd, PLAYER_COMMAND, STOP, 0)
        self.assertTrue(wait_until(lambda: 'player_stop' in inst.log_messages(), 10))
        self.assertEqual(len(windows('StrevoMain', 'Strevo')), 1, 'the player ended')


if __name__ == '__main__':
    unittest.main()
