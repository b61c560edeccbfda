"""scripts/check-packages: the dependency rules on made-up package data, and
the whole check on this machine's packages with lists and trees that leave
something out (it must fail, naming the command and the package)."""
import os
import shutil
import stat
import subprocess
import sys
import tempfile
import unittest
from importlib.machinery import SourceFileLoader
from importlib.util import module_from_spec, spec_from_loader

SOURCE = os.path.abspath(os.path.join(os.path.dirname(__file__), '..', '..'))
SCRIPT = os.path.join(SOURCE, 'scripts', 'check-packages')
PACKAGES = os.path.join(SOURCE, 'scripts', 'setup')


def load_check():
    loader = SourceFileLoader('check_packages', SCRIPT)
    module = module_from_spec(spec_from_loader('check_packages', loader))
    loader.exec_module(module)
    return module


cp = load_check()


def status(*rows):
    """Rows of (name, essential, provides, depends, pre-depends)."""
    return cp.parse_status('\n'.join('\t'.join(row) for row in rows))


class DependencyRules(unittest.TestCase):
    def test_fields_lose_versions_and_architecture_qualifiers(self):
        self.assertEqual(cp.parse_depends('libc6 (>= 2.34), debconf (>= 0.5) | debconf-2.0, python3:any (>= 3.9~), '
                                          'libwine (= 8.0~repack-4)'),
                         [['libc6'], ['debconf', 'debconf-2.0'], ['python3'], ['libwine']])
        self.assertEqual(cp.parse_depends(''), [])

    def test_closure_follows_depends_and_pre_depends_transitively(self):
        db = status(('wine64', 'no', '', 'libwine (= 8.0)', ''),
                    ('libwine', 'no', '', 'libc6', 'dpkg (>= 1.19)'),
                    ('libc6', 'no', '', '', ''),
                    ('dpkg', 'yes', '', '', ''),
                    ('wine', 'no', '', 'libwine', ''))
        self.assertEqual(cp.closure(db, ['wine64']), {'wine64', 'libwine', 'libc6', 'dpkg'})

    def test_a_recommended_package_is_not_brought(self):
        # The status rows hold only hard dependencies: wine, which wine64 only
        # recommends, stays outside, as it did on the machine that failed.
        db = status(('wine64', 'no', '', 'libwine', ''), ('libwine', 'no', '', '', ''), ('wine', 'no', '', '', ''))
        self.assertNotIn('wine', cp.closure(db, ['wine64']))

    def test_of_alternatives_only_the_first_is_followed(self):
        db = status(('tool', 'no', '', 'gawk | mawk', ''), ('gawk', 'no', '', '', ''), ('mawk', 'no', '', '', ''))
        self.assertEqual(cp.closure(db, ['tool']), {'tool', 'gawk'})

    def test_a_virtual_name_stands_for_its_providers(self):
        db = status(('base-files', 'yes', '', '', 'awk'), ('mawk', 'no', 'awk', 'libc6', ''),
                    ('libc6', 'no', '', '', ''))
        self.assertEqual(cp.closure(db, ['base-files']), {'base-files', 'awk', 'mawk', 'libc6'})


class FindingCommands(unittest.TestCase):
    def assertWords(self, text, present, absent, python=False):
        found = cp.python_words(text) if python else cp.text_words(text)
        words = {w for w, _, _ in found}
        self.assertEqual(words & set(present), set(present), words)
        self.assertEqual(words & set(absent), set(), words)

    def test_shell_words_without_comments_flags_paths_or_cmake_commands(self):
        self.assertWords('# wineserver is named in a comment only\n'
                         'Xvfb -displayfd 3 -nolisten tcp # xdpyinfo\n'
                         'file(GLOB X CONFIGURE_DEPENDS ${SRC}/*.cpp)\n'
                         'curl http://127.0.0.1/stream\n',
                         present=('Xvfb', 'curl'),
                         absent=('wineserver', 'xdpyinfo', 'file', 'displayfd', 'cpp', 'stream', 'SRC'))

    def test_python_runs_what_its_process_calls_and_argument_vectors_name(self):
        self.assertWords('import subprocess\n'
                         '"""A docstring that names ffmpeg."""\n'
                         'subprocess.run(["ip", "-4", "addr"])\n'
                         'subprocess.Popen(["bash", "-c", "wineboot -i && wineserver -w"])\n'
                         'CMD = ["ffprobe", "-v", "quiet"]\n'
                         'open(path, "w").write("halt now")\n',
                         present=('ip', 'bash', 'wineboot', 'wineserver', 'ffprobe'),
                         absent=('ffmpeg', 'w', 'halt', 'now', 'import'), python=True)

    def test_python_inside_shell_scripts_is_read_as_python(self):
        self.assertWords('python3 - "$TMP" <<\'PY\'\n'
                         'import time, struct as s\n'
                         'subprocess.run(["unzip", "-p"])\n'
                         'PY\n'
                         'cat > a.c <<\'C\'\n'
                         'long size = 0;\n'
                         'C\n'
                         'seq 3 | python3 -c \'\n'
                         'import statistics\n'
                         'print(statistics.median([1]))\'\n'
                         'cmake --build .\n',
                         present=('python3', 'unzip', 'cat', 'seq', 'cmake'),
                         absent=('import', 'time', 'as', 'size', 'long', 'print', 'statistics'))


