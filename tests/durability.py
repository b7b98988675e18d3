#!/usr/bin/env python3
"""What reaches the disk, and what each failing system call leads to.

    durability.py PATH_TO_ECRITURE PATH_TO_LECTURE

Makes every call of a short run fail once, one at a time, with strace's fault
injection, and checks that the run neither crashes nor hangs, that the record
file holds whole records, those reported written, and that the status says
what happened. Checks too, in strace's log, the order write, flush, report at
a terminal, and the single flush before the close when the input is piped.
"""
import io
import os
import re
import subprocess
import sys
import tempfile

import pexpect

ECRITURE = os.path.abspath(sys.argv[1])
LECTURE = os.path.abspath(sys.argv[2])
RECORD = 88
NAME = "records.dat"
TYPED = b"records.dat\n12\n-3\nabc\ny\n7\n8\ndefgh\nn\n"
KINDS = {
    "openat": ["EIO", "ENOSPC", "EINTR"],
    "read": ["EIO", "EINTR"],
    "write": ["EIO", "ENOSPC", "EINTR", "EPIPE"],
    "lseek": ["EIO", "EINTR"],
    "newfstatat": ["EIO"],
    "fdatasync": ["EIO", "ENOSPC", "EINTR", "EINVAL"],
    "fsync": ["EIO", "ENOSPC", "EINTR", "EINVAL"],
    "close": ["EIO", "EINTR"],
}
# The program's own calls begin with its check of the standard descriptors;
# the ones before belong to the loader.
START = "fcntl(0, F_GETFD)"
CALL = re.compile(r"^(?:\d+ +)?(\w+)\((.*)\) += (-?\d+)")
POSITION = re.compile(rb"(Position actuelle dans le fichier )-?\d+")
REPORT = re.compile(rb"^(\d+) Bytes \xc3\xa9crits$", re.M)


def run(command, cwd, stdin, inject=None):
    """Runs under strace: injecting one failure, or logging to strace.log."""
    trace = ["-e", "trace=" + inject[0], "-e", "inject=%s:error=%s:when=%d" % inject, "-o", "/dev/null"] \
        if inject else ["-e", "trace=fcntl," + ",".join(KINDS), "-o", "strace.log"]
    try:
        r = subprocess.run(["strace", "-f", "-qq", *trace, *command], cwd=cwd, input=stdin,
                           capture_output=True, timeout=30)
    except subprocess.TimeoutExpired:
        return None
    path = os.path.join(cwd, NAME)
    data = open(path, "rb").read() if os.path.exists(path) else None
    return r.returncode, r.stdout, r.stderr, data


def calls_to_fail(log):
    """(kind, n, role) for every call the program itself makes, n counting
    that kind from the start; role names the descriptor or file it is on."""
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
        else:
            role = roles.get(args.split(",")[0], "other")
        if started:
            points.append((kind, seen[kind], role))
    return points


def expected(program, kind, role, error):
    """What the failure must lead to: the same run, the same run but for the
    position shown, a failed open, or a failure said on standard error."""
    if program == "ecriture" and kind == "openat" and role == "record":
        return "same" if error == "EINTR" else "open failed"
    if kind == "write" and role in ("stdout", "stderr"):
        return "failed"  # the C library drops a stream's buffer on any failed write
    if error == "EINTR" or (kind in ("fsync", "fdatasync") and error == "EINVAL"):
        return "same"
    if kind == "close" and role == "directory":
        return "same"  # read only: its flush has already answered
    if kind == "lseek" or (kind == "newfstatat" and program == "ecriture"):
        return "positions"
    if kind == "newfstatat":
        return "same"
    return "failed"


def records_consistent(outcome, before, entered):
    """The file holds what it held, then whole records in the order typed,
    exactly those reported as 88 bytes when every report was written."""
    _, _, err, data = outcome
    data = data or b""
    if not data.startswith(before) or (len(data) - len(before)) % RECORD:
        return False
    stored = [data[i:i + RECORD] for i in range(len(before), len(data), RECORD)]
    reports = [int(n) for n in REPORT.findall(err)]
    if b"write error on standard error" not in err:
        return stored == [rec for rec, n in zip(entered, reports) if n == RECORD]
    it = iter(entered)
    return all(rec in it for rec in stored)


