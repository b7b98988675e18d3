#!/usr/bin/env python3
"""Runs the built capture program in a temporary directory with piped input
and compares standard output, standard error, the exit status and the file's
bytes. Usage: end_to_end.py PATH_TO_ECRITURE"""
import fcntl
import os
import re
import resource
import signal
import socket
import struct
import subprocess
import sys
import termios
import time
import unittest

import common
from common import (ANOTHER, FAILED, NAME_PROMPT, OPENED, POSIX_ONLY, PROMPTS, SEPARATOR, TRY, USAGE, WINDOWS,
                    TempDirTest, position, run, session, text_mode, written)

def fit(text):
    """The longest start of a valid UTF-8 text that holds in 78 bytes."""
    kept = b""
    for char in text.decode():
        if len(kept) + len(char.encode()) > 78:
            break
        kept += char.encode()
    return kept


class Dialogue(TempDirTest):
    def test_sample_run(self):
        r = run(self.dir, b"records.dat\n12\n-3\nabc\nn\n")
        self.assertEqual(r.stdout, NAME_PROMPT + b"Position actuelle dans le fichier 0\n"
                         b"Saisie numero :Saisie valeur :Saisie Tampon :12\n-3\nabc\n"
                         b"-----------------------\nEncoder un autre (Y/N) ?)")
        self.assertEqual(r.stderr, "Ouverture reussie \n88 Bytes écrits\n".encode())
        self.assertEqual(r.returncode, 0)
        self.assertEqual(self.read("records.dat"),
                         bytes.fromhex("0c000000 fdffffff 616263") + bytes(77))

    def test_answers_that_go_on_and_that_stop(self):
        going = [b"y", b"Y", b"yes", b"Yes please"]
        for k, stop in enumerate([b"n", b"N", b"o", b"", b" y", b"\0y"]):
            with self.subTest(stop=stop):
                records = [(i, -i, b"text %d" % i) for i in range(len(going) + 1)]
                self.check_session(b"answers%d" % k, records, going + [stop + b"\nmore\ninput\n"])

    def test_stale_tail_and_extremes(self):
        self.check_session(b"r.dat", [(2147483647, -2147483648, b"abcdef"), (0, 0, b"xy"),
                                      (1, 1, b""), (7, 7, "été ✓".encode())])
        self.assertEqual(self.read("r.dat")[88 + 8:88 + 16], b"xy\0\0ef\0\0")

    def test_appends_after_existing_odd_length_file(self):
        with open(self.path("old.dat"), "wb") as f:
            f.write(b"hello")
        self.check_session(b"old.dat", [(1, 2, b"a"), (3, 4, b"b")], prefix=b"hello")
        first = self.read("old.dat")
        self.check_session(b"old.dat", [(5, 6, b"c")], prefix=first)

    def test_unparsable_numbers(self):
        r = run(self.dir, b"f\n0x1A\n  42abc\nt\nn\n")
        self.assertIn(b"0\n42\nt\n", r.stdout)
        self.assertEqual(self.read("f")[:8], bytes.fromhex("00000000 2a000000"))

    def test_long_answers_cut_and_said(self):
        # An answer longer than its field never answers the next prompt.
        sentence = "Réunion du comité: relevés de l'année à vérifier, pièces jointes comprises".encode()
        a77 = b"a" * 77
        texts = [(b"t" * 78, b"t" * 78), (b"u" * 79, b"u" * 78), (a77 + "été".encode(), a77),
                 (sentence + b" x", fit(sentence)), (b"v" * 80 + b" Y compris les annexes", b"v" * 78)]
        # Bytes that are not UTF-8 are cut as bytes; Windows reads them in
        # the ANSI code page.
        texts += [] if WINDOWS else [(b"\xff" * 100, b"\xff" * 78)]
        numbers = [(b"7", 7), (b" " * 77 + b"42", 42), (b"  -5" + b"x" * 100, -5), (b"9" * 120, 2147483647)]
        cases = list(zip((numbers * 2)[:len(texts)], (numbers[1:] + numbers)[:len(texts)], texts))
        _, out, _, data = session(b"r.dat", [(n[1], v[1], t[1]) for n, v, t in cases])
        stdin, said = [b"r.dat\n"], [OPENED]
        for k, (n, v, t) in enumerate(cases):
            stdin.append(b"%s\n%s\n%s\n%s\n" % (n[0], v[0], t[0], b"y" if k + 1 < len(cases) else b"n"))
            said += [b"ecriture: number line longer than 79 bytes: the rest of it is dropped\n"] * \
                ((len(n[0]) > 79) + (len(v[0]) > 79))
            said += [b"ecriture: text longer than 78 bytes: cut to %d bytes\n" % len(t[1])] * (len(t[0]) > 78)
            said.append(written(88))
        r = run(self.dir, b"".join(stdin))
        self.assertEqual((r.stdout, r.stderr, r.returncode), (out, b"".join(said), 0))
        self.assertEqual(self.read("r.dat"), data)

    def test_typed_name_taken_whole(self):
        # A name far past 78 bytes names its file; one past what the system
        # takes is refused, and nothing is created.
        for name, status in [(b"n" * 200 + b".dat", 0), (b"m" * 5000, 1)]:
            with self.subTest(length=len(name)):
                r = run(self.dir, name + b"\n1\n2\nabc\nn\n")
                self.assertEqual(r.returncode, status)
                if status:
                    self.assertRegex(r.stderr, rb"^ecriture: m+\.\.\.: [^\n]+\nEchec Ouverture\n$")
                    self.assertNotIn(b"Saisie", r.stdout)
                else:
                    self.assertEqual(r.stderr, OPENED + written(88))
        self.assertEqual(os.listdir(self.dir), ["n" * 200 + ".dat"])

    @unittest.skipIf(WINDOWS, "Windows drops a name's last blanks, and refuses a tab")
    def test_blanks_around_a_name_kept_and_said(self):
        # Kept as typed, as the names may hold them, but a person is told.
        for typed in [b"clients.dat ", b"\tclients.dat", b"clients.dat"]:
            with self.subTest(typed=typed):
                r = run(self.dir, typed + b"\n1\n2\nabc\nn\n")
                said = b"ecriture: %s: the name begins or ends with a blank, kept as typed\n" % typed.replace(
                    b"\t", b"\\x09")
                self.assertEqual((r.stderr, r.returncode), (OPENED + said * (typed != b"clients.dat") + written(88), 0))
        self.assertEqual(sorted(os.listdir(self.dir)), sorted(["\tclients.dat", "clients.dat", "clients.dat "]))

    @unittest.skipIf(WINDOWS or common.EMULATOR, "strace traces a native Linux run")
    def test_echo_before_its_report_at_a_terminal(self):
        # A person at a terminal whose dialogue goes through a pipe, as
        # ecriture f.dat | tee dialogue.log has it: the echo is written
        # before the report, as the dialogue shows them.
        leader, follower = os.openpty()
        # LeakSanitizer cannot work under strace's ptrace.
        env = dict(os.environ, ASAN_OPTIONS=os.environ.get("ASAN_OPTIONS", "") + ":detect_leaks=0")
        proc = subprocess.Popen(["strace", "-qq", "-e", "trace=write", "-o", "trace", *common.PROGRAM, "t.dat"],
                                cwd=self.dir, stdin=follower, stdout=subprocess.PIPE, stderr=follower, env=env)
        os.close(follower)
        os.write(leader, b"1\n2\nabc\nn\n")
        out = proc.stdout.read()
        self.assertEqual(proc.wait(60), 0)
        os.close(leader)
        self.assertIn(b"abc\n", out)
        with open(self.path("trace")) as f:
            writes = [line for line in f if re.match(r"write\([12],", line)]
        echo = next(k for k, line in enumerate(writes) if line.startswith("write(1,") and "abc\\n" in line)
        report = next(k for k, line in enumerate(writes) if "Bytes" in line)
        self.assertLess(echo, report)

    @unittest.skipIf(WINDOWS, "text mode drops the CR of a CRLF line end")
    def test_carriage_return_kept_and_said(self):
        # Kept in a text, as the classic version kept it, dropped from the
        # typed name as Windows drops it, and said once, at the end.
        said = b"ecriture: answers end in CR LF: %s (convert the file first: sed -i 's/\\r$//' FILE)\n"
        cut = b"ecriture: text longer than 78 bytes: cut to 78 bytes\n"
        for typed, name, end, text in [
                (b"cr.dat\r\n1\n2\nabc\r\nn\n", "cr.dat",
                 written(88) + said % b"the file name's CR is dropped, the texts keep theirs", b"abc\r"),
                (b"kept.dat\n1\n2\nabc\r\nn\n", "kept.dat", written(88) + said % b"the CR is kept in the texts",
                 b"abc\r"),
                (b"lf.dat\n1\n2\nab\rc\nn\n", "lf.dat", written(88), b"ab\rc"),
                # Only what happened is said: a text of 78 bytes fit, its
                # CR was its line end; a longer one was cut, CR and all.
                (b"fit.dat\n3\n4\n" + b"b" * 78 + b"\r\nn\n", "fit.dat", written(88), b"b" * 78),
                (b"long.dat\r\n3\n4\n" + b"b" * 90 + b"\r\nn\n", "long.dat", cut + written(88), b"b" * 78)]:
            with self.subTest(typed=typed):
                r = run(self.dir, typed)
                self.assertEqual((r.stderr, r.returncode), (OPENED + end, 0))
                self.assertEqual(self.read(name)[8:9 + len(text)], text + b"\0")

    @unittest.skipIf(WINDOWS, "wine cannot tell which file a standard handle writes to")
    def test_one_log_in_the_dialogue_s_order(self):
        # Standard output and standard error one pipe, or one file: each
        # report after its record's echo, each note after its prompt, as a
        # terminal shows them; their bytes are the two streams' own.
        stdin, out, err, data = session(b"r.dat", [(1, 2, b"a"), (3, 4, b"t" * 90), (5, 6, b"b")])
        number = b"ecriture: number line longer than 79 bytes: the rest of it is dropped\n"
        log = NAME_PROMPT + OPENED + position(0) + PROMPTS + b"1\n2\na\n" + SEPARATOR + written(88) + ANOTHER + \
            position(88) + b"Saisie numero :Saisie valeur :" + number + b"Saisie Tampon :" + \
            b"ecriture: text longer than 78 bytes: cut to 78 bytes\n" + b"3\n4\n" + b"t" * 78 + b"\n" + SEPARATOR + \
            written(88) + ANOTHER + position(176) + b"Saisie numero :" + number + b"Saisie valeur :Saisie Tampon :" + \
            b"5\n6\nb\n" + SEPARATOR + written(88) + ANOTHER
        stdin = stdin.replace(b"t" * 78, b"t" * 90).replace(b"\n4\n", b"\n4" + b" " * 90 + b"\n")
        stdin = stdin.replace(b"\n5\n", b"\n5" + b" " * 90 + b"\n")
        for into in ["pipe", "file"]:
            with self.subTest(into=into):
                if os.path.exists(self.path("r.dat")):
                    os.unlink(self.path("r.dat"))
                with open(self.path("log"), "w+b") as f:
                    r = subprocess.run(common.PROGRAM, input=stdin, cwd=self.dir, timeout=60, stderr=subprocess.STDOUT,
                                       stdout=subprocess.PIPE if into == "pipe" else f)
                    f.seek(0)
                    shown = r.stdout if into == "pipe" else f.read()
                self.assertEqual((text_mode(shown), r.returncode), (log, 0))
                self.assertEqual(self.read("r.dat")[:8], data[:8])


