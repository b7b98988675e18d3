#!/usr/bin/env python3
"""Keeps the documents from drifting off the code: README.md stays a short
page, every file of src/ too, and every message and status text the
programs print appears in a manual page. Usage: docs_test.py SOURCE_DIR MAN_DIR (the configured pages)"""
import codecs
import os
import re
import subprocess
import sys
import unittest

SOURCE, MAN = (os.path.abspath(a) for a in sys.argv[1:3])
README_LINES = 200
SOURCE_LINES = 300
# The calls that print a message or a status line, and the format of a
# message said with a number in it.
CALL = re.compile(r"\b(PutMessage|PutSystemError|RefuseUsage|Warn|SayCount|PutLiteral|PutNumberLine|snprintf)\s*\(")
LITERAL = re.compile(r'"((?:[^"\\]|\\.)*)"')
CONSTANT = re.compile(r'constexpr char (k\w+)\[\] = ((?:"(?:[^"\\]|\\.)*"\s*)+);')
FORMAT = re.compile(r"%[a-z]+")


def arguments(text, start):
    """The text of a call's arguments, from its opening parenthesis."""
    depth, at = 0, start
    while True:
        c = text[at]
        if c == '"':
            at = LITERAL.match(text, at).end()
            continue
        depth += c == "("
        depth -= c == ")"
        at += 1
        if depth == 0:
            return text[start:at]


def decoded(literals):
    """The bytes of adjacent C literals, as the program prints them."""
    return codecs.escape_decode("".join(literals).encode("utf-8"))[0].decode("utf-8").strip()


def sources(named=False):
    """The text of every file under src/, its system folders included, or
    (name, text) pairs."""
    for folder, _, names in sorted(os.walk(os.path.join(SOURCE, "src"))):
        for name in sorted(names):
            with open(os.path.join(folder, name), encoding="utf-8") as f:
                yield (os.path.join(folder, name), f.read()) if named else f.read()


def message_texts():
    """Every message text of src/, the number of a format as a wildcard."""
    texts = set()
    for source in sources():
        constants = {m.group(1): LITERAL.findall(m.group(2)) for m in CONSTANT.finditer(source)}
        for call in CALL.finditer(source):
            args = arguments(source, call.end() - 1)
            # A message's own format is written into what; others format data.
            if call.group(1) == "snprintf" and not args.startswith("(what"):
                continue
            for group in re.findall(r'(?:"(?:[^"\\]|\\.)*"\s*)+', args):
                texts.add(decoded(LITERAL.findall(group)))
            for word in re.findall(r"\bk[A-Z]\w*", args):
                if word in constants and not word.endswith("Program"):
                    texts.add(decoded(constants[word]))
        # A message kept in a constant, handed back as the reason to stop.
        for returned in re.findall(r"\breturn\b[^;]*;", source):
            for word in re.findall(r"\bk[A-Z]\w*", returned):
                if word in constants:
                    texts.add(decoded(constants[word]))
    return {t for t in texts if t}


def manual_text(folder=MAN, pages=None):
    """The manual pages as a reader sees them, their lines joined."""
    shown = []
    for page in pages or sorted(os.listdir(folder)):
        if not re.search(r"\.[15]$", page):
            continue
        r = subprocess.run(["man", "-l", os.path.join(folder, page)], capture_output=True, check=True,
                           env=dict(os.environ, MANWIDTH="2000", MANROFFOPT="-rHY=0", MAN_KEEP_FORMATTING="",
                                    LC_ALL="C.UTF-8"))
        shown.append(re.sub(rb".\x08", b"", r.stdout).decode())
    text = " ".join(shown)
    for fancy, plain in [("\u2019", "'"), ("\u2010", "-"), ("\u2212", "-"), ("\u201c", '"'), ("\u201d", '"')]:
        text = text.replace(fancy, plain)
    return re.sub(r"\s+", " ", text)


def catalogue():
    """Each message of po/fr.po as its forms, (English, French) each: one,
    or a plural's two."""
    with open(os.path.join(SOURCE, "po", "fr.po"), encoding="utf-8") as f:
        entries = f.read().split("\n\n")
    pairs = []
    for entry in entries:
        strings = {k: codecs.escape_decode("".join(re.findall(r'"((?:[^"\\]|\\.)*)"', v)).encode())[0].decode()
                   for k, v in re.findall(r'^(msgid|msgid_plural|msgstr(?:\[\d\])?) ((?:".*"\n?)+)', entry, re.M)}
        if strings.get("msgid"):
            forms = [(strings["msgid"], strings.get("msgstr") or strings.get("msgstr[0]"))]
            if strings.get("msgid_plural"):
                forms.append((strings["msgid_plural"], strings["msgstr[1]"]))
            pairs.append(forms)
    return pairs


def pattern(text):
    """A message as a pattern of the pages' text: a number of a format and
    any run of blanks match as they may be shown."""
    # A page shows the no-break spaces of French typography as its own.
    text = text.replace("\u00a0", " ").replace("\u202f", " ")
    wanted = r"\s*\S+\s*".join(re.escape(part.strip()) for part in FORMAT.split(text.strip()))
    return wanted.replace(r"\ ", r"\s+")


def split_arguments(text):
    """A call's arguments, its parentheses left out, split at its own commas."""
    parts, depth, at, start = [], 0, 1, 1
    while at < len(text) - 1:
        c = text[at]
        if c == '"':
            at = LITERAL.match(text, at).end()
            continue
        depth += c in "({["
        depth -= c in ")}]"
        if c == "," and depth == 0:
            parts.append(text[start:at])
            start = at + 1
        at += 1
    return parts + [text[start:at]]


