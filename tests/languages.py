#!/usr/bin/env python3
"""The programs in the user's language: each run of a set that provokes the
programs' messages, usage errors and help is made in the C locale, in
en_US.UTF-8 and in fr_FR.UTF-8 (locales made by localedef into a folder of
the test's own, so that nothing of the machine changes; under wine, its
French). In English the output is the same as in C; in French every message
is French and none of its English texts is left, while the dialogue and its
three status lines, the listings and the statuses stay the same bytes.

    languages.py ECRITURE LECTURE CATALOGUE_PO"""
import os
import re
import struct
import subprocess
import sys
import tempfile
import unittest

import common

ECRITURE, LECTURE, PO = (os.path.abspath(a) for a in sys.argv[1:4])
WINDOWS = common.WINDOWS
# The dialogue's own lines, which no locale changes.
STATUS = re.compile(rb"^(Ouverture reussie |Echec Ouverture|\d+ Bytes \xc3\xa9crits)$")


def catalogue():
    """(English, French) of every entry of the catalogue, plurals' forms too."""
    with open(PO, encoding="utf-8") as f:
        text = f.read()
    pairs = []
    for entry in text.split("\n\n"):
        strings = {}
        for key, value in re.findall(r'^(msgid|msgid_plural|msgstr(?:\[\d\])?) ((?:".*"\n?)+)', entry, re.M):
            strings[key] = "".join(re.findall(r'"((?:[^"\\]|\\.)*)"', value)).encode().decode("unicode_escape")
        if strings.get("msgid"):
            pairs.append((strings["msgid"], strings.get("msgstr", strings.get("msgstr[0]", ""))))
            if "msgid_plural" in strings:
                pairs.append((strings["msgid_plural"], strings["msgstr[1]"]))
    return [(e.encode("latin-1").decode("utf-8"), f.encode("latin-1").decode("utf-8")) for e, f in pairs]


def english_words(pairs):
    """The pieces of each English text, between its formats, of 10
    characters or more, that its French text does not hold."""
    pieces = set()
    for english, french in pairs:
        for piece in re.split(r"%[-+ #0-9.]*(?:l{0,2}|z)[a-z%]|\n", english):
            piece = piece.strip(" :,;.")
            if len(piece) >= 10 and piece not in french:
                pieces.add(piece)
    return pieces


def record(numero, valeur, tampon):
    return struct.pack("<ii80s", numero, valeur, tampon)


def ecriture(args=(), stdin=b"", files=None):
    return ("ecriture", [ECRITURE, *args], stdin, files or {})


def lecture(*args, stdin=b"", files=None):
    return ("lecture", [LECTURE, *args], stdin, files or {})


TYPED = b"r.dat\n" + b"9" * 100 + b"\n2\n" + b"t" * 100 + b"\ny\n1\n2\nab\0c\ny\n5\n"
RUNS = [
    ecriture(["--help"]), ecriture(["-x"]), ecriture(["-dash2.dat"]), ecriture(["a.dat", "b.dat"]),
    ecriture(["--version", "a.dat"]), ecriture(stdin=b""), ecriture(stdin=b"nodir/x.dat\n1\n2\nabc\nn\n"),
    ecriture(stdin=b"ab\0c\n"), ecriture(stdin=TYPED), ecriture(stdin=TYPED.replace(b"\n", b"\r\n")),
    ecriture(["old.dat"], b"1\n2\nabc\nn\n", {"old.dat": b"hello"}),
    lecture("--help"), lecture("-x"), lecture(), lecture("--csv", "--json", "a"), lecture("--offset", "x", "a"),
    lecture("-n", "x", "a"), lecture("--follow", "a", "b"), lecture("-f", "-"), lecture("--follow", "--check", "a"),
    lecture("--version", "a"),
    lecture("--check", "junk", "cut", "missing", "one",
            files={"junk": b"\xff" * 88 * 12, "cut": record(1, 1, b"a") + b"x" * 40,
                   "one": record(1, 1, b"a") + b"x"}),
    lecture("cut", "--offset=500", files={"cut": record(1, 1, b"a") + b"x" * 40}),
    lecture("-n", "1", "-", stdin=record(1, 1, b"a")),
    lecture("--check", "--offset=1000", "cut", files={"cut": record(1, 1, b"a")}),
]
if not WINDOWS:
    RUNS += [ecriture(stdin=b"/dev/full\n1\n2\na\nn\n"), ecriture(["/dev/stdout"], stdin=b"")]
if os.environ.get("ECRITURE_XLSX") == "1":
    RUNS.append(lecture("--xlsx", "bad", files={"bad": record(1, 1, b"caf\xe9") + record(2, 2, b"\xff")}))


