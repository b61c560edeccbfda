"""What a Windows user downloads (scripts/make-dist): the two portable ZIPs,
their contents and their reproducibility, the user's guide inside them held
against the program, and the installer run silently
under Wine: it installs, the installed player plays a channel through the
engine in its Vlc folder, and the uninstaller removes the program and keeps
the user's own files.
"""
import os
import re
import shutil
import struct
import subprocess
import unittest
import zipfile

from harness import (BUILD, SOURCE, WORK, E2ETestCase, Install, children, press, wait_until, windows, winauto,
                     wine_env, winpath)
from test_playback import PLAYER_COMMAND, SELECT, Trace, globals_record, start_relay, write_channels

WIN32_BUILD = os.path.join(SOURCE, 'build', 'win32')
MAKE_DIST = os.path.join(SOURCE, 'scripts', 'make-dist')
# The stand-in engine with the 3.x interface alone, as today's engines are.
ENGINE3 = os.path.join(BUILD, 'engine3', 'libvlc.dll')
with open(os.path.join(SOURCE, 'VERSION')) as _f:
    VERSION = _f.readline().strip()

# The portable folder, as a user unpacks it.
EXPECTED = {
    'Strevo/', 'Strevo/Strevo.exe', 'Strevo/Strevo.lng.en', 'Strevo/README.txt', 'Strevo/LICENSE.txt',
    'Strevo/Images/', 'Strevo/Images/Loading.bmp', 'Strevo/Images/Logo.bmp',
    'Strevo/Icons/', 'Strevo/TVGuide/', 'Strevo/Vlc/', 'Strevo/Vlc/libvlc.dll',
}


def pe_header(data):
    """(machine, time stamp) of a PE image."""
    at = struct.unpack_from('<I', data, 0x3C)[0]
    assert data[at:at + 4] == b'PE\0\0'
    machine, _, stamp = struct.unpack_from('<HHI', data, at + 4)
    return machine, stamp


def make_dist(out, *extra):
    env = dict(os.environ, SOURCE_DATE_EPOCH='1765000000')
    subprocess.run([MAKE_DIST, BUILD, WIN32_BUILD, out] + list(extra), check=True, env=env,
                   stdout=subprocess.DEVNULL, timeout=600)


@unittest.skipUnless(os.path.isfile(os.path.join(WIN32_BUILD, 'run', 'Strevo.exe')),
                     'the win32 build is missing (make win32)')
