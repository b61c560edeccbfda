"""What scripts/simulate-day and scripts/simulate-week share: the test clock
they run the program on, the installation, the agent, the multicast senders,
and the reading of what the run left behind (the event log, the marker lines
of command tasks, the recordings) into a report of fires per task and of
datagrams per recording."""
import bisect
import datetime
import os
import shutil
import subprocess
import threading
import time

import harness
import multicast
import shedfile
from multicast import SIZE, Sender
from test_playback import globals_record


class Planned:
    """A task and how its fires show: `observe` names the evidence (see
    Observed), `fires` the moments it must fire at (none for a task that
    must not)."""

    def __init__(self, key, task, fires, observe):
        self.key = key
        self.task = task
        self.fires = fires
        self.observe = observe


def at(day, hour, minute):
    return datetime.datetime.combine(day, datetime.time(hour, minute))


def minute_of(moment):
    return moment.replace(second=0, microsecond=0)


def duration_minutes(task):
    """A task's length as the player reckons it: end minus start, a day added
    when negative."""
    start = task.start[0] * 60 + task.start[1]
    end = task.end[0] * 60 + task.end[1]
    return (end - start) % 1440


def marker_command(folder, key):
    """A command line that appends the key and the task's expanded date and
    time to fires.txt."""
    fires_file = harness.winpath(os.path.join(folder, 'fires.txt'))
    return 'cmd.exe /c echo %s %%date%% %%time%%>> "%s"' % (key, fires_file)


class Clock:
    """The program's clock (STREVO_CLOCK): `start` at the real moment
    `real_start`, `speed` times as fast, and from each moment of `changes`
    ((moment, speed) in rising order) on at that speed."""

    def __init__(self, start, real_start, speed, changes=()):
        self.start = start
        self.real_start = real_start
        self.speed = speed
        self.changes = list(changes)

    def env(self):
        text = '%s@%d*%d' % (self.start.strftime('%Y-%m-%dT%H:%M:%S'), int(self.real_start * 1000), self.speed)
        return text + ''.join(';%s*%d' % (m.strftime('%Y-%m-%dT%H:%M:%S'), s) for m, s in self.changes)

    def _parts(self):
        """(program moment, real moment, speed) where each part begins."""
        parts = [(self.start, self.real_start, self.speed)]
        for moment, speed in self.changes:
            fake, real, before = parts[-1]
            parts.append((moment, real + (moment - fake).total_seconds() / before, speed))
        return parts

    def fake(self, real):
        """The program's moment at real time `real` (Unix seconds)."""
        parts = self._parts()
        fake, then, speed = parts[max(0, bisect.bisect_right([p[1] for p in parts], real) - 1)]
        return fake + datetime.timedelta(seconds=(real - then) * speed)

    def real(self, moment):
        """The real time (Unix seconds) at which the program's clock shows `moment`."""
        parts = self._parts()
        fake, then, speed = parts[max(0, bisect.bisect_right([p[0] for p in parts], moment) - 1)]
        return then + (moment - fake).total_seconds() / speed

    def now(self):
        return self.fake(time.time())


class Senders:
    """One numbered sender (multicast.Sender) per channel, each its own
    stream, so that a recording's datagrams tell which channel they came
    from and in which order; the send times are sampled, so that a datagram's
    number tells when it was sent."""

    def __init__(self, channels, rate):
        self.senders = {stream: Sender(group, port, rate, stream) for stream, (group, port) in channels.items()}
        self.samples = {stream: [] for stream in self.senders}
        self._halt = threading.Event()
        self._sampler = threading.Thread(target=self._sample, daemon=True)

    def start(self):
        for s in self.senders.values():
            s.start()
        self._sampler.start()

    def _sample(self):
        while not self._halt.wait(0.05):
            now = time.time()
            for stream, s in self.senders.items():
                self.samples[stream].append((s.sent, now))

    def sent_at(self, stream, number):
        """The real time datagram `number` of `stream` was sent by, to 50 ms."""
        samples = self.samples[stream]
        i = bisect.bisect_right([sent for sent, _ in samples], number)
        return samples[min(i, len(samples) - 1)][1] if samples else None

    def stop(self):
        self._halt.set()
        self._sampler.join(5)
        for s in self.senders.values():
            s.stop()


