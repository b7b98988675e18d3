#!/usr/bin/env python3
"""Runs the built lister on files written by the capture program, and on
files made to be wrong. Usage: lecture_test.py LECTURE ECRITURE BUILD_DIR [TEST...]"""
import csv
import fcntl
import glob
import gzip
import io
import json
import os
import pty
import random
import re
import select
import shutil
import socket
import struct
import subprocess
import sys
import tempfile
import time
import tty
import unittest
import xml.etree.ElementTree as ElementTree
import zipfile

import common

LECTURE, ECRITURE, BUILD = (os.path.abspath(a) for a in sys.argv[1:4])
common.PROGRAM = common.EMULATOR + [ECRITURE]
LECTURE_COMMAND = common.EMULATOR + [LECTURE]
WINDOWS = common.WINDOWS
HEADER = b"index\tnumero\tvaleur\ttampon\n"
CSV_HEADER = b"index,numero,valeur,tampon\n"
# The system's own words for a missing file and for a directory; Windows' vary with its language.
REASONS = (rb"^lecture: missing: [^.\n]+\nlecture: d: [^.\n]+\n$" if WINDOWS
           else rb"^lecture: missing: No such file or directory\nlecture: d: Is a directory\n$")


def record(numero, valeur, tampon):
    return struct.pack("<ii80s", numero, valeur, tampon)


def unescape(field):
    return re.sub(rb"\\(\\|x[0-9a-f]{2})",
                  lambda m: b"\\" if m.group(1) == b"\\" else bytes([int(m.group(1)[1:], 16)]), field)


class ListingTest(common.TempDirTest):
    def lecture(self, *args, **kw):
        r = subprocess.run([*LECTURE_COMMAND, *args], cwd=self.dir, capture_output=True, timeout=120, **kw)
        r.stdout, r.stderr = common.text_mode(r.stdout), common.text_mode(r.stderr)
        return r

    def capture(self, name, records):
        stdin, _, _, _ = common.session(name.encode(), records)
        self.assertEqual(common.run(self.dir, stdin).returncode, 0)

    def write(self, name, data):
        with open(self.path(name), "wb") as f:
            f.write(data)

    def assertListing(self, result, stdout, stderr=b"", status=0):
        self.assertEqual((result.stdout, result.stderr, result.returncode), (stdout, stderr, status))


class Listing(ListingTest):
    def test_records_listed_back(self):
        # Written as they are: on Windows, a capture reads a line that is not
        # UTF-8 in the ANSI code page.
        self.write("r.dat", b"".join(record(*r) for r in [
            (2147483647, -2147483648, b"bounds"), (0, 0, b""), (1, -1, b"t" * 78), (2, 2, "été ✓ 日本".encode()),
            (3, 3, b"a\x01b\tc\x7fd\\e\x1b[31m"), (4, 4, b"xy"), (5, 5, b"\xff\r\xc3(\xc2\x9b")]))
        self.assertListing(self.lecture("r.dat"), HEADER + b"0\t2147483647\t-2147483648\tbounds\n"
                           b"1\t0\t0\t\n2\t1\t-1\t" + b"t" * 78 + b"\n" + "3\t2\t2\tété ✓ 日本\n".encode() +
                           b"4\t3\t3\ta\\x01b\\x09c\\x7fd\\\\e\\x1b[31m\n5\t4\t4\txy\n"
                           b"6\t5\t5\t\\xff\\x0d\\xc3(\\xc2\\x9b\n")

    def test_hex_gives_each_texts_bytes(self):
        # Not UTF-8, empty, special in some format, or without its NUL.
        texts = [b"caf\xe9", b"", "été".encode(), b'a,"b"\t\\', b"x" * 80]
        self.write("h", b"".join(record(k, -k, t) for k, t in enumerate(texts)))
        said = b"lecture: h: record 4: text not terminated\n"
        for fmt, header, line in [
                ((), HEADER, b"%d\t%d\t%d\t%s\n"), (("--csv",), CSV_HEADER, b"%d,%d,%d,%s\n"),
                (("--json",), b"", b'{"index":%d,"numero":%d,"valeur":%d,"tampon":"%s"}\n')]:
            with self.subTest(fmt=fmt):
                quoted = lambda t: b'""' if fmt == ("--csv",) and not t else t.hex().encode()
                self.assertListing(self.lecture(*fmt, "--hex", "h"),
                                   header + b"".join(line % (k, k, -k, quoted(t)) for k, t in enumerate(texts)), said, 1)

    def test_csv_quoting(self):
        self.write("r.dat", b"".join(record(*r) for r in [(1, 2, b"plain"), (3, 4, b"a,b"), (5, 6, b'say "hi"'),
                                                           (7, 8, b"c\rr"), (9, 10, b"\xffz\t"), (11, 12, b"")]))
        r = self.lecture("--csv", "r.dat")
        self.assertListing(r, CSV_HEADER + b'0,1,2,plain\n1,3,4,"a,b"\n2,5,6,"say ""hi"""\n'
                           b'3,7,8,"c\rr"\n4,9,10,\xffz\t\n5,11,12,""\n')
        rows = list(csv.reader(io.StringIO(r.stdout.decode(errors="surrogateescape"), newline="")))
        self.assertEqual([row[3].encode(errors="surrogateescape") for row in rows[1:]],
                         [b"plain", b"a,b", b'say "hi"', b"c\rr", b"\xffz\t", b""])

    def test_several_files_and_standard_input(self):
        self.write("a", record(1, 1, b"a"))
        # Bytes that text mode would take for a line end or the end of the input.
        self.write("b", record(2, 2, b"b") + record(0x0a0d1a, 0x1a0d0a, b"c\x1a\r\nd"))
        self.assertListing(self.lecture("a", "b"), HEADER + b"==> a <==\n0\t1\t1\ta\n"
                           b"==> b <==\n0\t2\t2\tb\n1\t658714\t1707274\tc\\x1a\\x0d\\x0ad\n")
        # A text's own line end is its bytes, on Windows too, where lines end
        # with CR LF. With several files, each record carries its file.
        eol = b"\r\n" if WINDOWS else b"\n"
        with open(self.path("b"), "rb") as f:
            for args, stdin, lines in [(["-"], f, [CSV_HEADER[:-1]]), (["a", "b"], None,
                                       [b"file,index,numero,valeur,tampon", b"a,0,1,1,a"])]:
                r = subprocess.run([*LECTURE_COMMAND, "--csv", *args], cwd=self.dir, stdin=stdin, capture_output=True)
                file = b"b," if stdin is None else b""
                lines += [file + b"0,2,2,b", file + b'1,658714,1707274,"c\x1a\r\nd"']
                self.assertEqual((r.stdout, r.returncode), (eol.join(lines) + eol, 0))
        self.write("s", record(3, 3, "a\u2028b\u2029".encode()))
        self.assertListing(self.lecture("--json", "s"), b'{"index":0,"numero":3,"valeur":3,"tampon":"a\\u2028b\\u2029"}\n')
        self.assertListing(self.lecture("--json", "a", "b"), b'{"file":"a","index":0,"numero":1,"valeur":1,'
                           b'"tampon":"a"}\n{"file":"b","index":0,"numero":2,"valeur":2,"tampon":"b"}\n'
                           b'{"file":"b","index":1,"numero":658714,"valeur":1707274,"tampon":"c\\u001a\\r\\nd"}\n')

    def test_offset(self):
        self.write("p", b"HELLO" + record(7, -7, b"seven") + record(8, -8, b"eight"))
        # Misaligned, the index counts from the offset.
        self.assertListing(self.lecture("--offset", "5", "p"), HEADER + b"0\t7\t-7\tseven\n1\t8\t-8\teight\n")
        self.assertListing(self.lecture("--offset=181", "p"), HEADER)
        # Past the end, however far, as tail -c +N: nothing, and no fault.
        for offset in ["182", "99999999999999999999999"]:
            self.assertListing(self.lecture("--offset", offset, "p"), HEADER)
        r = self.lecture("p")
        self.assertEqual((r.stderr, r.returncode), (b"lecture: p: 5 trailing bytes\n", 1))

    def test_offset_and_last_records_keep_their_indexes(self):
        # A whole number of records, or the last N of them: each record keeps
        # its number in the file, sought in a file, read through in a pipe.
        self.write("r", b"".join(record(k, -k, b"t%d" % k) for k in range(5)) + b"xyz")
        lines = lambda ks: HEADER + b"".join(b"%d\t%d\t%d\tt%d\n" % (k, k, -k, k) for k in ks)
        trailing = b"lecture: r: 3 trailing bytes\n"
        for args, ks in [(["--offset", "176"], [2, 3, 4]), (["-n", "2"], [3, 4]), (["--last=10"], range(5)),
                         (["-n", "99999999999999999999"], range(5)),
                         (["-n", "0"], []), (["--offset=88", "-n", "3"], [2, 3, 4]), (["--offset=352", "-n1"], [4]),
                         # From the K-th on, as tail -n +K counts lines.
                         (["-n", "+2"], [1, 2, 3, 4]), (["-n", "+1"], range(5)), (["-n", "+0"], range(5)),
                         (["-n", "+5"], [4]), (["-n", "+6"], []), (["-n", "+99999999999999999999"], []),
                         (["--offset=88", "-n", "+2"], [2, 3, 4]), (["-n", "+3", "-n", "1"], [4])]:
            with self.subTest(args=args):
                self.assertListing(self.lecture(*args, "r"), lines(ks), trailing, 1)
                if not any(a.startswith(("-n", "--last")) for a in args):
                    self.assertListing(self.lecture(*args, "-", input=self.read("r")), lines(ks),
                                       trailing.replace(b"r:", b"-:"), 1)
        # Misaligned, the last records after the offset count from it.
        whole = self.lecture("--offset=1", "r")
        self.assertListing(self.lecture("--offset=1", "-n", "1", "r"), HEADER + whole.stdout.splitlines(True)[-1],
                           whole.stderr, 1)
        self.assertTrue(whole.stdout.splitlines()[-1].startswith(b"4\t"))
        self.assertListing(self.lecture("--json", "-n", "1", "r"), b'{"index":4,"numero":4,"valeur":-4,"tampon":"t4"}\n',
                           trailing, 1)
        self.assertListing(self.lecture("--check", "-n", "2", "r"), b"r: 2 records, 3 trailing bytes\n", b"", 1)
        # Only a file can be sought to its end; an empty one, or a device
        # such as /dev/null, has no last records: the header alone, status 0.
        r = self.lecture("-n", "1", "-", input=self.read("r"))
        self.assertEqual((r.stdout, r.stderr, r.returncode), (b"", b"lecture: -: --last needs a file that can seek\n", 2))
        self.write("empty", b"")
        for name in ["empty"] + ([] if WINDOWS else [os.devnull]):
            with self.subTest(name=name):
                self.assertListing(self.lecture("-n", "1", name), HEADER, b"", 0)

    @unittest.skipIf(common.EMULATOR or shutil.which("strace") is None, "strace counts a native run's calls")
    def test_offset_and_last_seek_rather_than_read(self):
        self.write("big", record(1, 1, b"x") * 200000)
        for args in [["--offset", str(88 * 199999)], ["-n", "1"]]:
            with self.subTest(args=args):
                r = subprocess.run(["strace", "-qq", "-e", "trace=read", "-o", "trace", LECTURE, *args, "big"],
                                   cwd=self.dir, capture_output=True, timeout=60)
                self.assertEqual(r.stdout, HEADER + b"199999\t1\t1\tx\n")
                with open(self.path("trace")) as f:
                    reads = [line for line in f if re.match(r"read\(3, .*, 90112\)", line)]
                self.assertLessEqual(len(reads), 2, reads)