class Downloads(E2ETestCase):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.out = os.path.join(WORK, 'dist-a')
        shutil.rmtree(cls.out, ignore_errors=True)
        make_dist(cls.out)

    def zip_path(self, out, arch):
        return os.path.join(out, 'Strevo-%s-%s.zip' % (VERSION, arch))

    def test_zips_hold_the_portable_folder_and_are_reproducible(self):
        again = os.path.join(WORK, 'dist-b')
        shutil.rmtree(again, ignore_errors=True)
        make_dist(again, '--no-installer')
        for arch, machine in (('win64', 0x8664), ('win32', 0x14C)):
            with self.subTest(arch=arch):
                with open(self.zip_path(self.out, arch), 'rb') as f:
                    first = f.read()
                with open(self.zip_path(again, arch), 'rb') as f:
                    self.assertEqual(first, f.read(), 'two builds of one commit differ')
                with zipfile.ZipFile(self.zip_path(self.out, arch)) as z:
                    names = z.namelist()
                    self.assertEqual(names, sorted(names))
                    self.assertEqual(set(names) | {'Strevo/'}, EXPECTED)
                    self.assertIsNone(z.testzip())
                    self.assertEqual({i.date_time for i in z.infolist()}, {(2025, 12, 6, 5, 46, 40)})
                    for exe in ('Strevo/Strevo.exe', 'Strevo/Vlc/libvlc.dll'):
                        self.assertEqual(pe_header(z.read(exe)), (machine, 0), exe)
                    self.assertIn(b'\r\n', z.read('Strevo/README.txt'))
                    # The user's README tells where the engine goes.
                    self.assertIn(b'Vlc\\libvlc.dll', z.read('Strevo/README.txt'))

    def test_the_guide_tells_which_engine_each_build_binds_and_what_lies_beside_the_exe(self):
        """The guide inside the download, held against the program on what a
        user acts on: each build's row names the width of the program in that
        ZIP and the engine generations it binds; the win64 folder, unpacked,
        binds a 3.x engine put beside Strevo.exe as the guide tells (over the
        stand-in in Vlc\\); and whatever lies beside the exe, shipped or written
        by the player, is in the guide's list of files, each name of which the
        program uses."""
        programs = {}
        for arch in ('win64', 'win32'):
            with zipfile.ZipFile(self.zip_path(self.out, arch)) as z:
                programs[arch] = z.read('Strevo/Strevo.exe')
                guide = z.read('Strevo/README.txt').decode('utf-8').replace('\r\n', '\n')
                shipped = {name[len('Strevo/'):].rstrip('/').split('/')[0] for name in z.namelist()} - {''}
        lines = guide.split('\n')
        for arch, machine, width in (('win64', 0x8664, '64-bit'), ('win32', 0x14C, '32-bit')):
            with self.subTest(arch=arch):
                row = [l for l in lines if l.startswith('  Strevo-<version>-%s.zip ' % arch)]
                self.assertEqual(len(row), 1, 'the guide has no row for the %s build' % arch)
                self.assertEqual(pe_header(programs[arch])[0], machine)
                self.assertIn(' %s: ' % width, row[0])
                # Each build binds either generation, by its entry points' names.
                for entry in (b'VLC_Create', b'libvlc_new'):
                    self.assertTrue(entry in programs[arch], entry)
                self.assertIn('3.x generation', row[0])
        self.assertIn('0.8 generation', [l for l in lines if l.startswith('  Strevo-<version>-win32.zip ')][0])

        def section(title):
            """The lines under a heading, up to the next one."""
            at = lines.index(title) + 2
            end = next((i - 1 for i in range(at, len(lines)) if lines[i] and set(lines[i]) == {'-'}), len(lines))
            return lines[at:end]
        # Every key and mouse binding, as README.md's table has it (which the
        # readme_key_table test holds to the bindings the player runs).
        with open(os.path.join(SOURCE, 'README.md'), encoding='utf-8') as f:
            readme = f.read()
        table = readme[readme.index('<!-- key table'):readme.index('<!-- end of key table')]
        bindings = re.findall(r'^\| ([^|]+?) \| `[^`]*` \| ([^|]+?) \|$', table, re.M)
        self.assertGreater(len(bindings), 40)
        keys = [re.split(r'\s{2,}', l.strip()) for l in section('Keys and mouse') if l.startswith('  ')]
        for key, what in bindings:
            # Without the wheel's message codes.
            self.assertIn([re.sub(r' \(\d+\)', '', key), what], keys)

        listed = {l.split()[0].rstrip('\\') for l in section('Files beside Strevo.exe') if l.startswith('  ')}
        self.assertEqual(shipped - listed, {'Strevo.exe'}, 'shipped but not in the guide')
        for name in listed - shipped:
            # "Strevo.Shed.run": ".Shed" and ".run"; "Logos": "Logos".
            parts = ['.' + p for p in name.split('.')[1:]] if name.startswith('Strevo.') else [name]
            for part in parts:
                self.assertTrue(part.encode() in programs['win64'], '%s: the program never names %s' % (name, part))

        # The win64 folder as a user unpacks it, with a 3.x engine copied
        # beside Strevo.exe; the stand-in stays in Vlc\.
        folder = os.path.join(WORK, 'guide-check')
        shutil.rmtree(folder, ignore_errors=True)
        with zipfile.ZipFile(self.zip_path(self.out, 'win64')) as z:
            z.extractall(folder)
        inst = Install.__new__(Install)
        inst.dir = os.path.join(folder, 'Strevo')
        inst.exe = inst.path('Strevo.exe')
        shutil.copy2(ENGINE3, inst.path('libvlc.dll'))
        inst.enable_log()
        channels = os.path.join(folder, 'channels.m3u8')
        with open(channels, 'w', encoding='cp1251', newline='\r\n') as f:
            f.write('#EXTM3U\n#EXTINF:0,Channel 1\nhttp://127.0.0.1:9/none.ts\n')
        with open(inst.sibling('.ini'), 'w', encoding='cp1251', newline='\r\n') as f:
            f.write(globals_record(winpath(channels)) + '\n')
        proc, hwnd = self.start_player(inst, '/nologo')
        self.assertTrue(wait_until(lambda: 'form created' in inst.log_messages(), 30), 'start-up did not finish')
        self.assertTrue([m for m in inst.log_messages() if m.startswith('libvlc3: engine ')],
                        'the 3.x engine beside Strevo.exe was not bound:\n' + '\n'.join(inst.log_messages()))
        winauto('close', hwnd)
        self.assertEqual(self.wait_exit(proc, 30), 0)
        self.assertIn('ini saved', inst.log_messages())
        beside = set(os.listdir(inst.dir)) - {'Strevo.exe', 'libvlc.dll'}
        self.assertEqual(beside - listed, set(), 'beside the exe but not in the guide')

    def test_installer_installs_plays_and_uninstalls_keeping_the_users_files(self):
        setup = os.path.join(self.out, 'Strevo-%s-setup.exe' % VERSION)
        self.assertTrue(os.path.isfile(setup))
        target = os.path.join(WORK, 'installed', 'Strevo')
        shutil.rmtree(os.path.dirname(target), ignore_errors=True)
        proc = subprocess.Popen(['wine', setup, '/S', '/D=' + winpath(target)], env=wine_env(),
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.procs.append(proc)
        self.assertEqual(self.wait_exit(proc, 120), 0, 'the silent install did not end well')
        program = ['Strevo.exe', 'Strevo.lng.en', 'README.txt', 'LICENSE.txt', 'Uninstall.exe',
                   os.path.join('Vlc', 'libvlc.dll'), os.path.join('Images', 'Loading.bmp')]
        for name in program:
            self.assertTrue(os.path.isfile(os.path.join(target, name)), name + ' not installed')
        with open(os.path.join(target, 'Strevo.exe'), 'rb') as f:
            self.assertEqual(pe_header(f.read())[0], 0x8664, 'the 64-bit build is the default')

        # The installed player finds the engine in Vlc\ and plays.
        inst = Install.__new__(Install)
        inst.dir, inst.exe = target, os.path.join(target, 'Strevo.exe')
        port, _ = start_relay(self)
        write_channels(inst, ['http://127.0.0.1:%d/live.ts' % port])
        trace = Trace(os.path.join(WORK, 'installed', 'engine-trace.txt'))
        _, hwnd = self.start_player(inst, '/nologo', env={'STREVO_ENGINE_TRACE': winpath(trace.path)})
        code, _ = winauto('post', hwnd, PLAYER_COMMAND, SELECT, 1)
        self.assertEqual(code, 0)
        self.assertTrue(wait_until(lambda: any(l.startswith('VLC_AddTarget') for l in trace.lines()), 30),
                        'the installed player never reached the engine:\n' + '\n'.join(trace.lines()))
        playing = wait_until(lambda: [w for w in windows('VLC DirectX') + self.video_children()
                                      if w.cls == 'VLC DirectX' and w.visible], 20)
        self.assertTrue(playing, 'no engine picture while playing')
        for p in self.procs[1:]:
            p.kill()
        subprocess.run(['wineserver', '-k'], env=wine_env(), stderr=subprocess.DEVNULL)

        # The user's own file survives a silent uninstall; the program goes.
        with open(os.path.join(target, 'Strevo.ini'), 'w') as f:
            f.write('user settings\n')
        proc = subprocess.Popen(['wine', os.path.join(target, 'Uninstall.exe'), '/S'], env=wine_env(),
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.procs.append(proc)
        self.wait_exit(proc, 60)
        # The uninstaller runs on from a copy of itself: wait for its work.
        gone = wait_until(lambda: not any(os.path.exists(os.path.join(target, n)) for n in program), 60)
        self.assertTrue(gone, 'left behind: %r' % [n for n in program if os.path.exists(os.path.join(target, n))])
        self.assertFalse(os.path.exists(os.path.join(target, 'Vlc')))
        with open(os.path.join(target, 'Strevo.ini')) as f:
            self.assertEqual(f.read(), 'user settings\n')

        # Installed again into a folder that holds files of the user's own, an
        # interactive uninstall answered "Да" removes what the program wrote
        # and nothing else.
        own = ['My notes.txt', os.path.join('Photos', 'summer.jpg')]
        for name in own:
            os.makedirs(os.path.dirname(os.path.join(target, name)), exist_ok=True)
            with open(os.path.join(target, name), 'w') as f:
                f.write('mine\n')
        proc = subprocess.Popen(['wine', setup, '/S', '/D=' + winpath(target)], env=wine_env(),
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.procs.append(proc)
        self.assertEqual(self.wait_exit(proc, 120), 0, 'the second silent install did not end well')
        written = ['Strevo.ini', 'Strevo.ini.bak', 'Strevo.m3u', 'Strevo.Shed.ini', 'Strevo.log',
                   os.path.join('TVGuide', 'First.ndx'), os.path.join('TVGuide', 'First.pdt'),
                   os.path.join('TVGuide', 'xmltv.xml'), os.path.join('Logos', '0123.logo')]
        for name in written:
            os.makedirs(os.path.dirname(os.path.join(target, name)), exist_ok=True)
            with open(os.path.join(target, name), 'w') as f:
                f.write('written by the player\n')
        proc = subprocess.Popen(['wine', os.path.join(target, 'Uninstall.exe')], env=wine_env(),
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.procs.append(proc)
        self.uninstall_answering_yes()
        gone = wait_until(lambda: not any(os.path.exists(os.path.join(target, n)) for n in program + written), 60)
        self.assertTrue(gone, 'left behind: %r' % [n for n in program + written
                                                     if os.path.exists(os.path.join(target, n))])
        for name in own:
            with open(os.path.join(target, name)) as f:
                self.assertEqual(f.read(), 'mine\n', name + ' was the user\'s own')
        for folder in ('TVGuide', 'Logos', 'Vlc', 'Images'):
            self.assertFalse(os.path.exists(os.path.join(target, folder)), folder)

    def uninstall_answering_yes(self):
        """Walks the uninstaller's pages: its confirmation, the question about
        the user's files (answered "Да", which is not the default), its close."""
        def dialog_with(*captions):
            for top in windows('#32770'):
                kids = children(top.hwnd)
                for w in kids:
                    if w.cls.lower() == 'button' and w.visible and w.text.replace('&', '') in captions:
                        return top, w, kids
            return None
        # First the language, unless the install left it behind.
        found = wait_until(lambda: dialog_with('Удалить', 'Uninstall', 'OK'), 60)
        if found and found[1].text.replace('&', '') == 'OK':
            winauto('click', found[1].hwnd)
            found = wait_until(lambda: dialog_with('Удалить', 'Uninstall'), 60)
        self.assertTrue(found, 'the uninstaller showed no confirmation: %r' % windows('#32770'))
        winauto('click', found[1].hwnd)
        question = wait_until(lambda: [t for t in windows('#32770') if any(
            'Удалить также ваши файлы' in w.text for w in children(t.hwnd))], 60)
        self.assertTrue(question, 'no question about the user\'s files: %r' % windows('#32770'))
        self.assertTrue(press(question[0].hwnd, 'Да', 'Yes'))
        close = wait_until(lambda: dialog_with('Закрыть', 'Close'), 60)
        self.assertTrue(close, 'the uninstaller did not finish')
        winauto('click', close[1].hwnd)

    def video_children(self):
        found = []
        for main in windows('StrevoMain', 'Strevo'):
            for w in children(main.hwnd):
                if w.cls == 'StrevoVideo':
                    found += children(w.hwnd)
        for video in windows('StrevoVideo'):
            found += children(video.hwnd)
        return found


if __name__ == '__main__':
    unittest.main()
