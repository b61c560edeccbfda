"""Recording in the player: the record command records the playing channel
from a multicast sender on the loopback interface to a file named by the
channel, date and time; the recording line shows over the video; the command
again ends it and the channel plays on. A Capture folder that cannot be
written is told, not shown as a size that stays 0.

Commands go to the main window as the menu sends them (WM_COMMAND 40000 +
item: 31 record, 32 snapshot).
"""
import datetime
import os
import re
import shutil
import time
import unittest

from harness import BUILD, RUN_DIR, E2ETestCase, children, wait_until, windows, winauto, winpath
from multicast import sent_run, start_sender
from test_channel_controls import save_png
from test_playback import PLAYER_COMMAND, SELECT, STOP, Trace, globals_record

ENGINE = os.path.join(RUN_DIR, 'libvlc.dll')
MENU_BASE = 40000
MENU_RECORD, MENU_SNAPSHOT = 31, 32
GROUP = '239.255.12.1'
CHANNEL_CHOICE, CHANNEL_LABEL, SELECTOR = 2012, 2100, 2101


class RecordingHelpers:
    """Starting the player on one multicast channel and driving its record
    command; shared with the scenarios of other engine builds."""

    def empty_capture_folder(self, module):
        """A Capture folder of its own for the scenario, emptied."""
        capture = os.path.join(BUILD, 'e2e', module, 'captures')
        shutil.rmtree(capture, ignore_errors=True)
        os.makedirs(capture)
        return capture

    def setup_player(self, port, capdir, fmt=2, engine=None):
        inst = self.install()
        if engine:
            shutil.copy2(engine, inst.path('libvlc.dll'))
        inst.enable_log()
        m3u = inst.path('channels.m3u8')
        with open(m3u, 'w', encoding='cp1251', newline='\r\n') as f:
            f.write('#EXTM3U\n#EXTINF:0,News/Sport: 1\nudp://@%s:%d\n' % (GROUP, port))
        with open(inst.sibling('.ini'), 'w', encoding='cp1251', newline='\r\n') as f:
            f.write(globals_record(winpath(m3u), '127.0.0.1', capdir, fmt) + '\n')
        trace = Trace(inst.path('engine-trace.txt'))
        self.start_player(inst, '/nologo', env={'STREVO_ENGINE_TRACE': winpath(trace.path)})
        self.assertTrue(wait_until(lambda: 'form created' in inst.log_messages(), 30), 'start-up did not finish')
        main = windows('StrevoMain', 'Strevo')[0].hwnd
        ends = inst.log_messages().count('end goplaymrl')
        winauto('post', main, PLAYER_COMMAND, SELECT, 1)
        self.assertTrue(wait_until(lambda: inst.log_messages().count('end goplaymrl') > ends, 20))
        return inst, trace, main

    def video(self):
        return windows('StrevoVideo', 'Strevo')[0].hwnd

    def playing(self):
        return [w for w in children(self.video()) if w.cls == 'VLC DirectX' and w.visible]

    def recording_line(self):
        lines = [w for w in children(self.video()) if w.visible and w.text.startswith('REC - ')]
        return lines[0].text if lines else ''

    def record(self, inst, main):
        begins = inst.log_messages().count('begin btnrec')
        winauto('command', main, MENU_BASE + MENU_RECORD)
        self.assertTrue(wait_until(lambda: inst.log_messages().count('begin btnrec') > begins, 20))

    def assert_recorded_exactly(self, path, sent_before):
        """The ended recording is exactly what was sent, without a gap, from a
        datagram sent after the command, and no longer grows."""
        with open(path, 'rb') as f:
            data = f.read()
        run = sent_run(data)
        self.assertIsNotNone(run, 'the file is not a gapless run of what was sent (%d bytes)' % len(data))
        first, count = run
        self.assertGreaterEqual(first, sent_before)
        self.assertGreater(count, 100)
        time.sleep(1)
        self.assertEqual(os.path.getsize(path), len(data), 'the file grew after the recording ended')


