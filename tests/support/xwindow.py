"""The updater as a real X window: an Xvfb display, finding, clicking and photographing windows,
reading their titles, and closing them as a window manager does."""
import os
import subprocess
import tempfile
import time
import unittest

from xclose import close_window

SCREEN = (1024, 768)
TITLE_STAMP = "Updated on"

# Centres of the window's buttons, in window coordinates.
DOWNLOAD_BUTTON = (61, 300)
EXIT_BUTTON = (433, 300)
LANGUAGE_BUTTON = (455, 27)


def wait_for(condition, seconds, what):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(0.1)
    raise AssertionError("timed out waiting for " + what)


class XServer:
    """An Xvfb display of its own, with the environment that programs on it need."""

    def __init__(self, number=None):
        self.number = number if number is not None else 50 + os.getpid() % 400
        self.display = ":%d" % self.number
        self.process = subprocess.Popen(["Xvfb", self.display, "-screen", "0", "%dx%dx24" % SCREEN, "-nolisten", "tcp",
                                         "-noreset"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_for(lambda: os.path.exists("/tmp/.X11-unix/X%d" % self.number), 10, "Xvfb")
        self.env = dict(os.environ, DISPLAY=self.display, QT_QPA_PLATFORM="xcb",
                        XDG_RUNTIME_DIR=tempfile.mkdtemp(prefix="xdg-"))

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.stop()

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            self.process.wait(5)

    def xdotool(self, *arguments):
        return subprocess.run(["xdotool", *map(str, arguments)], env=self.env, capture_output=True, text=True).stdout

    def find_window(self, name=TITLE_STAMP):
        """The first visible window whose title matches the regular expression `name`."""
        ids = self.xdotool("search", "--onlyvisible", "--name", name).split()
        return int(ids[0]) if ids else None

    def title(self, window):
        return self.xdotool("getwindowname", window).strip()

    def geometry(self, window):
        info = subprocess.run(["xwininfo", "-id", str(window)], env=self.env, capture_output=True, text=True).stdout
        values = {}
        for line in info.splitlines():
            key, _, value = line.strip().partition(":")
            values[key] = value.strip()
        return (int(values["Absolute upper-left X"]), int(values["Absolute upper-left Y"]),
                int(values["Width"]), int(values["Height"]))

    def click(self, window, point):
        subprocess.run(["xdotool", "mousemove", "--window", str(window), str(point[0]), str(point[1]), "click", "1"],
                       env=self.env, check=True)

    def key(self, *keys):
        """Presses keys in the window that has the focus."""
        subprocess.run(["xdotool", "key", *keys], env=self.env, check=True)

    def screenshot(self, path, window="root"):
        os.makedirs(os.path.dirname(path), exist_ok=True)
        subprocess.run(["import", "-window", str(window), path], env=self.env, check=True)
        return path

    def pixels(self, path):
        return subprocess.run(["convert", path, "rgb:-"], capture_output=True, check=True).stdout

    def close(self, window):
        close_window(window, self.display)


class XTestCase(unittest.TestCase):
    """Tests that share one X server, `self.x`."""

    @classmethod
    def setUpClass(cls):
        cls.x = XServer()

    @classmethod
    def tearDownClass(cls):
        cls.x.stop()
