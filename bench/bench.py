#!/usr/bin/env python3
"""Throughput benchmark: ecriture on piped records, against a plain stdio
version making the same system calls, and lecture on the file it wrote.

    python3 bench/bench.py [--records N] [--build DIR] [--runs K] [--baseline DIR]

Prints the figures and how each compares with its target; exits 1 when a
target is missed. Needs strace and valgrind; Linux only (reads /proc).
"""
import argparse
import os
import re
import subprocess
import statistics
import sys
import tempfile
import time
from collections import Counter

import texts

RECORD_SIZE = 88
SMALL = 10_000  # records for the strace, callgrind and small memory runs
FILE_NAME = "bench.dat"
LAST_ANSWER = b"n\n"
ACCENTED_FILE = "accented.dat"
# Each kind of text a listing's cost is measured on, its file and what
# makes it: office texts first, whose figures the targets are.
TEXT_KINDS = (("office", "office.dat", texts.make_office_file),
              ("accented", ACCENTED_FILE, texts.make_accented_file),
              ("ascii", "ascii.dat", texts.make_ascii_file))
TEXT_RECORDS = 2_000_000
ACCENTED_RECORDS = TEXT_RECORDS
# Records for the listings' instruction counts, callgrind being slow.
LISTING_IR_RECORDS = 100_000
FORMATS = (("tsv", []), ("csv", ["--csv"]), ("json", ["--json"]))
XLSX_RECORDS = 100_000
CHECK_RECORDS = 10_000_000
# What an analyst would write instead of lecture --xlsx: the records read
# with numpy's record dtype, then pandas' to_excel, whose time alone counts.
PANDAS_SCRIPT = """
import sys, time, numpy, pandas
records = numpy.fromfile(sys.argv[1], dtype=[("numero", "<i4"), ("valeur", "<i4"), ("tampon", "S80")])
frame = pandas.DataFrame({"index": numpy.arange(len(records)), "numero": records["numero"],
                          "valeur": records["valeur"],
                          "tampon": [t.decode("utf-8", "replace") for t in records["tampon"]]})
start = time.perf_counter()
frame.to_excel(sys.argv[2], index=False)
print(time.perf_counter() - start)
"""


def list_times(lecture, workdir, name, runs):
    """Best wall time and its CPU times of each format's listing of name."""
    return {mode: min((run([lecture, *flags, name], workdir) for _ in range(runs)), key=lambda r: r[0])
            for mode, flags in FORMATS}


def callgrind_total(argv, workdir):
    """User-space instructions of one run of argv, start-up included."""
    out = os.path.join(workdir, "callgrind.out")
    run(["valgrind", "--tool=callgrind", f"--callgrind-out-file={out}", *argv], workdir)
    with open(out, encoding="utf-8") as f:
        return next(int(line.split()[1]) for line in f if line.startswith("totals:"))


def listing_cost(lecture, workdir, runs):
    """Each format's listing of each kind of text, on what the machine's load
    cannot change: input bytes per CPU second (user and system, the best of
    runs), and instructions per record (callgrind, on the first
    LISTING_IR_RECORDS, less those of an empty file: the start-up taken
    out)."""
    empty, small = os.path.join(workdir, "empty.dat"), os.path.join(workdir, "ir.dat")
    open(empty, "wb").close()
    cost = {}
    for kind, file_name, _ in TEXT_KINDS:
        name = os.path.join(workdir, file_name)
        with open(name, "rb") as f, open(small, "wb") as g:
            g.write(f.read(LISTING_IR_RECORDS * RECORD_SIZE))
        for mode, flags in FORMATS:
            cpu = min(sum(run([lecture, *flags, name], workdir)[1:]) for _ in range(runs))
            ir = callgrind_total([lecture, *flags, small], workdir) - callgrind_total([lecture, *flags, empty], workdir)
            cost[kind, mode] = (os.path.getsize(name) / cpu, ir / LISTING_IR_RECORDS)
    os.unlink(small)
    return cost


def make_text_files(work):
    for _, file_name, make in TEXT_KINDS:
        make(os.path.join(work, file_name), TEXT_RECORDS)


