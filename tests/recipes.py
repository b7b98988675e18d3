#!/usr/bin/env python3
"""Runs the recipes of lecture(1), as the manual gives them, on listings of
records that hold the texts that consumers are known to lose: pandas,
openpyxl, sqlite3 and numpy must give back every value exact and of its
type. Each recipe stands in the page after a comment that names it
(.\\" recipe: NAME). Usage: recipes.py LECTURE MANUAL [TEST...]

With ECRITURE_TWO_SHEETS=1, the workbook's recipe also reads a workbook of
two sheets, past the format's 1,048,576 rows (a minute of pandas)."""
import csv
import os
import re
import shutil
import struct
import subprocess
import sys
import unittest

import common

LECTURE = common.EMULATOR + [os.path.abspath(sys.argv[1])]
MANUAL = os.path.abspath(sys.argv[2])
BUILT = os.environ.get("ECRITURE_XLSX") == "1"
# What readers take for missing values, numbers or their own escapes.
TEXTS = [b"NA", b"NULL", b"#N/A", b"nan", b"null", b"", b"N/A", b"None", b"00123", b"1e5", b"-42", b"TRUE",
         b"line1\rline2", b"tab\there", b"_x0041_", b"_x005F_", "été ✓".encode(), b" blanks ", b"=1+1", b"9"]
NUMBERS = [(k * 37 - 400, 10 ** (k % 7) * (1 if k % 2 else -1)) for k in range(len(TEXTS))]


def recipe(name):
    """The recipe's lines as the page shows them: troff's escapes undone."""
    with open(MANUAL, encoding="utf-8") as f:
        page = f.read()
    m = re.search(r'^\.\\" recipe: %s\n(?:.*\n)*?\.EX\n((?:.*\n)*?)\.EE' % re.escape(name), page, re.M)
    if m is None:
        raise AssertionError("lecture(1) has no recipe %s" % name)
    text = m.group(1)
    for escape, plain in [(r"\(dq", '"'), (r"\(aq", "'"), (r"\-", "-"), (r"\e", "\\"), (r"\&", "")]:
        text = text.replace(escape, plain)
    return text


def record(numero, valeur, tampon):
    return struct.pack("<ii80s", numero, valeur, tampon)


