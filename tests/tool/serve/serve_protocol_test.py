"""ostrel serve speaking HTTP and WebDAV to a client that sends exactly what it is told: the token
and Host checks, paths that try to leave the tree, every writing method, ranges, PROPFIND depths
and bodies, a file that does not decrypt. Usage: serve_protocol_test.py OSTREL [BUILD_DIR]"""

import http.client
import os
import signal
import socket
import subprocess
import stat
import sys
import tempfile
import time
import urllib.parse
import unittest
import xml.etree.ElementTree as ElementTree

from serve_fixture import ServedTree, TREE

OSTREL = sys.argv.pop(1)
del sys.argv[1:2]  # the build folder, where artefacts would go
DAV = "{DAV:}"


class ServeProtocolTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.served = ServedTree(OSTREL)

    @classmethod
    def tearDownClass(cls):
        status = cls.served.stop()
        assert status == 0, "ostrel serve ended with %r: %s" % (status, cls.served.stderr)

    def request(self, method, path, body=None, headers=None, host=None):
        connection = http.client.HTTPConnection(self.served.host, self.served.port, timeout=60)
        connection.putrequest(method, path, skip_host=True, skip_accept_encoding=True)
        connection.putheader("Host", host if host is not None else self.served.authority)
        for name, value in (headers or {}).items():
            connection.putheader(name, value)
        if body is not None:
            connection.putheader("Content-Length", str(len(body)))
        connection.endheaders(body)
        response = connection.getresponse()
        data = response.read()
        connection.close()
        return response, data

    def path(self, relative=""):
        return "/%s/%s" % (self.served.token, relative)

    def test_refuses_requests_without_the_token_or_for_another_host(self):
        for path in ["/", "/a.txt", "/%s/a.txt" % ("0" * 40), "/%sx/a.txt" % self.served.token,
                     "/%s/a.txt" % self.served.token[:-1]]:
            response, data = self.request("GET", path)
            self.assertEqual(response.status, 401, path)
            self.assertNotIn(b"hello", data)
        for host in ["evil.example:%d" % self.served.port, "127.0.0.1", "127.0.0.1:1", ""]:
            response, data = self.request("GET", self.path("a.txt"), host=host)
            self.assertEqual(response.status, 403, host)
            self.assertNotIn(b"hello", data)
        response, data = self.request("GET", self.path("a.txt"),
                                      host="localhost:%d" % self.served.port)
        self.assertEqual((response.status, data), (200, TREE["a.txt"]))

    def test_paths_never_leave_the_tree(self):
        token = self.served.token.encode()
        for path in [b"/../secret.txt", b"/sub/../../secret.txt", b"/%2e%2e/secret.txt",
                     b"/%2E%2E/secret.txt", b"/sub/%2e%2e/%2e%2e/secret.txt", b"/a.txt%00.png",
                     b"/%00", b"/sub%2f..%2f..%2fsecret.txt", b"/./a.txt"]:
            answer = self.served.raw(b"GET /" + token + path + b" HTTP/1.1\r\nHost: " +
                                     self.served.authority.encode() +
                                     b"\r\nConnection: close\r\n\r\n")
            self.assertTrue(answer.startswith(b"HTTP/1.1 400 "), (path, answer[:60]))
            self.assertNotIn(b"outside the source", answer)

    def test_nothing_can_be_written(self):
        before = sorted(p.name for p in self.served.source.rglob("*"))
        for method in ["PUT", "POST", "DELETE", "MKCOL", "COPY", "MOVE", "PROPPATCH", "PATCH"]:
            response, _ = self.request(method, self.path("a.txt"), body=b"x",
                                       headers={"Destination": self.path("b.txt")})
            self.assertEqual(response.status, 403, method)
        for method in ["LOCK", "UNLOCK", "TRACE", "SEARCH"]:
            response, _ = self.request(method, self.path("a.txt"), body=b"",
                                       headers={"Lock-Token": "<opaquelocktoken:x>"})
            self.assertEqual(response.status, 405, method)
            self.assertIn("PROPFIND", response.getheader("Allow"))
        self.assertEqual(sorted(p.name for p in self.served.source.rglob("*")), before)
        response, data = self.request("GET", self.path("a.txt"))
        self.assertEqual(data, TREE["a.txt"])

    def test_options_say_what_windows_needs(self):
        response, _ = self.request("OPTIONS", self.path())
        self.assertEqual(response.status, 200)
        self.assertEqual(response.getheader("DAV"), "1")
        self.assertEqual(response.getheader("MS-Author-Via"), "DAV")
        self.assertIn("PROPFIND", response.getheader("Allow"))

    def test_files_whole_and_in_ranges(self):
        big = TREE["sub/big.bin"]
        length = len(big)
        self.assertEqual(self.served.decrypted("sub/big.bin.2crypt"), big)
        response, data = self.request("GET", self.path("sub/big.bin"))
        self.assertEqual((response.status, data), (200, big))
        self.assertEqual(response.getheader("Accept-Ranges"), "bytes")
        cases = [("bytes=0-0", 0, 0), ("bytes=131071-131072", 131071, 131072),
                 ("bytes=%d-" % (length - 5), length - 5, length - 1),
                 ("bytes=%d-%d" % (length - 1, length + 100), length - 1, length - 1),
                 ("bytes=-17", length - 17, length - 1), ("bytes=1000000-2999999", 1000000, 2999999)]
        for header, first, last in cases:
            response, data = self.request("GET", self.path("sub/big.bin"), headers={"Range": header})
            self.assertEqual(response.status, 206, header)
            self.assertEqual(response.getheader("Content-Range"),
                             "bytes %d-%d/%d" % (first, last, length), header)
            self.assertEqual(data, big[first:last + 1], header)
        for header in ["bytes=%d-" % length, "bytes=%d-%d" % (length + 5, length + 9)]:
            response, data = self.request("GET", self.path("sub/big.bin"), headers={"Range": header})
            self.assertEqual(response.status, 416, header)
            self.assertEqual(response.getheader("Content-Range"), "bytes */%d" % length)
        response, data = self.request("HEAD", self.path("sub/big.bin"))
        self.assertEqual((response.status, data), (200, b""))
        self.assertEqual(response.getheader("Content-Length"), str(length))
        response, data = self.request("GET", self.path("sub/deeper/empty.txt"))
        self.assertEqual((response.status, data), (200, b""))

    def test_downloads_carry_the_plain_name(self):
        name = "sub/\u00fc \u00df & <x> 100%.txt"
        quoted = "/".join(urllib.parse.quote(part, safe="") for part in name.split("/"))
        response, data = self.request("GET", self.path(quoted) + "?download")
        self.assertEqual((response.status, data), (200, TREE[name]))
        self.assertEqual(response.getheader("Content-Disposition"),
                         "attachment; filename=\"__ __ & <x> 100%.txt\"; "
                         "filename*=UTF-8''%C3%BC%20%C3%9F%20%26%20%3Cx%3E%20100%25.txt")
        response, _ = self.request("GET", self.path("photo.png"))
        self.assertEqual(response.getheader("Content-Type"), "image/png")

    def test_a_file_that_does_not_open_answers_500_not_garbage(self):
        response, data = self.request("GET", self.path("broken.txt"))
        self.assertEqual(response.status, 500)
        self.assertLess(len(data), 200)
        self.assertTrue(data.decode().isprintable() or data.endswith(b"\n"))
        response, data = self.request("GET", self.path("missing.txt"))
        self.assertEqual(response.status, 404)

    def propfind(self, relative, depth, body=b""):
        headers = {"Content-Type": "application/xml"}
        if depth is not None:
            headers["Depth"] = depth
        return self.request("PROPFIND", self.path(relative), body=body, headers=headers)

    def test_propfind_lists_what_the_tree_shows(self):
        response, data = self.propfind("sub/", "1")
        self.assertEqual(response.status, 207)
        root = ElementTree.fromstring(data)
        found = {}
        for item in root.iter(DAV + "response"):
            href = urllib.parse.unquote(item.find(DAV + "href").text)
            prop = item.find(DAV + "propstat/" + DAV + "prop")
            found[href] = prop
        base = "/%s/sub/" % self.served.token
        self.assertEqual(sorted(found), sorted([base, base + "big.bin", base + "deeper/",
                                                base + "\u00fc \u00df & <x> 100%.txt"]))
        self.assertIsNotNone(found[base + "deeper/"].find(DAV + "resourcetype/" + DAV + "collection"))
        self.assertEqual(found[base + "big.bin"].find(DAV + "getcontentlength").text,
                         str(len(TREE["sub/big.bin"])))
        self.assertEqual(found[base + "\u00fc \u00df & <x> 100%.txt"].find(DAV + "displayname").text,
                         "\u00fc \u00df & <x> 100%.txt")
        response, data = self.propfind("sub/big.bin", "0")
        self.assertEqual(len(ElementTree.fromstring(data).findall(DAV + "response")), 1)

    def test_propfind_bodies_and_depths(self):
        for depth in ["infinity", None, "2"]:
            response, data = self.propfind("", depth)
            self.assertEqual(response.status, 403, depth)
            self.assertIn(b"propfind-finite-depth", data)
        asked = (b"<?xml version=\"1.0\"?><a:propfind xmlns:a=\"DAV:\"><a:prop><a:getcontentlength/>"
                 b"<z:color xmlns:z=\"urn:x\"/></a:prop></a:propfind>")
        response, data = self.propfind("a.txt", "0", asked)
        self.assertEqual(response.status, 207)
        statuses = [s.text for s in ElementTree.fromstring(data).iter(DAV + "status")]
        self.assertEqual(statuses, ["HTTP/1.1 200 OK", "HTTP/1.1 404 Not Found"])
        self.assertIn(b"<D:getcontentlength>6</D:getcontentlength>", data)
        for body in [b"<propfind xmlns=\"DAV:\"><prop>", b"not xml", b"<propfind/>",
                     b"<!DOCTYPE x [<!ENTITY a \"a\">]><propfind xmlns=\"DAV:\"><allprop/></propfind>"]:
            response, _ = self.propfind("", "1", body)
            self.assertEqual(response.status, 400, body)
        huge = b"<propfind xmlns=\"DAV:\"><prop>" + b"<displayname/>" * 60000 + b"</prop></propfind>"
        answer = self.served.raw(b"PROPFIND " + self.path().encode() + b" HTTP/1.1\r\nHost: " +
                                 self.served.authority.encode() + b"\r\nDepth: 1\r\n"
                                 b"Content-Length: %d\r\n\r\n" % len(huge) + huge)
        self.assertTrue(answer.startswith(b"HTTP/1.1 413 "), answer[:60])
        # The server still answers after all of these.
        response, data = self.request("GET", self.path("a.txt"))
        self.assertEqual(data, TREE["a.txt"])

    def test_directory_pages(self):
        response, data = self.request("GET", self.path("sub"))
        self.assertEqual(response.status, 301)
        self.assertEqual(response.getheader("Location"), self.path("sub/"))
        response, data = self.request("GET", self.path("sub/"))
        self.assertEqual(response.status, 200)
        self.assertTrue(response.getheader("Content-Type").startswith("text/html"))
        page = data.decode()
        self.assertIn("\u00fc \u00df &amp; &lt;x&gt; 100%.txt", page)
        self.assertIn("%C3%BC%20%C3%9F%20%26%20%3Cx%3E%20100%25.txt?download", page)
        self.assertNotIn("<script", page)
        self.assertEqual(response.getheader("Referrer-Policy"), "no-referrer")

    def test_versions_of_a_file(self):
        response, data = self.request("GET", self.path())
        self.assertIn(b"report.doc?versions\">2 versions</a>", data)
        self.assertNotIn(b"d20240131", data)  # the tree shows current copies, as mount does
        response, data = self.request("GET", self.path("report.doc?versions"))
        page = data.decode()
        self.assertLess(page.index("report.doc</a> (current)"),
                        page.index("report.d20240131-t120000.doc</a>"))
        stamped = "report.d20240131-t120000.doc"
        response, data = self.request("GET", self.path("report.doc?version=" + stamped +
                                                       "&download"))
        self.assertEqual((response.status, data), (200, TREE[stamped]))
        self.assertIn("filename=\"%s\"" % stamped, response.getheader("Content-Disposition"))
        response, data = self.request("GET", self.path("report.doc?version=report.doc"))
        self.assertEqual(data, TREE["report.doc"])
        for query, status in [("version=a.txt", 404), ("version=..", 400), ("version=%2e%2e", 400),
                              ("version=x%2f..%2fa.txt", 400), ("version=%00", 400)]:
            response, data = self.request("GET", self.path("report.doc?" + query))
            self.assertEqual(response.status, status, query)

    def test_malformed_requests(self):
        authority = self.served.authority.encode()
        for request in [b"GARBAGE\r\n\r\n", b"GET / HTTP/9.9\r\n\r\n",
                        b"GET /" + self.served.token.encode() + b"/ HTTP/1.1\r\nHost: " + authority +
                        b"\r\n" + b"X-Long: " + b"a" * 40000 + b"\r\n\r\n"]:
            answer = self.served.raw(request)
            # A 4xx with its reason, or the connection closed: never a 200, never a hang.
            self.assertTrue(answer == b"" or answer.startswith(b"HTTP/1.1 4"), answer[:60])


