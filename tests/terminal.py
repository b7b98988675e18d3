#!/usr/bin/env python3
"""Runs the capture program on a pseudo-terminal, types each answer only once
its prompt is on the screen, and compares the whole screen with the expected
dialogue. Usage: terminal.py PATH_TO_ECRITURE"""
import os
import select
import subprocess
import sys
import tempfile
import time

PROGRAM = os.path.abspath(sys.argv[1]) if len(sys.argv) > 1 else "build/ecriture"
SCREEN = """\
Le nom de fichier à creer :)records.dat
Ouverture reussie 
Position actuelle dans le fichier 0
Saisie numero :12
Saisie valeur :-3
Saisie Tampon :abc
12
-3
abc
-----------------------
88 Bytes écrits
Encoder un autre (Y/N) ?)n
""".encode()
STEPS = [("Le nom de fichier à creer :)", "records.dat"), ("Saisie numero :", "12"),
         ("Saisie valeur :", "-3"), ("Saisie Tampon :", "abc"), ("Encoder un autre (Y/N) ?)", "n")]


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


def main():
    master, slave = os.openpty()
    with tempfile.TemporaryDirectory() as cwd:
        proc = subprocess.Popen([PROGRAM], cwd=cwd, stdin=slave, stdout=slave, stderr=slave,
                                start_new_session=True)
        os.close(slave)
        screen = bytearray()
        for prompt, answer in STEPS:
            deadline = time.monotonic() + 10
            while not screen.endswith(prompt.encode()):
                if time.monotonic() > deadline or not read_more(master, screen, deadline):
                    sys.exit("prompt %r not shown before typing; screen so far:\n%s" % (prompt, bytes(screen)))
            os.write(master, answer.encode() + b"\n")
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline and read_more(master, screen, deadline):
            pass
        status = proc.wait(10)
        with open(os.path.join(cwd, "records.dat"), "rb") as f:
            size = len(f.read())
    shown = bytes(screen).replace(b"\r\n", b"\n")
    if shown != SCREEN or status != 0 or size != 88:
        sys.exit("screen differs (status %d, file %d bytes):\n%r\nexpected:\n%r" % (status, size, shown, SCREEN))
    print("1 passed, 0 failed")


if __name__ == "__main__":
    main()
