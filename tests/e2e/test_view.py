"""What the player shows: the recording line against the file it records,
desktop mode giving the desktop its exact colour back (at shut-down, and at
the next start after a killed process), the channel menu's guide refreshed on
its timer, and the channel list's views.

Commands go to the main window as the menu sends them (WM_COMMAND 40000 +
item: 2 desktop mode, 6 channel list, 31 record).
"""
import datetime
import os
import re
import shutil
import subprocess
import threading
import time
import unittest

from harness import BUILD, RUN_DIR, E2ETestCase, children, wait_until, windows, winauto, winpath
from multicast import start_sender
from test_channel_controls import save_png
from test_guide_update import jtv
from test_playback import PLAYER_COMMAND, SELECT
from test_recording import RecordingHelpers

ENGINE = os.path.join(RUN_DIR, 'libvlc.dll')
MENU_BASE = 40000
MENU_DESKTOP, MENU_CHANNEL_LIST, MENU_GUIDE_CURRENT, MENU_SHOW_OSD = 2, 6, 42, 44
COLOR_BACKGROUND = 1
KEY_COLOUR = 0x010000  # RGB(0, 0, 1)
LB_GETITEMHEIGHT, LB_GETCURSEL = 0x01A1, 0x0188
MB = 1024 * 1024


def save_windows_png(name, *hwnds):
    """A screenshot cut to the windows given (their joint rectangle, with a margin)."""
    save_png(name)
    png = os.path.join(BUILD, 'e2e', name + '.png')
    rects = []
    for hwnd in hwnds:
        _, out = winauto('rect', hwnd)
        x, y, w, h = (int(v) for v in out.split())
        rects.append((x, y, x + w, y + h))
    if not rects or not os.path.exists(png) or not shutil.which('convert'):
        return
    left, top = max(0, min(r[0] for r in rects) - 8), max(0, min(r[1] for r in rects) - 8)
    right, bottom = max(r[2] for r in rects) + 8, max(r[3] for r in rects) + 8
    subprocess.run(['convert', png, '-crop', '%dx%d+%d+%d' % (right - left, bottom - top, left, top), '+repage',
                    os.path.join(BUILD, 'e2e', name + '-cut.png')], check=False)


def screen_pixel(name, x, y):
    """(r, g, b) at a screen point of the screenshot saved as `name`."""
    import struct
    with open(os.path.join(BUILD, 'e2e', name + '.bmp'), 'rb') as f:
        data = f.read()
    offset, = struct.unpack_from('<I', data, 10)
    width, height, _, bpp = struct.unpack_from('<iiHH', data, 18)
    step = bpp // 8
    stride = (width * step + 3) & ~3
    row = y if height < 0 else abs(height) - 1 - y
    b, g, r = data[offset + row * stride + x * step:offset + row * stride + x * step + 3]
    return r, g, b


def top_bar_colour(main, name):
    """The first row of the main window's top bar: the gradient's top colour."""
    _, out = winauto('rect', main)
    x, y, _, _ = (int(v) for v in out.split())
    # One pixel of frame, the bar two pixels in; clear of the buttons and labels.
    return screen_pixel(name, x + 1 + 2 + 200, y + 1 + 2)


def syscolor(index, value=None):
    code, out = winauto('syscolor', index, *([value] if value is not None else []))
    return int(out.strip()) if code == 0 and out.strip().isdigit() else None


def rgb(r, g, b):
    return r | g << 8 | b << 16


def video_window():
    found = windows('StrevoVideo', 'Strevo')
    return found[0] if found else None


class SizeWatch(threading.Thread):
    """Samples a file's size every 50 ms, so a number the player showed can
    be matched with the sizes the file had around that moment."""

    def __init__(self, path):
        super().__init__(daemon=True)
        self.path, self.samples, self.running = path, [], True

    def run(self):
        while self.running:
            try:
                self.samples.append((time.monotonic(), os.path.getsize(self.path)))
            except OSError:
                pass
            time.sleep(0.05)

    def between(self, start, end):
        return [size for t, size in self.samples if start <= t <= end]


