"""Channel-list reloads from servers that stream for ever, reset the
connection, send less than they announce, answer 404 or send nothing: the
local list stays as it was, nobody is told that a new list came, and the
player answers its messages while the transfer runs."""
import socket
import struct
import threading
import time
import unittest

from harness import E2ETestCase, FixedPort, children, press, wait_until, wait_window, winauto, windows
from test_config_channels import big_list, globals_record, retry_bind, write_ini

URL = 'http://127.0.0.1%s'
RELOAD_COMMAND = 40000 + 48  # main menu item "Обновить список каналов"
LIMIT = 64 << 20             # the size limit of a channel list
RATE = 8 << 20               # bytes per second of the endless stream: its limit is 8 s away


class HostileServer:
    """An HTTP server on 127.0.0.1:80 whose answer depends on the path."""

    def __init__(self):
        self.requests = []
        self.sent = 0
        self.client_left = threading.Event()
        self.stop = threading.Event()
        self.port_lock = FixedPort(80)

        def make():
            s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
            s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
            try:
                s.bind(('127.0.0.1', 80))
            except OSError:
                s.close()
                raise
            return s
        self.sock = retry_bind(make)
        self.sock.listen(4)
        self.sock.settimeout(0.2)
        self.thread = threading.Thread(target=self.serve, daemon=True)
        self.thread.start()

    def close(self):
        self.stop.set()
        self.thread.join(10)
        self.sock.close()
        self.port_lock.release()

    def serve(self):
        while not self.stop.is_set():
            try:
                conn, _ = self.sock.accept()
            except socket.timeout:
                continue
            except OSError:
                return
            threading.Thread(target=self.answer, args=(conn,), daemon=True).start()

    def answer(self, conn):
        with conn:
            conn.settimeout(10)
            head = b''
            while b'\r\n\r\n' not in head:
                data = conn.recv(4096)
                if not data:
                    return
                head += data
            path = head.split(b' ')[1].decode()
            self.requests.append(path)
            getattr(self, 'do_' + path.strip('/'))(conn)

    def send(self, conn, data):
        try:
            conn.sendall(data)
        except OSError:
            self.client_left.set()
            return False
        self.sent += len(data)
        return True

    def do_live(self, conn):
        # A live stream behind a proxy address: no length, no end.
        if not self.send(conn, b'HTTP/1.0 200 OK\r\nContent-Type: video/mp2t\r\n\r\n'):
            return
        block = b'\x47' + b'\xff' * (64 * 1024 - 1)
        start = time.monotonic()
        while not self.stop.is_set():
            if not self.send(conn, block):
                return
            ahead = self.sent / RATE - (time.monotonic() - start)
            if ahead > 0:
                time.sleep(ahead)

    def do_reset(self, conn):
        self.send(conn, b'HTTP/1.0 200 OK\r\n\r\n' + big_list(200)[:3000])
        time.sleep(0.3)
        conn.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack('ii', 1, 0))

    def do_short(self, conn):
        self.send(conn, b'HTTP/1.1 200 OK\r\nContent-Length: 20000\r\n\r\n' + big_list(200)[:3000])
        conn.shutdown(socket.SHUT_WR)
        time.sleep(0.3)

    def do_missing(self, conn):
        self.send(conn, b'HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nnot found')
        time.sleep(0.3)

    def do_empty(self, conn):
        self.send(conn, b'HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n')
        time.sleep(0.3)


class FailedReloads(E2ETestCase):
    def prepare(self, path):
        inst = self.install()
        inst.enable_log()
        write_ini(inst, [globals_record(URL % path)])
        with open(inst.sibling('.m3u'), 'wb') as f:
            f.write(big_list())
        return inst

    def assert_list_kept(self, inst, path, box_text):
        with open(inst.sibling('.m3u'), 'rb') as f:
            self.assertEqual(f.read(), big_list(), 'the failed reload replaced the list')
        self.assertIn('Новый список каналов загружен из "%s" (0 Kb)!' % (URL % path), box_text)
        loaded = 'playlist loaded from "%s" 0bytes' % (URL % path)
        # The log lines follow the message box: wait for the parse after it.
        self.assertTrue(wait_until(lambda: loaded in inst.log_messages()[:-1], 20), inst.log_messages())
        msgs = inst.log_messages()
        self.assertIn('httpcmd GET 127.0.0.1%s 0bytes' % path, msgs)
        self.assertEqual(msgs[msgs.index(loaded) + 1], 'reloadplaylist done =80ch, utf=0')

    def answer_box(self, timeout):
        box = wait_window('#32770', 'Strevo', timeout)
        self.assertIsNotNone(box, 'no message box')
        text = ' '.join(w.text for w in children(box) if w.cls.lower() == 'static')
        self.assertTrue(press(box, 'OK', 'ОК'))
        return text

    def test_a_stream_that_never_ends_stops_at_the_limit_while_the_player_answers(self):
        server = HostileServer()
        self.addCleanup(server.close)
        inst = self.prepare('/live')
        proc, hwnd = self.start_player(inst, '/nologo')
        self.assertTrue(wait_until(lambda: 'form created' in inst.log_messages(), 30))
        self.assertEqual(server.requests, [], 'the local copy was not reused at start-up')

        winauto('command', hwnd, RELOAD_COMMAND)
        self.assertTrue(wait_until(lambda: server.sent > 4 << 20, 30), 'the reload never started streaming')
        code, out = winauto('ping', hwnd, 1000, 8, 200)
        self.assertEqual(code, 0, 'the main window did not answer within 1 s during the transfer: %r' % out)
        self.assertFalse(server.client_left.is_set(), 'the transfer ended before the window was asked')

        # The limit comes after LIMIT / RATE seconds; wait a good deal longer.
        text = self.answer_box(LIMIT / RATE * 4 + 30)
        self.assertTrue(server.client_left.wait(10), 'the player went on reading the stream')
        # What the server could put into the socket buffers beyond the limit.
        self.assertLess(server.sent, LIMIT + (8 << 20))
        self.assertIn('httpcmd GET 127.0.0.1/live failed: over %d bytes' % LIMIT, inst.log_messages())
        self.assert_list_kept(inst, '/live', text)
        self.assertEqual(server.requests, ['/live'])

        code, _ = winauto('ping', hwnd, 1000)
        self.assertEqual(code, 0)
        winauto('close', hwnd)
        self.assertEqual(self.wait_exit(proc, 30), 0)

    def test_a_reset_a_short_body_an_error_status_or_an_empty_body_keep_the_list(self):
        server = HostileServer()
        self.addCleanup(server.close)
        reasons = {'/reset': 'read error after', '/short': 'of 20000 bytes', '/missing': 'HTTP 404', '/empty': None}
        for path, reason in reasons.items():
            with self.subTest(path=path):
                inst = self.prepare(path)
                proc = self.start(inst, '/updatem3u')
                # Unattended: the run logs the message instead of waiting on a box.
                self.assertEqual(self.wait_exit(proc, 60), 0)
                self.assertEqual(windows('#32770', 'Strevo'), [])
                text = ' '.join(m for m in inst.log_messages() if m.startswith('Новый список каналов загружен из'))
                self.assert_list_kept(inst, path, text)
                failed = [m for m in inst.log_messages() if m.startswith('httpcmd GET 127.0.0.1%s failed: ' % path)]
                if reason:
                    self.assertEqual(len(failed), 1, inst.log_messages())
                    self.assertIn(reason, failed[0])
                else:
                    self.assertEqual(failed, [], 'an empty body is a complete answer that brought nothing')
        self.assertEqual(server.requests, list(reasons))


if __name__ == '__main__':
    unittest.main()