class Checks(ListingTest):
    def test_truncated_file(self):
        self.write("t", record(1, 2, b"one") + record(3, 4, b"two")[:40])
        self.assertListing(self.lecture("t"), HEADER + b"0\t1\t2\tone\n", b"lecture: t: 40 trailing bytes\n", 1)

    def test_unterminated_text(self):
        self.write("u", record(1, 2, b"ok") + record(3, 4, b"A" * 79 + b"\\"))
        self.assertListing(self.lecture("u"), HEADER + b"0\t1\t2\tok\n1\t3\t4\t" + b"A" * 79 + b"\\\\\n",
                           b"lecture: u: record 1: text not terminated\n", 1)

    def test_unreadable_files_among_good_ones(self):
        self.write("a", record(1, 1, b"a"))
        os.mkdir(self.path("d"))
        r = self.lecture("a", "missing", "d", "a")
        # A file that cannot be opened or read has no banner: its message
        # names it. A directory opens on Linux, and fails to be read.
        self.assertEqual((r.stdout, r.returncode), (HEADER + b"==> a <==\n0\t1\t1\ta\n==> a <==\n0\t1\t1\ta\n", 2))
        # No header before a file that cannot be read, nor a workbook.
        self.assertEqual(self.lecture("d").stdout, b"")
        self.assertRegex(r.stderr, REASONS)

    @common.POSIX_ONLY
    def test_output_full_or_closed(self):
        self.write("a", record(1, 1, b"a") * 2000)
        with open("/dev/full", "wb") as full:
            r = subprocess.run([*LECTURE_COMMAND, "a"], cwd=self.dir, stdout=full, stderr=subprocess.PIPE)
        self.assertEqual((r.stderr, r.returncode),
                         (b"lecture: write error on standard output: No space left on device\n", 2))
        r = subprocess.run(["sh", "-c", 'exec "$@" >&-', "sh", *LECTURE_COMMAND, "a"], cwd=self.dir,
                           stderr=subprocess.PIPE)
        self.assertEqual((r.stderr, r.returncode), (b"lecture: write error on standard output: Bad file descriptor\n", 2))

    @common.POSIX_ONLY
    def test_warnings_beside_their_files_names_shown_safely(self):
        odd = b"n\nb\x1b[2J"
        self.write("a", record(1, 1, b"a"))
        with open(os.path.join(self.dir.encode(), odd), "wb") as f:
            f.write(record(2, 2, b"b") + b"xyz")
        r = subprocess.run([*LECTURE_COMMAND, "a", odd, "a"], cwd=self.dir, stdout=subprocess.PIPE,
                           stderr=subprocess.STDOUT)
        self.assertEqual((r.stdout, r.returncode), (HEADER + b"==> a <==\n0\t1\t1\ta\n==> n\\x0ab\\x1b[2J <==\n"
                                                    b"0\t2\t2\tb\nlecture: n\\x0ab\\x1b[2J: 3 trailing bytes\n"
                                                    b"==> a <==\n0\t1\t1\ta\n", 1))

    def test_usage(self):
        for switch in ["/?", "-h", "-?"] if WINDOWS else ["--help", "-h"]:
            r = self.lecture(switch)
            self.assertTrue(r.stdout.startswith(b"usage: lecture [--csv | --json | --xlsx | --check] [--hex] [--offset "
                                                b"BYTES]\n               [-n [+]N] FILE...\n"), switch)
            self.assertEqual((r.stderr, r.returncode), (b"", 0))
        version = os.environ.get("ECRITURE_VERSION", "").encode()
        self.assertListing(self.lecture("--version"), b"lecture " + version + b"\n")
        # Each usage error says why in one line, naming the whole word not
        # understood, then the usage and where the help is.
        for args, why in [([], b"no FILE to list"), (["--bogus", "a"], b"invalid option: --bogus"),
                          (["-dash2.dat"], b"invalid option: -dash2.dat"), (["-fx", "a"], b"invalid option: -fx"),
                          (["--version", "a"], b"--version takes no other argument"),
                          (["-n", "x", "a"], b"invalid number of records: x"),
                          (["--offset", "-1", "a"], b"invalid offset: -1"), (["--offset=", "a"], b"invalid offset: "),
                          (["--offset", "1e3", "a"], b"invalid offset: 1e3"),
                          (["-n", "+x", "a"], b"invalid number of records: +x"),
                          (["--offset"], b"option requires an argument: --offset"), (["-x", "a"], b"invalid option: -x"),
                          (["--csv", "--json", "a"], b"--csv and --json exclude each other"),
                          (["--check", "--follow", "a"], b"--follow and --check exclude each other"),
                          (["--follow", "a", "b"], b"--follow follows one FILE"),
                          (["-f", "-"], b"--follow cannot follow standard input")]:
            with self.subTest(args=args):
                r = self.lecture(*args)
                self.assertEqual((r.stdout, r.returncode), (b"", 2))
                # The program's one name, whatever the path it was started by.
                self.assertRegex(r.stderr, b"^lecture: " + re.escape(why) + b"\nusage: lecture [^\n]+\n +[^\n]*FILE\\.\\.\\.\n"
                                 b" +lecture [^\n]+\n +FILE\nTry 'lecture --help' for more information.\n$")

    def test_output_never_its_input_and_no_header_without_a_file(self):
        self.write("f.dat", record(1, 1, b"a"))
        # Wine cannot tell which file a standard handle it was given writes to.
        # Nothing of the run is written, in any mode, before or after it.
        self.write("g.dat", record(2, 2, b"g"))
        shells = ['exec "$@" f.dat >>f.dat', 'exec "$@" - <f.dat >>f.dat', 'exec "$@" g.dat f.dat >>f.dat']
        modes = [[], ["--csv"], ["--json"], ["--check"], ["-n", "1"]] + [["--xlsx"]] * (os.environ.get("ECRITURE_XLSX") == "1")
        for shell, mode in [] if WINDOWS else [(s, m) for s in shells for m in modes]:
            with self.subTest(shell=shell, mode=mode):
                r = subprocess.run(["sh", "-c", shell, "sh", *LECTURE_COMMAND, *mode], cwd=self.dir,
                                   capture_output=True, timeout=60)
                self.assertEqual((common.text_mode(r.stderr), r.returncode), (b"lecture: f.dat: is standard output\n"
                                 if "- <" not in shell else b"lecture: -: is standard output\n", 2))
                self.assertEqual(self.read("f.dat"), record(1, 1, b"a"))
        for fmt in ["--csv", "--json", "--offset=0"]:
            r = self.lecture(fmt, "missing.dat")
            self.assertEqual((r.stdout, r.returncode), (b"", 2))
        self.write("one", record(2, 2, b"b") + b"z")
        self.assertEqual(self.lecture("one").stderr, b"lecture: one: 1 trailing byte\n")


