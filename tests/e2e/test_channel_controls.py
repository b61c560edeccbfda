"""What the controls around a channel do in the real player: the settings
window's buttons and sliders reach the engine (its trace) the way each control
should, the channel list and the volume tip follow the player, and files
dropped on the windows play.
"""
import os
import shutil
import subprocess
import time
import unittest

from harness import BUILD, RUN_DIR, E2ETestCase, children, press, wait_until, windows, winauto, winpath
from test_playback import PLAYER_COMMAND, Trace, start_relay, write_channels

SELECT, NEXT, PREVIOUS = 1, 2, 3
MENU_BASE = 40000
MENU_VOLUME_UP, MENU_SETTINGS = 34, 51
LB_GETCURSEL, LB_GETCOUNT, TBM_GETPOS, WM_MBUTTONDOWN = 0x188, 0x18B, 0x400, 0x207
WM_LBUTTONDOWN, WM_RBUTTONDOWN = 0x201, 0x204

ENGINE = os.path.join(RUN_DIR, 'libvlc.dll')


def channel_record(mrl, contrast=100, aspect='None', crop=None):
    """A per-channel record: the given contrast, aspect and manual crop (w, h)."""
    f = [mrl, '1', str(contrast), '100', '0', '100', '100', '0', aspect, '1' if crop else '0',
         crop[0] if crop else '', crop[1] if crop else '', '', '', '0', '', '0', '1', '0']
    return '|'.join(f) + '|'


def save_png(name):
    bmp = os.path.join(BUILD, 'e2e', name + '.bmp')
    code, _ = winauto('screenshot', winpath(bmp))
    if code == 0 and shutil.which('convert'):
        subprocess.run(['convert', bmp, os.path.join(BUILD, 'e2e', name + '.png')], check=False)


