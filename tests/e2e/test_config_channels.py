"""The configuration file and the channel list as a user's installation sees
them: an M3U list fetched over HTTP from a local server, the local copy beside
the exe, the event log, and the .ini written back at close."""
import errno
import http.server
import os
import re
import shutil
import socket
import ssl
import subprocess
import tempfile
import threading
import time
import unittest

from harness import (BUILD, E2ETestCase, FixedPort, children, press, wait_until, wait_window, windows, winauto, winpath,
                     wine_env)

USER_AGENT = 'Mozilla/4.0 (compatible; MSIE 6.0; Windows NT)'
LIST = ('#EXTM3U\r\n#EXTINF:-1,News, Weather\r\nudp://@239.1.1.1:1234\r\n'
        '#EXTINF:-1,Rock & Pop\r\nhttp://127.0.0.1:8081/stream\r\n'
        '#EXTINF:-1,\xcf\xe5\xf0\xe2\xfb\xe9\r\nudp://@239.1.1.3:1234\r\n').encode('latin-1')
NEW_LIST = b'#EXTM3U\r\n#EXTINF:-1,Only\r\nudp://@239.9.9.9:1234\r\n'


def big_list(channels=80):
    """A list of some Kb, so that a message reporting its size instead of 0 Kb shows."""
    return b'#EXTM3U\r\n' + b''.join(b'#EXTINF:-1,Channel %d\r\nudp://@239.2.%d.%d:1234\r\n' % (i, i // 256, i % 256)
                                     for i in range(1, channels + 1))

# WinInet must talk to our server directly, whatever the machine's settings.
for _var in ('http_proxy', 'HTTP_PROXY', 'https_proxy', 'HTTPS_PROXY', 'all_proxy', 'ALL_PROXY'):
    os.environ.pop(_var, None)


class ListServer:
    """An HTTP server on 127.0.0.1 that records every request."""

    def __init__(self, port, body=LIST, tls=None):
        self.requests = []
        self.body = body
        outer = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                outer.requests.append((self.command, self.path, self.headers.get('User-Agent'),
                                       self.headers.get('Host')))
                self.send_response(200)
                self.send_header('Content-Type', 'audio/x-mpegurl')
                self.send_header('Content-Length', str(len(outer.body)))
                self.end_headers()
                self.wfile.write(outer.body)

            def log_message(self, *args):
                pass

        http.server.ThreadingHTTPServer.allow_reuse_address = True
        self.port_lock = FixedPort(port) if port else None
        self.httpd = retry_bind(lambda: http.server.ThreadingHTTPServer(('127.0.0.1', port), Handler))
        if tls:
            # (certificate, key) files: the server speaks https.
            context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
            context.load_cert_chain(*tls)
            self.httpd.socket = context.wrap_socket(self.httpd.socket, server_side=True)
        self.thread = threading.Thread(target=self.httpd.serve_forever, daemon=True)
        self.thread.start()

    def stop(self):
        self.httpd.shutdown()
        self.httpd.server_close()
        if self.port_lock:
            self.port_lock.release()


def retry_bind(make):
    # Port 80 may be held for a moment by another scenario: wait for it.
    deadline = time.monotonic() + 60
    while True:
        try:
            return make()
        except OSError as e:
            if e.errno != errno.EADDRINUSE or time.monotonic() > deadline:
                raise
            time.sleep(0.5)


def closed_port(port):
    """Holds a port bound without listening: every connection is refused."""
    def make():
        s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        # Connections of an earlier server may linger in TIME_WAIT.
        s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        try:
            s.bind(('127.0.0.1', port))
        except OSError:
            s.close()
            raise
        return s
    lock = FixedPort(port)
    return RefusingPort(retry_bind(make), lock)


class RefusingPort:
    def __init__(self, sock, lock):
        self.sock, self.lock = sock, lock

    def close(self):
        self.sock.close()
        self.lock.release()


def globals_record(playlisturl, **overrides):
    """A global record as a previous session would have saved it."""
    fields = ['?Globals', '40', '30', '76', '200', '100', '360', '288', '0', '1', '?', '50', '0', 'Auto', '0',
              'C:\\', '16314867;13809086;6239807;11894655;13809086;11497584;14865371;', '1', '1', '1', '0', '0',
              '0', '0', playlisturl, '0', '1', '', '0', '0', '0', '0', '0', '0', '0']
    for index, value in overrides.items():
        fields[int(index[1:])] = value
    return '|'.join(fields) + '|'


def write_ini(inst, lines):
    with open(inst.sibling('.ini'), 'wb') as f:
        f.write(''.join(line + '\r\n' for line in lines).encode('cp1251'))


def read_ini(inst):
    with open(inst.sibling('.ini'), 'rb') as f:
        data = f.read()
    assert data.endswith(b'\r\n'), data[-20:]
    return data.decode('cp1251').split('\r\n')[:-1]


class ConfigurationAndChannelList(E2ETestCase):
    def close_player(self, proc, hwnd):
        winauto('close', hwnd)
        self.assertEqual(self.wait_exit(proc, 30), 0)

    def run_player(self, inst):
        proc, hwnd = self.start_player(inst, '/nologo')
        self.assertTrue(wait_until(lambda: 'form created' in inst.log_messages(), 30))
        return proc, hwnd

    def test_list_is_fetched_once_then_reused_and_the_configuration_saved(self):
        server = ListServer(80)
        self.addCleanup(server.stop)
        inst = self.install()
        inst.enable_log()
        url = 'http://127.0.0.1/list.m3u'
        # Lines the player has no business with: a record of a newer version and
        # the record of a channel that is not played.
        unknown = ['future-record|a|b|', 'udp://@239.5.5.5:1234|1|90|100|0|100|100|0|None|0|||||0||0|0|0|']
        write_ini(inst, [unknown[0], globals_record(url), unknown[1]])

        proc, hwnd = self.run_player(inst)
        self.assertEqual(server.requests, [('GET', '/list.m3u', USER_AGENT, '127.0.0.1')])
        with open(inst.sibling('.m3u'), 'rb') as f:
            self.assertEqual(f.read(), LIST)
        msgs = inst.log_messages()
        self.assertIn('httpcmd GET 127.0.0.1/list.m3u %dbytes' % len(LIST), msgs)
        self.assertIn('playlist loaded from "%s" %dbytes' % (url, len(LIST)), msgs)
        self.assertIn('reloadplaylist done =3ch, utf=0', msgs)
        self.assertIn('local IPs done', msgs)
        order = ['tooltips created', 'playlist loaded from "%s" %dbytes' % (url, len(LIST)),
                 'reloadplaylist done =3ch, utf=0', 'cfg loaded', 'form created']
        self.assertEqual([m for m in msgs if m in order], order)
        self.close_player(proc, hwnd)

        lines = read_ini(inst)
        self.assertEqual(lines[0], unknown[0])
        self.assertEqual(lines[2], unknown[1])
        # Anything after them is the record of the channel current at close.
        self.assertEqual([line.split('|')[0] for line in lines[3:]], ['?'])
        record = lines[1]
        self.assertTrue(record.startswith('?Globals|') and record.endswith('|'), record)
        self.assertEqual(record.count('|'), 35)
        fields = record.split('|')
        self.assertEqual(fields[24], url)
        self.assertEqual(fields[13], 'Auto')
        self.assertEqual(fields[29], '0')
        closing = inst.log_messages()
        self.assertLess(closing.index('сап saved'), closing.index('ini saved'))
        self.assertLess(closing.index('ini saved'), closing.index('halt now - exit 0'))

        # A second start reuses the local copy without asking the server.
        before = len(inst.log_messages())
        proc, hwnd = self.run_player(inst)
        second = inst.log_messages()[before:]
        self.assertEqual(len(server.requests), 1)
        self.assertFalse([m for m in second if m.startswith(('httpcmd', 'playlist loaded'))], second)
        self.assertIn('reloadplaylist done =3ch, utf=0', second)
        self.close_player(proc, hwnd)

    def test_fresh_start_writes_one_global_record(self):
        inst = self.install()
        inst.enable_log()
        proc, hwnd = self.run_player(inst)
        self.assertIn('def cfg loaded', inst.log_messages())
        self.assertIn('reloadplaylist done =0ch, utf=0', inst.log_messages())
        self.close_player(proc, hwnd)
        lines = read_ini(inst)
        self.assertEqual([line.split('|')[0] for line in lines].count('?Globals'), 1)
        # Besides it only the record of the channel current at close ("?": none).
        self.assertEqual([line.split('|')[0] for line in lines[1:]], ['?'])
        fields = lines[0].split('|')
        self.assertEqual(len(fields), 36)  # 35 fields and the empty text after the last "|"
        self.assertEqual((fields[0], fields[10], fields[30], fields[26]), ('?Globals', '?', '1', '1'))
        self.assertTrue(os.path.exists(inst.sibling('.m3u')))

    def update_run(self, inst, *args):
        """A maintenance run that reloads the list; returns the message it logged.
        It is unattended: it shows no box that would keep it waiting."""
        before = len(inst.log_messages())
        proc = self.start(inst, *args)
        self.assertEqual(self.wait_exit(proc, 60), 0, 'the maintenance run did not end by itself')
        self.assertEqual(windows('#32770', 'Strevo'), [])
        return ' '.join(m for m in inst.log_messages()[before:] if m.startswith('Новый список каналов загружен из'))

    def test_reload_replaces_the_list_only_when_a_new_one_came(self):
        inst = self.install()
        inst.enable_log()
        url = 'http://127.0.0.1/list.m3u'
        write_ini(inst, [globals_record(url)])
        old = big_list()
        self.assertGreater(len(old), 2 * 1024)
        with open(inst.sibling('.m3u'), 'wb') as f:
            f.write(old)

        refused = closed_port(80)
        try:
            text = self.update_run(inst, '/updatem3u')
        finally:
            refused.close()
        with open(inst.sibling('.m3u'), 'rb') as f:
            self.assertEqual(f.read(), old, 'a failed download lost the channel list')
        # Nothing came: the size of the list that was kept is no news.
        self.assertIn('Новый список каналов загружен из "%s" (0 Kb)!' % url, text)
        self.assertIn('playlist loaded from "%s" 0bytes' % url, inst.log_messages())
        self.assertFalse([m for m in inst.log_messages() if m.startswith('httpcmd')], 'the request did not fail')
        self.assertIn('reloadplaylist done =80ch, utf=0', inst.log_messages())

        server = ListServer(80, body=NEW_LIST)
        self.addCleanup(server.stop)
        self.update_run(inst, '/updatetvg', '/updatem3u')
        self.assertEqual(len(server.requests), 1)
        with open(inst.sibling('.m3u'), 'rb') as f:
            self.assertEqual(f.read(), NEW_LIST)
        msgs = inst.log_messages()
        self.assertEqual(msgs[-2:], ['playlist loaded from "%s" %dbytes' % (url, len(NEW_LIST)),
                                     'reloadplaylist done =1ch, utf=0'])
        # Maintenance runs write no configuration.
        self.assertEqual(read_ini(inst), [globals_record(url)])

    def test_a_list_on_a_port_of_its_own_with_a_query_is_fetched_and_its_password_kept_from_the_log(self):
        server = ListServer(0)
        self.addCleanup(server.stop)
        port = server.httpd.server_address[1]
        inst = self.install()
        inst.enable_log()
        query = '/get.php?username=viewer&password=s3cret&type=m3u_plus'
        url = 'http://127.0.0.1:%d%s' % (port, query)
        write_ini(inst, [globals_record(url)])
        proc, hwnd = self.run_player(inst)
        self.assertEqual(server.requests, [('GET', query, USER_AGENT, '127.0.0.1:%d' % port)])
        msgs = inst.log_messages()
        shown = query.replace('s3cret', '***')
        self.assertIn('httpcmd GET 127.0.0.1:%d%s %dbytes' % (port, shown, len(LIST)), msgs)
        self.assertIn('playlist loaded from "http://127.0.0.1:%d%s" %dbytes' % (port, shown, len(LIST)), msgs)
        self.assertIn('reloadplaylist done =3ch, utf=0', msgs)
        self.assertFalse([m for m in msgs if 's3cret' in m], 'the password reached the log')
        self.close_player(proc, hwnd)

        # The same over https from a local server: refused while its
        # certificate is unknown (the system's checks), fetched once the
        # certificate is installed as a trusted root of the Wine prefix (its
        # name as a DNS entry too: Wine matches the host against those).
        folder = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, folder, True)
        cert, key, der = (os.path.join(folder, n) for n in ('cert.pem', 'key.pem', 'cert.der'))
        subprocess.run(['openssl', 'req', '-x509', '-newkey', 'rsa:2048', '-nodes', '-keyout', key, '-out', cert,
                        '-days', '2', '-subj', '/CN=127.0.0.1', '-addext', 'subjectAltName=DNS:127.0.0.1,IP:127.0.0.1'],
                       check=True, capture_output=True)
        subprocess.run(['openssl', 'x509', '-in', cert, '-outform', 'der', '-out', der], check=True)
        secure = ListServer(0, tls=(cert, key))
        self.addCleanup(secure.stop)
        url = 'https://127.0.0.1:%d%s' % (secure.httpd.server_address[1], query)
        def start_again():
            # Without a local copy the list is fetched at start; the log holds
            # the earlier runs, so wait for this run's own line.
            os.remove(inst.sibling('.m3u'))
            write_ini(inst, [globals_record(url)])
            started = inst.log_messages().count('form created')
            proc, hwnd = self.start_player(inst, '/nologo')
            self.assertTrue(wait_until(lambda: inst.log_messages().count('form created') > started, 30))
            return proc, hwnd

        proc, hwnd = start_again()
        self.assertEqual(secure.requests, [], 'a list from a server of unknown certificate was taken')
        self.assertEqual(inst.log_messages()[-1:], ['form created'])
        self.assertIn('reloadplaylist done =0ch, utf=0', inst.log_messages()[-5:])
        self.close_player(proc, hwnd)
        self.assertEqual(winauto('trust', winpath(der))[0], 0)
        self.addCleanup(winauto, 'untrust', winpath(der))
        loaded = inst.log_messages().count('reloadplaylist done =3ch, utf=0')
        proc, hwnd = start_again()
        self.assertEqual([r[1] for r in secure.requests], [query])
        self.assertEqual(inst.log_messages().count('reloadplaylist done =3ch, utf=0'), loaded + 1)
        self.close_player(proc, hwnd)

    def test_interface_list_holds_the_machines_addresses(self):
        addresses = [a for a in machine_ipv4_addresses() if not a.startswith('127.')]
        if not addresses:
            self.skipTest('this machine has no non-loopback IPv4 address')
        env = wine_env({'STREVO_EXPECT_ADDRESSES': ','.join(addresses)})
        tests = os.path.join(BUILD, 'win_tests.exe')
        # Through a file, not a pipe: Wine's services, started by the first
        # program of the scenario's server, would hold a pipe open as long as
        # that server lives.
        with tempfile.TemporaryFile() as sink:
            code = subprocess.run(['wine', tests, '--gtest_filter=NetworkInterfaces.*'], env=env, stdout=sink,
                                  stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL, timeout=120).returncode
            sink.seek(0)
            printed = sink.read()
        self.assertEqual(code, 0, printed.decode('utf-8', 'replace')[-2000:])
        self.assertIn(b'[  PASSED  ] 1 test.', printed)


def machine_ipv4_addresses():
    out = subprocess.run(['ip', '-4', '-o', 'addr', 'show'], capture_output=True, text=True).stdout
    return re.findall(r'inet (\d+\.\d+\.\d+\.\d+)/', out)


if __name__ == '__main__':
    unittest.main()