def sweep(program, command, stdin, before, failure_status):
    """Fails each call once with each error; returns (tried, problems)."""
    with tempfile.TemporaryDirectory() as cwd:
        def fresh():
            for name in os.listdir(cwd):
                os.remove(os.path.join(cwd, name))
            if before is not None:
                open(os.path.join(cwd, NAME), "wb").write(before)
        fresh()
        base = run(command, cwd, stdin)
        log = open(os.path.join(cwd, "strace.log")).read()
        points = calls_to_fail(log)
        base_data = base[3] or b""
        entered = [base_data[i:i + RECORD] for i in range(len(before or b""), len(base_data), RECORD)]
        tried, problems = 0, []
        for kind, n, role in points:
            for error in KINDS[kind]:
                fresh()
                outcome = run(command, cwd, stdin, (kind, error, n))
                tried += 1
                want = expected(program, kind, role, error)
                wrong = judge(outcome, base, want, before, entered, program, failure_status)
                if wrong:
                    problems.append("%s %s #%d (%s) %s: %s" % (program, kind, n, role, error, wrong))
    return tried, problems, log


def judge(outcome, base, want, before, entered, program, failure_status):
    if outcome is None:
        return "hung"
    status, out, err, data = outcome
    if status < 0 or status > 255:
        return "crashed (status %d)" % status
    if want == "open failed":
        failed = err.startswith(b"ecriture: %s: " % NAME.encode()) and err.endswith(b"\nEchec Ouverture\n")
        return None if (status, failed, data) == (1, True, before) else "not a failed open"
    if not records_consistent(outcome, before or b"", entered):
        return "file %r does not match the reports %r" % (data, err)
    if want == "same" and outcome != base:
        return "differs from the run without failure: %r" % (outcome,)
    if want == "positions" and (status, err, data, POSITION.sub(rb"\1", out)) != \
            (0, base[2], base[3], POSITION.sub(rb"\1", base[1])):
        return "differs beyond the positions shown: %r" % (outcome,)
    if want == "failed" and (status != failure_status or (program + ": ").encode() not in err):
        return "status %d, errors %r" % (status, err)
    return None


def program_calls(text):
    """strace's log from the record file's open on, without pids and padding."""
    log = [re.sub(r" +(?== )", " ", re.sub(r"^\d+ +", "", line)) for line in text.splitlines()]
    return log[next(i for i, line in enumerate(log) if line.startswith("openat") and '"%s"' % NAME in line):]


def typed_at_terminal(trace):
    """Types two records on a pseudo-terminal, under strace with the given
    options; returns the status, what the screen showed and the file."""
    with tempfile.TemporaryDirectory() as cwd:
        child = pexpect.spawn("strace", ["-f", "-qq", *trace, ECRITURE], cwd=cwd, timeout=10)
        child.logfile_read = screen = io.BytesIO()
        prompts = ["creer :)"] + ["numero :", "valeur :", "Tampon :", "(Y/N) ?)"] * 2
        for prompt, answer in zip(prompts, TYPED.decode().split("\n")):
            child.expect_exact(prompt)
            child.sendline(answer)
        child.expect(pexpect.EOF)
        child.close()
        log = program_calls(open(os.path.join(cwd, "strace.log")).read()) if "strace.log" in trace else []
        return child.exitstatus, screen.getvalue(), open(os.path.join(cwd, NAME), "rb").read(), log