def print_cost(m, runs):
    print(f"lecture on {TEXT_RECORDS:,} records of each kind of text: input per CPU second (user and system,"
          f" best of {runs}), instructions per record (callgrind, {LISTING_IR_RECORDS:,} records, start-up"
          " taken out)" + ("; the baseline build's after them" if "before" in m else ""))
    for kind, _, _ in TEXT_KINDS:
        for mode, _ in FORMATS:
            rate, ir = m["cost"][kind, mode]
            was = ""
            if "before" in m:
                old_rate, old_ir = m["before"]["cost"][kind, mode]
                was = f"   (baseline {old_rate / 1e9:.2f} GB/s, {old_ir:,.0f})"
            print(f"  {kind:<8} {mode:<5} {rate / 1e9:5.2f} GB/s, {ir:6,.0f} instructions{was}")


def cost_targets(m):
    """The listing's targets, on office texts, in every format."""
    return [report(f"office {mode}: input per CPU second, instructions per record",
                   f"{m['cost']['office', mode][0] / 1e9:.2f} GB/s, {m['cost']['office', mode][1]:,.0f}",
                   ">= 1.5 GB/s, <= 450",
                   m["cost"]["office", mode][0] >= 1.5e9 and m["cost"]["office", mode][1] <= 450)
            for mode, _ in FORMATS]


def pandas_python():
    """An interpreter that has pandas, numpy and openpyxl, or None."""
    for python in (sys.executable, "/usr/bin/python3"):
        if subprocess.run([python, "-c", "import numpy, pandas, openpyxl"], capture_output=True).returncode == 0:
            return python
    return None


XLSX_PAIRS = 5


def xlsx_against_pandas(lecture, workdir):
    """Wall seconds of lecture --xlsx on XLSX_RECORDS records of French text,
    and of pandas' to_excel on the same records (None without pandas): the
    medians of XLSX_PAIRS runs of each, in turn, as the machine's pace
    drifts."""
    name = os.path.join(workdir, "xlsx.dat")
    with open(os.path.join(workdir, ACCENTED_FILE), "rb") as f:
        data = f.read(XLSX_RECORDS * RECORD_SIZE)
    with open(name, "wb") as f:
        f.write(data)
    python = pandas_python()
    ours, theirs = [], []
    for _ in range(XLSX_PAIRS):
        ours.append(run([lecture, "--xlsx", name], workdir)[0])
        if python:
            theirs.append(float(subprocess.run([python, "-c", PANDAS_SCRIPT, name, os.path.join(workdir, "p.xlsx")],
                                               capture_output=True, check=True).stdout))
    return statistics.median(ours), statistics.median(theirs) if theirs else None


