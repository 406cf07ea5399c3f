#!/usr/bin/env python3
"""ostrel-decrypt.exe's dialog used as a person uses it: the real program under wine on a display
of its own, driven by real key presses and clicks (xdotool), working on real files. Message boxes
are read by caption with read_message_box.exe, a helper of the test that runs in the same wine
prefix and reads a box's text and icon the way an accessibility tool does.

    win32_dialog_test.py --wine-run scripts/wine-run --prefix DIR --program ostrel-decrypt.exe
                         --box-reader read_message_box.exe --artifacts DIR

The programs run in a wine prefix of the test's own (--prefix), whose server is started with the
test's display and ended with the test: a server that other tests started knows no display, or
another one. Each case prints its name and PASS or FAIL; the exit code is 1 when any case
failed."""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time
import traceback

TITLE = "Ostrel Decryption/Encryption Utility"
ERROR_CAPTION = "ostrel-decrypt"  # the application title: the program's name
PATIENCE = 30.0

# The centres of the controls, in client pixels at 96 dots per inch.
FILE_FIELD = (108 + 148, 21 + 10)
PASSPHRASE_FIELD = (108 + 148, 53 + 10)
DECRYPT = (16 + 32, 90 + 11)
ENCRYPT = (108 + 32, 90 + 11)
CLOSE = (360 + 32, 90 + 11)
FOLDER_BUTTON = (407 + 11, 21 + 10)
OPEN_DIALOG = "Open"  # the system's own title


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def wait_until(condition, timeout=PATIENCE, step=0.05):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if condition():
            return True
        time.sleep(step)
    return condition()


def wine(args, *command):
    """A Windows program's command line in the test's prefix."""
    return [args.wine_run, args.prefix, *command]


def end_wine_server(args):
    """Ends the server of the test's prefix, with the programs it keeps for later runs."""
    subprocess.run(["wineserver", "-k"], env=dict(os.environ, WINEPREFIX=args.prefix),
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)


def windows_path(path):
    """The wine name of a host path: the host's root is drive Z:."""
    return "Z:" + path.replace("/", "\\")


