#!/usr/bin/env python3
"""Runs a headless launcher on a pseudo-terminal, so that it draws its progress line, and
reads from that line how many bytes of its largest file had arrived when. Prints the average
rate from the first to the last byte and the rate over each whole window of WINDOW seconds,
and exits 3 when any of them is more than TOLERANCE (a fraction) away from the goal RATE.

    windows.py RATE WINDOW TOLERANCE -- COMMAND...
"""
import os
import pty
import re
import select
import sys
import time

UNITS = {"B": 1, "KiB": 1024, "MiB": 1024**2, "GiB": 1024**3}
PROGRESS = re.compile(rb"([0-9.]+) (B|KiB|MiB|GiB) / ([0-9.]+) (B|KiB|MiB|GiB)")


def main():
    rate, window, tolerance = float(sys.argv[1]), float(sys.argv[2]), float(sys.argv[3])
    command = sys.argv[sys.argv.index("--") + 1:]
    pid, fd = pty.fork()
    if pid == 0:
        os.execvp(command[0], command)
    samples = []  # (seconds, bytes, size) of each progress line
    start = time.monotonic()
    pending = b""
    while True:
        ready, _, _ = select.select([fd], [], [], 1.0)
        if not ready:
            continue
        try:
            chunk = os.read(fd, 65536)
        except OSError:
            break
        if not chunk:
            break
        at = time.monotonic() - start
        pending += chunk
        parts = re.split(rb"[\r\n]", pending)
        pending = parts.pop()
        for part in parts:
            for loaded, unit, size, size_unit in PROGRESS.findall(part):
                samples.append((at, float(loaded) * UNITS[unit.decode()], float(size) * UNITS[size_unit.decode()]))
    _, status = os.waitpid(pid, 0)
    code = os.waitstatus_to_exitcode(status)
    if code != 0:
        print(f"the launcher ended with exit code {code}", file=sys.stderr)
        return 1
    size = max((s for _, _, s in samples), default=0)
    points = [(t, b) for t, b, s in samples if s == size]
    if len(points) < 2:
        print("no progress of a file was seen", file=sys.stderr)
        return 1
    (t0, b0), (t1, b1) = points[0], points[-1]
    mib = 1024.0**2
    average = (b1 - b0) / (t1 - t0)
    print(f"file {size / mib:.1f} MiB, progress from {b0 / mib:.1f} to {b1 / mib:.1f} MiB in {t1 - t0:.1f} s")
    worst = abs(average - rate) / rate
    print(f"average {average / mib:.3f} MiB/s ({(average - rate) / rate * 100:+.1f}% of {rate / mib:.3f} MiB/s)")

    def bytes_at(t):
        # Linear between the two progress lines around t.
        for (ta, ba), (tb, bb) in zip(points, points[1:]):
            if ta <= t <= tb:
                return ba if tb == ta else ba + (bb - ba) * (t - ta) / (tb - ta)
        return points[-1][1]

    edge = t0
    rates = []
    while edge + window <= t1:
        got = bytes_at(edge + window) - bytes_at(edge)
        rates.append(got / window)
        worst = max(worst, abs(got / window - rate) / rate)
        edge += window
    print(f"{window:g}-second windows (MiB/s): " + " ".join(f"{r / mib:.3f}" for r in rates))
    if rates:
        print(f"windows: lowest {min(rates) / mib:.3f}, highest {max(rates) / mib:.3f} MiB/s")
    met = worst <= tolerance
    print(f"largest deviation {worst * 100:.1f}% (goal within {tolerance * 100:g}%: {'met' if met else 'missed'})")
    return 0 if met else 3


if __name__ == "__main__":
    sys.exit(main())
