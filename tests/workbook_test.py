#!/usr/bin/env python3
"""Reads back what lecture --xlsx writes, as the people who analyse the
records get it: openpyxl for each cell's type and value, and LibreOffice
(when ECRITURE_LIBREOFFICE is 1) for what a spreadsheet makes of the
workbook. Without a workbook writer in the build (ECRITURE_XLSX not 1),
only the refusal is checked. Usage: workbook_test.py LECTURE [TEST...]"""
import csv
import io
import os
import pty
import struct
import re
import resource
import signal
import subprocess
import sys
import time
import unittest

import common

LECTURE = common.EMULATOR + [os.path.abspath(sys.argv[1])]
BUILT = os.environ.get("ECRITURE_XLSX") == "1"
HEADER = ["index", "numero", "valeur", "tampon"]
# What a spreadsheet would take for a formula, a number, a date or a
# boolean, controls, the format's own escapes, and bytes that are not UTF-8.
TEXTS = [b"=1+1", b"=SOMME(A1:A3)", b'=HYPERLINK("http://x","y")', b"00123", b"1,5", b"1e5", b"-42",
         b"12/03/2024", b"2024-03-12", b"VRAI", b"TRUE", b"@cmd", b"+33 6 12 34 56 78",
         "Été à Paris, œuvre".encode(), b"", b"  blanks around  ", b"tab\there", b"lf\nhere", b"cr\rhere", b"\x01\x1b[31m\x1f\x7f",
         "\u0085 C1 \u2028".encode(), b"_x0041_ and _X00e9_ _x005F_", "\ufffe\uffff".encode(), b"z" * 78,
         b"caf\xe9 \xff\xc3(", b"\xe2\x82"]


def record(numero, valeur, tampon):
    return struct.pack("<ii80s", numero, valeur, tampon)


def shown(text):
    """A text as its cell holds it: each byte that is not UTF-8 as U+FFFD."""
    return re.sub("[\udc80-\udcff]", "\ufffd", text.decode("utf-8", "surrogateescape"))


def peak_kib(proc):
    """The process's peak resident size, read from /proc until it ends: the
    peak that wait4() gives would count this interpreter's pages too."""
    peak = 0
    while proc.poll() is None:
        try:
            with open("/proc/%d/status" % proc.pid) as f:
                peak = int(re.search(r"VmHWM:\s+(\d+)", f.read()).group(1))
        except (OSError, AttributeError):
            break
        time.sleep(0.02)
    return peak


def cells(path):
    """Every sheet's rows, as (type, value) per cell, the format's _xHHHH_
    escapes read as the format defines them."""
    import openpyxl
    from openpyxl.utils.escape import unescape
    book = openpyxl.load_workbook(path)
    sheets = []
    for sheet in book:
        rows = [[(c.data_type, unescape(c.value) if c.data_type == "s" else c.value) for c in row]
                for row in sheet.iter_rows()]
        sheets.append((sheet.title, sheet.freeze_panes, sheet.auto_filter.ref, rows))
    return sheets


def number(v):
    return ("n", v)


def text(v):
    return ("s", v) if v else ("n", None)


