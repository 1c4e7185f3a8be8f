"""Whole downloads through the real window under Xvfb against pyftpdlib: the files, the question and
the installer's start; a refused login; the language switched mid-download; a hostile listing."""
import os
import shutil
import tempfile
import time
import unittest

from servers import PyFtpd, folder_contents, sample_product
from updater import INSTALLER_MARKER, SETUP_SCRIPT, Updater, partly_staged
from xwindow import XTestCase, wait_for

PROGRAM = os.environ["BRANTWELL"]
SCREENSHOTS = os.environ["SCREENSHOTS"]
# Slow enough to watch the large file arrive, fast enough for a short test.
RATE = 2 * 1024 * 1024


def differing(first, second):
    return sum(a != b for a, b in zip(first, second)) + abs(len(first) - len(second))


class Download(XTestCase):
    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="e2e-download-")
        self.addCleanup(shutil.rmtree, self.work, True)
        self.served = os.path.join(self.work, "server")
        self.product = sample_product(os.path.join(self.served, "NVL_program"))
        with open(os.path.join(self.served, "NVL_program", "Setup.exe"), "wb") as setup:
            setup.write(SETUP_SCRIPT)
        self.product["Setup.exe"] = SETUP_SCRIPT
        self.drive = os.path.join(self.work, "drive")
        os.makedirs(self.drive)

    def start(self, arguments=("NVL", "E"), password=None, **server_options):
        server = PyFtpd(self.served, **server_options)
        self.addCleanup(server.stop)
        updater = Updater(PROGRAM, self.x, server, self.drive, arguments, password)
        self.addCleanup(updater.stop)
        return updater

    def screenshot(self, name, window="root"):
        return self.x.screenshot(os.path.join(SCREENSHOTS, name), window)

    def expected_files(self):
        """The product as it must arrive: Setup.exe stored as SetupNVL.exe."""
        expected = dict(self.product)
        expected["SetupNVL.exe"] = expected.pop("Setup.exe")
        return expected

    def wait_mid_download(self, updater, name="big.bin"):
        """Waits until `name`, the largest file, is partly written."""
        wait_for(lambda: partly_staged(updater.local, len(self.product[name])) and
                 not os.path.exists(os.path.join(updater.local, name)), 60, "the download of " + name)

    def ask_and_photograph(self, updater, name):
        box = updater.box("Confirm")
        time.sleep(0.5)
        self.screenshot(name)
        return box

    def test_a_whole_download_asks_and_yes_starts_the_installer_and_ends(self):
        updater = self.start(rate=RATE)
        updater.download()
        self.wait_mid_download(updater)
        time.sleep(0.4)
        self.screenshot("e2e-download-progress.png", updater.window)
        self.ask_and_photograph(updater, "e2e-download-question.png")
        self.assertEqual(folder_contents(updater.local), self.expected_files())

        updater.answer("Return")  # Yes is the default button
        self.assertEqual(updater.wait_end(), 0, updater.output())
        marker = os.path.join(updater.local, INSTALLER_MARKER)
        wait_for(lambda: os.path.exists(marker), 10, "the installer's marker")
        self.assertEqual(sorted(os.listdir(self.drive)), ["Brantwell"])

    def test_a_wrong_password_shows_the_servers_error_and_exit_still_ends(self):
        updater = self.start(password="wrong")
        updater.download()
        updater.box("FTP Error: 530", 30)
        time.sleep(0.5)
        self.screenshot("e2e-wrong-password.png")
        updater.answer("Return")
        wait_for(lambda: not self.x.find_window("^FTP Error: 530$"), 10, "the box to close")
        updater.exit()
        self.assertEqual(updater.wait_end(), 0, updater.output())
        self.assertEqual(os.listdir(updater.local), [])

    def test_the_language_switched_mid_download_holds_for_later_texts_and_the_files_stay_whole(self):
        reference = self.start(arguments=("NVL", "C"))
        reference.download()
        chinese_question = self.x.pixels(self.screenshot("e2e-question-chinese.png", reference.box("Confirm")))
        reference.answer("Escape")
        reference.exit()
        self.assertEqual(reference.wait_end(), 0)
        shutil.rmtree(reference.local)

        updater = self.start(rate=RATE // 2)
        updater.download()
        self.wait_mid_download(updater)
        updater.switch_language()
        wait_for(lambda: self.x.title(updater.window) == "軟件安裝糸統", 10, "the Chinese caption")
        time.sleep(0.3)
        self.screenshot("e2e-language-switched.png", updater.window)
        box = updater.box("Confirm")
        time.sleep(0.5)
        question = self.x.pixels(self.screenshot("e2e-question-after-switch.png", box))
        self.assertLess(differing(question, chinese_question), len(chinese_question) // 100,
                        "the question is the Chinese one")
        self.assertEqual(folder_contents(updater.local), self.expected_files())
        updater.answer("Escape")
        updater.exit()
        self.assertEqual(updater.wait_end(), 0)

    def test_a_hostile_listing_writes_nothing_outside_the_download_folder(self):
        for outside in ("escaped.txt", "escaped-further.txt", "absolute.txt", "inner.txt"):
            with open(os.path.join(self.served, outside), "wb") as bait:
                bait.write(b"must not arrive")
        absolute_before = os.path.exists("/tmp/absolute.txt")
        updater = self.start(hostile_listing=True)
        updater.download()
        self.ask_and_photograph(updater, "e2e-hostile-listing.png")
        updater.answer("Escape")
        updater.exit()
        self.assertEqual(updater.wait_end(), 0)
        self.assertEqual(sorted(os.listdir(self.drive)), ["Brantwell"])
        self.assertEqual(folder_contents(updater.local), self.expected_files())
        self.assertEqual(os.path.exists("/tmp/absolute.txt"), absolute_before)

    def test_the_largest_listing_allowed_keeps_the_window_under_256_mib(self):
        # 1 MiB of the shortest lines: the most names the window takes, every one shown.
        folder = os.path.join(self.served, "NVL_program")
        shutil.rmtree(folder)
        os.makedirs(folder)
        for number in range(131072):
            open(os.path.join(folder, "%06d" % number), "wb").close()
        updater = self.start()
        updater.download()
        wait_for(lambda: os.path.exists(os.path.join(updater.local, "000000")), 120, "the first file")
        time.sleep(1)
        with open("/proc/%d/status" % updater.process.pid) as status:
            peak = [int(line.split()[1]) for line in status if line.startswith("VmHWM:")][0]
        updater.exit()
        self.assertEqual(updater.wait_end(), 0)
        print("the window's peak memory with %d names: %.1f MiB" % (131072, peak / 1024))
        self.assertLess(peak, 256 * 1024, "VmHWM in KiB")


if __name__ == "__main__":
    unittest.main(verbosity=2)
