#!/usr/bin/env python3
"""Presses keys with xdotool and reports what the program spent: browse_burst.sh's timing half.

    cpu_watch.py PREFIX quiet
        waits until the program (vistrel.exe of the Wine prefix PREFIX) has been idle for a while;
    cpu_watch.py PREFIX press|taps|held [COUNT]
        presses Down once, COUNT times 33 ms apart as separate presses (taps), or holds it down for
        COUNT presses of the X server's own auto-repeat, set for the while to start after 250 ms and
        repeat every 33 ms (held: the key goes up half an interval after the last repeat); then prints
        the program's processor time from the first press until it was idle again, and how long after
        the last press it was busy.

The processor time is the kernel's own account of every thread of the program's process
(/proc/PID/task/*/schedstat), so nothing is timed by the program itself. Busy means using more
than a fifth of a processor in a 10 ms window.
"""
import ctypes
import glob
import subprocess
import sys
import time

HOLD = 0.0165      # a key is down half the interval between presses
INTERVAL = 0.033   # as a key's auto-repeat
WINDOW = 0.010     # busy: more than BUSY seconds of processor time in such a window
BUSY = WINDOW / 5
QUIET = 0.6        # idle once nothing was busy for this long
REPEAT_DELAY = 0.250


def program(prefix):
    for environ in glob.glob("/proc/[0-9]*/environ"):
        pid = environ.split("/")[2]
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as f:
                command = f.read()
            with open(environ, "rb") as f:
                env = f.read().split(b"\0")
        except OSError:
            continue
        if b"vistrel.exe" in command and b"WINEPREFIX=" + prefix.encode() in env and b"winedbg" not in command:
            return pid
    sys.exit("cpu_watch: no vistrel.exe runs in " + prefix)


def cpu(pid):
    total = 0
    for stat in glob.glob(f"/proc/{pid}/task/*/schedstat"):
        try:
            with open(stat) as f:
                total += int(f.read().split()[0])
        except (OSError, ValueError, IndexError):
            pass
    return total / 1e9


def busy_until(pid, limit=30.0):
    """Samples until the program has been quiet for QUIET; returns (time it was last busy, cpu then)."""
    samples = [(time.monotonic(), cpu(pid))]
    last_busy = samples[0]
    while True:
        time.sleep(0.002)
        now = (time.monotonic(), cpu(pid))
        samples.append(now)
        while len(samples) > 2 and samples[1][0] <= now[0] - WINDOW:
            samples.pop(0)
        if now[1] - samples[0][1] > BUSY:
            last_busy = now
        if now[0] - last_busy[0] > QUIET or now[0] - samples[0][0] > limit:
            return last_busy


def keys(mode, count):
    if mode == "held":
        held = REPEAT_DELAY + (count - 1) * INTERVAL + HOLD
        return ["xdotool", "keydown", "--delay", "0", "Down", "sleep", f"{held:.4f}", "keyup", "--delay", "0", "Down"]
    # xdotool waits 12 ms after each key event unless told otherwise.
    steps = []
    for i in range(count):
        steps += ["keydown", "--delay", "0", "Down", "sleep", f"{HOLD}", "keyup", "--delay", "0", "Down"]
        if i + 1 < count:
            steps += ["sleep", f"{INTERVAL - HOLD}"]
    return ["xdotool"] + steps


class AutoRepeat:
    """The X server's auto-repeat set to REPEAT_DELAY and INTERVAL while alive, then put back."""
    def __init__(self):
        self.x = ctypes.CDLL("libX11.so.6")
        self.x.XOpenDisplay.restype = ctypes.c_void_p
        self.display = ctypes.c_void_p(self.x.XOpenDisplay(None))
        self.old = (ctypes.c_uint(), ctypes.c_uint())
        self.x.XkbGetAutoRepeatRate(self.display, 0x100, ctypes.byref(self.old[0]), ctypes.byref(self.old[1]))
        self.set(int(REPEAT_DELAY * 1000), int(INTERVAL * 1000))

    def set(self, delay, interval):
        self.x.XkbSetAutoRepeatRate(self.display, 0x100, delay, interval)
        self.x.XSync(self.display, 0)

    def close(self):
        self.set(self.old[0].value, self.old[1].value)
        self.x.XCloseDisplay(self.display)


def main():
    prefix, mode = sys.argv[1], sys.argv[2]
    pid = program(prefix)
    if mode == "quiet":
        busy_until(pid)
        return
    count = 1 if mode == "press" else int(sys.argv[3])
    busy_until(pid)
    repeat = AutoRepeat() if mode == "held" else None
    start = cpu(pid)
    subprocess.run(keys(mode, count), check=True)
    last_press = time.monotonic() - HOLD
    when, spent = busy_until(pid)
    if repeat:
        repeat.close()
    print(f"{mode} {count}: processor {1000 * (spent - start):.0f} ms, "
          f"busy {1000 * max(0.0, when - last_press):.0f} ms after the last press")


if __name__ == "__main__":
    main()
