"""The stand-in engine shows the decoded picture: a demo channel's clip
(made at build time, looped by scripts/demo's ClipStream) served over HTTP on
127.0.0.1, played, looked at in two screenshots a second apart, and a
snapshot of it compared with ffmpeg's decode of the clip.
"""
import http.server
import importlib.machinery
import importlib.util
import os
import re
import struct
import subprocess
import threading
import time
import unittest

from harness import BUILD, RUN_DIR, E2ETestCase, children, press, serve_http, wait_window, wait_until, windows, winauto, winpath
from test_playback import ENGINE, PLAYER_COMMAND, SELECT, Trace, write_channels

MENU_BASE, MENU_SNAPSHOT = 40000, 32

CLIP = os.path.join(RUN_DIR, 'demo', 'channel1.ts')
SOURCE = os.path.abspath(os.path.join(os.path.dirname(__file__), '..', '..'))


def load_demo():
    loader = importlib.machinery.SourceFileLoader('strevo_demo', os.path.join(SOURCE, 'scripts', 'demo'))
    spec = importlib.util.spec_from_loader('strevo_demo', loader)
    module = importlib.util.module_from_spec(spec)
    loader.exec_module(module)
    return module


def serve_clip(test):
    demo = load_demo()
    stop = threading.Event()

    class Handler(http.server.BaseHTTPRequestHandler):
        protocol_version = 'HTTP/1.0'

        def do_GET(self):
            self.send_response(200)
            self.send_header('Content-Type', 'video/mp2t')
            self.end_headers()
            stream = demo.ClipStream(CLIP)
            try:
                while not stop.is_set():
                    data = b''.join(stream.due())
                    if data:
                        self.wfile.write(data)
                    stop.wait(0.02)
            except OSError:
                pass

        def log_message(self, *args):
            pass

    return serve_http(test, Handler, stop)


def read_bmp(path):
    """Width, height and rows (top first) of B, G, R triples of a 24-bit BMP."""
    with open(path, 'rb') as f:
        data = f.read()
    offset = struct.unpack_from('<I', data, 10)[0]
    width, height = struct.unpack_from('<ii', data, 18)
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in range(abs(height)):
        row = y if height < 0 else abs(height) - 1 - y
        rows.append(data[offset + row * stride: offset + row * stride + width * 3])
    return width, abs(height), rows


def best_psnr(clip, picture):
    """The PSNR (RGB, dB) of the picture against the clip's frame it is
    closest to, by ffmpeg's decode: the frame the snapshot was taken of is
    not known here, but any other picture scores far below the 30 dB asked."""
    stats = picture + '.psnr.txt'
    subprocess.run(['ffmpeg', '-v', 'error', '-y', '-i', clip, '-framerate', '25', '-loop', '1', '-i', picture,
                    '-lavfi', '[0:v]format=rgb24[r];[1:v]format=rgb24[s];[r][s]psnr=stats_file=%s:shortest=1'
                    % stats.replace(':', '\\:'), '-f', 'null', '-'], check=True)
    with open(stats) as f:
        values = [float(m) for m in re.findall(r'psnr_avg:([0-9.]+|inf)', f.read())]
    return max(values) if values else 0.0


def region(bmp, x, y, w, h):
    _, _, rows = read_bmp(bmp)
    return [rows[y + j][x * 3:(x + w) * 3] for j in range(h)]


