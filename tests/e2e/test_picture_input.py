"""The mouse over the playing picture: the engine draws it in a window of
its own thread, and real clicks, double-clicks, the wheel and a drag at
screen points over it must act as they do over the video window itself.
"""
import os
import unittest

from harness import E2ETestCase, RUN_DIR, children, wait_until, windows, winauto
from test_view import save_windows_png
from test_input import start_player_with
from test_playback import PLAYER_COMMAND
from test_video import CLIP, serve_clip

ENGINE = os.path.join(RUN_DIR, 'libvlc.dll')
PBM_GETPOS = 0x408
WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON = 0x201, 0x202, 0x1
VOLUME = 2102


@unittest.skipUnless(os.path.exists(ENGINE), 'the stand-in engine (libvlc.dll) is not built')
@unittest.skipUnless(os.path.exists(CLIP), 'the demo clip is not in the test data')
class PictureInput(E2ETestCase):
    def setUp(self):
        super().setUp()
        start_player_with(self, ['http://127.0.0.1:%d/demo.ts' % serve_clip(self), 'C:\\b.ts'])
        winauto('post', self.main, PLAYER_COMMAND, 1, 1)
        self.assertTrue(wait_until(lambda: self.picture() is not None, 20), 'no picture window')

    def picture(self):
        found = [w for w in children(self.video) if w.cls == 'VLC DirectX' and w.visible and w.w > 100]
        return found[0] if found else None

    def middle_of_picture(self):
        x, y, w, h = (int(v) for v in winauto('rect', self.picture().hwnd)[1].split())
        return x + w // 2, y + h // 2

    def pointer_over_picture(self):
        """The pointer rests on the picture; the player makes its window let the mouse through."""
        x, y = self.middle_of_picture()
        winauto('pointer', x, y)
        hwnd = self.picture().hwnd
        self.assertTrue(wait_until(lambda: winauto('state', hwnd)[1].split()[:1] == ['0'], 10),
                        'the picture window still takes the mouse')
        return x, y

    def volume(self):
        bar = winauto('child', self.main, VOLUME)[1].strip()
        return int(winauto('send', bar, PBM_GETPOS, 0, 0)[1].strip())

    def maximised(self):
        return winauto('client', self.video)[1].split()[2] == '1'

    def rect(self, hwnd):
        return tuple(int(v) for v in winauto('rect', hwnd)[1].split())

    def logged(self, line, timeout=10):
        return wait_until(lambda: line in self.inst.log_messages(), timeout)

    def test_wheel_buttons_and_menu_over_the_picture(self):
        x, y = self.pointer_over_picture()
        volume = self.volume()
        winauto('wheelat', x, y, 120)
        self.assertTrue(self.logged('videomousewheel=20'), 'the wheel over the picture did not reach the player')
        self.assertTrue(wait_until(lambda: self.volume() == volume + 1, 10))

        self.trace.set_mark()
        winauto('clickat', x, y, 'middle')
        self.assertTrue(wait_until(lambda: any(l.startswith('VLC_VolumeMute') for l in self.trace.since_mark()), 10),
                        'the middle button over the picture did not mute')
        self.assertTrue(self.logged('videomousedown'))

        # The right button opens the main menu at the pointer.
        winauto('clickat', x, y, 'right')
        self.assertTrue(wait_until(lambda: [m for m in windows('#32768') if m.visible], 10), 'no menu opened')
        menu = [m for m in windows('#32768') if m.visible][0]
        self.assertLessEqual(abs(menu.x - x), 2)
        winauto('keys', menu.hwnd, '0x1B')
        self.assertTrue(wait_until(lambda: not [m for m in windows('#32768') if m.visible], 10))

    def osd(self):
        texts = [w.text for w in children(self.video) if w.cls == 'Static' and w.visible and w.text.startswith('\r  ')]
        return texts[0] if texts else ''

    def test_the_volume_slider_sets_its_value_and_shows_it_over_the_picture(self):
        bar = winauto('child', self.main, VOLUME)[1].strip()
        width = int(winauto('rect', bar)[1].split()[2])
        # A press at x sets 100 x (x + 1) / (width - 2); the release at another x sets it again.
        for x in (width // 4, width // 2):
            winauto('post', bar, WM_LBUTTONDOWN, MK_LBUTTON, x)
            winauto('post', bar, WM_LBUTTONUP, 0, x)
            expected = min(100, 100 * (x + 1) // (width - 2))
            self.assertTrue(wait_until(lambda: self.volume() == expected, 10), '%d, not %d' % (self.volume(), expected))
            self.assertTrue(wait_until(lambda: self.osd().startswith('\r  Громкость') and
                                       self.osd().endswith(' %d%%' % expected), 10), repr(self.osd()))
        # Pressed at one end and released past the other: the top of the range.
        winauto('post', bar, WM_LBUTTONDOWN, MK_LBUTTON, 0)
        winauto('post', bar, WM_LBUTTONUP, 0, width + 40)
        self.assertTrue(wait_until(lambda: self.volume() == 100, 10), self.volume())
        save_windows_png('picture-volume-osd', self.video)

        # The control strip shows over the picture while the pointer is near it.
        strip = [w for w in children(self.video) if w.cls == 'Static' and w.text.startswith('4 < = 9 :')][0]
        x, y, w, h = (int(v) for v in winauto('rect', strip.hwnd)[1].split())
        winauto('pointer', x + w // 2, y + h // 2)
        self.assertTrue(wait_until(lambda: [c for c in children(self.video) if c.hwnd == strip.hwnd and c.visible], 10),
                        'the control strip did not show under the pointer')
        save_windows_png('picture-control-strip', self.video)

    def test_double_click_and_drag_over_the_picture(self):
        x, y = self.pointer_over_picture()
        before = self.rect(self.video)
        winauto('dragat', x, y, 40, 30)
        moved = (before[0] + 40, before[1] + 30) + before[2:]
        self.assertTrue(wait_until(lambda: self.rect(self.video) == moved, 10),
                        'a drag over the picture left the window at %s, not %s' % (self.rect(self.video), moved))

        x, y = self.pointer_over_picture()
        winauto('clickat', x, y, 'double')
        self.assertTrue(wait_until(self.maximised, 10), 'a double-click on the picture gave no full screen')
        x, y = self.pointer_over_picture()
        winauto('clickat', x, y, 'double')
        self.assertTrue(wait_until(lambda: not self.maximised(), 10), 'a second double-click stayed in full screen')
        self.assertEqual(self.rect(self.video), moved)


if __name__ == '__main__':
    unittest.main()