class EndOfInput(TempDirTest):
    def test_no_file_name(self):
        r = run(self.dir, b"")
        self.assertEqual((r.stdout, r.stderr, r.returncode),
                         (NAME_PROMPT, b"ecriture: the input ended before a file name was typed\n" + FAILED, 1))
        self.assertEqual(os.listdir(self.dir), [])

    def test_inside_a_record(self):
        # Where a record would start, the input may end; after some of its
        # lines, the record cut short is said, and the run failed.
        head = NAME_PROMPT + position(0)
        cut = OPENED + b"ecriture: the input ended inside a record; it was not written\n"
        for typed, prompts, said, status in [(b"", b"Saisie numero :", OPENED, 0),
                                             (b"12\n", b"Saisie numero :Saisie valeur :", cut, 255),
                                             (b"12\n-3\n", PROMPTS, cut, 255), (b"5\n6", PROMPTS, cut, 255)]:
            with self.subTest(typed=typed):
                r = run(self.dir, b"records.dat" + b"\n" * bool(typed) + typed)
                self.assertEqual((r.stdout, r.stderr, r.returncode), (head + prompts, said, status))
                self.assertEqual(self.read("records.dat"), b"")

    def test_last_text_without_line_end(self):
        r = run(self.dir, b"records.dat\n12\n-3\nabc")
        self.assertEqual((r.stderr, r.returncode), (OPENED + written(88), 0))
        self.assertTrue(r.stdout.endswith(b"abc\n" + SEPARATOR + ANOTHER))
        self.assertEqual(self.read("records.dat")[8:12], b"abc\0")

    def test_at_the_answer(self):
        stdin, out, err, data = session(b"records.dat", [(1, 2, b"x")], [b""])
        r = run(self.dir, stdin[:-1])
        self.assertEqual((r.stdout, r.stderr, r.returncode), (out, err, 0))
        self.assertEqual(self.read("records.dat"), data)


