"""The TV guide update against a local server: a maintenance run replaces the
guide with the archive's files, an HTML page or an empty address leaves the
guide the user has, and an update from the menu while a channel plays keeps
the window answering and shows the programme on air from the new files."""
import datetime
import http.server
import io
import os
import socketserver
import struct
import threading
import time
import unittest
import zipfile

from harness import E2ETestCase, children, wait_until, windows, winauto, winpath
from test_config_channels import globals_record
from test_channel_controls import save_png
from test_playback import start_relay

MENU_BASE = 40000
MENU_SHOW_OSD, MENU_UPDATE_GUIDE = 44, 47
UPDATE = 'Обновить телепрограмму'
FILETIME_EPOCH = datetime.datetime(1601, 1, 1)


def jtv(programmes):
    """A JTV pair (index, texts) of (wall-clock start, text) programmes."""
    ndx = struct.pack('<H', len(programmes))
    pdt = b'JTV 3.x TV Program Data\n\n\n'
    for start, text in programmes:
        delta = start - FILETIME_EPOCH
        ticks = (delta.days * 86400 + delta.seconds) * 10000000
        ndx += struct.pack('<HQH', 0, ticks, len(pdt))
        raw = text.encode('cp1251')
        pdt += struct.pack('<H', len(raw)) + raw
    return ndx, pdt


def guide_zip(channels):
    """A ZIP archive (deflated) of JTV pairs, {name: programmes}."""
    out = io.BytesIO()
    with zipfile.ZipFile(out, 'w', zipfile.ZIP_DEFLATED) as z:
        for name, programmes in channels.items():
            ndx, pdt = jtv(programmes)
            z.writestr(name + '.ndx', ndx)
            z.writestr(name + '.pdt', pdt)
    return out.getvalue()