@unittest.skipUnless(os.path.exists(ENGINE), 'the stand-in engine (libvlc.dll) is not built')
class RecordingLine(RecordingHelpers, E2ETestCase):
    def test_line_shows_the_file_size_and_the_free_space_and_fits_the_window(self):
        port = 5031
        start_sender(self, '239.255.12.1', port, rate=4_000_000)
        capture = self.empty_capture_folder('test_view')
        inst, _, main = self.setup_player(port, winpath(capture))
        self.assertTrue(wait_until(self.playing, 15), 'the channel does not play')
        self.record(inst, main)
        names = wait_until(lambda: os.listdir(capture), 10)
        self.assertEqual(len(names), 1, names)
        path = os.path.join(capture, names[0])
        watch = SizeWatch(path)
        watch.start()
        self.addCleanup(setattr, watch, 'running', False)
        # Past 2.5 MB, so the rounding to whole megabytes is seen at work.
        self.assertTrue(wait_until(lambda: os.path.getsize(path) > 2.5 * MB, 20), 'the file does not grow')

        checked = 0
        for _ in range(3):
            asked = time.monotonic()
            line = self.recording_line()
            answered = time.monotonic()
            m = re.fullmatch(r'REC - (\d\d):(\d\d):(\d\d) - (\d+) Mb \((\d+) Mb free\)', line)
            self.assertIsNotNone(m, line)
            # The line was made by a tick at most 800 ms before it was read.
            sizes = watch.between(asked - 1.2, answered)
            self.assertTrue(sizes)
            shown = int(m.group(4))
            self.assertIn(shown, {round(s / MB) for s in sizes}, (line, sizes[0], sizes[-1]))
            free = shutil.disk_usage(capture).free / MB
            # Other processes write to the same disk meanwhile.
            self.assertLess(abs(int(m.group(5)) - free), max(64, free * 0.01), (line, free))
            checked += 1
            time.sleep(0.9)
        self.assertEqual(checked, 3)

        # The whole line shows inside the video window at its start size.
        video = video_window()
        line = [w for w in children(video.hwnd) if w.visible and w.text.startswith('REC - ')][0]
        self.assertLessEqual(line.x + line.w, video.x + video.w, (line, video))
        save_windows_png('view-recording-line', video.hwnd)


@unittest.skipUnless(os.path.exists(ENGINE), 'the stand-in engine (libvlc.dll) is not built')
class DesktopMode(E2ETestCase):
    ORIGINAL = rgb(58, 110, 165)

    def start_in_desktop_mode(self):
        inst = self.install()
        inst.enable_log()
        write_setup(inst, [])  # the video window on its own
        self.assertEqual(syscolor(COLOR_BACKGROUND, self.ORIGINAL), self.ORIGINAL)
        proc, main = self.start_player(inst, '/nologo')
        self.assertTrue(wait_until(lambda: 'form created' in inst.log_messages(), 30))
        winauto('command', main, MENU_BASE + MENU_DESKTOP)
        self.assertTrue(wait_until(lambda: 'on desktop done' in inst.log_messages(), 10))
        self.assertEqual(syscolor(COLOR_BACKGROUND), KEY_COLOUR)
        self.assertTrue(wait_until(lambda: not video_window().visible, 5), 'the video window stays shown')
        # Kept where a later start finds it.
        with open(inst.sibling('.Desktop'), 'rb') as f:
            self.assertEqual(f.read(), b'%d\r\n' % self.ORIGINAL)
        return inst, proc, main

    def test_menu_and_shut_down_give_the_exact_colour_back(self):
        inst, proc, main = self.start_in_desktop_mode()
        # Off from the menu: the colour back, the video window shown again.
        winauto('command', main, MENU_BASE + MENU_DESKTOP)
        self.assertTrue(wait_until(lambda: 'on desktop off' in inst.log_messages(), 10))
        self.assertEqual(syscolor(COLOR_BACKGROUND), self.ORIGINAL)
        self.assertTrue(wait_until(lambda: video_window().visible, 5), 'the video window stays hidden')
        self.assertFalse(os.path.exists(inst.sibling('.Desktop')))
        # On again, then the player closes in desktop mode.
        winauto('command', main, MENU_BASE + MENU_DESKTOP)
        self.assertTrue(wait_until(lambda: inst.log_messages().count('on desktop done') == 2, 10))
        self.assertEqual(syscolor(COLOR_BACKGROUND), KEY_COLOUR)
        winauto('close', main)
        self.assertEqual(self.wait_exit(proc, 30), 0)
        self.assertEqual(syscolor(COLOR_BACKGROUND), self.ORIGINAL)
        log = inst.log_messages()
        self.assertEqual(log.count('on desktop off'), 2)
        closing = log.index('forms and tray hidden, temp cleaned')
        self.assertEqual(log[closing + 1:closing + 3], ['on desktop off', 'frmvideo closed'])
        self.assertFalse(os.path.exists(inst.sibling('.Desktop')))

    def test_a_killed_player_leaves_the_colour_to_the_next_start(self):
        inst, proc, main = self.start_in_desktop_mode()
        proc.kill()
        proc.wait(10)
        self.assertTrue(wait_until(lambda: not windows('StrevoMain', 'Strevo'), 10))
        self.assertEqual(syscolor(COLOR_BACKGROUND), KEY_COLOUR)
        self.start_player(inst, '/nologo')
        self.assertTrue(wait_until(lambda: 'desktop colour restored' in inst.log_messages(), 30))
        self.assertEqual(syscolor(COLOR_BACKGROUND), self.ORIGINAL)
        self.assertFalse(os.path.exists(inst.sibling('.Desktop')))

    def test_a_colour_chosen_since_the_crash_is_left_alone(self):
        inst = self.install()
        inst.enable_log()
        write_setup(inst, [])
        with open(inst.sibling('.Desktop'), 'wb') as f:
            f.write(b'%d\r\n' % self.ORIGINAL)
        chosen = rgb(10, 20, 30)
        syscolor(COLOR_BACKGROUND, chosen)
        self.start_player(inst, '/nologo')
        self.assertTrue(wait_until(lambda: 'form created' in inst.log_messages(), 30))
        self.assertEqual(syscolor(COLOR_BACKGROUND), chosen)
        self.assertNotIn('desktop colour restored', inst.log_messages())
        self.assertFalse(os.path.exists(inst.sibling('.Desktop')))