def environment(language, folder):
    """The environment of a run in the language, as a user's session has it."""
    env = {k: v for k, v in os.environ.items() if not k.startswith(("LC_", "LANG", "LOCPATH"))}
    # A workbook holds the time it was made: fixed, so that two runs'
    # workbooks are the same bytes whenever each one ran.
    env["SOURCE_DATE_EPOCH"] = "1700000000"
    if language == "C":
        env["LC_ALL"] = "C"
    else:
        env["LANG"] = language
        env["LOCPATH"] = folder
    return env


def emulated(language, command):
    """The command through the emulator, wine in the language: it takes it
    from the environment its env command gives it."""
    if not common.EMULATOR:
        return command
    words = [w for w in common.EMULATOR if not w.startswith(("LANG=", "LC_ALL="))]
    words[1:1] = ["LANG=" + language, "LC_ALL=" + language]
    return words + command


class Languages(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls._locales = tempfile.TemporaryDirectory()
        cls.locales = cls._locales.name
        for name, source in [("fr_FR.UTF-8", "fr_FR"), ("en_US.UTF-8", "en_US")]:
            r = subprocess.run(["localedef", "-i", source, "-f", "UTF-8", os.path.join(cls.locales, name)],
                               capture_output=True)
            if not os.path.exists(os.path.join(cls.locales, name, "LC_MESSAGES")):
                raise AssertionError("not run: localedef cannot make %s (install locales): %r" % (name, r.stderr))
        cls.pairs = catalogue()
        cls.english = english_words(cls.pairs)

    @classmethod
    def tearDownClass(cls):
        cls._locales.cleanup()

    def run_in(self, language, run):
        program, command, stdin, files = run
        with tempfile.TemporaryDirectory() as cwd:
            for name, data in files.items():
                with open(os.path.join(cwd, name), "wb") as f:
                    f.write(data)
            env = environment(language, self.locales)
            for _ in range(3):
                r = subprocess.run(emulated(language, command), cwd=cwd, input=stdin, capture_output=True, env=env,
                                   timeout=120)
                # Wine, starting in a language new to its prefix, may end a
                # run before it starts, silently: the programs never end
                # with 1 without a word.
                if not (common.EMULATOR and (r.returncode, r.stdout, r.stderr) == (1, b"", b"")):
                    break
            # A workbook is binary, and not text mode's.
            out = r.stdout if "--xlsx" in command else common.text_mode(r.stdout)
            return r.returncode, out, common.text_mode(r.stderr)

    def test_counts_grouped_as_the_language_writes_them(self):
        # 1 234 in French, with a narrow no-break space; 1234 in English, as
        # in C; the indexes of a listing never.
        run = lecture("--check", "big", files={"big": record(1, 1, b"t") * 1234 + b"x" * 40})
        self.assertEqual(self.run_in("C", run)[1], b"big: 1234 records, 40 trailing bytes\n")
        self.assertEqual(self.run_in("fr_FR.UTF-8", run)[1],
                         "big: 1\u202f234 enregistrements, 40 octets en trop à la fin\n".encode())
        listed = self.run_in("fr_FR.UTF-8", lecture("-n", "1", "big", files=run[3]))[1]
        self.assertTrue(listed.endswith(b"\n1233\t1\t1\tt\n"), listed)

    def test_english_as_in_c(self):
        for run in RUNS:
            with self.subTest(run=run[1][1:], stdin=run[2][:20]):
                self.assertEqual(self.run_in("en_US.UTF-8", run), self.run_in("C", run))

    def test_french_but_the_dialogue(self):
        for run in RUNS:
            with self.subTest(run=run[1][1:], stdin=run[2][:20]):
                status, out, err = self.run_in("C", run)
                fr_status, fr_out, fr_err = self.run_in("fr_FR.UTF-8", run)
                self.assertEqual(fr_status, status)
                help_shown = "--help" in run[1]
                if not help_shown and run[0] == "ecriture":
                    self.assertEqual(fr_out, out)
                lines, fr_lines = err.splitlines(), fr_err.splitlines()
                self.assertEqual(len(fr_lines), len(lines), fr_err)
                # The usage and the help fit an 80-column terminal, in both.
                for line in (lines + fr_lines + (out + fr_out).splitlines()) if status == 2 or help_shown else []:
                    if not line.startswith((b"lecture: ", b"ecriture: ")):
                        self.assertLessEqual(len(line.decode("utf-8", "replace")), 80, line)
                for line, fr_line in zip(lines, fr_lines):
                    if STATUS.match(line):
                        self.assertEqual(fr_line, line)
                    else:
                        self.assertNotEqual(fr_line, line, "a message left in English")
                # A workbook is binary: its texts are the records'.
                shown = ((fr_out if "--xlsx" not in run[1] else b"") + fr_err).decode("utf-8")
                self.assertEqual([w for w in sorted(self.english) if w in shown], [], shown)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