@unittest.skipUnless(os.path.exists(ENGINE) and os.path.exists(CLIP), 'the engine or the demo clips are not built')
class VideoPicture(E2ETestCase):
    def test_a_demo_channel_moves_on_screen_and_snapshots_its_frame(self):
        port = serve_clip(self)
        inst = self.install()
        inst.enable_log()
        capture = inst.path('Capture')
        os.makedirs(capture)
        write_channels(inst, ['http://127.0.0.1:%d/demo.ts' % port], capdir=winpath(capture) + '\\')
        trace = Trace(inst.path('engine-trace.txt'))
        self.start_player(inst, '/nologo', env={'STREVO_ENGINE_TRACE': winpath(trace.path)})
        self.assertTrue(wait_until(lambda: 'form created' in inst.log_messages(), 30), 'start-up did not finish')
        main = windows('StrevoMain', 'Strevo')[0].hwnd
        winauto('post', main, PLAYER_COMMAND, SELECT, 1)

        def picture():
            for top in windows('StrevoVideo', 'Strevo') + windows('StrevoMain', 'Strevo'):
                for w in children(top.hwnd):
                    if w.cls == 'VLC DirectX' and w.visible and w.w > 100:
                        return w
            return None
        found = wait_until(picture, 20)
        self.assertTrue(found, 'no video window')
        shots = []
        for k in range(2):
            # The first picture needs the first whole group of pictures.
            time.sleep(4 if k == 0 else 1)
            shown = picture()
            self.assertIsNotNone(shown, 'the video window went away; the engine %s playing' %
                                 ('reported' if 'VLC_IsPlaying 1' in trace.lines() else 'never reported'))
            code, out = winauto('rect', shown.hwnd)
            self.assertEqual(code, 0)
            x, y, w, h = [int(v) for v in out.split()[:4]]
            bmp = os.path.join(BUILD, 'e2e', 'video-%d.bmp' % k)
            code, _ = winauto('screenshot', winpath(bmp))
            self.assertEqual(code, 0)
            shots.append(region(bmp, x, y, w, h))
            subprocess.run(['convert', bmp, bmp[:-4] + '.png'], check=False)
        for rows in shots:
            samples = [bytes(r[i:i + 3]) for r in rows[::4] for i in range(0, len(r), 12)]
            self.assertGreater(len(set(samples)), 8, 'the window shows no pattern')
            # The pattern's colour bars, not text on a dark ground: a good part
            # of the window is strongly coloured.
            vivid = [s for s in samples if max(s) - min(s) > 100]
            self.assertGreater(len(vivid), len(samples) // 4, 'the window shows no colour bars')
        self.assertNotEqual(shots[0], shots[1], 'the picture does not move')

        # The snapshot command: the decoded frame at the clip's own size, and
        # a picture of the clip, not merely a JPEG.
        winauto('command', main, MENU_BASE + MENU_SNAPSHOT)
        snap = os.path.join(capture, 'vlcsnap-00001.jpg')
        self.assertTrue(wait_until(lambda: os.path.exists(snap) and os.path.getsize(snap) > 0, 10), 'no snapshot')
        time.sleep(0.5)
        size = subprocess.run(['ffprobe', '-v', 'error', '-select_streams', 'v:0', '-show_entries',
                               'stream=width,height', '-of', 'csv=p=0', snap],
                              capture_output=True, text=True, check=True).stdout.strip()
        self.assertEqual(size, '720,576')
        self.assertGreaterEqual(best_psnr(CLIP, snap), 30.0, 'the snapshot does not resemble any frame of the clip')


    def test_a_ps_recording_is_a_program_stream_with_the_video_intact(self):
        port = serve_clip(self)
        inst = self.install()
        target = inst.path('rec.mpg')
        proc = self.start(inst, '/bgrec', 'http://127.0.0.1:%d/demo.ts' % port, 'ps', winpath(target), '0',
                          'Demo', 'Auto', '-1')
        hwnd = wait_window('obj_Form', 'Background recording', 20)
        self.assertIsNotNone(hwnd)
        # A few groups of pictures, then "Yes" to the question on closing.
        self.assertTrue(wait_until(lambda: os.path.exists(target) and os.path.getsize(target) > 2000000, 30),
                        'the recording did not grow')
        winauto('close', hwnd)
        box = wait_window('#32770', 'Background recording', 10)
        self.assertTrue(press(box, 'Да', 'Yes'))
        self.assertEqual(self.wait_exit(proc, 20), 0)
        probe = subprocess.run(['ffprobe', '-v', 'error', '-count_frames', '-show_entries',
                                'format=format_name:stream=codec_name,width,height,nb_read_frames',
                                '-of', 'default=nw=1', target], capture_output=True, text=True, timeout=120)
        self.assertIn('format_name=mpeg\n', probe.stdout)
        self.assertIn('codec_name=mpeg2video', probe.stdout)
        self.assertIn('width=720', probe.stdout)
        frames = int(probe.stdout.split('nb_read_frames=')[1].split()[0])
        self.assertGreater(frames, 50, probe.stdout)
        # ffmpeg decodes it to the end (a warning about the first B pictures of
        # the cut is no error).
        check = subprocess.run(['ffmpeg', '-nostdin', '-v', 'error', '-i', target, '-f', 'null', '-'],
                               capture_output=True, text=True, timeout=120)
        self.assertEqual(check.returncode, 0, check.stderr)
        self.assertEqual([l for l in check.stderr.splitlines() if 'rror' in l], [], check.stderr)


if __name__ == '__main__':
    unittest.main()