def write_setup(inst, channels, records=(), simple=False, own_colours=True, colours=''):
    """A channel list [(title, mrl)] and a configuration showing the channel list."""
    m3u = inst.path('channels.m3u8')
    with open(m3u, 'w', encoding='cp1251', newline='\r\n') as f:
        f.write('#EXTM3U\n' + ''.join('#EXTINF:0,%s\n%s\n' % c for c in channels))
    f = [''] * 35
    f[0] = '?Globals'
    f[1], f[2], f[3] = '20', '424', '70'  # the panel right under the video window
    f[4], f[5], f[6], f[7] = '20', '20', '640', '400'
    f[9], f[10], f[11] = '1', '?', '50'
    f[12] = '1'  # the channel list shown
    f[16], f[17] = colours, '1' if own_colours else '0'
    f[24], f[25], f[29], f[30] = winpath(m3u), '0', '0', '0'
    f[31] = '1' if simple else '0'
    with open(inst.sibling('.ini'), 'w', encoding='cp1251', newline='\r\n') as out:
        out.write('|'.join(f) + '|\n')
        for record in records:
            out.write(record + '\n')


def guide_record(mrl, name):
    return '|'.join([mrl, '1', '100', '100', '0', '100', '100', '0', 'None', '0', '', '', '', '', '0', name,
                     '0', '1', '0']) + '|'


def write_guide(inst, name, label, now):
    """Programmes of 90 minutes around `now`, the one on air begun a third of the way."""
    start = now - datetime.timedelta(minutes=30)
    programmes = [(start + datetime.timedelta(minutes=90 * k), '%s %d' % (label, k)) for k in range(-1, 3)]
    ndx, pdt = jtv(programmes)
    for ext, data in (('.ndx', ndx), ('.pdt', pdt)):
        with open(inst.path('TVGuide', name + ext), 'wb') as f:
            f.write(data)


def write_icon(path, colour):
    """A 24-bit BMP of 32 x 32 pixels in one colour."""
    import struct
    width = height = 32
    row = bytes([colour[2], colour[1], colour[0]]) * width
    pixels = row * height
    header = struct.pack('<2sIHHI', b'BM', 54 + len(pixels), 0, 0, 54)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(path, 'wb') as f:
        f.write(header + info + pixels)


