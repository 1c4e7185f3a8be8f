"""The Windows program under Wine and Xvfb against pyftpdlib: a whole download into the prefix's
C:\\Brantwell, the question, and the installer started by Yes; the Chinese window and question; a
listing of names that Windows cannot store as files of their own, beside Big5 names, in the system
code pages 1252 and 950."""
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
SYSTEM_CODE_PAGE = os.environ["SYSTEM_CODE_PAGE"]
WINE_RUN = os.environ["WINE_RUN"]
SCREENSHOTS = os.environ["SCREENSHOTS"]
# The prefix that script/wine-run uses, beside the Windows builds.
PREFIX = os.environ.get("WINEPREFIX") or os.path.join(os.path.dirname(os.path.dirname(WINE_RUN)), "build-windows",
                                                      "wineprefix")
DRIVE_C = os.path.join(PREFIX, "drive_c")
ENGLISH_TITLE = "Program Installation System  (Updated on 2016/06/13)"
CHINESE_TITLE = "軟件安裝糸統  (Updated on 2016/06/13)"

# Wine takes the system's ANSI code page from the locale, and the Linux side's file names from the
# locale's character set, so the locale must exist: it is made beside the prefix, by localedef.
LOCALES = os.path.join(os.path.dirname(PREFIX), "locales")
# Windows opens a device for these names, whatever extension follows.
DEVICE_NAMES = ["nul.txt", "AUX", "COM1", "LPT1.dat", "PRN", "CON.txt"]
DEVICES = (["con", "nul", "aux", "prn", "conin$", "conout$"] + ["com%d" % n for n in range(1, 10)] +
           ["lpt%d" % n for n in range(1, 10)])
# The devices that Wine finds through the prefix's dosdevices when they are opened; serial ports it
# maps when its session starts.
TRAPPED_DEVICES = ["aux", "prn"] + ["lpt%d" % n for n in range(1, 10)]
# Windows stores these as another name of the listing: "Setup.exe" and each other.
ALIASES = ["Setup.exe.", "Setup.exe ", "Readme.txt", "README.TXT"]
RESERVED = ["less<than.txt", "greater>than.txt", 'quote".txt', "pipe|.txt", "what?.txt", "star*.txt"]
# Within the Linux side's 255 bytes, but beyond MAX_PATH in C:\Brantwell.
OVERLONG = "o" * 250 + ".txt"
# Big5 "功能.txt" and "許可.dat": the trail byte of each first character is 0x5C, a backslash.
BIG5_NAMES = {"功能.txt": b"\xa5\x5c\xaf\xe0.txt", "許可.dat": b"\xb3\x5c\xa5\x69.dat"}


def wine_locale(name):
    """The environment that gives Wine the locale `name`, such as "zh_TW.UTF-8"."""
    if not os.path.isdir(os.path.join(LOCALES, name)):
        os.makedirs(LOCALES, exist_ok=True)
        subprocess.run(["localedef", "-i", name.split(".")[0], "-f", "UTF-8", os.path.join(LOCALES, name)],
                       capture_output=True)
    return {"LC_ALL": name, "LOCPATH": LOCALES}


def written(traps):
    """The trapped devices that something was written to, with what."""
    return {name: data for name, data in folder_contents(traps).items() if data}


def device_named(root):
    """Every file below `root` whose name Windows takes for a device."""
    found = set()
    for folder, _, names in os.walk(root):
        for name in names:
            if name.split(".")[0].rstrip(" ").lower() in DEVICES:
                found.add(os.path.join(folder, name))
    return found


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
        updater.download()
        updater.box("Confirm")
        time.sleep(0.5)
        self.screenshot("wine-question-chinese.png")
        updater.answer("Escape")
        wait_for(lambda: not self.x.find_window("^Confirm$"), 20, "the question to close")
        time.sleep(0.5)
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

    def test_a_hostile_listing_in_the_system_code_page_1252(self):
        self.hostile_listing("en_US.UTF-8", "1252")

    def test_a_hostile_listing_in_the_system_code_page_950(self):
        self.hostile_listing("zh_TW.UTF-8", "950")

    def hostile_listing(self, locale, code_page):
        """Device names, aliases, reserved characters and an overlong name are never fetched and
        raise no box; honest names, Big5 ones with a 0x5C trail byte too, arrive byte for byte under
        their own characters, and the product is offered."""
        env = wine_locale(locale)
        shown = subprocess.run([WINE_RUN, SYSTEM_CODE_PAGE], env=dict(os.environ, **env), capture_output=True,
                               text=True, timeout=60).stdout.strip()
        self.assertEqual(shown, code_page, "Wine's system code page for " + locale)
        product = os.path.join(self.served, "NVL_program")
        # The product's own readme would alias "Readme.txt" as well.
        os.remove(os.path.join(product, "readme.txt"))
        expected = {name: data for name, data in self.product.items() if name != "readme.txt"}
        expected["SetupNVL.exe"] = expected.pop("Setup.exe")
        for name in DEVICE_NAMES + ALIASES + RESERVED + [OVERLONG]:
            with open(os.path.join(product, name), "wb") as refused:
                refused.write(b"must not arrive as " + name.encode())
        for name, served in BIG5_NAMES.items():
            with open(os.path.join(os.fsencode(product), served), "wb") as honest:
                honest.write(b"Big5 " + served)
            expected[name] = b"Big5 " + served
        traps = self.trap_devices()
        devices_before = device_named(DRIVE_C)

        server = PyFtpd(self.served, byte_names=True)
        self.addCleanup(server.stop)
        updater = Updater(PROGRAM, self.x, server, DRIVE_C, ("NVL", "E"), launcher=(WINE_RUN,), env=env)
        self.addCleanup(updater.stop)
        updater.download()
        try:
            updater.box("Confirm", 40)
        except AssertionError:
            self.screenshot("wine-hostile-%s-no-question.png" % code_page)
            raise AssertionError("no question; the folder holds %s, the devices %s" % (
                sorted(os.listdir(updater.local)), written(traps)))
        self.screenshot("wine-hostile-%s-question.png" % code_page)
        self.assertEqual(folder_contents(updater.local), expected)
        self.assertEqual(written(traps), {}, "nothing was written to a device")
        self.assertEqual(device_named(DRIVE_C) - devices_before, set())

        updater.answer("Return")
        self.assertEqual(updater.wait_end(30), 0, updater.output())
        wait_for(lambda: os.path.exists(os.path.join(updater.local, INSTALLER_MARKER)), 20, "the installer's marker")

    def trap_devices(self):
        """Points the prefix's printer and auxiliary devices at empty files of the test's, for as
        long as the test runs: what is written to one lands there, not in a real port."""
        dosdevices = os.path.join(PREFIX, "dosdevices")
        traps = os.path.join(self.work, "devices")
        os.makedirs(traps)
        for device in TRAPPED_DEVICES:
            open(os.path.join(traps, device), "wb").close()
            link = os.path.join(dosdevices, device)
            original = os.readlink(link) if os.path.islink(link) else None
            if original is not None:
                os.remove(link)
            os.symlink(os.path.join(traps, device), link)
            self.addCleanup(self.restore_device, link, original)
        return traps

    @staticmethod
    def restore_device(link, original):
        os.remove(link)
        if original is not None:
            os.symlink(original, link)


if __name__ == "__main__":
    unittest.main()
