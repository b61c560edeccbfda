"""End-to-end harness: runs Strevo.exe under Wine in a fresh folder, as a user
would, and looks at what a user or another program sees (windows, files,
processes). Standard library only. Every wait is bounded.
"""
import atexit
import fcntl
import glob
import http.server
import os
import re
import select
import shutil
import socketserver
import subprocess
import tempfile
import threading
import time
import unittest

SOURCE = os.environ.get('STREVO_SOURCE_DIR', os.path.abspath(os.path.join(os.path.dirname(__file__), '..', '..')))
BUILD = os.environ.get('STREVO_BUILD', os.path.join(SOURCE, 'build', 'win64'))
RUN_DIR = os.environ.get('STREVO_RUN_DIR', os.path.join(BUILD, 'run'))
WINAUTO = os.environ.get('STREVO_WINAUTO', os.path.join(BUILD, 'winauto.exe'))
WORK = os.path.join(BUILD, 'e2e')
# Machine-wide: scenarios of other checkouts may want the same port.
LOCKS = os.path.join(tempfile.gettempdir(), 'strevo-e2e-locks')


def _prefix():
    """The Wine prefix of this run. Scenario files that CTest runs side by side
    each hold a slot ("id:N,slots:1") and use that slot's prefix, as
    scripts/wine-env does."""
    if os.environ.get('STREVO_WINEPREFIX'):
        return os.environ['STREVO_WINEPREFIX']
    template = os.path.join(SOURCE, 'build', 'wineprefix')
    group = os.environ.get('CTEST_RESOURCE_GROUP_0_WINE', '')
    if group.startswith('id:'):
        return '%s-slot%s' % (template, group[3:].split(',')[0])
    return template


PREFIX = _prefix()

_xvfb = None


def wine_env(extra=None):
    env = dict(os.environ)
    env.update({'WINEPREFIX': PREFIX, 'WINEDEBUG': '-all', 'LC_ALL': 'ru_RU.UTF-8',
                'WINEDLLOVERRIDES': 'mscoree,mshtml='})
    env.update(extra or {})
    return env


def _ensure_display():
    """Uses $DISPLAY, or starts an Xvfb of its own; Xvfb chooses a free display
    number itself (-displayfd), so scenario files started together never
    share one."""
    global _xvfb
    if os.environ.get('DISPLAY'):
        return
    read_end, write_end = os.pipe()
    _xvfb = subprocess.Popen(['Xvfb', '-displayfd', str(write_end), '-screen', '0', '1280x1024x24', '-nolisten', 'tcp'],
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, pass_fds=(write_end,))
    os.close(write_end)
    atexit.register(_stop_display)
    number = b''
    deadline = time.monotonic() + 20
    with os.fdopen(read_end, 'rb', buffering=0) as pipe:
        # Xvfb writes the number and a line end once it takes connections;
        # an Xvfb that fails closes the pipe.
        while not number.endswith(b'\n') and time.monotonic() < deadline:
            ready, _, _ = select.select([pipe], [], [], 0.5)
            if ready:
                chunk = pipe.read(16)
                if not chunk:
                    break
                number += chunk
    if not number.strip().isdigit():
        raise RuntimeError('no X display could be started')
    os.environ['DISPLAY'] = ':' + number.strip().decode()


def _stop_display():
    subprocess.run(['wineserver', '-k'], env=wine_env(), stderr=subprocess.DEVNULL)
    if _xvfb:
        _xvfb.kill()
        _xvfb.wait()


def _ensure_prefix():
    env = wine_env()
    env.pop('LC_ALL')
    env['STREVO_WINEPREFIX'] = PREFIX
    subprocess.run(['bash', '-c', 'source "$0/scripts/wine-env" && strevo_prefix', SOURCE], env=env, check=True)


class FixedPort:
    """Holds the machine-wide lock of a fixed port (a server on port 80, say)
    while a scenario uses it: scenario files run side by side, and a player
    fetching its list from port 80 must meet its own test's server or none.
    Waits at most timeout seconds for another scenario to let go."""

    def __init__(self, port, timeout=120):
        os.makedirs(LOCKS, exist_ok=True)
        self.file = open(os.path.join(LOCKS, 'port-%d' % port), 'w')
        deadline = time.monotonic() + timeout
        while True:
            try:
                fcntl.flock(self.file, fcntl.LOCK_EX | fcntl.LOCK_NB)
                return
            except BlockingIOError:
                if time.monotonic() > deadline:
                    self.file.close()
                    raise TimeoutError('port %d stayed in use by another scenario' % port)
                time.sleep(0.2)

    def release(self):
        if not self.file.closed:
            self.file.close()


