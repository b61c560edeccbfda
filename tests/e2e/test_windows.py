"""The player's windows: settings window (the channel list's address typed
and fetched), docking, interface translation, the tray icon that stands in
for hidden windows and a second start that brings them back."""
import shutil
import unittest

from harness import E2ETestCase, children, fake_notification_area, press, wait_until, wait_window, windows, winauto
from test_config_channels import LIST, NEW_LIST, ListServer, read_ini
from test_view import save_windows_png

MENU_BASE = 40000
MENU_SETTINGS, MENU_TO_TRAY = 51, 53
LIST_SOURCE, REFRESH_LIST, REFRESH_GUIDE = 1102, 1104, 1107
MINIMISE, GRIP = 2004, 2111
WM_MOUSEWHEEL, MK_SHIFT = 0x20A, 0x4
CB_SETCURSEL, WM_COMMAND, CBN_SELCHANGE = 0x14E, 0x111, 1


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

    def fetched(self, inst, server, path, count):
        """Presses OK in the message that says the list came, after checking it
        names the address; the list box then holds `count` channels."""
        box = wait_window('#32770', 'Strevo', 30)
        self.assertIsNotNone(box, 'no message that the list came')
        texts = ' '.join(w.text for w in children(box) if w.cls.lower() == 'static')
        address = 'http://127.0.0.1:%d%s' % (server.httpd.server_address[1], path)
        self.assertIn('"%s"' % address, texts)
        self.assertTrue(press(box, 'OK', 'ОК'))
        self.assertEqual(server.requests[-1][1], path)
        self.assertTrue(wait_until(lambda: 'reloadplaylist done =%dch, utf=0' % count in inst.log_messages(), 10),
                        inst.log_messages()[-5:])

    def test_a_new_user_types_the_list_address_and_gets_the_list_at_once(self):
        server = ListServer(0)
        self.addCleanup(server.stop)
        base = 'http://127.0.0.1:%d' % server.httpd.server_address[1]
        inst = self.install()
        inst.enable_log()
        proc, main = self.start_player(inst, '/nologo')
        self.assertTrue(wait_until(lambda: 'form created' in inst.log_messages(), 30))
        frm = self.open_settings(main).hwnd
        box = winauto('child', frm, LIST_SOURCE)[1].strip()
        typed = [w for w in children(box) if w.cls.lower() == 'edit']
        self.assertTrue(typed, 'the list-source box takes no typed address')
        edit = typed[0].hwnd
        # The refresh buttons say what they do.
        for ident, tip in ((REFRESH_LIST, 'Обновить список каналов'), (REFRESH_GUIDE, 'Обновить телепрограмму')):
            self.assertEqual(winauto('tip', winauto('child', frm, ident)[1].strip())[1].strip(), tip)

        # Typed and applied: fetched at once, without a restart.
        tab = [w for w in children(frm) if w.cls.lower() == 'systabcontrol32'][0]
        winauto('clickat', tab.x + 25, tab.y + 10)
        winauto('settext', edit, base + '/first.m3u')
        if wait_until(lambda: [w for w in children(frm) if w.hwnd == box and w.visible], 5):
            save_windows_png('settings-list-address', frm)
        self.assertTrue(press(frm, 'Применить'))
        self.fetched(inst, server, '/first.m3u', 3)
        # The refresh button fetches it again.
        server.body = NEW_LIST
        winauto('click', winauto('child', frm, REFRESH_LIST)[1].strip())
        self.fetched(inst, server, '/first.m3u', 1)
        self.assertEqual(len(server.requests), 2)
        # Applying again without a change fetches nothing.
        self.assertTrue(press(frm, 'Применить'))
        self.assertIsNone(wait_window('#32770', 'Strevo', 3), 'the same address was fetched again')
        self.assertEqual(len(server.requests), 2)
        # "Указать адрес списка каналов..." puts the start of an address in the box to type on from.
        page = [w for w in children(frm) if w.cls == 'StrevoSettingsPage' and w.text == 'Общие'][0].hwnd
        winauto('send', box, CB_SETCURSEL, 2, 0)
        winauto('post', page, WM_COMMAND, (CBN_SELCHANGE << 16) | LIST_SOURCE, int(box, 16))
        self.assertTrue(wait_until(lambda: winauto('text', edit)[1].strip() == 'http://', 10),
                        winauto('text', edit)[1])
        # Typed, and the window closed: that is enough too.
        server.body = LIST
        winauto('settext', edit, base + '/second.m3u')
        self.assertTrue(press(frm, 'Закрыть'))
        self.fetched(inst, server, '/second.m3u', 3)
        self.assertEqual(len(server.requests), 3)
        self.assertIn('cbopers changed to "%s/second.m3u"' % base, inst.log_messages())
        winauto('close', main)
        self.assertEqual(self.wait_exit(proc, 30), 0)
        record = [line for line in read_ini(inst) if line.startswith('?Globals|')]
        self.assertEqual(record[0].split('|')[24], base + '/second.m3u')

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
    def rect(self, hwnd):
        return tuple(int(v) for v in winauto('rect', hwnd)[1].split())

    def drag_grip(self, main, dx, dy):
        x, y, w, h = self.rect(winauto('child', main, GRIP)[1].strip())
        winauto('dragat', x + w // 2, y + h // 2, dx, dy)

    def test_dock_button_undocks_and_docks_again_and_the_grip_resizes(self):
        inst = self.install()
        _, main = self.start_player(inst, '/nologo')
        self.assertEqual(windows('StrevoVideo'), [], 'the video starts docked inside the main window')
        # Docked, the grip in the panel's corner sizes the panel, and the video in it.
        before = self.rect(main)
        self.drag_grip(main, 40, 30)
        grown = before[:2] + (before[2] + 40, before[3] + 30)
        self.assertTrue(wait_until(lambda: self.rect(main) == grown, 10), (self.rect(main), grown))
        dock = [w for w in children(main) if w.cls == 'Button'][1]
        winauto('click', dock.hwnd)
        self.assertTrue(wait_until(lambda: len(windows('StrevoVideo', 'Strevo')) == 1, 10))
        video = windows('StrevoVideo', 'Strevo')[0]
        panel = windows('StrevoMain', 'Strevo')[0]
        self.assertEqual(panel.y, video.y + video.h, 'the control panel sits right below the video')
        # Made larger by Shift and the wheel, which moves it too, the video window
        # takes the panel along, right below it at the same offset.
        under, (x, y, w, h) = self.rect(main), self.rect(video.hwnd)
        winauto('post', video.hwnd, WM_MOUSEWHEEL, (120 << 16) | MK_SHIFT, 0)
        moved = wait_until(lambda: (lambda r: r if r[2] > w else None)(self.rect(video.hwnd)), 10)
        self.assertTrue(moved, 'the video window did not grow')
        self.assertTrue(wait_until(lambda: self.rect(main) == (under[0] + moved[0] - x, moved[1] + moved[3]) + under[2:],
                                   10), 'the panel stayed behind: %s, the video at %s' % (self.rect(main), moved))
        # Undocked, the grip sizes the video window; the panel keeps right below it.
        under = self.rect(main)
        self.drag_grip(main, 30, 20)
        grown = moved[:2] + (moved[2] + 30, moved[3] + 20)
        self.assertTrue(wait_until(lambda: self.rect(video.hwnd) == grown, 10), (self.rect(video.hwnd), grown))
        self.assertTrue(wait_until(lambda: self.rect(main) == (under[0], under[1] + 20) + under[2:], 10),
                        'the panel stayed behind: %s' % (self.rect(main),))
        # "Свернуть" takes the free video window down with the panel, and
        # the panel restored brings it back.
        winauto('click', winauto('child', main, MINIMISE)[1].strip())
        self.assertTrue(wait_until(lambda: winauto('iconic', main)[0] == 0, 10), 'the panel did not go down')
        self.assertTrue(wait_until(lambda: winauto('iconic', video.hwnd)[0] == 0, 10),
                        'the free video window stayed up')
        winauto('show', main, 9)
        self.assertTrue(wait_until(lambda: self.rect(video.hwnd) == grown, 10), (self.rect(video.hwnd), grown))
        winauto('click', dock.hwnd)
        self.assertTrue(wait_until(lambda: windows('StrevoVideo') == [], 10))


class NoWayToLoseThePlayer(E2ETestCase):
    def test_to_tray_shows_the_icon_and_a_second_start_brings_the_windows_back(self):
        inst = self.install()
        requests = fake_notification_area(self)
        _, main = self.start_player(inst, '/nologo')

        def icon_shown():
            mine = [c for c in requests() if c[1] == main]
            return bool(mine) and mine[-1][0] in ('add', 'modify')
        # With the default settings the taskbar button serves: the start-up's icon goes.
        self.assertTrue(wait_until(lambda: not icon_shown(), 10), requests())
        winauto('command', main, MENU_BASE + MENU_TO_TRAY)
        self.assertTrue(wait_until(lambda: not windows('StrevoMain', 'Strevo')[0].visible, 10))
        self.assertFalse([w for w in windows('StrevoVideo', 'Strevo') if w.visible])
        self.assertTrue(wait_until(icon_shown, 5), 'no window and no tray icon: %r' % requests())

        # A second start brings the windows back before it ends.
        second = self.start(inst, '/nologo')
        self.assertEqual(self.wait_exit(second, 30), 0)
        self.assertTrue(wait_until(lambda: windows('StrevoMain', 'Strevo')[0].visible, 10),
                        'the second start left the player hidden')
        self.assertEqual(len(windows('StrevoMain', 'Strevo')), 1)
        # Shown again, the taskbar button serves once more.
        self.assertTrue(wait_until(lambda: not icon_shown(), 5), requests())


if __name__ == '__main__':
    unittest.main()