class Check(ListingTest):
    def test_one_line_per_file_and_the_listing_s_messages(self):
        self.write("clean", record(1, 1, b"a") * 3)
        self.write("cut", record(1, 1, b"a") + b"x" * 40)
        self.write("open", record(1, 1, b"a") + record(2, 2, b"b" * 80) * 2)
        self.write("one", record(1, 1, b"a") + b"x")
        for args, lines, said, status in [
                (["clean"], [b"clean: 3 records"], b"", 0),
                # The check's line says what is wrong: once, not again on
                # standard error, but for the records it does not name.
                (["cut", "clean"], [b"cut: 1 record, 40 trailing bytes", b"clean: 3 records"], b"", 1),
                (["open", "one"], [b"open: 3 records, 2 texts not terminated", b"one: 1 record, 1 trailing byte"],
                 b"lecture: open: record 1: text not terminated\nlecture: open: record 2: text not terminated\n", 1),
                (["--offset=300", "clean"], [b"clean: 0 records"], b"", 0),
                (["missing", "clean"], [b"missing: 0 records, unreadable", b"clean: 3 records"], None, 2)]:
            with self.subTest(args=args):
                r = self.lecture("--check", *args)
                self.assertEqual((r.stdout, r.returncode), (b"".join(line + b"\n" for line in lines), status))
                if said is not None:
                    self.assertEqual(r.stderr, said)


    def test_at_most_ten_problems_a_file(self):
        # A file that holds no records, read as records: ten said, the rest counted.
        self.write("junk", b"\xff" * 88 * 175)
        r = self.lecture("--check", "junk")
        said = b"".join(b"lecture: junk: record %d: text not terminated\n" % k for k in range(10))
        self.assertEqual((r.stdout, r.stderr, r.returncode), (b"junk: 175 records, 175 texts not terminated\n",
                                                              said + b"lecture: junk: 165 more texts not terminated\n", 1))
        self.write("junk", b"\xff" * 88 * 11)
        self.assertTrue(self.lecture("--check", "junk").stderr.endswith(b"lecture: junk: 1 more text not terminated\n"))

    @unittest.skipIf(WINDOWS, "a terminal under wine is wine's console")
    def test_progress_at_a_terminal_only(self):
        # A listing that lasts: a line on standard error, updated in place,
        # then erased; nothing where standard error is not a terminal.
        data = b"".join(record(k, k, b"t") for k in range(3000))
        for terminal in (True, False):
            with self.subTest(terminal=terminal):
                leader, follower = os.openpty() if terminal else os.pipe()
                with open(self.path("out"), "wb") as out:
                    proc = subprocess.Popen([*LECTURE_COMMAND, "--check", "-"], cwd=self.dir, stdin=subprocess.PIPE,
                                            stdout=out, stderr=follower)
                    os.close(follower)
                    for k in range(3):
                        proc.stdin.write(data[k * 88000:(k + 1) * 88000])
                        proc.stdin.flush()
                        time.sleep(0.8)
                    proc.stdin.close()
                    shown = common.drain(leader)
                    self.assertEqual(proc.wait(30), 0)
                self.assertEqual(self.read("out"), b"-: 3000 records\n")
                if terminal:
                    self.assertRegex(shown, rb"^\r-: \d+ records, \d+ records/s *(\r-: \d+ records, \d+ records/s *)*"
                                            rb"\r +\r$")
                else:
                    self.assertEqual(shown, b"")


class UnicodeNames(ListingTest):
    def test_names_in_any_script(self):
        # On Windows, the names reach the program in Unicode, never as the
        # nearest name of the ANSI code page (α is not a).
        self.write("a.dat", record(0, 0, b"wrong file"))
        deep = os.path.join(*["dossier %02d" % k for k in range(30)])
        os.makedirs(self.path(deep))
        names = ["α.dat", "日本.dat", os.path.join(self.dir, deep, "long.dat")]
        for k, name in enumerate(names):
            self.write(name, record(k, k, b"t%d" % k))
        self.assertGreater(len(names[-1]), 300)
        r = self.lecture("--json", *names)
        self.assertEqual((r.stderr, r.returncode), (b"", 0))
        self.assertEqual([json.loads(line) for line in r.stdout.splitlines()],
                         [{"file": name, "index": 0, "numero": k, "valeur": k, "tampon": "t%d" % k}
                          for k, name in enumerate(names)])


class NamesAsSpelled(ListingTest):
    def test_backslashes_in_names_stay_single(self):
        # Every Windows path has them; on Linux a backslash is a name's byte.
        if WINDOWS:
            os.mkdir(self.path("sub"))
        self.write(os.path.join("sub", "x.dat") if WINDOWS else "sub\\x.dat", record(1, 1, b"x"))
        self.write("a", record(2, 2, b"a"))
        r = self.lecture("sub\\x.dat", "sub\\missing.dat", "a")
        self.assertEqual(r.stdout, HEADER + b"==> sub\\x.dat <==\n0\t1\t1\tx\n==> a <==\n0\t2\t2\ta\n")
        self.assertRegex(r.stderr, rb"^lecture: sub\\missing\.dat: [^\n]+\n$")
        r = self.lecture("--csv", "sub\\x.dat", "a")
        self.assertEqual(r.stdout, b"file,index,numero,valeur,tampon\nsub\\x.dat,0,1,1,x\na,0,2,2,a\n")


