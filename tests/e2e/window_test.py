"""The updater as a real window under Xvfb: size, place and title, both languages and the language button,
screenshots, and closing it."""
import os
import subprocess
import sys
import tempfile
import time
import unittest

from xclose import close_window

PROGRAM = os.environ["BRANTWELL"]
SCREENSHOTS = os.environ["SCREENSHOTS"]
SCREEN = (1024, 768)


def wait_for(condition, seconds, what):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(0.1)
    raise AssertionError("timed out waiting for " + what)


def differing(first, second):
    return sum(a != b for a, b in zip(first, second))


class XServer:
    def __enter__(self):
        self.number = 50 + os.getpid() % 400
        self.process = subprocess.Popen(["Xvfb", ":%d" % self.number, "-screen", "0", "%dx%dx24" % SCREEN, "-nolisten", "tcp", "-noreset"],
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_for(lambda: os.path.exists("/tmp/.X11-unix/X%d" % self.number), 10, "Xvfb")
        self.display = ":%d" % self.number
        return self

    def __exit__(self, *exc):
        self.process.terminate()
        self.process.wait(5)


class Window(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.x = XServer().__enter__()
        cls.env = dict(os.environ, DISPLAY=cls.x.display, QT_QPA_PLATFORM="xcb",
                       XDG_RUNTIME_DIR=tempfile.mkdtemp(prefix="xdg-"))

    @classmethod
    def tearDownClass(cls):
        cls.x.__exit__(None, None, None)

    def start(self, *arguments):
        drive = tempfile.mkdtemp(prefix="drive-c-")
        env = dict(self.env, NVL_DRIVE_C=drive)
        process = subprocess.Popen([PROGRAM, *arguments], env=env, cwd=drive,
                                   stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        self.addCleanup(lambda: process.poll() is None and process.kill())
        try:
            window = wait_for(lambda: self.find_window(), 20, "the window")
        except AssertionError:
            process.kill()
            raise AssertionError("no window; the program said: " + process.communicate()[0].decode(errors="replace"))
        return process, window

    def find_window(self):
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "Updated on"], env=self.env,
                               capture_output=True, text=True)
        ids = found.stdout.split()
        return int(ids[0]) if ids else None

    def geometry(self, window):
        info = subprocess.run(["xwininfo", "-id", str(window)], env=self.env, capture_output=True, text=True).stdout
        values = {}
        for line in info.splitlines():
            key, _, value = line.strip().partition(":")
            values[key] = value.strip()
        return (int(values["Absolute upper-left X"]), int(values["Absolute upper-left Y"]),
                int(values["Width"]), int(values["Height"]))

    def title(self, window):
        return subprocess.run(["xdotool", "getwindowname", str(window)], env=self.env, capture_output=True,
                               text=True).stdout.strip()

    def screenshot(self, name, window="root"):
        os.makedirs(SCREENSHOTS, exist_ok=True)
        path = os.path.join(SCREENSHOTS, name)
        subprocess.run(["import", "-window", str(window), path], env=self.env, check=True)
        return path

    def pixels(self, path):
        return subprocess.run(["convert", path, "rgb:-"], capture_output=True, check=True).stdout

    def click(self, window, x, y):
        subprocess.run(["xdotool", "mousemove", "--window", str(window), str(x), str(y), "click", "1"],
                       env=self.env, check=True)

    def close(self, process, window):
        close_window(window, self.x.display)
        self.assertEqual(process.wait(15), 0, process.stdout.read().decode(errors="replace"))

    def test_opens_one_centred_fixed_window_and_closing_ends_with_status_0(self):
        process, window = self.start()
        left, top, width, height = self.geometry(window)
        self.assertEqual((width, height), (494, 327))
        self.assertEqual((left, top), ((SCREEN[0] - 494) // 2, (SCREEN[1] - 327) // 2))
        self.assertEqual(self.title(window), "軟件安裝糸統  (Updated on 2016/06/13)")
        time.sleep(0.5)
        self.assertTrue(os.path.getsize(self.screenshot("window.png")) > 0)
        self.close(process, window)

    def test_the_command_line_and_the_language_button_choose_the_language(self):
        process, window = self.start("NVL", "E")
        self.assertEqual(self.title(window), "Program Installation System  (Updated on 2016/06/13)")
        time.sleep(0.5)
        english = self.pixels(self.screenshot("english.png", window))

        self.click(window, 455, 27)  # the language button
        wait_for(lambda: self.title(window) == "軟件安裝糸統", 10, "the Chinese caption without its stamp")
        time.sleep(0.5)
        chinese = self.pixels(self.screenshot("chinese.png", window))
        self.assertEqual(len(english), len(chinese))
        changed = differing(english, chinese)
        self.assertGreater(changed, 0, "the labels and buttons changed")

        self.click(window, 455, 27)
        wait_for(lambda: self.title(window) == "Program Installation System", 10, "the English caption")
        time.sleep(0.5)
        # Only the button under the mouse, with the focus, looks different now.
        self.assertLess(differing(self.pixels(self.screenshot("english-again.png", window)), english), changed / 10)
        self.close(process, window)

    def test_nvl_c_starts_in_chinese(self):
        process, window = self.start("NVL", "C")
        self.assertEqual(self.title(window), "軟件安裝糸統  (Updated on 2016/06/13)")
        self.close(process, window)


if __name__ == "__main__":
    unittest.main(verbosity=2)
