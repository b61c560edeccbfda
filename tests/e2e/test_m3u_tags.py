"""A channel list in today's common form, read with its tags: a served list in
UTF-8 without a byte-order mark, with tvg-* attributes, Cyrillic titles and
#EXTVLCOPT lines. The user agent of its entry goes to the engine with the
channel's address, and a served XMLTV guide packed with gzip or xz, or in a
ZIP, gives the OSD the programme on air of the channel it matches by tvg-id."""
import datetime
import gzip
import hashlib
import io
import os
import shutil
import socket
import struct
import subprocess
import threading
import time
import unittest
import zipfile
import zlib

import test_guide_update as guide_e2e
import shedfile
from harness import BUILD, E2ETestCase, children, press, wait_gone, wait_until, wait_window, windows, winauto, winpath
from test_channel_controls import save_png
from test_config_channels import globals_record, write_ini
from test_guide_update import MENU_BASE, MENU_SHOW_OSD, MENU_UPDATE_GUIDE, UPDATE, serve
from test_playback import ENGINE, Trace, start_relay
from test_recorder import LB_GETCOUNT, LB_SETCURSEL, LIST_BACKGROUND_RECORDING, LIST_MENU_BASE, QUESTION
from test_view import screen_pixel, video_window

MENU_SETTINGS = 51
CHANNEL_ENTRY_BASE = 42000
LOGO_COLOUR = (30, 200, 60)

USER_AGENT = 'StrevoTest/1.0 (Box; TV)'


def channel_list(relay):
    # The list's own guide and logo addresses lead to a closed port: port 80
    # belongs to whichever scenario holds it (harness.FixedPort), and a fetch
    # from here would count among that scenario's requests.
    return ('#EXTM3U url-tvg="http://127.0.0.1:9/unused.xml.gz"\n'
            '\n'
            '#EXTINF:-1 tvg-id="perviy.ru" tvg-name="Первый" tvg-logo="http://127.0.0.1:9/1.png" '
            'group-title="Эфир, федеральные",Первый канал\n'
            '#EXTVLCOPT:http-user-agent=%s\n'
            '#EXTVLCOPT:http-referrer=http://127.0.0.1/\n'
            'http://127.0.0.1:%d/one.ts\n'
            '# a comment line of the provider\n'
            '#EXTINF:-1 tvg-id="sport",Спорт\n'
            '#EXTGRP:Спорт\n'
            'http://127.0.0.1:%d/two.ts\n' % (USER_AGENT, relay, relay)).encode('utf-8')


def xmltv(channel_id, label):
    """Programmes of an hour each from two hours ago, in UTC with their offset."""
    top = datetime.datetime.now(datetime.timezone.utc).replace(minute=0, second=0, microsecond=0)
    out = ['<?xml version="1.0" encoding="UTF-8"?>', '<tv>',
           '<channel id="%s"><display-name>Первый канал</display-name></channel>' % channel_id]
    for h in range(-2, 3):
        start = top + datetime.timedelta(hours=h)
        stop = start + datetime.timedelta(hours=1)
        out.append('<programme start="%s +0000" stop="%s +0000" channel="%s"><title>%s %+d &amp; co</title>'
                   '</programme>' % (start.strftime('%Y%m%d%H%M%S'), stop.strftime('%Y%m%d%H%M%S'),
                                     channel_id, label, h))
    out.append('</tv>')
    return '\n'.join(out).encode('utf-8')


def png(width, height, rgb):
    """A PNG of one colour, made here rather than read from anywhere."""
    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data) & 0xffffffff)
    rows = b''.join(b'\0' + bytes(rgb) * width for _ in range(height))
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 2, 0, 0, 0))
            + chunk(b'IDAT', zlib.compress(rows)) + chunk(b'IEND', b''))


def silent_server(test):
    """A server on 127.0.0.1 that takes connections and never answers."""
    listener = socket.socket()
    listener.bind(('127.0.0.1', 0))
    listener.listen(8)
    held = []

    def accept():
        while True:
            try:
                held.append(listener.accept()[0])
            except OSError:
                return
    threading.Thread(target=accept, daemon=True).start()
    test.addCleanup(lambda: [c.close() for c in held])
    test.addCleanup(listener.close)
    return 'http://127.0.0.1:%d' % listener.getsockname()[1], held