def texts_followed_by_more():
    """The message texts that the programs print before more words of their
    own (': reason', ': WORD'): those of PutMessage, Warn and RefuseUsage
    given what comes after them."""
    found = set()
    wanted = {"PutMessage": (5, 3), "Warn": (3, 1), "RefuseUsage": (3, 1)}
    for source in sources():
        for call in CALL.finditer(source):
            if call.group(1) not in wanted:
                continue
            args = split_arguments(arguments(source, call.end() - 1))
            count, what = wanted[call.group(1)]
            literals = LITERAL.findall(args[what]) if len(args) == count else []
            if literals and args[what].lstrip().startswith('"'):
                found.add(decoded(literals))
    return found


# The options a page names: --long ones, and -x ones standing alone.
OPTION = re.compile(r"(?<![\w-])(--[a-z][a-z-]*|-[a-zA-Z?])(?![\w-])")


class Documents(unittest.TestCase):
    def test_no_word_hyphenated(self):
        # At 80 and 110 columns, English and French: a line may end in a
        # hyphen only where the page has one (hand-over, lui-même), never in
        # a word cut by the formatter (enreg-istrement, --fol-low).
        for page in sorted(p for p in os.listdir(MAN) if re.search(r"\.[15]$", p)) + \
                sorted("fr/" + p for p in os.listdir(os.path.join(MAN, "fr")) if re.search(r"\.[15]$", p)):
            with open(os.path.join(MAN, page), encoding="utf-8") as f:
                source = f.read().replace("\\-", "-").replace("\\fB", "").replace("\\fR", "").replace("\\fI", "")
            for width in ["80", "110"]:
                r = subprocess.run(["man", "-l", os.path.join(MAN, page)], capture_output=True, check=True,
                                   env=dict(os.environ, MANWIDTH=width, MAN_KEEP_FORMATTING="", LC_ALL="C.UTF-8"))
                lines = re.sub(rb".\x08", b"", r.stdout).decode().replace("\u2010", "-").splitlines()
                for line, after in zip(lines, lines[1:]):
                    if re.search(r"\w-$", line) and after.split():
                        joined = line.split()[-1] + after.split()[0]
                        with self.subTest(page=page, width=width, line=line):
                            self.assertIn(joined.strip(".,;:()"), source)

    def test_french_as_the_french_write(self):
        # Every French text of the catalogue: a no-break space before : ; ? !
        # and % and inside « », never a plain one, and never none.
        for forms in catalogue():
            for english, french in forms:
                with self.subTest(english=english[:50]):
                    self.assertNotRegex(french, r"[^\S\u00a0\u202f][:;?!]|\S[;?!]|[^\s\u00a0\u202f%]%%|« | »")
                    self.assertNotRegex(french, r"[^\s\u00a0\u202f(]:(?!\\| |$)|\w: ")
        # Counts are grouped as the French write them, with a narrow no-break space.
        grouped = dict(forms[0] for forms in catalogue())
        self.assertEqual(grouped["GROUP SEPARATOR OF A COUNT'S DIGITS, OR NONE"], "\u202f")

    def test_french_pages_quote_the_programs_colons(self):
        # A message that goes on with a reason or a word is printed with a
        # no-break space before its colon in French: the page quotes it so
        # (\\ :), never with a bare colon.
        french = manual_text(os.path.join(MAN, "fr"))
        told = dict(forms[0] for forms in catalogue())
        texts = sorted(t for t in texts_followed_by_more() if told.get(t))
        self.assertGreater(len(texts), 8)
        bare = [told[t] for t in texts if re.search(pattern(told[t]) + ":", french)]
        self.assertEqual(bare, [], "French messages quoted with a bare colon before their reason")

    def test_every_source_file_is_short(self):
        # A module a reader sees whole: its steps bounded by .clang-tidy.
        long = [(name, n) for name, n in ((n, len(t.splitlines())) for n, t in sources(True)) if n > SOURCE_LINES]
        self.assertEqual(long, [])

    def test_readme_is_a_short_page(self):
        with open(os.path.join(SOURCE, "README.md"), encoding="utf-8") as f:
            lines = f.read().splitlines()
        self.assertLessEqual(len(lines), README_LINES)

    def test_every_message_is_in_a_manual_page(self):
        manual = manual_text()
        texts = message_texts()
        self.assertGreater(len(texts), 30)
        missing = []
        for text in sorted(texts):
            wanted = r"\s*\S+\s*".join(re.escape(part.strip()) for part in FORMAT.split(text))
            if not re.search(wanted.replace(r"\ ", r"\s+"), manual):
                missing.append(text)
        self.assertEqual(missing, [], "messages that no manual page tells")

    def test_french_pages_in_step(self):
        # Each page in French names the same options, and tells in French
        # each message its English page tells.
        pairs = catalogue()
        for page in ("ecriture.1", "lecture.1", "ecriture.5"):
            with self.subTest(page=page):
                english = manual_text(MAN, [page])
                french = manual_text(os.path.join(MAN, "fr"), [page])
                self.assertEqual(sorted(set(OPTION.findall(french))), sorted(set(OPTION.findall(english))))
                # A message of a few letters would be found in any text.
                told = [forms for forms in pairs if any(len(FORMAT.sub("", e).strip()) >= 12 and
                                                        re.search(pattern(e), english) for e, _ in forms)]
                self.assertEqual([forms for forms in told if not any(re.search(pattern(f), french)
                                                                     for _, f in forms)], [],
                                 "messages the French page does not tell")


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
