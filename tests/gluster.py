#!/usr/bin/env python3
"""Several stations on a real distributed file system: a GlusterFS volume
on a folder of the build tree, mounted three times through FUSE, each mount
a client with its own caches, as three machines would be.

    gluster.py ECRITURE LECTURE BUILD_DIR

Starts glusterd only when none answers, and ends only what it started. In
every round, on a fresh file, every record reported as "88 Bytes écrits" must
be in the brick's file whole and exactly once, and every run must end with 0.
Needs root (it mounts), /dev/fuse, glusterfs-server and glusterfs-client."""
import fcntl
import io
import os
import re
import shutil
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import threading
import time

import pexpect

ECRITURE, LECTURE, BUILD = (os.path.abspath(a) for a in sys.argv[1:4])
WRITTEN = "88 Bytes écrits\n".encode()
WAITING = b"waiting for another program's lock on the file"
NEEDS = {"glusterd": "glusterfs-server", "gluster": "glusterfs-server", "mount.glusterfs": "glusterfs-client"}


def gluster(*args, check=True):
    r = subprocess.run(["gluster", "--mode=script", *args], capture_output=True, timeout=60)
    if check and r.returncode != 0:
        raise RuntimeError("gluster %s: %s" % (" ".join(args), (r.stdout + r.stderr).decode(errors="replace")))
    return r.returncode == 0


class Volume:
    """A volume of one brick, mounted three times; everything it starts is
    ended on leaving."""

    def __init__(self):
        self.name = "ecriture-test-%d" % os.getpid()
        self.top = os.path.join(BUILD, "gluster-%d" % os.getpid())
        self.brick = os.path.join(self.top, "brick")
        self.clients = [os.path.join(self.top, "client%d" % k) for k in (1, 2, 3)]
        self.daemon = None
        self.mounted = []

    def __enter__(self):
        missing = [tool for tool in NEEDS if shutil.which(tool, path=os.environ["PATH"] + ":/usr/sbin:/sbin") is None]
        if missing or not os.path.exists("/dev/fuse") or os.geteuid() != 0:
            sys.exit("gluster: not run: needs %s (install %s), /dev/fuse and root" %
                     (", ".join(missing) or "GlusterFS", " and ".join(sorted({NEEDS[t] for t in missing})) or
                      "glusterfs-server and glusterfs-client"))
        os.environ["PATH"] += ":/usr/sbin:/sbin"
        os.makedirs(self.brick)
        if not gluster("pool", "list", check=False):
            self.daemon = subprocess.Popen(["glusterd", "--no-daemon", "--log-file", os.path.join(self.top, "glusterd.log")],
                                           stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                           stderr=subprocess.DEVNULL, start_new_session=True)
            deadline = time.monotonic() + 60
            while not gluster("pool", "list", check=False):
                if time.monotonic() > deadline or self.daemon.poll() is not None:
                    raise RuntimeError("glusterd did not start; see %s/glusterd.log" % self.top)
                time.sleep(0.5)
        # GlusterFS refuses a loopback address for a brick, but takes a name.
        host = socket.gethostname()
        gluster("volume", "create", self.name, "%s:%s" % (host, self.brick), "force")
        gluster("volume", "start", self.name)
        for client in self.clients:
            os.makedirs(client)
            subprocess.run(["mount", "-t", "glusterfs", "%s:/%s" % (host, self.name), client], check=True, timeout=60)
            self.mounted.append(client)
        return self

    def __exit__(self, *_):
        for client in self.mounted:
            subprocess.run(["umount", "-l", client], timeout=60)
        gluster("volume", "stop", self.name, "force", check=False)
        gluster("volume", "delete", self.name, check=False)
        if self.daemon is not None:
            self.daemon.terminate()
            self.daemon.wait(30)
            # The hooks it ran for the volume, in its process group.
            try:
                os.killpg(self.daemon.pid, signal.SIGTERM)
            except ProcessLookupError:
                pass
            # The brick's server that this glusterd started for the volume.
            subprocess.run(["pkill", "-f", "glusterfsd.*%s" % self.name])
        shutil.rmtree(self.top, ignore_errors=True)

    def fresh(self, name):
        """A name on each client for a file that no round used."""
        return [os.path.join(client, name) for client in self.clients]

    def stored(self, name):
        with open(os.path.join(self.brick, name), "rb") as f:
            return f.read()


def typed(run, count):
    """The answers of a run of count records, each text naming its record."""
    return [b"%d\n%d\nrun %d record %d\n%s\n" % (run, k, run, k, b"y" if k + 1 < count else b"n")
            for k in range(count)]


