"""The player's windows: settings window, docking, interface translation."""
import shutil
import unittest

from harness import E2ETestCase, children, press, wait_until, wait_window, windows, winauto

MENU_BASE = 40000
MENU_SETTINGS = 51


def settings_controls(frm):
    return {w.text: w for w in children(frm)}


class SettingsWindow(E2ETestCase):
    def open_settings(self, main):
        winauto('command', main, MENU_BASE + MENU_SETTINGS)
        self.assertTrue(wait_until(lambda: any(w.visible for w in windows('StrevoSettings')), 10))
        return windows('StrevoSettings')[0]

    def test_pages_and_closing(self):
        inst = self.install()
        _, main = self.start_player(inst, '/nologo')
        frm = self.open_settings(main)
        self.assertEqual(frm.text, 'Настройки')
        texts = [w.text for w in children(frm.hwnd)]
        for expected in ('Общие', 'Дополнительно', 'Канал', 'О программе', 'Применить', 'Закрыть',
                         'Загрузить преднастройку из списка провайдеров', 'Видео в отдельном окне', 'Моно звук',
                         'Цветокоррекция', 'Дом. страница'):
            self.assertIn(expected, texts)
        about = [w.text for w in children(frm.hwnd) if w.cls == 'Edit' and 'Клавиатура:' in w.text]
        self.assertTrue(about, 'no about text')
        self.assertRegex(about[0], r'^Strevo v\S+ \(\d\d\.\d\d\.\d{4}\)\r\n')
        self.assertIn('  /exporttvg "папка" - экспорт телепрограммы в HTML\r\n\r\nWorking with: VideoLAN LibVLC v', about[0])
        self.assertNotIn('0.9.0', about[0])
        # "Закрыть" hides the window; the player keeps running.
        self.assertTrue(press(frm.hwnd, 'Закрыть'))
        self.assertTrue(wait_until(lambda: not windows('StrevoSettings')[0].visible, 10))
        # Escape hides it too.
        frm = self.open_settings(main)
        winauto('key', frm.hwnd, 0x1B)
        self.assertTrue(wait_until(lambda: not windows('StrevoSettings')[0].visible, 10))

    def test_english_language_file(self):
        inst = self.install()
        shutil.copy(inst.path('Strevo.lng.en'), inst.path('Strevo.lng'))
        _, main = self.start_player(inst, '/nologo')
        frm = self.open_settings(main)
        self.assertEqual(frm.text, 'Settings')
        texts = [w.text for w in children(frm.hwnd)]
        for expected in ('General', 'Advanced', 'Channel', 'About', 'Apply', 'Close', 'Video in a separate window',
                         'Mono sound', 'Load a preset from the list of providers'):
            self.assertIn(expected, texts)
        # Choice lists are items of the page's children: they keep their built-in texts.
        self.assertNotIn('Общие', texts)


class Docking(E2ETestCase):
    def test_dock_button_undocks_and_docks_again(self):
        inst = self.install()
        _, main = self.start_player(inst, '/nologo')
        self.assertEqual(windows('StrevoVideo'), [], 'the video starts docked inside the main window')
        dock = [w for w in children(main) if w.cls == 'Button'][1]
        winauto('click', dock.hwnd)
        self.assertTrue(wait_until(lambda: len(windows('StrevoVideo', 'Strevo')) == 1, 10))
        video = windows('StrevoVideo', 'Strevo')[0]
        panel = windows('StrevoMain', 'Strevo')[0]
        self.assertEqual(panel.y, video.y + video.h, 'the control panel sits right below the video')
        winauto('click', dock.hwnd)
        self.assertTrue(wait_until(lambda: windows('StrevoVideo') == [], 10))


if __name__ == '__main__':
    unittest.main()
