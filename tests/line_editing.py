#!/usr/bin/env python3
"""Types at the capture program on a pseudo-terminal, with pexpect, and checks
what the line editor makes of the keys: the records in the file, the screen,
and that a run whose input or output is not a terminal never starts the
editor. Usage: line_editing.py PATH_TO_ECRITURE"""
import os
import shutil
import signal
import struct
import sys
import tempfile
import unittest

import pexpect

PROGRAM = os.path.abspath(sys.argv[1]) if len(sys.argv) > 1 else "build/ecriture"
LEFT, UP, DOWN, HOME, END, DELETE = b"\x1b[D", b"\x1b[A", b"\x1b[B", b"\x1b[H", b"\x1b[F", b"\x1b[3~"
BACKSPACE, CTRL_C, CTRL_D = b"\x7f", b"\x03", b"\x04"
# A person's terminal, with no locale set: the program then reads UTF-8.
ENV = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "TERM": "xterm"}


def records(data):
    return [(n, v, t.split(b"\0")[0]) for n, v, t in struct.iter_unpack("<ii80s", data)]


class Terminal(unittest.TestCase):
    def setUp(self):
        self._tmp = tempfile.TemporaryDirectory()
        self.dir = self._tmp.name
        self.env = dict(ENV, HOME=self.dir)
        self.edited = True

    def tearDown(self):
        self._tmp.cleanup()

    def start(self, *args):
        self.child = pexpect.spawn(PROGRAM, list(args), cwd=self.dir, env=self.env, timeout=10)

    def answer(self, prompt, keys):
        """Waits for the prompt, then types the keys and Enter."""
        self.child.expect_exact(prompt.encode())
        self.wait_for_editor()
        self.child.send(keys + b"\r")

    def wait_for_editor(self):
        # The editor shows its prompt a moment before it turns the echo off:
        # a key typed in between, faster than a person types, shows twice.
        if self.edited:
            self.assertTrue(self.child.waitnoecho(), "the editor never turned the echo off")

    def record(self, numero, valeur, tampon, another):
        self.answer("Saisie numero :", numero)
        self.answer("Saisie valeur :", valeur)
        self.answer("Saisie Tampon :", tampon)
        self.answer("Encoder un autre (Y/N) ?)", another)

    def finish(self, name="records.dat"):
        self.child.expect(pexpect.EOF)
        self.child.close()
        with open(os.path.join(self.dir, name), "rb") as f:
            return self.child.exitstatus, records(f.read())

    def test_keys_move_and_erase_whole_characters(self):
        self.start()
        self.answer("Le nom de fichier à creer :)", b"records.dat")
        self.record(b"2" + HOME + b"1", b"-3", b"abd" + LEFT + b"c", b"y")
        self.record(b"x7" + HOME + DELETE + END + b"8", b"0", "été".encode() + BACKSPACE * 2 + b"a", b"y")
        self.record(b"5", b"6", b"\txy" + HOME + DELETE, b"n")
        self.assertEqual(self.finish(), (0, [(12, -3, b"abcd"), (78, 0, "éa".encode()), (5, 6, b"xy")]))

    def test_up_and_down_recall_the_answers_to_the_same_prompt(self):
        self.start("records.dat")
        self.record(b"1", b"40", b"first text", b"y")
        self.record(b"2", b"41", b"second text", b"y")
        # Up once: this prompt's last answer, not the line typed just before.
        self.record(UP, UP + UP + DOWN, UP, UP)
        self.record(UP + UP + b"0", UP + UP, UP + UP + b"!", b"n")
        self.assertEqual(self.finish(), (0, [(1, 40, b"first text"), (2, 41, b"second text"),
                                             (2, 41, b"second text"), (10, 40, b"first text!")]))

    def test_long_answers_cut_and_their_rest_dropped(self):
        self.start("records.dat")
        # The rest of a long number line is dropped, and said.
        self.answer("Saisie numero :", b" " * 78 + b"12" + b"9" * 30)
        self.child.expect_exact(b"ecriture: number line longer than 79 bytes: the rest of it is dropped\r\n")
        self.answer("Saisie valeur :", b"2")
        # A text past 78 bytes keeps 78, the cut said; its rest answers nothing,
        # and the question waits for the person.
        self.answer("Saisie Tampon :", b"t" * 78 + b"Z" + b"y" + b"q" * 20)
        self.child.expect_exact(b"ecriture: text longer than 78 bytes: cut to 78 bytes\r\n")
        self.answer("Encoder un autre (Y/N) ?)", b"n" + b"y" * 100)
        self.assertEqual(self.finish(), (0, [(1, 2, b"t" * 78)]))

    def test_ctrl_c_keeps_the_records_reported(self):
        self.start("records.dat")
        self.record(b"1", b"2", b"kept", b"y")
        self.answer("Saisie numero :", b"3")
        self.child.expect_exact(b"Saisie valeur :")
        self.wait_for_editor()
        self.child.send(CTRL_C)
        self.child.expect(pexpect.EOF)
        self.child.close()
        self.assertEqual(self.child.signalstatus, signal.SIGINT)
        with open(os.path.join(self.dir, "records.dat"), "rb") as f:
            self.assertEqual(records(f.read()), [(1, 2, b"kept")])

    def test_locale_not_installed_edits_in_utf8(self):
        # A French locale that this machine lacks: the dialogue's UTF-8 all the same.
        self.env["LC_ALL"] = "fr_FR.UTF-8"
        self.start()
        self.answer("Le nom de fichier à creer :)", b"records.dat")
        self.record(b"1", b"2", "é".encode() + b"b" + LEFT + b"c", b"y")
        # Ctrl-D at a prompt ends its line before anything else is said.
        self.child.expect_exact(b"Saisie numero :")
        self.wait_for_editor()
        self.child.send(CTRL_D)
        self.child.expect_exact(b"^D\r\n")
        self.assertEqual(self.finish(), (0, [(1, 2, "écb".encode())]))

    def test_output_not_a_terminal_reads_keys_as_typed(self):
        self.child = pexpect.spawn("sh", ["-c", 'exec "$0" records.dat >out.txt', PROGRAM], cwd=self.dir,
                                   env=self.env, timeout=10)
        self.child.expect_exact(b"Ouverture reussie")
        self.child.send(b"1\r2\rab" + LEFT + b"c\rn\r")
        self.assertEqual(self.finish(), (0, [(1, 2, b"ab\x1b[Dc")]))
        with open(os.path.join(self.dir, "out.txt"), "rb") as f:
            self.assertEqual(f.read(), b"Position actuelle dans le fichier 0\nSaisie numero :Saisie valeur :"
                             b"Saisie Tampon :1\n2\nab\x1b[Dc\n" + b"-" * 23 + b"\nEncoder un autre (Y/N) ?)")