class Edges(TempDirTest):
    def test_nul_in_an_answer(self):
        # A text keeps what comes before its NUL; a name cannot hold one.
        dropped = b"ecriture: text holds a NUL byte: the rest of its line is dropped\n"
        stdin, out, _, data = session(b"t.dat", [(1, 2, b"hello")])
        r = run(self.dir, stdin.replace(b"hello\n", b"hello\0world\n"))
        self.assertEqual((r.stdout, r.stderr, r.returncode), (out, OPENED + dropped + written(88), 0))
        self.assertEqual(self.read("t.dat"), data)
        r = run(self.dir, b"ab\0c.dat\n1\n2\nx\nn\n")
        self.assertEqual((r.stderr, r.returncode), (b"ecriture: file name holds a NUL byte\n" + FAILED, 1))
        self.assertEqual(sorted(os.listdir(self.dir)), ["t.dat"])

    def test_byte_order_mark_before_the_first_answer(self):
        # As a file saved on Windows begins: left out on every system.
        stdin, out, err, data = session(b"bom.dat", [(7, 8, b"x")])
        for args, given in [([], stdin), (["bom.dat"], stdin[len(b"bom.dat\n"):])]:
            with self.subTest(args=args):
                r = run(self.dir, b"\xef\xbb\xbf" + given, args)
                self.assertEqual(r.returncode, 0)
                self.assertEqual(self.read("bom.dat"), data)
                os.unlink(self.path("bom.dat"))

    @POSIX_ONLY
    def test_a_reader_that_goes_away(self):
        # The records are all stored and flushed; the lost dialogue fails the run.
        stdin, _, err, data = session(b"r.dat", [(k, k, b"record %d" % k) for k in range(3000)])
        with open(self.path("in"), "wb") as f:
            f.write(stdin)
        with open(self.path("in"), "rb") as f:
            proc = subprocess.Popen(common.PROGRAM, cwd=self.dir, stdin=f, stdout=subprocess.PIPE,
                                    stderr=subprocess.PIPE)
        self.assertEqual(len(proc.stdout.read(10)), 10)
        proc.stdout.close()
        said = proc.stderr.read()
        proc.stderr.close()
        self.assertEqual((proc.wait(60), said), (255, err + b"ecriture: write error on standard output: Broken pipe\n"))
        self.assertEqual(self.read("r.dat"), data)

    @POSIX_ONLY
    def test_standard_input_closed(self):
        for args in [[], ["x.dat"]]:
            with self.subTest(args=args):
                r = subprocess.run(["sh", "-c", 'exec "$@" <&-', "sh", *common.PROGRAM, *args], cwd=self.dir,
                                   capture_output=True, timeout=60)
                self.assertEqual((r.stdout, r.stderr, r.returncode),
                                 (b"", b"ecriture: read error on standard input: Bad file descriptor\n", 255))
                self.assertEqual(os.listdir(self.dir), [])

    @POSIX_ONLY
    def test_record_file_that_is_the_terminal(self):
        # /dev/tty names the terminal the run belongs to, whatever its streams.
        leader, follower = os.openpty()

        def take_terminal():
            os.setsid()
            fcntl.ioctl(follower, termios.TIOCSCTTY, 0)
        r = subprocess.run([*common.PROGRAM, "/dev/tty"], input=b"1\n2\nabc\nn\n", capture_output=True,
                           timeout=60, preexec_fn=take_terminal)
        os.close(follower)
        shown = common.drain(leader)
        self.assertEqual((r.stdout, r.stderr, r.returncode, shown),
                         (b"", b"ecriture: /dev/tty: is the terminal\n" + FAILED, 1, b""))


