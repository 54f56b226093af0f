#!/usr/bin/env python3
"""Word F-measure of a segmentation against a hand segmentation, line by line.

    fmeasure.py segmented.utf8 gold.utf8

Both files hold words separated by white space (ASCII space, tab or U+3000); a word is scored by its span of
characters on its line, white space left out. Prints precision, recall and F.
"""
import sys


def spans(line):
    out, at = set(), 0
    for word in line.replace("\u3000", " ").split():
        out.add((at, at + len(word)))
        at += len(word)
    return out


def lines(path):
    with open(path, encoding="utf-8-sig", errors="replace", newline="") as f:
        return [l.rstrip("\r\n") for l in f.read().split("\n")]


def main(argv):
    if len(argv) != 3:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    ours, gold = lines(argv[1]), lines(argv[2])
    if ours and not ours[-1]:
        ours.pop()
    if gold and not gold[-1]:
        gold.pop()
    if len(ours) != len(gold):
        print(f"line counts differ: {len(ours)} and {len(gold)}", file=sys.stderr)
    found = expected = correct = 0
    for a, b in zip(ours, gold):
        sa, sb = spans(a), spans(b)
        found, expected, correct = found + len(sa), expected + len(sb), correct + len(sa & sb)
    precision, recall = correct / found, correct / expected
    print(f"precision {precision:.4f} recall {recall:.4f} F {2 * precision * recall / (precision + recall):.4f}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
