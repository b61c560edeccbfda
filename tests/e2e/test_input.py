"""The video window's input in the real player, through window messages and
real key presses: channel keys, the regulators with Enter cycling, the zoom's
bounds, the exact-modifier rule, the wheel's codes (and two notches at once),
the control strip, F3's background recording of the selected channel, and
full screen and back to the exact window rectangles, docked or not.
"""
import os
import shutil
import unittest

from harness import BUILD, RUN_DIR, E2ETestCase, children, wait_until, wait_window, windows, winauto, winpath
from multicast import start_sender
from test_channel_controls import save_png
from test_view import save_windows_png
from test_playback import PLAYER_COMMAND, Trace, globals_record, write_channels
from test_video import CLIP, serve_clip

ENGINE = os.path.join(RUN_DIR, 'libvlc.dll')
WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, WM_MBUTTONDOWN, WM_MOUSEWHEEL = 0x201, 0x203, 0x207, 0x20A
PBM_GETPOS, TBM_GETPOS, CB_GETCURSEL, LB_SETCURSEL, LB_GETCURSEL, LB_GETCOUNT = 0x408, 0x400, 0x147, 0x186, 0x188, 0x18B
SELECTOR, VOLUME, DOCK, STOP, MUTE_SIGN = 2101, 2102, 2002, 2008, 2110
CONTRAST = 1303
MK_RBUTTON, MK_SHIFT, MK_CONTROL = 0x2, 0x4, 0x8
UP, DOWN, RETURN, NUM_MUL, NUM_ADD, NUM_SUB, F3 = '0x26', '0x28', '0x0D', '0x6A', '0x6B', '0x6D', '0x72'
GROUP = '239.255.14.1'


def start_player_with(case, mrls, write=None):
    """Starts the player on these channels with its log and engine trace, and
    keeps its installation, trace and two windows on the test case."""
    inst = case.install()
    inst.enable_log()
    (write or write_channels)(inst, list(mrls))
    case.trace = Trace(inst.path('engine-trace.txt'))
    case.start_player(inst, '/nologo', env={'STREVO_ENGINE_TRACE': winpath(case.trace.path)})
    case.assertTrue(wait_until(lambda: 'form created' in inst.log_messages(), 30), 'start-up did not finish')
    case.inst = inst
    case.main = windows('StrevoMain', 'Strevo')[0].hwnd
    case.video = windows('StrevoVideo', 'Strevo')[0].hwnd
    return inst


def wheel(distance, flags=0):
    return ((distance & 0xFFFF) << 16) | flags


