"""scripts/check-floors on small trees: it passes a tree whose includes point
downwards and names the file, line and include of each one that does not, and
any source file too long."""
import contextlib
import importlib.machinery
import importlib.util
import io
import os
import tempfile
import unittest

SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'scripts', 'check-floors')


def load_script():
    loader = importlib.machinery.SourceFileLoader('check_floors', SCRIPT)
    spec = importlib.util.spec_from_loader('check_floors', loader)
    module = importlib.util.module_from_spec(spec)
    loader.exec_module(module)
    return module


check_floors = load_script()

# A tree whose every include is allowed.
GOOD_TREE = {
    'resources/resource.h': '#define IDS_X 1\n',
    'engine/abi/engine_abi.h': '#pragma once\n',
    'engine/support/text.h': '#pragma once\n',
    'engine/exports_win.cpp': '#include "support/text.h"\n#include "engine_abi.h"\n',
    'engine/support/text.cpp': '#include "support/text.h"\n',
    'src/base/text.h': '#pragma once\n#include <string>\n',
    'src/base/text.cpp': '#include "base/text.h"\n',
    'src/win/util_win.h': '#include "base/text.h"\n',
    'src/config/config.h': '#include "base/text.h"\n',
    'src/guide/http.h': '#include "base/text.h"\n',
    'src/playback/player.h': '#include "config/config.h"\n#include "guide/http.h"\n',
    'src/playback/vlclib_win.h': '#include "engine_abi.h"\n#include "playback/player.h"\n',
    'src/playback/bgrec_win.cpp': '#include "../../resources/resource.h"\n#include "win/util_win.h"\n',
    'src/scheduler/agent_win.cpp': '#include "playback/player.h"\n',
    'src/ui/main/mainwindow_win.h': '#include "playback/player.h"\n#include "win/util_win.h"\n',
    'src/ui/video/host_win.cpp': '#include "ui/main/mainwindow_win.h"\n#include "playback/vlclib_win.h"\n',
    'src/app/entry_win.cpp': '#include "ui/main/mainwindow_win.h"\n#include "base/text.h"\n',
}


class CheckFloorsTest(unittest.TestCase):
    def run_on(self, changes):
        """Builds GOOD_TREE with `changes` (path -> text, None removes) and
        runs the check; returns (exit status, printed lines)."""
        files = dict(GOOD_TREE)
        files.update(changes)
        with tempfile.TemporaryDirectory() as root:
            for path, text in files.items():
                if text is None:
                    continue
                full = os.path.join(root, path)
                os.makedirs(os.path.dirname(full), exist_ok=True)
                with open(full, 'w', encoding='utf-8') as f:
                    f.write(text)
            out = io.StringIO()
            with contextlib.redirect_stdout(out), contextlib.redirect_stderr(io.StringIO()):
                status = check_floors.main(['check-floors', root])
        return status, out.getvalue().splitlines()

    def test_downward_includes_pass(self):
        self.assertEqual(self.run_on({}), (0, []))

    def test_upward_includes_fail_with_file_line_and_include(self):
        cases = {
            # base -> subsystem
            'src/base/text.cpp': ('#include "base/text.h"\n#include "config/config.h"\n',
                                  'src/base/text.cpp:2: "config/config.h" is on floor subsystems'),
            # the Win32 half of the base -> ui
            'src/win/util_win.h': ('#include "ui/main/mainwindow_win.h"\n',
                                   'src/win/util_win.h:1: "ui/main/mainwindow_win.h" is on floor ui'),
            # subsystem -> ui
            'src/playback/bgrec_win.cpp': ('#include "win/util_win.h"\n\n#include "ui/main/mainwindow_win.h"\n',
                                           'src/playback/bgrec_win.cpp:3: "ui/main/mainwindow_win.h" is on floor ui'),
            # ui -> app
            'src/ui/video/host_win.cpp': ('#include "app/entry_win.h"\n',
                                    'src/ui/video/host_win.cpp:1: "app/entry_win.h" is on floor app'),
        }
        for path, (text, expected) in cases.items():
            with self.subTest(path=path):
                extra = {'src/app/entry_win.h': '#pragma once\n'}
                status, lines = self.run_on({path: text, **extra})
                self.assertEqual(status, 1)
                self.assertEqual(len(lines), 1, lines)
                self.assertTrue(lines[0].startswith(expected), lines[0])

    def test_rooms_and_portable_headers(self):
        # The scheduler window serves the agent, which has no main window.
        status, lines = self.run_on({'src/ui/scheduler/window_win.cpp': '#include "ui/main/mainwindow_win.h"\n'})
        self.assertEqual(status, 1)
        self.assertTrue(lines[0].startswith('src/ui/scheduler/window_win.cpp:1: "ui/main/mainwindow_win.h": the '
                                            'scheduler window serves the agent too'), lines)
        # Every window's file is in a room.
        status, lines = self.run_on({'src/ui/loose_win.cpp': '#include "base/text.h"\n'})
        self.assertEqual((status, lines), (1, ['src/ui/loose_win.cpp: not in a room of src/ui']))
        # A portable header stays portable; a Win32 header may include another.
        status, lines = self.run_on({'src/config/config.h': '#include "win/util_win.h"\n'})
        self.assertEqual(status, 1)
        self.assertTrue(lines[0].startswith('src/config/config.h:1: "win/util_win.h": a portable header'), lines)
        self.assertEqual(self.run_on({'src/config/config.h': '#include <windows.h>\n#include "win/util_win.h"\n'}),
                         (0, []))

    def test_engine_stands_apart(self):
        status, lines = self.run_on({'src/playback/player.h': '#include "engine_abi.h"\n'})
        self.assertEqual(status, 1)
        self.assertTrue(lines[0].startswith('src/playback/player.h:1: "engine_abi.h": only the engine binding'), lines)

        status, lines = self.run_on({'engine/exports_win.cpp': '#include "../src/base/text.h"\n'})
        self.assertEqual(status, 1)
        self.assertTrue(lines[0].startswith('engine/exports_win.cpp:1: "../src/base/text.h" is outside engine/'), lines)

    def test_nothing_slips_past_unjudged(self):
        status, lines = self.run_on({'src/ui/video/host_win.cpp': '#include "ui/missing.h"\n'})
        self.assertEqual((status, lines), (1, ['src/ui/video/host_win.cpp:1: "ui/missing.h" names no file of the tree']))

        status, lines = self.run_on({'src/extras/thing.cpp': '#include "base/text.h"\n'})
        self.assertEqual((status, lines), (1, ['src/extras/thing.cpp: folder is on no floor']))

        status, lines = self.run_on({'engine/support/text.cpp': '#include "support/text.h"\n' + '//\n' * 600})
        self.assertEqual((status, lines), (1, ['engine/support/text.cpp: 601 lines, more than 600']))
        status, lines = self.run_on({'src/base/text.cpp': '#include "base/text.h"\n' + '//\n' * 599})
        self.assertEqual((status, lines), (0, []))

        # An include through a relative path is judged by where it lands.
        status, lines = self.run_on({'src/base/text.cpp': '#include "../ui/main/mainwindow_win.h"\n'})
        self.assertEqual(status, 1)
        self.assertIn('is on floor ui', lines[0])


if __name__ == '__main__':
    unittest.main()
