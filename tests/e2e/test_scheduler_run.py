"""The player carries out scheduled tasks: the test's clock (STREVO_CLOCK,
anchored at a known real moment and running six times as fast) lets the test
put a task a few seconds ahead of the player's "now" and write the task file
while the player runs, as the scheduler window would.

In one minute: a command task runs its command line with the variables
expanded (its output file shows them); a background recording task starts a
recorder with the channel, the address, the file name and the length; a
recording task in the player records through the record command with its
file-name addition, and at its end minute its end action, the computer's
shut-down, reaches the system call (a trace file instead of the call); a
disabled task, "$Close" and a task on a channel past the list do nothing.
Back-to-back recordings in the player both record, the later one listed
first. A recording task that hands over to the agent starts it and the player
closes at the next minute. A scheduled reload of the channel list tells its
result in the log, not in a message box that would hold up the next task.
"""
import datetime
import os
import re
import shutil
import time
import unittest

import shedfile
from harness import BUILD, RUN_DIR, E2ETestCase, wait_until, windows, winpath
from multicast import file_run, start_sender
from test_playback import Trace, globals_record
from test_recorder import status

ENGINE = os.path.join(RUN_DIR, 'libvlc.dll')
GROUP = '239.255.12.7'
SPEED = 6
DAY = datetime.date(2026, 12, 8)


def shed_record(name, start, end, kind, channel=0, mode=0, command='', suffix='', after=5, enabled=1):
    """A task on DAY as the scheduler window writes it; start and end are minutes of the day."""
    return shedfile.Task(name=name, enabled=enabled, start=divmod(start, 60), date=DAY, kind=kind,
                         channel=channel, suffix=suffix, mode=mode, command=command, end=divmod(end, 60),
                         after_end=after)


