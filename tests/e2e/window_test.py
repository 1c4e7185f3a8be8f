"""The updater as a real window under Xvfb: size, place and title, both languages and the language button,
screenshots, and closing it."""
import os
import subprocess
import tempfile
import time
import unittest

from xwindow import LANGUAGE_BUTTON, SCREEN, XTestCase, wait_for

PROGRAM = os.environ["BRANTWELL"]
SCREENSHOTS = os.environ["SCREENSHOTS"]


def differing(first, second):
    return sum(a != b for a, b in zip(first, second))


class Window(XTestCase):
    def start(self, *arguments):
        drive = tempfile.mkdtemp(prefix="drive-c-")
        env = dict(self.x.env, NVL_DRIVE_C=drive)
        process = subprocess.Popen([PROGRAM, *arguments], env=env, cwd=drive,
                                   stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        self.addCleanup(lambda: process.poll() is None and process.kill())
        try:
            window = wait_for(self.x.find_window, 20, "the window")
        except AssertionError:
            process.kill()
            raise AssertionError("no window; the program said: " + process.communicate()[0].decode(errors="replace"))
        return process, window

    def screenshot(self, name, window="root"):
        return self.x.screenshot(os.path.join(SCREENSHOTS, name), window)

    def close(self, process, window):
        self.x.close(window)
        self.assertEqual(process.wait(15), 0, process.stdout.read().decode(errors="replace"))

    def test_opens_one_centred_fixed_window_and_closing_ends_with_status_0(self):
        process, window = self.start()
        left, top, width, height = self.x.geometry(window)
        self.assertEqual((width, height), (494, 327))
        self.assertEqual((left, top), ((SCREEN[0] - 494) // 2, (SCREEN[1] - 327) // 2))
        self.assertEqual(self.x.title(window), "軟件安裝糸統  (Updated on 2016/06/13)")
        time.sleep(0.5)
        self.assertTrue(os.path.getsize(self.screenshot("window.png")) > 0)
        self.close(process, window)

    def test_the_command_line_and_the_language_button_choose_the_language(self):
        process, window = self.start("NVL", "E")
        self.assertEqual(self.x.title(window), "Program Installation System  (Updated on 2016/06/13)")
        time.sleep(0.5)
        english = self.x.pixels(self.screenshot("english.png", window))

        self.x.click(window, LANGUAGE_BUTTON)
        wait_for(lambda: self.x.title(window) == "軟件安裝糸統", 10, "the Chinese caption without its stamp")
        time.sleep(0.5)
        chinese = self.x.pixels(self.screenshot("chinese.png", window))
        self.assertEqual(len(english), len(chinese))
        changed = differing(english, chinese)
        self.assertGreater(changed, 0, "the labels and buttons changed")

        self.x.click(window, LANGUAGE_BUTTON)
        wait_for(lambda: self.x.title(window) == "Program Installation System", 10, "the English caption")
        time.sleep(0.5)
        # Only the button under the mouse, with the focus, looks different now.
        self.assertLess(differing(self.x.pixels(self.screenshot("english-again.png", window)), english), changed / 10)
        self.close(process, window)

    def test_nvl_c_starts_in_chinese(self):
        process, window = self.start("NVL", "C")
        self.assertEqual(self.x.title(window), "軟件安裝糸統  (Updated on 2016/06/13)")
        self.close(process, window)


if __name__ == "__main__":
    unittest.main(verbosity=2)
