"""The texts the benchmark lists and captures: generated, the same for the
same count of records, as offices type them."""
import random
import string
import struct

RECORD_SIZE = 88
TEXT_BYTES = 78
TEXT_CHARS = string.ascii_letters + string.digits + " .,;:-_'"
# French as this program's users type it: most words plain, some accented.
FRENCH_WORDS = ("le la les des une été à côté élève où déjà garçon français forêt naïve "
                "reçu hôpital crème brûlée Noël œuvre fenêtre très facture relevé numéro "
                "écrits première année déménagé sœur château").split()
NBSP, NARROW_NBSP = "\u00a0", "\u202f"


def make_input(path, file_name, records, last_answer):
    """Writes the console input for `records` records: numbers, a text of 20
    to 70 bytes, "y" after each record but the last, last_answer after it."""
    rng = random.Random(records)
    with open(path, "w", encoding="ascii") as f:
        f.write(file_name + "\n")
        for i in range(records):
            text = "".join(rng.choices(TEXT_CHARS, k=rng.randint(20, 70)))
            answer = "y\n" if i + 1 < records else last_answer
            f.write(f"{rng.randint(-2**31, 2**31 - 1)}\n{rng.randint(0, 10**6)}\n{text}\n{answer}")


def write_records(path, records, text_of):
    """Writes a record file of `records` records, the i-th text text_of(rng),
    in bytes, cut to TEXT_BYTES."""
    rng = random.Random(records)
    with open(path, "wb") as f:
        for i in range(records):
            f.write(struct.pack("<ii80s", i, rng.randint(-10**6, 10**6), text_of(rng)[:TEXT_BYTES]))


def sentence(rng, piece):
    """Pieces joined by spaces, 20 to 70 bytes of UTF-8, never past 78."""
    text = ""
    target = rng.randint(20, 70)
    while len(text.encode()) < target:
        more = (" " if text else "") + piece(rng)
        if len((text + more).encode()) > TEXT_BYTES:
            break
        text += more
    return text


def make_ascii_file(path, records):
    """ASCII texts as the capture's bench types them: letters, digits, and
    now and then a comma."""
    write_records(path, records, lambda rng: "".join(rng.choices(TEXT_CHARS, k=rng.randint(20, 70))).encode())


def make_accented_file(path, records):
    """Accented French words only: ASCII and two-byte letters."""
    write_records(path, records, lambda rng: sentence(rng, lambda r: r.choice(FRENCH_WORDS)).encode())


# What an office types between its words, with how often, in a hundred
# pieces: the typographic apostrophe, amounts in euros, decimal commas,
# « » and the no-break spaces French puts before : ; ! ?, n°, quoted words.
OFFICE_PIECES = (
    (70, lambda r: r.choice(FRENCH_WORDS)),
    (6, lambda r: r.choice(("l’", "d’", "qu’", "n’")) + r.choice(FRENCH_WORDS)),
    (4, lambda r: f"{r.randint(1, 999)},{r.randint(0, 99):02d}{NBSP}€"),
    (3, lambda r: f"{r.randint(0, 9)},{r.randint(1, 9)}"),
    (3, lambda r: r.choice(FRENCH_WORDS) + ","),
    (2, lambda r: f"n°{r.choice((' ', NBSP))}{r.randint(1, 9999)}"),
    (2, lambda r: f"«{NBSP}{r.choice(FRENCH_WORDS)}{NBSP}»"),
    (2, lambda r: r.choice(FRENCH_WORDS) + r.choice((NARROW_NBSP + ";", NARROW_NBSP + "!", NARROW_NBSP + "?",
                                                       NBSP + ":"))),
    (1, lambda r: f'"{r.choice(("ok", "urgent", "vu"))}"'),
)
OFFICE_WEIGHTS = [w for w, _ in OFFICE_PIECES]


def office_text(rng):
    """A text as an office types it, now and then with a tab, a byte of
    another encoding (Latin-1's é) or a control character in it."""
    text = sentence(rng, lambda r: r.choices(OFFICE_PIECES, OFFICE_WEIGHTS)[0][1](r)).encode()
    odd = rng.random()
    cut = rng.randint(0, len(text))
    while cut < len(text) and text[cut] & 0xc0 == 0x80:
        cut += 1
    if odd < 0.01:
        return text[:cut] + b"\t" + text[cut:]
    if odd < 0.015:
        return text[:cut] + b"\xe9" + text[cut:]
    if odd < 0.018:
        return text[:cut] + rng.choice((b"\r", b"\x01", b"\x0c")) + text[cut:]
    return text


def make_office_file(path, records):
    """French office texts: the accented words with €, ’, n°, « », no-break
    spaces, decimal commas and quotes among them."""
    write_records(path, records, office_text)