@unittest.skipUnless(shutil.which("strace"), "needs strace")
class NoEditorWithoutTerminal(unittest.TestCase):
    """The editor reads the terminal's description when it starts: a run
    whose input or output is not the terminal must open no such file."""

    def opened(self, shell, typed=None):
        """The files that the shell command's program opened; it runs under
        strace, on a pseudo-terminal, and gets Ctrl-D or the typed lines."""
        with tempfile.TemporaryDirectory() as cwd:
            trace = "exec strace -f -e trace=open,openat -o trace \"$0\" r.dat"
            child = pexpect.spawn("sh", ["-c", shell.replace("TRACED", trace), PROGRAM], cwd=cwd,
                                  env=dict(ENV, HOME=cwd), timeout=10)
            if typed is None:
                child.expect_exact(b"Saisie numero :")
                child.waitnoecho()
                child.send(CTRL_D)
            else:
                child.send(typed)
            child.expect(pexpect.EOF)
            with open(os.path.join(cwd, "trace"), encoding="utf-8", errors="replace") as f:
                return f.read()

    def test_terminfo_read_only_when_editing(self):
        self.assertIn("terminfo", self.opened("TRACED"))
        for shell in ["printf '1\\n2\\nabc\\nn\\n' | TRACED", "TRACED >out.txt"]:
            with self.subTest(shell=shell):
                trace = self.opened(shell, b"1\r2\rabc\rn\r")
                self.assertIn('"r.dat"', trace)
                self.assertNotIn("terminfo", trace)
                self.assertNotIn(".editrc", trace)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