class GuideServer(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True


def serve(test, bodies, slow=(), gate=None):
    """Serves {path: bytes} on 127.0.0.1; the paths in `slow` trickle out over
    about four seconds, and with a `gate` (a threading.Event) their last piece
    waits until it is set. Returns the base address and the list of paths asked for."""
    requests = []

    class Handler(http.server.BaseHTTPRequestHandler):
        protocol_version = 'HTTP/1.0'

        def do_GET(self):
            requests.append(self.path)
            body = bodies.get(self.path)
            if body is None:
                self.send_error(404)
                return
            self.send_response(200)
            self.send_header('Content-Type', 'text/html' if body.startswith(b'<') else 'application/zip')
            self.send_header('Content-Length', str(len(body)))
            self.end_headers()
            try:
                if self.path in slow:
                    step = max(1, len(body) // 40)
                    for at in range(0, len(body), step):
                        if gate is not None and at + step >= len(body):
                            gate.wait(60)
                        self.wfile.write(body[at:at + step])
                        self.wfile.flush()
                        time.sleep(0.1)
                else:
                    self.wfile.write(body)
            except OSError:
                pass

        def log_message(self, *args):
            pass

    server = GuideServer(('127.0.0.1', 0), Handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    test.addCleanup(server.server_close)
    test.addCleanup(server.shutdown)
    return 'http://127.0.0.1:%d' % server.server_address[1], requests


def now_programmes(label):
    """Programmes from two hours ago to two hours ahead, an hour each, so one is always on air."""
    top = datetime.datetime.now().replace(minute=0, second=0, microsecond=0)
    return [(top + datetime.timedelta(hours=h), '%s %+d' % (label, h)) for h in range(-2, 3)]


class GuideUpdate(E2ETestCase):
    def prepare(self, url, channels=(), records=()):
        """An installation with the guide address `url`, the channels
        [(title, mrl)] (the first one current) and an old guide."""
        inst = self.install()
        inst.enable_log()
        playlist, fields = '', {'f27': url}
        if channels:
            playlist = winpath(inst.path('channels.m3u8'))
            with open(inst.path('channels.m3u8'), 'w', encoding='cp1251', newline='\r\n') as f:
                f.write('#EXTM3U\n' + ''.join('#EXTINF:0,%s\n%s\n' % c for c in channels))
            fields['f10'] = channels[0][1]
        with open(inst.sibling('.ini'), 'w', encoding='cp1251', newline='\r\n') as f:
            f.write(globals_record(playlist, **fields) + '\n')
            for record in records:
                f.write(record + '\n')
        old = {'First': now_programmes('Old first'), 'Gone': now_programmes('Old gone')}
        for name, programmes in old.items():
            ndx, pdt = jtv(programmes)
            with open(inst.path('TVGuide', name + '.ndx'), 'wb') as f:
                f.write(ndx)
            with open(inst.path('TVGuide', name + '.pdt'), 'wb') as f:
                f.write(pdt)
        os.makedirs(inst.path('TVGuide', '99'))
        for path in (('TVGuide', 'notes.txt'), ('TVGuide', '99', 'First.ndx')):
            with open(inst.path(*path), 'wb') as f:
                f.write(b'the user\'s own')
        return inst

    def guide_files(self, inst):
        found = {}
        for folder, _, files in os.walk(inst.path('TVGuide')):
            for name in files:
                path = os.path.join(folder, name)
                with open(path, 'rb') as f:
                    found[os.path.relpath(path, inst.path('TVGuide'))] = f.read()
        return found

    def test_maintenance_run_replaces_the_listed_pairs_and_keeps_other_files(self):
        # A pair in a folder of its own comes out in that folder, made on demand.
        archive = guide_zip({'First': now_programmes('New first'), 'Added': now_programmes('Added'),
                             'Sub/Deep': now_programmes('Deep')})
        base, requests = serve(self, {'/tv.zip': archive})
        inst = self.prepare(base + '/tv.zip')
        before = self.guide_files(inst)
        proc = self.start(inst, '/updatetvg')
        self.assertEqual(self.wait_exit(proc, 60), 0)
        self.assertEqual(requests, ['/tv.zip'])
        after = self.guide_files(inst)
        self.assertEqual(sorted(after), ['99/First.ndx', 'Added.ndx', 'Added.pdt', 'First.ndx', 'First.pdt',
                                         'Sub/Deep.ndx', 'Sub/Deep.pdt', 'notes.txt'])
        self.assertEqual(after['Sub/Deep.pdt'], jtv(now_programmes('Deep'))[1])
        new_ndx, new_pdt = jtv(now_programmes('New first'))
        self.assertEqual((after['First.ndx'], after['First.pdt']), (new_ndx, new_pdt))
        for kept in ('notes.txt', '99/First.ndx'):
            self.assertEqual(after[kept], before[kept])
        self.assertFalse(os.path.exists(inst.path('TVGuide.new')))
        lines = [m for m in inst.log_messages() if m.startswith('httpgetfile')]
        self.assertEqual(len(lines), 1, inst.log_messages())
        self.assertIn('"%s/tv.zip" to "' % base, lines[0])
        self.assertTrue(lines[0].endswith('TVGuide.zip" recieved %d bytes of %d' % (len(archive), len(archive))),
                        lines[0])

    def test_html_page_or_empty_address_keep_the_guide(self):
        base, requests = serve(self, {'/page': b'<html><body>No guide here</body></html>'})
        for url, asked in ((base + '/page', ['/page']), ('', [])):
            with self.subTest(url=url):
                del requests[:]
                inst = self.prepare(url)
                before = self.guide_files(inst)
                proc = self.start(inst, '/updatetvg')
                self.assertEqual(self.wait_exit(proc, 60), 0)
                self.assertEqual(requests, asked)
                self.assertEqual(self.guide_files(inst), before)
                self.assertFalse(os.path.exists(inst.path('TVGuide.new')))
                if not url:
                    self.assertFalse([m for m in inst.log_messages() if m.startswith('httpgetfile')])

    def osd_texts(self, main):
        video = (windows('StrevoVideo') + [w for w in children(main) if w.cls == 'StrevoVideo'])[0]
        return [w.text for w in children(video.hwnd) if w.cls.lower() == 'static']

    def wait_osd(self, main, predicate, timeout):
        found = []

        def seen():
            found[:] = [t for t in self.osd_texts(main) if predicate(t)]
            return bool(found)
        self.assertTrue(wait_until(seen, timeout), self.osd_texts(main))
        return found[0]

    def test_menu_update_while_playing_answers_and_shows_the_new_guide(self):
        relay, _ = start_relay(self)
        channel = 'http://127.0.0.1:%d/one.ts' % relay
        archive = guide_zip({'First': now_programmes('New first')})
        base, requests = serve(self, {'/tv.zip': archive, '/page': b'<html></html>'}, slow={'/tv.zip'})
        inst = self.prepare(base + '/tv.zip', channels=[('Channel 1', channel)],
                            records=[channel + '|1|100|100|0|100|100|0|None|0||||||First|0|1|0|'])
        proc, main = self.start_player(inst, '/nologo')
        self.assertTrue(wait_until(lambda: 'form created' in inst.log_messages(), 30), 'start-up did not finish')

        winauto('command', main, MENU_BASE + MENU_UPDATE_GUIDE)
        self.assertTrue(wait_until(lambda: requests == ['/tv.zip'], 15), requests)
        code, out = winauto('ping', main, 1000, 8, 200)
        self.assertEqual(code, 0, 'the main window did not answer within 1 s during the transfer: %r' % out)
        message = '\r  %s : %d Kb' % (UPDATE, round(len(archive) / 1024))
        self.wait_osd(main, lambda t: t == message, 30)

        # The OSD of the current channel reads the new files.
        winauto('command', main, MENU_BASE + MENU_SHOW_OSD)
        osd = self.wait_osd(main, lambda t: t.startswith('  №'), 10)
        self.assertIn('New first +0', osd)
        self.assertNotIn('Old first', osd)
        save_png('guide-osd')

        winauto('close', main)
        self.assertEqual(self.wait_exit(proc, 30), 0)


if __name__ == '__main__':
    unittest.main()