def capture(path, answers, trickle, trace=None):
    """Starts a piped run on path, fed its answers at once or one record at a
    time with short pauses; returns the process, its output and the feeder."""
    # Its reports on the local disk: read back through a client, they may be stale.
    err = open(os.path.join(BUILD, "gluster-%d-%s-%s.err" % (os.getpid(), os.path.basename(os.path.dirname(path)), os.path.basename(path))), "w+b")
    command = ["strace", "-qq", "-o", trace, "-e", "trace=openat,write,fdatasync,fcntl", ECRITURE] \
        if trace else [ECRITURE]
    proc = subprocess.Popen([*command, os.path.basename(path)], cwd=os.path.dirname(path), stdin=subprocess.PIPE,
                            stdout=subprocess.DEVNULL, stderr=err)

    def feed():
        for k in range(0, len(answers), 1 if trickle else len(answers)):
            proc.stdin.write(b"".join(answers[k:k + (1 if trickle else len(answers))]))
            proc.stdin.flush()
            if trickle:
                time.sleep(0.002)
        proc.stdin.close()
    feeder = threading.Thread(target=feed)
    feeder.start()
    return proc, err, feeder


def finish(runs):
    """Waits for the runs; returns their statuses and reports."""
    results = []
    for proc, err, feeder in runs:
        feeder.join()
        status = proc.wait(150)
        err.seek(0)
        results.append((status, err.read()))
        err.close()
        os.unlink(err.name)
    return results


def check_records(volume, name, expected, results):
    """Every record reported is in the brick's file whole and once, every
    status 0; returns a list of what went wrong."""
    wrong = ["status %d: %r" % (status, said[-300:]) for status, said in results if status != 0]
    reported = sum(said.count(WRITTEN) for _, said in results)
    data = volume.stored(name)
    seen = {}
    for at in range(0, len(data) - len(data) % 88, 88):
        numero, valeur, text = struct.unpack_from("<ii80s", data, at)
        key = text.split(b"\0")[0]
        if key != b"run %d record %d" % (numero, valeur):
            wrong.append("a damaged record at byte %d: %r" % (at, data[at:at + 24]))
        seen[key] = seen.get(key, 0) + 1
    missing = [key for key in expected if seen.get(key) != 1]
    if missing or len(data) != 88 * len(expected) or reported != len(expected):
        wrong.append("%d records reported, %d expected, %d bytes stored, %d missing or doubled (%r...)" %
                     (reported, len(expected), len(data), len(missing), missing[:3]))
    return wrong


def keys(run, count):
    return [b"run %d record %d" % (run, k) for k in range(count)]


def round_piped(volume, name, count, trickle):
    """Three piped runs at once, one per client."""
    paths = volume.fresh(name)
    runs = [capture(path, typed(r, count), trickle) for r, path in enumerate(paths)]
    results = finish(runs)
    return check_records(volume, name, [k for r in range(3) for k in keys(r, count)], results)


def round_terminal(volume, name, typed_count, piped_count):
    """A person typing on client 1, piped runs on the others."""
    paths = volume.fresh(name)
    runs = [capture(path, typed(r, piped_count), False) for r, path in [(1, paths[1]), (2, paths[2])]]
    child = pexpect.spawn(ECRITURE, [name], cwd=volume.clients[0], timeout=60)
    child.logfile_read = screen = io.BytesIO()
    for k in range(typed_count):
        for prompt, answer in [("numero :", b"0"), ("valeur :", b"%d" % k), ("Tampon :", b"run 0 record %d" % k),
                               ("(Y/N) ?)", b"y" if k + 1 < typed_count else b"n")]:
            child.expect_exact(prompt)
            child.sendline(answer)
    child.expect(pexpect.EOF)
    child.close()
    shown = screen.getvalue().replace(b"\r\n", b"\n")
    results = finish(runs) + [(child.exitstatus, WRITTEN * shown.count(WRITTEN))]
    expected = keys(0, typed_count) + keys(1, piped_count) + keys(2, piped_count)
    return check_records(volume, name, expected, results)


def write_seen_halfway(paths, record):
    """Client 2 appends the record in two halves, client 1 looking at the
    file between them: it keeps that length for a moment."""
    with open(paths[1], "ab", buffering=0) as other:
        other.write(record[:44])
        os.fsync(other.fileno())
        os.stat(paths[0])
        other.write(record[44:])
        os.fsync(other.fileno())


def round_kept_length(volume, name):
    """Client 1 keeps a length it saw in the middle of client 2's record, a
    moment after the record is whole, once before a run there opens the
    file and once between two of its holds: the run appends on the grid and
    says no part."""
    paths = volume.fresh(name)
    theirs = [struct.pack("<ii80s", 0, k, b"run 0 record %d" % k) for k in range(2)]
    write_seen_halfway(paths, theirs[0])
    answers = typed(1, 2)
    with tempfile.TemporaryFile() as err:
        proc = subprocess.Popen([ECRITURE, name], cwd=volume.clients[0], stdin=subprocess.PIPE,
                                stdout=subprocess.DEVNULL, stderr=err)
        # The first record alone, until it is reported; then the second.
        proc.stdin.write(answers[0])
        proc.stdin.flush()
        deadline = time.monotonic() + 30
        while not os.pread(err.fileno(), 4096, 0).count(WRITTEN) and time.monotonic() < deadline:
            time.sleep(0.05)
        # Past the second for which client 1 keeps the length of its own write.
        time.sleep(1.5)
        write_seen_halfway(paths, theirs[1])
        proc.stdin.write(answers[1])
        proc.stdin.close()
        status = proc.wait(60)
        said, data = os.pread(err.fileno(), 1 << 16, 0), volume.stored(name)
    ours = [struct.pack("<ii80s", 1, k, b"run 1 record %d" % k) for k in range(2)]
    want = theirs[0] + ours[0] + theirs[1] + ours[1]
    return [] if status == 0 and data == want and b"part of a record" not in said else \
        ["status %d, %d bytes stored of %d: %r" % (status, len(data), len(want), said[-300:])]


