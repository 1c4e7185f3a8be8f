"""ftpfetch against curl: one large file from vsftpd on loopback, to a file; wall time, the rate
vsftpd logs, and peak memory. ftpfetch writes a staged file that replaces whatever stands under the
name, so it cannot write to /dev/null. Usage: large_file.py [ROUNDS] [MIB]"""
import os
import shutil
import sys
import tempfile

from benchlib import FTPFETCH, MIB, Vsftpd, logged_rates, measure, median, served_folder, table, write_random

ROUNDS = int(sys.argv[1]) if len(sys.argv) > 1 else 5
SIZE = int(sys.argv[2]) * MIB if len(sys.argv) > 2 else 256 * MIB


def main():
    served = served_folder()
    os.makedirs(os.path.join(served, "large"))
    write_random(os.path.join(served, "large", "big.bin"), SIZE)
    work = tempfile.mkdtemp(prefix="bench-large-")
    log = os.path.join(work, "vsftpd.log")
    results = {}
    with Vsftpd(served, transfer_log=log) as server:
        commands = {
            ("curl", "file"): ["curl", "-s", "-o", os.path.join(work, "curl.bin"), server.url("large/big.bin")],
            ("ftpfetch", "file"): [FTPFETCH, server.url("large"), os.path.join(work, "fetched")],
        }
        for round_number in range(ROUNDS):
            order = list(commands) if round_number % 2 == 0 else list(reversed(commands))
            for key in order:
                run = measure(commands[key])
                results.setdefault(key, []).append((run.seconds, logged_rates(log)[-1][2], run.peak_kib))
    shutil.rmtree(served, ignore_errors=True)
    shutil.rmtree(work, ignore_errors=True)

    print("ftpfetch against curl: %d MiB from vsftpd on loopback, %d rounds, medians\n" % (SIZE // MIB, ROUNDS))
    rows = []
    for (client, target), runs in sorted(results.items(), key=lambda item: (item[0][1], item[0][0])):
        rows.append((client, target, "%.3f" % median(r[0] for r in runs), "%.0f" % median(r[1] for r in runs),
                     "%.1f" % (max(r[2] for r in runs) / 1024)))
    table(("client", "to", "seconds", "MiB/s (vsftpd)", "peak MiB"), rows)
    for target in ("file",):
        time_ratio = median(r[0] for r in results[("ftpfetch", target)]) / median(r[0] for r in results[("curl", target)])
        rate_ratio = median(r[1] for r in results[("curl", target)]) / median(r[1] for r in results[("ftpfetch", target)])
        print("to %s: ftpfetch time / curl time %.2f, curl rate / ftpfetch rate %.2f" % (target, time_ratio, rate_ratio))
    peak = max(r[2] for r in results[("ftpfetch", "file")]) / 1024
    print("ftpfetch peak memory: %.1f MiB" % peak)


if __name__ == "__main__":
    main()
