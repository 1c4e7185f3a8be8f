"""ftpfetch against real servers: whole folders in both modes, failures and their exit status, and the
trace, dispatch log and history files."""
import os
import socket
import subprocess
import tempfile
import time
import unittest

from servers import PyFtpd, Vsftpd, folder_contents, sample_product

FTPFETCH = os.environ["FTPFETCH"]


def run(*arguments, cwd=None):
    return subprocess.run([FTPFETCH, *arguments], capture_output=True, text=True, timeout=120, cwd=cwd)


class Folder:
    def __init__(self, test, prefix):
        self.path = tempfile.mkdtemp(prefix=prefix)
        os.chmod(self.path, 0o755)
        test.addCleanup(subprocess.run, ["rm", "-rf", self.path])

    def join(self, *names):
        return os.path.join(self.path, *names)


class WithPyFtpd(unittest.TestCase):
    def setUp(self):
        self.served = Folder(self, "served-")
        self.product = sample_product(self.served.join("NVL_program"))
        self.server = PyFtpd(self.served.path)
        self.addCleanup(self.server.stop)

    def test_copies_the_folder_exactly_in_passive_and_active_mode(self):
        for mode in ([], ["--active"]):
            local = Folder(self, "fetched-").join("copy")
            result = run(*mode, self.server.url("NVL_program"), local)
            self.assertEqual(result.returncode, 0, result.stderr)
            self.assertEqual(folder_contents(local), self.product, mode)
            # Not a terminal: one line per file, then the total.
            lines = result.stdout.splitlines()
            self.assertEqual(len(lines), len(self.product) + 1, result.stdout)
            self.assertEqual(lines[-1], "%d files, %d bytes" % (len(self.product), sum(map(len, self.product.values()))))

    def test_replaces_longer_local_files_and_keeps_other_ones(self):
        local = Folder(self, "fetched-")
        with open(local.join("readme.txt"), "wb") as stale:
            stale.write(b"x" * 100000)
        with open(local.join("mine.txt"), "wb") as own:
            own.write(b"kept")
        result = run(self.server.url("NVL_program"), local.path)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(folder_contents(local.path), dict(self.product, **{"mine.txt": b"kept"}))

    def test_a_wrong_password_exits_1_with_the_servers_reply(self):
        local = Folder(self, "fetched-").join("copy")
        result = run(self.server.url("NVL_program", password="wrong"), local)
        self.assertEqual(result.returncode, 1)
        self.assertIn("530", result.stderr)
        self.assertEqual(os.listdir(local), [])

    def test_a_missing_folder_exits_1_with_the_servers_reply(self):
        result = run(self.server.url("no_such_program"), Folder(self, "fetched-").path)
        self.assertEqual(result.returncode, 1)
        self.assertIn("550", result.stderr)

    def test_a_local_file_that_cannot_be_written_fails_alone(self):
        local = Folder(self, "fetched-")
        os.mkdir(local.join("readme.txt"))  # a folder in the way
        result = run(self.server.url("NVL_program"), local.path)
        self.assertEqual(result.returncode, 1)
        self.assertIn("1 of %d files failed" % len(self.product), result.stderr)
        self.assertIn("readme.txt: failed", result.stdout)
        with open(local.join("big.bin"), "rb") as arrived:
            self.assertEqual(arrived.read(), self.product["big.bin"])

    def test_trace_log_and_history_files_are_written_in_their_formats(self):
        work = Folder(self, "work-")
        result = run("--trace", "session.trc", "--log", "session.log", "--history", "session.his",
                     self.server.url("NVL_program"), "copy", cwd=work.path)
        self.assertEqual(result.returncode, 0, result.stderr)
        with open(work.join("session.trc"), encoding="latin-1") as trace:
            text = trace.read()
        self.assertIn("Transmit: \nUSER[20]user[0D][0A]", text)
        self.assertIn("Receive: \n220", text)
        with open(work.join("session.log"), encoding="latin-1") as log:
            lines = log.read().splitlines()
        self.assertTrue(lines[0].startswith("PORTLIB v"), lines[:3])
        self.assertTrue(any(line.startswith("Time ") and "Type" in line for line in lines))
        self.assertGreater(len(lines), 10)
        with open(work.join("session.his"), encoding="latin-1") as history:
            self.assertIn(" : Downloading big.bin", history.read())

    def test_a_file_beyond_2_gib_is_counted_whole(self):
        size = 2 ** 31 + 4096
        huge = Folder(self, "served-huge-")
        with open(huge.join("huge.bin"), "wb") as sparse:
            sparse.truncate(size)
        local = Folder(self, "fetched-")
        os.symlink("/dev/null", local.join("huge.bin"))  # takes the bytes without filling the disk
        with PyFtpd(huge.path) as server:
            result = run(server.url(""), local.path)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(result.stdout.splitlines()[-1], "1 files, %d bytes" % size)
        self.assertIn("huge.bin: %d bytes" % size, result.stdout)

    def test_refused_connection_exits_1_at_once(self):
        self.server.stop()
        result = run(self.server.url("NVL_program"), Folder(self, "fetched-").path)
        self.assertEqual(result.returncode, 1)
        self.assertIn("10061", result.stderr)


