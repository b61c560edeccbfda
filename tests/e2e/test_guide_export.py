"""The guide as HTML pages: "/exporttvg folder" writes a page per channel with
a guide, "empty.htm" and the index, with the day headings of the user's
(Russian) locale; the pages open in a browser; the "Для текущего канала"
command fills and hides the video window's guide list. A served XMLTV guide
(packed with gzip or xz, or in a ZIP), once an update has kept it, is what the
pages show."""
import datetime
import glob
import gzip
import io
import os
import shutil
import subprocess
import tempfile
import unittest
import zipfile

from harness import BUILD, PREFIX, E2ETestCase, children, wait_until, winauto, windows, winpath
from test_config_channels import globals_record
from test_guide_update import jtv, serve

MENU_BASE = 40000
MENU_GUIDE_CURRENT = 42
LB_GETCURSEL = 0x188
D = datetime.datetime
# The player's clock: the second channel's 00:30 programme, shown an hour
# earlier, is on air.
CLOCK = '2026-12-07T23:45:00'
CAPTION = 'Телепрограмма'
CHANNELS = [('Первый канал', 'http://127.0.0.1:9/one'), ('Кино & <HD>', 'http://127.0.0.1:9/two'),
            ('Без программы', 'http://127.0.0.1:9/three')]
GUIDES = {
    'First': [(D(2026, 12, 7, 22, 0), 'Вечерние новости'), (D(2026, 12, 8, 0, 30), 'Ночной фильм\\nЧасть 1'),
              (D(2026, 12, 8, 2, 0), 'Утро')],
    'Second': [(D(2026, 12, 7, 23, 0), 'Фильм <18+>'), (D(2026, 12, 8, 1, 0), 'Конец')],
}
MARK = ' style="color:HighlightText;background:Highlight;" id="curtr" '


def channel_record(mrl, guide, shift):
    return '%s|1|100|100|0|100|100|0|None|0||||||%s|%s|1|0|' % (mrl, guide, shift)


def page(exe, title, rows):
    """A channel page as the page format gives it; rows are headings (one
    text) or (mark, time, html text)."""
    out = ('<html><head><title>%s "%s"</title>\r\n' % (CAPTION, title) +
           '<META http-equiv="Content-Type" content="text/html; charset=UTF-8">\r\n'
           '<META http-equiv="MSThemeCompatible" Content="Yes">\r\n'
           '<HTA:APPLICATION id="jtvHTA" applicationName="%s %s" icon="%s" border="solid" borderStyle="normal" '
           'caption="yes" maximizeButton="no" minimizeButton="no"\r\n' % (CAPTION, title, exe) +
           ' showInTaskbar="no" windowState="normal" innerBorder="no" navigable="yes" scroll="none" scrollFlat="no" '
           'singleInstance="yes" sysMenu="yes" contextMenu="no" selection="yes" version="1.0"></head>\r\n'
           '<style>td {font-family:tahoma;font-size:8pt;} a {text-decoration:none;color:WindowText} '
           '.dt {text-align:right;width:40px;} .cnt {text-align:left;width:100%;}</style>\r\n'
           '<body style="color:WindowText;background:Window;margin:3px;border:none;background:ButtonFace;'
           'cursor:default;">\r\n'
           '<table border=0 cellspacing=0 cellpadding=2 style="width:100%;">\r\n'
           '<tr><td colspan=2 style="font-size:14pt;"><b>' + title + '</b></td></tr>\r\n')
    for row in rows:
        if isinstance(row, str):
            out += '<tr><td colspan=2 style="font-size:12pt;"><br><b>%s</b></td></tr>\r\n' % row
        else:
            out += ('<tr%s><td class=dt valign=top><b>%s&nbsp;</b></td><td class=cnt>%s</td></tr>\r\n' % row)
    return out + ('</table><script language="JavaScript">try{document.body.scrollTop=curtr.offsetTop;}'
                  'catch(ignore){}</script></body></html>')


