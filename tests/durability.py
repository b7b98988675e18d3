#!/usr/bin/env python3
"""What reaches the disk, and what each failing system call leads to.

    durability.py PATH_TO_ECRITURE PATH_TO_LECTURE PATH_TO_FAULT_SHIM

Makes every call of a short run fail once, one at a time, with strace's fault
injection, in each situation a run meets: piped input and a person at a
terminal (a pseudo-terminal), a local file and one the program takes for a
shared one, and a disk that fills up in the middle of a record. The shim, a
small LD_PRELOAD library, makes what strace cannot: a file system's type and
a short write. Each run must neither crash nor hang; the record file must hold
what it held, then exactly the records reported "88 Bytes écrits", whole and
in the order typed (a record's part only last, after which nothing more is
appended, and said); and the status must say what happened. Checks too, in
strace's log, the order lock, write, flush, unlock, report at a terminal,
and the single flush before the close when the input is piped.
"""
import concurrent.futures
import os
import pty
import re
import select
import struct
import subprocess
import sys
import tempfile
import time

ECRITURE, LECTURE, SHIM = (os.path.abspath(a) for a in sys.argv[1:4])
RECORD = 88
NAME = "records.dat"
TYPED = b"records.dat\n12\n-3\nabc\ny\n7\n8\ndefgh\nn\n"
# The records typed, as the file holds them: the second text over the first.
ENTERED = [struct.pack("<ii", 12, -3) + b"abc".ljust(80, b"\0"), struct.pack("<ii", 7, 8) + b"defgh".ljust(80, b"\0")]
KINDS = {
    "openat": ["EIO", "ENOSPC", "EINTR"],
    "read": ["EIO", "EINTR"],
    "write": ["EIO", "ENOSPC", "EINTR", "EPIPE"],
    "lseek": ["EIO", "EINTR"],
    "newfstatat": ["EIO"],
    "fstatfs": ["EIO", "ENOSYS"],
    "fdatasync": ["EIO", "ENOSPC", "EINTR", "EINVAL"],
    "fsync": ["EIO", "ENOSPC", "EINTR", "EINVAL"],
    "ftruncate": ["EIO", "EPERM", "EINTR"],
    "fcntl": ["EIO", "ENOLCK", "EINTR"],
    "close": ["EIO", "EINTR"],
}
# The program's own calls begin with its check of the standard descriptors;
# the ones before belong to the loader.
START = "fcntl(0, F_GETFD)"
CALL = re.compile(r"^(?:\d+ +)?(\w+)\((.*)\) += (-?\d+)")
POSITION = re.compile(rb"(Position actuelle dans le fichier )-?\d+")
REPORT = re.compile(rb"^(\d+) Bytes \xc3\xa9crits$")
MAY_REMAIN = b"the record was not flushed and may still be in the file"
PART = re.compile(rb"the part of a record written stays(?: at byte (\d+))?; no record will be (?:appended|written) after it")
# What a run says that is no failure.
NOTICES = (b"Ouverture reussie", b"the file system offers no lock")


def run(situation, cwd, inject=None):
    """Runs the situation under strace: injecting one failure, or logging
    the calls to strace.log. Returns status, output, errors and the file."""
    trace = ["-e", "trace=" + inject[0], "-e", "inject=%s:error=%s:when=%d" % inject, "-o", "/dev/null"] \
        if inject else ["-e", "trace=" + ",".join(KINDS), "-o", "strace.log"]
    env = ["-E", "LD_PRELOAD=" + SHIM] + [w for k, v in situation["faults"].items() for w in ("-E", k + "=" + v)]
    command = ["strace", "-f", "-qq", *env, *trace, *situation["command"]]
    outcome = at_terminal(command, cwd, situation["stdin"]) if situation["terminal"] else \
        piped(command, cwd, situation["stdin"])
    if outcome is None:
        return None
    path = os.path.join(cwd, NAME)
    data = open(path, "rb").read() if os.path.exists(path) else None
    return outcome + (data,)


def piped(command, cwd, stdin):
    try:
        r = subprocess.run(command, cwd=cwd, input=stdin, capture_output=True, timeout=30)
    except subprocess.TimeoutExpired:
        return None
    return r.returncode, r.stdout, r.stderr


