"""Runs a Windows test program under Wine with a broker beside it that starts servers on the Linux
side for it.

    server_broker.py COMMAND...

The program finds the broker on the loopback port in NVL_SERVER_BROKER. It connects, sends a
server's command line one argument per line, ended by an empty line, and keeps the connection
open while it needs the server; the broker ends the server when the connection closes, and every
server when the program ends. Arguments that are Windows paths ("C:\\...") are given to the server
as the Unix paths that Wine maps them to."""
import os
import re
import socket
import subprocess
import sys
import threading

MAX_REQUEST = 64 * 1024
WINDOWS_PATH = re.compile(r"^([A-Za-z]):\\(.*)$")
# The prefix of script/wine-run.
DEFAULT_PREFIX = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "build-windows", "wineprefix")


def unix_path(argument):
    match = WINDOWS_PATH.match(argument)
    if not match:
        return argument
    prefix = os.environ.get("WINEPREFIX") or DEFAULT_PREFIX
    drive = os.path.realpath(os.path.join(prefix, "dosdevices", match.group(1).lower() + ":"))
    return os.path.join(drive, *[part for part in match.group(2).split("\\") if part])


def serve(connection, servers, lock):
    with connection:
        request = b""
        while not request.endswith(b"\n\n") and len(request) < MAX_REQUEST:
            chunk = connection.recv(4096)
            if not chunk:
                return
            request += chunk
        arguments = [unix_path(line) for line in request.decode().split("\n")[:-2]]
        try:
            server = subprocess.Popen(arguments, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                      stderr=subprocess.DEVNULL)
        except OSError as error:
            connection.sendall(("failed: %s\n" % error).encode())
            return
        with lock:
            servers.append(server)
        connection.sendall(b"started\n")
        while connection.recv(4096):
            pass
        server.terminate()
        server.wait()


def main():
    listener = socket.create_server(("127.0.0.1", 0))
    servers, lock = [], threading.Lock()

    def accept():
        while True:
            try:
                connection, _ = listener.accept()
            except OSError:
                return
            threading.Thread(target=serve, args=(connection, servers, lock), daemon=True).start()

    threading.Thread(target=accept, daemon=True).start()
    env = dict(os.environ, NVL_SERVER_BROKER=str(listener.getsockname()[1]))
    try:
        status = subprocess.call(sys.argv[1:], env=env)
    finally:
        listener.close()
        with lock:
            for server in servers:
                if server.poll() is None:
                    server.terminate()
                    server.wait()
    sys.exit(status)


if __name__ == "__main__":
    main()
