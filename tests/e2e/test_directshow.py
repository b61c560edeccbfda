"""DirectShow mode (the ".dx" marker beside the exe): the build's MPEG-1 test
pattern plays through the system's graph into the video window, where a
screenshot shows it moving, its position and length come from the graph, the
end of the file stops playback, a stop leaves one registered empty graph, and
a udp:// address without the multicast source filter plays nothing and
shows nothing.
"""
import os
import re
import struct
import tempfile
import time
import unittest

from harness import RUN_DIR, E2ETestCase, children, press, wait_gone, wait_until, wait_window, windows, winauto, winpath
from test_channel_controls import channel_record, save_png
from test_playback import write_channels

PLAYER_COMMAND = 0x8000 + 0x51
SELECT = 1
MEDIA = os.path.join(RUN_DIR, 'demo.mpg')
RENDERER = 'ActiveMovie Window'
CLOCK = re.compile(r'^(\d+:)?\d\d:\d\d / (\d+:)?\d\d:\d\d$')
F2 = '0x71'
BLACK = (0, 0, 0)


def screen_pixels(left, top, width, height):
    """The screen's pixels in a rectangle, row by row, as (r, g, b)."""
    with tempfile.TemporaryDirectory() as work:
        bmp = os.path.join(work, 'screen.bmp')
        code, _ = winauto('screenshot', winpath(bmp))
        assert code == 0, 'no screenshot'
        with open(bmp, 'rb') as f:
            data = f.read()
    offset = struct.unpack_from('<I', data, 10)[0]
    w, h = struct.unpack_from('<ii', data, 18)
    stride = (w * 3 + 3) & ~3
    rows = []
    for y in range(top, top + height):
        at = offset + (h - 1 - y) * stride  # bottom-up
        rows.append([(data[at + 3 * x + 2], data[at + 3 * x + 1], data[at + 3 * x]) for x in range(left, left + width)])
    return rows


def window_rect(hwnd):
    _, out = winauto('rect', hwnd)
    return tuple(int(v) for v in out.split())