def at_terminal(command, cwd, typed):
    """A person typing ahead on a terminal, standard output and error in
    files: the answers are read one line at a time as the terminal gives them."""
    leader, follower = pty.openpty()
    with open(os.path.join(cwd, "out"), "w+b") as out, open(os.path.join(cwd, "err"), "w+b") as err:
        proc = subprocess.Popen(command, cwd=cwd, stdin=follower, stdout=out, stderr=err)
        os.close(follower)
        os.write(leader, typed)
        deadline = time.monotonic() + 30
        while proc.poll() is None and time.monotonic() < deadline:
            if select.select([leader], [], [], 0.05)[0]:
                try:
                    os.read(leader, 4096)
                except OSError:
                    pass
        os.close(leader)
        if proc.poll() is None:
            proc.kill()
            proc.wait()
            return None
        out.seek(0)
        err.seek(0)
        return proc.returncode, out.read(), err.read()


def calls_to_fail(log):
    """(kind, n, role) for every call the program itself makes, n counting
    that kind from the start; role names the descriptor or file it is on.
    Of fcntl's calls, those of the agreed lock."""
    roles = {"0": "stdin", "1": "stdout", "2": "stderr"}
    seen = {kind: 0 for kind in KINDS}
    points, started = [], False
    for line in log.splitlines():
        m = CALL.match(line)
        if not m:
            continue
        kind, args, result = m.groups()
        started = started or (kind + "(" + args + ")") == START
        if kind not in KINDS:
            continue
        seen[kind] += 1
        if kind == "openat":
            role = "record" if '"%s"' % NAME in args else "directory" if '"."' in args else "other"
            roles[result] = role
        elif kind == "fcntl":
            role = "unlock" if "F_UNLCK" in args else "lock" if "F_SETLK" in args else None
        else:
            role = roles.get(args.split(",")[0].rstrip(")"), "other")
        if started and role is not None:
            points.append((kind, seen[kind], role))
    return points


def expected(program, kind, role, error, cut_short):
    """What the failure must lead to: the same run, the same run but for the
    positions shown, a failed open, a warning, or a failure said. Where a
    record is cut short, a file's length that cannot be had under the lock
    leaves its part where it is: the run then only has to be consistent."""
    if program == "ecriture" and kind == "openat" and role == "record":
        return "same" if error == "EINTR" else "open failed"
    if kind == "write" and role in ("stdout", "stderr"):
        return "failed"  # the C library drops a stream's buffer on any failed write
    if error == "EINTR" or (kind in ("fsync", "fdatasync") and error == "EINVAL"):
        return "same"
    if (kind == "close" and role == "directory") or kind == "fstatfs":
        return "same"  # read only, its flush answered; or taken for a local file
    if kind == "fcntl" and role == "lock" and error == "ENOLCK":
        return "warned"
    if program == "ecriture" and kind in ("lseek", "newfstatat"):
        return "consistent" if cut_short else "positions"
    if kind == "newfstatat" and role == "record":
        return "same or failed"  # what a file is, else its length under the lock, which a listing needs
    if kind == "newfstatat":
        return "same"
    return "failed"


def stored_as_reported(err, data, before):
    """None when the file holds what it held, then exactly the records
    reported, in the order typed: a record reported 88 whole, one reported 0
    not at all (or whole, when its message says it may still be there), and
    a part only last, at the byte said. Else what is wrong."""
    data = data or b""
    if not data.startswith(before):
        return "an earlier byte changed"
    rest, k, may_remain, part_at = data[len(before):], 0, False, None
    for line in err.splitlines():
        may_remain = may_remain or MAY_REMAIN in line
        part = PART.search(line)
        part_at = (int(part.group(1)) if part.group(1) else "unknown") if part else part_at
        m = REPORT.match(line)
        if not m:
            continue
        n, record = int(m.group(1)), ENTERED[k % len(ENTERED)]
        if n == RECORD or (n == 0 and may_remain and rest.startswith(record)):
            if not rest.startswith(record):
                return "record %d reported %d, not in the file" % (k, n)
            rest = rest[RECORD:]
        elif n > 0:
            if part_at not in (len(data) - len(rest), "unknown") or rest != record[:n] or \
                    line != err.splitlines()[-1]:
                return "a part of record %d that is not last, or not said where" % k
            rest = b""
        k, may_remain = k + 1, False
    return "bytes that no report claims: %r" % rest if rest else None


