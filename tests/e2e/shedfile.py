"""The task file (".Shed.ini") as the scenarios write and read it: a 12-byte
header (version 17, the switch, the count) and 832-byte task records,
little-endian. Day numbers count from 30 December 1899 = 0, as the files in
use hold them (45000 is 15 March 2023)."""
import datetime
import struct

RECORD = 832
HEADER = struct.Struct('<iii')


DAY_ZERO = datetime.date(1899, 12, 30).toordinal()


def day_number(moment):
    """A datetime (or date) as the file's day number."""
    if isinstance(moment, datetime.datetime):
        seconds = moment.hour * 3600 + moment.minute * 60 + moment.second + moment.microsecond / 1e6
        return moment.toordinal() - DAY_ZERO + seconds / 86400.0
    return float(moment.toordinal() - DAY_ZERO)


def time_of_day(hour, minute):
    return (hour * 60 + minute) / 1440.0


def _string(text):
    data = text.encode('cp1251')[:255]
    return bytes([len(data)]) + data + bytes(255 - len(data))


class Task:
    def __init__(self, name='Task', enabled=1, start=(0, 0), date=None, week_days=(), kind=2, channel=0,
                 suffix='', mode=0, command='', end=None, after_end=5):
        self.name = name
        self.enabled = enabled
        self.start = start
        self.date = date or datetime.date(2026, 1, 1)
        self.week_days = set(week_days)  # 1 = Monday .. 7 = Sunday
        self.kind = kind  # 1 view, 2 record, 3 command
        self.channel = channel
        self.suffix = suffix
        self.mode = mode
        self.command = command
        self.end = end if end is not None else start
        self.after_end = after_end

    def pack(self):
        record = bytearray(RECORD)
        record[0] = self.enabled
        struct.pack_into('<d', record, 8, time_of_day(*self.start))
        struct.pack_into('<d', record, 16, day_number(self.date))
        for day in self.week_days:
            record[24 + day - 1] = 1
        record[31] = 1 if self.kind == 1 else 0
        record[32] = 1 if self.kind == 2 else 0
        record[33] = 1 if self.kind == 3 else 0
        struct.pack_into('<i', record, 36, self.channel)
        record[40:296] = _string(self.suffix)
        struct.pack_into('<i', record, 296, self.mode)
        record[300:556] = _string(self.command)
        struct.pack_into('<d', record, 560, time_of_day(*self.end))
        struct.pack_into('<i', record, 568, self.after_end)
        record[572:828] = _string(self.name)
        return bytes(record)


def write(path, tasks, switched_on=True):
    with open(path, 'wb') as f:
        f.write(HEADER.pack(17, 1 if switched_on else 0, len(tasks)))
        for task in tasks:
            f.write(task.pack())


def parse_record(record):
    """The fields of one 832-byte record, as a dict."""
    def string(at):
        return record[at + 1:at + 1 + record[at]].decode('cp1251')
    return {
        'enabled': record[0],
        'start': struct.unpack_from('<d', record, 8)[0],
        'date': struct.unpack_from('<d', record, 16)[0],
        'week_days': list(record[24:31]),
        'kinds': list(record[31:34]),
        'channel': struct.unpack_from('<i', record, 36)[0],
        'suffix': string(40),
        'mode': struct.unpack_from('<i', record, 296)[0],
        'command': string(300),
        'end': struct.unpack_from('<d', record, 560)[0],
        'after_end': struct.unpack_from('<i', record, 568)[0],
        'name': string(572),
    }