@unittest.skipUnless(os.path.exists(ENGINE), 'the stand-in engine (libvlc.dll) is not built')
class SchedulerRun(E2ETestCase):
    def setup_player(self, name):
        self.senders = [start_sender(self, GROUP, port) for port in (5031, 5032)]
        self.capture = os.path.join(BUILD, 'e2e', 'test_scheduler_run', name)
        shutil.rmtree(self.capture, ignore_errors=True)
        os.makedirs(self.capture)
        inst = self.install()
        inst.enable_log()
        m3u = inst.path('channels.m3u8')
        with open(m3u, 'w', encoding='cp1251', newline='\r\n') as f:
            f.write('#EXTM3U\n#EXTINF:0,First\nudp://@%s:5031\n#EXTINF:0,Second\nudp://@%s:5032\n' % (GROUP, GROUP))
        with open(inst.sibling('.ini'), 'w', encoding='cp1251', newline='\r\n') as f:
            f.write(globals_record(winpath(m3u), '127.0.0.1', winpath(self.capture), 2) + '\n')
        self.trace = Trace(inst.path('engine-trace.txt'))
        self.shutdown_trace = inst.path('shutdown.txt')
        # The clock starts at 21:00 now and runs SPEED times as fast.
        self.anchor = time.time()
        env = {'STREVO_ENGINE_TRACE': winpath(self.trace.path),
               'STREVO_SHUTDOWN_TRACE': winpath(self.shutdown_trace),
               'STREVO_CLOCK': '%sT21:00:00@%d*%d' % (DAY.isoformat(), int(self.anchor * 1000), SPEED)}
        self.proc, _ = self.start_player(inst, '/nologo', env=env)
        return inst

    def fake_minutes(self):
        """The player's "now" in minutes of DAY."""
        return 21 * 60 + (time.time() - self.anchor) * SPEED / 60.0

    def next_minute(self):
        """A minute at least 15 s of the player's clock ahead: time to write the file."""
        return int(self.fake_minutes() + 0.25) + 1

    def wait_for_minute(self, minute):
        """Real seconds until the player's clock reaches the end of `minute`, plus slack."""
        return max(0.0, (minute + 1 - self.fake_minutes()) * 60.0 / SPEED) + 20

    def log_after(self, inst, start):
        return [m for m in inst.log_messages()[start:] if m.startswith('shed: ')]

    def test_tasks_of_a_minute_run_by_kind_and_the_end_action_shuts_down(self):
        inst = self.setup_player('kinds')
        out = os.path.join(self.capture, 'out.txt')
        never = os.path.join(self.capture, 'never.txt')
        log_start = len(inst.log_messages())
        m = self.next_minute()
        records = [
            shed_record('Echo', m, m + 90, 3, channel=1, suffix='Sfx',
                        command='cmd.exe /c echo %%name%%,%%dur%%,%%date%%,%%subfn%%,%%ip%%> "%s"' % winpath(out)),
            shed_record('Off', m, m + 1, 3, command='cmd.exe /c echo x> "%s"' % winpath(never), enabled=0),
            shed_record('Close', m, m + 1, 3, command='$Close'),
            shed_record('Nowhere', m, m + 1, 1, channel=2),
            shed_record('Background', m, m + 1, 2, channel=1, mode=1, suffix='Bg'),
            shed_record('Film', m, m + 1, 2, channel=0, mode=0, suffix='Film', after=4),
        ]
        shedfile.write(inst.sibling('.Shed.ini'), records)

        # The command line, its variables expanded.
        self.assertTrue(wait_until(lambda: os.path.exists(out) and os.path.getsize(out) > 0, self.wait_for_minute(m)),
                        'the command task did not run')
        time.sleep(0.5)
        with open(out, 'rb') as f:
            self.assertEqual(f.read().decode('cp1251').strip(), 'Second,90,20261208,Sfx,127.0.0.1')

        # The recorder: channel, address, file and length from its arguments.
        rec = wait_until(lambda: windows('obj_Form', 'Background recording'), 20)
        self.assertTrue(rec, 'no recorder started')
        text = wait_until(lambda: (lambda s: s if 'Length' in s else '')(status(rec[0].hwnd)), 15)
        self.assertIn('\rChannel\t: Second\rSource\t: udp://@%s:5032\r' % GROUP, text)
        self.assertRegex(text, r'/ 00:01:00$')
        hhmm = '%02d%02d' % (m // 60, m % 60)
        background = re.compile(r'^Bg - Second-20261208-%s\d\d\.ts$' % hhmm)
        self.assertTrue(wait_until(lambda: any(background.match(n) for n in os.listdir(self.capture)), 15),
                        os.listdir(self.capture))

        # The recording in the player, named with its addition.
        film = re.compile(r'^Film - First-20261208-%s\d\d\.ts$' % hhmm)
        names = wait_until(lambda: [n for n in os.listdir(self.capture) if film.match(n)], 15)
        self.assertTrue(names, os.listdir(self.capture))
        chain = ('#duplicate{dst=display,dst=std{access=file,mux=ts,url=\\"%s/%s\\"}}'
                 % (winpath(self.capture).replace('\\', '/'), names[0]))
        self.assertIn('VLC_VariableSet 0 conf::sout string "%s"' % chain, self.trace.lines())

        # At the end minute the end action reaches the shut-down call, traced.
        self.assertTrue(wait_until(lambda: os.path.exists(self.shutdown_trace), self.wait_for_minute(m + 1)),
                        'no shut-down at the end of the recording')
        time.sleep(0.5)
        with open(self.shutdown_trace, 'rb') as f:
            lines = f.read().decode().splitlines()
        self.assertEqual(lines, ['privilege SeShutdownPrivilege', 'privilege SeRemoteShutdownPrivilege',
                                 'InitiateSystemShutdownA local, no message, 0 s, not forced, no restart'])

        # What did nothing: the disabled task, "$Close", the channel past the list.
        self.assertFalse(os.path.exists(never))
        self.assertIsNone(self.proc.poll(), 'the player closed')
        log = self.log_after(inst, log_start)
        self.assertEqual([l for l in log if l.startswith('shed: task ')],
                         ['shed: task Echo', 'shed: task Close', 'shed: task Background', 'shed: task Film'])
        self.assertIn('shed: no channel 2, task skipped: Nowhere', log)
        self.assertIn('shed: end of task Film', log)
        # Each task ran once.
        self.assertEqual(len([n for n in os.listdir(self.capture) if background.match(n)]), 1)

    def test_back_to_back_recordings_both_record_whatever_the_file_order(self):
        # One recording ends at the minute the next starts; the later one is
        # listed first. The earlier one's end must not take the later one down.
        inst = self.setup_player('back-to-back')
        log_start = len(inst.log_messages())
        m = self.next_minute()
        shedfile.write(inst.sibling('.Shed.ini'), [
            shed_record('Later', m + 1, m + 2, 2, channel=1, suffix='Later', after=0),
            shed_record('Earlier', m, m + 1, 2, channel=0, suffix='Earlier', after=0),
        ])
        later = re.compile(r'^Later - Second-20261208-%02d%02d\d\d\.ts$' % divmod(m + 1, 60))
        names = wait_until(lambda: [n for n in os.listdir(self.capture) if later.match(n)],
                           self.wait_for_minute(m + 1))
        self.assertTrue(names, os.listdir(self.capture))
        path = os.path.join(self.capture, names[0])
        # Still recording well into its minute.
        self.assertTrue(wait_until(lambda: os.path.getsize(path) > 200 * 1316, 6), 'the later recording stopped')
        grown = os.path.getsize(path)
        time.sleep(2)
        self.assertGreater(os.path.getsize(path), grown, 'the later recording stopped')
        self.assertTrue(wait_until(lambda: 'shed: end of task Later' in self.log_after(inst, log_start),
                                   self.wait_for_minute(m + 2)))
        log = [l for l in self.log_after(inst, log_start) if l.startswith(('shed: task ', 'shed: end of task '))]
        self.assertEqual(log, ['shed: task Earlier', 'shed: end of task Earlier', 'shed: task Later',
                               'shed: end of task Later'])
        earlier = [n for n in os.listdir(self.capture) if n.startswith('Earlier - First-')]
        self.assertEqual(len(earlier), 1, os.listdir(self.capture))
        for name in (earlier[0], names[0]):
            self.assertIsNotNone(file_run(os.path.join(self.capture, name)), name + ' is not a gapless recording')

    def test_a_recording_that_hands_over_to_the_agent_closes_the_player_at_the_next_minute(self):
        inst = self.setup_player('standby')
        m = self.next_minute()
        shedfile.write(inst.sibling('.Shed.ini'), [shed_record('Sleep', m, m + 1, 2, channel=0, mode=4)])
        self.assertTrue(wait_until(lambda: windows('obj_Form', 'Background recording'), self.wait_for_minute(m)),
                        'no recorder started')
        self.assertTrue(wait_until(lambda: windows('StrevoAgent', 'Strevo (Sleep)'), 20), 'no agent started')
        # Stopped and minimised now, closed at the next minute.
        self.assertIsNone(self.proc.poll())
        self.assertIsNotNone(self.wait_exit(self.proc, self.wait_for_minute(m + 1) + 20),
                             'the player did not close at the next minute')

    def test_a_scheduled_list_reload_does_not_hold_up_the_next_task(self):
        inst = self.setup_player('reload')
        out = os.path.join(self.capture, 'after.txt')
        log_start = len(inst.log_messages())
        m = self.next_minute()
        shedfile.write(inst.sibling('.Shed.ini'), [shed_record('Reload', m, m + 1, 3, command='$updatem3u'),
                                                   shed_record('After', m + 1, m + 2, 3,
                                                               command='cmd.exe /c echo done> "%s"' % winpath(out))])
        self.assertTrue(wait_until(lambda: os.path.exists(out), self.wait_for_minute(m + 1)),
                        'the task after the reload did not run')
        log = self.log_after(inst, log_start)
        self.assertTrue([l for l in log if l.startswith('shed: Новый список каналов загружен из "')], log)
        self.assertEqual(windows('#32770', 'Strevo'), [])


if __name__ == '__main__':
    unittest.main()
