"""The main job on a local server: a sample product served by pyftpdlib on loopback, the updater
pointed at it, the files downloaded into build/demo/drive/Brantwell and the installer started.
With a display the window is yours; without one it runs under Xvfb, is driven like a person
would and leaves screenshots. Usage: demo.py [CODE [C|E]]"""
import os
import random
import shutil
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "support"))

from servers import PyFtpd, folder_contents  # noqa: E402
from updater import INSTALLER_MARKER, Updater, environment, partly_staged  # noqa: E402
from xwindow import XServer, wait_for  # noqa: E402

BUILD = os.path.join(ROOT, os.environ.get("NVL_BUILD_DIR", "build"))
PROGRAM = os.path.join(BUILD, "app", "brantwell")
DEMO = os.path.join(BUILD, "demo")
# Paced so that the progress can be watched: the large file takes a few seconds.
RATE = 3 * 1024 * 1024
MIB = 1024 * 1024

SETUP = b"""#!/bin/sh
# The sample product's installer: it only leaves a sign that it ran.
here=$(cd "$(dirname "$0")" && pwd)
echo "SetupNVL ran on $(date) in $here" > "$here/""" + INSTALLER_MARKER.encode() + b""""
"""


def sample_product(folder):
    """Files of several sizes, one of several MiB, and the installer."""
    generator = random.Random(2016)
    files = {
        "readme.txt": b"Norvale NVL sample product\r\nInstall with SetupNVL.exe.\r\n",
        "nvl.ini": b"[NVL]\r\nVersion=2016.06.13\r\n",
        "manual.dat": generator.randbytes(300 * 1024),
        "nvldata.bin": generator.randbytes(8 * MIB),
        "Setup.exe": SETUP,
    }
    os.makedirs(folder)
    for name, data in files.items():
        with open(os.path.join(folder, name), "wb") as out:
            out.write(data)
    return files


def run_with_display(server, drive, arguments):
    env = environment(os.environ, server, drive)
    print("The window is open: press Download File, answer the question, or close it to end.")
    return subprocess.run([PROGRAM, *arguments], env=env, cwd=drive).returncode


def run_under_xvfb(server, drive, arguments, screenshots, product):
    with XServer() as x:
        updater = Updater(PROGRAM, x, server, drive, arguments)
        try:
            x.screenshot(os.path.join(screenshots, "1-window.png"), updater.window)
            print("Pressing Download File ...")
            updater.download()
            wait_for(lambda: partly_staged(updater.local, len(product["nvldata.bin"])), 120,
                     "the large file to arrive")
            time.sleep(1)
            x.screenshot(os.path.join(screenshots, "2-downloading.png"), updater.window)
            updater.box("Confirm", 120)
            time.sleep(0.5)
            x.screenshot(os.path.join(screenshots, "3-question.png"))
            print("The question came; answering Yes ...")
            updater.answer("Return")
            return updater.wait_end(30)
        finally:
            updater.stop()


def main():
    arguments = sys.argv[1:] or ["NVL", "E"]
    for part in ("server", "drive", "screenshots"):
        shutil.rmtree(os.path.join(DEMO, part), ignore_errors=True)
    served = os.path.join(DEMO, "server")
    product = sample_product(os.path.join(served, arguments[0] + "_program"))
    drive = os.path.join(DEMO, "drive")
    screenshots = os.path.join(DEMO, "screenshots")
    os.makedirs(drive)
    os.makedirs(screenshots)

    with PyFtpd(served, user="nvlupd", password="demo2016", rate=RATE) as server:
        print("pyftpdlib serves %s on 127.0.0.1:%d" % (os.path.relpath(served, ROOT), server.port))
        if os.environ.get("DISPLAY"):
            status = run_with_display(server, drive, arguments)
        else:
            print("No display: the window runs under Xvfb and is driven from here.")
            status = run_under_xvfb(server, drive, arguments, screenshots, product)

    local = os.path.join(drive, "Brantwell")
    expected = dict(product)
    expected["SetupNVL.exe"] = expected.pop("Setup.exe")
    arrived = folder_contents(local) if os.path.isdir(local) else {}
    whole = [name for name, data in expected.items() if arrived.get(name) == data]
    marker = os.path.join(local, INSTALLER_MARKER)
    if os.path.isdir(local):
        try:
            wait_for(lambda: os.path.exists(marker), 5, "the installer")
        except AssertionError:
            pass
    print()
    print("The program ended with status %d." % status)
    print("Downloaded into %s: %d of %d files byte for byte (Setup.exe stored as SetupNVL.exe)."
          % (os.path.relpath(local, ROOT), len(whole), len(expected)))
    if os.path.exists(marker):
        with open(marker) as sign:
            print("The installer ran: " + sign.read().strip())
    pictures = sorted(os.listdir(screenshots))
    if pictures:
        print("Screenshots in %s: %s" % (os.path.relpath(screenshots, ROOT), ", ".join(pictures)))
    return 0 if status == 0 and len(whole) == len(expected) else 1


if __name__ == "__main__":
    sys.exit(main())