@unittest.skipUnless(os.path.exists(ENGINE), 'the stand-in engine (libvlc.dll) is not built')
class ChannelControls(E2ETestCase):
    def setup_player(self, mrls, records=(), prepare=None):
        inst = self.install()
        inst.enable_log()
        write_channels(inst, mrls, records=records)
        if prepare:
            prepare(inst)
        trace = Trace(inst.path('engine-trace.txt'))
        self.start_player(inst, '/nologo', env={'STREVO_ENGINE_TRACE': winpath(trace.path)})
        self.assertTrue(wait_until(lambda: 'form created' in inst.log_messages(), 30), 'start-up did not finish')
        return inst, trace, windows('StrevoMain', 'Strevo')[0].hwnd

    def post(self, hwnd, command, argument=0):
        code, _ = winauto('post', hwnd, PLAYER_COMMAND, command, argument)
        self.assertEqual(code, 0)

    def switch(self, inst, trace, hwnd, command, argument=0):
        trace.set_mark()
        ends = inst.log_messages().count('end goplaymrl')
        self.post(hwnd, command, argument)
        self.assertTrue(wait_until(lambda: inst.log_messages().count('end goplaymrl') > ends, 20),
                        'the switch did not end')
        return trace.since_mark()

    def send(self, hwnd, msg, wparam=0, lparam=0):
        code, out = winauto('send', hwnd, msg, wparam, lparam)
        self.assertEqual(code, 0)
        return int(out.strip())

    def open_settings(self, main):
        winauto('command', main, MENU_BASE + MENU_SETTINGS)
        self.assertTrue(wait_until(lambda: any(w.visible for w in windows('StrevoSettings')), 10))
        return windows('StrevoSettings')[0].hwnd

    def video_window(self):
        top = windows('StrevoVideo', 'Strevo')
        self.assertTrue(top, 'the video window is not on its own')
        return top[0].hwnd

    def wait_playing(self):
        video = self.video_window()
        self.assertTrue(wait_until(lambda: [w for w in children(video) if w.cls == 'VLC DirectX' and w.visible], 15),
                        'the engine never showed the stream')

    def test_switch_moves_the_channel_list_selection(self):
        inst, trace, main = self.setup_player(['C:\\a.ts', 'C:\\b.ts', 'C:\\c.ts'])
        # The video window also holds the (empty) guide list.
        boxes = [w for w in children(self.video_window())
                 if w.cls == 'ListBox' and self.send(w.hwnd, LB_GETCOUNT) == 3]
        self.assertEqual(len(boxes), 1)
        box = boxes[0].hwnd
        self.switch(inst, trace, main, SELECT, 2)
        self.assertEqual(self.send(box, LB_GETCURSEL), 1)  # the list has no pseudo-channel
        self.switch(inst, trace, main, NEXT)
        self.assertEqual(self.send(box, LB_GETCURSEL), 2)
        self.switch(inst, trace, main, NEXT)
        self.assertEqual(self.send(box, LB_GETCURSEL), 0)
        self.switch(inst, trace, main, PREVIOUS)
        self.assertEqual(self.send(box, LB_GETCURSEL), 2)

    def test_apply_restarts_the_stream_with_the_channels_aspect_and_crop(self):
        port, _ = start_relay(self)
        mrl = 'http://127.0.0.1:%d/one.ts' % port
        inst, trace, main = self.setup_player([mrl], [channel_record(mrl, aspect='16:9', crop=('704', '560'))])
        self.switch(inst, trace, main, SELECT, 1)
        self.wait_playing()
        frm = self.open_settings(main)
        save_png('settings-channel')
        # Manual crop is on for this channel: its edits can be typed into.
        crop_edits = [w for w in children(frm) if w.cls == 'Edit' and w.text in ('704', '560')]
        self.assertEqual(len(crop_edits), 2)
        for edit in crop_edits:
            self.assertEqual(winauto('state', edit.hwnd)[1].split(), ['1', '1'])
        trace.set_mark()
        self.assertTrue(press(frm, 'Применить'))
        self.assertTrue(wait_until(lambda: 'end applysettings now "%s"' % mrl in inst.log_messages(), 10),
                        'Apply did not restart the stream')
        calls = [l if l.startswith('VLC_VariableSet') else l.split(' ')[0] for l in trace.since_mark()]
        aspect = 'VLC_VariableSet 0 conf::aspect-ratio string "16:9"'
        crop = 'VLC_VariableSet 0 conf::crop-geometry string "704x560"'
        for expected in ('VLC_Stop', aspect, crop, 'VLC_Play', 'VLC_TimeSet'):
            self.assertIn(expected, calls)
        self.assertLess(calls.index('VLC_Stop'), calls.index(aspect))
        self.assertLess(calls.index(crop), calls.index('VLC_Play'))
        self.assertLess(calls.index('VLC_Play'), calls.index('VLC_TimeSet'))

    def test_crop_edits_show_only_with_manual_crop(self):
        inst, trace, main = self.setup_player(['C:\\a.ts'])
        self.switch(inst, trace, main, SELECT, 1)
        frm = self.open_settings(main)
        time.sleep(0.5)  # let the page paint before the picture is taken
        save_png('settings-channel-nocrop')
        edits = [w for w in children(frm) if w.cls == 'Edit' and w.w < 60]
        self.assertEqual(len(edits), 4, edits)
        for edit in edits:
            self.assertEqual(winauto('state', edit.hwnd)[1].split()[1], '0', 'shown without manual crop')
        # Ticked, the box shows them.
        tick = [w for w in children(frm) if w.cls == 'Button' and w.text == 'Ручная обрезка кадра'][0]
        winauto('send', tick.hwnd, 0xF1, 1, 0)  # BM_SETCHECK
        winauto('click', tick.hwnd)
        for edit in edits:
            self.assertTrue(wait_until(lambda: winauto('state', edit.hwnd)[1].split() == ['1', '1'], 10),
                            'not shown with manual crop')

    def test_picture_sliders_have_their_top_at_the_maximum_and_a_middle_click_resets_them(self):
        inst, trace, main = self.setup_player(['C:\\a.ts'], [channel_record('C:\\a.ts', contrast=150)])
        self.switch(inst, trace, main, SELECT, 1)
        frm = self.open_settings(main)
        sliders = [w for w in children(frm) if w.cls == 'msctls_trackbar32']
        self.assertEqual(len(sliders), 5)
        contrast, height = sliders[0].hwnd, sliders[0].h
        # The trackbar's own position counts from the top: 150 of 0..200 stands at 50.
        self.assertEqual(self.send(contrast, TBM_GETPOS), 50)
        time.sleep(0.5)  # let the page paint before the picture is taken
        save_png('settings-picture-sliders')
        trace.set_mark()
        winauto('post', contrast, WM_MBUTTONDOWN, 0x10, 0x00100008)
        self.assertTrue(wait_until(lambda: 'VLC_VariableSet 0 conf::contrast float 1' in trace.since_mark(), 10),
                        'the reset did not reach the engine:\n' + '\n'.join(trace.since_mark()))
        self.assertEqual(self.send(contrast, TBM_GETPOS), 100)
        # A press near the top sets nearly the maximum, and the engine gets it at once:
        # 200 - 200 x (y + 1) / (height - 2).
        for y, button in ((0, WM_LBUTTONDOWN), (height // 4, WM_RBUTTONDOWN)):
            value = 200 - 200 * (y + 1) // (height - 2)
            trace.set_mark()
            winauto('post', contrast, button, 0, (y << 16) | 8)
            self.assertTrue(wait_until(lambda: any(l.startswith('VLC_VariableSet 0 conf::contrast float %g' % (value / 100))
                                                   for l in trace.since_mark()), 10),
                            'a press at %d did not set %d:\n%s' % (y, value, '\n'.join(trace.since_mark())))
            self.assertEqual(self.send(contrast, TBM_GETPOS), 200 - value)

    def test_engine_interface_button(self):
        def plugin(inst):
            os.makedirs(inst.path('plugins'))
            open(inst.path('plugins', 'libwxwidgets_plugin.dll'), 'wb').close()
        inst, trace, main = self.setup_player(['C:\\a.ts'], prepare=plugin)
        frm = self.open_settings(main)
        button = [w for w in children(frm) if w.text == 'Вызвать интерфейс VLC'][0].hwnd
        self.assertEqual(winauto('state', button)[1].split(), ['1', '1'])
        trace.set_mark()
        winauto('click', button)
        # The stand-in has no interface modules and refuses, but it is asked.
        self.assertTrue(wait_until(lambda: 'VLC_AddIntf 0 "wx" 0 0' in trace.since_mark(), 10),
                        '\n'.join(trace.since_mark()))
        self.assertTrue(wait_until(lambda: winauto('state', button)[1].split() == ['1', '0'], 10),
                        'the button stayed after use')

    def test_engine_interface_button_is_hidden_without_the_plugin(self):
        inst, trace, main = self.setup_player(['C:\\a.ts'])
        frm = self.open_settings(main)
        button = [w for w in children(frm) if w.text == 'Вызвать интерфейс VLC'][0].hwnd
        self.assertEqual(winauto('state', button)[1].split()[1], '0', 'shown without the plugin')

    def test_volume_tip_shows_the_level(self):
        inst, trace, main = self.setup_player(['C:\\a.ts'])
        bars = [w.hwnd for w in children(main) if w.cls == 'msctls_progress32']

        def tips():
            return [winauto('tip', bar)[1].strip() for bar in bars]
        applied = inst.log_messages().count('applyglobals done')
        winauto('command', main, MENU_BASE + MENU_VOLUME_UP)
        self.assertTrue(wait_until(lambda: 'Громкость - 51%' in tips(), 10), tips())
        # The slider is a global setting.
        self.assertEqual(inst.log_messages().count('applyglobals done'), applied + 1)

    def test_dropped_files_play_and_missing_ones_are_ignored(self):
        inst, trace, main = self.setup_player(['C:\\a.ts'])
        clip = inst.path('clip.ts')
        with open(clip, 'wb') as f:
            f.write(b'\x47' + bytes(187))
        trace.set_mark()
        self.assertEqual(winauto('drop', main, winpath(clip))[0], 0)
        self.assertTrue(wait_until(lambda: 'mrl assigned "%s"' % winpath(clip) in inst.log_messages(), 10),
                        'the dropped file was not played')
        self.assertTrue(wait_until(lambda: any(l.startswith('VLC_AddTarget') for l in trace.since_mark()), 10))
        self.assertIn('VLC_AddTarget 0 "%s" 0 12 -666' % winpath(clip).replace('\\', '\\\\'), trace.since_mark())

        # The video window takes drops too; a name that does not exist is
        # ignored (the window handles the drops in their order).
        self.assertEqual(winauto('drop', self.video_window(), winpath(inst.path('missing.ts')))[0], 0)
        self.assertEqual(winauto('drop', self.video_window(), winpath(clip))[0], 0)
        self.assertTrue(wait_until(lambda: inst.log_messages().count('mrl assigned "%s"' % winpath(clip)) == 2, 10),
                        'the drop on the video window was not played')
        self.assertNotIn('mrl assigned "%s"' % winpath(inst.path('missing.ts')), inst.log_messages())
        self.assertEqual(inst.log_messages().count('begin goplaymrl idx=0'), 2)


if __name__ == '__main__':
    unittest.main()