def judge(outcome, base, want, before, program, failure_status):
    if outcome is None:
        return "hung"
    status, out, err, data = outcome
    if status < 0 or status > 255:
        return "crashed (status %d)" % status
    if want == "open failed":
        failed = err.startswith(b"ecriture: %s: " % NAME.encode()) and err.endswith(b"\nEchec Ouverture\n")
        return None if (status, failed, data) == (1, True, before or None) else "not a failed open"
    if program == "ecriture" and b"write error on standard error" not in err:
        wrong = stored_as_reported(err, data, before or b"")
        if wrong:
            return "%s: %r %r" % (wrong, data, err)
    failures = [line for line in err.splitlines() if line.startswith(b"ecriture: ") and
                not any(n in line for n in NOTICES)]
    if program == "ecriture" and status == 0 and failures != [l for l in base[2].splitlines() if l in failures]:
        return "status 0 after %r" % err
    if want == "same or failed" and outcome != base:
        want = "failed"
    if want == "same" and outcome != base:
        return "differs from the run without failure: %r" % (outcome,)
    if want == "positions" and (status, err, data, POSITION.sub(rb"\1", out)) != \
            (base[0], base[2], base[3], POSITION.sub(rb"\1", base[1])):
        return "differs beyond the positions shown: %r" % (outcome,)
    if want == "warned" and base[0] == 0 and (status, data) != (0, base[3]):
        return "a file system without locks: status %d, errors %r" % (status, err)
    if want == "failed" and (status != failure_status or (program + ": ").encode() not in err):
        return "status %d, errors %r" % (status, err)
    return None


def sweep(situation):
    """Fails each call once with each error; returns (tried, problems, log)."""
    program, before = situation["program"], situation["before"]
    with tempfile.TemporaryDirectory() as cwd:
        def fresh():
            for name in os.listdir(cwd):
                os.remove(os.path.join(cwd, name))
            if before is not None:
                open(os.path.join(cwd, NAME), "wb").write(before)
        fresh()
        base = run(situation, cwd)
        log = open(os.path.join(cwd, "strace.log")).read()
        tried, problems = 0, []
        for kind, n, role in calls_to_fail(log):
            for error in KINDS[kind]:
                fresh()
                outcome = run(situation, cwd, (kind, error, n))
                tried += 1
                want = expected(program, kind, role, error, "FAULT_SHORT_WRITE" in situation["faults"])
                wrong = judge(outcome, base, want, before, program, situation["status"])
                if wrong:
                    problems.append("%s, %s: %s #%d (%s) %s: %s" % (program, situation["what"], kind, n, role,
                                                                   error, wrong))
    return tried, problems, log


def situations(listed):
    """Every situation the sweep runs: ecriture's, then lecture's."""
    found = []
    for terminal in (False, True):
        for what, faults, before in [("new file", {}, None), ("existing file", {}, b"x" * RECORD),
                                     ("shared file", {"FAULT_SHARED": "1"}, None),
                                     ("disk full in a record", {"FAULT_SHORT_WRITE": "1"}, None),
                                     ("shared, disk full in a record",
                                      {"FAULT_SHARED": "1", "FAULT_SHORT_WRITE": "2"}, None)]:
            found.append({"what": ("at a terminal, " if terminal else "piped, ") + what, "program": "ecriture",
                          "command": [ECRITURE], "stdin": TYPED, "before": before, "status": 255,
                          "terminal": terminal, "faults": faults})
    found.append({"what": "a file and standard input", "program": "lecture", "command": [LECTURE, NAME, "-"],
                  "stdin": listed, "before": listed, "status": 2, "terminal": False, "faults": {}})
    # Where a listing starts past the first record, it seeks there.
    for start in (["--offset", "88"], ["-n", "1"]):
        found.append({"what": "a file from " + " ".join(start), "program": "lecture",
                      "command": [LECTURE, *start, NAME], "stdin": b"", "before": listed, "status": 2,
                      "terminal": False, "faults": {}})
    return found