@unittest.skipUnless(os.path.exists(ENGINE), 'the stand-in engine (libvlc.dll) is not built')
class RecordingInThePlayer(RecordingHelpers, E2ETestCase):
    def test_records_from_the_command_to_the_command_and_plays_on(self):
        port = 5012
        sender = start_sender(self, GROUP, port)
        capture = self.empty_capture_folder('test_recording')
        # Without its closing backslash: the player adds it.
        inst, trace, main = self.setup_player(port, winpath(capture))
        self.assertTrue(wait_until(self.playing, 15), 'the channel does not play')

        sent_before = sender.sent
        before = datetime.datetime.now().replace(microsecond=0)
        self.record(inst, main)
        self.assertTrue(wait_until(lambda: 'end btnrec' in inst.log_messages(), 20))
        after = datetime.datetime.now()
        # The settings window's Capture box shows the setting as corrected.
        boxes = [w.text for w in children(windows('StrevoSettings')[0].hwnd)
                 if w.cls == 'Edit' and w.text.startswith(winpath(capture))]
        self.assertEqual(boxes, [winpath(capture) + '\\'])
        names = wait_until(lambda: os.listdir(capture), 10)
        self.assertEqual(len(names), 1, names)
        m = re.fullmatch(r'News_Sport_ 1-(\d{8}-\d{6})\.ts', names[0])
        self.assertIsNotNone(m, names[0])
        started = datetime.datetime.strptime(m.group(1), '%Y%m%d-%H%M%S')
        self.assertTrue(before <= started <= after, (before, started, after))
        path = os.path.join(capture, names[0])
        chain = ('#duplicate{dst=display,dst=std{access=file,mux=ts,url=\\"%s/%s\\"}}'
                 % (winpath(capture).replace('\\', '/'), names[0]))
        self.assertIn('VLC_VariableSet 0 conf::sout string "%s"' % chain, trace.lines())

        # The line over the video, the size growing.
        self.assertTrue(wait_until(lambda: re.fullmatch(r'REC - 00:00:0\d - \d+ Mb \(\d+ Mb free\)',
                                                        self.recording_line()), 10), self.recording_line())
        self.assertTrue(wait_until(lambda: os.path.getsize(path) > 100 * 1316, 15), 'the file does not grow')
        save_png('recording-player')
        # The channel choice would be ignored while recording: the selector does not open.
        for ident in (CHANNEL_CHOICE, CHANNEL_LABEL):
            winauto('click', winauto('child', main, ident)[1].strip())
        selector = winauto('child', main, SELECTOR)[1].strip()
        self.assertFalse(wait_until(lambda: winauto('state', selector)[1].split() == ['1', '1'], 3),
                         'the channel selector opened during the recording')

        trace.set_mark()
        self.record(inst, main)
        self.assertTrue(wait_until(lambda: any(l.startswith('VLC_AddTarget') for l in trace.since_mark()), 20),
                        'the channel was not played again')
        again = trace.since_mark()
        self.assertIn('VLC_VariableSet 0 conf::sout string ""', again)
        self.assertLess(again.index('VLC_VariableSet 0 conf::sout string ""'),
                        [i for i, l in enumerate(again) if l.startswith('VLC_AddTarget')][0])
        self.assertTrue(wait_until(self.playing, 15), 'the channel does not play on')
        self.assertTrue(wait_until(lambda: self.recording_line() == '', 5), 'the recording line stayed')

        self.assert_recorded_exactly(path, sent_before)

        # A snapshot: the engine's video output writes its picture to the Capture folder.
        winauto('command', main, MENU_BASE + MENU_SNAPSHOT)
        snap = os.path.join(capture, 'vlcsnap-00001.jpg')
        self.assertTrue(wait_until(lambda: os.path.exists(snap) and os.path.getsize(snap) > 0, 10), 'no snapshot')
        with open(snap, 'rb') as f:
            self.assertEqual(f.read(2), b'\xff\xd8')

    def test_commands_given_during_a_switch_wait_for_its_end(self):
        """The switch's pause processes messages: a Stop or a record command
        handled there would be undone by the switch. They run after it."""
        port = 5039
        sender = start_sender(self, GROUP, port)
        capture = self.empty_capture_folder('test_recording_switch')
        inst, trace, main = self.setup_player(port, winpath(capture))
        self.assertTrue(wait_until(self.playing, 15), 'the channel does not play')

        # Stop right after choosing the channel: both are in the queue when
        # the switch starts, so the Stop arrives inside its pause.
        ends = inst.log_messages().count('end goplaymrl')
        trace.set_mark()
        winauto('post', main, PLAYER_COMMAND, SELECT, 1)
        winauto('post', main, PLAYER_COMMAND, STOP, 0)
        self.assertTrue(wait_until(lambda: inst.log_messages().count('end goplaymrl') > ends, 20))
        self.assertTrue(wait_until(lambda: trace.since_mark().count('VLC_Stop 0') >= 2, 10), trace.since_mark())
        lines = trace.since_mark()
        added = [i for i, l in enumerate(lines) if l.startswith('VLC_AddTarget')]
        self.assertTrue(added, lines)
        self.assertLess(added[-1], max(i for i, l in enumerate(lines) if l == 'VLC_Stop 0'),
                        'the switch played after the Stop')
        self.assertTrue(wait_until(lambda: not self.playing(), 10), 'the player plays on after the Stop')
        time.sleep(1)
        self.assertFalse(self.playing(), 'the player plays again after the Stop')

        # The record command inside the switch's pause: it records after the
        # switch, into a file that grows.
        log = inst.log_messages()
        ends = log.count('end goplaymrl')
        winauto('post', main, PLAYER_COMMAND, SELECT, 1)
        winauto('post', main, 0x0111, MENU_BASE + MENU_RECORD, 0)
        self.assertTrue(wait_until(lambda: 'end btnrec' in inst.log_messages()[len(log):], 20))
        after = inst.log_messages()[len(log):]
        self.assertLess(after.index('end goplaymrl'), after.index('begin btnrec'))
        names = wait_until(lambda: os.listdir(capture), 10)
        self.assertEqual(len(names), 1, names)
        path = os.path.join(capture, names[0])
        self.assertTrue(wait_until(lambda: os.path.getsize(path) > 100 * 1316, 15), 'the file does not grow')
        self.assertTrue(wait_until(lambda: self.recording_line().startswith('REC - '), 10))
        self.record(inst, main)
        self.assertTrue(wait_until(lambda: self.recording_line() == '', 10), 'the recording line stayed')

    def test_a_capture_folder_that_cannot_be_written_is_told(self):
        port = 5013
        sender = start_sender(self, GROUP, port)
        # A folder inside a file cannot exist.
        blocker = os.path.join(BUILD, 'e2e', 'test_recording', 'not-a-folder')
        os.makedirs(os.path.dirname(blocker), exist_ok=True)
        with open(blocker, 'wb'):
            pass
        inst, trace, main = self.setup_player(port, winpath(blocker) + '\\rec\\', fmt=0)
        self.assertTrue(wait_until(self.playing, 15), 'the channel does not play')
        self.record(inst, main)
        self.assertTrue(wait_until(lambda: re.fullmatch(r'REC - 00:00:\d\d - Error! cannot create the file',
                                                        self.recording_line()), 10), self.recording_line())

    def test_a_format_that_writes_nothing_is_told(self):
        # The default format, PS, of a stream the engine cannot put into it.
        port = 5011
        start_sender(self, GROUP, port)
        capture = self.empty_capture_folder('test_recording_ps')
        inst, trace, main = self.setup_player(port, winpath(capture) + '\\', fmt=0)
        self.assertTrue(wait_until(self.playing, 15), 'the channel does not play')
        self.record(inst, main)
        self.assertTrue(wait_until(lambda: re.fullmatch(r'REC - 00:00:\d\d - Error! nothing written in this format',
                                                        self.recording_line()), 15), self.recording_line())
        names = os.listdir(capture)
        self.assertEqual(len(names), 1, names)
        self.assertEqual(os.path.getsize(os.path.join(capture, names[0])), 0)


if __name__ == '__main__':
    unittest.main()
