"""The background recorder ("/bgrec") against a multicast sender on the
loopback interface: started from the player's channel list, it records the
selected channel until its close query is answered "Да"; given a duration it
ends by itself; in "Stand by" it closes without asking; the scheduler's form
without the audio track is accepted; a target it cannot create is told; an
HTTP stream whose connection drops goes on in the same file.
Every recording is compared with exactly what was sent.
"""
import http.server
import os
import re
import shutil
import threading
import time
import unittest

from harness import BUILD, RUN_DIR, E2ETestCase, children, press, serve_http, wait_gone, wait_until, wait_window, windows, \
    winauto, winpath
from multicast import SIZE, datagram, sent_run, start_sender
from test_playback import Trace, globals_record

ENGINE = os.path.join(RUN_DIR, 'libvlc.dll')
LIST_MENU_BASE = 41000
LIST_BACKGROUND_RECORDING = 3
LB_SETCURSEL, LB_GETCOUNT = 0x186, 0x18B
GROUP = '239.255.12.2'
QUESTION = 'Вы уверены что хотите прервать запись?'


def status(hwnd):
    labels = [w for w in children(hwnd) if w.cls == 'obj_STATIC']
    return labels[0].text if labels else ''


@unittest.skipUnless(os.path.exists(ENGINE), 'the stand-in engine (libvlc.dll) is not built')
class BackgroundRecorder(E2ETestCase):
    def sender(self, port):
        return start_sender(self, GROUP, port)

    def folder(self, name):
        path = os.path.join(BUILD, 'e2e', 'test_recorder', name)
        shutil.rmtree(path, ignore_errors=True)
        os.makedirs(path)
        return path

    def check_recording(self, path, sent_before):
        with open(path, 'rb') as f:
            data = f.read()
        run = sent_run(data)
        self.assertIsNotNone(run, 'the file is not a gapless run of what was sent (%d bytes)' % len(data))
        self.assertGreaterEqual(run[0], sent_before)
        return run

    def test_the_list_command_records_the_selected_channel_until_closed(self):
        sender = self.sender(5015)
        capture = self.folder('list')
        inst = self.install()
        m3u = inst.path('channels.m3u8')
        with open(m3u, 'w', encoding='cp1251', newline='\r\n') as f:
            f.write('#EXTM3U\n#EXTINF:0,First\nudp://@%s:5014\n#EXTINF:0,Второй\nudp://@%s:5015\n' % (GROUP, GROUP))
        # The second channel's own record chooses audio track "#3" (stored as 2).
        own = ['udp://@%s:5015' % GROUP, '1', '100', '100', '0', '100', '100', '0', 'None', '0', '', '', '', '', '0',
               '', '0', '2', '0']
        with open(inst.sibling('.ini'), 'w', encoding='cp1251', newline='\r\n') as f:
            f.write(globals_record(winpath(m3u), '127.0.0.1', winpath(capture), 2) + '\n' + '|'.join(own) + '|\n')
        trace = Trace(inst.path('engine-trace.txt'))
        self.start_player(inst, '/nologo', env={'STREVO_ENGINE_TRACE': winpath(trace.path)})
        main = windows('StrevoMain', 'Strevo')[0].hwnd
        video = windows('StrevoVideo', 'Strevo')[0].hwnd
        lists = [w for w in children(video) if w.cls == 'ListBox'
                 and int(winauto('send', w.hwnd, LB_GETCOUNT, 0, 0)[1].strip()) == 2]
        self.assertEqual(len(lists), 1)
        winauto('send', lists[0].hwnd, LB_SETCURSEL, 1, 0)
        sent_before = sender.sent
        winauto('command', main, LIST_MENU_BASE + LIST_BACKGROUND_RECORDING)
        rec = wait_window('obj_Form', 'Background recording', 20)
        self.assertIsNotNone(rec, 'no recorder started')
        self.assertTrue(wait_until(lambda: status(rec).startswith('Status\t: Recording (TS format)\r'), 15), status(rec))
        text = status(rec)
        self.assertIn('\rChannel\t: Второй\rSource\t: udp://@%s:5015\r' % GROUP, text)
        target = re.search(r'\rTarget\t: \.\.\.([^\r]{26})\r', text)
        self.assertIsNotNone(target, text)
        names = os.listdir(capture)
        self.assertEqual(len(names), 1, names)
        self.assertRegex(names[0], r'^Второй-\d{8}-\d{6}\.ts$')
        self.assertEqual(target.group(1), '\\' + names[0])  # the last 26 characters
        lines = trace.lines()
        self.assertIn('VLC_VariableSet 0 conf::miface-addr string "127.0.0.1"', lines)
        self.assertIn('VLC_VariableSet 0 conf::audio-track int 2', lines)
        self.assertIn('VLC_AddTarget 0 "udp://@%s:5015" 0 12 0' % GROUP, lines)
        path = os.path.join(capture, names[0])
        self.assertTrue(wait_until(lambda: os.path.getsize(path) > 200 * 1316, 15), 'the file does not grow')

        winauto('close', rec)
        box = wait_window('#32770', 'Background recording', 10)
        self.assertIsNotNone(box, 'closing a running recording asked nothing')
        self.assertIn(QUESTION, [w.text for w in children(box)])
        self.assertTrue(press(box, 'Да', 'Yes'))
        self.assertTrue(wait_gone('obj_Form', 'Background recording', 20), 'the recorder did not end')
        self.check_recording(path, sent_before)
        # The player is still there.
        self.assertEqual(len(windows('StrevoMain', 'Strevo')), 1)

    def test_a_recording_of_one_minute_ends_by_itself_on_the_programs_clock(self):
        # The program's clock runs ten times as fast: the minute is six real seconds.
        speed = 10
        sender = self.sender(5016)
        folder = self.folder('minute')
        target = os.path.join(folder, 'minute.ts')
        inst = self.install()
        inst.enable_log()  # seen once: no window within 20 s; the log tells what the recorder did
        clock = {'STREVO_CLOCK': time.strftime('%Y-%m-%dT%H:%M:%S') + '*%d' % speed}
        sent_before = sender.sent
        proc = self.start(inst, '/bgrec', 'udp://@%s:5016' % GROUP, 'ts', winpath(target), '1', 'Minute',
                          '127.0.0.1', '-1', env=clock)
        rec = wait_window('obj_Form', 'Background recording', 20)
        self.assertIsNotNone(rec, (proc.poll(), inst.log_lines()))
        self.assertTrue(wait_until(lambda: re.search(r'Length\t: \[\d+ Mb\] 00:00:\d\d / 00:01:00$', status(rec)),
                                   15), status(rec))
        self.assertEqual(self.wait_exit(proc, 40), 0, 'the recorder did not end after its minute')
        sent_after = sender.sent
        first, count = self.check_recording(target, sent_before)
        # Six seconds of the stream, give or take the start and a late tick;
        # far less than a real minute.
        real_seconds = 60 / speed
        self.assertGreater(count, 0.9 * sender.per_second * real_seconds)
        self.assertLess(count, sender.per_second * real_seconds * 3)
        self.assertLessEqual(first + count, sent_after)

    def test_a_stream_that_pauses_goes_on_in_the_same_file_and_a_kill_keeps_it(self):
        sender = self.sender(5019)
        target = os.path.join(self.folder('killed'), 'killed.ts')
        inst = self.install()
        sent_before = sender.sent
        proc = self.start(inst, '/bgrec', 'udp://@%s:5019' % GROUP, 'ts', winpath(target), '0', 'Killed',
                          '127.0.0.1', '-1')
        rec = wait_window('obj_Form', 'Background recording', 20)
        self.assertIsNotNone(rec)
        self.assertTrue(wait_until(lambda: os.path.exists(target) and os.path.getsize(target) > 200 * SIZE, 15))
        # The stream stops until the recorder stands by, then comes back.
        sender.pause(True)
        self.assertTrue(wait_until(lambda: status(rec).startswith('Status\t: Stand by\r'), 10), status(rec))
        paused_at = os.path.getsize(target)
        sender.pause(False)
        self.assertTrue(wait_until(lambda: status(rec).startswith('Status\t: Recording'), 10), status(rec))
        self.assertTrue(wait_until(lambda: os.path.getsize(target) > paused_at + 200 * SIZE, 10))
        time.sleep(1)
        sent_at_kill = sender.sent
        proc.kill()
        proc.wait(10)
        first, count = self.check_recording(target, sent_before)
        # No more than a second of the stream goes with the process.
        self.assertGreaterEqual(first + count, sent_at_kill - sender.per_second)

    def test_two_groups_on_one_port_are_kept_apart(self):
        # Channel lists put every group on one port. Each recorder's socket,
        # bound to that port, gets the datagrams of both groups joined on the
        # machine; each file must hold its own group's alone.
        port = 5024
        groups = ('239.255.24.1', '239.255.24.2')
        senders = [start_sender(self, group, port, stream=n) for n, group in enumerate(groups)]
        folder = self.folder('shared-port')
        inst = self.install()
        inst.enable_log()
        targets = [os.path.join(folder, 'group%d.ts' % n) for n in range(2)]
        sent_before = [sender.sent for sender in senders]
        procs = [self.start(inst, '/bgrec', 'udp://@%s:%d' % (group, port), 'ts', winpath(target), '0', 'Group',
                            '127.0.0.1', '-1') for group, target in zip(groups, targets)]
        self.assertTrue(wait_until(lambda: len(windows('obj_Form', 'Background recording')) == 2, 20))
        self.assertTrue(wait_until(lambda: all(os.path.exists(t) and os.path.getsize(t) > 300 * SIZE
                                               for t in targets), 20), 'the recordings do not grow')
        for rec in windows('obj_Form', 'Background recording'):
            winauto('close', rec.hwnd)
            box = wait_window('#32770', 'Background recording', 10)
            self.assertIsNotNone(box, 'closing a running recording asked nothing')
            self.assertTrue(press(box, 'Да', 'Yes'))
        for proc in procs:
            self.assertEqual(self.wait_exit(proc, 20), 0)
        for n, target in enumerate(targets):
            with open(target, 'rb') as f:
                data = f.read()
            run = sent_run(data, n)
            self.assertIsNotNone(run, 'recording %d is not a gapless run of its own group alone (%d bytes, %d '
                                 'datagrams of the other group)' % (n, len(data), sum(
                                     data[i:i + SIZE] == datagram(int.from_bytes(data[i:i + 8], 'big'), 1 - n)
                                     for i in range(0, len(data) - SIZE + 1, SIZE))))
            self.assertGreaterEqual(run[0], sent_before[n])
        # Said once a recording, not once a datagram.
        told = [m for m in inst.log_messages() if m.startswith('udp: datagrams of other groups on port %d' % port)]
        self.assertEqual(len(told), 2, inst.log_messages())

    def test_a_recording_that_writes_nothing_says_so_and_a_program_stream_goes_in_as_it_is(self):
        # The default format, PS: a stream that is neither a transport nor a
        # program stream gives nothing to write; the build's demo.mpg, a
        # program stream, goes into the file as it is.
        self.sender(5022)
        folder = self.folder('ps')
        demo = os.path.join(RUN_DIR, 'demo.mpg')
        inst = self.install()
        empty, copied = os.path.join(folder, 'nothing.mpg'), os.path.join(folder, 'demo.mpg')
        self.start(inst, '/bgrec', 'udp://@%s:5022' % GROUP, 'ps', winpath(empty), '0', 'Nothing', '127.0.0.1', '-1')
        self.assertTrue(wait_until(lambda: len(windows('obj_Form', 'Background recording')) == 1, 20))
        rec = windows('obj_Form', 'Background recording')[0].hwnd
        self.start(inst, '/bgrec', winpath(demo), 'ps', winpath(copied), '0', 'Demo', '127.0.0.1', '-1')
        self.assertTrue(wait_until(lambda: status(rec).startswith('Status\t: Error! nothing written in this format\r'),
                                   20), status(rec))
        self.assertEqual(os.path.getsize(empty), 0)
        self.assertTrue(wait_until(lambda: os.path.exists(copied) and os.path.getsize(copied) > 200_000, 20),
                        'the program stream is not recorded')
        with open(demo, 'rb') as f:
            source = f.read()
        with open(copied, 'rb') as f:
            data = f.read()
        self.assertEqual(data[:4], b'\x00\x00\x01\xba')
        self.assertEqual(data, source[:len(data)], 'the program stream was not written as it is')

    def test_stand_by_closes_without_asking_and_seven_arguments_do(self):
        folder = self.folder('standby')
        inst = self.install()
        trace = Trace(inst.path('engine-trace.txt'))
        # The scheduler's form: no audio track. Nobody sends to this group.
        proc = self.start(inst, '/bgrec', 'udp://@%s:5017' % GROUP, 'ps', winpath(os.path.join(folder, 'a.mpg')), '0',
                          'Quiet', '127.0.0.1', env={'STREVO_ENGINE_TRACE': winpath(trace.path)})
        rec = wait_window('obj_Form', 'Background recording', 20)
        self.assertIsNotNone(rec, 'seven arguments were refused')
        self.assertTrue(wait_until(lambda: status(rec).startswith('Status\t: Stand by\r'), 10), status(rec))
        self.assertIn('VLC_VariableSet 0 conf::audio-track int 0', trace.lines())
        winauto('close', rec)
        self.assertEqual(self.wait_exit(proc, 20), 0)
        self.assertEqual(windows('#32770', 'Background recording'), [])

    def test_a_target_that_cannot_be_created_is_told(self):
        self.sender(5018)
        blocker = os.path.join(self.folder('blocked'), 'not-a-folder')
        with open(blocker, 'wb'):
            pass
        inst = self.install()
        self.start(inst, '/bgrec', 'udp://@%s:5018' % GROUP, 'ts', winpath(blocker) + '\\x.ts', '0', 'Blocked',
                   '127.0.0.1', '-1')
        rec = wait_window('obj_Form', 'Background recording', 20)
        self.assertIsNotNone(rec)
        self.assertTrue(wait_until(lambda: status(rec).startswith('Status\t: Error! cannot create the file\r'), 10),
                        status(rec))


