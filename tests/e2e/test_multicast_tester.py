"""The channel list's multicast test against loopback senders: one group
sending steadily, one silent (while another group sends on its port) and one
sending a datagram every 100 ms. The
test is started with the list menu's command (WM_COMMAND 41004 to the main
window); the list box then shows which channels failed with a "$" in front,
the OSD line says the test is over, and the window answers throughout. The
list draws the marked channels red, from its own entries.
"""
import os
import socket
import struct
import threading
import time
import unittest

from harness import BUILD, RUN_DIR, E2ETestCase, children, press, wait_until, wait_window, windows, winauto, winpath
from multicast import start_sender as start_numbered_sender
from test_playback import write_channels
from test_recording import RecordingHelpers
from test_view import save_windows_png

TEST_CHANNELS = 41000 + 4
MENU_CHANNEL_LIST = 40000 + 6
ROW = 45  # the full view's row height

STEADY = ('239.255.15.1', 5151)
SILENT = ('239.255.15.2', 5152)
SPARSE = ('239.255.15.3', 5153)
# Another group on the silent group's port, joined on the machine by someone
# else: its datagrams reach every socket bound to that port.
FOREIGN = ('239.255.15.4', 5152)


def join_elsewhere(test, group):
    """A socket of this machine that joins `group` on the loopback interface
    and never reads, as another program watching that channel would."""
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM, socket.IPPROTO_UDP)
    s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    s.bind(('0.0.0.0', group[1] + 1000))
    s.setsockopt(socket.IPPROTO_IP, socket.IP_ADD_MEMBERSHIP, socket.inet_aton(group[0]) + socket.inet_aton('127.0.0.1'))
    test.addCleanup(s.close)


def start_sender(test, group, period):
    """Sends 1316-byte datagrams to `group` every `period` seconds, on the
    loopback interface only, until the test ends."""
    stop = threading.Event()
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM, socket.IPPROTO_UDP)
    s.setsockopt(socket.IPPROTO_IP, socket.IP_MULTICAST_IF, socket.inet_aton('127.0.0.1'))
    s.setsockopt(socket.IPPROTO_IP, socket.IP_MULTICAST_TTL, 1)
    s.setsockopt(socket.IPPROTO_IP, socket.IP_MULTICAST_LOOP, 1)
    payload = b'\x47' + bytes(1315)

    def run():
        deadline = time.monotonic() + 120  # bounded even if the test hangs
        while not stop.is_set() and time.monotonic() < deadline:
            s.sendto(payload, group)
            stop.wait(period)

    thread = threading.Thread(target=run, daemon=True)
    thread.start()

    def end():
        stop.set()
        thread.join(5)
        s.close()
    test.addCleanup(end)


def red_rows(name, box, rows):
    """The rows of the list box whose title line holds red in the screenshot saved as `name`."""
    with open(os.path.join(BUILD, 'e2e', name + '.bmp'), 'rb') as f:
        data = f.read()
    offset, = struct.unpack_from('<I', data, 10)
    width, height, _, bpp = struct.unpack_from('<iiHH', data, 18)
    step, stride = bpp // 8, (width * (bpp // 8) + 3) & ~3

    def pixel(x, y):
        at = offset + (y if height < 0 else abs(height) - 1 - y) * stride + x * step
        b, g, r = data[at:at + 3]
        return r, g, b
    found = set()
    for row in range(rows):
        top = box.y + row * ROW
        if any(r >= 200 and g <= 60 and b <= 60 for y in range(top + 1, top + 17)
               for x in range(box.x + 2, box.x + box.w - 20) for r, g, b in [pixel(x, y)]):
            found.add(row)
    return found


