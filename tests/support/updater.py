"""The updater program driven as a person would: started against a local FTP server with drive C in a
folder of its own, Download File pressed, its boxes found, photographed and answered."""
import os
import subprocess
import time

from xwindow import DOWNLOAD_BUTTON, EXIT_BUTTON, LANGUAGE_BUTTON, wait_for

INSTALLER_MARKER = "installer-ran.txt"
# The remote "Setup.exe": a script that leaves its marker beside itself when it runs.
SETUP_SCRIPT = b'#!/bin/sh\necho "SetupNVL ran" > "$(dirname "$0")/' + INSTALLER_MARKER.encode() + b'"\n'


def partly_staged(folder, size):
    """Whether a file of `size` bytes is on its way into `folder`: a download is written under a
    temporary name ("~nvl" and eight hex digits, ".part") until it is whole."""
    try:
        names = os.listdir(folder)
    except FileNotFoundError:
        return False
    for name in names:
        if name.startswith("~nvl") and name.endswith(".part"):
            try:
                if 0 < os.path.getsize(os.path.join(folder, name)) < size:
                    return True
            except FileNotFoundError:
                pass
    return False


def environment(base, server, drive, password=None):
    """`base` with the updater pointed at the server on loopback and drive C at `drive`."""
    return dict(base, NVL_FTP_HOST="127.0.0.1", NVL_FTP_PORT=str(server.port), NVL_FTP_USER=server.user,
                NVL_FTP_PASSWORD=password or server.password, NVL_DRIVE_C=drive)


class Updater:
    """`launcher` runs the program (Wine for the Windows one), whose drive C is then `drive`
    already; `env` adds variables to its environment."""

    def __init__(self, program, x, server, drive, arguments=("NVL", "E"), password=None, launcher=(), env=None):
        self.x, self.drive = x, drive
        self.local = os.path.join(drive, "Brantwell")
        env = dict(environment(x.env, server, drive, password), **(env or {}))
        self.process = subprocess.Popen([*launcher, program, *arguments], env=env, cwd=drive, stdout=subprocess.PIPE,
                                        stderr=subprocess.STDOUT)
        try:
            self.window = wait_for(x.find_window, 60, "the window")
        except AssertionError:
            self.stop()
            raise AssertionError("no window; the program said: " + self.output())
        time.sleep(0.3)

    def output(self):
        return self.process.communicate(timeout=10)[0].decode(errors="replace") if self.process.stdout else ""

    def stop(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()

    def download(self):
        self.x.click(self.window, DOWNLOAD_BUTTON)

    def switch_language(self):
        self.x.click(self.window, LANGUAGE_BUTTON)

    def exit(self):
        self.x.click(self.window, EXIT_BUTTON)

    def box(self, title, seconds=60):
        """The box with that title, once it shows."""
        return wait_for(lambda: self.x.find_window("^%s$" % title), seconds, "the box " + title)

    def answer(self, key):
        """Presses a key in the box that has the focus: Return for its default button (Yes, OK),
        Escape for Cancel."""
        self.x.key(key)

    def wait_end(self, seconds=20):
        return self.process.wait(seconds)