def serve_dropping_stream(test, drop_after):
    """A live HTTP stream on 127.0.0.1 of numbered datagrams (multicast.py's)
    at 2 Mbit/s: the first connection ends after `drop_after` of them, the
    second is refused (503), the third goes on from where the first stopped.
    Returns the port, the answers given and the datagrams sent so far."""
    state = {'answers': [], 'next': 0}
    stop = threading.Event()

    class Handler(http.server.BaseHTTPRequestHandler):
        protocol_version = 'HTTP/1.0'

        def do_GET(self):
            connection = len(state['answers'])
            if connection == 1:
                state['answers'].append(503)
                self.send_error(503)
                return
            state['answers'].append(200)
            self.send_response(200)
            self.send_header('Content-Type', 'video/mp2t')
            self.end_headers()
            per_tick = 4  # every 20 ms: 2 Mbit/s
            try:
                while not stop.is_set() and (connection > 0 or state['next'] < drop_after):
                    end = state['next'] + per_tick if connection > 0 else min(state['next'] + per_tick, drop_after)
                    self.wfile.write(b''.join(datagram(n) for n in range(state['next'], end)))
                    self.wfile.flush()
                    state['next'] = end
                    stop.wait(0.02)
            except OSError:
                pass

        def log_message(self, *args):
            pass

    return serve_http(test, Handler, stop), state