class ServeCommandTest(unittest.TestCase):
    """The command around the server: the pass phrase judged first, addresses, and stopping."""

    def test_wrong_pass_phrase_serves_nothing(self):
        served = ServedTree(OSTREL)
        try:
            env = dict(os.environ, WRONG="not the pass phrase")
            run = subprocess.run([OSTREL, "serve", "--passphrase-env", "WRONG", str(served.source)],
                                 env=env, capture_output=True, timeout=120)
            self.assertEqual(run.returncode, 3, run.stderr)
            self.assertEqual(run.stdout, b"")
            self.assertIn(b"nothing was served", run.stderr)
            for address in ["0.0.0.0:0", "localhost:0", "127.0.0.1"]:
                run = subprocess.run([OSTREL, "serve", "--listen", address, "--passphrase-env", "P",
                                      str(served.source)], env=served.environment(),
                                     capture_output=True, timeout=120)
                self.assertEqual(run.returncode, 2, address)
        finally:
            self.assertEqual(served.stop(), 0)

    def test_ctrl_c_stops_it_with_clients_connected(self):
        served = ServedTree(OSTREL)
        idle = socket.create_connection((served.host, served.port))
        busy = socket.create_connection((served.host, served.port))
        try:
            # One client mid-request, one that opened a connection and says nothing.
            busy.sendall(b"GET /" + served.token.encode() + b"/sub/big.bin HTTP/1.1\r\nHost: " +
                         served.authority.encode() + b"\r\n\r\n")
            self.assertTrue(busy.recv(12).startswith(b"HTTP/1.1 200"))
            served.process.send_signal(signal.SIGINT)
            self.assertEqual(served.process.wait(timeout=120), 0)
        finally:
            idle.close()
            busy.close()
            served.stop()