class Recipes(common.TempDirTest):
    def setUp(self):
        super().setUp()
        with open(self.path("r.dat"), "wb") as f:
            f.write(b"".join(record(n, v, t) for (n, v), t in zip(NUMBERS, TEXTS)))

    def listing(self, fmt, name, files=("r.dat",)):
        """The listing of the files; several are copies of r.dat, named so
        that a reader would take their names for numbers."""
        for copy in files[1:] if len(files) > 1 else ():
            shutil.copy(self.path("r.dat"), self.path(copy))
        with open(self.path(name), "wb") as out:
            r = subprocess.run([*LECTURE, *([fmt] if isinstance(fmt, str) else fmt), *files], cwd=self.dir,
                               stdout=out, stderr=subprocess.PIPE, timeout=600)
        self.assertEqual(r.returncode, 0, r.stderr)

    def run_python(self, name):
        """The recipe run in the test's folder; its variables."""
        found = {}
        cwd = os.getcwd()
        os.chdir(self.dir)
        try:
            exec(compile(recipe(name), name, "exec"), found)
        finally:
            os.chdir(cwd)
        return found

    def assertFrame(self, frame, count=len(TEXTS), files=()):
        self.assertEqual([str(frame[c].dtype) for c in ("index", "numero", "valeur")], ["int64"] * 3)
        self.assertEqual(list(frame["index"][:count]), list(range(count)))
        if files:
            self.assertEqual(list(frame["file"]), [f for f in files for _ in TEXTS])
            frame = frame[frame["file"] == files[-1]].reset_index()
        self.assertEqual([(n, v) for n, v in zip(frame["numero"][:count], frame["valeur"][:count])], NUMBERS[:count])
        self.assertEqual([t.encode("utf-8", "surrogateescape") for t in frame["tampon"][:count]], TEXTS[:count])

    @unittest.skipUnless(BUILT, "a build without libxlsxwriter")
    def test_pandas_reads_the_workbook(self):
        # A file's name with a control character, which the format escapes
        # as it does a text's, comes back as it is.
        for files in [("r.dat",), ("r.dat", "01", "02"), ("r.dat", "nom\x01été.dat")]:
            with self.subTest(files=files):
                self.listing("--xlsx", "r.xlsx", files)
                self.assertFrame(self.run_python("pandas-xlsx")["frame"], files=files[1:] and files)

    @unittest.skipUnless(BUILT and os.environ.get("ECRITURE_TWO_SHEETS") == "1", "the suite of two sheets")
    def test_pandas_reads_every_sheet(self):
        count = 1048576 + 10
        with open(self.path("r.dat"), "wb") as f:
            f.write(b"".join(record(*NUMBERS[k % len(TEXTS)], TEXTS[k % len(TEXTS)]) for k in range(count)))
        self.listing("--xlsx", "r.xlsx")
        frame = self.run_python("pandas-xlsx")["frame"]
        self.assertEqual(len(frame), count)
        self.assertEqual(list(frame["index"][-3:]), [count - 3, count - 2, count - 1])
        self.assertFrame(frame)

    def test_pandas_reads_the_csv(self):
        for files in [("r.dat",), ("r.dat", "01", "02")]:
            with self.subTest(files=files):
                self.listing("--csv", "r.csv", files)
                self.assertFrame(self.run_python("pandas-csv")["frame"], files=files[1:] and files)

    def test_pandas_reads_the_bytes_of_every_text(self):
        # With a text that is not UTF-8, which only bytes can carry.
        with open(self.path("r.dat"), "ab") as f:
            f.write(record(1, 2, b"caf\xe9"))
        self.listing(("--csv", "--hex"), "r.csv")
        self.assertEqual(list(self.run_python("pandas-hex")["frame"]["tampon"]), TEXTS + [b"caf\xe9"])

    @unittest.skipUnless(os.environ.get("ECRITURE_POSTGRESQL") == "1", "PostgreSQL's suite")
    def test_postgresql_stores_the_bytes_of_every_text(self):
        with open(self.path("r.dat"), "ab") as f:
            f.write(record(1, 2, b"caf\xe9"))
        self.listing(("--csv", "--hex"), "r.csv", ("r.dat", "01"))
        rows = common.postgresql(self.dir, recipe("postgresql-hex"),
                                 "SELECT file, \"index\", encode(tampon, 'hex') FROM records ORDER BY file DESC, \"index\"")
        self.assertEqual(rows, [b"%s|%d|%s" % (f, k, t.hex().encode()) for f in (b"r.dat", b"01")
                                for k, t in enumerate(TEXTS + [b"caf\xe9"])])

    def test_sqlite3_keeps_numbers_numbers(self):
        for name, files in [("sqlite3", ("r.dat",)), ("sqlite3-files", ("r.dat", "01", "02"))]:
            with self.subTest(recipe=name):
                if os.path.exists(self.path("r.db")):
                    os.unlink(self.path("r.db"))
                self.listing("--csv", "r.csv", files)
                r = subprocess.run(["sh", "-c", recipe(name)], cwd=self.dir, capture_output=True, timeout=60)
                self.assertEqual((r.returncode, r.stderr), (0, b""))
                query = "SELECT typeof(numero), typeof(valeur), max(valeur), hex(tampon), count(*) FROM records " \
                        "GROUP BY \"index\" ORDER BY numero"
                r = subprocess.run(["sqlite3", "r.db", query], cwd=self.dir, capture_output=True, timeout=60)
                rows = [line.split(b"|") for line in r.stdout.splitlines()]
                ordered = sorted(zip(NUMBERS, TEXTS))
                self.assertEqual(rows, [[b"integer", b"integer", b"%d" % v, t.hex().upper().encode(),
                                         b"%d" % len(files)] for (n, v), t in ordered])
        r = subprocess.run(["sqlite3", "r.db", "SELECT DISTINCT file FROM records"], cwd=self.dir, capture_output=True)
        self.assertEqual(r.stdout.split(), [b"r.dat", b"01", b"02"])

    @unittest.skipUnless(BUILT and os.environ.get("ECRITURE_LIBREOFFICE") == "1", "LibreOffice's suite")
    def test_libreoffice_keeps_utf8(self):
        self.listing("--xlsx", "r.xlsx")
        r = subprocess.run(["sh", "-c", "HOME=$PWD " + recipe("libreoffice")], cwd=self.dir, capture_output=True,
                           timeout=300)
        self.assertEqual(r.returncode, 0, r.stderr)
        with open(self.path("r-records.csv"), encoding="utf-8", newline="") as f:
            rows = list(csv.reader(f))
        self.assertEqual(rows[0], ["index", "numero", "valeur", "tampon"])
        # Calc's one change: a CR LF inside a text becomes LF.
        self.assertEqual([r[3].encode() for r in rows[1:]], [t.replace(b"\r\n", b"\n") for t in TEXTS])

    @unittest.skipUnless(os.environ.get("ECRITURE_POSTGRESQL") == "1", "PostgreSQL's suite")
    def test_postgresql_reads_several_files(self):
        self.listing("--csv", "r.csv", ("r.dat", "01"))
        rows = common.postgresql(self.dir, recipe("postgresql"),
                                 "SELECT file, \"index\", numero, valeur, encode(convert_to(tampon, 'UTF8'), 'hex') "
                                 "FROM records ORDER BY file DESC, \"index\"")
        self.assertEqual(rows, [b"%s|%d|%d|%d|%s" % (f, k, n, v, t.hex().encode()) for f in (b"r.dat", b"01")
                                for k, ((n, v), t) in enumerate(zip(NUMBERS, TEXTS))])

    def test_numpy_after_the_check(self):
        # The built lecture, where the recipe names the installed one.
        code = recipe("numpy").replace('["lecture", ', "[*LECTURE, ")
        found = {"LECTURE": LECTURE}
        cwd = os.getcwd()
        os.chdir(self.dir)
        try:
            exec(compile(code, "numpy", "exec"), found)
            self.assertEqual(found["texts"], TEXTS)
            self.assertEqual([(int(n), int(v)) for n, v in zip(found["records"]["numero"], found["records"]["valeur"])],
                             NUMBERS)
            # A file that ends in part of a record is not read.
            with open("r.dat", "ab") as f:
                f.write(b"part")
            with self.assertRaises(subprocess.CalledProcessError):
                exec(compile(code, "numpy", "exec"), {"LECTURE": LECTURE})
        finally:
            os.chdir(cwd)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1] + sys.argv[3:], verbosity=2)
