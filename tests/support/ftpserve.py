"""pyftpdlib serving a folder to one account on loopback, optionally sending at a limited rate (so
progress can be watched), adding hostile names to every bare name list (names a real server
would not list: paths, drive letters, ".."), listing names of files that are not there, never
answering the first RETR, taking a bounded number of clients, and serving names as the bytes they
are on disk.

  ftpserve.py PORT FOLDER USER PASSWORD [--rate BYTES_PER_SECOND] [--hostile-listing]
              [--missing COUNT] [--stall-first-retr] [--max-cons COUNT] [--byte-names]
"""
import argparse
import time

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer

HOSTILE_NAMES = ["../escaped.txt", "../../escaped-further.txt", "/tmp/absolute.txt", "sub/inner.txt",
                 "..", ".", "C:escaped.txt", "..\\backslash.txt"]


class Paced(ThrottledDTPHandler):
    """Sends at `write_limit` bytes per second evenly, in small pieces, instead of in bursts of a
    second's worth."""
    ac_out_buffer_size = 16384
    auto_sized_buffers = False

    def _throttle_bandwidth(self, len_chunk, max_speed):
        if self._datacount == 0:
            self._started = time.monotonic()
        self._datacount += len_chunk
        ahead = self._datacount / max_speed - (time.monotonic() - self._started)
        if ahead <= 0.01:
            return

        def unsleep():
            self.add_channel(events=self.ioloop.READ if self.receive else self.ioloop.WRITE)

        self.del_channel()
        self._cancel_throttler()
        self._throttler = self.ioloop.call_later(ahead, unsleep, _errback=self.handle_error)


class Scripted(FTPHandler):
    """Adds names to its bare name lists, and can leave the first RETR of its life unanswered."""
    extra_names = []
    stall_first_retr = False

    def ftp_NLST(self, path):
        # The server's own listing, then the extra names, on the data connection.
        listing = sorted(self.run_as_current_user(self.fs.listdir, path))
        data = "".join(name + "\r\n" for name in listing + self.extra_names).encode("latin-1")
        self.push_dtp_data(data, isproducer=False, cmd="NLST")
        return path

    def ftp_RETR(self, file):
        if Scripted.stall_first_retr:
            Scripted.stall_first_retr = False
            return None
        return super().ftp_RETR(file)


def with_byte_names(handler):
    """The handler with names taken and given as the bytes they are on disk: pyftpdlib reads them as
    UTF-8 and would replace what is not, so that a Big5 name would be listed and looked up garbled."""

    class ByteNames(handler):
        unicode_errors = "surrogateescape"

        def push(self, s):
            # A reply that quotes such a name is sent with the name's bytes too.
            super(FTPHandler, self).push(s.encode("utf8", self.unicode_errors))

    return ByteNames


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("port", type=int)
    parser.add_argument("folder")
    parser.add_argument("user")
    parser.add_argument("password")
    parser.add_argument("--rate", type=int, default=0)
    parser.add_argument("--hostile-listing", action="store_true")
    parser.add_argument("--missing", type=int, default=0)
    parser.add_argument("--stall-first-retr", action="store_true")
    parser.add_argument("--max-cons", type=int, default=0)
    parser.add_argument("--byte-names", action="store_true")
    options = parser.parse_args()

    authorizer = DummyAuthorizer()
    authorizer.add_user(options.user, options.password, options.folder, perm="elr")
    handler = FTPHandler
    if options.hostile_listing or options.missing or options.stall_first_retr:
        handler = Scripted
        Scripted.extra_names = (HOSTILE_NAMES if options.hostile_listing else []) + [
            "missing-%03d.dat" % number for number in range(options.missing)]
        Scripted.stall_first_retr = options.stall_first_retr
    if options.byte_names:
        handler = with_byte_names(handler)
    handler.authorizer = authorizer
    if options.rate:
        Paced.write_limit = options.rate
        handler.dtp_handler = Paced
    server = FTPServer(("127.0.0.1", options.port), handler)
    if options.max_cons:
        server.max_cons = options.max_cons
    server.serve_forever()


if __name__ == "__main__":
    main()