@unittest.skipUnless(os.path.exists(ENGINE), 'the stand-in engine (libvlc.dll) is not built')
class ChannelListView(E2ETestCase):
    CHANNELS = [('DS: Первый', 'udp://@239.255.30.1:5040'), ('$Тихий', 'udp://@239.255.30.2:5040'),
                ('Rock & Pop', 'dshow://12'), ('Новости', 'udp://@239.255.30.4:5040')]

    def launch(self, simple=False, env=None, **setup):
        inst = self.install()
        inst.enable_log()
        now = datetime.datetime.now().replace(microsecond=0)
        write_guide(inst, 'First', 'Утренний эфир', now)
        write_guide(inst, 'News', 'Новости дня', now)
        write_icon(inst.path('Icons', 'Первый.bmp'), (200, 40, 40))
        write_icon(inst.path('Icons', 'Новости.bmp'), (40, 90, 200))
        write_setup(inst, self.CHANNELS, [guide_record(self.CHANNELS[0][1], 'First'),
                                          guide_record(self.CHANNELS[3][1], 'News')], simple=simple, **setup)
        proc, main = self.start_player(inst, '/nologo', env=env)
        self.assertTrue(wait_until(lambda: 'form created' in inst.log_messages(), 30))
        return inst, main

    def channel_list(self):
        return [w for w in children(video_window().hwnd) if w.cls.lower() == 'listbox' and w.w == 240][0]

    def item_height(self):
        _, out = winauto('send', self.channel_list().hwnd, LB_GETITEMHEIGHT, 0, 0)
        return int(out.strip())

    def tip(self, main):
        label = [w for w in children(main) if w.cls.lower() == 'static' and w.w > 100 and w.h == 17]
        self.assertTrue(label, children(main))
        _, out = winauto('tip', label[0].hwnd)
        return out.strip()

    def test_full_view_with_guide_lines_and_icons(self):
        inst, main = self.launch()
        self.assertEqual(self.item_height(), 45)
        # The channel menu's caption of the current channel, as the label's tip:
        # the pseudo-channel numbered 0.
        self.assertTrue(wait_until(lambda: self.tip(main).startswith('0. Файл или поток'), 10), self.tip(main))
        winauto('post', main, PLAYER_COMMAND, SELECT, 1)
        self.assertTrue(wait_until(lambda: 'end goplaymrl' in inst.log_messages(), 20))
        # The guide's OSD over the picture.
        winauto('command', main, MENU_BASE + MENU_SHOW_OSD)
        osd = wait_until(lambda: [w for w in children(video_window().hwnd) if w.visible and 'Первый' in w.text], 10)
        self.assertTrue(osd)
        self.assertIn('Утренний эфир 0', osd[0].text)
        save_windows_png('view-osd-guide', main, video_window().hwnd)
        # The default palette's first colour, 16314867.
        self.assertLess(max(abs(a - b) for a, b in zip(top_bar_colour(main, 'view-osd-guide'), (243, 241, 248))), 4)

        # The guide list: the OSD's white on the video window's black, the
        # selected line filled with the text colour, not the system's colours.
        winauto('command', main, MENU_BASE + MENU_GUIDE_CURRENT)
        box = wait_until(lambda: [w for w in children(video_window().hwnd)
                                  if w.cls.lower() == 'listbox' and w.visible and w.w != 240], 10)
        self.assertTrue(box, 'no guide list')
        box = box[0]
        row = int(winauto('send', box.hwnd, LB_GETITEMHEIGHT, 0, 0)[1].strip())
        selected = int(winauto('send', box.hwnd, LB_GETCURSEL, 0, 0)[1].strip())
        self.assertGreater(selected, 0)

        def colours():
            save_windows_png('view-guide-list', main, video_window().hwnd)
            return [screen_pixel('view-guide-list', box.x + box.w - 30, box.y + line * row + row // 2)
                    for line in (0, selected)]
        self.assertTrue(wait_until(lambda: (lambda c: max(c[0]) < 30 and min(c[1]) > 150)(colours()), 5), colours())

    def test_simple_view_has_short_rows(self):
        inst, main = self.launch(simple=True)
        self.assertEqual(self.item_height(), 19)
        save_windows_png('view-channel-list-simple', main, video_window().hwnd)

    def test_user_palette(self):
        # Deep blue to teal bars, light text, an orange highlight.
        colours = [rgb(20, 40, 90), rgb(10, 90, 110), rgb(235, 240, 250), rgb(250, 160, 40), rgb(5, 20, 40),
                   rgb(250, 160, 40), rgb(255, 230, 160)]
        inst, main = self.launch(colours=''.join('%d;' % c for c in colours))
        time.sleep(1)
        save_windows_png('view-user-palette', main, video_window().hwnd)
        self.assertLess(max(abs(a - b) for a, b in zip(top_bar_colour(main, 'view-user-palette'), (20, 40, 90))), 4)

    def test_channel_menu_follows_the_guide_every_hundred_seconds(self):
        # The program's clock runs 100 times as fast: a refresh every second.
        now = datetime.datetime.now().replace(microsecond=0)
        inst, main = self.launch(env={'STREVO_CLOCK': now.strftime('%Y-%m-%dT%H:%M:%S') + '*100'})
        winauto('post', main, PLAYER_COMMAND, SELECT, 1)
        pattern = re.compile(r'1\. DS: Первый \{\d\d:\d\d-\d\d:\d\d, (\d+)% "Утренний эфир 0"\}')
        first = wait_until(lambda: pattern.fullmatch(self.tip(main)), 15)
        self.assertIsNotNone(first, self.tip(main))
        # Each refresh moves 100 s of a 90-minute programme: about 2 %.
        later = wait_until(lambda: (lambda m: m and int(m.group(1)) >= int(first.group(1)) + 4 and m)(
            pattern.fullmatch(self.tip(main))), 20)
        self.assertTrue(later, (first.group(0), self.tip(main)))


if __name__ == '__main__':
    unittest.main()