@unittest.skipUnless(os.path.exists(ENGINE), 'the stand-in engine (libvlc.dll) is not built')
class RecorderOverHttp(E2ETestCase):
    def test_a_stream_whose_connection_drops_goes_on_in_the_same_file(self):
        drop_after = 400
        port, state = serve_dropping_stream(self, drop_after)
        folder = os.path.join(BUILD, 'e2e', 'test_recorder', 'http-drop')
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        target = os.path.join(folder, 'drop.ts')
        inst = self.install()
        proc = self.start(inst, '/bgrec', 'http://127.0.0.1:%d/live.ts' % port, 'ts', winpath(target), '0', 'Relay',
                          '127.0.0.1', '-1')
        rec = wait_window('obj_Form', 'Background recording', 20)
        self.assertIsNotNone(rec)
        self.assertTrue(wait_until(lambda: status(rec).startswith('Status\t: Recording (TS format)\r'), 15),
                        status(rec))
        # Dropped, refused once, then served again: the engine asked three times.
        self.assertTrue(wait_until(lambda: len(state['answers']) >= 3, 30), state['answers'])
        self.assertEqual(state['answers'][:3], [200, 503, 200])
        self.assertTrue(wait_until(lambda: os.path.getsize(target) > (drop_after + 200) * SIZE, 20),
                        'the file did not grow after the stream came back')
        self.assertTrue(wait_until(lambda: status(rec).startswith('Status\t: Recording (TS format)\r'), 10),
                        status(rec))
        winauto('close', rec)
        box = wait_window('#32770', 'Background recording', 10)
        self.assertIsNotNone(box, 'closing a running recording asked nothing')
        self.assertTrue(press(box, 'Да', 'Yes'))
        self.assertEqual(self.wait_exit(proc, 20), 0)
        with open(target, 'rb') as f:
            data = f.read()
        run = sent_run(data)
        # One file: everything of the first connection, then the third's, without a gap.
        self.assertIsNotNone(run, 'the file is not a gapless run of what was sent (%d bytes)' % len(data))
        self.assertEqual(run[0], 0)
        self.assertGreater(run[1], drop_after + 200)
        self.assertLessEqual(run[1], state['next'])


class RecorderWithoutEngine(E2ETestCase):
    def test_says_error_and_ends(self):
        inst = self.install()
        for dll in ('libvlc.dll',):
            if os.path.exists(inst.path(dll)):
                os.remove(inst.path(dll))
        proc = self.start(inst, '/bgrec', 'udp://@%s:5020' % GROUP, 'ts', 'C:\\x.ts', '0', 'None', '127.0.0.1', '-1')
        box = wait_window('#32770', 'Background recording', 20)
        self.assertIsNotNone(box, 'no message box')
        self.assertIn('Error!', [w.text for w in children(box)])
        self.assertTrue(press(box, 'OK', 'ОК'))
        self.assertEqual(self.wait_exit(proc, 20), 0)


if __name__ == '__main__':
    unittest.main()