class WholeCheck(unittest.TestCase):
    """Runs the check as make test does, on this set-up machine."""

    def run_check(self, packages=PACKAGES, root=SOURCE, env=None):
        p = subprocess.run([sys.executable, SCRIPT, '--root', root, '--packages', packages],
                           capture_output=True, text=True, env=env, timeout=120)
        return p.returncode, p.stdout + p.stderr

    def reduced_list(self, *left_out):
        with open(PACKAGES, encoding='utf-8') as f:
            lines = [l for l in f if l.split('#')[0].strip() not in left_out]
        path = os.path.join(self.tmp, 'packages')
        with open(path, 'w', encoding='utf-8') as f:
            f.writelines(lines)
        return path

    def tree(self, files):
        root = os.path.join(self.tmp, 'tree')
        for rel, text in files.items():
            path = os.path.join(root, rel)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, 'w', encoding='utf-8') as f:
                f.write(text)
        return root

    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix='check-packages-')
        self.addCleanup(shutil.rmtree, self.tmp, True)

    def test_the_projects_list_covers_the_projects_commands(self):
        code, out = self.run_check()
        self.assertEqual(code, 0, out)
        self.assertIn('all brought by the list of scripts/setup', out)

    def test_a_list_without_wine_fails_on_the_commands_only_wine_brings(self):
        # wine64 stays: /usr/bin/wineserver is wine's, though its target is libwine's.
        code, out = self.run_check(self.reduced_list('wine'))
        self.assertEqual(code, 1, out)
        for command in ('wineserver', 'wineboot', 'wine'):
            self.assertRegex(out, r'check-packages: %s \(.*\) comes from the package wine ' % command)

    def test_a_package_missing_from_the_list_is_named_with_its_caller(self):
        code, out = self.run_check(self.reduced_list('iproute2'))
        self.assertEqual(code, 1, out)
        self.assertRegex(out, r'ip \(tests/e2e/test_config_channels\.py:\d+.*\) comes from the package iproute2')

    def test_a_command_outside_the_table_must_be_added_to_it(self):
        root = self.tree({'scripts/probe': '#!/bin/sh\nxdpyinfo -display "$DISPLAY"\n'})
        code, out = self.run_check(root=root)
        self.assertEqual(code, 1, out)
        self.assertIn('xdpyinfo (scripts/probe:2) comes from x11-utils: add it to the command table', out)

    def test_a_program_from_outside_debian_is_refused(self):
        bindir = os.path.join(self.tmp, 'bin')
        os.makedirs(bindir)
        tool = os.path.join(bindir, 'strevo-made-up-tool')
        with open(tool, 'w') as f:
            f.write('#!/bin/sh\n')
        os.chmod(tool, stat.S_IRWXU)
        root = self.tree({'tests/e2e/harness.py': 'import subprocess\nsubprocess.run(["strevo-made-up-tool"])\n'})
        env = dict(os.environ, PATH=bindir + os.pathsep + os.environ.get('PATH', ''))
        code, out = self.run_check(root=root, env=env)
        self.assertEqual(code, 1, out)
        self.assertIn('strevo-made-up-tool (tests/e2e/harness.py:2) runs %s, which no Debian package brings' % tool,
                      out)

    def test_a_table_command_that_is_not_installed_fails(self):
        # What a fresh machine shows when a package is missing: no word of the
        # scan can point at the command, the table does.
        root = self.tree({'Makefile': 'all:\n\tstrevo-not-installed --version\n'})
        saved = dict(cp.COMMANDS)
        self.addCleanup(lambda: (cp.COMMANDS.clear(), cp.COMMANDS.update(saved)))
        cp.COMMANDS.clear()
        cp.COMMANDS['strevo-not-installed'] = 'a test'
        problems, _, _ = cp.check(root, PACKAGES)
        self.assertTrue(any(p.startswith('strevo-not-installed (Makefile:2) is not installed after the set-up')
                            for p in problems), problems)


if __name__ == '__main__':
    unittest.main()
