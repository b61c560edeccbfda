"""Benchmark, not a test (scripts/bench-video runs it): the share of one core
that Strevo.exe takes under Wine while it plays one demo channel (its clip
served over HTTP on 127.0.0.1), from the processes' CPU times over 15 s.
"""
import os
import time
import unittest

from harness import E2ETestCase, wait_until, windows, winauto
from test_playback import PLAYER_COMMAND, SELECT, write_channels
from test_video import serve_clip


def proc_ticks(pid):
    with open('/proc/%d/stat' % pid) as f:
        parts = f.read().rsplit(')', 1)[1].split()
    return int(parts[11]) + int(parts[12])


def strevo_pids():
    out = []
    for p in os.listdir('/proc'):
        if p.isdigit():
            try:
                cmd = open('/proc/%s/cmdline' % p, 'rb').read()
            except OSError:
                continue
            if b'Strevo.exe' in cmd and b'python' not in cmd:
                out.append(int(p))
    return out


class PlayingCpuShare(E2ETestCase):
    def test_share_of_one_core(self):
        port = serve_clip(self)
        inst = self.install()
        inst.enable_log()
        write_channels(inst, ['http://127.0.0.1:%d/demo.ts' % port])
        self.start_player(inst, '/nologo')
        self.assertTrue(wait_until(lambda: 'form created' in inst.log_messages(), 30), 'start-up did not finish')
        main = windows('StrevoMain', 'Strevo')[0].hwnd
        winauto('post', main, PLAYER_COMMAND, SELECT, 1)
        time.sleep(6)
        pids = strevo_pids()
        t0 = {p: proc_ticks(p) for p in pids}
        w0 = time.monotonic()
        time.sleep(15)
        used = sum(proc_ticks(p) - t0[p] for p in pids) / os.sysconf('SC_CLK_TCK')
        print('\nplaying one demo channel: %.1f%% of one core (%d process(es), %.1f s CPU in %.1f s)' %
              (100 * used / (time.monotonic() - w0), len(pids), used, time.monotonic() - w0))
        with open('/proc/loadavg') as f:
            print('load average: ' + ' '.join(f.read().split()[:3]))


if __name__ == '__main__':
    unittest.main()
