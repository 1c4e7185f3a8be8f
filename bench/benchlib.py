"""What the benchmarks share: the built programs, a local vsftpd with its transfer log, timing with
peak memory, and medians."""
import os
import re
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "support"))

from servers import Vsftpd  # noqa: E402

BUILD = os.path.join(ROOT, os.environ.get("NVL_BUILD_DIR", "build"))
FTPFETCH = os.path.join(BUILD, "cli", "ftpfetch")
BRANTWELL = os.path.join(BUILD, "app", "brantwell")
MIB = 1024 * 1024


class Run:
    def __init__(self, seconds, peak_kib):
        self.seconds, self.peak_kib = seconds, peak_kib


def measure(argv, cwd=None, env=None):
    """Runs the command to its end: wall-clock seconds, and peak resident memory as GNU time
    measures it (the child alone, not this interpreter)."""
    with tempfile.NamedTemporaryFile(mode="r", prefix="bench-time-") as peak:
        started = time.perf_counter()
        status = subprocess.run(["/usr/bin/time", "-f", "%M", "-o", peak.name, *argv], cwd=cwd, env=env,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode
        seconds = time.perf_counter() - started
        if status != 0:
            raise RuntimeError("%s ended with status %d" % (" ".join(argv), status))
        return Run(seconds, int(peak.read().split()[-1]))


def peak_memory_kib(pid):
    """The high-water mark of a running process's resident memory."""
    with open("/proc/%d/status" % pid) as status:
        for line in status:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    return 0


def served_folder():
    folder = tempfile.mkdtemp(prefix="bench-served-")
    os.chmod(folder, 0o755)
    return folder


def write_random(path, size):
    with open(path, "wb") as out:
        remaining = size
        while remaining:
            chunk = min(remaining, MIB)
            out.write(os.urandom(chunk))
            remaining -= chunk


DOWNLOAD = re.compile(r'OK DOWNLOAD: Client "[^"]*", "([^"]*)", (\d+) bytes, ([\d.]+)Kbyte/sec')


def logged_rates(log):
    """(remote path, bytes, MiB/s) of every download vsftpd logged, in order."""
    if not os.path.exists(log):
        return []
    with open(log) as lines:
        return [(m.group(1), int(m.group(2)), float(m.group(3)) / 1024) for m in map(DOWNLOAD.search, lines) if m]


def median(values):
    return statistics.median(values)


def table(header, rows):
    widths = [max(len(str(row[i])) for row in [header, *rows]) for i in range(len(header))]
    for row in [header, *rows]:
        print("  ".join(str(cell).ljust(width) for cell, width in zip(row, widths)))
    print()
