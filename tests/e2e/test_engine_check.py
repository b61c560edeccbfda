"""Starting without the engine library: the three-way question, "Нет" going
on in DirectShow mode for good, "Да" installing the served components into
"Vlc\\" and starting with them, "Отмена" ending with the configuration as it was."""
import io
import os
import unittest
import zipfile

from harness import RUN_DIR, E2ETestCase, children, press, wait_until, wait_window, windows, winauto
from test_guide_update import serve

ENGINE = os.path.join(RUN_DIR, 'libvlc.dll')
QUESTION = ('Модуль LibVLC не может быть загружен!\r\rВарианты :\r'
            '   ДА - Загрузить только необходимые модули (LibVLC и плагины) и установить их в папку плеера\r'
            '   НЕТ - Перейти в режим работы с Dire\u0441tShow и продолжить\r'
            '   ОТМЕНА - Ничего не делать\r')


@unittest.skipUnless(os.path.exists(ENGINE), 'the stand-in engine (libvlc.dll) is not built')
class EngineCheck(E2ETestCase):
    def without_engine(self, config=b'?Globals|15|15|\r\n'):
        inst = self.install()
        inst.enable_log()
        for name in os.listdir(inst.dir):
            if name.lower() == 'libvlc.dll':
                os.remove(inst.path(name))
        with open(inst.sibling('.ini'), 'wb') as f:
            f.write(config)
        return inst

    def answer(self, inst, *buttons):
        proc = self.start(inst, '/nologo')
        box = wait_window('#32770', 'Strevo', 30)
        self.assertIsNotNone(box, 'the engine question never came')
        # Wine's message box keeps the text in a static control of its own.
        texts = [w.text for w in children(box)]
        self.assertIn(QUESTION.replace('\r', '\n').rstrip('\n'), [t.replace('\r', '\n').rstrip('\n') for t in texts],
                      texts)
        self.assertTrue(press(box, *buttons), [w.text for w in children(box)])
        return proc

    def close(self, proc):
        main = windows('StrevoMain', 'Strevo')[0].hwnd
        winauto('close', main)
        self.assertEqual(self.wait_exit(proc, 30), 0)

    def test_no_goes_on_in_directshow_mode_and_marks_it(self):
        inst = self.without_engine()
        proc = self.answer(inst, 'Нет', 'No')
        self.assertTrue(wait_until(lambda: 'form created' in inst.log_messages(), 30), inst.log_messages())
        self.assertTrue(os.path.exists(inst.sibling('.dx')))
        log = inst.log_messages()
        self.assertIn('switched to dx', log)
        self.assertIn('coinit - usedx', log)
        self.assertNotIn('vlc checked', log)
        self.assertNotIn('dx playback not available', log)
        # The engine's panel, made before the question, does not cover the DirectShow picture.
        inside = [w for top in windows('StrevoMain', 'Strevo') + windows('StrevoVideo', 'Strevo')
                  for w in children(top.hwnd)]
        self.assertTrue([w for w in inside if w.cls == 'StrevoDirectShowHost' and w.visible])
        self.assertFalse([w for w in inside if w.cls == 'StrevoEngineHost' and w.visible],
                         'the engine panel lies over the DirectShow panel')
        self.close(proc)
        # The next start asks nothing.
        proc = self.start(inst, '/nologo')
        self.assertTrue(wait_until(lambda: inst.log_messages().count('form created') == 2, 30))
        self.assertFalse(windows('#32770', 'Strevo'))
        self.close(proc)

    def test_yes_installs_the_served_components_and_starts_with_them(self):
        setup = io.BytesIO()
        with zipfile.ZipFile(setup, 'w', zipfile.ZIP_DEFLATED) as z:
            z.write(ENGINE, 'libvlc.dll')
            z.writestr('plugins/readme.txt', 'plug-ins go here')
        # First a damaged archive: its second entry's data does not match its CRC.
        damaged = bytearray(setup.getvalue())
        at = damaged.find(b'plugins/readme.txt') + len('plugins/readme.txt')
        damaged[at + 2] ^= 0xFF
        bodies = {'/Setup.zip': bytes(damaged)}
        base, requests = serve(self, bodies)
        inst = self.without_engine(('?Globals|15|15|\r\n?Components|%s/Setup.zip|\r\n' % base).encode('cp1251'))
        os.makedirs(inst.path('Vlc', 'plugins'))
        with open(inst.path('Vlc', 'plugins', 'readme.txt'), 'w') as f:
            f.write('the one that was there')
        proc = self.answer(inst, 'Да', 'Yes')
        # Nothing was installed, nothing that was there is lost, and the question comes back.
        self.assertTrue(wait_until(lambda: [m for m in inst.log_messages() if m.startswith('components not installed')],
                                   30), inst.log_messages())
        self.assertNotIn('downloaded and installed components', inst.log_messages())
        box = wait_window('#32770', 'Strevo', 30)
        self.assertIsNotNone(box, 'the question did not come back after a failed download')
        self.assertFalse(os.path.exists(inst.path('Vlc', 'libvlc.dll')))
        with open(inst.path('Vlc', 'plugins', 'readme.txt')) as f:
            self.assertEqual(f.read(), 'the one that was there')
        bodies['/Setup.zip'] = setup.getvalue()
        self.assertTrue(press(box, 'Да', 'Yes'))
        self.assertTrue(wait_until(lambda: 'form created' in inst.log_messages(), 30), inst.log_messages())
        self.assertEqual(requests, ['/Setup.zip', '/Setup.zip'])
        with open(ENGINE, 'rb') as a, open(inst.path('Vlc', 'libvlc.dll'), 'rb') as b:
            self.assertEqual(a.read(), b.read())
        self.assertTrue(os.path.exists(inst.path('Vlc', 'plugins', 'readme.txt')))
        log = inst.log_messages()
        self.assertIn('downloaded and installed components', log)
        self.assertIn('vlc checked', log)
        self.assertFalse(os.path.exists(inst.sibling('.dx')))
        self.close(proc)

    def test_cancel_ends_and_leaves_the_configuration_as_it_was(self):
        config = '?Globals|15|15|\r\nhttp://x/1|1|100|\r\n'.encode('cp1251')
        inst = self.without_engine(config)
        proc = self.answer(inst, 'Отмена', 'Cancel')
        self.assertEqual(self.wait_exit(proc, 30), 0)
        with open(inst.sibling('.ini'), 'rb') as f:
            self.assertEqual(f.read(), config)
        self.assertEqual(inst.log_messages()[-2:], ['halt now - novlc', '------------------------------------'])
        self.assertFalse(os.path.exists(inst.sibling('.dx')))


if __name__ == '__main__':
    unittest.main()