def index(exe, links):
    return ('<html><head><title>%s</title>\r\n' % CAPTION +
            '<LINK rel="shortcut icon" href="tvg.ico">\r\n'
            '<META http-equiv="Content-Type" content="text/html; charset=UTF-8">\r\n'
            '<META http-equiv="MSThemeCompatible" Content="Yes">\r\n'
            '<HTA:APPLICATION id="jtvHTA" applicationName="%s" icon="%s" border="solid" borderStyle="normal" '
            'caption="yes"\r\n' % (CAPTION, exe) +
            ' maximizeButton="yes" minimizeButton="yes" showInTaskbar="yes" \r\n'
            ' windowState="normal" innerBorder="no" navigable="yes" scroll="none" scrollFlat="no" '
            'singleInstance="yes" sysMenu="yes" contextMenu="no" selection="yes" version="1.0"></head>\r\n'
            '<style>td {font-family:tahoma;font-size:8pt;} a {text-decoration:none;color:WindowText}</style>\r\n'
            '<body style="color:WindowText;background:Window;margin:0px;padding:0px;border:none;'
            'background:ButtonFace;cursor:default;" scroll="no">\r\n'
            '<table border=0 cellspacing=0 cellpadding=0 style="width:100%;height:100%;">\r\n'
            '<tr><td style="font-size:14pt;width:170px;">&nbsp;<b>' + CAPTION +
            '<br>&nbsp;<span style="font-size:10pt;" id="cnm"></span></b></td>\r\n'
            '<td rowspan=2><iframe src="empty.htm" frameborder=0 name=ifr style="width:100%;height:100%;'
            'border-left:1px solid ButtonShadow;"></iframe></td></tr>\r\n'
            '<tr><td style="padding-left:20px;height:100%;" valign="top"><div style="height:100%;overflow:auto;">' +
            ''.join('<a target="ifr" onclick="cnm.innerHTML=this.innerHTML;" href="%d.htm">&raquo %s</a><br>' % link
                    for link in links) +
            '</div></td></tr>\r\n</table></body></html>')


# Local wall-clock times of the XMLTV guide: {channel id: (display name, [(start, stop, title)])}.
XMLTV = {
    'first.tv': ('First', [(D(2026, 12, 7, 22, 0), D(2026, 12, 8, 0, 30), 'Вечер XML'),
                           (D(2026, 12, 8, 0, 30), D(2026, 12, 8, 2, 0), 'Ночь <![CDATA[& день]]>'),
                           (D(2026, 12, 8, 2, 0), D(2026, 12, 8, 3, 0), 'Утро XML')]),
    'kino': ('КИНО &amp; &lt;HD&gt;', [(D(2026, 12, 7, 23, 0), D(2026, 12, 8, 0, 0), 'Фильм &lt;18+&gt; &amp; co'),
                                       (D(2026, 12, 8, 1, 0), D(2026, 12, 8, 2, 0), 'Конец XML')]),
}


def xmltv_time(local):
    """A local wall-clock time as XMLTV writes it in another zone (+0300)."""
    return local.astimezone().astimezone(datetime.timezone(datetime.timedelta(hours=3))).strftime('%Y%m%d%H%M%S %z')


def xmltv_document():
    out = ['<?xml version="1.0" encoding="UTF-8"?>', '<tv generator-info-name="test">']
    out += ['<channel id="%s"><display-name>%s</display-name></channel>' % (i, c[0]) for i, c in XMLTV.items()]
    for channel_id, (_, programmes) in XMLTV.items():
        out += ['<programme start="%s" stop="%s" channel="%s"><title lang="ru">%s</title><desc>x</desc></programme>' %
                (xmltv_time(start), xmltv_time(stop), channel_id, title) for start, stop, title in programmes]
    return ('\n'.join(out + ['</tv>'])).encode('utf-8')


MONDAY = 'понедельник 07 декабря 2026 г.'
TUESDAY = 'вторник 08 декабря 2026 г.'


def first_page(exe):
    return page(exe, 'Первый канал', [MONDAY, ('', '21:00', 'Вечерние новости'),
                                      (MARK, '23:30', 'Ночной фильм<br>Часть 1'), TUESDAY,
                                      (' ', '01:00', 'Утро')])


