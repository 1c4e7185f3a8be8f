"""The updater as a real window under Xvfb: size, place and title, a screenshot, and closing it."""
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


class XServer:
    def __enter__(self):
        self.number = 50 + os.getpid() % 400
        self.process = subprocess.Popen(["Xvfb", ":%d" % self.number, "-screen", "0", "%dx%dx24" % SCREEN, "-nolisten", "tcp"],
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
        window = wait_for(lambda: self.find_window(), 20, "the window")
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

    def screenshot(self, name):
        os.makedirs(SCREENSHOTS, exist_ok=True)
        path = os.path.join(SCREENSHOTS, name)
        subprocess.run(["import", "-window", "root", path], env=self.env, check=True)
        return path

    def test_opens_one_centred_fixed_window_and_closing_ends_with_status_0(self):
        process, window = self.start()
        left, top, width, height = self.geometry(window)
        self.assertEqual((width, height), (494, 327))
        self.assertEqual((left, top), ((SCREEN[0] - 494) // 2, (SCREEN[1] - 327) // 2))
        self.assertEqual(self.title(window), "軟件安裝糸統  (Updated on 2016/06/13)")
        time.sleep(0.5)
        self.assertTrue(os.path.getsize(self.screenshot("window.png")) > 0)
        close_window(window, self.x.display)
        self.assertEqual(process.wait(15), 0, process.stdout.read().decode(errors="replace"))


if __name__ == "__main__":
    unittest.main(verbosity=2)