class MulticastTester(E2ETestCase):
    def test_marks_the_channels_that_deliver_too_little(self):
        start_sender(self, STEADY, 0.002)
        start_sender(self, SPARSE, 0.1)
        join_elsewhere(self, FOREIGN)
        start_sender(self, FOREIGN, 0.002)
        inst = self.install()
        inst.enable_log()
        mrls = ['udp://@%s:%d' % STEADY, 'udp://@%s:%d' % SILENT, 'udp://@%s:%d' % SPARSE,
                'http://127.0.0.1:9/radio', 'http://127.0.0.1:9/web']
        write_channels(inst, mrls, iface='127.0.0.1')
        # Titles: "$Channel 1" was marked by an earlier test and works now;
        # "$Channel 4" is an HTTP channel, which no test touches.
        m3u = inst.path('channels.m3u8')
        with open(m3u, encoding='cp1251') as f:
            text = f.read()
        text = text.replace(',Channel 1\n', ',$Channel 1\n').replace(',Channel 4\n', ',$Channel 4\n')
        with open(m3u, 'w', encoding='cp1251', newline='\r\n') as f:
            f.write(text)
        self.start_player(inst, '/nologo')
        self.assertTrue(wait_until(lambda: 'form created' in inst.log_messages(), 30), 'start-up did not finish')
        main = windows('StrevoMain', 'Strevo')[0].hwnd
        video = windows('StrevoVideo', 'Strevo')[0].hwnd
        box = [w for w in children(video) if w.cls.lower() == 'listbox'][0].hwnd

        def items():
            _, out = winauto('items', box)
            return out.splitlines()

        self.assertEqual(items(), ['$Channel 1', 'Channel 2', 'Channel 3', '$Channel 4', 'Channel 5'])
        winauto('command', main, MENU_CHANNEL_LIST)
        self.assertTrue(wait_until(lambda: [w for w in children(video) if w.hwnd == box and w.visible], 10))

        def osd_done():
            return any(w.text.strip() == 'MultiCast testing finished!' and w.visible for w in children(video))

        self.assertEqual(winauto('command', main, TEST_CHANNELS)[0], 0)
        # Three groups: 2 s each and 2 s between them. The window answers
        # meanwhile: the sockets are on a worker thread.
        start = time.monotonic()
        code, out = winauto('ping', main, 1000, 8, 300)
        self.assertEqual(code, 0, 'the window did not answer within 1 s while the test ran:\n' + out)
        self.assertFalse(osd_done(), 'the test was over before it could have listened')
        self.assertTrue(wait_until(osd_done, 40), 'no closing message on the OSD line; the list shows %r, the '
                        'video window %r' % (items(), [(w.cls, w.text, w.visible) for w in children(video)]))
        self.assertGreater(time.monotonic() - start, 5.5)
        self.assertEqual(items(), ['Channel 1', '$Channel 2', '$Channel 3', '$Channel 4', 'Channel 5'])
        told = [m for m in inst.log_messages() if 'datagrams of other groups on port' in m]
        self.assertEqual(len(told), 1, told)
        self.assertRegex(told[0], r'^multicast test: \d+ datagrams of other groups on port 5152 dropped, tested '
                         r'239\.255\.15\.2$')
        # Drawn as the entries read: the mark the test took away is no longer red.
        shown = [w for w in children(video) if w.hwnd == box][0]
        def drawn():
            save_windows_png('tester-silent-red', video)
            return red_rows('tester-silent-red', shown, 4)
        self.assertTrue(wait_until(lambda: drawn() == {1, 2, 3}, 5), drawn())

        # Again with the silent group sending: its mark goes.
        start_sender(self, SILENT, 0.002)
        winauto('settext', [w for w in children(video) if w.text.strip() == 'MultiCast testing finished!'][0].hwnd, '')
        self.assertEqual(winauto('command', main, TEST_CHANNELS)[0], 0)
        self.assertTrue(wait_until(osd_done, 40), 'the second test did not end')
        self.assertEqual(items(), ['Channel 1', 'Channel 2', '$Channel 3', '$Channel 4', 'Channel 5'])



@unittest.skipUnless(os.path.exists(os.path.join(RUN_DIR, 'libvlc.dll')), 'the stand-in engine is not built')
class TesterWhileRecording(RecordingHelpers, E2ETestCase):
    def test_is_refused_and_the_recording_goes_on(self):
        # The test stops playback first: started while recording, it would
        # cut the recording and leave the player believing it still records.
        port = 5154
        start_numbered_sender(self, '239.255.12.1', port)
        capture = self.empty_capture_folder('test_multicast_tester')
        inst, trace, main = self.setup_player(port, winpath(capture) + '\\')
        self.assertTrue(wait_until(self.playing, 15), 'the channel does not play')
        self.record(inst, main)
        self.assertTrue(wait_until(lambda: 'end btnrec' in inst.log_messages(), 20))
        names = wait_until(lambda: os.listdir(capture), 10)
        path = os.path.join(capture, names[0])
        self.assertTrue(wait_until(lambda: os.path.getsize(path) > 50 * 1316, 15), 'the file does not grow')
        trace.set_mark()
        self.assertEqual(winauto('command', main, TEST_CHANNELS)[0], 0)
        box = wait_window('#32770', 'Strevo', 15)
        self.assertIsNotNone(box, 'the test was not refused')
        texts = ' '.join(w.text for w in children(box))
        self.assertIn('Идёт запись', texts)
        self.assertTrue(press(box, 'OK', 'ОК'))
        self.assertFalse([l for l in trace.since_mark() if l.startswith('VLC_Stop')], 'playback was stopped')
        grown = os.path.getsize(path)
        self.assertTrue(wait_until(lambda: os.path.getsize(path) > grown + 20 * 1316, 10),
                        'the recording stopped')
        self.assertRegex(self.recording_line(), r'^REC - ')


if __name__ == '__main__':
    unittest.main()
