"""Real FTP servers for the program-level tests, on free loopback ports: pyftpdlib with an account,
and vsftpd for anonymous users (root only)."""
import os
import shutil
import socket
import subprocess
import tempfile
import time

PYTHON = "/usr/bin/python3"  # Debian's, which has pyftpdlib
VSFTPD = "/usr/sbin/vsftpd"


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def wait_for_port(port, process, seconds=10):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if process.poll() is not None:
            raise RuntimeError("the server ended at once with status %d" % process.returncode)
        try:
            with socket.create_connection(("127.0.0.1", port), timeout=1):
                return
        except OSError:
            time.sleep(0.05)
    raise RuntimeError("the server did not listen on port %d" % port)


class Server:
    """Stops the server process when the block ends."""
    port = None
    process = None

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.stop()

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.terminate()
            self.process.wait(5)


class PyFtpd(Server):
    """pyftpdlib serving `root` to one account on `port` (a free one by default); `rate` limits what
    it sends, in bytes per second, `hostile_listing` adds names with paths to its bare name lists,
    `missing` adds that many names of files that are not there, `stall_first_retr` leaves the first
    RETR unanswered, `max_cons` bounds the clients it takes at once, and `byte_names` serves names
    as the bytes they are on disk, whatever their encoding."""

    def __init__(self, root, user="user", password="secret", rate=0, hostile_listing=False, byte_names=False,
                 port=None, missing=0, stall_first_retr=False, max_cons=0):
        self.root, self.user, self.password = root, user, password
        self.port = port or free_port()
        arguments = [PYTHON, os.path.join(os.path.dirname(os.path.abspath(__file__)), "ftpserve.py"),
                     str(self.port), root, user, password]
        if rate:
            arguments += ["--rate", str(rate)]
        if hostile_listing:
            arguments.append("--hostile-listing")
        if missing:
            arguments += ["--missing", str(missing)]
        if stall_first_retr:
            arguments.append("--stall-first-retr")
        if max_cons:
            arguments += ["--max-cons", str(max_cons)]
        if byte_names:
            arguments.append("--byte-names")
        self.process = subprocess.Popen(arguments, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_for_port(self.port, self.process)

    def url(self, folder, password=None):
        return "ftp://%s:%s@127.0.0.1:%d/%s" % (self.user, password or self.password, self.port, folder)


class Vsftpd(Server):
    """vsftpd serving `root` to anonymous users; `transfer_log` names a file where vsftpd logs each
    transfer with its rate."""
    user = password = "anonymous"

    @staticmethod
    def available():
        return os.geteuid() == 0 and os.access(VSFTPD, os.X_OK)

    def __init__(self, root, transfer_log=None, settings=""):
        """`settings` adds lines to vsftpd's configuration."""
        self.root = root
        self.port = free_port()
        self.state = tempfile.mkdtemp(prefix="vsftpd-")
        os.makedirs(os.path.join(self.state, "empty"))
        config = os.path.join(self.state, "vsftpd.conf")
        log = ("xferlog_enable=YES\nxferlog_std_format=NO\nvsftpd_log_file=%s\n" % transfer_log if transfer_log
               else "xferlog_enable=NO\n")
        with open(config, "w") as out:
            out.write("listen=YES\nlisten_address=127.0.0.1\nlisten_port=%d\nbackground=NO\n"
                      "anonymous_enable=YES\nno_anon_password=YES\nlocal_enable=NO\nwrite_enable=NO\n"
                      "anon_root=%s\nsecure_chroot_dir=%s\nseccomp_sandbox=NO\nconnect_from_port_20=NO\n"
                      "allow_writeable_chroot=YES\n%s%s" % (self.port, root, os.path.join(self.state, "empty"), log,
                                                              settings))
        self.process = subprocess.Popen([VSFTPD, config], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_for_port(self.port, self.process)

    def url(self, folder):
        return "ftp://127.0.0.1:%d/%s" % (self.port, folder)

    def stop(self):
        super().stop()
        shutil.rmtree(self.state, ignore_errors=True)


def sample_product(folder, big_size=3 * 1024 * 1024, seed=7):
    """A product folder: files of several sizes, one binary of `big_size` bytes, an empty file and
    a "Setup.exe"; returns {name: bytes}."""
    import random
    generator = random.Random(seed)
    files = {
        "readme.txt": b"NVL sample product\r\n",
        "empty.dat": b"",
        "data.bin": bytes(generator.getrandbits(8) for _ in range(70000)),
        "big.bin": generator.randbytes(big_size),
    }
    os.makedirs(folder, exist_ok=True)
    for name, data in files.items():
        with open(os.path.join(folder, name), "wb") as out:
            out.write(data)
    return files


def folder_contents(folder):
    contents = {}
    for name in os.listdir(folder):
        with open(os.path.join(folder, name), "rb") as data:
            contents[name] = data.read()
    return contents