def grouped_list(base, silent):
    return ('#EXTM3U\n'
            '#EXTINF:-1 tvg-logo="{b}/good.png" group-title="Новости",Первый\nudp://@239.0.0.1:1234\n'
            '#EXTINF:-1 tvg-logo="{b}/page.png" group-title="Новости",Второй\nudp://@239.0.0.2:1234\n'
            '#EXTINF:-1 tvg-logo="{b}/huge.png" group-title="Спорт",Третий\nudp://@239.0.0.3:1234\n'
            '#EXTINF:-1,Четвёртый\nudp://@239.0.0.4:1234\n'
            '#EXTINF:-1 tvg-logo="{s}/never.png" group-title="Спорт",Пятый\nudp://@239.0.0.5:1234\n'
            ).format(b=base, s=silent).encode('utf-8')


def save_screenshot(name):
    bmp = os.path.join(BUILD, 'e2e', name + '.bmp')
    code, _ = winauto('screenshot', winpath(bmp))
    if code == 0 and shutil.which('convert'):
        os.makedirs(os.path.dirname(bmp), exist_ok=True)
        subprocess.run(['convert', bmp, os.path.join(BUILD, 'e2e', name + '.png')], check=False)
    return code == 0


@unittest.skipUnless(os.path.exists(ENGINE), 'the stand-in engine (libvlc.dll) is not built')
class GroupsAndLogos(E2ETestCase):
    def test_groups_become_submenus_and_header_rows_and_logos_are_drawn(self):
        good = png(32, 32, LOGO_COLOUR)
        # Starts as a picture, but far past the cap on a logo's size.
        huge = png(8, 8, (255, 0, 0))[:-12] + b'\0' * (3 << 20)
        base, requests = serve(self, {'/good.png': good, '/page.png': b'<html><body>moved</body></html>',
                                      '/huge.png': huge})
        silent, held = silent_server(self)
        inst = self.install()
        inst.enable_log()
        with open(inst.path('channels.m3u'), 'wb') as f:
            f.write(grouped_list(base, silent))
        write_ini(inst, [globals_record(winpath(inst.path('channels.m3u')), f12='1'), '?Ext|1|'])
        proc, main = self.start_player(inst, '/nologo')
        self.assertTrue(wait_until(lambda: 'form created' in inst.log_messages(), 30), 'start-up did not finish')

        # The menu as built: two groups where their first channels stand, one channel at the top.
        self.assertTrue(wait_until(lambda: 'channel menu: 2 groups: Новости (2), Спорт (2); 1 at the top level'
                                   in inst.log_messages(), 10), inst.log_messages())
        # One bad logo after another is skipped; the good one comes and is kept.
        def logged(prefix):
            return wait_until(lambda: any(m.startswith(prefix) for m in inst.log_messages()), 30)
        self.assertTrue(logged('logo shown: %s/good.png' % base), inst.log_messages())
        self.assertTrue(logged('logo skipped: %s/page.png: not a picture' % base), inst.log_messages())
        self.assertTrue(logged('logo skipped: %s/huge.png: not downloaded' % base), inst.log_messages())
        self.assertTrue(wait_until(lambda: held, 10), 'the silent server was never asked')
        def cached(address):
            return inst.path('Logos', hashlib.md5(address.encode()).hexdigest() + '.logo')
        with open(cached(base + '/good.png'), 'rb') as f:
            self.assertEqual(f.read(), good)
        # Nothing is kept of the bad ones.
        for bad in ('/page.png', '/huge.png'):
            self.assertFalse(os.path.exists(cached(base + bad)), bad)

        # The list box: a header row above each run of a group (Новости, Спорт,
        # a rule before the channel without one, Спорт again): five channels, four headers.
        lst = [w for w in children(video_window().hwnd) if w.cls.lower() == 'listbox' and w.w == 240][0]
        self.assertEqual(winauto('send', lst.hwnd, LB_GETCOUNT, 0, 0)[1].strip(), '9')
        # While a logo is still waited for, the player answers at once.
        code, out = winauto('ping', main, 2000, 3, 100)
        self.assertEqual(code, 0, out)

        # The logo drawn in the first channel's row (the header is row 0).
        _, out = winauto('rect', lst.hwnd)
        x, y = (int(v) for v in out.split()[:2])
        def logo_drawn():
            if not save_screenshot('m3u-groups-logos'):
                return False
            pixel = screen_pixel('m3u-groups-logos', x + 3 + 12, y + 45 + 3 + 12)
            return max(abs(a - b) for a, b in zip(pixel, LOGO_COLOUR)) < 12
        self.assertTrue(wait_until(logo_drawn, 10), screen_pixel('m3u-groups-logos', x + 15, y + 60))
        # The header's row has no logo and is no channel.
        self.assertNotEqual(screen_pixel('m3u-groups-logos', x + 15, y + 15), LOGO_COLOUR)

        # The transfer that never ends does not hold up the close.
        started = time.monotonic()
        winauto('close', main)
        self.assertEqual(self.wait_exit(proc, 30), 0)
        self.assertIn('logos: worker stopped', inst.log_messages())
        self.assertLess(time.monotonic() - started, 9, 'the close waited for the silent server')

    osd_texts = guide_e2e.GuideUpdate.osd_texts
    wait_osd = guide_e2e.GuideUpdate.wait_osd

    def test_turning_tags_on_warns_of_tasks_whose_channel_moved(self):
        # And reads the kept XMLTV guide again for the list as it reads now:
        # the guide keeps the programmes of the list's channels only, and
        # "One" finds its guide channel by its tvg-id alone.
        inst = self.install()
        inst.enable_log()
        with open(inst.path('channels.m3u'), 'wb') as f:
            f.write('#EXTM3U\n#EXTINF:-1 tvg-id="sport",One\nudp://@239.0.0.1:1234\n\n'
                    '#EXTINF:-1 group-title="Кино",Two\nudp://@239.0.0.2:1234\n'.encode('utf-8'))
        os.makedirs(inst.path('TVGuide'), exist_ok=True)
        with open(inst.path('TVGuide', 'xmltv.xml'), 'wb') as f:
            f.write(xmltv('sport', 'Матч'))
        write_ini(inst, [globals_record(winpath(inst.path('channels.m3u')), f10='udp://@239.0.0.1:1234')])
        shedfile.write(inst.sibling('.Shed.ini'), [shedfile.Task(name='Вечерний фильм', channel=1)])
        proc, main = self.start_player(inst, '/nologo')
        self.assertTrue(wait_until(lambda: 'form created' in inst.log_messages(), 30), 'start-up did not finish')
        winauto('command', main, MENU_BASE + MENU_SETTINGS)
        self.assertTrue(wait_until(lambda: any(w.visible for w in windows('StrevoSettings')), 10))
        frm = windows('StrevoSettings')[0].hwnd
        # The first page holds the box; clicked as a user would, so it checks itself.
        tab = [w for w in children(frm) if w.cls.lower() == 'systabcontrol32'][0]
        winauto('clickat', tab.x + 25, tab.y + 10)

        def box():
            found = [w for w in children(frm) if w.cls.lower() == 'button' and w.text == 'Читать теги M3U']
            return found[0] if found and found[0].visible else None
        self.assertTrue(wait_until(box, 10), 'the first page did not show')
        save_screenshot('settings-read-m3u-tags')
        winauto('clickat', box().x + 7, box().y + box().h // 2)

        warning = wait_window('#32770', '*', 20)
        self.assertIsNotNone(warning, 'no warning was shown')
        texts = [w.text for w in children(warning)]
        self.assertTrue(any(t.startswith('Список каналов прочитан по-новому') and 'Вечерний фильм' in t
                            for t in texts), texts)
        self.assertTrue(press(warning, 'OK', 'ОК'), texts)
        self.assertTrue(wait_until(lambda: not windows('#32770'), 10), 'the warning stayed')
        self.assertIn('m3u tags on', inst.log_messages())
        # The channel menu follows at once, not at its next refresh 100 s later.
        self.assertTrue(wait_until(lambda: 'channel menu: 1 groups: Кино (1); 1 at the top level'
                                   in inst.log_messages(), 5), inst.log_messages()[-6:])
        self.assertTrue(wait_until(lambda: inst.log_messages().count('xmltv guide read: 1 channels, 5 programmes') == 1,
                                   10), [m for m in inst.log_messages() if m.startswith('xmltv')])
        winauto('command', main, CHANNEL_ENTRY_BASE + 1)  # "One" from the channel menu
        winauto('command', main, MENU_BASE + MENU_SHOW_OSD)
        osd = self.wait_osd(main, lambda t: t.startswith('  №1'), 10)
        self.assertIn('Матч +0 & co', osd)
        winauto('close', main)
        self.assertEqual(self.wait_exit(proc, 30), 0)


@unittest.skipUnless(os.path.exists(ENGINE), 'the stand-in engine (libvlc.dll) is not built')
class TaggedChannelList(E2ETestCase):
    # The OSD as the guide update's scenarios read it.
    osd_texts = guide_e2e.GuideUpdate.osd_texts
    wait_osd = guide_e2e.GuideUpdate.wait_osd

    def test_user_agent_goes_to_the_engine_and_an_xmltv_guide_fills_the_osd(self):
        relay, _ = start_relay(self)
        guide = gzip.compress(xmltv('perviy.ru', 'Новости'))
        # As providers publish it: one document in a ZIP whose local header
        # holds ZIP64 sizes.
        packed = io.BytesIO()
        with zipfile.ZipFile(packed, 'w', zipfile.ZIP_DEFLATED) as z:
            with z.open('xmltv.xml', 'w', force_zip64=True) as f:
                f.write(xmltv('perviy.ru', 'Кино'))
        xz = subprocess.run(['xz', '-c', '-6'], input=xmltv('perviy.ru', 'Сериал'), stdout=subprocess.PIPE,
                            check=True).stdout
        base, requests = serve(self, {'/epg.xml.gz': guide, '/epg.zip': packed.getvalue(), '/epg.xml.xz': xz})
        inst = self.install()
        inst.enable_log()
        with open(inst.path('channels.m3u'), 'wb') as f:
            f.write(channel_list(relay))
        first = 'http://127.0.0.1:%d/one.ts' % relay
        write_ini(inst, [globals_record(winpath(inst.path('channels.m3u')), f10=first, f27=base + '/epg.xml.gz'),
                         '?Ext|1|'])
        trace = Trace(inst.path('engine-trace.txt'))
        proc, main = self.start_player(inst, '/nologo', env={'STREVO_ENGINE_TRACE': winpath(trace.path)})
        self.assertTrue(wait_until(lambda: 'form created' in inst.log_messages(), 30), 'start-up did not finish')
        # Both channels, whatever lines stand between them, read as UTF-8.
        self.assertIn('reloadplaylist done =2ch, utf=1', inst.log_messages())

        # The first channel plays with its own options, which reach the engine.
        self.assertTrue(wait_until(lambda: any(l.startswith('VLC_AddTarget') for l in trace.lines()), 20),
                        '\n'.join(trace.lines()))
        add = [l for l in trace.lines() if l.startswith('VLC_AddTarget')][0]
        self.assertIn(first, add)
        self.assertIn(':http-user-agent=' + USER_AGENT, add)
        self.assertIn(':http-referrer=http://127.0.0.1/', add)
        self.assertIn(' 2 ', add)  # the option count

        winauto('command', main, MENU_BASE + MENU_UPDATE_GUIDE)
        message = '\r  %s : %d Kb' % (UPDATE, round(len(guide) / 1024))
        self.wait_osd(main, lambda t: t == message, 30)
        self.assertTrue(os.path.exists(inst.path('TVGuide', 'xmltv.xml')))

        winauto('command', main, MENU_BASE + MENU_SHOW_OSD)
        osd = self.wait_osd(main, lambda t: t.startswith('  №'), 10)
        self.assertIn('Первый канал', osd)
        self.assertIn('Новости +0 & co', osd)
        save_png('m3u-tags-osd')

        winauto('close', main)
        self.assertEqual(self.wait_exit(proc, 30), 0)
        # The option is kept in its own record; the global one is as ever.
        with open(inst.sibling('.ini'), 'rb') as f:
            lines = f.read().decode('cp1251').split('\r\n')
        self.assertIn('?Ext|1|', lines)

        # The next start reads the kept guide without asking for it again.
        del requests[:]
        proc, main = self.start_player(inst, '/nologo', env={'STREVO_ENGINE_TRACE': winpath(trace.path)})
        self.assertTrue(wait_until(lambda: inst.log_messages().count('form created') >= 2, 30))
        winauto('command', main, MENU_BASE + MENU_SHOW_OSD)
        osd = self.wait_osd(main, lambda t: t.startswith('  №'), 10)
        self.assertIn('Новости +0 & co', osd)
        self.assertEqual(requests, [])
        winauto('close', main)
        self.assertEqual(self.wait_exit(proc, 30), 0)

        # The same guide as a ZIP replaces the kept one.
        write_ini(inst, [globals_record(winpath(inst.path('channels.m3u')), f10=first, f27=base + '/epg.zip'),
                         '?Ext|1|'])
        proc, main = self.start_player(inst, '/nologo', env={'STREVO_ENGINE_TRACE': winpath(trace.path)})
        self.assertTrue(wait_until(lambda: inst.log_messages().count('form created') >= 3, 30))
        winauto('command', main, MENU_BASE + MENU_UPDATE_GUIDE)
        message = '\r  %s : %d Kb' % (UPDATE, round(len(packed.getvalue()) / 1024))
        self.wait_osd(main, lambda t: t == message, 30)
        winauto('command', main, MENU_BASE + MENU_SHOW_OSD)
        osd = self.wait_osd(main, lambda t: t.startswith('  №') and 'Кино' in t, 10)
        self.assertIn('Кино +0 & co', osd)
        self.assertTrue(os.path.exists(inst.path('TVGuide', 'xmltv.xml')))

        winauto('close', main)
        self.assertEqual(self.wait_exit(proc, 30), 0)

        # And packed with xz, as providers offer it beside gzip.
        write_ini(inst, [globals_record(winpath(inst.path('channels.m3u')), f10=first, f27=base + '/epg.xml.xz'),
                         '?Ext|1|'])
        proc, main = self.start_player(inst, '/nologo', env={'STREVO_ENGINE_TRACE': winpath(trace.path)})
        self.assertTrue(wait_until(lambda: inst.log_messages().count('form created') >= 4, 30))
        winauto('command', main, MENU_BASE + MENU_UPDATE_GUIDE)
        message = '\r  %s : %d Kb' % (UPDATE, round(len(xz) / 1024))
        self.wait_osd(main, lambda t: t == message, 30)
        winauto('command', main, MENU_BASE + MENU_SHOW_OSD)
        osd = self.wait_osd(main, lambda t: t.startswith('  №') and 'Сериал' in t, 10)
        self.assertIn('Сериал +0 & co', osd)
        save_png('m3u-tags-osd-xz')
        winauto('close', main)
        self.assertEqual(self.wait_exit(proc, 30), 0)

    def test_a_background_recording_of_the_channel_gets_its_options(self):
        relay, _ = start_relay(self)
        inst = self.install()
        with open(inst.path('channels.m3u'), 'wb') as f:
            f.write(channel_list(relay))
        first = 'http://127.0.0.1:%d/one.ts' % relay
        write_ini(inst, [globals_record(winpath(inst.path('channels.m3u')), f15=winpath(inst.dir) + '\\'),
                         '?Ext|1|'])
        trace = Trace(inst.path('engine-trace.txt'))
        proc, main = self.start_player(inst, '/nologo', env={'STREVO_ENGINE_TRACE': winpath(trace.path)})
        video = windows('StrevoVideo', 'Strevo')[0].hwnd
        self.assertTrue(wait_until(lambda: [w for w in children(video) if w.cls == 'ListBox' and
                                            int(winauto('send', w.hwnd, LB_GETCOUNT, 0, 0)[1].strip()) == 4], 20))
        listbox = [w for w in children(video) if w.cls == 'ListBox'
                   and int(winauto('send', w.hwnd, LB_GETCOUNT, 0, 0)[1].strip()) == 4][0]
        # Rows: the group "Эфир, федеральные", the first channel, the group "Спорт", the second.
        winauto('send', listbox.hwnd, LB_SETCURSEL, 1, 0)
        winauto('command', main, LIST_MENU_BASE + LIST_BACKGROUND_RECORDING)
        rec = wait_window('obj_Form', 'Background recording', 20)
        self.assertIsNotNone(rec, 'no recorder started')

        # The recorder's own target, at the head of its playlist.
        def recorder_add():
            return [l for l in trace.lines() if l.startswith('VLC_AddTarget') and first in l
                    and (' 12 0 ' in l or l.endswith(' 12 0'))]
        self.assertTrue(wait_until(recorder_add, 20), '\n'.join(trace.lines()))
        add = recorder_add()[0]
        self.assertIn(':http-user-agent=' + USER_AGENT, add)
        self.assertIn(':http-referrer=http://127.0.0.1/', add)

        winauto('close', rec)
        box = wait_window('#32770', 'Background recording', 10)
        if box is not None:  # still playing: it asks first
            self.assertIn(QUESTION, [w.text for w in children(box)])
            self.assertTrue(press(box, 'Да', 'Yes'))
        self.assertTrue(wait_gone('obj_Form', 'Background recording', 20), 'the recorder did not end')
        winauto('close', main)
        self.assertEqual(self.wait_exit(proc, 30), 0)


if __name__ == '__main__':
    unittest.main()