class CsvConsumers(ListingTest):
    """What spreadsheets, databases and scripts read back of a CSV listing:
    every text's own bytes."""
    TEXTS = [b"back\\slash", b"\\x41 literal", b'say "hi"', b"a,b", b"cr\rhere", b"lf\nhere", b"tab\tthere",
             "été à côté, œuvre".encode(), b"z" * 78, b"\\" * 39, b'",\r\n"', b""]

    def listing(self):
        self.write("r.dat", b"".join(record(k, -k, t) for k, t in enumerate(self.TEXTS)))
        # As it is: on Windows, lines end with CR LF, and a text's LF is its own.
        r = subprocess.run([*LECTURE_COMMAND, "--csv", "r.dat"], cwd=self.dir, capture_output=True, timeout=120)
        self.assertEqual((r.stderr, r.returncode), (b"", 0))
        with open(self.path("r.csv"), "wb") as f:
            f.write(r.stdout)
        return r.stdout

    def test_python_csv(self):
        rows = list(csv.reader(io.StringIO(self.listing().decode(), newline="")))
        self.assertEqual([row[3].encode() for row in rows[1:]], self.TEXTS)

    @unittest.skipIf(WINDOWS, "the consumers run on Linux")
    def test_sqlite3(self):
        self.listing()
        r = subprocess.run(["sqlite3", ":memory:", ".import --csv r.csv t", "SELECT hex(tampon) FROM t"],
                           cwd=self.dir, capture_output=True, timeout=60)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(r.stdout.split(b"\n")[:-1], [t.hex().upper().encode() for t in self.TEXTS])

    @unittest.skipUnless(os.environ.get("ECRITURE_POSTGRESQL") == "1", "PostgreSQL's suite")
    def test_postgresql_copy(self):
        self.listing()
        rows = common.postgresql(self.dir, None, "CREATE TABLE t (index int, numero int, valeur int, tampon text);"
                          "COPY t FROM '%s' WITH (FORMAT csv, HEADER true);"
                          "SELECT coalesce(encode(convert_to(tampon, 'UTF8'), 'hex'), 'NULL') FROM t ORDER BY index;"
                          % self.path("r.csv"))
        self.assertEqual(rows, [t.hex().encode() for t in self.TEXTS])


class RoundTrip(ListingTest):
    def test_random_records(self):
        rng = random.Random(8)
        # Windows' text mode takes Ctrl-Z as the end of the input and drops the
        # CR of CRLF, and reads a line that is not UTF-8 in the ANSI code page.
        typable = [b for b in range(1, 256) if b != 10 and not (WINDOWS and (b in (0x0d, 0x1a) or b >= 0x80))]
        pool = [bytes([b]) for b in typable] + ["é", "✓", "日", "\U0001F600"]
        pool = [p.encode() if isinstance(p, str) else p for p in pool]
        records = []
        for _ in range(3000):
            text = b"".join(rng.choice(pool) for _ in range(rng.randrange(30)))[:78]
            records.append((rng.choice([rng.randrange(-2**31, 2**31), -2**31, 2**31 - 1, 0]),
                            rng.randrange(-2**31, 2**31), text))
        self.capture("r.dat", records)
        # A text without its NUL, listed whole in every format, with a warning.
        with open(self.path("r.dat"), "ab") as f:
            f.write(struct.pack("<ii", 1, 2) + b"\\\xff" * 40)
        records.append((1, 2, b"\\\xff" * 40))
        listings = {fmt: self.lecture(*fmt, "r.dat") for fmt in [(), ("--csv",), ("--json",)]}
        for r in listings.values():
            self.assertEqual((r.stderr, r.returncode), (b"lecture: r.dat: record 3000: text not terminated\n", 1))
        lines = listings[()].stdout.split(b"\n")
        self.assertEqual((lines[0] + b"\n", lines[-1], len(lines)), (HEADER, b"", len(records) + 2))
        rows = list(csv.reader(io.StringIO(listings[("--csv",)].stdout.decode(errors="surrogateescape"), newline="")))
        self.assertEqual(rows[0], ["index", "numero", "valeur", "tampon"])
        objects = [json.loads(line) for line in listings[("--json",)].stdout.decode().splitlines()]
        for k, (line, row, obj, entered) in enumerate(zip(lines[1:], rows[1:], objects, records)):
            index, numero, valeur, text = line.split(b"\t")
            self.assertEqual((int(index), int(numero), int(valeur), unescape(text)), (k, *entered))
            self.assertEqual([int(v) for v in row[:3]] + [row[3].encode(errors="surrogateescape")], [k, *entered])
            self.assertEqual((obj["index"], obj["numero"], obj["valeur"]), (k, *entered[:2]))
            self.assertEqual(obj["tampon"].encode("utf-8", "surrogateescape"), entered[2])
        self.assertEqual((len(rows), len(objects)), (len(records) + 1, len(records)))