@unittest.skipUnless(os.path.exists(ENGINE), 'the stand-in engine (libvlc.dll) is not built')
class VideoInput(E2ETestCase):
    def setup_player(self, mrls=('C:\\a.ts', 'C:\\b.ts', 'C:\\c.ts'), write=None):
        return start_player_with(self, mrls, write)

    # ---- reading the player ----------------------------------------------------

    def send(self, hwnd, msg, wparam=0, lparam=0):
        code, out = winauto('send', hwnd, msg, wparam, lparam)
        self.assertEqual(code, 0)
        return int(out.strip())

    def control(self, parent, ident):
        code, out = winauto('child', parent, ident)
        self.assertEqual(code, 0, 'no control %d' % ident)
        return out.strip()

    def volume(self):
        return self.send(self.control(self.main, VOLUME), PBM_GETPOS)

    def channel(self):
        return self.send(self.control(self.main, SELECTOR), CB_GETCURSEL)

    def osd(self):
        """The OSD line's text (the static of the video window that shows a regulator or a channel)."""
        texts = [w.text for w in children(self.video)
                 if w.cls == 'Static' and (w.text.startswith('\r  ') or w.text.startswith('  №'))]
        return texts[0] if texts else ''

    def client(self, hwnd):
        code, out = winauto('client', hwnd)
        self.assertEqual(code, 0)
        w, h, zoomed = out.split()
        return int(w), int(h), zoomed == '1'

    def rect(self, hwnd):
        return tuple(int(v) for v in winauto('rect', hwnd)[1].split())

    def engine_panel(self):
        panels = [w for w in children(self.video) if w.cls == 'StrevoEngineHost']
        self.assertEqual(len(panels), 1)
        return panels[0]

    def logged(self, line, timeout=10):
        return wait_until(lambda: line in self.inst.log_messages(), timeout)

    # ---- input -----------------------------------------------------------------

    def keys(self, *keys, target=None):
        code, _ = winauto('keys', target or self.video, *keys)
        self.assertEqual(code, 0, 'the window did not come to the front for the keys')

    def post(self, hwnd, msg, wparam=0, lparam=0):
        self.assertEqual(winauto('post', hwnd, msg, wparam, lparam)[0], 0)

    def switches(self):
        return self.inst.log_messages().count('end goplaymrl')

    def select_first_channel(self):
        before = self.switches()
        self.post(self.main, PLAYER_COMMAND, 1, 1)
        self.expect_switch_to(1, before)

    def expect_switch_to(self, channel, before):
        self.assertTrue(wait_until(lambda: self.switches() > before and self.channel() == channel, 15),
                        'channel %d expected, %d shown' % (channel, self.channel()))

    # ---- scenarios ---------------------------------------------------------------

    def test_channel_keys_the_exact_modifier_rule_and_the_regulators(self):
        self.setup_player()
        self.select_first_channel()
        # A click on a panel button leaves the keys to the panel: M mutes, Right switches.
        self.trace.set_mark()
        x, y, w, h = self.rect(self.control(self.main, STOP))
        winauto('clickat', x + w // 2, y + h // 2)
        self.assertTrue(wait_until(lambda: any(l.startswith('VLC_Stop') for l in self.trace.since_mark()), 10))
        before = self.switches()
        self.keys('0x4D', '0x27', target=self.main)
        self.assertTrue(wait_until(lambda: any(l.startswith('VLC_VolumeMute') for l in self.trace.since_mark()), 10),
                        'M after a click on Stop did nothing')
        self.expect_switch_to(2, before)
        self.keys('0x4D', '0x25', target=self.main)
        self.expect_switch_to(1, self.switches() - 1)
        for keys, channel in ((['0x27'], 2), (['shift+0xBE'], 3), (['shift+0xBC'], 2), (['0x25'], 1),
                              (['0x25'], 3), (['0x08'], 1)):
            before = self.switches()
            self.keys(*keys)
            self.expect_switch_to(channel, before)
        self.assertTrue(self.logged('videokeydown 190 4'), 'Shift+. was not logged with its flags')

        # Ctrl+Shift+P is no Ctrl+P: the settings window stays hidden.
        self.keys('ctrl+shift+0x50')
        self.assertTrue(self.logged('videokeydown 80 12'))
        settings = windows('StrevoSettings')[0].hwnd
        self.assertFalse(windows('StrevoSettings')[0].visible)
        self.keys('ctrl+0x50')
        self.assertTrue(wait_until(lambda: windows('StrevoSettings')[0].visible, 10), 'Ctrl+P showed no settings')
        self.keys('ctrl+0x50')
        self.assertTrue(wait_until(lambda: not windows('StrevoSettings')[0].visible, 10))

        # Up raises the volume by one step; after Enter (with the OSD shown) the contrast by 2.
        volume = self.volume()
        contrast_bar = self.control(settings, CONTRAST)
        # The slider has its top at the maximum: its own position counts from the top.
        contrast = 200 - self.send(contrast_bar, TBM_GETPOS)
        self.keys(UP, RETURN, UP)
        self.assertTrue(wait_until(lambda: 200 - self.send(contrast_bar, TBM_GETPOS) == contrast + 2, 10),
                        'contrast %d' % (200 - self.send(contrast_bar, TBM_GETPOS)))
        self.assertEqual(self.volume(), volume + 1)
        self.assertIn('Контраст', self.osd())
        # Down goes back; Shift+Enter returns to the volume, and once more wraps to the zoom.
        self.keys(DOWN, 'shift+' + RETURN)
        self.assertTrue(wait_until(lambda: 'Громкость' in self.osd(), 10), self.osd())
        self.assertEqual(200 - self.send(contrast_bar, TBM_GETPOS), contrast)
        self.keys('shift+' + RETURN)
        self.assertTrue(wait_until(lambda: 'Масштаб' in self.osd(), 10), self.osd())
        # Ctrl+Enter is no Enter.
        self.keys('ctrl+' + RETURN)
        self.assertTrue(self.logged('videokeydown 13 8'))
        self.assertIn('Масштаб', self.osd())

        # "?" shows the current channel; M mutes; Ctrl+S stops.
        self.keys('0xBF')
        self.assertTrue(wait_until(lambda: self.osd().startswith('  №1 - Channel 1. '), 10), self.osd())
        self.trace.set_mark()
        self.keys('0x4D', 'ctrl+0x53')
        self.assertTrue(wait_until(lambda: any(l.startswith('VLC_Stop') for l in self.trace.since_mark()), 10))
        self.assertTrue(any(l.startswith('VLC_VolumeMute') for l in self.trace.since_mark()))

        # L shows the channel list: Up from the first entry selects the last,
        # Down from the last the first, Enter plays the selection and hides the list.
        playlist = [w.hwnd for w in children(self.video) if w.cls == 'ListBox' and self.send(w.hwnd, LB_GETCOUNT) == 3]
        self.assertEqual(len(playlist), 1)
        self.keys('0x4C')
        self.assertTrue(wait_until(lambda: winauto('state', playlist[0])[1].split() == ['1', '1'], 10))
        self.send(playlist[0], LB_SETCURSEL, 0)
        self.keys(UP)
        self.assertTrue(wait_until(lambda: self.send(playlist[0], LB_GETCURSEL) == 2, 10))
        self.assertTrue(wait_until(lambda: self.osd().startswith('  №3 - Channel 3. '), 10), self.osd())
        self.keys(DOWN)
        self.assertTrue(wait_until(lambda: self.send(playlist[0], LB_GETCURSEL) == 0, 10))
        before = self.switches()
        self.keys(DOWN, RETURN)
        self.expect_switch_to(2, before)
        self.assertEqual(winauto('state', playlist[0])[1].split(), ['1', '0'])

        # H hides the video window; the panel's key receiver takes H to show it again.
        self.keys('0x48')
        self.assertTrue(wait_until(lambda: not windows('StrevoVideo', 'Strevo')[0].visible, 10))
        self.keys('0x48', target=self.main)
        self.assertTrue(wait_until(lambda: windows('StrevoVideo', 'Strevo')[0].visible, 10))
        # Esc hides the panel and shows it again.
        self.keys('0x1B')
        self.assertTrue(wait_until(lambda: not windows('StrevoMain', 'Strevo')[0].visible, 10))
        self.keys('0x1B')
        self.assertTrue(wait_until(lambda: windows('StrevoMain', 'Strevo')[0].visible, 10))
        # Alt+X closes the player.
        self.keys('alt+0x58')
        self.assertIsNotNone(self.wait_exit(self.procs[0], 30), 'Alt+X did not close the player')

    def test_zoom_keeps_within_its_bounds_and_enlarges_the_picture(self):
        self.setup_player()
        width, height, _ = self.client(self.video)
        self.keys(NUM_MUL, *(['shift+' + NUM_ADD] * 9 + [NUM_ADD] * 8))
        self.assertTrue(wait_until(lambda: self.osd().endswith(' 98%') and 'Масштаб' in self.osd(), 15), self.osd())
        panel = self.engine_panel()
        # Enlarged by 98 % on every side: w + round(2 × w × 0.98), rounded once.
        self.assertEqual((panel.w, panel.h), (width + round(2 * width * 0.98), height + round(2 * height * 0.98)))
        self.keys('shift+' + NUM_ADD)
        self.assertTrue(wait_until(lambda: self.osd().endswith(' 100%'), 10), self.osd())
        self.keys(NUM_ADD)
        self.assertTrue(self.logged('videokeydown 107 0'))
        self.assertTrue(self.osd().endswith(' 100%'), self.osd())
        panel = self.engine_panel()
        self.assertEqual((panel.w, panel.h), (3 * width, 3 * height))
        self.keys(*(['shift+' + NUM_SUB] * 11))
        self.assertTrue(wait_until(lambda: self.osd().endswith(' 0%'), 10), self.osd())
        panel = self.engine_panel()
        self.assertEqual((panel.w, panel.h), (width, height))

    def test_wheel_codes_and_two_notches(self):
        self.setup_player()
        self.select_first_channel()
        volume = self.volume()
        self.post(self.video, WM_MOUSEWHEEL, wheel(120))
        self.assertTrue(self.logged('videomousewheel=20'))
        self.assertTrue(wait_until(lambda: self.volume() == volume + 1, 10))
        self.post(self.video, WM_MOUSEWHEEL, wheel(-120))
        self.assertTrue(self.logged('videomousewheel=76'))
        self.assertTrue(wait_until(lambda: self.volume() == volume, 10))
        for flags, code, channel in ((MK_RBUTTON, 22, 2), (MK_CONTROL, 28, 3), (MK_RBUTTON, 78, 2),
                                     (MK_CONTROL, 84, 1)):
            before = self.switches()
            self.post(self.video, WM_MOUSEWHEEL, wheel(120 if code < 76 else -120, flags))
            self.assertTrue(self.logged('videomousewheel=%d' % code))
            self.expect_switch_to(channel, before)

        width, height, _ = self.client(self.video)
        x, y, _, _ = self.rect(self.video)
        self.post(self.video, WM_MOUSEWHEEL, wheel(120, MK_SHIFT))
        self.assertTrue(self.logged('videomousewheel=24'))
        larger = (round(width * 1.1), round(height * 1.1))
        self.assertTrue(wait_until(lambda: self.client(self.video)[:2] == larger, 10), self.client(self.video))
        self.assertEqual(self.rect(self.video)[:2], (max(0, x - round(larger[0] * 0.05)),
                                                     max(0, y - round(larger[1] * 0.05))))
        self.post(self.video, WM_MOUSEWHEEL, wheel(-120, MK_SHIFT))
        self.assertTrue(self.logged('videomousewheel=80'))
        smaller = (round(larger[0] * 0.9), round(larger[1] * 0.9))
        self.assertTrue(wait_until(lambda: self.client(self.video)[:2] == smaller, 10), self.client(self.video))

        # Two notches in one message: code 40, which does nothing.
        before, volume, size = self.switches(), self.volume(), self.client(self.video)
        self.post(self.video, WM_MOUSEWHEEL, wheel(240))
        self.post(self.video, WM_MOUSEWHEEL, wheel(-240, MK_CONTROL))
        self.assertTrue(self.logged('videomousewheel=40'))
        self.assertTrue(self.logged('videomousewheel=64'))
        # A later message has been handled after both: nothing of theirs is pending.
        self.post(self.video, WM_MOUSEWHEEL, wheel(120))
        self.assertTrue(wait_until(lambda: self.volume() == volume + 1, 10))
        self.assertEqual((self.switches(), self.client(self.video)), (before, size))

    def test_the_control_strip_and_the_middle_button(self):
        playing = os.path.exists(CLIP)
        self.setup_player(['http://127.0.0.1:%d/demo.ts' % serve_clip(self) if playing else 'C:\\a.ts', 'C:\\b.ts'])
        self.select_first_channel()
        strips = [w for w in children(self.video) if w.cls == 'Static' and w.text.startswith('4 < = 9 :')]
        self.assertEqual(len(strips), 1)
        strip = strips[0].hwnd
        # With the pointer near it the strip shows over the picture.
        if playing and wait_until(lambda: self.picture_width() > 100, 15):
            x, y, w, h = self.rect(strip)
            winauto('pointer', x + w // 2, y + h // 2)
            if wait_until(lambda: [c for c in children(self.video) if c.hwnd == strip and c.visible], 5):
                save_png('input-control-strip')
        self.post(strip, WM_LBUTTONDOWN, 0, 0)
        self.assertTrue(wait_until(lambda: [m for m in self.inst.log_messages()
                                            if m.startswith('lbControls mouse down : font=')], 10))
        line = [m for m in self.inst.log_messages() if m.startswith('lbControls mouse down : font=')][0]
        self.assertTrue(line.endswith(' X=0'), line)
        font = int(line.split('font=')[1].split(' ')[0])
        zoom_in = round(515 * font / 40)
        self.post(strip, WM_LBUTTONDOWN, 0, zoom_in)
        self.assertTrue(wait_until(lambda: self.osd().endswith(' 1%') and 'Масштаб' in self.osd(), 10), self.osd())
        self.trace.set_mark()
        self.post(strip, WM_LBUTTONDOWN, 0, round(450 * font / 40))
        self.assertTrue(wait_until(lambda: any(l.startswith('VLC_VolumeMute') for l in self.trace.since_mark()), 10))
        # Muted: the red sign over the picture and the glyph in the control bar
        # show, and a click on the sign switches the sound on again.
        def sign():
            found = [w for w in children(self.video) if w.cls == 'Static' and w.text == 'X\xf0']
            return found[0] if found else None
        self.assertTrue(wait_until(lambda: sign().visible, 5), 'no mute sign while muted')
        bar_sign = self.control(self.main, MUTE_SIGN)
        self.assertTrue(wait_until(lambda: winauto('state', bar_sign)[1].split() == ['1', '1'], 5),
                        'no mute glyph in the control bar while muted')
        tips = {winauto('tip', w.hwnd)[1].strip() for w in children(self.video) if w.cls == 'Static'}
        self.assertLessEqual({'Включить звук', 'Остановить запись'}, tips)
        self.trace.set_mark()
        winauto('click', sign().hwnd)
        self.assertTrue(wait_until(lambda: any(l.startswith('VLC_VolumeMute') for l in self.trace.since_mark()), 10),
                        'a click on the mute sign did not switch the sound on')
        self.assertTrue(wait_until(lambda: not sign().visible, 5))
        self.assertTrue(wait_until(lambda: winauto('state', bar_sign)[1].split() == ['1', '0'], 5))
        # The shown channel list takes its width from the picture rather than
        # covering it (the picture zoomed by 1 % on every side, as above).
        width, height, _ = self.client(self.video)

        def zoomed(w, h):
            return w + int(2 * w / 100 + 0.5), h + int(2 * h / 100 + 0.5)
        self.post(self.main, 0x111, 40000 + 6)
        self.assertTrue(wait_until(lambda: (self.engine_panel().w, self.engine_panel().h) == zoomed(width - 240, height),
                                   10), (self.engine_panel(), width, height))
        if playing and wait_until(lambda: self.picture_width() == zoomed(width - 240, height)[0], 10):
            save_windows_png('input-picture-beside-list', self.video)
        self.post(self.main, 0x111, 40000 + 6)
        self.assertTrue(wait_until(lambda: self.engine_panel().w == zoomed(width, height)[0], 10), self.engine_panel())
        self.trace.set_mark()
        self.post(self.video, WM_MBUTTONDOWN, 0, (100 << 16) | 100)
        self.assertTrue(wait_until(lambda: any(l.startswith('VLC_VolumeMute') for l in self.trace.since_mark()), 10))
        self.assertTrue(self.logged('videomousedown'))

    def test_f3_records_the_channel_selected_in_the_list_in_the_background(self):
        start_sender(self, GROUP, 5141)
        capture = os.path.join(BUILD, 'e2e', 'test_input', 'capture')
        shutil.rmtree(capture, ignore_errors=True)
        os.makedirs(capture)

        def write(inst, mrls):
            m3u = inst.path('channels.m3u8')
            with open(m3u, 'w', encoding='cp1251', newline='\r\n') as f:
                f.write('#EXTM3U\n#EXTINF:0,First\nudp://@%s:5140\n#EXTINF:0,Второй\nudp://@%s:5141\n' % (GROUP, GROUP))
            with open(inst.sibling('.ini'), 'w', encoding='cp1251', newline='\r\n') as f:
                f.write(globals_record(winpath(m3u), '127.0.0.1', winpath(capture)) + '\n')

        self.setup_player(write=write)
        lists = [w for w in children(self.video) if w.cls == 'ListBox' and self.send(w.hwnd, LB_GETCOUNT) == 2]
        self.assertEqual(len(lists), 1)
        # Without a selection F3 does nothing; with one, it records that channel.
        self.send(lists[0].hwnd, LB_SETCURSEL, 0xFFFFFFFF)
        self.keys(F3)
        self.assertTrue(self.logged('videokeydown 114 0'))
        self.send(lists[0].hwnd, LB_SETCURSEL, 1)
        self.keys(F3)
        rec = wait_window('obj_Form', 'Background recording', 20)
        self.assertIsNotNone(rec, 'F3 started no recorder')

        def status():
            labels = [w for w in children(rec) if w.cls == 'obj_STATIC']
            return labels[0].text if labels else ''
        self.assertTrue(wait_until(lambda: '\rChannel\t: Второй\r' in status(), 15), status())
        self.assertIn('Source\t: udp://@%s:5141' % GROUP, status())
        self.assertEqual(len(windows('obj_Form', 'Background recording')), 1)

    def full_screen_and_back(self, enter, leave=None):
        """Enters full screen, checks it, leaves, and returns the rectangles after."""
        enter()
        self.assertTrue(wait_until(lambda: self.client(self.video)[2], 10), 'the video window is not maximised')
        (leave or enter)()
        self.assertTrue(wait_until(lambda: not self.client(self.video)[2], 10), 'the video window stays maximised')

    def picture_width(self):
        widths = [w.w for w in children(self.video) if w.cls == 'VLC DirectX' and w.visible]
        return widths[0] if widths else 0

    def test_full_screen_and_back_restores_the_exact_rectangles(self):
        # A demo channel plays, so the picture shows how full screen looks.
        playing = os.path.exists(CLIP)
        self.setup_player(['http://127.0.0.1:%d/demo.ts' % serve_clip(self) if playing else 'C:\\a.ts', 'C:\\b.ts'])
        self.select_first_channel()
        video, main = self.rect(self.video), self.rect(self.main)
        self.keys('0x46')
        self.assertTrue(wait_until(lambda: self.client(self.video)[2], 10), 'F did not maximise the video window')
        full = self.rect(self.video)
        self.assertGreater(full[2], video[2])
        if playing and wait_until(lambda: self.picture_width() >= full[2] - 20, 15):
            save_png('input-full-screen')
        # The pointer hides after 3 s over the picture, and shows again when
        # it moves over the channel list (a child of the video window).
        playlist = [w.hwnd for w in children(self.video) if w.cls == 'ListBox' and self.send(w.hwnd, LB_GETCOUNT) == 2]
        self.assertEqual(len(playlist), 1)
        self.keys('0x4C')
        self.assertTrue(wait_until(lambda: winauto('state', playlist[0])[1].split() == ['1', '1'], 10))
        lx, ly, lw, lh = self.rect(playlist[0])
        away = (lx + lw + (full[0] + full[2] - lx - lw) // 2, ly + lh // 2) if lx - full[0] < full[2] // 2 \
            else (full[0] + (lx - full[0]) // 2, ly + lh // 2)
        winauto('pointer', *away)
        self.assertTrue(wait_until(lambda: winauto('cursor')[1].strip() == 'hidden', 10),
                        'the pointer did not hide over the picture in full screen')
        winauto('pointer', lx + lw // 2, ly + lh // 2)
        self.assertTrue(wait_until(lambda: winauto('cursor')[1].strip() == 'shown', 5),
                        'the pointer stayed hidden over the channel list')
        self.keys('0x4C')
        self.assertTrue(wait_until(lambda: winauto('state', playlist[0])[1].split()[1] == '0', 10))
        # In full screen the Shift wheel does not resize.
        self.post(self.video, WM_MOUSEWHEEL, wheel(120, MK_SHIFT))
        self.assertTrue(self.logged('videomousewheel=24'))
        self.keys('0x46')
        self.assertTrue(wait_until(lambda: not self.client(self.video)[2], 10))
        self.assertEqual((self.rect(self.video), self.rect(self.main)), (video, main))

        self.full_screen_and_back(lambda: self.keys('alt+' + RETURN))
        self.assertEqual((self.rect(self.video), self.rect(self.main)), (video, main))
        self.full_screen_and_back(lambda: self.post(self.video, WM_LBUTTONDBLCLK, 0, (50 << 16) | 50))
        self.assertEqual((self.rect(self.video), self.rect(self.main)), (video, main))

        # Docked: full screen takes the video out of the panel and puts both back.
        winauto('click', self.control(self.main, DOCK))
        self.assertTrue(wait_until(lambda: not windows('StrevoVideo', 'Strevo'), 10), 'the video did not dock')
        docked_main = self.rect(self.main)
        docked_video = self.rect(self.video)
        self.full_screen_and_back(lambda: self.keys('0x46', target=self.main), lambda: self.keys('0x46'))
        self.assertTrue(wait_until(lambda: not windows('StrevoVideo', 'Strevo'), 10), 'the video is not docked again')
        self.assertEqual((self.rect(self.main), self.rect(self.video)), (docked_main, docked_video))


if __name__ == '__main__':
    unittest.main()
