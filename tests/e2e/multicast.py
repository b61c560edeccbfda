"""A multicast sender on the loopback interface for the recording scenarios
and the recorder benchmark: numbered datagrams at a steady rate, each one's
bytes known from its number, so a recording can be checked against exactly
what was sent without keeping a copy.
"""
import os
import socket
import struct
import threading
import time

SIZE = 7 * 188  # seven TS packets, as IP television sends them
_BLOCKS = [os.urandom(SIZE - 8) for _ in range(251)]


def datagram(number, stream=0):
    """The bytes of datagram `number` of sender `stream`: the number, then a
    block that depends on both, so that two senders' datagrams differ."""
    return struct.pack('>Q', number) + _BLOCKS[(number + 97 * stream) % len(_BLOCKS)]


def sent_run(data, stream=0):
    """(first, count) when `data` is datagrams first, first + 1, ... of sender
    `stream`, whole and in order, as sent; None when anything is missing,
    doubled, cut, changed or another sender's."""
    if not data or len(data) % SIZE:
        return None
    first = struct.unpack_from('>Q', data, 0)[0]
    count = len(data) // SIZE
    view = memoryview(data)
    for i in range(count):
        if view[i * SIZE:(i + 1) * SIZE] != datagram(first + i, stream):
            return None
    return first, count


def file_run(path, chunk=4096, stream=0):
    """sent_run of a file read piece by piece, for recordings too large to hold."""
    first = None
    count = 0
    with open(path, 'rb') as f:
        while True:
            data = f.read(SIZE * chunk)
            if not data:
                break
            run = sent_run(data, stream)
            if run is None or (first is not None and run[0] != first + count):
                return None
            if first is None:
                first = run[0]
            count += run[1]
    return None if first is None else (first, count)


def file_numbers(path):
    """(first, last, datagrams) of the numbers a recording holds, read at every
    datagram's place: how much of the stream is there when the run has gaps."""
    first = last = None
    count = 0
    with open(path, 'rb') as f:
        while True:
            data = f.read(SIZE * 4096)
            if not data:
                break
            heads = b''.join(data[i:i + 8] for i in range(0, len(data) - 7, SIZE))
            for (number,) in struct.iter_unpack('>Q', heads):
                first = number if first is None else first
                last = number
                count += 1
    return first, last, count


class Sender(threading.Thread):
    """Sends to group:port on 127.0.0.1 only (IP_MULTICAST_IF, TTL 1) at
    `rate` bits per second until stopped, the datagrams of `stream`; `sent`
    counts them."""

    def __init__(self, group, port, rate=2_000_000, stream=0):
        super().__init__(daemon=True)
        self.sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.sock.setsockopt(socket.IPPROTO_IP, socket.IP_MULTICAST_IF, socket.inet_aton('127.0.0.1'))
        self.sock.setsockopt(socket.IPPROTO_IP, socket.IP_MULTICAST_TTL, 1)
        self.sock.setsockopt(socket.IPPROTO_IP, socket.IP_MULTICAST_LOOP, 1)
        self.sock.setsockopt(socket.SOL_SOCKET, socket.SO_SNDBUF, 4 << 20)
        self.target = (group, port)
        self.stream = stream
        self.per_second = rate / 8 / SIZE
        self.sent = 0
        self.failed = 0
        self.started_at = None
        self.paused = False
        self._halt = threading.Event()

    def pause(self, paused):
        """Stops sending for a while; the numbers go on where they stopped."""
        self.paused = paused

    def run(self):
        self.started_at = time.monotonic()
        while not self._halt.is_set():
            if self.paused:
                time.sleep(0.01)
                # Resumes at the steady rate, without a burst for the pause.
                self.started_at = time.monotonic() - self.sent / self.per_second
                continue
            due = int((time.monotonic() - self.started_at) * self.per_second)
            while self.sent < due and not self._halt.is_set():
                try:
                    self.sock.sendto(datagram(self.sent, self.stream), self.target)
                except OSError:
                    # A full send buffer: the datagram was not sent, so it is tried again.
                    self.failed += 1
                    time.sleep(0.0005)
                    continue
                self.sent += 1
            time.sleep(0.002)

    def stop(self):
        self._halt.set()
        self.join(5)
        self.sock.close()


def start_sender(test, group, port, rate=2_000_000, stream=0):
    """A Sender started for a test and stopped when the test ends."""
    sender = Sender(group, port, rate, stream)
    sender.start()
    test.addCleanup(sender.stop)
    return sender