class Follow(ListingTest):
    # A record must show this soon after its write, through the system's
    # change events; an emulator adds its own delays.
    LATENCY = 2.0 if common.EMULATOR else 0.5

    def read_line(self, proc, within):
        """The next line of the follower's output, and how long it took; None
        when nothing came within the time."""
        start, line = time.monotonic(), b""
        while not line.endswith(b"\n"):
            left = start + within - time.monotonic()
            if left <= 0 or not select.select([proc.stdout], [], [], left)[0]:
                return None, within
            byte = proc.stdout.read(1)
            if not byte:
                return None, within
            line += byte
        return common.text_mode(line), time.monotonic() - start

    def test_records_listed_once_whole_as_they_come(self):
        path = self.path("f.dat")
        self.write("f.dat", record(1, 1, b"before"))
        follower = subprocess.Popen([*LECTURE_COMMAND, "--follow", "--csv", "f.dat"], cwd=self.dir,
                                    stdout=subprocess.PIPE, stderr=subprocess.PIPE, bufsize=0)
        header = self.read_line(follower, 30)[0]
        if header is None:
            follower.kill()
            self.fail("the follower ended, saying %r" % follower.communicate()[1])
        # The capture starts once the follower has the file open.
        capture = subprocess.Popen([*common.PROGRAM, "f.dat"], cwd=self.dir, stdin=subprocess.PIPE,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            self.assertEqual(header, CSV_HEADER)
            self.assertEqual(self.read_line(follower, 30)[0], b"0,1,1,before\n")
            for k in range(1, 4):
                capture.stdin.write(b"%d\n%d\ntext %d\ny\n" % (k, -k, k))
                capture.stdin.flush()
                line, took = self.read_line(follower, 30)
                self.assertEqual(line, b"%d,%d,%d,text %d\n" % (k, k, -k, k))
                self.assertLess(took, self.LATENCY + (5 if k == 1 and common.EMULATOR else 0))
            capture.stdin.write(b"0\n0\nn\nn\n")
            capture.stdin.close()
            self.assertEqual(capture.wait(60), 0)
            self.assertEqual(self.read_line(follower, 30)[0], b"4,0,0,n\n")
            # Half a record that a writer holds is waited for, never listed
            # nor reported.
            with open(path, "ab") as f:
                fcntl.lockf(f, fcntl.LOCK_EX, 1, 2 ** 40)
                f.write(record(5, 5, b"halves")[:40])
                f.flush()
                self.assertEqual(self.read_line(follower, 1.0)[0], None)
                f.write(record(5, 5, b"halves")[40:])
                f.flush()
                fcntl.lockf(f, fcntl.LOCK_UN, 1, 2 ** 40)
            line, took = self.read_line(follower, 30)
            self.assertEqual(line, b"5,5,5,halves\n")
            self.assertLess(took, self.LATENCY)
            os.truncate(path, 88)
            self.assertEqual(follower.wait(30), 1)
            self.assertEqual(common.text_mode(follower.stderr.read()),
                             b"lecture: f.dat: file truncated; no longer followed\n")
            self.assertEqual(follower.stdout.read(), b"")
        finally:
            for proc in (follower, capture):
                if proc.poll() is None:
                    proc.kill()
                proc.wait()
            for stream in (follower.stdout, follower.stderr, capture.stdin):
                stream.close()


    @unittest.skipIf(WINDOWS, "Windows tells a pipe's closed reader only to a write")
    def test_ends_soon_after_its_reader(self):
        # As tail -f: its reader gone, or its terminal hung up, an idle
        # follower ends as a closed pipe ends a filter, without waiting for
        # a record to write. A socket's peer gone is a hang-up alone; a
        # pipe's reader gone is an error.
        self.write("f.dat", record(1, 1, b"a"))
        for args, lines, output in [([], [HEADER, b"0\t1\t1\ta\n"], "pipe"), (["-n", "0"], [HEADER], "pipe"),
                                    ([], [HEADER, b"0\t1\t1\ta\n"], "terminal"),
                                    ([], [HEADER, b"0\t1\t1\ta\n"], "socket")]:
            with self.subTest(args=args, output=output):
                ours, theirs = None, subprocess.PIPE
                if output == "terminal":
                    ours, theirs = pty.openpty()
                    tty.setraw(theirs)
                elif output == "socket":
                    ours, theirs = (s.detach() for s in socket.socketpair())
                proc = subprocess.Popen([*LECTURE_COMMAND, "--follow", *args, "f.dat"], cwd=self.dir,
                                        stdout=theirs, stderr=subprocess.PIPE, bufsize=0)
                if ours is not None:
                    os.close(theirs)
                    proc.stdout = os.fdopen(ours, "rb", buffering=0)
                for line in lines:
                    self.assertEqual(self.read_line(proc, 30)[0], line)
                time.sleep(0.3)
                proc.stdout.close()
                started = time.monotonic()
                self.assertEqual(proc.wait(30), -13)
                self.assertLess(time.monotonic() - started, 3)
                self.assertEqual(proc.stderr.read(), b"")
                proc.stderr.close()

    def test_from_now_on(self):
        # -n 0: only what is appended later, with its index in the file.
        self.write("f.dat", record(0, 0, b"old") + record(1, 1, b"old"))
        proc = subprocess.Popen([*LECTURE_COMMAND, "--follow", "-n", "0", "--csv", "f.dat"], cwd=self.dir,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE, bufsize=0)
        try:
            self.assertEqual(self.read_line(proc, 30)[0], CSV_HEADER)
            with open(self.path("f.dat"), "ab") as f:
                f.write(record(2, 2, b"new"))
            self.assertEqual(self.read_line(proc, 30)[0], b"2,2,2,new\n")
        finally:
            proc.kill()
            proc.wait()
            proc.stdout.close()
            proc.stderr.close()


class FollowOnEveryChange(Follow):
    """A follower never skips, never invents, and stops only for a reason;
    each race is run enough times to catch a miss one time in ten."""
    TRIES = 10

    def follow(self, name="f.dat", records=()):
        """A follower started on name, once it has listed the records the
        file holds (none when it does not exist yet)."""
        proc = subprocess.Popen([*LECTURE_COMMAND, "--follow", "--csv", name], cwd=self.dir, stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE, bufsize=0)
        self.addCleanup(self.stop, proc)
        for line in [CSV_HEADER] * bool(records) + [b"%d,%d,%d,%s\n" % (k, k, k, t) for k, t in enumerate(records)]:
            self.assertEqual(self.read_line(proc, 30)[0], line)
        return proc

    @staticmethod
    def stop(proc):
        if proc.poll() is None:
            proc.kill()
        proc.wait()
        proc.stdout.close()
        proc.stderr.close()

    def append(self, name, data):
        """Appends as ecriture does: under the agreed lock, in one write."""
        with open(self.path(name), "ab") as f:
            fcntl.lockf(f, fcntl.LOCK_EX, 1, 2 ** 40)
            f.write(data)
            f.flush()
            fcntl.lockf(f, fcntl.LOCK_UN, 1, 2 ** 40)

    def ended(self, proc):
        """The rest of the follower's output, its messages and status."""
        out, err = proc.communicate(timeout=30)
        return common.text_mode(out), common.text_mode(err), proc.returncode

    def csv_lines(self, first, texts):
        return b"".join(b"%d,%d,%d,%s\n" % (k, k, k, t) for k, t in enumerate(texts, first))

    @unittest.skipIf(WINDOWS, "an open file cannot be renamed over or removed on Windows")
    def test_records_before_a_rotation_or_removal_are_listed(self):
        for k in range(self.TRIES):
            for how, said in [("rename", b"replaced"), ("unlink", b"removed"), ("move", b"renamed")]:
                with self.subTest(try_=k, how=how):
                    self.write("f.dat", record(0, 0, b"old"))
                    proc = self.follow(records=[b"old"])
                    self.append("f.dat", b"".join(record(i, i, b"t%d" % i) for i in (1, 2, 3)))
                    if how == "rename":
                        self.write("new.dat", b"")
                        os.rename(self.path("new.dat"), self.path("f.dat"))
                    elif how == "move":
                        os.rename(self.path("f.dat"), self.path("moved.dat"))
                    else:
                        os.unlink(self.path("f.dat"))
                    self.assertEqual(self.ended(proc), (self.csv_lines(1, [b"t1", b"t2", b"t3"]),
                                     b"lecture: f.dat: file %s; no longer followed\n" % said, 1))

    def test_truncated_and_rewritten_is_said_and_nothing_new_listed(self):
        for k in range(self.TRIES):
            with self.subTest(try_=k):
                self.write("f.dat", record(0, 0, b"old0") + record(1, 1, b"old1"))
                proc = self.follow(records=[b"old0", b"old1"])
                with open(self.path("f.dat"), "r+b") as f:
                    f.truncate(0)
                    f.write(b"".join(record(i, i, b"new%d" % i) for i in range(5)))
                out, err, status = self.ended(proc)
                self.assertEqual((out, status), (b"", 1))
                self.assertRegex(err, rb"^lecture: f\.dat: file truncated( or rewritten)?; no longer followed\n$")

    def test_a_record_taken_back_is_never_listed(self):
        # What ecriture does when a record does not fit, or its flush fails:
        # the part or the record written is cut back under the lock that it
        # was written under. The follower lists none of it, and goes on.
        self.write("f.dat", record(0, 0, b"t0"))
        proc = self.follow(records=[b"t0"])
        for k in range(1, self.TRIES + 1):
            with self.subTest(try_=k):
                length = os.path.getsize(self.path("f.dat"))
                with open(self.path("f.dat"), "ab") as f:
                    fcntl.lockf(f, fcntl.LOCK_EX, 1, 2 ** 40)
                    f.write(record(k, k, b"taken back")[:40 if k % 2 else 88])
                    f.flush()
                    time.sleep(0.05)
                    os.truncate(self.path("f.dat"), length)
                    fcntl.lockf(f, fcntl.LOCK_UN, 1, 2 ** 40)
                self.append("f.dat", record(k, k, b"t%d" % k))
                self.assertEqual(self.read_line(proc, 30)[0], self.csv_lines(k, [b"t%d" % k]))
        self.assertIsNone(proc.poll())

    def test_a_file_not_made_yet_is_waited_for(self):
        proc = self.follow("later.dat")
        said = b"lecture: later.dat: does not exist yet; waiting for it\n"
        # The file is made once the follower has said that it waits.
        self.assertTrue(select.select([proc.stderr], [], [], 30)[0])
        self.assertEqual(common.text_mode(proc.stderr.read(len(said) + WINDOWS)), said)
        self.write("later.dat", record(0, 0, b"first") + record(1, 1, b"second"))
        for line in [CSV_HEADER, b"0,0,0,first\n", b"1,1,1,second\n"]:
            self.assertEqual(self.read_line(proc, 30)[0], line)
        proc.kill()
        self.assertEqual(self.ended(proc)[1], b"")

    @unittest.skipIf(WINDOWS or common.EMULATOR, "strace fails the calls of a native run")
    def test_a_passing_failure_is_tried_again(self):
        # The file's state cannot be had for four looks in a row, as a
        # network file system fails in passing: said once, then followed on.
        self.write("f.dat", record(0, 0, b"old"))
        # LeakSanitizer cannot work under strace's ptrace.
        env = dict(os.environ, ASAN_OPTIONS=os.environ.get("ASAN_OPTIONS", "") + ":detect_leaks=0")
        proc = subprocess.Popen(["strace", "-qq", "-o", "/dev/null", "-P", self.path("f.dat"), "-e",
                                 "trace=newfstatat", "-e", "inject=newfstatat:error=EIO:when=2..5", *LECTURE_COMMAND,
                                 "--follow", "--csv", "f.dat"], cwd=self.dir, stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE, bufsize=0, env=env)
        self.addCleanup(self.stop, proc)
        for line in [CSV_HEADER, b"0,0,0,old\n"]:
            self.assertEqual(self.read_line(proc, 30)[0], line)
        said = b"lecture: f.dat: Input/output error: trying again\n"
        self.assertTrue(select.select([proc.stderr], [], [], 30)[0])
        self.assertEqual(proc.stderr.read(len(said)), said)
        self.append("f.dat", record(1, 1, b"new"))
        self.assertEqual(self.read_line(proc, 30)[0], b"1,1,1,new\n")
        os.unlink(self.path("f.dat"))
        self.assertEqual(self.ended(proc), (b"", b"lecture: f.dat: file removed; no longer followed\n", 1))

    @unittest.skipIf(WINDOWS, "no FIFO on Windows")
    def test_a_fifo_ends_with_its_writer(self):
        for tail, said, status in [(b"", b"", 0), (b"xyz", b"lecture: fifo: 3 trailing bytes\n", 1)]:
            with self.subTest(tail=tail):
                os.mkfifo(self.path("fifo"))
                proc = subprocess.Popen([*LECTURE_COMMAND, "--follow", "fifo"], cwd=self.dir,
                                        stdout=subprocess.PIPE, stderr=subprocess.PIPE)
                with open(self.path("fifo"), "wb") as f:
                    f.write(record(0, 0, b"a") + record(1, 1, b"b") + tail)
                self.assertEqual(self.ended(proc), (HEADER + b"0\t0\t0\ta\n1\t1\t1\tb\n", said, status))
                os.unlink(self.path("fifo"))


def ecriture_input(records):
    """What a piped run of ecriture FILE reads to append the records."""
    return b"".join(b"%d\n%d\n%s\n%s\n" % (n, v, t, b"y" if k + 1 < len(records) else b"n")
                    for k, (n, v, t) in enumerate(records))


@unittest.skipIf(WINDOWS, "the writers are POSIX programs")
class FollowBesideEveryWriter(ListingTest):
    """Whoever writes the file, and however its records reach it, a follower
    lists, once the writers have ended, exactly what a listing of the file
    lists with the same options."""
    BEFORE = record(1, 1, b"before") + record(2, 2, b"before")
    # The number 10 is a line end's byte: a line-buffered writer hands such
    # a record to the file in two pieces, the second with the next record.
    OFFICE = [record(10 + 256 * k, -246, "n°%d, 1,5 € « ok »\n".encode() % k) for k in range(12)]

    def follow_while(self, options, before, write):
        """The follower's output and status while write() runs, the file
        renamed once it returns (the follow then reads to its end), and the
        listing of the file with the same options."""
        self.write("f.dat", before)
        proc = subprocess.Popen([*LECTURE_COMMAND, "--follow", *options, "f.dat"], cwd=self.dir,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE, bufsize=0)
        self.addCleanup(FollowOnEveryChange.stop, proc)
        # Its first line is out once it has the file open.
        first, _ = Follow.read_line(self, proc, 60)
        write(self.path("f.dat"))
        os.rename(self.path("f.dat"), self.path("listed.dat"))
        out, err = proc.communicate(timeout=120)
        return (first or b"") + out, err, proc.returncode, self.lecture(*options, "listed.dat")

    @staticmethod
    def in_pieces(path, data, cuts, pause):
        """Appends data without the lock, in writes that end at the cuts."""
        fd = os.open(path, os.O_WRONLY | os.O_APPEND)
        try:
            for start, end in zip([0] + cuts, cuts + [len(data)]):
                os.write(fd, data[start:end])
                time.sleep(pause)
        finally:
            os.close(fd)

    def two_captures(self, path):
        runs = [subprocess.Popen([*common.PROGRAM, path], stdin=subprocess.PIPE, stdout=subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL) for _ in range(2)]
        for k, run in enumerate(runs):
            run.stdin.write(ecriture_input([(k, i, b"capture %d, %d" % (k, i)) for i in range(200)]))
            run.stdin.close()
        self.assertEqual([run.wait(120) for run in runs], [0, 0])

    def take_backs(self, path):
        for k in range(4):
            length = os.path.getsize(path)
            with open(path, "ab") as f:
                fcntl.lockf(f, fcntl.LOCK_EX, 1, 2 ** 40)
                f.write(record(k, k, b"taken back")[:40 if k % 2 else 88])
                f.flush()
                time.sleep(0.05)
                os.truncate(path, length)
                f.write(record(k, k, b"kept"))
                f.flush()
                fcntl.lockf(f, fcntl.LOCK_UN, 1, 2 ** 40)

    def cat(self, path):
        self.write("batch.dat", b"".join(record(k, -k, b"x" * (k % 79)) for k in range(20000)))
        with open(path, "ab") as f:
            subprocess.run(["cat", self.path("batch.dat")], stdout=f, check=True)

    def stray_then_capture(self, path):
        r = subprocess.run([*common.PROGRAM, path], input=ecriture_input([(7, 7, b"after"), (8, 8, b"more")]),
                           capture_output=True, timeout=120)
        self.assertEqual(r.returncode, 0)

    def test_the_follower_lists_what_the_listing_lists(self):
        office = b"".join(self.OFFICE)
        writers = [
            ("two captures at once", ["--csv"], self.BEFORE, self.two_captures),
            ("a writer's take-backs", [], self.BEFORE, self.take_backs),
            ("cat of a large file", ["--json"], self.BEFORE, self.cat),
            ("stdio's flushes of 4 KiB", ["--csv", "--offset", "88"], self.BEFORE,
             lambda path: self.in_pieces(path, office * 4, list(range(4096, len(office) * 4, 4096)), 0.05)),
            ("a line-buffered writer", ["--json"], self.BEFORE,
             lambda path: self.in_pieces(path, office, [m.end() for m in re.finditer(b"\n", office)], 0.02)),
            ("a writer in pieces, with pauses", ["--csv"], self.BEFORE,
             lambda path: self.in_pieces(path, office[:5 * 88], [30, 60, 88, 100, 200, 264, 300, 400], 0.3)),
            ("stray bytes, then a capture", ["--csv"], self.BEFORE + b"G" * 16, self.stray_then_capture),
        ]
        for what, options, before, write in writers:
            with self.subTest(what):
                out, err, status, listing = self.follow_while(options, before, write)
                self.assertEqual((err, status), (b"lecture: f.dat: file renamed; no longer followed\n", 1))
                self.assertEqual(out, listing.stdout)
                self.assertGreater(out.count(b"\n"), 3)

    @unittest.skipIf(common.EMULATOR, "strace fails the calls of a native run")
    def test_a_call_that_fails_once_loses_nothing(self):
        # Each read, stat and lock call of a follow beside a writer in
        # pieces fails once: the follow meets it and goes on, or ends with
        # 2 having said why; it never lists a wrong line, nor crashes.
        office = b"".join(self.OFFICE[:6])
        env = dict(os.environ, ASAN_OPTIONS=os.environ.get("ASAN_OPTIONS", "") + ":detect_leaks=0")
        said = re.compile(rb"^(lecture: f\.dat: (Input/output error: trying again|cannot (un)?lock the file: "
                          rb"Input/output error)\n)*(lecture: f\.dat: file renamed; no longer followed\n)?$")
        for call in ["pread64", "newfstatat", "fcntl"]:
            for when in range(1, 9):
                with self.subTest(call=call, when=when):
                    self.write("f.dat", self.BEFORE)
                    command = ["strace", "-qq", "-o", "/dev/null", "-P", self.path("f.dat"), "-e", "trace=" + call,
                               "-e", "inject=%s:error=EIO:when=%d" % (call, when), *LECTURE_COMMAND, "--follow",
                               "--csv", "f.dat"]
                    proc = subprocess.Popen(command, cwd=self.dir, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                            bufsize=0, env=env)
                    self.addCleanup(FollowOnEveryChange.stop, proc)
                    first, _ = Follow.read_line(self, proc, 60)
                    self.in_pieces(self.path("f.dat"), office, [40, 88, 130, 200, 264, 300], 0.05)
                    os.rename(self.path("f.dat"), self.path("listed.dat"))
                    out, err = proc.communicate(timeout=120)
                    listing = self.lecture("--csv", "listed.dat").stdout
                    out = (first or b"") + out
                    self.assertIn(proc.returncode, (1, 2), err)
                    self.assertRegex(err, said)
                    self.assertEqual(out, listing if proc.returncode == 1 else listing[:len(out)])
                    self.assertTrue(out.endswith(b"\n") or not out)



class SameOnEveryPlatform(ListingTest):
    """One input, typed the same on every platform, must give these bytes and
    these listings: the files move between machines. The file made is left in
    the build directory, for comparing the builds of several platforms."""
    GOLDEN = os.path.join(os.path.dirname(os.path.abspath(__file__)), "same_input")
    INPUT = (b"same.dat\n2147483647\n-2147483648\nbornes, \"quoted\"\ny\n  +42abc\n99999999999999\n"
             + "été ✓ 日本 ".encode() + b"\x01\t\x7f\\ \xc2\xab\xe2\x80\xa8 a\rb"
             + b"\ny\n-0x10\n-99999999999\nabcdefghij\ny\n7\n8\nxy\ny\n" + b" " * 78 + b"56\n6\ntexte\ny\n"
             b"1\n2\n" + b"z" * 79 + b"\n")

    def golden(self, name):
        with open(os.path.join(self.GOLDEN, name), "rb") as f:
            return f.read()

    def test_records_and_listings(self):
        r = common.run(self.dir, self.INPUT)
        # The long number line and the 79-byte text are cut, and said.
        said = common.written(88) * 4 + b"ecriture: number line longer than 79 bytes: the rest of it is dropped\n" + \
            common.written(88) + b"ecriture: text longer than 78 bytes: cut to 78 bytes\n" + common.written(88)
        self.assertEqual((r.stderr, r.returncode), (common.OPENED + said, 0))
        made = self.read("same.dat")
        with open(os.path.join(BUILD, "same_input.dat"), "wb") as f:
            f.write(made)
        self.assertEqual(made, self.golden("records.dat"))
        listed = os.path.join(self.GOLDEN, "records.dat")
        self.assertListing(self.lecture(listed), self.golden("records.tsv"))
        self.assertListing(self.lecture("--csv", listed), self.golden("records.csv"))
        self.assertListing(self.lecture("--json", listed), self.golden("records.jsonl"))


@unittest.skipUnless(WINDOWS, "Windows only")
class AsWindowsUsersDo(FollowOnEveryChange):
    def in_cmd(self, line, temp=None):
        """lecture run by cmd /c as LINE says (%s for the program), with TMP
        and TEMP set to temp if given. Wine has lost a run's whole standard
        error now and then: a run that fails and says nothing is wine's
        fault, said with its evidence, and made again."""
        sets = "set TMP=%s&& set TEMP=%s&& " % (temp, temp) if temp else ""
        command = [*common.EMULATOR, "cmd", "/c", sets + line % ("Z:" + LECTURE.replace("/", "\\"))]
        for attempt in range(3):
            r = subprocess.run(command, cwd=self.dir, capture_output=True, timeout=300)
            if r.returncode == 0 or r.stderr:
                break
            print("wine lost the standard error of %r (status %d, nothing said): run again" % (line, r.returncode),
                  file=sys.stderr)
        r.stderr = common.text_mode(r.stderr)
        return r

    def test_wildcards_expanded_in_name_order(self):
        os.mkdir(self.path("sub"))
        # notes.data's short name, NOTES~1.DAT, would match *.dat too.
        for k, name in enumerate(["b.dat", "A.dat", "c.dat", "x.txt", "notes.data", os.path.join("sub", "z.dat")]):
            self.write(name, record(k, k, b"t"))
        for args, names, said in [(["*.dat"], ["A.dat", "b.dat", "c.dat"], b""),
                                  (["sub\\*.dat", "?.txt"], ["sub\\z.dat", "x.txt"], b""),
                                  (["*.zz", "b.dat"], ["b.dat"], b"lecture: *.zz: no file matches\n")]:
            with self.subTest(args=args):
                r = self.lecture("--check", *args)
                self.assertEqual((r.stdout, r.stderr, r.returncode),
                                 (b"".join(n.encode() + b": 1 record\n" for n in names), said, 2 if said else 0))

    @unittest.skipUnless(os.environ.get("ECRITURE_XLSX") == "1", "a build without libxlsxwriter")
    def test_a_workbook_with_an_accented_temporary_folder(self):
        # As C:\\Users\\Hélène\\AppData\\Local\\Temp in a French office.
        self.write("r.dat", record(1, 1, b"t"))
        folder = os.path.join(self.dir, "Hélène", "Temp")
        os.makedirs(folder)
        r = self.in_cmd("%s --xlsx r.dat >x.xlsx", "Z:" + folder.replace("/", "\\"))
        self.assertEqual((r.stderr, r.returncode), (b"", 0))
        with open(self.path("x.xlsx"), "rb") as f:
            self.assertEqual(f.read(2), b"PK")
        self.assertEqual(os.listdir(folder), [])

    @unittest.skipUnless(os.environ.get("ECRITURE_XLSX") == "1", "a build without libxlsxwriter")
    def test_a_workbook_from_a_console_holds_the_records_alone(self):
        # Standard error a console, as a person's: the warning, and the
        # progress line of a long run, are shown there, and the workbook
        # holds its rows alone, well-formed, every text as it is.
        texts = ["n°%d, 1,5 € « ok »" % k for k in range(200000)]
        self.write("x.dat", b"".join(record(k, -k, t.encode()) for k, t in enumerate(texts)))
        self.write("partiel.dat", record(7, 7, b"last") + b"abc")
        shown = self.shown_at_console([*common.EMULATOR, "cmd", "/c", "Z:%s --xlsx x.dat partiel.dat >p.xlsx"
                                       % LECTURE.replace("/", "\\")])
        self.assertRegex(shown, r"lecture: partiel\.dat: 3 ")
        with zipfile.ZipFile(self.path("p.xlsx")) as book:
            sheet = ElementTree.fromstring(book.read("xl/worksheets/sheet1.xml"))
        rows = sheet.iter("{http://schemas.openxmlformats.org/spreadsheetml/2006/main}row")
        strings = [["".join(t.itertext()) for t in row.iter() if t.tag.endswith("}t")] for row in rows]
        self.assertEqual(strings[1:], [["x.dat", t] for t in texts] + [["partiel.dat", "last"]])

    def test_what_windows_refuses_is_said_in_its_own_words(self):
        # A folder given as a file is no matter of rights; a temporary
        # folder that does not exist is said with the variable that names it.
        os.mkdir(self.path("Classeurs été"))
        r = self.lecture("Classeurs été")
        self.assertEqual((r.stderr, r.returncode), ("lecture: Classeurs été: is a folder\n".encode(), 2))
        if os.environ.get("ECRITURE_XLSX") != "1":
            return
        self.write("r.dat", record(1, 1, b"t"))
        r = self.in_cmd("%s --xlsx r.dat >x.xlsx", "Z:\\nulle\\part")
        self.assertRegex(r.stderr, rb"^lecture: Z:\\nulle\\part\\?: cannot make the workbook's scratch file in this "
                         rb"folder, which TMP names: [^\n]+\n$")
        self.assertEqual(r.returncode, 2)

    def shown_at_console(self, command):
        """What the command shows on a pseudo-terminal, its escapes left out."""
        leader, follower = os.openpty()
        proc = subprocess.Popen(command, cwd=self.dir, stdin=follower, stdout=follower, stderr=follower)
        os.close(follower)
        shown = b""
        # Wine's console may hold the terminal open past the program's end.
        while select.select([leader], [], [], 1)[0] or proc.poll() is None:
            try:
                shown += os.read(leader, 65536)
            except OSError:
                break
        proc.wait(60)
        os.close(leader)
        return re.sub(rb"\x1b\[[0-9;?]*[A-Za-z]|\x1b\][^\x07]*\x07|\r", b"", shown).decode("utf-8", "replace")

    def test_help_in_a_french_console(self):
        # wine's cmd in a pseudo-terminal, as a person's console: the help's
        # accents as they are, whatever the code page (none of UTF-8 read as
        # the ANSI code page, as "entrÃ©e").
        locales = os.path.join(self.dir, "locales")
        os.mkdir(locales)
        subprocess.run(["localedef", "-i", "fr_FR", "-f", "UTF-8", os.path.join(locales, "fr_FR.UTF-8")],
                       capture_output=True)
        words = [w for w in common.EMULATOR if not w.startswith(("LANG=", "LC_ALL="))]
        words[1:1] = ["LANG=fr_FR.UTF-8", "LC_ALL=fr_FR.UTF-8", "LOCPATH=" + locales]
        # Wine, starting in a language new to its prefix, may end a run
        # before it starts, silently: tried again then.
        for _ in range(3):
            text = self.shown_at_console([*words, "cmd", "/c", "Z:" + LECTURE.replace("/", "\\"), "/?"])
            if "utilisation" in text:
                break
        self.assertIn("valeurs séparées par des virgules", re.sub(r"\s+", " ", text))
        self.assertNotIn("Ã", text)
        # ecriture's says « console », as Windows does.
        for _ in range(3):
            text = self.shown_at_console([*words, "cmd", "/c", "Z:" + ECRITURE.replace("/", "\\"), "/?"])
            if "utilisation" in text:
                break
        self.assertIn("À la console, une réponse peut être corrigée", re.sub(r"\s+", " ", text))

    def test_a_device_is_no_record_file(self):
        r = self.lecture("--check", "nul.dat")
        self.assertEqual((r.stderr, r.returncode), (b"lecture: nul.dat: is a device, not a file on a disk "
                                                    b"(write \\\\.\\NAME for a device)\n", 2))

    def test_what_the_program_cannot_hold_is_refused(self):
        # More names than the program holds, and a temporary folder too long
        # to make a scratch file in: said, and a failure.
        for k in range(16385):
            open(self.path("m%05d.dat" % k), "wb").close()
        r = self.lecture("--check", "m*.dat")
        self.assertEqual((r.stdout, r.returncode), (b"", 2))
        self.assertTrue(r.stderr.startswith(b"lecture: m*.dat: too many files match\n"), r.stderr)
        if os.environ.get("ECRITURE_XLSX") != "1":
            return
        long = "Z:" + self.dir.replace("/", "\\") + "\\" + "d" * 250
        r = self.in_cmd("%s --xlsx m00000.dat >x.xlsx", long)
        self.assertEqual(r.returncode, 2)
        self.assertRegex(r.stderr, rb"^lecture: Z:[^\n]*d{250}\\?: cannot make the workbook's scratch file in this "
                         rb"folder, which TMP names: [^\n]+\n$")
        self.assertEqual(os.path.getsize(self.path("x.xlsx")), 0)

    def test_a_followed_file_stays_its_owners(self):
        # Renamed, it is read to its end and the follow ends; deleted, the
        # deletion is not refused (wine removes the name at the last close).
        for how, then in [("ren", "f2.dat"), ("del", None)]:
            with self.subTest(how=how):
                self.write("f.dat", record(0, 0, b"old"))
                proc = self.follow(records=[b"old"])
                r = subprocess.run([*common.EMULATOR[:-1], common.EMULATOR[-1], "cmd", "/c", how, "f.dat",
                                    *([then] if then else [])], cwd=self.dir, capture_output=True, timeout=120)
                self.assertEqual((r.returncode, r.stdout + r.stderr), (0, b""))
                if then:
                    self.assertEqual(self.ended(proc), (b"", b"lecture: f.dat: file renamed; no longer followed\n", 1))
                    os.unlink(self.path(then))
                else:
                    # Wine's server closes a killed program's files in its own time.
                    self.stop(proc)
                    deadline = time.monotonic() + 10
                    while os.path.exists(self.path("f.dat")) and time.monotonic() < deadline:
                        time.sleep(0.1)
                    self.assertFalse(os.path.exists(self.path("f.dat")))


@unittest.skipUnless(WINDOWS, "Windows only")
class WindowsPrograms(unittest.TestCase):
    def test_version_resource_and_manifest(self):
        # What Properties, Details shows, and what the manifest declares.
        version = os.environ.get("ECRITURE_VERSION", "")
        for path in (ECRITURE, LECTURE):
            with self.subTest(path=path), open(path, "rb") as f:
                exe = f.read()
            for key, value in [("FileVersion", version), ("ProductName", "ecriture"),
                               ("OriginalFilename", os.path.basename(path))]:
                self.assertIn((key + "\0").encode("utf-16-le"), exe)
                self.assertIn(value.encode("utf-16-le"), exe)
            # In French too, which a French Windows shows.
            self.assertIn("Translation\0".encode("utf-16-le"), exe)
            self.assertIn(("Liste et vérifie" if path == LECTURE else "Saisit à la console").encode("utf-16-le"), exe)
            self.assertIn("Copyright (c) 2026 les auteurs d'ecriture".encode("utf-16-le"), exe)
            self.assertIn(b"<longPathAware", exe)
            self.assertIn(b"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}", exe)


class Install(unittest.TestCase):
    def test_install_programs_and_manuals(self):
        with tempfile.TemporaryDirectory() as prefix:
            subprocess.run(["cmake", "--install", BUILD, "--prefix", prefix], check=True, capture_output=True)
            exe = ".exe" if WINDOWS else ""
            manuals = [] if WINDOWS else ["share/man/man1/ecriture.1.gz", "share/man/man1/lecture.1.gz",
                                          "share/man/man5/ecriture.5.gz"]
            for path in [("" if WINDOWS else "bin/") + name + exe for name in ("ecriture", "lecture")] + manuals:
                self.assertTrue(os.path.isfile(os.path.join(prefix, path)), path)
            # The lintian override is the Debian package's alone; the page
            # names the place the package installs its notes to.
            self.assertFalse(os.path.exists(os.path.join(prefix, "share", "lintian")))
            if not WINDOWS:
                with gzip.open(os.path.join(prefix, manuals[0])) as f:
                    self.assertIn(b"/usr/share/doc/ecriture/NEWS.md", f.read())
                # Installed under any prefix, the programs find their catalogue
                # (the host's locales are of its own byte order: natively).
                if common.EMULATOR:
                    return
                locales = os.path.join(prefix, "locales")
                os.mkdir(locales)
                # localedef warns of what the locale lacks, and makes it all the same.
                subprocess.run(["localedef", "-i", "fr_FR", "-f", "UTF-8", os.path.join(locales, "fr_FR.UTF-8")],
                               capture_output=True)
                env = dict(os.environ, LANG="fr_FR.UTF-8", LOCPATH=locales, LC_ALL="")
                r = subprocess.run([os.path.join(prefix, "bin", "lecture"), "--bogus"], capture_output=True, env=env)
                self.assertIn("option non valide".encode(), r.stderr)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1] + sys.argv[4:], verbosity=2)
