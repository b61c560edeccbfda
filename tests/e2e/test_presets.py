"""The preset installer ("/preconf") answered through window messages: it
asks, lists the presets of a served archive and puts the chosen one in place
of the configuration file."""
import io
import os
import threading
import unittest
import zipfile

from harness import E2ETestCase, children, press, wait_until, wait_window, windows, winauto
from test_channel_controls import save_png
from test_guide_update import serve

QUESTION = 'Загрузить список предустановок провайдеров IPTV с сайта программы?'


def preset(name, playlist):
    return ('PRESET:%s|\r\n?Globals|15|15|70|420|5|360|288|0|1|?|50|0||0|C:\\|||||||||%s|\r\n' %
            (name, playlist)).encode('cp1251')


class PresetInstaller(E2ETestCase):
    def asking(self, base):
        """An installation whose presets come from `base`, started and asking."""
        inst = self.install()
        old = ('?Globals|15|15|\r\n?Presets|%s/presets.zip|\r\n' % base).encode('cp1251')
        with open(inst.sibling('.ini'), 'wb') as f:
            f.write(old)
        proc = self.start(inst, '/preconf')
        box = wait_window('#32770', 'Strevo', 30)
        self.assertIsNotNone(box, 'no question was asked')
        self.assertIn(QUESTION, [w.text for w in children(box)])
        return inst, old, proc, box

    def test_preset_one_replaces_the_configuration(self):
        # A provider's file that would choose where the engine's code is fetched from.
        evil = b'?Components|http://127.0.0.1:9/Setup.zip|\r\n'
        presets = {'1.ini': preset('Первый провайдер', 'http://one/list.m3u') + evil,
                   '2.ini': preset('Second', 'http://two/list.m3u'),
                   'readme.txt': b'not a preset'}
        archive = io.BytesIO()
        with zipfile.ZipFile(archive, 'w', zipfile.ZIP_DEFLATED) as z:
            for name, data in presets.items():
                z.writestr(name, data)
        base, requests = serve(self, {'/presets.zip': archive.getvalue()})
        inst, old, proc, box = self.asking(base)
        self.assertTrue(press(box, 'Да', 'Yes'))

        dialog = wait_window('StrevoPresets', 'Выбор предустановки', 30)
        self.assertIsNotNone(dialog, 'the preset list never showed')
        self.assertEqual(requests, ['/presets.zip'])
        kids = children(dialog)
        self.assertEqual([w.text for w in kids if w.cls.lower() == 'button'], ['OK'])
        with open(inst.sibling('.ini'), 'rb') as f:
            self.assertEqual(f.read(), old, 'the configuration changed before a preset was chosen')
        save_png('preset-dialog')
        winauto('click', [w for w in kids if w.cls.lower() == 'button'][0].hwnd)

        self.assertEqual(self.wait_exit(proc, 30), 0)
        # The preset without its address record; the installation's own presets address is kept.
        installed = preset('Первый провайдер', 'http://one/list.m3u') + old.split(b'\r\n', 1)[1]
        with open(inst.sibling('.ini'), 'rb') as f:
            self.assertEqual(f.read(), installed)
        with open(inst.sibling('.ini') + '.bak', 'rb') as f:
            self.assertEqual(f.read(), old, 'the replaced configuration was not kept')
        self.assertFalse(os.path.exists(inst.sibling('.PreConf')))

        # Closing the list installs nothing.
        proc = self.start(inst, '/preconf')
        box = wait_window('#32770', 'Strevo', 30)
        self.assertIsNotNone(box, 'no question was asked')
        self.assertTrue(press(box, 'Да', 'Yes'))
        dialog = wait_window('StrevoPresets', 'Выбор предустановки', 30)
        self.assertIsNotNone(dialog, 'the preset list never showed')
        winauto('close', dialog)
        self.assertEqual(self.wait_exit(proc, 30), 0)
        with open(inst.sibling('.ini'), 'rb') as f:
            self.assertEqual(f.read(), installed, 'closing the list installed a preset')

    def test_the_list_shows_during_the_download_and_no_close_saves_or_installs(self):
        archive = io.BytesIO()
        with zipfile.ZipFile(archive, 'w', zipfile.ZIP_DEFLATED) as z:
            z.writestr('0.ini', preset('Провайдер', 'http://one/list.m3u') + os.urandom(60000))
        # The archive's last piece waits until the test lets it go.
        gate = threading.Event()
        self.addCleanup(gate.set)
        base, requests = serve(self, {'/presets.zip': archive.getvalue()}, slow=('/presets.zip',), gate=gate)
        inst, old, proc, box = self.asking(base)
        self.assertTrue(press(box, 'Да', 'Yes'))
        dialog = wait_window('StrevoPresets', 'Выбор предустановки', 30)
        self.assertIsNotNone(dialog, 'the preset list did not show while the archive downloaded')
        self.assertTrue(wait_until(lambda: requests == ['/presets.zip'], 5), requests)
        listbox = [w for w in children(dialog) if w.cls.lower() == 'listbox'][0]
        self.assertEqual(winauto('items', listbox.hwnd)[1].strip(), '', 'the list was filled before the download ended')
        # The main window (and its tray icon's exit) exist here: a close sent to
        # it must neither save its unread configuration over the file nor end
        # the installer.
        mains = windows('StrevoMain')
        self.assertTrue(mains, 'no main window to close')
        for main in mains:
            winauto('close', main.hwnd)
        winauto('close', dialog)
        gate.set()
        self.assertEqual(self.wait_exit(proc, 30), 0)
        with open(inst.sibling('.ini'), 'rb') as f:
            self.assertEqual(f.read(), old, 'a close during the installer changed the configuration')
        self.assertFalse(os.path.exists(inst.sibling('.ini') + '.bak'))
        self.assertFalse(os.path.exists(inst.sibling('.PreConf')))

    def test_no_keeps_the_configuration_and_asks_nothing_of_the_server(self):
        base, requests = serve(self, {})
        inst, old, proc, box = self.asking(base)
        self.assertTrue(press(box, 'Нет', 'No'))
        self.assertEqual(self.wait_exit(proc, 30), 0)
        self.assertEqual(requests, [])
        with open(inst.sibling('.ini'), 'rb') as f:
            self.assertEqual(f.read(), old)
        self.assertFalse(windows('StrevoMain'))


if __name__ == '__main__':
    unittest.main()