def round_lock_held(volume, name):
    """A lock held on client 1 keeps a run on client 2 out until released."""
    paths = volume.fresh(name)
    wrong = []
    with open(paths[0], "ab") as holder:
        fcntl.lockf(holder, fcntl.LOCK_EX, 1, 2 ** 40)
        run = capture(paths[1], typed(0, 1), False)
        time.sleep(2.5)
        if run[0].poll() is not None or volume.stored(name) != b"":
            wrong.append("the run did not wait for the lock")
        fcntl.lockf(holder, fcntl.LOCK_UN, 1, 2 ** 40)
    results = finish([run])
    if WAITING not in results[0][1]:
        wrong.append("the wait was not said: %r" % results[0][1])
    return wrong + check_records(volume, name, keys(0, 1), results)


def round_follow(volume, name, count):
    """lecture --follow on client 3 lists every record of clients 1 and 2,
    once, in the file's order."""
    paths = volume.fresh(name)
    open(paths[0], "wb").close()
    follower = subprocess.Popen([LECTURE, "--follow", "--csv", paths[2]], stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE)
    time.sleep(1)
    results = finish([capture(paths[r], typed(r, count), True) for r in (0, 1)])
    lines, deadline = [], time.monotonic() + 60
    while len(lines) < 2 * count + 1 and time.monotonic() < deadline:
        line = follower.stdout.readline()
        if not line:
            break
        lines.append(line)
    follower.kill()
    follower.wait()
    follower.stdout.close()
    follower.stderr.close()
    data = volume.stored(name)
    expected = [b"%d,%d,%d,run %d record %d\n" % ((at // 88,) + struct.unpack_from("<ii", data, at) * 2)
                for at in range(0, len(data), 88)]
    wrong = [] if lines[1:] == expected else ["the follower listed %d lines, not the %d of the file in order" %
                                              (len(lines) - 1, len(expected))]
    return wrong + check_records(volume, name, keys(0, count) + keys(1, count), results)


def round_traced(volume, name, count):
    """Under strace: no release of the lock follows a record's write without
    a flush of the file in between."""
    paths = volume.fresh(name)
    trace = os.path.join(volume.top, "strace.log")
    results = finish([capture(paths[0], typed(0, count), True, trace), capture(paths[1], typed(1, count), True)])
    fd, dirty, releases, unflushed = None, False, 0, 0
    with open(trace, encoding="utf-8", errors="replace") as f:
        for line in f:
            opened = re.match(r'openat\(.*"%s".* = (\d+)' % re.escape(name), line)
            fd = opened.group(1) if opened else fd
            if fd is None:
                continue
            dirty = dirty or line.startswith("write(%s," % fd)
            dirty = dirty and not line.startswith("fdatasync(%s)" % fd)
            if line.startswith("fcntl(%s, F_SETLK, {l_type=F_UNLCK" % fd):
                releases += 1
                unflushed += dirty
                dirty = False
    print("traced: %d releases, %d after a write without a flush" % (releases, unflushed))
    wrong = ["%d of %d releases came after a write without a flush" % (unflushed, releases)] if unflushed else []
    return wrong + check_records(volume, name, keys(0, count) + keys(1, count), results)


def main():
    problems = []
    start = time.monotonic()
    with Volume() as volume:
        print("GlusterFS volume %s, mounted at %s" % (volume.name, ", ".join(volume.clients)))
        rounds = [("piped, a record at a time", lambda n: round_piped(volume, n, 2000, True)),
                  ("piped, the whole input at once", lambda n: round_piped(volume, n, 10000, False)),
                  ("piped, the whole input at once, again", lambda n: round_piped(volume, n, 10000, False)),
                  ("a terminal beside piped runs", lambda n: round_terminal(volume, n, 30, 5000)),
                  ("a length kept from another's write", lambda n: round_kept_length(volume, n)),
                  ("a lock held on another client", lambda n: round_lock_held(volume, n)),
                  ("lecture --follow on a third client", lambda n: round_follow(volume, n, 300)),
                  ("strace: a flush before each release", lambda n: round_traced(volume, n, 500))]
        for k, (what, play) in enumerate(rounds):
            began = time.monotonic()
            wrong = play("round%d.dat" % k)
            print("%-40s %5.1f s  %s" % (what, time.monotonic() - began, "; ".join(wrong) or "ok"))
            problems += wrong
    print("%d rounds in %.0f s, %d problems" % (len(rounds), time.monotonic() - start, len(problems)))
    sys.exit(1 if problems else 0)


if __name__ == "__main__":
    main()
