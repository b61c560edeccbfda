"""The player with a 3.x engine only: the stand-in engine built with the 3.x
interface alone (build/win64/engine3/libvlc.dll) beside Strevo.exe, as a user
with today's engine has it. The player binds it, draws into its video window
through it, and a channel switch reaches it as a media with its options,
which the engine plays (it fetches the channel from a local server), and
the record command records a multicast channel through it byte for byte, as
does a background recorder that finds only the 3.x interface."""
import os
import re
import shutil
import unittest

from harness import BUILD, E2ETestCase, children, press, wait_gone, wait_until, wait_window, windows, winauto, \
    winpath
from multicast import SIZE, sent_run, start_sender
from test_playback import PLAYER_COMMAND, SELECT, Trace, start_relay, write_channels
from test_recorder import QUESTION, status
from test_recording import GROUP, RecordingHelpers

ENGINE3 = os.path.join(BUILD, 'engine3', 'libvlc.dll')
NO_OSD, NO_DIRECTX, AUTO_CROP, MONO = 1207, 1208, 1321, 1324  # settings controls


@unittest.skipUnless(os.path.exists(ENGINE3), 'the 3.x build of the stand-in engine is not built')
class ThreeXEngine(E2ETestCase):
    def test_a_channel_plays_through_the_three_x_interface_in_order(self):
        port, requests = start_relay(self)
        inst = self.install()
        shutil.copy2(ENGINE3, inst.path('libvlc.dll'))
        inst.enable_log()
        write_channels(inst, ['http://127.0.0.1:%d/one.ts' % port, 'http://127.0.0.1:%d/two.ts' % port])
        trace = Trace(inst.path('engine-trace.txt'))
        self.start_player(inst, '/nologo', env={'STREVO_ENGINE_TRACE': winpath(trace.path)})
        self.assertTrue(wait_until(lambda: 'form created' in inst.log_messages(), 30), 'start-up did not finish')
        self.assertIn('libvlc3: engine 3.0.0-strevo', inst.log_messages())

        start = trace.lines()
        self.assertFalse([l for l in start if l.startswith('VLC_')], 'the 0.8 interface was called')
        # Quiet, without a title over the picture, and the mouse and the keys
        # left to the player's video window.
        self.assertEqual(start[0], 'libvlc_new 2 "--no-video-title-show" "--quiet"')
        self.assertEqual(start[1], 'libvlc_media_player_new 0')
        self.assertRegex(start[2], r'^libvlc_media_player_set_hwnd 0 [1-9]\d*$')
        self.assertEqual(start[3:5], ['libvlc_video_set_mouse_input 0 0', 'libvlc_video_set_key_input 0 0'])

        hwnd = windows('StrevoMain', 'Strevo')[0].hwnd
        # The settings this engine cannot honour are shown disabled, the rest not.
        winauto('command', hwnd, 40000 + 51)
        self.assertTrue(wait_until(lambda: any(w.visible for w in windows('StrevoSettings')), 10))
        settings = windows('StrevoSettings')[0].hwnd

        def enabled(ident):
            code, child = winauto('child', settings, ident)
            self.assertEqual(code, 0, 'no control %d' % ident)
            return winauto('state', child.strip())[1].split()[0] == '1'
        self.assertEqual([enabled(i) for i in (NO_DIRECTX, AUTO_CROP, MONO, NO_OSD)], [False, False, False, True])
        winauto('key', settings, 0x1B)
        self.assertTrue(wait_until(lambda: not windows('StrevoSettings')[0].visible, 10))
        trace.set_mark()
        code, _ = winauto('post', hwnd, PLAYER_COMMAND, SELECT, 2)
        self.assertEqual(code, 0)
        self.assertTrue(wait_until(lambda: 'libvlc_media_player_play 0' in trace.since_mark(), 20),
                        'no play after the switch:\n' + '\n'.join(trace.since_mark()))
        lines = trace.since_mark()

        def at(line):
            self.assertIn(line, lines)
            return lines.index(line)
        address = 'http://127.0.0.1:%d/two.ts' % port
        adjust = [i for i, l in enumerate(lines) if l.startswith('libvlc_video_set_adjust_int 0 0 ')]
        self.assertTrue(adjust, 'the filter chain never reached the player')
        # Stop and clear, the settings on the player, then the media with
        # its options, handed over and played.
        self.assertLess(at('libvlc_media_player_stop 0'), at('libvlc_media_player_set_media 0 null'))
        self.assertLess(at('libvlc_media_player_set_media 0 null'), adjust[0])
        self.assertLess(adjust[-1], at('libvlc_media_new_location "%s"' % address))
        self.assertLess(at('libvlc_media_new_location "%s"' % address), at('libvlc_media_add_option ":http-reconnect"'))
        self.assertLess(at('libvlc_media_add_option ":http-reconnect"'),
                        at('libvlc_media_player_set_media 0 "%s"' % address))
        self.assertLess(at('libvlc_media_player_set_media 0 "%s"' % address), at('libvlc_media_player_play 0'))
        # What the 3.x interface has no counterpart for is logged, not sent.
        self.assertTrue([m for m in inst.log_messages()
                         if m.startswith('libvlc3: conf::vout=') and m.endswith(' ignored (no counterpart)')])
        # The engine really plays what it was handed.
        self.assertTrue(wait_until(lambda: '/two.ts' in requests, 20), 'the engine never fetched the channel')


