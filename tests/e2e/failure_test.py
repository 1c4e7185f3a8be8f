"""Failed downloads through the real window under Xvfb against pyftpdlib: each is told in one box
within seconds, and the same window then downloads the folder whole; Exit works while the box is
open."""
import os
import shutil
import socket
import tempfile
import time
import types
import unittest

from servers import PyFtpd, folder_contents, free_port, sample_product
from updater import Updater
from xwindow import XTestCase, wait_for

PROGRAM = os.environ["BRANTWELL"]
SCREENSHOTS = os.environ["SCREENSHOTS"]
# Download File waits a second before it logs in; the box must follow within five more.
TOLD_WITHIN = 1 + 5


class Failures(XTestCase):
    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="e2e-failure-")
        self.addCleanup(shutil.rmtree, self.work, True)
        self.served = os.path.join(self.work, "server")
        self.product = sample_product(os.path.join(self.served, "NVL_program"), big_size=200000)
        self.drive = os.path.join(self.work, "drive")
        os.makedirs(self.drive)

    def serve(self, **options):
        server = PyFtpd(self.served, **options)
        self.addCleanup(server.stop)
        return server

    def start(self, server, env=None):
        updater = Updater(PROGRAM, self.x, server, self.drive, env=env)
        self.addCleanup(updater.stop)
        return updater

    def told(self, updater, caption, seconds=TOLD_WITHIN):
        """Waits for the box with that caption, checks it is the only one, and closes it."""
        started = time.monotonic()
        updater.box(caption, seconds)
        self.assertLess(time.monotonic() - started, seconds)
        time.sleep(0.3)
        self.assertEqual(len(self.boxes()), 1, "one box")
        updater.answer("Return")
        wait_for(lambda: not self.boxes(), 10, "the box to close")

    def boxes(self):
        return self.x.xdotool("search", "--onlyvisible", "--name", "^FTP Error: ").split()

    def downloads_whole(self, updater):
        updater.download()
        updater.box("Confirm", 60)
        self.assertEqual(folder_contents(updater.local), self.product)
        updater.answer("Escape")

    def test_a_refused_port_and_a_421_greeting_are_told_and_the_same_window_then_downloads(self):
        port = free_port()
        account = types.SimpleNamespace(port=port, user="user", password="secret")
        updater = self.start(account)
        updater.download()
        self.told(updater, "FTP Error: 10061")

        server = self.serve(port=port, max_cons=2)
        holder = None
        # The server takes one session at a time: the first one it greets holds its place.
        for _ in range(20):
            holder = socket.create_connection(("127.0.0.1", port))
            if holder.recv(200).startswith(b"220"):
                break
            holder.close()
            time.sleep(0.1)
        updater.download()
        self.told(updater, "FTP Error: 421")
        holder.close()
        self.downloads_whole(updater)
        updater.exit()
        self.assertEqual(updater.wait_end(), 0)
        server.stop()

    def test_a_stalled_transfer_times_out_and_the_next_download_arrives_whole(self):
        server = self.serve(stall_first_retr=True)
        updater = self.start(server, env={"NVL_FTP_TIMEOUT": "3"})
        updater.download()
        # The login, the two listings and the timers' pace come before the stall.
        self.told(updater, "FTP Error: 10060", 30)
        self.downloads_whole(updater)
        updater.exit()
        self.assertEqual(updater.wait_end(), 0)

    def test_fifty_failing_files_make_one_box_and_exit_ends_the_program_while_it_is_open(self):
        server = self.serve(missing=50)
        updater = self.start(server)
        updater.download()
        updater.box("FTP Error: 550", 120)
        time.sleep(1)
        self.assertEqual(len(self.boxes()), 1, "one box for the whole download")
        self.assertFalse(self.x.find_window("^Confirm$"), "no question after failed files")
        self.x.screenshot(os.path.join(SCREENSHOTS, "e2e-failed-files.png"))
        self.assertEqual(folder_contents(updater.local), self.product)
        updater.exit()
        self.assertEqual(updater.wait_end(), 0, updater.output())


if __name__ == "__main__":
    unittest.main(verbosity=2)
