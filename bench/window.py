"""The window's download rate against curl's for one large file, both as vsftpd logs them, and the
window's peak memory. Usage: window.py [ROUNDS] [MIB]"""
import os
import shutil
import subprocess
import sys
import tempfile

from benchlib import BRANTWELL, MIB, Vsftpd, logged_rates, median, peak_memory_kib, served_folder, table, write_random
from updater import Updater
from xwindow import XServer, wait_for

ROUNDS = int(sys.argv[1]) if len(sys.argv) > 1 else 5
SIZE = int(sys.argv[2]) * MIB if len(sys.argv) > 2 else 256 * MIB


def window_download(x, server, log):
    """Presses Download File, waits until vsftpd has logged the file and the question is asked,
    and returns the window's peak memory in KiB."""
    drive = tempfile.mkdtemp(prefix="bench-drive-")
    logged = len(logged_rates(log))
    updater = Updater(BRANTWELL, x, server, drive)
    try:
        updater.download()
        wait_for(lambda: len(logged_rates(log)) > logged, 300, "the download")
        updater.box("Confirm", 30)
        return peak_memory_kib(updater.process.pid)
    finally:
        updater.stop()
        shutil.rmtree(drive, ignore_errors=True)


def main():
    served = served_folder()
    os.makedirs(os.path.join(served, "NVL_program"))
    write_random(os.path.join(served, "NVL_program", "big.bin"), SIZE)
    log = os.path.join(tempfile.mkdtemp(prefix="bench-log-"), "vsftpd.log")
    curl_rates, window_rates, peaks = [], [], []
    with XServer() as x, Vsftpd(served, transfer_log=log) as server:
        for round_number in range(ROUNDS):
            for who in (("curl", "window") if round_number % 2 == 0 else ("window", "curl")):
                if who == "curl":
                    # Into a file, as the window writes one.
                    target = tempfile.mkdtemp(prefix="bench-curl-")
                    subprocess.run(["curl", "-s", "-o", os.path.join(target, "big.bin"),
                                    server.url("NVL_program/big.bin")], check=True)
                    shutil.rmtree(target)
                    curl_rates.append(logged_rates(log)[-1][2])
                else:
                    peaks.append(window_download(x, server, log))
                    window_rates.append(logged_rates(log)[-1][2])
    shutil.rmtree(served, ignore_errors=True)
    print("The window against curl: %d MiB from vsftpd on loopback, %d rounds, rates as vsftpd logs them\n"
          % (SIZE // MIB, ROUNDS))
    table(("client", "median MiB/s", "all"),
          [("curl", "%.0f" % median(curl_rates), " ".join("%.0f" % r for r in curl_rates)),
           ("window", "%.0f" % median(window_rates), " ".join("%.0f" % r for r in window_rates))])
    print("window rate / curl rate: %.2f" % (median(window_rates) / median(curl_rates)))
    print("window peak memory: median %.1f MiB, max %.1f MiB" % (median(peaks) / 1024, max(peaks) / 1024))


if __name__ == "__main__":
    main()