class ServeOpenTest(unittest.TestCase):
    """--open through the real xdg-open, which takes the browser from BROWSER on a desktop it does
    not know: here a script that writes down the address it was given."""

    @staticmethod
    def desktop(browser):
        # No display: xdg-open must not reach for a real browser of this machine.
        env = {"XDG_CURRENT_DESKTOP": "X-Generic", "BROWSER": browser, "DISPLAY": "",
               "WAYLAND_DISPLAY": ""}
        return env

    def test_opens_the_printed_address_in_the_browser(self):
        with tempfile.TemporaryDirectory() as folder:
            record = os.path.join(folder, "address")
            browser = os.path.join(folder, "browser")
            with open(browser, "w") as script:
                script.write('#!/bin/sh\nprintf %%s "$1" > "%s.part" && mv "%s.part" "%s"\n' %
                             (record, record, record))
            os.chmod(browser, stat.S_IRWXU)
            served = ServedTree(OSTREL, ["--open"], extra_env=self.desktop(browser))
            try:
                deadline = time.monotonic() + 60
                while not os.path.exists(record) and time.monotonic() < deadline:
                    time.sleep(0.05)
                with open(record) as recorded:
                    address = recorded.read()
                self.assertEqual(address, served.url)
                parts = urllib.parse.urlsplit(address)
                connection = http.client.HTTPConnection(parts.hostname, parts.port, timeout=60)
                connection.request("GET", parts.path)
                response = connection.getresponse()
                page = response.read()
                connection.close()
                self.assertEqual(response.status, 200)
                self.assertIn("text/html", response.getheader("Content-Type"))
                self.assertIn(b"a.txt", page)
            finally:
                self.assertEqual(served.stop(), 0, served.stderr)
            self.assertNotIn("warning", served.stderr)

    def test_a_browser_that_does_not_start_leaves_a_warning_and_the_server_serving(self):
        # The opener missing altogether, and an opener that finds no browser that works.
        for name, env, reason in [
                ("no opener", {"PATH": "/nonexistent"}, "cannot start xdg-open"),
                ("no browser", self.desktop("false"), "found no browser")]:
            with self.subTest(name):
                served = ServedTree(OSTREL, ["--open"], damaged=False, extra_env=env)
                try:
                    errors = served.wait_for_error_output(reason)
                    self.assertIn("warning: the browser was not opened: ", errors)
                    self.assertIn(reason, errors)
                    connection = http.client.HTTPConnection(served.host, served.port, timeout=60)
                    connection.request("GET", "/%s/a.txt" % served.token)
                    response = connection.getresponse()
                    self.assertEqual((response.status, response.read()), (200, TREE["a.txt"]))
                    connection.close()
                finally:
                    self.assertEqual(served.stop(), 0, served.stderr)


if __name__ == "__main__":
    unittest.main(verbosity=2)
