"""With the shipped English language file installed as Strevo.lng, nothing a
user sees in the main window, the video window, the settings pages and the
scheduler window stays Russian, on a Russian system (code page 1251) as on an
English one (1252): a walk over every window and control that reports the
texts with Cyrillic letters left. (Menus are walked in win_tests, which CTest
runs under both locales too: Wine keeps a menu's items in its own process.)"""
import re
import shutil
import unittest

from harness import E2ETestCase, children, wait_until, windows, winauto

MENU_BASE = 40000
MENU_SETTINGS = 51
MENU_SCHEDULER = 49
CYRILLIC = re.compile('[\u0400-\u04FF]')


class EnglishEverywhere(E2ETestCase):
    def test_no_cyrillic_left_on_a_russian_system(self):
        self.walk_everything(None)

    def test_no_cyrillic_left_on_an_english_system(self):
        self.walk_everything({'LC_ALL': 'en_US.UTF-8'})

    def walk_everything(self, env):
        inst = self.install()
        shutil.copy(inst.path('Strevo.lng.en'), inst.path('Strevo.lng'))
        _, main = self.start_player(inst, '/nologo', env=env)
        left = []

        def walk(top):
            # Hidden controls too: a page switch or a state change shows them.
            for w in [top] + children(top.hwnd):
                if CYRILLIC.search(w.text):
                    left.append('%s in %s: %r' % (w.cls, top.cls, w.text))

        for top in windows('StrevoMain') + windows('StrevoVideo'):
            walk(top)
        winauto('command', main, MENU_BASE + MENU_SETTINGS)
        self.assertTrue(wait_until(lambda: any(w.visible for w in windows('StrevoSettings')), 10))
        settings = windows('StrevoSettings')[0]
        walk(settings)
        about = [w.text for w in children(settings.hwnd) if w.cls == 'Edit' and 'Keyboard:' in w.text]
        self.assertTrue(about, 'the about text is not the English one')
        self.assertIn('  /exporttvg "folder" - export the TV guide to HTML\r\n', about[0])
        winauto('key', settings.hwnd, 0x1B)
        self.assertTrue(wait_until(lambda: not windows('StrevoSettings')[0].visible, 10))
        winauto('command', main, MENU_BASE + MENU_SCHEDULER)
        self.assertTrue(wait_until(lambda: any(w.visible for w in windows('StrevoScheduler')), 20))
        walk([w for w in windows('StrevoScheduler') if w.visible][0])

        self.assertEqual(left, [], 'Russian texts left under the English file:\n' + '\n'.join(left))


if __name__ == '__main__':
    unittest.main()