def datagrams_of(path, own, streams):
    """What a recording holds, datagram by datagram: own (whole datagrams of
    stream `own`), foreign (whole datagrams of another of `streams`), cut
    (neither: changed, cut or unknown bytes), the own numbers' gaps and the
    datagrams missing in them, and the first and last own number."""
    found = {'own': 0, 'foreign': 0, 'cut': 0, 'gaps': 0, 'missing': 0, 'first': None, 'last': None}
    others = [s for s in streams if s != own]
    with open(path, 'rb') as f:
        while True:
            data = f.read(SIZE * 1024)
            if not data:
                break
            for i in range(0, len(data), SIZE):
                piece = data[i:i + SIZE]
                number = int.from_bytes(piece[:8], 'big') if len(piece) >= 8 else -1
                if len(piece) == SIZE and piece == multicast.datagram(number, own):
                    found['own'] += 1
                    if found['last'] is not None and number != found['last'] + 1:
                        found['gaps'] += 1
                        found['missing'] += max(0, number - found['last'] - 1)
                    if found['first'] is None:
                        found['first'] = number
                    found['last'] = number
                elif len(piece) == SIZE and any(piece == multicast.datagram(number, s) for s in others):
                    found['foreign'] += 1
                else:
                    found['cut'] += 1
    return found


class Observed:
    """What the run left behind, read from outside the program."""

    def __init__(self, folder, inst):
        self.folder = folder
        self.inst = inst

    def log(self):
        """(moment, message) of every event-log line."""
        lines = []
        for line in self.inst.log_lines():
            try:
                moment = datetime.datetime.strptime(line[:19], '%d:%m:%Y %H:%M:%S')
            except ValueError:
                continue
            lines.append((moment, line[20:]))
        return lines

    def markers(self):
        """key -> moments its command line wrote (expanded %date% and %time%)."""
        found = {}
        try:
            with open(os.path.join(self.folder, 'fires.txt'), encoding='cp1251') as f:
                for line in f:
                    parts = line.split()
                    if len(parts) >= 3:
                        moment = datetime.datetime.strptime(parts[1] + parts[2], '%Y%m%d%H%M%S')
                        found.setdefault(parts[0], []).append(moment)
        except FileNotFoundError:
            pass
        return found

    def recordings(self, suffix):
        capture = os.path.join(self.folder, 'Capture')
        return sorted(name for name in os.listdir(capture) if name.startswith(suffix + ' - ')) \
            if os.path.isdir(capture) else []

    def shutdowns(self):
        try:
            with open(os.path.join(self.folder, 'shutdown.txt')) as f:
                return sum(1 for line in f if line.startswith('InitiateSystemShutdownA'))
        except FileNotFoundError:
            return 0


def evaluate(plan, observed):
    """Rows of (key, kind of evidence, expected, fired, in its minute, problems)."""
    log = observed.log()
    markers = observed.markers()
    rows = []
    for p in plan:
        fired = [m for m, text in log if text == 'shed: task ' + p.key]
        evidence = []
        if p.observe == 'marker':
            evidence = markers.get(p.key, [])
        elif p.observe in ('record', 'recorder'):
            evidence = observed.recordings(p.key)
        problems = []
        expected = len(p.fires)
        if len(fired) != expected:
            problems.append('fired %d times, expected %d' % (len(fired), expected))
        on_time = sum(1 for m in fired if minute_of(m) in p.fires)
        if on_time != len(fired):
            problems.append('out of its minute: %s' % ', '.join(m.strftime('%d %H:%M:%S') for m in fired))
        if p.observe != 'view' and p.observe not in ('reload', 'close') and len(evidence) != expected:
            problems.append('%d %s(s) left behind, expected %d' % (len(evidence), p.observe, expected))
        if p.observe == 'marker' and any(minute_of(m) not in p.fires for m in evidence):
            problems.append('marker times %s' % ', '.join(m.strftime('%d %H:%M:%S') for m in evidence))
        rows.append((p.key, p.observe, expected, len(fired), on_time, problems))
    return rows


