#!/usr/bin/env python3
"""Start-up and memory of the Windows program under wine, beside the Linux program's, measured
the same way in one run (for the record: wine is not Windows).

Each round launches the program against the emulator (trimora-dongle-sim, on a pseudo-terminal;
for the Windows program mapped as COM7) with --port, so that the dongle answers on the first
port, and takes:
- start-up: from the launch to the emulator seeing the open-registration frame, less the 2400 ms
  of waits the start-up sequence prescribes before it;
- memory: the program's resident memory (VmRSS) once the console's measures have streamed 3 s.

  bench/wine/startup.py LINUX_BUILD WINDOWS_BUILD [ROUNDS]

LINUX_BUILD holds app/trimora and tools/dongle_sim/trimora-dongle-sim; WINDOWS_BUILD a 64-bit
Windows build with app/win32/trimora.exe (only 64-bit Windows programs run under wine here).
Needs Xvfb and wine64; the wine prefix is made in WINDOWS_BUILD/bench-wine-prefix.
"""
import os
import queue
import shutil
import statistics
import subprocess
import sys
import tempfile
import threading
import time

PRESCRIBED_WAITS_MS = 2400
OPEN_REGISTRATION = "3E0200000021"
START_MEASURES = "3E130001010021"
WINE = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver"


def start_display():
    # A number of its own well above the usual ones: another X server whose lock file went
    # (cleared /tmp) still holds its socket, and Xvfb's own choice would collide with it.
    for number in range(400 + os.getpid() % 400, 1000):
        if os.path.exists(f"/tmp/.X{number}-lock"):
            continue
        xvfb = subprocess.Popen(["Xvfb", f":{number}", "-screen", "0", "1024x768x24",
                                 "-nolisten", "tcp"], stderr=subprocess.DEVNULL)
        for _ in range(100):
            if xvfb.poll() is not None:
                break
            if subprocess.run(["xdpyinfo", "-display", f":{number}"], stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL).returncode == 0:
                return xvfb, f":{number}"
            time.sleep(0.05)
        xvfb.kill()
        xvfb.wait()
    sys.exit("no X display could be started")


class Dongle:
    """The emulator, its host frames stamped as they are echoed."""

    def __init__(self, sim, link=None):
        args = [sim, "--echo", "--stay", "--join-delay", "500", "--interval", "100"]
        if link:
            args += ["--link", link]
        self.process = subprocess.Popen(args, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        text=True)
        self.slave = self.process.stdout.readline().strip()
        self.frames = queue.Queue()
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in self.process.stdout:
            if line.startswith("host "):
                self.frames.put((time.monotonic(), line.split()[1]))

    def wait_for(self, prefix, timeout):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            try:
                stamp, frame = self.frames.get(timeout=max(0.0, deadline - time.monotonic()))
            except queue.Empty:
                break
            if frame.startswith(prefix):
                return stamp
        return None

    def stop(self):
        self.process.terminate()
        self.process.wait()


def resident_mib(pid, windows_prefix=None):
    """VmRSS of the program: the process itself, or under wine the process of the prefix that
    runs trimora.exe (wine's loader may hand the program to another process)."""
    pids = [str(pid)]
    if windows_prefix:
        pids = [p for p in os.listdir("/proc") if p.isdigit()]
    for p in pids:
        try:
            if windows_prefix:
                with open(f"/proc/{p}/cmdline", "rb") as f:
                    argv = f.read().split(b"\0")
                if not any(a.lower().endswith(b"trimora.exe") for a in argv[:2]):
                    continue
                with open(f"/proc/{p}/environ", "rb") as f:
                    if b"WINEPREFIX=" + windows_prefix.encode() not in f.read().split(b"\0"):
                        continue
            with open(f"/proc/{p}/status") as f:
                for line in f:
                    if line.startswith("VmRSS:"):
                        return int(line.split()[1]) / 1024
        except OSError:
            continue
    return None


def round_of(command, env, dongle, windows_prefix=None):
    start = time.monotonic()
    program = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL,
                               stderr=subprocess.PIPE, text=True)
    opened = dongle.wait_for(OPEN_REGISTRATION, 30)
    measuring = dongle.wait_for(START_MEASURES, 10)
    memory = None
    if measuring:
        time.sleep(3)
        memory = resident_mib(program.pid, windows_prefix)
    try:
        _, err = program.communicate(timeout=30)
    except subprocess.TimeoutExpired:
        program.kill()
        _, err = program.communicate()
    if opened is None or memory is None:
        sys.stderr.write(f"{command[0]}: no start-up seen\n{err}\n")
    startup = None if opened is None else (opened - start) * 1000 - PRESCRIBED_WAITS_MS
    return startup, memory


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    linux_build, windows_build = map(os.path.abspath, sys.argv[1:3])
    rounds = int(sys.argv[3]) if len(sys.argv) > 3 else 3
    sim = os.path.join(linux_build, "tools/dongle_sim/trimora-dongle-sim")
    xvfb, display = start_display()
    work = tempfile.mkdtemp(prefix="trimora-wine-bench-")
    prefix = os.path.join(windows_build, "bench-wine-prefix")
    env = dict(os.environ, DISPLAY=display, WINEPREFIX=prefix, WINEDEBUG="-all",
               HOME=work, XDG_CONFIG_HOME=work, XDG_RUNTIME_DIR=work)
    results = {"linux": [], "wine": []}
    try:
        if not os.path.isdir(prefix):
            subprocess.run([WINE, "wineboot", "-i"], env=env, check=True,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        # A running server, as on a desktop where wine runs already.
        subprocess.run([WINESERVER, "-p", "60"], env=env, stderr=subprocess.DEVNULL)
        for _ in range(rounds):
            dongle = Dongle(sim)
            results["linux"].append(round_of(
                [os.path.join(linux_build, "app/trimora"), "--port", dongle.slave,
                 "--quit-after", "6"], env, dongle))
            dongle.stop()
            link = os.path.join(prefix, "dosdevices/com7")
            dongle = Dongle(sim, link)
            results["wine"].append(round_of(
                [WINE, os.path.join(windows_build, "app/win32/trimora.exe"), "--port", "COM7",
                 "--quit-after", "6"], env, dongle, prefix))
            dongle.stop()
    finally:
        subprocess.run([WINESERVER, "-k"], env=env, stderr=subprocess.DEVNULL)
        xvfb.terminate()
        xvfb.wait()
        shutil.rmtree(work, ignore_errors=True)

    print("| program | round | start-up beyond the waits ms | resident MiB |")
    print("|---|---|---|---|")
    for name, label in (("linux", "Linux (Qt)"), ("wine", "Windows under wine")):
        for i, (startup, memory) in enumerate(results[name], 1):
            s = "-" if startup is None else f"{startup:.1f}"
            m = "-" if memory is None else f"{memory:.1f}"
            print(f"| {label} | {i} | {s} | {m} |")
        startups = [s for s, _ in results[name] if s is not None]
        memories = [m for _, m in results[name] if m is not None]
        if startups and memories:
            print(f"| {label} | median | {statistics.median(startups):.1f} | "
                  f"{statistics.median(memories):.1f} |")


if __name__ == "__main__":
    main()