def traced(trace, stdin=TYPED, terminal=True, faults=()):
    """A run of two records under strace with the given options: its
    status, errors, file and log from the record file's open on."""
    situation = {"command": [ECRITURE], "stdin": stdin, "terminal": terminal, "faults": dict(faults)}
    with tempfile.TemporaryDirectory() as cwd:
        env = ["-E", "LD_PRELOAD=" + SHIM] + [w for k, v in faults for w in ("-E", k + "=" + v)]
        command = ["strace", "-f", "-qq", *env, "-o", "strace.log", *trace, ECRITURE]
        status, _, err = at_terminal(command, cwd, stdin) if terminal else piped(command, cwd, stdin)
        text = open(os.path.join(cwd, "strace.log")).read()
        log = [re.sub(r" +(?== )", " ", re.sub(r"^\d+ +", "", line)) for line in text.splitlines()]
        opened = next((i for i, line in enumerate(log) if line.startswith("openat") and '"%s"' % NAME in line), 0)
        path = os.path.join(cwd, NAME)
        return status, err, open(path, "rb").read() if os.path.exists(path) else b"", log[opened:], situation


def interactive_order():
    """At a terminal: each record's lock, write, flush, unlock, then its
    report. A flush that fails takes the record back before it is
    reported: the file holds exactly what was reported."""
    status, _, data, log, _ = traced(["-e", "trace=openat,write,fdatasync,fsync,close,fcntl"])
    fd = log[0].rsplit("= ", 1)[1]
    steps = [line for line in log if re.match(r"(write|fdatasync|close|fcntl)\((%s|2)[,)]|fsync\(" % fd, line)]
    steps = [re.sub(r"fcntl\(\d+, (F_SETLKW?), \{l_type=(\w+).*", r"\1 \2", s) for s in steps]
    record = "write(%s, " % fd
    ok = status == 0 and len(data) == 2 * RECORD and sum(s.startswith(record) for s in steps) == 2
    for i, step in enumerate(steps):
        if step.startswith(record):
            ok = ok and steps[i - 1] == "F_SETLK F_WRLCK" and steps[i + 1] == "fdatasync(%s) = 0" % fd and \
                steps[i + 2] == "F_SETLK F_UNLCK" and \
                steps[i + 3].startswith('write(2, "88 Bytes \\303\\251crits\\n", 17)')
    print("at a terminal (strace, status %s):\n    %s" % (status, "\n    ".join(steps)))
    status, err, data, _, _ = traced(["-e", "trace=fdatasync", "-e", "inject=fdatasync:error=EIO:when=1"])
    failed = b"ecriture: %s: Input/output error\n0 Bytes \xc3\xa9crits\n88 Bytes \xc3\xa9crits\n" % NAME.encode()
    print("at a terminal, the first flush failing: status %s, %r" % (status, err))
    return ok and (status, data, err.endswith(failed)) == (255, ENTERED[1], True)


def faults_taken_together():
    """Two faults at once, which the sweep does not make: what cannot be
    taken back is said, and nothing is appended after a record's part."""
    cases = [
        # The flush fails, then its take-back: the record may still be there.
        (["-e", "trace=fdatasync,ftruncate", "-e", "inject=fdatasync:error=EIO:when=1",
          "-e", "inject=ftruncate:error=EIO"], True, (), ENTERED[0] + ENTERED[1],
         [b"Input/output error", b"cannot take back the record: Input/output error", MAY_REMAIN,
          b"0 Bytes", b"88 Bytes"]),
        # A part that cannot be taken back stops the run where it lies.
        (["-e", "trace=ftruncate", "-e", "inject=ftruncate:error=EIO"], False, [("FAULT_SHORT_WRITE", "1")],
         ENTERED[0][:40], [b"No space left on device", b"cannot take back the part of the record written",
                           b"stays at byte 0; no record will be appended after it", b"40 Bytes"]),
        # A file system without locks: the part stays, and stops the run.
        (["-e", "trace=fcntl", "-e", "inject=fcntl:error=ENOLCK:when=4+"], False, [("FAULT_SHORT_WRITE", "2")],
         ENTERED[0] + ENTERED[1][:40], [b"offers no lock", b"88 Bytes", b"No space left on device",
                                        b"stays at byte 88; no record", b"40 Bytes"]),
        # A shared file's flush before the hand-over fails every record of
        # the hold, each taken back before any is reported.
        (["-e", "trace=fdatasync", "-e", "inject=fdatasync:error=EIO:when=1"], False, [("FAULT_SHARED", "1")], b"",
         [b"Input/output error", b"0 Bytes", b"Input/output error", b"0 Bytes"]),
        # A lock that fails in passing is tried again at the next hold.
        (["-e", "trace=fcntl", "-e", "inject=fcntl:error=EIO:when=4"], True, (), ENTERED[0] + ENTERED[1],
         [b"cannot lock the file: Input/output error", b"88 Bytes", b"88 Bytes"]),
        (["-e", "trace=fcntl", "-e", "inject=fcntl:error=ENOLCK:when=4"], True, (), ENTERED[0] + ENTERED[1],
         [b"the file system offers no lock", b"88 Bytes", b"88 Bytes"]),
    ]
    ok = True
    for trace, terminal, faults, data, said in cases:
        status, err, got, log, _ = traced(trace, terminal=terminal, faults=faults)
        lines = [line for line in err.splitlines() if line != b"Ouverture reussie "]
        warning = b"offers no lock" in said[0] and b"88 Bytes" in said[-2]
        fits = status == (0 if warning else 255) and got == data and len(lines) == len(said) and \
            all(s in line for s, line in zip(said, lines))
        locks = [line for line in log if "F_SETLK" in line and "F_WRLCK" in line]
        if said[0].startswith(b"cannot lock") or warning:
            fits = fits and len(locks) == 2 and locks[1].endswith("= 0")
        print("%s: status %d, %d bytes, %s" % (" ".join(trace[3:]), status, len(got), "ok" if fits else "WRONG %r" % err))
        ok = ok and fits
    return ok