class Failures(TempDirTest):
    def test_failed_opens(self):
        os.mkdir(self.path("adir"))
        for name, reason in [(b"missing/records.dat", b"No such file or directory"), (b"adir", b"Is a directory"),
                             (b".", b"Is a directory"), (b"x" * 300, b"File name too long")]:
            with self.subTest(name=name):
                for args, stdin, prompt in [([], name + b"\n", NAME_PROMPT), ([name.decode()], b"", b"")]:
                    # wine once lost a run's whole standard error in CI:
                    # a run that says nothing at all is made again.
                    for _ in range(3 if WINDOWS else 1):
                        r = run(self.dir, stdin + b"1\n2\nabc\nn\n", args)
                        if r.stderr:
                            break
                    self.assertEqual((r.stdout, r.returncode), (prompt, 1))
                    # The reason is the system's own, in its language on Windows,
                    # but for a folder, which Windows calls access denied.
                    said = re.escape(b"ecriture: " + name + b": ") + (
                        b"is a folder" if WINDOWS and reason == b"Is a directory" else b"[^\n]+" if WINDOWS
                        else re.escape(reason))
                    self.assertRegex(r.stderr, b"^" + said + b"\n" + FAILED + b"$")
        r = run(self.dir, b"\n1\n2\nabc\nn\n")
        self.assertEqual((r.stdout, r.stderr, r.returncode), (NAME_PROMPT, b"ecriture: empty file name\n" + FAILED, 1))
        self.assertEqual(os.listdir(self.dir), ["adir"])

    @POSIX_ONLY
    def test_full_device(self):
        r = run(self.dir, b"/dev/full\n1\n2\na\ny\n3\n4\nb\nn\n")
        full = b"ecriture: /dev/full: No space left on device\n"
        self.assertEqual((r.stderr, r.returncode), (OPENED + (full + written(0)) * 2, 255))
        self.assertEqual(r.stdout.count(position(0)), 2)

    @POSIX_ONLY
    def test_standard_output_or_error_closed(self):
        # The records are written; the lost dialogue fails the run.
        stdin, _, err, data = session(b"r.dat", [(1, 2, b"a"), (3, 4, b"b")])
        for closed, said in [(">&-", err + b"ecriture: write error on standard output: Bad file descriptor\n"),
                             ("2>&-", b"")]:
            with self.subTest(closed=closed):
                os.unlink(self.path("r.dat")) if os.path.exists(self.path("r.dat")) else None
                r = subprocess.run(["sh", "-c", 'exec "$@" ' + closed, "sh", *common.PROGRAM], input=stdin,
                                   cwd=self.dir, capture_output=True, timeout=60)
                self.assertEqual((r.stderr, r.returncode), (said, 255))
                self.assertEqual(self.read("r.dat"), data)

    @POSIX_ONLY
    def test_input_that_cannot_be_read(self):
        directory = os.open(self.dir, os.O_RDONLY)
        r = subprocess.run(common.PROGRAM, stdin=directory, cwd=self.dir, capture_output=True, timeout=60)
        os.close(directory)
        self.assertEqual((r.stderr, r.returncode),
                         (b"ecriture: empty file name\n" + FAILED + b"ecriture: read error on standard input: Is a directory\n",
                          255))

    @POSIX_ONLY
    def test_standard_output_full(self):
        stdin, _, err, data = session(b"r.dat", [(1, 2, b"a")])
        with open("/dev/full", "wb") as full:
            r = subprocess.run(common.PROGRAM, input=stdin, cwd=self.dir, stdout=full,
                               stderr=subprocess.PIPE, timeout=60)
        self.assertEqual(r.stderr, err + b"ecriture: write error on standard output: No space left on device\n")
        self.assertEqual(r.returncode, 255)
        self.assertEqual(self.read("r.dat"), data)


