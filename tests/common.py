"""What the Python tests share: how to run the built programs (through the
emulator of a cross build), the dialogue's texts, and a temporary directory
per test. A cross build gives the emulator's command in ECRITURE_EMULATOR and
the target system in ECRITURE_SYSTEM; on Windows, the dialogue's line ends
are CRLF and are compared as LF once checked."""
import glob
import os
import shlex
import shutil
import struct
import subprocess
import tempfile
import unittest

EMULATOR = shlex.split(os.environ.get("ECRITURE_EMULATOR", ""))
WINDOWS = os.environ.get("ECRITURE_SYSTEM") == "Windows"
# The capture program, as each script sets it from its command line.
PROGRAM = EMULATOR + ["build/ecriture"]
POSIX_ONLY = unittest.skipIf(WINDOWS, "needs a POSIX facility: /dev/full, or a closed descriptor")
NAME_PROMPT = "Le nom de fichier à creer :)".encode()
OPENED = b"Ouverture reussie \n"
FAILED = b"Echec Ouverture\n"
PROMPTS = b"Saisie numero :Saisie valeur :Saisie Tampon :"
SEPARATOR = b"-" * 23 + b"\n"
ANOTHER = b"Encoder un autre (Y/N) ?)"
USAGE = b"usage: ecriture [FILE]\n"
TRY = b"Try 'ecriture --help' for more information.\n"


def written(n):
    return str(n).encode() + " Bytes écrits\n".encode()


def misaligned(name, length):
    """What a run says at the open of a file that ends in part of a record."""
    if length % 88 == 0:
        return b""
    part = length % 88
    if length == part:
        return b"ecriture: %s: holds no whole record but part of one, %d byte%s; the records added start at " \
            b"byte %d, which lecture --offset %d reads\n" % (name, part, b"s" * (part > 1), length, length)
    return b"ecriture: %s: ends in part of a record, %d byte%s after the last whole record, which ends at byte " \
        b"%d; the records added start at byte %d, which lecture --offset %d reads\n" % (
            name, part, b"s" * (part > 1), length - part, length, length)


def position(n):
    return b"Position actuelle dans le fichier %d\n" % n


def text_mode(output):
    """The output with the CRLF line ends of Windows' text mode made LF again,
    after checking that every line end is one."""
    if WINDOWS and output is not None:
        if b"\n" in output.replace(b"\r\n", b""):
            raise AssertionError("a line end without its CR: %r" % output)
        return output.replace(b"\r\n", b"\n")
    return output


def run(cwd, stdin, args=(), **kw):
    r = subprocess.run(PROGRAM + list(args), input=stdin, cwd=cwd, capture_output=True, timeout=120, **kw)
    r.stdout, r.stderr = text_mode(r.stdout), text_mode(r.stderr)
    return r


def session(name, records, answers=None, start=0):
    """The input, the expected stdout, stderr and file bytes of a run that
    enters records (numero, valeur, text) with texts shorter than 79 bytes."""
    answers = answers or [b"y"] * (len(records) - 1) + [b"n"]
    stdin, out, data = [name + b"\n"], [NAME_PROMPT], []
    tampon = bytearray(80)
    for k, ((numero, valeur, text), answer) in enumerate(zip(records, answers)):
        stdin.append(b"%d\n%d\n%s\n%s\n" % (numero, valeur, text, answer))
        out.append(position(start + 88 * k) + PROMPTS)
        out.append(b"%d\n%d\n%s\n" % (numero, valeur, text) + SEPARATOR + ANOTHER)
        tampon[: len(text) + 2] = text + b"\0\0"
        data.append(struct.pack("<ii", numero, valeur) + tampon)
    err = OPENED + misaligned(name, start) + written(88) * len(data)
    return b"".join(stdin), b"".join(out), err, b"".join(data)


def drain(fd):
    """What the other end of a pipe, socket or terminal received, to its
    end; the end is closed."""
    data = b""
    try:
        while chunk := os.read(fd, 4096):
            data += chunk
    except OSError:  # a terminal whose other side has closed
        pass
    os.close(fd)
    return data


class TempDirTest(unittest.TestCase):
    def setUp(self):
        self._tmp = tempfile.TemporaryDirectory()
        self.dir = self._tmp.name

    def tearDown(self):
        self._tmp.cleanup()

    def path(self, name):
        return os.path.join(self.dir, name)

    def read(self, name):
        with open(self.path(name), "rb") as f:
            return f.read()

    def check_session(self, name, records, answers=None, prefix=b""):
        stdin, out, err, data = session(name, records, answers, len(prefix))
        r = run(self.dir, stdin)
        self.assertEqual((r.stdout, r.stderr, r.returncode), (out, err, 0))
        self.assertEqual(self.read(name.decode()), prefix + data)


def postgresql(folder, script, sql):
    """In a throw-away PostgreSQL cluster of its own, made in folder, which
    it leaves: runs the shell script (psql on its PATH, connected), then
    sql; returns the rows that sql gives."""
    bins = sorted(glob.glob("/usr/lib/postgresql/*/bin/initdb"))
    if not bins:
        raise AssertionError("not run: needs PostgreSQL (install postgresql)")
    bindir = os.path.dirname(bins[-1])
    cluster = os.path.join(folder, "pg")
    # PostgreSQL will not run as root: as its own user, then.
    user = ["runuser", "-u", "postgres", "--"] if os.geteuid() == 0 else []
    os.makedirs(cluster)
    os.chmod(folder, 0o755)
    if user:
        shutil.chown(cluster, "postgres")
        for name in glob.glob(os.path.join(folder, "*.csv")):
            shutil.chown(name, "postgres")
    run = lambda *args: subprocess.run([*user, *args], capture_output=True, timeout=120, check=True, cwd=folder)
    run(os.path.join(bindir, "initdb"), "-D", cluster + "/data", "-A", "trust", "-U", "postgres", "--no-sync")
    options = "-k %s -c listen_addresses='' -c fsync=off" % cluster
    run(os.path.join(bindir, "pg_ctl"), "-D", cluster + "/data", "-o", options, "-w", "-l", cluster + "/log", "start")
    try:
        if script:
            run("env", "PGHOST=" + cluster, "PGUSER=postgres", "PATH=%s:%s" % (bindir, os.environ["PATH"]), "sh", "-c",
                script)
        r = run(os.path.join(bindir, "psql"), "-h", cluster, "-U", "postgres", "-qAt", "-v", "ON_ERROR_STOP=1",
                "-c", sql)
        return r.stdout.split(b"\n")[:-1]
    finally:
        run(os.path.join(bindir, "pg_ctl"), "-D", cluster + "/data", "-m", "immediate", "stop")