def sample_bytes(size):
    return bytes((i * 131 + i // 7) & 0xFF for i in range(size))


class VirtualDisplay:
    """Xvfb on a free display number: one 1024 x 768 screen at 96 dots per inch, no window
    manager."""

    def __init__(self):
        read, write = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-screen", "0", "1024x768x24", "-dpi", "96",
             "-nolisten", "tcp"],
            pass_fds=(write,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write)
        number = b""
        with os.fdopen(read, "rb") as pipe:
            while not number.endswith(b"\n"):
                chunk = pipe.read(1)
                if not chunk:
                    raise Failure("Xvfb did not start")
                number += chunk
        self.name = ":" + number.decode().strip()

    def close(self):
        self.process.kill()
        self.process.wait()


class Session:
    """The program and a person at the display."""

    def __init__(self, args, display, directory):
        self.args = args
        self.display = display
        self.directory = directory
        self.environment = dict(os.environ, DISPLAY=display.name)
        self.environment.pop("WAYLAND_DISPLAY", None)
        self.program = None
        self.window = None

    # --- the program --------------------------------------------------------------------------
    def start(self):
        self.log = open(os.path.join(self.directory, "program.log"), "wb")
        self.program = subprocess.Popen(wine(self.args, self.args.program), cwd=self.directory,
                                        env=self.environment, stdout=self.log, stderr=self.log,
                                        stdin=subprocess.DEVNULL)
        # The first start makes the prefix. The system may replace the window it first shows
        # while it starts, so the window to focus is looked up until focusing it succeeds.
        deadline = time.monotonic() + 120
        while True:
            self.window = self.wait_for_window(TITLE, timeout=max(1.0, deadline - time.monotonic()))
            check(self.window, "the dialog did not open")
            try:
                self.focus(self.window)
                return
            except Failure:
                if time.monotonic() >= deadline:
                    raise
                time.sleep(0.2)

    def stop(self):
        if self.program is not None and self.program.poll() is None:
            self.program.kill()
            self.program.wait()
        if self.program is not None:
            self.log.close()

    # --- what a person does -------------------------------------------------------------------
    def xdotool(self, *arguments, check_result=True):
        result = subprocess.run(["xdotool", *arguments], env=self.environment,
                                capture_output=True, text=True, timeout=60)
        if check_result and result.returncode != 0:
            raise Failure("xdotool %s: %s" % (" ".join(arguments), result.stderr.strip()))
        return result.stdout

    def windows_titled(self, title):
        output = self.xdotool("search", "--onlyvisible", "--name", "^%s$" % title,
                              check_result=False)
        return [line for line in output.split() if line]

    def wait_for_window(self, title, timeout=PATIENCE):
        found = []
        wait_until(lambda: found.extend(self.windows_titled(title)) or found, timeout)
        return found[0] if found else None

    def focus(self, window):
        self.xdotool("windowfocus", "--sync", window)

    def type(self, text):
        self.xdotool("type", "--delay", "30", text)

    def press(self, *keys):
        for key in keys:
            self.xdotool("key", "--delay", "30", key)

    def click(self, point):
        self.xdotool("mousemove", "--sync", "--window", self.window, str(point[0]), str(point[1]),
                     "click", "1")
        time.sleep(0.1)

    def fill_field(self, field, text):
        """Replaces what a field holds, as a person does: click, select it all, type."""
        self.click(field)
        self.press("End", "shift+Home", "BackSpace")
        if text:
            self.type(text)

    def geometry(self, window):
        values = {}
        for line in self.xdotool("getwindowgeometry", "--shell", window).splitlines():
            key, _, value = line.partition("=")
            values[key] = int(value) if value.lstrip("-").isdigit() else value
        return values

    def pixels_like(self, window, colour):
        """How many pixels of the window are close to colour (red, green, blue): enough of them
        show that an icon was drawn."""
        raw = subprocess.run(["import", "-window", window, "-depth", "8", "rgb:-"],
                             env=self.environment, check=True, capture_output=True,
                             timeout=60).stdout
        return sum(1 for i in range(0, len(raw) - 2, 3)
                   if all(abs(raw[i + c] - colour[c]) < 50 for c in range(3)))

    def screenshot(self, window, path):
        subprocess.run(["import", "-window", window, path], env=self.environment, check=True,
                       timeout=60)

    # --- message boxes ------------------------------------------------------------------------
    def read_box(self, caption, timeout=PATIENCE):
        """The box's caption, text, icon and owner, read in the program's wine prefix."""
        result = subprocess.run(wine(self.args, self.args.box_reader, caption, str(timeout)),
                                env=self.environment, capture_output=True, timeout=timeout + 60)
        if result.returncode != 0:
            raise Failure("no box captioned %r: %s" % (caption, result.stderr.decode(errors="replace")))
        text = result.stdout.decode("utf-8").replace("\r\n", "\n")
        box = {}
        key = None
        for line in text.split("\n"):
            name, separator, value = line.partition(": ")
            if separator and name in ("caption", "text", "owner"):
                key = name
                box[key] = value
            elif key == "text":
                box[key] += "\n" + line
        return box

    def close_box(self, caption):
        """Presses OK as a person does: the box has the focus, Return presses its one button."""
        window = self.wait_for_window(caption)
        check(window, "no window for the box %r" % caption)
        self.focus(window)
        self.press("Return")
        check(wait_until(lambda: not self.windows_titled(caption)), "the box %r stayed" % caption)

    def expect_nothing_happens(self):
        """For a short while: no message box appears, and the dialog stays."""
        deadline = time.monotonic() + 1.0
        while time.monotonic() < deadline:
            check(not self.windows_titled("NOTE"), "a note appeared")
            check(not self.windows_titled(ERROR_CAPTION), "an error box appeared")
            check(self.windows_titled(TITLE), "the dialog went away")
            check(self.program.poll() is None, "the program ended")


# The warning sign is yellow, the stop sign red.
ICON_COLOURS = {"warning": (0xFF, 0xD0, 0x20), "stop": (0xE0, 0x20, 0x20)}


def other_icon(icon):
    return "stop" if icon == "warning" else "warning"


def unwrapped(text):
    """The box's text without the line breaks that fit it to the screen, for texts whose every
    blank is kept (a break at a blank takes the blank's place)."""
    return text.replace("\n", " ")


def squeezed(text):
    """The text without any blanks or line breaks, for comparing a wrapped long path."""
    return "".join(text.split())


# ------------------------------------------------------------------------------------------------
def test_opens_at_its_fixed_size_and_masks_the_pass_phrase(session):
    geometry = session.geometry(session.window)
    check((geometry["WIDTH"], geometry["HEIGHT"]) == (469, 129),
          "client area %sx%s, not 469x129" % (geometry["WIDTH"], geometry["HEIGHT"]))
    session.type("C:\\Users\\someone\\Documents\\report.doc.2crypt")
    session.press("Tab", "Tab", "Tab")
    session.type("secret")
    session.screenshot(session.window, os.path.join(session.args.artifacts, "win32-dialog.png"))
    session.screenshot("root", os.path.join(session.args.artifacts, "win32-screen.png"))


def test_encrypts_and_decrypts_back_byte_for_byte(session):
    plain = sample_bytes(100003)
    path = os.path.join(session.directory, "report.doc")
    with open(path, "wb") as file:
        file.write(plain)
    encrypted = path + ".2crypt"
    session.type(windows_path(path))   # the focus starts in the file field
    session.press("Tab", "Tab", "Tab")  # Decrypt, Close, then the pass-phrase field
    session.type("pass phrase")
    session.press("Tab", "space")       # Encrypt comes last
    size = (len(plain) // 16 + 1) * 16
    check(wait_until(lambda: os.path.exists(encrypted) and os.path.getsize(encrypted) == size),
          "no encrypted file")
    os.rename(path, path + ".kept")
    session.fill_field(FILE_FIELD, windows_path(encrypted))
    session.click(DECRYPT)
    check(wait_until(lambda: os.path.exists(path) and open(path, "rb").read() == plain),
          "the file did not decrypt back")


def test_a_pass_phrase_beyond_ascii_gives_the_command_line_key(session):
    # Both become text in the ANSI code page: one pass phrase, one key, however it is entered.
    plain = sample_bytes(5000)
    for name in ("typed.txt", "argument.txt"):
        with open(os.path.join(session.directory, name), "wb") as file:
            file.write(plain)
    session.type(windows_path(os.path.join(session.directory, "typed.txt")))
    session.press("Tab", "Tab", "Tab")
    session.type("p\u00e4ssw\u00f6rd \u00e9t\u00e9")
    session.press("Tab", "space")
    typed = os.path.join(session.directory, "typed.txt.2crypt")
    check(wait_until(lambda: os.path.exists(typed) and os.path.getsize(typed) == 5008),
          "no encrypted file")
    result = subprocess.run(
        wine(session.args, session.args.program, "/E",
             windows_path(os.path.join(session.directory, "argument.txt")),
             "p\u00e4ssw\u00f6rd \u00e9t\u00e9"),
        env=session.environment, capture_output=True, timeout=120)
    check(result.returncode == 0, "the command line failed: %r" % result.stderr)
    with open(typed, "rb") as first, open(typed.replace("typed", "argument"), "rb") as second:
        check(first.read() == second.read(), "the dialog and the command line gave two keys")


def test_notes_and_errors_in_boxes(session):
    with open(os.path.join(session.directory, "damaged.txt.2crypt"), "wb") as file:
        file.write(b"short")
    missing = windows_path(os.path.join(session.directory, "missing.txt"))
    # A long path: one line of it would be wider than the screen.
    long_missing = windows_path(os.path.join(session.directory, "\\".join(
        "folder%d" % i for i in range(25)), "n" * 60 + ".txt"))
    cases = [
        ("decrypt with an empty file field", "", DECRYPT, "NOTE", "No encryption detected.",
         "warning"),
        ("a wrong pass phrase or a damaged file", windows_path(
            os.path.join(session.directory, "damaged.txt.2crypt")), DECRYPT, ERROR_CAPTION,
         "Invalid file format.", "stop"),
        ("a file that is not there", missing, ENCRYPT, ERROR_CAPTION,
         'Cannot open file "%s".' % missing, "stop"),
        ("a long path", long_missing, ENCRYPT, ERROR_CAPTION,
         'Cannot open file "%s".' % long_missing, "stop"),
    ]
    for what, field, button, caption, text, icon in cases:
        session.fill_field(FILE_FIELD, field)
        session.click(button)
        box = session.read_box(caption)
        check(box.get("owner") == TITLE, "%s: owned by %r" % (what, box.get("owner")))
        # The system's own text follows the open error's: only the start is ours.
        check(squeezed(box["text"]).startswith(squeezed(text)), "%s: %r" % (what, box["text"]))
        window = session.wait_for_window(caption)
        check(session.pixels_like(window, ICON_COLOURS[icon]) > 50, "%s: no %s icon" % (what, icon))
        check(not session.pixels_like(window, ICON_COLOURS[other_icon(icon)]) > 50,
              "%s: the icon is not the %s one" % (what, icon))
        geometry = session.geometry(window)
        check(geometry["X"] >= 0 and geometry["X"] + geometry["WIDTH"] <= 1024,
              "%s: the box is beyond the screen: %r" % (what, geometry))
        if what == "a long path":
            session.screenshot(window, os.path.join(session.args.artifacts, "win32-long-path.png"))
        session.close_box(caption)
        check(session.program.poll() is None, "%s: the program ended" % what)
    check(not os.path.exists(os.path.join(session.directory, "missing.txt.2crypt")),
          "a missing file gave an output")


def test_wrong_pass_phrase_is_refused(session):
    plain = sample_bytes(5000)
    path = os.path.join(session.directory, "letter.txt")
    with open(path, "wb") as file:
        file.write(plain)
    session.fill_field(FILE_FIELD, windows_path(path))
    session.fill_field(PASSPHRASE_FIELD, "right")
    session.click(ENCRYPT)
    check(wait_until(lambda: os.path.exists(path + ".2crypt")), "no encrypted file")
    time.sleep(0.5)
    os.remove(path)
    # A wrong pass phrase that the final block gives away (about 254 in 255 are).
    session.fill_field(FILE_FIELD, windows_path(path + ".2crypt"))
    session.fill_field(PASSPHRASE_FIELD, "wrong")
    session.click(DECRYPT)
    box = session.read_box(ERROR_CAPTION)
    check(box.get("text") == "Invalid file format.", "wrong pass phrase: %r" % box)
    check(session.pixels_like(session.wait_for_window(ERROR_CAPTION), ICON_COLOURS["stop"]) > 50,
          "wrong pass phrase: no stop icon")
    session.close_box(ERROR_CAPTION)
    check(not os.path.exists(path), "a wrong pass phrase wrote a file")


def test_enter_and_escape_press_no_button(session):
    path = os.path.join(session.directory, "plain.txt")
    with open(path, "wb") as file:
        file.write(b"text")
    session.type(windows_path(path))
    session.press("Return")
    session.expect_nothing_happens()
    session.press("Tab", "Tab", "Tab")
    session.type("pw")
    session.press("Return")
    session.expect_nothing_happens()
    session.press("Escape")
    session.expect_nothing_happens()
    check(not os.path.exists(path + ".2crypt"), "Enter or Escape encrypted")
    # Everything typed so far has been handled: the next click is answered at once.
    session.click(DECRYPT)
    box = session.read_box("NOTE")
    check(box.get("text") == "No encryption detected.", "after Enter: %r" % box)
    session.close_box("NOTE")


# Under this pass phrase an all-zero Triple-DES block is a valid final block (tail count 7), so
# a file of nothing but zero blocks, stored sparsely, decrypts: a large request made in no time.
ZERO_BLOCK_PASSPHRASE = "zero block 385"


def test_cancel_stops_a_long_request_and_removes_its_output(session):
    big = os.path.join(session.directory, "big.bin.1crypt")
    with open(big, "wb") as file:
        file.truncate(session.args.cancel_bytes // 8 * 8)
    output = os.path.join(session.directory, "big.bin")
    session.fill_field(FILE_FIELD, windows_path(big))
    session.fill_field(PASSPHRASE_FIELD, ZERO_BLOCK_PASSPHRASE)
    session.click(DECRYPT)
    progress = session.wait_for_window("Decrypting", timeout=10)
    check(progress, "no progress window")
    session.screenshot(progress, os.path.join(session.args.artifacts, "win32-progress.png"))
    # Meanwhile the dialog takes no input, and Escape does not stop the request.
    session.click(CLOSE)
    session.focus(progress)
    session.press("Escape")
    check(session.windows_titled(TITLE), "the dialog closed during the request")
    check(session.windows_titled("Decrypting"), "the request ended early")
    session.press("space")  # Cancel has the focus
    box = session.read_box("NOTE", timeout=60)
    expected = 'Stopped. The partial file "%s" was removed.' % windows_path(output)
    check(unwrapped(box.get("text", "")) == expected, "after Cancel: %r" % box)
    session.close_box("NOTE")
    check(wait_until(lambda: not session.windows_titled("Decrypting")), "progress stayed")
    check(not os.path.exists(output), "the partial output is still there")
    check(session.program.poll() is None, "the program ended")
    os.remove(big)


def test_folder_button_puts_the_chosen_file_in_the_file_field(session):
    chosen = os.path.join(session.directory, "chosen.txt")
    with open(chosen, "wb") as file:
        file.write(b"chosen")
    session.type("typed.txt")
    session.click(FOLDER_BUTTON)
    dialog = session.wait_for_window(OPEN_DIALOG)
    check(dialog, "no open dialog")
    session.focus(dialog)
    session.type(windows_path(chosen))  # the file name field has the focus
    session.press("Return")
    check(wait_until(lambda: not session.windows_titled(OPEN_DIALOG)), "the open dialog stayed")
    session.click(ENCRYPT)
    check(wait_until(lambda: os.path.exists(chosen + ".2crypt")), "the chosen file was not used")

    # Cancelling the open dialog leaves the field as it was.
    os.remove(chosen + ".2crypt")
    session.click(FOLDER_BUTTON)
    dialog = session.wait_for_window(OPEN_DIALOG)
    check(dialog, "no open dialog")
    session.focus(dialog)
    session.press("Escape")
    check(wait_until(lambda: not session.windows_titled(OPEN_DIALOG)), "the open dialog stayed")
    session.click(ENCRYPT)
    check(wait_until(lambda: os.path.exists(chosen + ".2crypt")), "the field changed")
    check(not os.path.exists(os.path.join(session.directory, "typed.txt.2crypt")),
          "the typed name came back")


def test_close_ends_the_program_with_zero(session):
    session.click(CLOSE)
    check(wait_until(lambda: session.program.poll() is not None), "Close did not end the program")
    check(session.program.returncode == 0, "exit code %r" % session.program.returncode)


CASES = [
    test_opens_at_its_fixed_size_and_masks_the_pass_phrase,
    test_encrypts_and_decrypts_back_byte_for_byte,
    test_a_pass_phrase_beyond_ascii_gives_the_command_line_key,
    test_notes_and_errors_in_boxes,
    test_wrong_pass_phrase_is_refused,
    test_enter_and_escape_press_no_button,
    test_cancel_stops_a_long_request_and_removes_its_output,
    test_folder_button_puts_the_chosen_file_in_the_file_field,
    test_close_ends_the_program_with_zero,
]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--wine-run", required=True)
    parser.add_argument("--prefix", required=True)
    parser.add_argument("--program", required=True)
    parser.add_argument("--box-reader", required=True)
    parser.add_argument("--artifacts", required=True)
    parser.add_argument("--cancel-bytes", type=int, default=4 << 30)
    parser.add_argument("cases", nargs="*")
    args = parser.parse_args()
    args.prefix = os.path.abspath(args.prefix)
    os.makedirs(args.artifacts, exist_ok=True)
    for tool in ("Xvfb", "xdotool", "import"):
        if shutil.which(tool) is None:
            print("%s is not installed (scripts/install-dependencies installs it)" % tool)
            return 1
    failed = 0
    display = VirtualDisplay()
    os.makedirs(args.prefix, exist_ok=True)
    end_wine_server(args)  # one that an earlier run left knows another display
    try:
        for case in CASES:
            if args.cases and case.__name__ not in args.cases:
                continue
            directory = tempfile.mkdtemp(prefix="ostrel-win32-dialog-")
            session = Session(args, display, directory)
            try:
                session.start()
                case(session)
                print("PASS", case.__name__, flush=True)
            except Exception:
                failed += 1
                print("FAIL", case.__name__, flush=True)
                traceback.print_exc()
                if session.program is not None:
                    session.stop()
                    print(open(os.path.join(directory, "program.log"), "rb").read().decode(
                        errors="replace"))
            finally:
                session.stop()
                shutil.rmtree(directory, ignore_errors=True)
    finally:
        end_wine_server(args)
        display.close()
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