class FileSafety(TempDirTest):
    def test_sparse_file_beyond_two_gib(self):
        size = (2 << 30) + 7
        with open(self.path("big.dat"), "wb") as f:
            f.truncate(size)
        r = run(self.dir, b"big.dat\n1\n2\na\ny\n3\n4\nb\nn\n")
        self.assertEqual(r.returncode, 0)
        self.assertIn(position(size) + PROMPTS, r.stdout)
        self.assertIn(position(size + 88) + PROMPTS, r.stdout)
        with open(self.path("big.dat"), "rb") as f:
            f.seek(size)
            self.assertEqual(f.read()[88:96], struct.pack("<ii", 3, 4))

    def test_record_in_file_before_the_answer(self):
        with subprocess.Popen(common.PROGRAM, cwd=self.dir, stdin=subprocess.PIPE,
                              stdout=subprocess.DEVNULL, stderr=subprocess.PIPE) as p:
            p.stdin.write(b"r.dat\n12\n-3\nabc\n")
            p.stdin.flush()
            reports = OPENED + written(88)
            self.assertEqual(text_mode(p.stderr.read(len(reports) + 2 * WINDOWS)), reports)
            self.assertEqual(self.read("r.dat")[:12], bytes.fromhex("0c000000 fdffffff 61626300"))
            self.assertEqual(len(self.read("r.dat")), 88)
            self.assertIsNone(p.poll())
            p.stdin.write(b"n\n")
            p.stdin.close()
            self.assertEqual(p.wait(60), 0)

    # Windows appends whole writes to a file opened for appending only, but
    # wine does it as a pwrite at the length it last read, so two programs
    # under wine overwrite each other's records.
    def test_runs_appending_at_once(self):
        # Wine appends with fstat then pwrite, as NFS clients do: without the
        # agreed lock, runs there overwrite each other's records.
        runs, count = 3, 5000 if WINDOWS else 20000
        procs = []
        for r in range(runs):
            stdin, _, _, _ = session(b"shared.dat", [(r, i, b"run %d record %d" % (r, i)) for i in range(count)])
            with open(self.path("in%d" % r), "wb") as f:
                f.write(stdin)
        for r in range(runs):
            # Into files: wine writes to /dev/null a hundred times slower.
            with open(self.path("in%d" % r), "rb") as f, open(self.path("out%d" % r), "wb") as out:
                procs.append(subprocess.Popen(common.PROGRAM, cwd=self.dir, stdin=f, stdout=out, stderr=out))
        self.assertEqual([p.wait(300) for p in procs], [0] * runs)
        data = self.read("shared.dat")
        self.assertEqual(len(data), runs * count * 88)
        seen = {r: [] for r in range(runs)}
        for k in range(0, len(data), 88):
            r, i = struct.unpack_from("<ii", data, k)
            self.assertEqual(data[k + 8:k + 88].split(b"\0")[0], b"run %d record %d" % (r, i))
            seen[r].append(i)
        self.assertEqual(seen, {r: list(range(count)) for r in range(runs)})

    def test_lock_held_elsewhere_is_waited_for(self):
        # Another program appending beside this one holds the agreed byte.
        with open(self.path("held.dat"), "wb") as holder:
            fcntl.lockf(holder, fcntl.LOCK_EX, 1, 2 ** 40)
            proc = subprocess.Popen(common.PROGRAM + ["held.dat"], cwd=self.dir, stdin=subprocess.PIPE,
                                    stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
            proc.stdin.write(b"1\n2\nabc\nn\n")
            proc.stdin.flush()
            time.sleep(2)
            self.assertEqual((proc.poll(), os.path.getsize(self.path("held.dat"))), (None, 0))
            fcntl.lockf(holder, fcntl.LOCK_UN, 1, 2 ** 40)
        proc.stdin.close()
        waiting = b"ecriture: held.dat: waiting for another program's lock on the file\n"
        self.assertEqual((proc.wait(60), text_mode(proc.stderr.read())), (0, OPENED + waiting + written(88)))
        proc.stderr.close()
        self.assertEqual(self.read("held.dat"), session(b"", [(1, 2, b"abc")])[3])

    @POSIX_ONLY
    def test_write_cut_short_is_taken_back(self):
        # A file size limit gives a real short write, as a full disk does;
        # with the signal's default disposition, as every user has it, too.
        self.check_session(b"r.dat", [(1, 2, b"first")])
        for disposition in [signal.SIG_DFL, signal.SIG_IGN]:
            with self.subTest(disposition=disposition):
                def limit():
                    signal.signal(signal.SIGXFSZ, disposition)
                    resource.setrlimit(resource.RLIMIT_FSIZE, (88 + 40, 88 + 40))
                r = subprocess.run(common.PROGRAM + ["r.dat"], cwd=self.dir, input=b"3\n4\nsecond\nn\n",
                                   capture_output=True, timeout=60, preexec_fn=limit)
                self.assertEqual((r.stderr, r.returncode),
                                 (OPENED + b"ecriture: r.dat: File too large\n" + written(0), 255))
                self.assertEqual(len(self.read("r.dat")), 88)
        self.check_session(b"r.dat", [(5, 6, b"third")], prefix=self.read("r.dat"))

    def one_record_then(self, name, between, last=b"2\n2\nb\nn\n", **kw):
        """A run on name that appends one record, then calls between() with
        its process while it waits for the next, which is typed last."""
        proc = subprocess.Popen(common.PROGRAM + [name], cwd=self.dir, stdin=subprocess.PIPE,
                                stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, **kw)
        proc.stdin.write(b"1\n1\na\ny\n")
        proc.stdin.flush()
        said = b""
        while not said.endswith(written(88)):
            said += proc.stderr.read(1) or self.fail("the run ended: %r" % said)
        between(proc)
        proc.stdin.write(last)
        proc.stdin.close()
        said += proc.stderr.read()
        proc.stderr.close()
        return proc.wait(60), text_mode(said)

    @POSIX_ONLY
    def test_another_runs_part_stops_the_run(self):
        # Another run's part since the open: the record in hand is not
        # written after it, and the run says where the part is.
        def part(_):
            with open(self.path("r.dat"), "ab") as f:
                f.write(b"P" * 40)
        status, said = self.one_record_then("r.dat", part)
        self.assertEqual((status, said), (255, OPENED + written(88) + b"ecriture: r.dat: another run left part of a "
                         b"record at byte 88; nothing more is appended, and lecture --offset 128 reads the records "
                         b"that others append after it\n" + written(0)))
        self.assertEqual(self.read("r.dat"), session(b"", [(1, 1, b"a")])[3] + b"P" * 40)

    @unittest.skipIf(WINDOWS or common.EMULATOR, "the mask of a Linux process, as /proc shows it")
    def test_the_signal_mask_found_is_kept(self):
        # A service manager may start the run with signals blocked: each
        # hold of the lock puts back the mask it found.
        blocked = {signal.SIGTERM, signal.SIGHUP}
        masks = []

        def look(proc):
            with open("/proc/%d/status" % proc.pid) as f:
                masks.append(int(re.search(r"^SigBlk:\s*([0-9a-f]+)$", f.read(), re.M).group(1), 16))
        status, _ = self.one_record_then("m.dat", look, preexec_fn=lambda: signal.pthread_sigmask(
            signal.SIG_BLOCK, blocked))
        self.assertEqual((status, masks), (0, [sum(1 << (s - 1) for s in blocked)]))

    def test_lock_free_while_output_waits(self):
        # Standard output a full pipe that nobody reads: the run waits on it,
        # and another program can take the lock meanwhile.
        stdin = session(b"", [(k, k, b"record %d" % k) for k in range(5000)])[0][1:]
        reader, writer = os.pipe()
        with open(self.path("in"), "wb") as f:
            f.write(stdin)
        with open(self.path("in"), "rb") as f:
            proc = subprocess.Popen(common.PROGRAM + ["full.dat"], cwd=self.dir, stdin=f, stdout=writer,
                                    stderr=subprocess.DEVNULL)
        os.close(writer)
        try:
            time.sleep(1.5)
            self.assertIsNone(proc.poll())
            with open(self.path("full.dat"), "ab") as other:
                taken = time.monotonic()
                fcntl.lockf(other, fcntl.LOCK_EX, 1, 2 ** 40)
                self.assertLess(time.monotonic() - taken, 0.5)
                fcntl.lockf(other, fcntl.LOCK_UN, 1, 2 ** 40)
        finally:
            with os.fdopen(reader, "rb") as drained:
                drained.read()
            self.assertEqual(proc.wait(60), 0)
        self.assertEqual(len(self.read("full.dat")), 5000 * 88)

    @POSIX_ONLY
    def test_record_file_that_a_standard_stream_writes_to(self):
        for redirect, stream in [(">", b"output"), ("2>", b"error")]:
            with self.subTest(redirect=redirect):
                r = subprocess.run(["sh", "-c", 'exec "$@" same.dat %s same.dat' % redirect, "sh", *common.PROGRAM],
                                   cwd=self.dir, input=b"1\n2\nabc\nn\n", capture_output=True, timeout=60)
                said = b"ecriture: same.dat: is standard " + stream + b"\n" + FAILED
                self.assertEqual((r.returncode, r.stdout + r.stderr + self.read("same.dat")), (1, said))

    @POSIX_ONLY
    def test_record_file_that_is_the_pipe_socket_or_terminal_of_a_stream(self):
        # /dev/null is no stream's own: records go to it as to any device.
        for name, stream in [("/dev/stdout", b"output"), ("/dev/fd/1", b"output"), ("/dev/stderr", b"error"),
                             ("/dev/stdin", b"input"), ("/dev/fd/0", b"input"), ("/dev/null", None)]:
            for kind in ["pipe", "socket", "terminal"]:
                with self.subTest(name=name, kind=kind):
                    ends = [e.detach() for e in socket.socketpair()] if kind == "socket" else \
                        list(os.openpty() if kind == "terminal" else os.pipe())
                    # Standard input reads the pipe's other end.
                    if stream == b"input" and kind == "pipe":
                        ends.reverse()
                    given = {b"error": "stderr", b"input": "stdin"}.get(stream, "stdout")
                    streams = {"stdin": subprocess.DEVNULL, "stdout": subprocess.PIPE, "stderr": subprocess.PIPE,
                               given: ends[1]}
                    r = subprocess.run([*common.PROGRAM, name], timeout=60, **streams)
                    os.close(ends[1])
                    shown = common.drain(ends[0])
                    said = shown if stream == b"error" else r.stderr
                    if stream is None:
                        self.assertEqual(r.returncode, 0)
                    elif kind == "socket":
                        # A socket has no name to open: the system refuses it.
                        self.assertEqual((r.returncode, said[-len(FAILED):]), (1, FAILED))
                    else:
                        self.assertEqual((r.returncode, said.replace(b"\r\n", b"\n")), (1, b"ecriture: " +
                                         name.encode() + b": is standard " + stream + b"\n" + FAILED))
                    self.assertNotIn(b"Saisie", shown if stream == b"error" else b"")


class CommandLine(TempDirTest):

    def test_operand_names_the_file(self):
        stdin, out, err, data = session(b"records.dat", [(12, -3, b"abc"), (4, 5, b"de")])
        unasked = stdin[len(b"records.dat\n"):]
        for args, name in [(["records.dat"], "records.dat"), (["--", "-x.dat"], "-x.dat"), (["-"], "-"),
                           (["n" * 100 + ".dat"], "n" * 100 + ".dat")]:
            with self.subTest(args=args):
                r = run(self.dir, unasked, args)
                self.assertEqual((r.stdout, r.stderr, r.returncode), (out[len(NAME_PROMPT):], err, 0))
                self.assertEqual(self.read(name), data)


    def test_help_and_version(self):
        for switch in ["--help", "-h"]:
            r = run(self.dir, b"records.dat\n", [switch])
            self.assertTrue(r.stdout.startswith(USAGE), r.stdout)
            self.assertIn(b"Exit status: 0 ", r.stdout)
            self.assertEqual((r.stderr, r.returncode), (b"", 0))
        r = run(self.dir, b"records.dat\n", ["--version"])
        version = os.environ.get("ECRITURE_VERSION", "").encode()
        self.assertEqual((r.stdout, r.stderr, r.returncode), (b"ecriture " + version + b"\n", b"", 0))
        self.assertEqual(os.listdir(self.dir), [])

    def test_usage_errors_open_nothing(self):
        # Each names the whole word not understood, then the usage and where
        # the help is.
        for args, why in [(["-x"], b"invalid option: -x"), (["--bogus"], b"invalid option: --bogus"),
                          (["--help=yes"], b"invalid option: --help=yes"), (["a.dat", "b.dat"], b"one FILE at most"),
                          (["-x", "a.dat"], b"invalid option: -x"), (["--odd\nword"], b"invalid option: --odd\\x0aword"),
                          (["-dash2.dat"], b"invalid option: -dash2.dat"),
                          (["--version", "a.dat"], b"--version takes no other argument")]:
            with self.subTest(args=args):
                r = run(self.dir, b"records.dat\n1\n2\nabc\nn\n", args)
                self.assertEqual((r.stdout, r.stderr, r.returncode), (b"", b"ecriture: " + why + b"\n" + USAGE + TRY, 2))
                self.assertEqual(os.listdir(self.dir), [])


class WindowsTextMode(TempDirTest):
    """What differs on Windows: text-mode input and UTF-16 file names."""

    def setUp(self):
        if not WINDOWS:
            self.skipTest("Windows only")
        super().setUp()

    def test_crlf_input_as_lf(self):
        stdin, out, err, data = session(b"r.dat", [(1, -1, b"one"), (2, -2, b"a\rb"), (3, -3, b"")])
        r = run(self.dir, stdin.replace(b"\n", b"\r\n"))
        self.assertEqual((r.stdout, r.stderr, r.returncode), (out, err, 0))
        self.assertEqual(self.read("r.dat"), data)

    def test_accented_file_name(self):
        self.check_session("été ✓.dat".encode(), [(1, 2, b"x")])
        self.assertEqual(os.listdir(self.dir), ["été ✓.dat"])

    def test_nothing_typed_vanishes(self):
        # A name that Windows takes for a device or a hidden stream is
        # refused, typed and as an argument, and nothing is made; a Ctrl-Z
        # ends the input, said when answers follow it, not after the last.
        device = b"is a device, not a file on a disk (write \\\\.\\NAME for a device)"
        stream = b"a colon past the drive names a hidden stream of the file before it, which Explorer and " \
                 b"lecture do not show"
        for name, why in [(b"nul.dat", device), (b"aux.dat", device), (b"com1.dat", device), (b"x.dat:s", stream)]:
            for args, stdin in [([], name + b"\n1\n2\nab\nn\n"), ([name.decode()], b"1\n2\nab\nn\n")]:
                with self.subTest(name=name, args=args):
                    r = run(self.dir, stdin, args)
                    self.assertEqual((r.stderr, r.returncode), (b"ecriture: " + name + b": " + why + b"\n" + FAILED, 1))
        self.assertEqual(os.listdir(self.dir), [])
        cut = b"ecriture: the input ends at a Ctrl-Z: 14 bytes after it were not read\n"
        for typed, said, status in [(b"z.dat\n1\n2\nab\x1acd\ny\n3\n4\nef\nn\n", cut, 255),
                                    (b"z.dat\n1\n2\nab\nn\n\x1a\r\n", b"", 0)]:
            with self.subTest(typed=typed):
                r = run(self.dir, typed)
                self.assertEqual((r.stderr, r.returncode), (OPENED + written(88) + said, status))
                self.assertEqual(self.read("z.dat")[8:11], b"ab\0")
                os.unlink(self.path("z.dat"))

    def test_names_and_help_as_windows_has_them(self):
        # Unicode names on the command line, a path past 260 characters, and
        # a byte-order mark that Notepad put before the first answer.
        deep = os.path.join(self.dir, *["dossier été %02d" % k for k in range(20)])
        os.makedirs(deep)
        for name in ["été.dat", os.path.join(deep, "long.dat")]:
            with self.subTest(name=name):
                stdin, out, err, data = session(b"", [(1, 2, "é ✓".encode())])
                r = run(self.dir, stdin[1:], [name])
                self.assertEqual((r.stdout, r.stderr, r.returncode), (out[len(NAME_PROMPT):], err, 0))
                self.assertEqual(self.read(name), data)
        self.assertGreater(len(os.path.join(deep, "long.dat")), 300)
        r = run(self.dir, b"\xef\xbb\xbfbom.dat\r\n1\r\n2\r\nx\r\nn\r\n")
        self.assertEqual((r.stderr, r.returncode), (OPENED + written(88), 0))
        self.assertIn("bom.dat", os.listdir(self.dir))
        r = run(self.dir, b"", ["/?"])
        self.assertEqual((r.stdout[:len(USAGE)], r.stderr, r.returncode), (USAGE, b"", 0))

    def test_answer_files_in_utf16(self):
        # As PowerShell 5 and Notepad's "Unicode" save them: read as UTF-16,
        # stored as UTF-8, as typed at the console.
        text = "é ✓ 😀 \r fin"
        stdin, out, err, data = session("été.dat".encode(), [(1, 2, text.encode()), (3, 4, b"")])
        typed = stdin.decode().replace("\n", "\r\n")
        for encoding, mark in [("utf-16-le", b"\xff\xfe"), ("utf-16-be", b"\xfe\xff")]:
            with self.subTest(encoding=encoding):
                r = run(self.dir, mark + typed.encode(encoding))
                self.assertEqual((r.stdout, r.stderr, r.returncode), (out, err, 0))
                self.assertEqual(self.read("été.dat"), data)
                os.unlink(self.path("été.dat"))

    def test_names_and_switches_as_windows_users_write_them(self):
        # A name pasted with Explorer's "Copy as path" comes in double
        # quotes, often with a blank around them; a blank inside stays.
        for typed, name in [(b'"quoted.dat"', "quoted.dat"), (b' "q1.dat"', "q1.dat"), (b'"q2.dat" ', "q2.dat"),
                            (b'\t "q 3.dat"\t ', "q 3.dat")]:
            with self.subTest(typed=typed):
                stdin, out, err, data = session(typed, [(1, 2, b"x")])
                self.assertEqual(run(self.dir, stdin).returncode, 0)
                self.assertEqual(self.read(name), data)
        os.mkdir(self.path("sub"))
        for args, status, shown in [(["/?"], 0, USAGE), (["/h"], 0, USAGE), (["/HELP"], 0, USAGE), (["-h"], 0, USAGE),
                                    (["-?"], 0, USAGE), (["/Help", "x.dat"], 0, USAGE), (["/x"], 2, b""),
                                    (["/bogus", "x.dat"], 2, b""),
                                    (["sub/a.dat"], 0, b"Position"), (["sub\\b.dat"], 0, b"Position")]:
            with self.subTest(args=args):
                r = run(self.dir, b"1\n2\nabc\nn\n", args)
                self.assertEqual((r.returncode, r.stdout[:len(shown)]), (status, shown))
                if status == 2:
                    self.assertEqual(r.stderr, b"ecriture: invalid option: " + args[0].encode() + b"\n" + USAGE + TRY)
        self.assertEqual(sorted(os.listdir(self.path("sub"))), ["a.dat", "b.dat"])
        self.assertEqual(sorted(os.listdir(self.dir)), ["q 3.dat", "q1.dat", "q2.dat", "quoted.dat", "sub"])
        r = run(self.dir, b"", ["-h"])
        self.assertNotIn(b"libedit", r.stdout)

    def test_answers_saved_as_ansi(self):
        # Notepad's "ANSI" is Windows-1252 here: each line that is not UTF-8
        # is read so, stored as UTF-8, and said once; UTF-8 lines stay.
        stdin, out, err, data = session("été.dat".encode(), [(1, 2, "Crème brûlée".encode()), (3, 4, "déjà".encode())])
        ansi = stdin.replace("été.dat".encode(), "été.dat".encode("cp1252")).replace(
            "Crème brûlée".encode(), "Crème brûlée".encode("cp1252"))
        r = run(self.dir, ansi.replace(b"\n", b"\r\n"))
        said = b"ecriture: some answers were not UTF-8: read in the ANSI code page, stored as UTF-8\n"
        self.assertEqual((r.stdout, r.stderr, r.returncode), (out, err + said, 0))
        self.assertEqual(self.read("été.dat"), data)

    def test_reasons_in_the_users_language(self):
        # A French Windows says why in French, in UTF-8 as the rest of the line.
        french = [w for w in common.EMULATOR if not w.startswith(("LANG=", "LC_ALL="))]
        french[1:1] = ["LANG=fr_FR.UTF-8", "LC_ALL=fr_FR.UTF-8"]
        r = subprocess.run([*french, common.PROGRAM[-1], "nodir\\x.dat"], cwd=self.dir, input=b"",
                           capture_output=True, timeout=120)
        self.assertEqual((text_mode(r.stderr), r.returncode),
                         ("ecriture: nodir\\x.dat: Chemin introuvable\n".encode() + FAILED, 1))


if __name__ == "__main__":
    common.PROGRAM = common.EMULATOR + [os.path.abspath(sys.argv[1])]
    unittest.main(argv=sys.argv[:1], verbosity=2)
