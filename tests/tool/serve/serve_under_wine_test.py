"""ostrel.exe serve under wine, asked by a Linux client, against the Linux ostrel serve of the same
backup: the same WebDAV listings and the same answers (whole files, ranges, a damaged file, a
missing one, an older version), and the plain bytes the tree was made of. A wrong pass phrase
serves nothing; Ctrl-C (SIGINT, which wine hands to the program as the console's Ctrl-C) stops it
with exit status 0.

Usage: serve_under_wine_test.py WINE-RUN OSTREL.EXE LINUX-OSTREL"""

import http.client
import signal
import subprocess
import sys
import unittest
import urllib.parse
import xml.etree.ElementTree as ElementTree

from serve_fixture import ServedTree, TREE, stop_server

WINE_RUN, WINDOWS_OSTREL, LINUX_OSTREL = sys.argv[1:4]
del sys.argv[1:4]
DAV = "{DAV:}"
# Windows forbids "<" and ">" in names (wine lists such a file but cannot open it): the escaped
# name without them, still one that URLs and XML must escape.
ESCAPED = "sub/\u00fc \u00df & [x] 100%.txt"
WINDOWS_TREE = {name.replace("<x>", "[x]"): data for name, data in TREE.items()}
# What a listing says of each resource; entity tags hold the modification time to the
# nanosecond, which the two systems read at different precisions.
PROPERTIES = ["displayname", "getcontentlength", "getlastmodified", "getcontenttype"]
# Headers whose values the two servers must agree on.
COMPARED_HEADERS = ["Content-Type", "Content-Length", "Content-Range", "Last-Modified",
                    "Accept-Ranges", "Content-Disposition", "Allow", "DAV", "MS-Author-Via"]


class Server:
    """One running server: where it listens and the path prefix its token makes."""

    def __init__(self, url):
        rest = url[len("http://"):]
        self.authority, _, path = rest.partition("/")
        self.host, _, port = self.authority.rpartition(":")
        self.port = int(port)
        self.prefix = "/" + path.strip("/") + "/"

    def request(self, method, relative, headers=None, body=None):
        connection = http.client.HTTPConnection(self.host, self.port, timeout=60)
        connection.request(method, self.prefix + relative, body=body, headers=headers or {})
        response = connection.getresponse()
        data = response.read()
        connection.close()
        return response, data

    def listing(self, relative):
        """The PROPFIND depth 1 listing of a directory: per path below the token, whether it is
        a collection and its properties."""
        response, data = self.request("PROPFIND", relative, {"Depth": "1"})
        if response.status != 207:
            raise AssertionError("PROPFIND %s: %d %r" % (relative, response.status, data[:200]))
        resources = {}
        for item in ElementTree.fromstring(data).iter(DAV + "response"):
            href = urllib.parse.unquote(item.find(DAV + "href").text)
            below = href.startswith(self.prefix)
            path = href[len(self.prefix):] if below else "not below the token: " + href
            prop = item.find(DAV + "propstat/" + DAV + "prop")
            collection = prop.find(DAV + "resourcetype/" + DAV + "collection") is not None
            resources[path] = (collection, {name: (prop.findtext(DAV + name) or "")
                                            for name in PROPERTIES})
        return resources


class ServeUnderWineTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.served = ServedTree(LINUX_OSTREL, server=[WINE_RUN, WINDOWS_OSTREL], tree=WINDOWS_TREE)
        cls.windows = Server(cls.served.url)
        cls.linux_process, linux_url = cls.served.start_server([LINUX_OSTREL])
        cls.linux = Server(linux_url)

    @classmethod
    def tearDownClass(cls):
        linux_status, linux_errors = stop_server(cls.linux_process)
        status = cls.served.stop(signal.SIGINT)
        assert status == 0, "ostrel.exe serve ended with %r after Ctrl-C: %s" % (
            status, cls.served.stderr)
        assert linux_status == 0, "ostrel serve ended with %r: %s" % (linux_status, linux_errors)

    def test_lists_what_the_linux_server_lists(self):
        directories = ["", "sub/", "sub/deeper/"]
        for directory in directories:
            windows = self.windows.listing(directory)
            self.assertEqual(windows, self.linux.listing(directory), directory)
        # Not two empty answers: the escaped name and the plain length are there.
        sub = self.windows.listing("sub/")
        self.assertEqual(sub[ESCAPED][1]["getcontentlength"], str(len(WINDOWS_TREE[ESCAPED])))
        self.assertEqual(sub["sub/big.bin"][1]["getcontentlength"],
                         str(len(WINDOWS_TREE["sub/big.bin"])))

    def test_serves_the_plain_bytes(self):
        shown = [name for name in WINDOWS_TREE if ".d2024" not in name]  # versions are not shown
        for name in shown:
            response, data = self.windows.request("GET", urllib.parse.quote(name))
            self.assertEqual((response.status, data), (200, WINDOWS_TREE[name]), name)
        stamped = "report.d20240131-t120000.doc"
        response, data = self.windows.request("GET", "report.doc?version=" + stamped)
        self.assertEqual((response.status, data), (200, WINDOWS_TREE[stamped]))
        big = WINDOWS_TREE["sub/big.bin"]
        response, data = self.windows.request("GET", "sub/big.bin",
                                              {"Range": "bytes=1048570-1048600"})
        self.assertEqual((response.status, data), (206, big[1048570:1048601]))

    def test_a_wrong_pass_phrase_serves_nothing(self):
        env = dict(self.served.environment(), WRONG="not the pass phrase")
        run = subprocess.run([WINE_RUN, WINDOWS_OSTREL, "serve", "--passphrase-env", "WRONG",
                              self.served.source.name], cwd=self.served.root, env=env,
                             capture_output=True, timeout=120)
        self.assertEqual(run.returncode, 3, run.stderr)
        self.assertEqual(run.stdout, b"")
        self.assertIn(b"nothing was served", run.stderr)

    def test_answers_as_the_linux_server_does(self):
        cases = [
            ("GET", "a.txt", {}),
            ("HEAD", "sub/big.bin", {}),
            ("GET", "sub/big.bin", {"Range": "bytes=3145700-"}),
            ("GET", "sub/big.bin", {"Range": "bytes=-17"}),
            ("GET", "sub/big.bin", {"Range": "bytes=%d-" % len(WINDOWS_TREE["sub/big.bin"])}),
            ("GET", "sub/deeper/empty.txt", {}),
            ("GET", "report.doc?version=report.d20240131-t120000.doc&download", {}),
            ("GET", "report.doc?version=a.txt", {}),
            ("GET", "broken.txt", {}),
            ("GET", "missing.txt", {}),
            ("GET", "sub/deeper/missing/", {}),
            ("PUT", "a.txt", {}),
            ("LOCK", "a.txt", {}),
            ("OPTIONS", "", {}),
        ]
        for method, relative, headers in cases:
            answers = []
            for server in (self.windows, self.linux):
                response, data = server.request(method, relative, headers)
                answers.append((response.status, data,
                                {name: response.getheader(name) for name in COMPARED_HEADERS}))
            self.assertEqual(answers[0], answers[1], (method, relative, headers))


if __name__ == "__main__":
    unittest.main()