def interactive_order():
    """At a terminal: each record's write, then its flush, then its report;
    a failed flush is said before the report, and the status tells it."""
    status, _, data, log = typed_at_terminal(["-o", "strace.log", "-e",
                                              "trace=openat,write,fdatasync,fsync,close,fcntl"])
    fd = log[0].rsplit("= ", 1)[1]
    steps = [line for line in log if re.match(r"(write|fdatasync|close|fcntl)\((%s|2)[,)]|fsync\(" % fd, line)]
    steps = [re.sub(r"fcntl\(\d+, (F_SETLKW?), \{l_type=(\w+).*", r"\1 \2", s) for s in steps]
    record = "write(%s, " % fd
    ok = status == 0 and len(data) == 2 * RECORD and sum(s.startswith(record) for s in steps) == 2
    # Each record under the agreed lock: lock, write, flush, unlock, then the
    # report, which could wait on the terminal.
    for i, step in enumerate(steps):
        if step.startswith(record):
            ok = ok and steps[i - 1] == "F_SETLK F_WRLCK" and steps[i + 1] == "fdatasync(%s) = 0" % fd and \
                steps[i + 2] == "F_SETLK F_UNLCK" and \
                steps[i + 3].startswith('write(2, "88 Bytes \\303\\251crits\\n", 17)')
    print("at a terminal (strace, status %s):\n    %s" % (status, "\n    ".join(steps)))
    status, screen, data, _ = typed_at_terminal(["-o", "/dev/null", "-e", "trace=fdatasync",
                                                 "-e", "inject=fdatasync:error=EIO:when=1"])
    failed = "ecriture: %s: Input/output error\r\n88 Bytes \u00e9crits\r\n" % NAME
    print("at a terminal, the first flush failing: status %s" % status)
    return ok and status == 255 and len(data) == 2 * RECORD and \
        screen.decode().count("88 Bytes \u00e9crits") == 2 and failed in screen.decode()


def without_locks():
    """A file system without locks: said once, and every record written."""
    with tempfile.TemporaryDirectory() as cwd:
        r = subprocess.run(["strace", "-qq", "-o", "/dev/null", "-e", "trace=fcntl", "-e",
                            "inject=fcntl:error=ENOLCK:when=4+", ECRITURE], cwd=cwd, input=TYPED,
                           capture_output=True, timeout=30)
        warned = r.stderr.count(b"records.dat: the file system offers no lock") == 1
        data = open(os.path.join(cwd, NAME), "rb").read()
        print("no locks (ENOLCK injected): status %d, warned once: %s, %d bytes" % (r.returncode, warned, len(data)))
        return r.returncode == 0 and warned and len(data) == 2 * RECORD


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


def main():
    with tempfile.TemporaryDirectory() as cwd:
        subprocess.run([ECRITURE], cwd=cwd, input=TYPED, capture_output=True, timeout=30, check=True)
        listed = open(os.path.join(cwd, NAME), "rb").read()
    piped = []
    problems, tried = [], 0
    for what, program, command, stdin, before, status in [
            ("new file", "ecriture", [ECRITURE], TYPED, None, 255),
            ("existing file", "ecriture", [ECRITURE], TYPED, b"x" * RECORD, 255),
            ("a file and standard input", "lecture", [LECTURE, NAME, "-"], listed, listed, 2)]:
        n, found, log = sweep(program, command, stdin, before, status)
        print("%s, %s: %d failure points tried, %d went wrong" % (program, what, n, len(found)))
        tried += n
        problems += found
        piped = piped or program_calls(log)
    print("fault sweep: %d failure points tried, %d went wrong" % (tried, len(problems)))
    for problem in problems:
        print("  " + problem)
    ordered = all([interactive_order(), directory_flush_named(), without_locks(), new_file_through_a_link()])
    # Piped: one flush of the record file, right before its close.
    fd = piped[0].rsplit("= ", 1)[1]
    mine = [line for line in piped if re.match(r"(fdatasync|fsync|close)\(", line)]
    single = [line for line in mine if line.startswith("fdatasync")] == ["fdatasync(%s) = 0" % fd] and \
        mine[-2:] == ["fdatasync(%s) = 0" % fd, "close(%s) = 0" % fd]
    print("piped (strace):\n    %s" % "\n    ".join(mine))
    print("terminal order write, flush, report: %s; piped single flush before close: %s"
          % ("ok" if ordered else "WRONG", "ok" if single else "WRONG"))
    sys.exit(0 if not problems and ordered and single else 1)


if __name__ == "__main__":
    main()