class WithAHostileListing(unittest.TestCase):
    def test_names_that_are_not_plain_file_names_are_skipped(self):
        served = Folder(self, "served-")
        product = sample_product(served.join("NVL_program"), big_size=1000)
        with open(served.join("escaped.txt"), "wb") as bait:
            bait.write(b"must not arrive")
        with PyFtpd(served.path, hostile_listing=True) as server:
            work = Folder(self, "fetched-")
            result = run(server.url("NVL_program"), work.join("copy"))
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(folder_contents(work.join("copy")), product)
        self.assertEqual(os.listdir(work.path), ["copy"])
        self.assertIn('skipped "../escaped.txt": not a plain file name', result.stderr)

    def test_control_bytes_from_the_server_are_shown_escaped(self):
        served = Folder(self, "served-")
        product = sample_product(served.join("NVL_program"), big_size=1000)
        with open(served.join("NVL_program", "\x1b]0;title\x07\x1b[2J.txt"), "wb") as odd:
            odd.write(b"x")
        with PyFtpd(served.path) as server:
            work = Folder(self, "fetched-")
            result = run(server.url("NVL_program"), work.join("copy"))
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(folder_contents(work.join("copy")), product)
        self.assertIn('skipped "\\x1b]0;title\\x07\\x1b[2J.txt": holds a control character', result.stderr)
        self.assertNotIn("\x1b", result.stderr + result.stdout)


@unittest.skipUnless(Vsftpd.available(), "vsftpd runs only as root")
class WithVsftpd(unittest.TestCase):
    def test_a_full_server_is_told_in_its_own_words(self):
        served = Folder(self, "served-")
        sample_product(served.join("pub"), big_size=1000)
        with Vsftpd(served.path, settings="max_clients=1\n") as server:
            first = None
            for _ in range(50):  # until the one client there may be is greeted
                first = socket.create_connection(("127.0.0.1", server.port))
                if first.recv(100).startswith(b"220 "):
                    break
                first.close()
                time.sleep(0.1)
            with first:
                result = run(server.url("pub"), Folder(self, "fetched-").join("copy"))
        self.assertEqual(result.returncode, 1)
        self.assertEqual(result.stderr, "ftpfetch: 421 There are too many connected users, please try later.\n")

    def test_copies_the_folder_anonymously_in_passive_and_active_mode(self):
        served = Folder(self, "served-")
        product = sample_product(served.join("pub"))
        with Vsftpd(served.path) as server:
            for mode in ([], ["--active"]):
                local = Folder(self, "fetched-").join("copy")
                result = run(*mode, server.url("pub"), local)
                self.assertEqual(result.returncode, 0, result.stderr)
                self.assertEqual(folder_contents(local), product, mode)


class CommandLine(unittest.TestCase):
    def test_bad_command_lines_exit_2_with_usage(self):
        for arguments in ([], ["ftp://host/x"], ["http://host/x", "out"], ["ftp://host:99999/x", "out"],
                          ["--trace"], ["--fast", "ftp://host/x", "out"], ["ftp://:21/x", "out"]):
            result = run(*arguments)
            self.assertEqual(result.returncode, 2, arguments)
            self.assertIn("usage: ftpfetch", result.stderr)

    def test_help_explains_the_options_and_exit_status(self):
        result = run("--help")
        self.assertEqual(result.returncode, 0)
        for word in ("--active", "--trace", "--log", "--history", "ftp://[USER[:PASSWORD]@]HOST[:PORT]/FOLDER",
                     "Exit status"):
            self.assertIn(word, result.stdout)


if __name__ == "__main__":
    unittest.main(verbosity=2)
