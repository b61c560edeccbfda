"""A channel list in today's common form, read with its tags: a served list in
UTF-8 without a byte-order mark, with tvg-* attributes, Cyrillic titles and
#EXTVLCOPT lines. The user agent of its entry goes to the engine with the
channel's address, and a served XMLTV guide packed with gzip gives the OSD the
programme on air of the channel it matches by tvg-id."""
import datetime
import gzip
import os
import unittest

import test_guide_update as guide_e2e
from harness import E2ETestCase, children, press, wait_gone, wait_until, wait_window, windows, winauto, winpath
from test_channel_controls import save_png
from test_config_channels import globals_record, write_ini
from test_guide_update import MENU_BASE, MENU_SHOW_OSD, MENU_UPDATE_GUIDE, UPDATE, serve
from test_playback import ENGINE, Trace, start_relay
from test_recorder import LB_GETCOUNT, LB_SETCURSEL, LIST_BACKGROUND_RECORDING, LIST_MENU_BASE, QUESTION

USER_AGENT = 'StrevoTest/1.0 (Box; TV)'


def channel_list(relay):
    return ('#EXTM3U url-tvg="http://127.0.0.1/unused.xml.gz"\n'
            '\n'
            '#EXTINF:-1 tvg-id="perviy.ru" tvg-name="Первый" tvg-logo="http://127.0.0.1/1.png" '
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


@unittest.skipUnless(os.path.exists(ENGINE), 'the stand-in engine (libvlc.dll) is not built')
class TaggedChannelList(E2ETestCase):
    # The OSD as the guide update's scenarios read it.
    osd_texts = guide_e2e.GuideUpdate.osd_texts
    wait_osd = guide_e2e.GuideUpdate.wait_osd

    def test_user_agent_goes_to_the_engine_and_an_xmltv_guide_fills_the_osd(self):
        relay, _ = start_relay(self)
        guide = gzip.compress(xmltv('perviy.ru', 'Новости'))
        base, requests = serve(self, {'/epg.xml.gz': guide})
        inst = self.install()
        inst.enable_log()
        # A list fetched over HTTP always goes to port 80: the test's list is a file.
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


if __name__ == '__main__':
    unittest.main()

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
                                            int(winauto('send', w.hwnd, LB_GETCOUNT, 0, 0)[1].strip()) == 2], 20))
        listbox = [w for w in children(video) if w.cls == 'ListBox'
                   and int(winauto('send', w.hwnd, LB_GETCOUNT, 0, 0)[1].strip()) == 2][0]
        winauto('send', listbox.hwnd, LB_SETCURSEL, 0, 0)
        winauto('command', main, LIST_MENU_BASE + LIST_BACKGROUND_RECORDING)
        rec = wait_window('obj_Form', 'Background recording', 20)
        self.assertIsNotNone(rec, 'no recorder started')

        # The recorder's own target, at the head of its playlist.
        def recorder_add():
            return [l for l in trace.lines() if l.startswith('VLC_AddTarget') and first in l and l.endswith(' 12 0')]
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
