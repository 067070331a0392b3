"""pyserial as an engineer would use it: a blocking read loop on serial.Serial with the dongle's
line settings, reading what is queued (at least one byte), cutting frames from b'>' to the first
b'!' after it in a bytearray, checking and decoding each frame in the same loop.

Writes the same result file as the C++ contenders (see bench/line/ConsumerRecord.h)."""

import os
import sys
import time

import serial

DATA_CONSOLE = 1
END_CONSOLE = 2
BUFFER_LIMIT = 1024
BASE = 192
DIGIT0 = 0x40


def sequence(speed, hr):
    d0, d1 = speed >> 8, speed & 0xFF
    if d0 < DIGIT0 or d1 < DIGIT0 or hr < DIGIT0:
        return -1
    return (d0 - DIGIT0) * BASE * BASE + (d1 - DIGIT0) * BASE + (hr - DIGIT0)


def main():
    slave, result_path = sys.argv[1], sys.argv[2]
    port = serial.Serial(slave, baudrate=115200, bytesize=serial.EIGHTBITS,
                         parity=serial.PARITY_NONE, stopbits=serial.STOPBITS_ONE,
                         rtscts=True, timeout=None)
    entries = []
    cpu_start = cpu_end = wall_start = wall_end = 0
    ended = False
    pending = bytearray()
    os.write(1, b"ready\n")
    while not ended:
        data = port.read(port.in_waiting or 1)
        if not data:
            break
        pending += data
        while True:
            start = pending.find(b">")
            if start < 0:
                if len(pending) >= BUFFER_LIMIT:
                    pending.clear()
                break
            if start > 0:
                del pending[:start]
            stop = pending.find(b"!", 1)
            if stop < 0:
                if len(pending) >= BUFFER_LIMIT:
                    pending.clear()
                break
            length = stop + 1
            if length == pending[3] + 6 and pending[1] == 0x01 and length >= 11:
                console = pending[2]
                speed = pending[4] << 8 | pending[5]
                hr = pending[6]
                now = time.monotonic_ns()
                if not entries and cpu_start == 0:
                    cpu_start, wall_start = time.process_time_ns(), now
                if console == END_CONSOLE:
                    cpu_end, wall_end = time.process_time_ns(), time.monotonic_ns()
                    ended = True
                    break
                entries.append((sequence(speed, hr) if console == DATA_CONSOLE else -1, now))
            del pending[:length]
    port.close()
    with open(result_path, "w") as f:
        f.write("frames %d cpu_ns %d wall_ns %d\n" % (len(entries), cpu_end - cpu_start,
                                                     wall_end - wall_start))
        f.writelines("%d %d\n" % e for e in entries)
    return 0 if ended else 1


if __name__ == "__main__":
    sys.exit(main())