@unittest.skipUnless(os.path.exists(MEDIA), 'the test pattern (demo.mpg) is not built')
class DirectShowPlayback(E2ETestCase):
    def open_player(self, records=(), capdir='C:\\'):
        self.inst = self.install()
        self.inst.enable_log()
        open(self.inst.sibling('.dx'), 'wb').close()
        write_channels(self.inst, [winpath(MEDIA), 'udp://239.255.15.9:5159'], iface='127.0.0.1', records=records,
                       capdir=capdir)
        self.start_player(self.inst, '/nologo')
        self.assertTrue(wait_until(lambda: 'form created' in self.inst.log_messages(), 30), 'start-up did not finish')
        self.assertIn('coinit - usedx', self.inst.log_messages())
        self.main = windows('StrevoMain', 'Strevo')[0].hwnd
        self.video = windows('StrevoVideo', 'Strevo')[0].hwnd

    def renderer(self):
        found = [w for w in children(self.video) if w.text == RENDERER]
        return found[0] if found else None

    def clock(self):
        labels = [w.text for w in children(self.main) if CLOCK.match(w.text)]
        return labels[0] if labels else ''

    def graphs(self):
        _, out = winauto('rot')
        return [n for n in out.splitlines() if n.startswith('!FilterGraph ')]

    def select(self, index):
        self.assertEqual(winauto('post', self.main, PLAYER_COMMAND, SELECT, index)[0], 0)

    def picture(self):
        return screen_pixels(*window_rect(self.renderer().hwnd))

    def test_the_test_pattern_plays_and_stops_at_its_end(self):
        self.open_player()
        self.select(1)
        self.assertTrue(wait_until(lambda: self.renderer() is not None, 20),
                        'no renderer window in the video window:\n' + '\n'.join(self.inst.log_messages()[-20:]))
        # Position and length from the graph: 20 s of pattern.
        self.assertTrue(wait_until(lambda: self.clock().endswith(' / 00:20') and self.clock() != '00:00 / 00:20', 15),
                        'the clock shows ' + self.clock())
        self.assertEqual(len(self.graphs()), 1, self.graphs())

        self.assertTrue(any(m.startswith('dxplaymrl "') and m.endswith('mc->run done') for m in self.inst.log_messages()))
        # The renderer is a child of the panel, which fills the video window.
        r = self.renderer()
        panel = [w for w in children(self.video) if w.cls == 'StrevoDirectShowHost'][0]
        self.assertTrue(r.visible)
        self.assertEqual((r.w, r.h), (panel.w, panel.h))
        # The pattern itself is seen in the panel, and it moves.
        first = self.picture()
        colours = {p for row in first for p in row}
        self.assertGreater(len(colours), 8, 'the panel shows %d colours' % len(colours))
        time.sleep(1)
        self.assertNotEqual(self.picture(), first, 'the picture in the panel does not move')
        # Zoom (Shift+numeric-pad +: 10 %) lays the panel past the window's edges.
        width, height, _ = (int(v) for v in winauto('client', self.video)[1].split())
        self.assertEqual(winauto('keys', self.video, 'shift+0x6B')[0], 0)
        zoomed = (width + round(2 * width * 0.1), height + round(2 * height * 0.1))
        self.assertTrue(wait_until(lambda: [p for p in children(self.video)
                                            if p.cls == 'StrevoDirectShowHost' and (p.w, p.h) == zoomed], 10),
                        'the panel is not zoomed')

        # The end of the file stops playback: the renderer goes, the clock
        # returns to zero, and one empty graph stays registered.
        self.assertTrue(wait_until(lambda: self.renderer() is None, 40), 'playback did not stop at the end of the file')
        self.assertTrue(wait_until(lambda: self.clock() == '0:00:00 / 0:00:00', 10), self.clock())
        self.assertIn('dxplaymrl "" init com done', self.inst.log_messages())
        # The new graph may reuse the old one's memory, and so its name.
        self.assertEqual(len(self.graphs()), 1, self.graphs())

    def test_a_forced_aspect_leaves_black_bars_around_the_picture(self):
        self.open_player(records=[channel_record(winpath(MEDIA), aspect='16:9')])
        self.select(1)
        self.assertTrue(wait_until(lambda: self.renderer() is not None, 20), 'no renderer window')
        self.assertTrue(wait_until(lambda: self.clock().endswith(' / 00:20') and self.clock() != '00:00 / 00:20', 15),
                        'the clock shows ' + self.clock())
        r = self.renderer()
        w, h = r.w, r.h
        # The widest 16:9 rectangle, centred; the renderer rounds its own way.
        v = round(w * 9 / 16)
        top = (h - v) // 2
        self.assertGreater(top, 8, 'the window is too wide for bars above and below: %d x %d' % (w, h))

        def bars_and_picture():
            rows = self.picture()
            bars = rows[:top - 1] + rows[top + v + 1:]
            dirty = sum(1 for row in bars for p in row if p != BLACK)
            inside = rows[top + 1:top + v - 1]
            # The picture reaches the top and bottom of its rectangle.
            edges = all(any(p != BLACK for p in row) for row in (inside[0], inside[-1]))
            return dirty, len({p for row in inside for p in row}), edges

        # The layout comes after the first frames were drawn over the whole window.
        seen = []
        black = wait_until(lambda: seen.append(bars_and_picture()) or seen[-1][0] == 0, 10)
        save_png('directshow-16-9')
        self.assertTrue(black, '%d pixels of the bars are not black' % seen[-1][0])
        # Still black a little later, and the picture in its rectangle plays.
        time.sleep(1)
        dirty, colours, edges = bars_and_picture()
        self.assertEqual(dirty, 0, '%d pixels of the bars are not black' % dirty)
        self.assertGreater(colours, 8, 'the picture rectangle shows %d colours' % colours)
        self.assertTrue(edges, 'the picture does not reach the edges of its rectangle')

    def test_the_record_command_refuses_with_a_message_and_writes_nothing(self):
        capture = os.path.join(tempfile.mkdtemp(prefix='strevo-dxcap-'), '')
        self.addCleanup(os.rmdir, capture)
        self.open_player(capdir=winpath(capture))
        self.select(1)
        self.assertTrue(wait_until(lambda: self.renderer() is not None, 20), 'no renderer window')
        # The record button is disabled in this mode; its key still reaches the command.
        self.assertEqual(winauto('keys', self.video, F2)[0], 0)
        box = wait_window('#32770', 'Strevo', 20)
        self.assertIsNotNone(box, 'no message box')
        texts = [w.text for w in children(box) if w.cls.lower() == 'static' and w.text]
        self.assertEqual(texts, ['Recording with DirectShow is not supported yet !'])
        self.assertTrue(press(box, 'OK', 'ОК'))
        self.assertTrue(wait_gone('#32770', 'Strevo', 10), 'the message box stays')
        # Playback goes on, and nothing was recorded.
        self.assertIsNotNone(self.renderer())
        self.assertFalse([m for m in self.inst.log_messages() if 'btnrec' in m])
        self.assertEqual(os.listdir(capture), [])

    def test_a_multicast_address_without_its_source_filter_plays_nothing_and_says_nothing(self):
        self.open_player()
        self.select(2)
        line = 'dxplaymrl "udp://239.255.15.9:5159" init com done'
        self.assertTrue(wait_until(lambda: line in self.inst.log_messages(), 20), self.inst.log_messages()[-10:])
        time.sleep(2)
        self.assertFalse(any('mc->run done' in m for m in self.inst.log_messages()))
        self.assertIsNone(self.renderer())
        self.assertEqual(self.clock(), '0:00:00 / 0:00:00')
        # No message box of any kind.
        self.assertEqual(windows('#32770'), [])
        self.assertEqual(len(self.graphs()), 1, self.graphs())


if __name__ == '__main__':
    unittest.main()