@unittest.skipUnless(os.path.exists(ENGINE3), 'the 3.x build of the stand-in engine is not built')
class ThreeXRecording(RecordingHelpers, E2ETestCase):
    def test_records_a_multicast_channel_byte_exact_through_the_three_x_interface(self):
        port = 5037
        sender = start_sender(self, GROUP, port)
        capture = self.empty_capture_folder('test_engine3x')
        inst, trace, main = self.setup_player(port, winpath(capture), engine=ENGINE3)
        self.assertIn('libvlc3: engine 3.0.0-strevo', inst.log_messages())
        self.assertTrue(wait_until(self.playing, 15), 'the channel does not play')
        # The group is joined on the loopback interface the settings name.
        self.assertIn('libvlc_media_add_option ":miface-addr=127.0.0.1"', trace.lines())

        sent_before = sender.sent
        trace.set_mark()
        self.record(inst, main)
        self.assertTrue(wait_until(lambda: 'end btnrec' in inst.log_messages(), 20))
        names = wait_until(lambda: os.listdir(capture), 10)
        self.assertEqual(len(names), 1, names)
        path = os.path.join(capture, names[0])
        self.assertTrue(wait_until(lambda: 'libvlc_media_player_play 0' in trace.since_mark(), 20),
                        'no play after the record command:\n' + '\n'.join(trace.since_mark()))
        lines = trace.since_mark()
        # The player's chain in the 3.x spelling, on the media that is then played.
        chain = ('#duplicate{dst=display,dst=std{access=file,mux=ts,dst=\\"%s/%s\\"}}'
                 % (winpath(capture).replace('\\', '/'), names[0]))
        option = 'libvlc_media_add_option ":sout=%s"' % chain
        self.assertIn(option, lines)
        media = [i for i, l in enumerate(lines) if l.startswith('libvlc_media_player_set_media 0 "udp://')]
        self.assertTrue(media, lines)
        self.assertLess(lines.index(option), media[-1])
        self.assertLess(media[-1], lines.index('libvlc_media_player_play 0'))
        self.assertFalse([l for l in lines if l.startswith('VLC_')], 'the 0.8 interface was called')

        self.assertTrue(wait_until(lambda: os.path.getsize(path) > 100 * 1316, 15), 'the file does not grow')

        trace.set_mark()
        self.record(inst, main)
        self.assertTrue(wait_until(lambda: 'libvlc_media_player_play 0' in trace.since_mark(), 20),
                        'the channel was not played again')
        again = trace.since_mark()
        self.assertIn('libvlc_media_player_stop 0', again)
        self.assertFalse([l for l in again if ':sout=' in l], 'the recording chain outlived the recording')
        self.assertTrue(wait_until(self.playing, 15), 'the channel does not play on')

        self.assert_recorded_exactly(path, sent_before)


@unittest.skipUnless(os.path.exists(ENGINE3), 'the 3.x build of the stand-in engine is not built')
class ThreeXBackgroundRecorder(E2ETestCase):
    def test_a_background_recorder_records_through_the_three_x_interface(self):
        port = 5038
        sender = start_sender(self, GROUP, port)
        folder = os.path.join(BUILD, 'e2e', 'test_engine3x', 'bgrec')
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        target = os.path.join(folder, 'three.ts')
        inst = self.install()
        shutil.copy2(ENGINE3, inst.path('libvlc.dll'))
        trace = Trace(inst.path('engine-trace.txt'))
        sent_before = sender.sent
        proc = self.start(inst, '/bgrec', 'udp://@%s:%d' % (GROUP, port), 'ts', winpath(target), '0', 'Three',
                          '127.0.0.1', '-1', env={'STREVO_ENGINE_TRACE': winpath(trace.path)})
        rec = wait_window('obj_Form', 'Background recording', 20)
        self.assertIsNotNone(rec, 'no recorder window: ' + status(rec) if rec else 'no recorder window')
        self.assertTrue(wait_until(lambda: status(rec).startswith('Status\t: Recording (TS format)\r'), 15),
                        status(rec))
        self.assertTrue(wait_until(lambda: os.path.exists(target) and os.path.getsize(target) > 200 * SIZE, 15),
                        'the file does not grow')
        lines = trace.lines()
        self.assertFalse([l for l in lines if l.startswith('VLC_')], 'the 0.8 interface was called')
        # The recorder's own options on the media that is then played.
        self.assertIn('libvlc_media_add_option ":miface-addr=127.0.0.1"', lines)
        sout = [l for l in lines if l.startswith('libvlc_media_add_option ":sout=')]
        self.assertEqual(len(sout), 1, lines)
        # The recorder's chain in the 3.x spelling: the std output's "dst".
        self.assertIn('std{access=file,mux=ts,dst=\\"%s\\"}' % winpath(target).replace('\\', '\\\\'), sout[0])
        media = [l for l in lines if l.startswith('libvlc_media_player_set_media 0 "udp://')]
        self.assertEqual(media, ['libvlc_media_player_set_media 0 "udp://@%s:%d"' % (GROUP, port)])

        winauto('close', rec)
        box = wait_window('#32770', 'Background recording', 10)
        self.assertIsNotNone(box, 'closing a running recording asked nothing')
        self.assertIn(QUESTION, [w.text for w in children(box)])
        self.assertTrue(press(box, 'Да', 'Yes'))
        self.assertEqual(self.wait_exit(proc, 20), 0)
        self.assertIn('libvlc_media_player_stop 0', trace.lines())
        with open(target, 'rb') as f:
            run = sent_run(f.read())
        self.assertIsNotNone(run, 'the file is not a gapless run of what was sent')
        self.assertGreaterEqual(run[0], sent_before)


if __name__ == '__main__':
    unittest.main()
