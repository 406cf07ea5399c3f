"""A real `ostrel serve` of a real encrypted tree, for the end-to-end tests of the server.

The tree is made by the real `ostrel encrypt`, then its plain files are removed; the server is
started on it with the pass phrase in its environment, its printed address read, and it is always
stopped with a signal at the end (SIGTERM, or SIGINT for a Windows program under wine, which
takes it for Ctrl-C), its exit status checked, so that a failing test leaves nothing running.
"""

import os
import pathlib
import select
import shutil
import signal
import socket
import subprocess
import tempfile
import time

PASSPHRASE = "serve pass phrase"

# Names and contents of the tree; names chosen to need escaping in URLs, XML and HTML.
TREE = {
    "a.txt": b"hello\n",
    "sub/big.bin": bytes((i * 7 + i // 251) & 0xFF for i in range(3 * 1024 * 1024 + 17)),
    "sub/\u00fc \u00df & <x> 100%.txt": b"escaped name\n",
    "sub/deeper/empty.txt": b"",
    "report.doc": b"current report\n",
    "report.d20240131-t120000.doc": b"older report\n",
    "photo.png": b"\x89PNG\r\n\x1a\n" + bytes(100),
}


class ServedTree:
    def __init__(self, ostrel, extra_args=(), damaged=True, server=None, tree=None,
                 extra_env=None):
        """ostrel makes the tree (TREE unless given); server (a command, ostrel by default)
        serves it, with extra_env added to its environment."""
        self.ostrel = ostrel
        self.stderr_seen = b""
        self.root = pathlib.Path(tempfile.mkdtemp(prefix="ostrel-serve-"))
        self.source = self.root / "source"
        for name, data in (tree or TREE).items():
            path = self.source / name
            path.parent.mkdir(parents=True, exist_ok=True)
            path.write_bytes(data)
        self.run_ostrel(["encrypt", "-r", "--no-progress", str(self.source)])
        for path in list(self.source.rglob("*")):
            if path.is_file() and not path.name.endswith(".2crypt"):
                path.unlink()
        if damaged:
            # A file whose final block does not open: its last byte changed.
            broken = self.source / "broken.txt"
            broken.write_bytes(b"will not open" * 10)
            self.run_ostrel(["encrypt", "--no-progress", str(broken)])
            broken.unlink()
            encrypted = self.source / "broken.txt.2crypt"
            data = bytearray(encrypted.read_bytes())
            data[-1] ^= 0x5A
            encrypted.write_bytes(bytes(data))
        # Something outside the source that no request may reach.
        (self.root / "secret.txt").write_bytes(b"outside the source\n")
        self.process, self.url = self.start_server(server or [ostrel], extra_args, extra_env)
        rest = self.url[len("http://"):]
        self.authority, _, path = rest.partition("/")
        self.host, _, port = self.authority.rpartition(":")
        self.port = int(port)
        self.token = path.strip("/")

    def start_server(self, command, extra_args=(), extra_env=None):
        """Starts COMMAND serve on the source, named relative to the folder it is in (a Windows
        program under wine finds it so too); the process and the address it printed."""
        process = subprocess.Popen(
            [*command, "serve", "--passphrase-env", "OSTREL_TEST_PASSPHRASE", *extra_args,
             self.source.name],
            cwd=self.root, env=dict(self.environment(), **(extra_env or {})),
            stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        line = process.stdout.readline().decode().strip()
        if not line.startswith("http://"):
            process.kill()
            raise RuntimeError("ostrel serve printed no address: %r %r" %
                               (line, process.stderr.read()))
        return process, line

    def environment(self):
        env = dict(os.environ)
        env["OSTREL_TEST_PASSPHRASE"] = PASSPHRASE
        env["P"] = PASSPHRASE
        return env

    def run_ostrel(self, arguments):
        return subprocess.run([self.ostrel, *arguments, "--passphrase-env", "P"],
                              env=self.environment(), check=True, capture_output=True)

    def decrypted(self, relative):
        """The plain bytes of an encrypted file of the source, by ostrel decrypt -c."""
        return self.run_ostrel(["decrypt", "-c", str(self.source / relative)]).stdout

    def raw(self, request, timeout=30):
        """Sends request bytes as they are and returns the whole answer (the server closes)."""
        chunks = []
        with socket.create_connection((self.host, self.port), timeout=timeout) as connection:
            try:
                connection.sendall(request)
                connection.shutdown(socket.SHUT_WR)
            except OSError:
                pass  # the server answered and closed before reading all of it
            try:
                while True:
                    chunk = connection.recv(65536)
                    if not chunk:
                        break
                    chunks.append(chunk)
            except ConnectionResetError:
                pass
        return b"".join(chunks)

    def wait_for_error_output(self, text, timeout=60):
        """Reads the server's standard error until text appears in it; what was read."""
        deadline = time.monotonic() + timeout
        stream = self.process.stderr.fileno()
        while text.encode() not in self.stderr_seen:
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([stream], [], [], left)[0]:
                break
            chunk = os.read(stream, 65536)
            if not chunk:
                break
            self.stderr_seen += chunk
        return self.stderr_seen.decode(errors="replace")

    def stop(self, signal_number=signal.SIGTERM):
        """Stops the server as Ctrl-C would; its exit status."""
        status, rest = stop_server(self.process, signal_number)
        self.stderr = self.stderr_seen.decode(errors="replace") + rest
        shutil.rmtree(self.root, ignore_errors=True)
        return status


def stop_server(process, signal_number=signal.SIGTERM):
    """Stops a server with the signal; its exit status ("hung" when it did not end) and what it
    wrote to standard error."""
    if process.poll() is None:
        process.send_signal(signal_number)
    try:
        status = process.wait(timeout=60)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()
        status = "hung"
    stderr = process.stderr.read().decode(errors="replace")
    process.stdout.close()
    process.stderr.close()
    return status, stderr