class _StreamServer(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True


def serve_http(test, handler, stop):
    """Serves `handler` on 127.0.0.1 at a free port, on a thread of its own,
    until the test ends; then `stop` (an Event the handler's streaming loop
    waits on) is set first, so that no answer outlives the test. The port."""
    server = _StreamServer(('127.0.0.1', 0), handler)
    threading.Thread(target=server.serve_forever, kwargs={'poll_interval': 0.1}, daemon=True).start()

    def close():
        stop.set()
        server.shutdown()
        server.server_close()
    test.addCleanup(close)
    return server.server_address[1]


def winpath(path):
    """The Windows name Wine gives a Unix path (drive Z: is the root)."""
    return 'Z:' + os.path.abspath(path).replace('/', '\\')


def wait_until(predicate, timeout, step=0.1):
    """Polls until predicate() is true; returns its last value."""
    end = time.monotonic() + timeout
    while True:
        value = predicate()
        if value or time.monotonic() >= end:
            return value
        time.sleep(step)


_ESCAPES = {'r': '\r', 'n': '\n', 't': '\t', '\\': '\\'}


def _unescape(text):
    """winauto's escapes read left to right, so that a path's "\\t" stays a
    backslash and a "t"."""
    return re.sub(r'\\(.)', lambda m: _ESCAPES.get(m.group(1), m.group(0)), text)


class Window:
    def __init__(self, fields):
        self.hwnd = fields[0]
        self.cls = fields[1]
        self.text = _unescape(fields[2])
        self.visible = fields[3] == '1'
        self.x, self.y, self.w, self.h = (int(v) for v in fields[4:8])

    def __repr__(self):
        return 'Window(%s %r %r vis=%s %d,%d %dx%d)' % (self.hwnd, self.cls, self.text, self.visible,
                                                        self.x, self.y, self.w, self.h)


def winauto(*args, timeout=30):
    # Output goes through a file, not a pipe: the first Wine process of a
    # session starts wineserver and services that would inherit a pipe and
    # keep it open long after winauto itself has ended.
    with tempfile.TemporaryFile() as out:
        p = subprocess.Popen(['wine', WINAUTO] + [str(a) for a in args], env=wine_env(), stdout=out,
                             stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL)
        try:
            code = p.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            p.kill()
            p.wait()
            raise
        out.seek(0)
        return code, out.read().decode('utf-8', 'replace')


def windows(cls='*', caption='*'):
    _, out = winauto('list', cls, caption)
    return [Window(line.split('\t')) for line in out.splitlines() if line.count('\t') >= 7]


def children(hwnd):
    _, out = winauto('children', hwnd)
    return [Window(line.split('\t')) for line in out.splitlines() if line.count('\t') >= 7]


def wait_window(cls, caption='*', timeout=20):
    code, out = winauto('wait', cls, caption, int(timeout * 1000), timeout=timeout + 30)
    return out.strip() if code == 0 else None


def press(dialog, *captions, timeout=10):
    """Clicks the button of a dialog (a message box, say) that bears one of the
    captions (Wine's own buttons are translated: "ОК" on a Russian system).
    A dialog is listed as soon as it exists, its buttons a moment later on a
    busy machine: they are looked for until the timeout."""
    def button():
        return next((w for w in children(dialog)
                     if w.cls.lower() == 'button' and w.text.replace('&', '') in captions), None)
    found = wait_until(button, timeout)
    if found:
        winauto('click', found.hwnd)
    return found is not None


def fake_notification_area(test):
    """Stands in for the notification area until the test ends; the tray icon
    requests it got so far, as (request, owner, icon id) tuples, are what the
    function it returns gives. Wine forgets the icons of ended processes and
    tells no one which icons it shows: this one tells."""
    out = tempfile.NamedTemporaryFile(delete=False)
    out.close()
    test.addCleanup(os.unlink, out.name)
    with open(out.name, 'wb') as sink:
        test.procs.append(subprocess.Popen(['wine', WINAUTO, 'traylog', '120000'], env=wine_env(), stdout=sink,
                                           stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL))

    def lines():
        with open(out.name, 'rb') as f:
            return [tuple(line.split('\t')) for line in f.read().decode('utf-8', 'replace').splitlines()]
    test.assertTrue(wait_until(lambda: any(line[0] == 'ready' for line in lines()), 30),
                    'the stand-in notification area did not start')
    return lambda: [line for line in lines() if line[0] != 'ready']


def wait_gone(cls, caption='*', timeout=20):
    code, _ = winauto('gone', cls, caption, int(timeout * 1000), timeout=timeout + 30)
    return code == 0


class Install:
    """A fresh folder holding what a user's installation holds."""

    def __init__(self, name, images=True):
        self.dir = os.path.join(WORK, name)
        shutil.rmtree(self.dir, ignore_errors=True)
        os.makedirs(self.dir)
        shutil.copy2(os.path.join(RUN_DIR, 'Strevo.exe'), self.dir)
        for extra in glob.glob(os.path.join(RUN_DIR, '*.dll')) + glob.glob(os.path.join(RUN_DIR, '*.lng.en')):
            shutil.copy2(extra, self.dir)
        for sub in ('Icons', 'TVGuide'):
            os.makedirs(os.path.join(self.dir, sub), exist_ok=True)
        if images:
            shutil.copytree(os.path.join(RUN_DIR, 'Images'), os.path.join(self.dir, 'Images'))
        self.exe = os.path.join(self.dir, 'Strevo.exe')

    def path(self, *parts):
        return os.path.join(self.dir, *parts)

    def sibling(self, ending):
        return self.path('Strevo' + ending)

    def enable_log(self):
        open(self.sibling('.log'), 'wb').close()

    def log_lines(self):
        try:
            with open(self.sibling('.log'), 'rb') as f:
                data = f.read().decode('cp1251')
        except FileNotFoundError:
            return []
        return [line for line in data.split('\r\n') if line]

    def log_messages(self):
        """The log's messages without their date and time."""
        return [line[20:] for line in self.log_lines()]


class E2ETestCase(unittest.TestCase):
    """Starts processes through self.start(); every one of them, and every Wine
    process they started, is ended after the test."""

    @classmethod
    def setUpClass(cls):
        _ensure_display()
        _ensure_prefix()

    def setUp(self):
        self.procs = []
        subprocess.run(['wineserver', '-k'], env=wine_env(), stderr=subprocess.DEVNULL)
        # A server that stays until tearDown: left to itself it ends 3 s after
        # its last process, and a Wine program started in that moment finds
        # it going and ends with status 1 without running (seen between two
        # runs of one scenario that were a few seconds apart).
        subprocess.run(['wineserver', '-p'], env=wine_env(), stderr=subprocess.DEVNULL)

    def tearDown(self):
        for p in self.procs:
            if p.poll() is None:
                p.kill()
        subprocess.run(['wineserver', '-k'], env=wine_env(), stderr=subprocess.DEVNULL)
        for p in self.procs:
            try:
                p.wait(timeout=10)
            except subprocess.TimeoutExpired:
                pass

    def install(self, images=True):
        # One folder per scenario file: files run side by side.
        module, _, method = self.id().rpartition('.')
        return Install(os.path.join(module.split('.')[0], method), images)

    def start(self, install, *args, env=None):
        p = subprocess.Popen(['wine', install.exe] + list(args), cwd=install.dir, env=wine_env(env),
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.procs.append(p)
        return p

    def wait_exit(self, proc, timeout=20):
        try:
            return proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            return None

    def start_player(self, install, *args, env=None, timeout=30):
        """Starts a player and waits until its start-up has finished."""
        proc = self.start(install, *args, env=env)
        hwnd = wait_window('StrevoMain', 'Strevo', timeout)
        self.assertIsNotNone(hwnd, 'the player showed no main window')
        ok = wait_until(lambda: any(w.x >= 0 for w in windows('StrevoMain', 'Strevo')), timeout)
        self.assertTrue(ok, 'the main window never left its off-screen start position')
        return proc, hwnd
