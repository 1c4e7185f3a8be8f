"""ftpfetch against lftp's mirror and curl: a folder of many small files from vsftpd on loopback,
wall time of the whole copy. Usage: many_files.py [ROUNDS] [FILES]"""
import os
import shutil
import sys
import tempfile

from benchlib import FTPFETCH, Vsftpd, measure, median, served_folder, table

ROUNDS = int(sys.argv[1]) if len(sys.argv) > 1 else 5
FILES = int(sys.argv[2]) if len(sys.argv) > 2 else 1000
SIZE = 4096


def main():
    served = served_folder()
    folder = os.path.join(served, "many")
    os.makedirs(folder)
    names = ["f%04d.dat" % i for i in range(1, FILES + 1)]
    for name in names:
        with open(os.path.join(folder, name), "wb") as out:
            out.write(os.urandom(SIZE))
    work = tempfile.mkdtemp(prefix="bench-many-")
    seconds = {}
    with Vsftpd(served) as server:
        base = "ftp://127.0.0.1:%d" % server.port
        commands = {
            "ftpfetch": lambda out: [FTPFETCH, server.url("many"), out],
            "lftp mirror": lambda out: ["lftp", "-e", "set cmd:interactive off; mirror many %s; quit" % out, base],
            "curl": lambda out: ["curl", "-s", "--create-dirs", "-o", os.path.join(out, "#1"),
                                 "%s/many/{%s}" % (base, ",".join(names))],
        }
        for round_number in range(ROUNDS):
            order = list(commands) if round_number % 2 == 0 else list(reversed(commands))
            for client in order:
                out = os.path.join(work, "%s-%d" % (client.replace(" ", "-"), round_number))
                seconds.setdefault(client, []).append(measure(commands[client](out)).seconds)
                if len(os.listdir(out)) != FILES:
                    raise RuntimeError("%s copied %d of %d files" % (client, len(os.listdir(out)), FILES))
                shutil.rmtree(out)
    shutil.rmtree(served, ignore_errors=True)
    shutil.rmtree(work, ignore_errors=True)

    print("%d files of %d bytes from vsftpd on loopback, %d rounds, medians\n" % (FILES, SIZE, ROUNDS))
    fetch = median(seconds["ftpfetch"])
    table(("client", "seconds", "files/s", "time / ftpfetch's"),
          [(client, "%.2f" % median(runs), "%.0f" % (FILES / median(runs)), "%.2f" % (median(runs) / fetch))
           for client, runs in seconds.items()])


if __name__ == "__main__":
    main()
