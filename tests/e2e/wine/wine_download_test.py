"""The Windows program under Wine and Xvfb against pyftpdlib: a whole download into the prefix's
C:\\Brantwell, the question, and the installer started by Yes; the Chinese window."""
import os
import shutil
import subprocess
import tempfile
import time
import unittest

from servers import PyFtpd, folder_contents, sample_product
from updater import INSTALLER_MARKER, Updater
from xwindow import XTestCase, wait_for

PROGRAM = os.environ["BRANTWELL"]
MARKER_SETUP = os.environ["MARKER_SETUP"]
WINE_RUN = os.environ["WINE_RUN"]
SCREENSHOTS = os.environ["SCREENSHOTS"]
# The prefix that script/wine-run uses, beside the Windows builds.
PREFIX = os.environ.get("WINEPREFIX") or os.path.join(os.path.dirname(os.path.dirname(WINE_RUN)), "build-windows",
                                                      "wineprefix")
DRIVE_C = os.path.join(PREFIX, "drive_c")
ENGLISH_TITLE = "Program Installation System  (Updated on 2016/06/13)"
CHINESE_TITLE = "軟件安裝糸統  (Updated on 2016/06/13)"


class WineDownload(XTestCase):
    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="e2e-wine-")
        self.addCleanup(shutil.rmtree, self.work, True)
        self.served = os.path.join(self.work, "server")
        self.product = sample_product(os.path.join(self.served, "NVL_program"))
        with open(MARKER_SETUP, "rb") as setup:
            self.product["Setup.exe"] = setup.read()
        shutil.copyfile(MARKER_SETUP, os.path.join(self.served, "NVL_program", "Setup.exe"))
        # The prefix outlives the test: its download folder starts empty.
        shutil.rmtree(os.path.join(DRIVE_C, "Brantwell"), ignore_errors=True)

    def start(self, arguments):
        server = PyFtpd(self.served)
        self.addCleanup(server.stop)
        updater = Updater(PROGRAM, self.x, server, DRIVE_C, arguments, launcher=(WINE_RUN,))
        self.addCleanup(updater.stop)
        return updater

    def screenshot(self, name, window="root"):
        return self.x.screenshot(os.path.join(SCREENSHOTS, name), window)

    def test_a_whole_download_asks_and_yes_starts_the_installer_and_ends(self):
        updater = self.start(("NVL", "E"))
        self.assertEqual(self.x.title(updater.window), ENGLISH_TITLE)
        self.screenshot("wine-window.png", updater.window)
        updater.download()
        updater.box("Confirm")
        time.sleep(0.5)
        self.screenshot("wine-question.png")
        expected = dict(self.product)
        expected["SetupNVL.exe"] = expected.pop("Setup.exe")
        self.assertEqual(folder_contents(updater.local), expected)

        updater.answer("Return")  # Yes is the default button
        self.assertEqual(updater.wait_end(60), 0, updater.output())
        marker = os.path.join(updater.local, INSTALLER_MARKER)
        wait_for(lambda: os.path.exists(marker), 30, "the installer's marker")
        with open(marker, "rb") as ran:
            self.assertIn(b"SetupNVL", ran.read())

    def test_the_chinese_window_shows_its_big5_texts(self):
        updater = self.start(("NVL", "C"))
        self.assertEqual(self.x.title(updater.window), CHINESE_TITLE)
        time.sleep(0.5)
        chinese = self.x.pixels(self.screenshot("wine-window-chinese.png", updater.window))
        # The language button shows the same texts in English: the labels' pixels change, and the
        # caption loses its date as it does on every system.
        updater.switch_language()
        wait_for(lambda: self.x.title(updater.window) == "Program Installation System", 20, "the English title")
        time.sleep(0.5)
        english = self.x.pixels(self.screenshot("wine-window-switched.png", updater.window))
        self.assertEqual(len(chinese), len(english))
        self.assertGreater(sum(a != b for a, b in zip(chinese, english)), 1000)

        updater.exit()
        self.assertEqual(updater.wait_end(60), 0, updater.output())
        self.assertFalse(os.path.exists(updater.local) and os.listdir(updater.local))


if __name__ == "__main__":
    unittest.main()