def print_rows(rows):
    """The table of tasks and the totals line; the number of tasks with problems."""
    fires = sum(r[3] for r in rows)
    expected = sum(r[2] for r in rows)
    missed = sum(max(0, r[2] - r[3]) for r in rows)
    doubled = sum(max(0, r[3] - r[2]) for r in rows)
    print('%-4s %-9s %8s %6s %8s  %s' % ('task', 'evidence', 'expected', 'fired', 'on time', 'problems'))
    for key, observe, exp, fired, on_time, problems in rows:
        print('%-4s %-9s %8d %6d %8d  %s' % (key, observe, exp, fired, on_time, '; '.join(problems) or 'ok'))
    bad = sum(1 for r in rows if r[5])
    print('tasks %d, fires expected %d, fires %d, missed %d, extra %d, tasks with problems %d'
          % (len(rows), expected, fires, missed, doubled, bad))
    return bad


class Run:
    """A fresh installation under Wine for a simulated stretch: its channel
    list (`playlist`, the text of the file) and configuration (the globals
    with the interface 127.0.0.1, the Capture folder and the recording format
    `fmt`, then `records`), its task file, and the agent and players started
    on one clock."""

    def __init__(self, name, playlist, records=(), fmt=''):
        harness._ensure_display()
        harness._ensure_prefix()
        self.inst = harness.Install(name)
        self.folder = self.inst.dir
        self.capture = os.path.join(self.folder, 'Capture')
        os.makedirs(self.capture)
        self.inst.enable_log()
        m3u = self.inst.path('channels.m3u8')
        with open(m3u, 'w', encoding='cp1251', newline='\r\n') as f:
            f.write(playlist)
        with open(self.inst.sibling('.ini'), 'w', encoding='cp1251', newline='\r\n') as f:
            f.write(globals_record(harness.winpath(m3u), '127.0.0.1', harness.winpath(self.capture) + '\\', fmt) + '\n')
            for record in records:
                f.write(record + '\n')
        self.clock = None
        self.procs = []

    def schedule(self, plan):
        shedfile.write(self.inst.sibling('.Shed.ini'), [p.task for p in plan])

    def env(self):
        return {'STREVO_CLOCK': self.clock.env(),
                'STREVO_SHUTDOWN_TRACE': harness.winpath(os.path.join(self.folder, 'shutdown.txt'))}

    def start(self, *args):
        """The program with `args`, on the run's clock."""
        p = subprocess.Popen(['wine', self.inst.exe] + list(args), cwd=self.folder, env=harness.wine_env(self.env()),
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.procs.append(p)
        return p

    def wait_until_fake(self, moment, progress, every=30):
        """Sleeps until the program's clock shows `moment`, printing the clock
        and the log's length every `every` real seconds when `progress`."""
        while True:
            left = self.clock.real(moment) - time.time()
            if left <= 0:
                return
            time.sleep(min(every, left))
            if progress and left > every:
                print('  clock %s, %d log lines' % (self.clock.now().strftime('%a %d %H:%M:%S'),
                                                   len(self.inst.log_lines())), flush=True)

    def finish(self):
        for p in self.procs:
            if p.poll() is None:
                p.kill()
        subprocess.run(['wineserver', '-k'], env=harness.wine_env(), stderr=subprocess.DEVNULL)

    def observed(self):
        return Observed(self.folder, self.inst)

    def drop_recordings(self):
        shutil.rmtree(self.capture, ignore_errors=True)