@unittest.skipUnless(BUILT, "a build without libxlsxwriter")
class Cells(common.TempDirTest):
    def xlsx(self, *names, stdout=None):
        with open(self.path("out.xlsx"), "wb") as out:
            r = subprocess.run([*LECTURE, "--xlsx", *names], cwd=self.dir, stdout=stdout or out,
                               stderr=subprocess.PIPE, timeout=600)
        return common.text_mode(r.stderr), r.returncode

    def write(self, name, data):
        with open(self.path(name), "wb") as f:
            f.write(data)

    def test_every_value_exact_and_of_its_type(self):
        bounds = [(2147483647, -2147483648), (0, 0), (-1, 1)]
        data = b"".join(record(*bounds[k % 3], t) for k, t in enumerate(TEXTS))
        self.write("r.dat", data + struct.pack("<ii", 5, 6) + b"\xe9" * 80)
        said, status = self.xlsx("r.dat")
        self.assertEqual((said, status), (b"lecture: r.dat: record %d: text not terminated\n"
                                          b"lecture: 3 texts hold bytes that are not UTF-8, shown as U+FFFD in "
                                          b"the workbook\n" % len(TEXTS), 1))
        rows = [[number(k), number(bounds[k % 3][0]), number(bounds[k % 3][1]), text(shown(t))]
                for k, t in enumerate(TEXTS)]
        rows.append([number(len(TEXTS)), number(5), number(6), text("\ufffd" * 80)])
        self.maxDiff = None
        self.assertEqual(cells(self.path("out.xlsx")),
                         [("records", "A2", "A1:D%d" % (len(rows) + 1), [[text(h) for h in HEADER]] + rows)])

    def test_several_files_a_missing_one_and_trailing_bytes(self):
        self.write("a.dat", record(1, 2, b"a"))
        self.write("été.dat", record(3, 4, b"b") + b"xyz")
        said, status = self.xlsx("a.dat", "missing.dat", "été.dat")
        self.assertEqual(status, 2)
        self.assertRegex(said, "^lecture: missing.dat: [^\n]+\nlecture: été.dat: 3 trailing bytes\n$".encode())
        self.assertEqual(cells(self.path("out.xlsx")), [("records", "A2", "A1:E3", [
            [text(h) for h in ["file"] + HEADER], [text("a.dat"), number(0), number(1), number(2), text("a")],
            [text("été.dat"), number(0), number(3), number(4), text("b")]])])

    @unittest.skipIf(common.WINDOWS, "names of bytes that are not UTF-8 are POSIX's")
    def test_names_and_bytes_kept_apart(self):
        # Two stations whose names differ by a byte that is not UTF-8 stay
        # two, and said; with --hex each text is its bytes, nothing said.
        names = [b"station\xe9.dat", b"station\xe8.dat"]
        for k, name in enumerate(names):
            self.write(name.decode(errors="surrogateescape"), record(k, k, b"caf\xe9" if k else b"ok"))
        files = [n.decode(errors="surrogateescape") for n in names]
        said, status = self.xlsx(*files)
        self.assertEqual((said, status), (b"lecture: 1 text holds bytes that are not UTF-8, shown as U+FFFD in the "
                                          b"workbook\nlecture: 2 file names hold bytes that are not UTF-8, shown as "
                                          b"\\xHH in the workbook\n", 0))
        self.assertEqual([row[0] for row in cells(self.path("out.xlsx"))[0][3][1:]],
                         [text("station\\xe9.dat"), text("station\\xe8.dat")])
        said, status = self.xlsx("--hex", *files)
        self.assertEqual((said[:54], status), (b"lecture: 2 file names hold bytes that are not UTF-8, s", 0))
        self.assertEqual([row[4] for row in cells(self.path("out.xlsx"))[0][3][1:]], [text("6f6b"), text("636166e9")])

    def test_a_new_sheet_past_the_format_limit_in_flat_memory(self):
        count = 1048576 + 1000
        self.write("big.dat", b"".join(record(k, -k, b"t%d" % k) for k in range(count)))
        with open(self.path("out.xlsx"), "wb") as out:
            proc = subprocess.Popen([*LECTURE, "--xlsx", "big.dat"], cwd=self.dir, stdout=out)
            peak = peak_kib(proc)
        self.assertEqual(proc.wait(), 0)
        # An emulator's memory, or the sanitizers', is not the program's.
        if not common.EMULATOR and os.environ.get("ECRITURE_SANITIZED") != "1":
            self.assertLess(peak, 16 * 1024)
        import openpyxl
        book = openpyxl.load_workbook(self.path("out.xlsx"), read_only=True)
        first, second = book["records"], book["records 2"]
        # The first sheet full, every record after it in the second, under the header again.
        self.assertEqual(first.max_row, 1048576)
        rows = list(second.iter_rows(values_only=True))
        self.assertEqual(rows[0], tuple(HEADER))
        self.assertEqual(rows[1:], [(k, k, -k, "t%d" % k) for k in range(1048575, count)])

    def test_refused_with_nothing_written(self):
        self.write("r.dat", record(1, 2, b"x"))
        for args, why in [(["--follow"], b"--follow and --xlsx exclude each other"),
                          (["--csv"], b"--xlsx and --csv exclude each other"),
                          (["--check"], b"--xlsx and --check exclude each other")]:
            with self.subTest(args=args):
                r = subprocess.run([*LECTURE, "--xlsx", *args, "r.dat"], cwd=self.dir, capture_output=True,
                                   timeout=60)
                self.assertEqual((r.stdout, r.returncode), (b"", 2))
                self.assertTrue(common.text_mode(r.stderr).startswith(b"lecture: " + why + b"\nusage: "))

    @unittest.skipIf(common.WINDOWS or not BUILT, "a file size limit is POSIX's")
    def test_a_full_scratch_folder_said_in_one_line(self):
        # The workbook's scratch files cannot grow past 8 KiB, as in a full
        # folder: one line of lecture's, with the system's reason, and no
        # workbook; none of the library's own lines.
        self.write("r.dat", b"".join(record(k, k, b"text %d" % k) for k in range(3000)))

        def limited():
            resource.setrlimit(resource.RLIMIT_FSIZE, (8192, 8192))
            signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
        r = subprocess.run([*LECTURE, "--xlsx", "r.dat"], cwd=self.dir, capture_output=True, timeout=120,
                           preexec_fn=limited)
        self.assertEqual((r.stdout, r.stderr, r.returncode), (b"", b"lecture: cannot write the workbook: File too large\n", 2))

    @unittest.skipIf(common.WINDOWS, "a terminal under wine is wine's console")
    def test_refused_at_a_terminal(self):
        self.write("r.dat", record(1, 2, b"x"))
        leader, follower = pty.openpty()
        r = subprocess.run([*LECTURE, "--xlsx", "r.dat"], cwd=self.dir, stdout=follower, stderr=subprocess.PIPE,
                           timeout=60)
        os.close(follower)
        os.close(leader)
        self.assertEqual(r.returncode, 2)
        self.assertTrue(r.stderr.startswith(b"lecture: --xlsx writes a binary workbook: redirect standard "
                                            b"output to a file\n"))

    def test_set_to_print_as_a_table(self):
        # Landscape on A4, one page wide, the header on every page, the text
        # column wide enough for 78 characters.
        self.write("r.dat", record(1, 2, b"W" * 78))
        self.assertEqual(self.xlsx("r.dat"), (b"", 0))
        import openpyxl
        sheet = openpyxl.load_workbook(self.path("out.xlsx"))["records"]
        setup = sheet.page_setup
        self.assertEqual((setup.orientation, setup.paperSize, setup.fitToWidth or 1, setup.fitToHeight,
                          sheet.sheet_properties.pageSetUpPr.fitToPage, sheet.print_title_rows),
                         ("landscape", 9, 1, 0, True, "$1:$1"))
        self.assertGreaterEqual(sheet.column_dimensions["D"].width, 80)

    @unittest.skipUnless(os.environ.get("ECRITURE_LIBREOFFICE") == "1", "LibreOffice's suite")
    def test_libreoffice_prints_a_table(self):
        # Each page holds whole rows under the header, every text whole.
        self.write("r.dat", b"".join(record(k, -k, b"W" * 76 + b"%02d" % k) for k in range(80)))
        self.assertEqual(self.xlsx("r.dat"), (b"", 0))
        r = subprocess.run(["soffice", "-env:UserInstallation=file://" + self.path("profile"), "--headless",
                            "--convert-to", "pdf", "--outdir", self.path("pdf"), self.path("out.xlsx")],
                           capture_output=True, timeout=300)
        self.assertEqual(r.returncode, 0, r.stderr)
        pages = subprocess.run(["pdftotext", "-layout", self.path("pdf/out.pdf"), "-"], capture_output=True,
                               timeout=60, check=True).stdout.decode().split("\f")
        pages = [p for p in pages if p.strip()]
        self.assertGreater(len(pages), 1)
        rows = []
        for page in pages:
            lines = [line.split() for line in page.splitlines() if line.strip()]
            self.assertEqual(lines[0], HEADER)
            rows += lines[1:]
        self.assertEqual(rows, [[str(k), str(k), str(-k), "W" * 76 + "%02d" % k] for k in range(80)])

    @unittest.skipUnless(os.environ.get("ECRITURE_LIBREOFFICE") == "1", "LibreOffice's suite")
    def test_libreoffice_reads_back_every_text(self):
        self.write("r.dat", b"".join(record(k, -k, t) for k, t in enumerate(TEXTS)))
        self.assertEqual(self.xlsx("r.dat"), (b"lecture: 2 texts hold bytes that are not UTF-8, shown as U+FFFD in "
                                              b"the workbook\n", 0))
        # All text cells quoted: a number unquoted is a number cell.
        r = subprocess.run(["soffice", "-env:UserInstallation=file://" + self.path("profile"), "--headless",
                            "--convert-to", "csv:Text - txt - csv (StarCalc):44,34,76,1,,0,true", "--outdir",
                            self.path("csv"), self.path("out.xlsx")], capture_output=True, timeout=300)
        self.assertEqual(r.returncode, 0, r.stderr)
        with open(self.path("csv/out.csv"), "rb") as f:
            listed = f.read().decode()
        quoted = lambda t: '"%s"' % t.replace('"', '""') if t else ""
        self.assertEqual(listed, "".join("%s\n" % ",".join(row) for row in [[quoted(h) for h in HEADER]] + [
            [str(k), str(k), str(-k), quoted(shown(t))] for k, t in enumerate(TEXTS)]))


@unittest.skipIf(BUILT, "a build with libxlsxwriter")
class WithoutWriter(common.TempDirTest):
    def test_said_and_refused(self):
        r = subprocess.run([*LECTURE, "--xlsx", "r.dat"], cwd=self.dir, capture_output=True, timeout=60)
        self.assertEqual((r.stdout, r.returncode), (b"", 2))
        self.assertTrue(common.text_mode(r.stderr).startswith(
            b"lecture: --xlsx: this lecture was built without libxlsxwriter\nusage: "))


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1] + sys.argv[2:], verbosity=2)