def check_speed(lecture, workdir, runs):
    """Best wall seconds of lecture --check on CHECK_RECORDS records, read
    once first so that they are in the page cache, and the file's bytes."""
    name = os.path.join(workdir, "check.dat")
    with open(os.path.join(workdir, FILE_NAME), "rb") as f:
        block = f.read(100_000 * RECORD_SIZE)
    with open(name, "wb") as f:
        for _ in range(CHECK_RECORDS // (len(block) // RECORD_SIZE)):
            f.write(block)
    run(["cat", name], workdir)
    timed = [run([lecture, "--check", name], workdir) for _ in range(runs)]
    best = min(t[0] for t in timed)
    cpu = min(t[1] + t[2] for t in timed)
    size = os.path.getsize(name)
    # The end of the file, as tail has it: sought to, not read.
    last = {what: min(run([lecture, *flags, name], workdir)[0] for _ in range(runs))
            for what, flags in (("offset", ["--offset", str(size - RECORD_SIZE)]), ("last", ["-n", "10"]))}
    os.unlink(name)
    return best, size, last, cpu


def check_status(argv, status):
    if status != 0:
        sys.exit(f"bench: {' '.join(argv)} exited with {status}")


def run(argv, cwd, input_path=None, into_pipe=False):
    """Runs argv once, its input piped from input_path by cat, its output and
    errors to /dev/null or, into_pipe, into a pipe that cat drains, as a
    script that keeps the dialogue has it; returns wall seconds, user and
    system CPU seconds."""
    feeder = subprocess.Popen(["cat", input_path], stdout=subprocess.PIPE) if input_path else None
    drain = subprocess.Popen(["cat"], stdin=subprocess.PIPE, stdout=subprocess.DEVNULL) if into_pipe else None
    output = drain.stdin if drain else subprocess.DEVNULL
    start = time.perf_counter()
    proc = subprocess.Popen(argv, cwd=cwd, stdin=feeder.stdout if feeder else subprocess.DEVNULL,
                            stdout=output, stderr=output)
    for end in (feeder.stdout if feeder else None, drain.stdin if drain else None):
        if end:
            end.close()
    _, status, usage = os.wait4(proc.pid, 0)
    wall = time.perf_counter() - start
    proc.returncode = os.waitstatus_to_exitcode(status)
    for helper in (feeder, drain):
        if helper:
            helper.wait()
    check_status(argv, proc.returncode)
    return wall, usage.ru_utime, usage.ru_stime


def peak_memory(argv, cwd, data, held):
    """Peak resident KiB of argv reading data from a pipe, and the part of it
    that is the program's own (anonymous) memory. The last `held` bytes are
    held back until the program has read the rest and waits for more, and
    the figures are read then, from /proc: the peak after all but the end of
    the work, and the program's alone. (The peak that wait4() reports would
    count this interpreter's pages, from before the child's exec.)"""
    proc = subprocess.Popen(argv, cwd=cwd, stdin=subprocess.PIPE, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
    proc.stdin.write(data[:-held])
    proc.stdin.flush()
    proc_dir = f"/proc/{proc.pid}"
    while True:
        with open(f"{proc_dir}/io", encoding="ascii") as f:
            read = int(re.search(r"rchar: (\d+)", f.read()).group(1))
        with open(f"{proc_dir}/syscall", encoding="ascii") as f:
            waiting = f.read().startswith("0 0x0 ")  # blocked in read(0, ...)
        if read >= len(data) - held and waiting:
            break
        time.sleep(0.001)
    with open(f"{proc_dir}/status", encoding="ascii") as f:
        status = f.read()
    proc.stdin.write(data[-held:])
    proc.stdin.close()
    check_status(argv, proc.wait())
    return tuple(int(re.search(rf"{field}:\s+(\d+) kB", status).group(1)) for field in ("VmHWM", "RssAnon"))


PEAK_RUNS = 5


def median_figures(figures):
    """Median of each figure over several runs of peak_memory: the pages of
    the shared C library that a run finds mapped vary by some 10% from one
    run to the next, whatever the input."""
    return tuple(statistics.median(column) for column in zip(*figures))


def remove_record_file(workdir):
    path = os.path.join(workdir, FILE_NAME)
    if os.path.exists(path):
        os.unlink(path)


def fresh_capture(program, workdir, records, measure):
    """measure() on a new record file; checks the file then holds every record."""
    remove_record_file(workdir)
    figures = measure()
    size = os.path.getsize(os.path.join(workdir, FILE_NAME))
    if size != records * RECORD_SIZE:
        sys.exit(f"bench: {program} wrote {size} bytes for {records} records")
    return figures


def capture(program, workdir, input_path, records, runs):
    """Best wall time of `runs` fresh captures, with its CPU times."""
    timed = [fresh_capture(program, workdir, records, lambda: run([program], workdir, input_path))
             for _ in range(runs)]
    return min(timed)


def capture_peak(program, workdir, input_path, records):
    with open(input_path, "rb") as f:
        data = f.read()
    return median_figures([fresh_capture(program, workdir, records,
                                         lambda: peak_memory([program], workdir, data, len(LAST_ANSWER)))
                           for _ in range(PEAK_RUNS)])


def through_pipe(argv, cwd, lines):
    """Wall seconds until argv has written that many lines to a pipe; the
    program is then stopped, as a follower is."""
    start = time.perf_counter()
    proc = subprocess.Popen(argv, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    seen = 0
    while seen < lines:
        block = proc.stdout.read1(1 << 16)
        if not block:
            break
        seen += block.count(b"\n")
    wall = time.perf_counter() - start
    proc.kill()
    proc.wait()
    proc.stdout.close()
    return wall


def listing_peak(lecture, workdir):
    with open(os.path.join(workdir, FILE_NAME), "rb") as f:
        data = f.read()
    return median_figures([peak_memory([lecture, "-"], workdir, data, RECORD_SIZE) for _ in range(PEAK_RUNS)])


def count_syscalls(program, workdir, input_path, records, into_pipe=False):
    """System calls per record of one capture, by kind, from strace; the
    record file's descriptor is shown as "file"."""
    remove_record_file(workdir)
    trace = os.path.join(workdir, "strace.out")
    run(["strace", "-qq", "-o", trace, program], workdir, input_path, into_pipe)
    calls = Counter()
    names = {"0": "stdin", "1": "stdout", "2": "stderr"}
    with open(trace, encoding="utf-8", errors="replace") as f:
        for line in f:
            opened = re.match(rf'open(?:at)?\(.*"{FILE_NAME}".*= (\d+)', line)
            if opened:
                names[opened.group(1)] = "file"
            call = re.match(r"(\w+)\((\d*)", line)
            if call:
                name, fd = call.groups()
                known = name in ("read", "write", "lseek", "fstat", "newfstatat") and fd in names
                lock = name == "fcntl" and fd in names and names[fd] == "file" and "F_SETLK" in line
                calls[f"{name}({names[fd]})" if known else "lock(file)" if lock else "other"] += 1
    return {k: v / records for k, v in calls.items()}, sum(calls.values()) / records


CPU_PAIRS = 7


def cpu_against_plain(ours, plain, workdir, input_path, records, into_pipe):
    """CPU seconds (user and system) of our capture and of the plain stdio
    version, run in turn, each the median of CPU_PAIRS runs."""
    cpu = {ours: [], plain: []}
    for _ in range(CPU_PAIRS):
        for program in (ours, plain):
            remove_record_file(workdir)
            _, user, system = run([program], workdir, input_path, into_pipe)
            cpu[program].append(user + system)
    return statistics.median(cpu[ours]), statistics.median(cpu[plain])


def count_instructions(program, workdir, input_path, records):
    """User-space instructions per record of one capture, start-up included."""
    remove_record_file(workdir)
    out = os.path.join(workdir, "callgrind.out")
    run(["valgrind", "--tool=callgrind", f"--callgrind-out-file={out}", program], workdir, input_path)
    with open(out, encoding="utf-8") as f:
        total = next(int(line.split()[1]) for line in f if line.startswith("totals:"))
    return total / records


def measure(args, work):
    """Every figure, in a dict."""
    n = args.records
    build = os.path.abspath(args.build)
    ecriture = os.path.join(build, "ecriture")
    baseline = os.path.join(build, "bench", "stdio_ecriture")
    lecture = os.path.join(build, "lecture")
    big, small = os.path.join(work, "big.in"), os.path.join(work, "small.in")
    texts.make_input(big, FILE_NAME, n, LAST_ANSWER.decode())
    texts.make_input(small, FILE_NAME, SMALL, LAST_ANSWER.decode())
    m = {"plain": capture(baseline, work, big, n, args.runs), "ours": capture(ecriture, work, big, n, args.runs)}
    make_text_files(work)
    m["listed"] = list_times(lecture, work, FILE_NAME, args.runs)
    m["accented"] = list_times(lecture, work, ACCENTED_FILE, args.runs)
    m["cost"] = listing_cost(lecture, work, args.runs)
    if args.baseline:
        older = os.path.join(os.path.abspath(args.baseline), "lecture")
        m["before"] = {"listed": list_times(older, work, FILE_NAME, args.runs),
                       "accented": list_times(older, work, ACCENTED_FILE, args.runs),
                       "cost": listing_cost(older, work, args.runs),
                       "check": check_speed(older, work, args.runs)}
    m["piped"] = {mode: min(through_pipe([lecture, *flags, FILE_NAME], work, n + 1) for _ in range(args.runs))
                  for mode, flags in (("listed", []), ("followed", ["--follow"]))}
    m["xlsx"] = xlsx_against_pandas(lecture, work)
    m["check"] = check_speed(lecture, work, args.runs)
    m["lecture_peak"] = listing_peak(lecture, work)
    m["peak"] = capture_peak(ecriture, work, big, n)
    m["small_peak"] = capture_peak(ecriture, work, small, SMALL)
    m["lecture_small_peak"] = listing_peak(lecture, work)
    m["calls"], m["calls_per_record"] = count_syscalls(ecriture, work, small, SMALL)
    m["piped_calls"], m["piped_calls_per_record"] = count_syscalls(ecriture, work, small, SMALL, True)
    m["cpu"] = {into_pipe: cpu_against_plain(ecriture, baseline, work, big, n, into_pipe)
                for into_pipe in (False, True)}
    m["ir"] = count_instructions(ecriture, work, small, SMALL)
    m["plain_ir"] = count_instructions(baseline, work, small, SMALL)
    return m


def report(label, value, target, ok):
    print(f"  {label:<40} {value:>12}   target {target:<14} {'ok' if ok else 'MISSED'}")
    return ok


def print_peak(big, small):
    print(f"  peak resident             {big[0]:,} KiB, {big[1]:,} KiB of it its own"
          f" ({small[0]:,} and {small[1]:,} KiB for {SMALL:,} records; medians of {PEAK_RUNS} runs)")


def print_figures(m, n, runs):
    ours, plain = m["ours"], m["plain"]
    print(f"ecriture, {n:,} piped records, output to /dev/null (best of {runs}):")
    print(f"  records per second        {n / ours[0]:>11,.0f}   ({ours[0]:.3f} s wall)")
    print(f"  CPU seconds               user {ours[1]:.3f}, system {ours[2]:.3f}")
    print_peak(m["peak"], m["small_peak"])
    print(f"  plain stdio version       {n / plain[0]:>11,.0f}   ({plain[0]:.3f} s wall,"
          f" user {plain[1]:.3f}, system {plain[2]:.3f})")
    print(f"  system calls per record   {m['calls_per_record']:.3f} ({SMALL:,}-record run, strace):")
    for call, count in sorted(m["calls"].items()):
        print(f"    {call:<14} {count:.4f}")
    print(f"  with output and errors into a pipe: {m['piped_calls_per_record']:.3f}:")
    for call, count in sorted(m["piped_calls"].items()):
        print(f"    {call:<14} {count:.4f}")
    for into_pipe, (ours_cpu, plain_cpu) in m["cpu"].items():
        print(f"  CPU seconds, output {'into a pipe' if into_pipe else 'to /dev/null'}: {ours_cpu:.3f}, plain"
              f" stdio version {plain_cpu:.3f} ({ours_cpu / plain_cpu:.2f}x; medians of {CPU_PAIRS} paired runs)")
    print(f"  instructions per record   {m['ir']:,.0f} ({SMALL:,}-record run, callgrind;"
          f" plain stdio version {m['plain_ir']:,.0f})")
    print(f"lecture on the {n:,}-record file, output to /dev/null:")
    for mode, (wall, user, system) in m["listed"].items():
        print(f"  {mode}: {wall:.3f} s wall, user {user:.3f}, system {system:.3f} (best of {runs})")
    print(f"lecture on {ACCENTED_RECORDS:,} records of accented French text:")
    for mode, (wall, user, system) in m["accented"].items():
        print(f"  {mode}: {wall:.3f} s wall, user {user:.3f}, system {system:.3f} (best of {runs})")
    if "before" in m:
        print("the same listings by the baseline build, then this build (wall seconds):")
        for source in ("listed", "accented"):
            for mode, _ in FORMATS:
                before, after = m["before"][source][mode][0], m[source][mode][0]
                print(f"  {source:<9} {mode:<5} {before:.3f} -> {after:.3f} ({after / before:.2f}x)")
    print(f"  through a pipe, as tsv: {m['piped']['listed']:.3f} s; with --follow, until the last record:"
          f" {m['piped']['followed']:.3f} s")
    print_peak(m["lecture_peak"], m["lecture_small_peak"])
    ours, theirs = m["xlsx"]
    print(f"  --xlsx, {XLSX_RECORDS:,} accented records: {ours:.3f} s; pandas to_excel: "
          + (f"{theirs:.3f} s ({theirs / ours:.1f}x)" if theirs else "not measured (no pandas)"))
    print_cost(m, runs)
    best, size, last, cpu = m["check"]
    print(f"  --check, {CHECK_RECORDS:,} records in the page cache: {best:.3f} s, {size / best / 1e9:.1f} GB/s;"
          f" {size / cpu / 1e9:.1f} GB/s per CPU second"
          + (f" (baseline {size / m['before']['check'][3] / 1e9:.1f})" if "before" in m else ""))
    print(f"  the same file's last record by --offset: {last['offset'] * 1000:.1f} ms; its last 10 by -n 10:"
          f" {last['last'] * 1000:.1f} ms")


def check_targets(m):
    calls = m["calls"]

    def per_record(call, most):
        return report(f"{call} per record", f"{calls.get(call, 0):.4f}", f"<= {most}", calls.get(call, 0) <= most)

    def same_peak(label, big, small):
        # Only the program's own pages can grow with the records; the shared
        # library pages that count in the total vary from run to run.
        ok = abs(big[1] / small[1] - 1) <= 0.05 and big[0] < 4096
        return report(label, f"{big[1]:,}/{big[0]:,} KiB", "own +-5%, <4 MiB", ok)

    # CSV copies the texts' bytes; TSV and JSON escape them, in one walk each.
    escaped = [m["accented"][mode][0] for mode in ("tsv", "json")]
    slowest, fastest, csv = max(escaped), min(escaped), m["accented"]["csv"][0]
    print("targets:")
    checks = [
        per_record("write(file)", 1),
        # one more in all: the open's message
        per_record("write(stderr)", 1 + 1 / SMALL),
        # the agreed lock, taken and released around each batch of records
        per_record("lock(file)", 0.02),
        per_record("read(stdin)", 0.1),
        per_record("write(stdout)", 0.1),
        report("system calls per record", f"{m['calls_per_record']:.3f}", "<= 3.1", m["calls_per_record"] <= 3.1),
        report("the same, output into a pipe", f"{m['piped_calls_per_record']:.3f}", "<= 3.1",
               m["piped_calls_per_record"] <= 3.1),
        report("CPU time against plain stdio, to /dev/null", f"{m['cpu'][False][0] / m['cpu'][False][1]:.2f}x",
               "<= 1x", m["cpu"][False][0] <= m["cpu"][False][1]),
        report("the same, into a pipe", f"{m['cpu'][True][0] / m['cpu'][True][1]:.2f}x", "<= 1x",
               m["cpu"][True][0] <= m["cpu"][True][1]),
        report("instructions per record", f"{m['ir']:,.0f}", "<= 2,500", m["ir"] <= 2500),
        report("wall time against plain stdio", f"{m['ours'][0] / m['plain'][0]:.2f}x", "< 1x",
               m["ours"][0] < m["plain"][0]),
        report("lecture --json against tsv", f"{m['listed']['json'][0] / m['listed']['tsv'][0]:.2f}x", "<= 1.5x",
               m["listed"]["json"][0] <= 1.5 * m["listed"]["tsv"][0]),
        report("accented text: TSV and JSON, one against the other", f"{slowest / fastest:.2f}x", "<= 1.15x",
               slowest <= 1.15 * fastest),
        report("accented text: CSV against the faster of them", f"{csv / fastest:.2f}x", "<= 1.15x",
               csv <= 1.15 * fastest),
        report("lecture --follow against a listing", f"{m['piped']['followed'] / m['piped']['listed']:.2f}x",
               "<= 1.1x", m["piped"]["followed"] <= 1.1 * m["piped"]["listed"]),
        report("lecture --xlsx against pandas to_excel",
               f"{m['xlsx'][1] / m['xlsx'][0]:.1f}x" if m["xlsx"][1] else "not measured", ">= 8x",
               m["xlsx"][1] is None or m["xlsx"][1] >= 8 * m["xlsx"][0]),
        report("lecture --check", f"{m['check'][1] / m['check'][0] / 1e9:.1f} GB/s", ">= 2 GB/s",
               m["check"][1] >= 2e9 * m["check"][0]),
        *cost_targets(m),
        report("lecture --check per CPU second", f"{m['check'][1] / m['check'][3] / 1e9:.1f} GB/s", ">= 7 GB/s",
               m["check"][1] >= 7e9 * m["check"][3]),
        report("the last record of 10,000,000, --offset or -n 10", f"{max(m['check'][2].values()) * 1000:.1f} ms",
               "<= 20 ms", max(m["check"][2].values()) <= 0.02),
        same_peak("ecriture peak, as for 10,000", m["peak"], m["small_peak"]),
        same_peak("lecture peak, as for 10,000", m["lecture_peak"], m["lecture_small_peak"]),
    ]
    return all(checks)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--records", type=int, default=1_000_000)
    parser.add_argument("--build", default="build")
    parser.add_argument("--runs", type=int, default=3, help="timed runs; the best is kept")
    parser.add_argument("--baseline", help="the build directory of an earlier version, whose listings are "
                        "measured in the same run, for a before and after")
    parser.add_argument("--listing", action="store_true", help="the listing's cost on each kind of text alone")
    args = parser.parse_args()
    with tempfile.TemporaryDirectory(prefix="ecriture-bench-") as work:
        if args.listing:
            return listing_only(args, work)
        m = measure(args, work)
    print_figures(m, args.records, args.runs)
    return 0 if check_targets(m) else 1


def listing_only(args, work):
    make_text_files(work)
    m = {"cost": listing_cost(os.path.join(os.path.abspath(args.build), "lecture"), work, args.runs)}
    if args.baseline:
        m["before"] = {"cost": listing_cost(os.path.join(os.path.abspath(args.baseline), "lecture"), work, args.runs)}
    print_cost(m, args.runs)
    print("targets:")
    return 0 if all(cost_targets(m)) else 1


if __name__ == "__main__":
    sys.exit(main())