def without_locks():
    """A file system without locks at every try: said once, every record
    written, status 0."""
    status, err, data, _, _ = traced(["-e", "trace=fcntl", "-e", "inject=fcntl:error=ENOLCK:when=4+"],
                                     terminal=False)
    warned = err.count(b"records.dat: the file system offers no lock") == 1
    print("no locks (ENOLCK injected): status %d, warned once: %s, %d bytes" % (status, warned, len(data)))
    return status == 0 and warned and data == b"".join(ENTERED)


def new_file_through_a_link():
    """A file made through a dangling link: the directory that holds it is flushed."""
    with tempfile.TemporaryDirectory() as cwd:
        os.mkdir(os.path.join(cwd, "there"))
        os.symlink("there/target.dat", os.path.join(cwd, "link.dat"))
        r = subprocess.run(["strace", "-qq", "-o", "strace.log", "-e", "trace=openat,fsync", ECRITURE, "link.dat"],
                           cwd=cwd, input=b"1\n2\nx\nn\n", capture_output=True, timeout=30)
        log = open(os.path.join(cwd, "strace.log")).read()
        m = re.search(r'openat\(AT_FDCWD, "[^"]*/there", O_RDONLY[^)]*\) = (\d+)', log)
        flushed = m is not None and re.search(r"fsync\(%s\) +=  ?0" % m.group(1), log) is not None
        print("new file through a link: status %d, its directory flushed: %s" % (r.returncode, flushed))
        return r.returncode == 0 and flushed


def directory_flush_named():
    """A directory that cannot be flushed is named as such, not as the file."""
    with tempfile.TemporaryDirectory() as cwd:
        os.mkdir(os.path.join(cwd, "sub"))
        r = subprocess.run(["strace", "-qq", "-o", "/dev/null", "-P", "sub", "-e", "inject=openat:error=EACCES",
                            ECRITURE, "sub/g"], cwd=cwd, input=b"1\n2\nx\nn\n", capture_output=True, timeout=30)
        said = b"ecriture: sub: cannot flush the directory: Permission denied\n" in r.stderr
        print("the directory's flush failing: status %d, said: %s" % (r.returncode, said))
        return said and r.returncode == 255 and os.path.getsize(os.path.join(cwd, "sub", "g")) == RECORD


def piped_single_flush():
    """Piped: one flush of the record file, right before its close."""
    _, _, _, log, _ = traced(["-e", "trace=openat,fdatasync,fsync,close"], terminal=False)
    fd = log[0].rsplit("= ", 1)[1]
    mine = [line for line in log if re.match(r"(fdatasync|fsync|close)\(", line)]
    print("piped (strace):\n    %s" % "\n    ".join(mine))
    return [line for line in mine if line.startswith("fdatasync")] == ["fdatasync(%s) = 0" % fd] and \
        mine[-2:] == ["fdatasync(%s) = 0" % fd, "close(%s) = 0" % fd]