class GuideExport(E2ETestCase):
    def prepare(self):
        inst = self.install()
        with open(inst.path('channels.m3u8'), 'w', encoding='cp1251', newline='\r\n') as f:
            f.write('#EXTM3U\n' + ''.join('#EXTINF:0,%s\n%s\n' % c for c in CHANNELS))
        with open(inst.sibling('.ini'), 'w', encoding='cp1251', newline='\r\n') as f:
            f.write(globals_record(winpath(inst.path('channels.m3u8')), f10=CHANNELS[0][1]) + '\n')
            f.write(channel_record(CHANNELS[0][1], 'First', -1) + '\n')
            f.write(channel_record(CHANNELS[1][1], 'Second', 0) + '\n')
        for name, programmes in GUIDES.items():
            ndx, pdt = jtv(programmes)
            with open(inst.path('TVGuide', name + '.ndx'), 'wb') as f:
                f.write(ndx)
            with open(inst.path('TVGuide', name + '.pdt'), 'wb') as f:
                f.write(pdt)
        return inst

    def export(self, inst, folder):
        proc = self.start(inst, '/exporttvg', winpath(folder), env={'STREVO_CLOCK': CLOCK})
        self.assertEqual(self.wait_exit(proc, 60), 0)

    def test_exporttvg_writes_the_pages_of_the_channels_with_a_guide(self):
        inst = self.prepare()
        out = inst.path('pages')
        os.makedirs(out)
        # A page left by an earlier export stays and keeps its link.
        with open(os.path.join(out, '3.htm'), 'wb') as f:
            f.write(b'<html>older</html>')
        self.export(inst, out)
        exe = winpath(inst.exe)
        written = {name: open(os.path.join(out, name), 'rb').read() for name in os.listdir(out)}
        self.assertEqual(sorted(written), ['1.htm', '2.htm', '3.htm', 'empty.htm', 'index.htm'])
        self.assertEqual(written['empty.htm'], b'<html><body style="background:ButtonFace;"></body></html>')
        self.assertEqual(written['1.htm'], first_page(exe).encode('utf-8'))
        self.assertEqual(written['2.htm'].decode('utf-8'),
                         page(exe, 'Кино &amp; &lt;HD&gt;', [MONDAY, (MARK, '23:00', 'Фильм &lt;18+&gt;'), TUESDAY,
                                                             (' ', '01:00', 'Конец')]))
        self.assertEqual(written['3.htm'], b'<html>older</html>')
        self.assertEqual(written['index.htm'].decode('utf-8'),
                         index(exe, [(1, 'Первый канал'), (2, 'Кино &amp; &lt;HD&gt;'), (3, 'Без программы')]))
        self.show_in_browser(out)

        # A folder that does not exist: nothing is written anywhere.
        self.export(inst, inst.path('missing'))
        self.assertFalse(os.path.exists(inst.path('missing')))
        self.assertEqual(sorted(os.listdir(out)), sorted(written))

    def test_an_xmltv_guide_kept_by_the_update_gives_the_pages(self):
        # The channels' records name "First" and "Second", whose guide files
        # are there too: the XMLTV programmes come first. The first channel is
        # matched by its record's guide name (and keeps its -1 h correction),
        # the second by its title; the third has no guide of either kind.
        # Providers serve it packed with gzip or xz, or as a ZIP of one document.
        document = xmltv_document()
        zipped = io.BytesIO()
        with zipfile.ZipFile(zipped, 'w', zipfile.ZIP_DEFLATED) as z:
            z.writestr('xmltv.xml', document)
        xz = subprocess.run(['xz', '-c', '-6', '--check=crc64'], input=document, stdout=subprocess.PIPE,
                            check=True).stdout
        served = {'/tv.xml.gz': gzip.compress(document), '/tv.xml.xz': xz, '/tv.zip': zipped.getvalue()}
        base, requests = serve(self, served)
        inst = self.prepare()
        exe = winpath(inst.exe)
        for name in served:
            with self.subTest(name):
                with open(inst.sibling('.ini'), 'w', encoding='cp1251', newline='\r\n') as f:
                    f.write(globals_record(winpath(inst.path('channels.m3u8')), f10=CHANNELS[0][1],
                                           f27=base + name) + '\n')
                    f.write(channel_record(CHANNELS[0][1], 'First', -1) + '\n')
                    f.write(channel_record(CHANNELS[1][1], 'Second', 0) + '\n')
                # What an earlier packing left must not stand in for this one.
                if os.path.exists(inst.path('TVGuide', 'xmltv.xml')):
                    os.remove(inst.path('TVGuide', 'xmltv.xml'))
                del requests[:]
                proc = self.start(inst, '/updatetvg')
                self.assertEqual(self.wait_exit(proc, 60), 0)
                self.assertEqual(requests, [name])
                with open(inst.path('TVGuide', 'xmltv.xml'), 'rb') as f:
                    self.assertEqual(f.read(), document)

                out = inst.path('pages' + name.replace('/', '-'))
                os.makedirs(out)
                self.export(inst, out)
                written = {}
                for n in os.listdir(out):
                    with open(os.path.join(out, n), 'rb') as f:
                        written[n] = f.read().decode('utf-8')
                self.assertEqual(sorted(written), ['1.htm', '2.htm', 'empty.htm', 'index.htm'])
                # Stop times mark ends, not programmes: no row for them.
                self.assertEqual(written['1.htm'], page(exe, 'Первый канал', [
                    MONDAY, ('', '21:00', 'Вечер XML'), (MARK, '23:30', 'Ночь &amp; день'), TUESDAY,
                    (' ', '01:00', 'Утро XML')]))
                self.assertEqual(written['2.htm'], page(exe, 'Кино &amp; &lt;HD&gt;', [
                    MONDAY, (MARK, '23:00', 'Фильм &lt;18+&gt; &amp; co'), TUESDAY, (' ', '01:00', 'Конец XML')]))
                self.assertEqual(written['index.htm'],
                                 index(exe, [(1, 'Первый канал'), (2, 'Кино &amp; &lt;HD&gt;')]))

    def show_in_browser(self, out):
        """Opens the index in headless Chromium, follows the first channel's
        link into the frame, and saves the screenshot."""
        chromium = shutil.which('chromium')
        self.assertIsNotNone(chromium, 'chromium is missing: scripts/setup installs it')
        work = tempfile.mkdtemp(prefix='strevo-export-')
        self.addCleanup(shutil.rmtree, work, True)
        view = os.path.join(out, 'view.htm')
        with open(view, 'w', encoding='utf-8') as f:
            f.write('<html><body style="margin:0"><iframe id=v src="index.htm" style="border:0;width:100%;height:100%">'
                    '</iframe><script>v.onload=function(){var d=v.contentDocument;d.links[0].click();'
                    'setTimeout(function(){document.title="shown:"+d.getElementById("cnm").innerHTML+":"+'
                    'v.contentWindow.frames[0].document.title;},300);};</script></body></html>')
        flags = ['--headless=new', '--no-sandbox', '--disable-gpu', '--allow-file-access-from-files',
                 '--user-data-dir=' + work, '--virtual-time-budget=3000', '--window-size=900,420']
        dom = subprocess.run([chromium] + flags + ['--dump-dom', 'file://' + view], capture_output=True,
                             timeout=120).stdout.decode('utf-8')
        # The link set the channel's name over the list, and the frame holds its page.
        self.assertIn('<title>shown:» Первый канал:%s "Первый канал"</title>' % CAPTION, dom)
        shot = os.path.join(BUILD, 'e2e', 'guide-export.png')
        if os.path.exists(shot):
            os.remove(shot)
        subprocess.run([chromium] + flags + ['--screenshot=' + shot, 'file://' + view], capture_output=True,
                       timeout=120)
        os.remove(view)
        self.assertTrue(os.path.getsize(shot) > 1000, 'no screenshot')

    def test_guide_list_shows_the_current_channel_and_hides_again(self):
        inst = self.prepare()
        proc, main = self.start_player(inst, '/nologo', env={'STREVO_CLOCK': CLOCK})
        video = wait_until(lambda: [w for w in children(main) if w.cls == 'StrevoVideo'] or windows('StrevoVideo'), 10)
        self.assertTrue(video)
        video = video[0].hwnd

        def lists():
            return [w for w in children(video) if w.cls.lower() == 'listbox']
        before = {w.hwnd for w in lists() if w.visible}
        winauto('command', main, MENU_BASE + MENU_GUIDE_CURRENT)
        shown = wait_until(lambda: [w for w in lists() if w.visible and w.hwnd not in before], 15)
        self.assertTrue(shown, lists())
        box = shown[0].hwnd
        _, items = winauto('items', box)
        self.assertEqual(items.splitlines(),
                         ['', ' ' + MONDAY, '', '   21:00  Вечерние новости', '   23:30  Ночной фильм Часть 1', '',
                          ' ' + TUESDAY, '', '   01:00  Утро'])
        _, selected = winauto('send', box, LB_GETCURSEL, 0, 0)
        self.assertEqual(selected.strip(), '4')
        # The page went to the temporary folder as well.
        hta = glob.glob(os.path.join(PREFIX, 'drive_c', 'users', '*', '**', 'Strevo.Tmp', 'TVGuide.hta'),
                        recursive=True)
        self.assertEqual(len(hta), 1, hta)
        with open(hta[0], 'rb') as f:
            self.assertEqual(f.read(), first_page(winpath(inst.exe)).encode('utf-8'))

        winauto('command', main, MENU_BASE + MENU_GUIDE_CURRENT)
        self.assertTrue(wait_until(lambda: not [w for w in lists() if w.hwnd == box and w.visible], 10))
        _, items = winauto('items', box)
        self.assertEqual(items, '')
        winauto('close', main)
        self.assertEqual(self.wait_exit(proc, 30), 0)


if __name__ == '__main__':
    unittest.main()
