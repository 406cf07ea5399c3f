"""Real WebDAV clients copy the tree that ostrel serve shows: the kernel's davfs2 mount with cp -r,
and rclone's WebDAV backend. What they copy must equal, name for name and byte for byte, what
ostrel decrypt -r restores from the same backup. Runs as root (mount). Usage:
serve_clients_test.py OSTREL [BUILD_DIR]"""

import os
import pathlib
import shutil
import subprocess
import sys
import tempfile
import unittest

from serve_fixture import ServedTree

OSTREL = sys.argv.pop(1)
del sys.argv[1:2]  # the build folder, where artefacts would go


def tree_of(root):
    """Every path below root with the bytes of each file (None for a directory)."""
    root = pathlib.Path(root)
    return {str(p.relative_to(root)): (None if p.is_dir() else p.read_bytes())
            for p in sorted(root.rglob("*"))}


class ServeClientsTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.served = ServedTree(OSTREL, damaged=False)
        cls.work = pathlib.Path(tempfile.mkdtemp(prefix="ostrel-serve-clients-"))
        restored = cls.work / "restored"
        cls.served.run_ostrel(["decrypt", "-r", "--no-progress", "-o", str(restored),
                               str(cls.served.source)])
        cls.expected = tree_of(restored)

    @classmethod
    def tearDownClass(cls):
        status = cls.served.stop()
        shutil.rmtree(cls.work, ignore_errors=True)
        assert status == 0, "ostrel serve ended with %r: %s" % (status, cls.served.stderr)

    def test_davfs2_mount_copies_the_tree(self):
        mount_point = self.work / "mnt"
        mount_point.mkdir()
        # No locks: the server takes none. A larger buffer: davfs2 1.6 cannot list directories
        # through the FUSE of Linux 6.16 and later with its default one.
        configuration = self.work / "davfs2.conf"
        configuration.write_text("use_locks 0\nbuf_size 64\n")
        subprocess.run(["mount", "-t", "davfs", "-o", "ro,conf=%s" % configuration,
                        self.served.url, str(mount_point)],
                       input=b"\n\n", check=True, capture_output=True, timeout=60)
        try:
            copy = self.work / "davfs-copy"
            subprocess.run(["cp", "-r", str(mount_point), str(copy)], check=True, timeout=300)
        finally:
            subprocess.run(["umount", str(mount_point)], check=True, capture_output=True,
                           timeout=120)
        # davfs2 shows a lost+found of its own at the root.
        shutil.rmtree(copy / "lost+found", ignore_errors=True)
        self.assertEqual(tree_of(copy), self.expected)

    def test_rclone_copies_the_tree(self):
        copy = self.work / "rclone-copy"
        env = dict(os.environ, RCLONE_CONFIG="/dev/null", RCLONE_WEBDAV_URL=self.served.url,
                   RCLONE_WEBDAV_VENDOR="other")
        subprocess.run(["rclone", "copy", ":webdav:", str(copy)], env=env, check=True,
                       capture_output=True, timeout=300)
        self.assertEqual(tree_of(copy), self.expected)


if __name__ == "__main__":
    unittest.main(verbosity=2)