def follower_lists_no_record_taken_back():
    """A follower beside a writer whose flush fails, slowly, at a terminal
    and on a shared file: the record taken back is never listed, the follow
    goes on, and the next record appended is listed."""
    fail = ["-e", "trace=fdatasync", "-e", "inject=fdatasync:error=EIO:delay_enter=1s:when=1"]
    ok = True
    for terminal, faults in [(True, []), (False, ["-E", "FAULT_SHARED=1"])]:
        with tempfile.TemporaryDirectory() as cwd:
            open(os.path.join(cwd, NAME), "wb").write(ENTERED[0])
            follower = subprocess.Popen([LECTURE, "--follow", "--csv", NAME], cwd=cwd, stdout=subprocess.PIPE,
                                        stderr=subprocess.PIPE)
            lines = [follower.stdout.readline() for _ in range(2)]
            command = ["strace", "-f", "-qq", "-o", "/dev/null", "-E", "LD_PRELOAD=" + SHIM, *faults, *fail,
                       ECRITURE, NAME]
            typed = b"5\n5\ntaken back\nn\n"
            taken = at_terminal(command, cwd, typed) if terminal else piped(command, cwd, typed)
            subprocess.run([ECRITURE, NAME], cwd=cwd, input=b"6\n6\nkept\nn\n", capture_output=True, timeout=30)
            lines += [follower.stdout.readline() if select.select([follower.stdout], [], [], 30)[0] else b""]
            follower.kill()
            _, said = follower.communicate(timeout=30)
            fits = taken is not None and taken[0] == 255 and lines[1:] == [b"0,12,-3,abc\n", b"1,6,6,kept\n"] and \
                said == b""
            print("a follower beside a flush that fails %s: %s" % ("at a terminal" if terminal else "on a shared file",
                                                                   "ok" if fits else "WRONG %r %r" % (lines, said)))
            ok = ok and fits
    return ok


def interrupted_in_a_take_back():
    """Ctrl-C right after a record's part that a full disk cut short was
    written: its take-back ends first, so that no part stays, then the
    interrupt ends the run."""
    with tempfile.TemporaryDirectory() as cwd:
        proc = subprocess.Popen(["strace", "-f", "-qq", "-o", "/dev/null", "-E", "LD_PRELOAD=" + SHIM, "-E",
                                 "FAULT_SHORT_WRITE=1", "-P", os.path.join(cwd, NAME), "-e", "trace=write", "-e",
                                 "inject=write:delay_exit=1s:when=1", ECRITURE, NAME], cwd=cwd, stdin=subprocess.PIPE,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        proc.stdin.write(b"5\n5\ncut short\nn\n")
        proc.stdin.close()
        path = os.path.join(cwd, NAME)
        deadline = time.monotonic() + 30
        while (not os.path.exists(path) or os.path.getsize(path) == 0) and time.monotonic() < deadline:
            time.sleep(0.01)
        # To the run itself, not to strace, which would stop tracing.
        with open("/proc/%d/task/%d/children" % (proc.pid, proc.pid)) as f:
            os.kill(int(f.read().split()[0]), 2)
        status = proc.wait(30)
        size = os.path.getsize(path)
        print("interrupted in a take-back: status %d, %d bytes left" % (status, size))
        return size == 0


def main():
    with tempfile.TemporaryDirectory() as cwd:
        subprocess.run([ECRITURE], cwd=cwd, input=TYPED, capture_output=True, timeout=30, check=True)
        listed = open(os.path.join(cwd, NAME), "rb").read()
    if listed != b"".join(ENTERED):
        sys.exit("the records typed are not stored as ENTERED has them: %r" % listed)
    problems, tried = [], 0
    with concurrent.futures.ThreadPoolExecutor(max_workers=2) as pool:
        for situation, (n, found, _) in zip(situations(listed), pool.map(sweep, situations(listed))):
            print("%s, %s: %d failure points tried, %d went wrong" % (situation["program"], situation["what"], n,
                                                                      len(found)))
            tried += n
            problems += found
    print("fault sweep: %d failure points tried, %d went wrong" % (tried, len(problems)))
    for problem in problems:
        print("  " + problem)
    checks = [interactive_order(), faults_taken_together(), directory_flush_named(), without_locks(),
              new_file_through_a_link(), piped_single_flush(), follower_lists_no_record_taken_back(),
              interrupted_in_a_take_back()]
    print("the runs with faults placed: %s" % ("ok" if all(checks) else "WRONG"))
    sys.exit(0 if not problems and all(checks) else 1)


if __name__ == "__main__":
    main()
