#!/usr/bin/env python3
"""Runs the capture program on a pseudo-terminal, types each answer only once
its prompt is on the screen, and compares the whole screen with the expected
dialogue. Usage: terminal.py PATH_TO_ECRITURE

Under wine, the program gets a Windows console drawn on the terminal: its
cursor and erase sequences are left out of the comparison, and so are blanks
at the end of a line, which it draws by erasing."""
import os
import re
import select
import subprocess
import sys
import tempfile
import termios
import time
import tty

import common

PROGRAM = common.EMULATOR + [os.path.abspath(sys.argv[1]) if len(sys.argv) > 1 else "build/ecriture"]
CONTROL = re.compile(rb"\x1b\[[0-9;?]*[A-Za-z]")

WINDOWS = common.WINDOWS
EDITED = os.environ.get("ECRITURE_LINE_EDITING") == "1"


def visible(screen):
    shown = CONTROL.sub(b"", bytes(screen)).replace(b"\r\n", b"\n")
    return re.sub(rb" +\n", b"\n", shown) if WINDOWS else shown
SCREEN = """\
Le nom de fichier à creer :)records.dat
Ouverture reussie 
Position actuelle dans le fichier 0
Saisie numero :12
Saisie valeur :-3
Saisie Tampon :été
12
-3
été
-----------------------
88 Bytes écrits
Encoder un autre (Y/N) ?)n
""".encode()
STEPS = [("Le nom de fichier à creer :)", "records.dat"), ("Saisie numero :", "12"),
         ("Saisie valeur :", "-3"), ("Saisie Tampon :", "été"), ("Encoder un autre (Y/N) ?)", "n")]


def read_more(master, screen, deadline):
    """Appends what the terminal shows next; False once the program has gone."""
    ready, _, _ = select.select([master], [], [], max(0.0, deadline - time.monotonic()))
    if not ready:
        return True
    try:
        chunk = os.read(master, 4096)
    except OSError:
        return False
    screen += chunk
    return bool(chunk)


def wait_for_editor(master, deadline):
    """The line editor shows its prompt a moment before it turns the
    terminal's echo off: a key typed in between, faster than a person
    types, would be echoed twice."""
    while EDITED and termios.tcgetattr(master)[3] & termios.ECHO:
        if time.monotonic() > deadline:
            sys.exit("the line editor never turned the echo off")
        time.sleep(0.01)


def run(output_to_pipe):
    """Types each answer once its prompt has come, on the terminal or, when
    standard output is a pipe, on that pipe; returns the status, what came
    and the file."""
    master, slave = os.openpty()
    if WINDOWS:
        # Wine's console reads the terminal raw once it reads; a line typed
        # before that must not be cooked into LF.
        tty.setraw(slave)
    reader, writer = os.pipe() if output_to_pipe else (master, slave)
    with tempfile.TemporaryDirectory() as cwd:
        proc = subprocess.Popen(PROGRAM, cwd=cwd, stdin=slave, stdout=writer, stderr=slave,
                                start_new_session=True)
        os.close(slave)
        if output_to_pipe:
            os.close(writer)
        screen = bytearray()
        for prompt, answer in STEPS:
            deadline = time.monotonic() + 10
            while not visible(screen).endswith(prompt.encode()):
                if time.monotonic() > deadline or not read_more(reader, screen, deadline):
                    sys.exit("prompt %r not shown before typing; shown so far:\n%s" % (prompt, bytes(screen)))
            if not output_to_pipe:
                wait_for_editor(master, deadline)
            os.write(master, answer.encode() + b"\r")
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline and read_more(reader, screen, deadline):
            pass
        status = proc.wait(10)
        with open(os.path.join(cwd, "records.dat"), "rb") as f:
            data = f.read()
    for fd in {master, reader}:
        os.close(fd)
    return status, visible(screen), data


def main():
    status, shown, data = run(False)
    if shown != visible(SCREEN) or status != 0 or len(data) != 88 or data[8:15] != "été".encode() + b"\0\0":
        sys.exit("screen differs (status %d, file %r):\n%r\nexpected:\n%r" % (status, data, shown, SCREEN))
    # A person typing while the dialogue goes to a pipe, as into tee: each
    # prompt reaches the pipe before the read waits. Wine's console is its own.
    if not WINDOWS:
        status, shown, data = run(True)
        piped = ("Le nom de fichier à creer :)Position actuelle dans le fichier 0\nSaisie numero :Saisie valeur :"
                 "Saisie Tampon :12\n-3\nété\n-----------------------\nEncoder un autre (Y/N) ?)").encode()
        if (status, shown, len(data)) != (0, piped, 88):
            sys.exit("through a pipe (status %d, file %r):\n%r\nexpected:\n%r" % (status, data, shown, piped))
    print("%d passed, 0 failed" % (1 if WINDOWS else 2))


if __name__ == "__main__":
    main()
