"""Whether a text read by OCR starts (and ends) with expected texts.

Usage: ocrmatch.py EXPECTED READ [EXPECTED-END]
Exits 0 when the start of READ is within two edits (a letter changed, added
or dropped) of EXPECTED, and its end within two of EXPECTED-END when given:
OCR misreads a character now and then ("1" as "i"), but a different message
or file name is further off than that. A message too long for the info line
loses its middle, so its start and its end are what can be checked.
"""
import sys

ALLOWED_EDITS = 2


def edits(a, b):
    row = list(range(len(b) + 1))
    for i, ca in enumerate(a, 1):
        diagonal, row[0] = row[0], i
        for j, cb in enumerate(b, 1):
            diagonal, row[j] = row[j], min(row[j] + 1, row[j - 1] + 1, diagonal + (ca != cb))
    return row[-1]


def starts_with(expected, read):
    # The read prefix may be a character or two longer or shorter.
    n = len(expected)
    return min(edits(expected, read[:k]) for k in range(max(0, n - ALLOWED_EDITS), n + ALLOWED_EDITS + 1)) <= ALLOWED_EDITS


def ends_with(expected, read):
    return starts_with(expected[::-1], read[::-1])


if __name__ == "__main__":
    ok = starts_with(sys.argv[1], sys.argv[2])
    if len(sys.argv) > 3 and sys.argv[3]:
        ok = ok and ends_with(sys.argv[3], sys.argv[2])
    sys.exit(0 if ok else 1)
