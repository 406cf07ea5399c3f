"""The page of ostrel serve in a real browser: Debian's chromium, headless, driven by Selenium. It
lists the tree with decoded names, shows the versions of a file, downloads a file and an older
version byte for byte, and reads a file in ranges as a player seeking in it does. A screenshot of
the page is kept in BUILD_DIR. Usage: serve_browser_test.py OSTREL BUILD_DIR"""

import os
import pathlib
import shutil
import sys
import tempfile
import time
import unittest

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By

from serve_fixture import ServedTree, TREE

OSTREL = sys.argv.pop(1)
ARTEFACTS = pathlib.Path(sys.argv.pop(1))


class ServeBrowserTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        # Class cleanups run even when setting up fails half way, so that neither the server nor
        # the browser's driver outlives the test.
        cls.served = ServedTree(OSTREL)
        cls.addClassCleanup(cls.stop_server)
        cls.downloads = pathlib.Path(tempfile.mkdtemp(prefix="ostrel-serve-downloads-"))
        cls.addClassCleanup(shutil.rmtree, cls.downloads, ignore_errors=True)
        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        for argument in ["--headless=new", "--no-sandbox", "--disable-gpu",
                         "--disable-dev-shm-usage", "--window-size=1000,800"]:
            options.add_argument(argument)
        options.add_experimental_option("prefs", {
            "download.default_directory": str(cls.downloads),
            "download.prompt_for_download": False,
        })
        # The driver is reached at "localhost": a machine where that name does not resolve (no
        # /etc/hosts) starts it but never reaches it, and the driver would be left running.
        service = Service("/usr/bin/chromedriver")
        cls.addClassCleanup(service.stop)
        cls.browser = webdriver.Chrome(service=service, options=options)
        cls.addClassCleanup(cls.browser.quit)
        cls.browser.set_page_load_timeout(120)
        cls.browser.set_script_timeout(60)

    @classmethod
    def stop_server(cls):
        status = cls.served.stop()
        assert status == 0, "ostrel serve ended with %r: %s" % (status, cls.served.stderr)

    def names_on_page(self):
        return [link.text for link in self.browser.find_elements(By.CSS_SELECTOR, "td.name a")]

    def downloaded(self, name):
        """The bytes of the finished download called name; waits for the browser to finish it."""
        path = self.downloads / name
        for _ in range(1200):  # the browser writes NAME.crdownload first, then renames it
            if path.exists() and not (self.downloads / (name + ".crdownload")).exists():
                return path.read_bytes()
            time.sleep(0.1)
        self.fail("no download %s among %s" % (name, os.listdir(self.downloads)))

    def test_lists_and_downloads_files_and_versions(self):
        self.browser.get(self.served.url)
        self.assertEqual(self.names_on_page(),
                         ["sub", "a.txt", "broken.txt", "photo.png", "report.doc"])
        self.browser.save_screenshot(str(ARTEFACTS / "serve-page-desktop.png"))
        self.browser.find_element(By.LINK_TEXT, "sub").click()
        self.assertEqual(self.names_on_page(),
                         ["deeper", "big.bin", "\u00fc \u00df & <x> 100%.txt"])
        # A download under its plain name, whatever the script.
        row = self.browser.find_element(By.XPATH, "//tr[td/a[text()='\u00fc \u00df & <x> 100%.txt']]")
        row.find_element(By.LINK_TEXT, "Download").click()
        self.assertEqual(self.downloaded("\u00fc \u00df & _x_ 100%.txt"),
                         TREE["sub/\u00fc \u00df & <x> 100%.txt"])
        big = self.browser.find_element(By.XPATH, "//tr[td/a[text()='big.bin']]")
        big.find_element(By.LINK_TEXT, "Download").click()
        self.assertEqual(self.downloaded("big.bin"), TREE["sub/big.bin"])

        self.browser.get(self.served.url)
        self.browser.find_element(By.LINK_TEXT, "2 versions").click()
        self.assertEqual(self.names_on_page(), ["report.doc", "report.d20240131-t120000.doc"])
        self.browser.set_window_size(390, 844)  # a phone's window
        self.browser.save_screenshot(str(ARTEFACTS / "serve-versions-phone.png"))
        older = self.browser.find_element(By.XPATH,
                                          "//tr[td/a[text()='report.d20240131-t120000.doc']]")
        older.find_element(By.LINK_TEXT, "Download").click()
        self.assertEqual(self.downloaded("report.d20240131-t120000.doc"),
                         TREE["report.d20240131-t120000.doc"])
        self.browser.set_window_size(1000, 800)

    def test_reads_a_file_in_ranges(self):
        # From a file of the tree: the page's own policy lets it fetch nothing.
        self.browser.get(self.served.url + "a.txt")
        # What a player seeking in a video asks: a range from the middle, then from the end.
        script = """
            const done = arguments[arguments.length - 1];
            const read = (range) => fetch("sub/big.bin", {headers: {Range: range}})
                .then(r => r.arrayBuffer().then(b => [r.status, Array.from(new Uint8Array(b))]));
            Promise.all([read("bytes=1000000-1000099"), read("bytes=-10")]).then(done,
                (error) => done([[String(error), []], [0, []]]));
        """
        (middle_status, middle), (end_status, end) = self.browser.execute_async_script(script)
        big = TREE["sub/big.bin"]
        self.assertEqual((middle_status, bytes(middle)), (206, big[1000000:1000100]))
        self.assertEqual((end_status, bytes(end)), (206, big[-10:]))

    def test_opens_files_in_the_browser(self):
        self.browser.get(self.served.url + "a.txt")
        self.assertEqual(self.browser.find_element(By.TAG_NAME, "body").text, "hello")


if __name__ == "__main__":
    unittest.main(verbosity=2)
