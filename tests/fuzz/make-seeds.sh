#!/usr/bin/env bash
# Writes the harnesses' seed inputs into tests/fuzz/seeds/<harness>/ from the shipped data (../shared/data by
# default, or $1). The seeds are committed; run this again only to remake them.
#
# A harness reads its options (integers, flags) from the end of its input and its text from the front, so each
# seed is a piece of real data followed by a few option bytes; "\\" followed by another byte ends a text field.
set -euo pipefail
cd "$(dirname "$0")"
data=${1:-../../../shared/data}
out=seeds
rm -rf "$out"
mkdir -p "$out"

# seed HARNESS NAME: standard input becomes the seed.
seed() {
  mkdir -p "$out/$1"
  cat >"$out/$1/$2"
}
cut_bytes() { head -c "$2" "$1"; }
lines() { sed -n "$2,$3p" "$1"; }
pku=$data/corpus/pku_test.utf8
cityu=$data/corpus/cityu_test.utf8

# utf8: text as it comes.
cut_bytes "$pku" 600 | seed utf8 pku
cut_bytes "$cityu" 600 | seed utf8 cityu
lines "$data/cedict_ts.u8" 40000 40004 | seed utf8 cedict

# propertyfile: the program-information body, and groups of words from the level lists.
seed propertyfile program <../../tools/program.properties.in
{
  printf 'title = %s\n' "$(lines "$data/wordlists/hsk-1.txt" 1 1)"
  for level in 1 2 3; do
    printf '[hsk-%s]\n' "$level"
    lines "$data/wordlists/hsk-$level.txt" 1 4 | awk '{ printf "    word%d = %s\n", NR, $0 }'
  done
} | seed propertyfile levels
# A value longer than the 511 bytes kept, cut just after a blank.
{
  printf 'long = '
  for _ in $(seq 170); do printf '%s' "$(lines "$data/common.u8" 1 1)"; done
  printf ' %s\n' "$(lines "$data/common.u8" 2 2)"
} | seed propertyfile long-value

# base64reader: bytes, then line width (2 bytes), CR LF and final line end flags.
{ cut_bytes "$data/common.u8" 300; printf '\x40\x00\x00\x01'; } | seed base64reader common

# programinfo: a body, then the byte to change (2 bytes), the change and "signed" (not 0 of 8).
{ cat ../../tools/program.properties.in; printf '\x00\x30\x01\x05'; } | seed programinfo body

# chinesetokenizer: text, a window seed (4 bytes), then 1 for the shipped word list; or a word list, "\\",
# text, the window seed and 0.
{ cut_bytes "$pku" 1500; printf '\x35\x71\x0b\x02\x01'; } | seed chinesetokenizer pku
{ cut_bytes "$cityu" 1500; printf '\x19\x2d\x07\x0a\x01'; } | seed chinesetokenizer cityu
{ lines "$data/wordlists/hsk-2.txt" 1 40; printf '\\x'; cut_bytes "$pku" 800; printf '\x01\x02\x03\x04\x00'; } |
  seed chinesetokenizer own-words

# cedictionary: dictionary lines, one with a byte-order mark, one with comments and CR LF.
lines "$data/cedict_ts.u8" 1 40 | seed cedictionary head
lines "$data/cedict_ts.u8" 60000 60030 | seed cedictionary middle
{ printf '\xEF\xBB\xBF'; lines "$data/cedict_ts.u8" 90000 90005; } | seed cedictionary mark
{ printf '# user dictionary\r\n'; lines "$data/cedict_ts.u8" 100000 100005 | sed 's/$/\r/'; } | seed cedictionary crlf

# encodingconverter: text, then "across pieces" (below 16), the cut (2 bytes) and the encoding (0 UTF-16LE,
# 1 UTF-16BE, 2 GB18030, 3 Big5).
{ cut_bytes "$data/corpus/pku_test.txt" 600; printf '\x20\x10\x00\x02'; } | seed encodingconverter gb18030
{ cut_bytes "$data/corpus/cityu_test.txt" 600; printf '\x08\x30\x00\x03'; } | seed encodingconverter big5
{ lines "$cityu" 1 3 | iconv -c -f UTF-8 -t UTF-16LE; printf '\x30\x05\x00\x00'; } | seed encodingconverter utf16le
{ lines "$cityu" 1 3 | iconv -c -f UTF-8 -t UTF-16BE; printf '\x30\x05\x00\x01'; } | seed encodingconverter utf16be

# encodingdetector: a file, then 0; or option bytes and 4 (Big5), 5 (GB18030), 6 or 7 (UTF-16 LE, BE).
{ cut_bytes "$data/corpus/pku_test.txt" 700; printf '\x00'; } | seed encodingdetector gb18030
{ cut_bytes "$data/corpus/cityu_test.txt" 700; printf '\x00'; } | seed encodingdetector big5
{ cut_bytes "$cityu" 700; printf '\x00'; } | seed encodingdetector utf8
{ lines "$cityu" 1 3 | iconv -c -f UTF-8 -t UTF-16LE; printf '\x00'; } | seed encodingdetector utf16le
{ cut_bytes "$cityu" 60; printf '\x04'; } | seed encodingdetector common-big5
{ cut_bytes "$pku" 60; printf '\x05'; } | seed encodingdetector common-gb18030
{ cut_bytes "$pku" 120; printf '\x06'; } | seed encodingdetector ascii-utf16

# textdocument: a piece of text, then query bytes, the repeat count and the reading distances (2 bytes each).
{ cut_bytes "$pku" 1500; printf '\x11\x22\x33\x44\x55\x66\x03\x10\x00\x08\x00'; } | seed textdocument pku
{ cut_bytes "$cityu" 900 | sed 's/$/\r/'; printf '\x01\x02\x03\x04\x05\x06\x09\x40\x00\x00\x02'; } | seed textdocument crlf

# searchterm: the term, "\\", the text, "\\", then the origin and the chunk size.
{ printf '%s\\x' "$(lines "$data/wordlists/hsk-3.txt" 5 5)"; cut_bytes "$pku" 400; printf '\\x\x00\x07'; } |
  seed searchterm word
{ printf '中*国\\x'; cut_bytes "$pku" 400; printf '\\x\x00\x03'; } | seed searchterm wildcard
{ printf '…人\\x'; cut_bytes "$pku" 400; printf '\\x\x10\x20'; } | seed searchterm leading

# objectstore: diffs as data, each ended by "\\" and a byte, then per record its parent (from the end), the
# record count and the mode (not 0 of 8).
{
  for level in 1 2 3; do lines "$data/wordlists/hsk-$level.txt" 1 6 | sed 's/^/+/'; printf '\\x'; done
  printf '\x01\x00\x00\x00\x02\x00\x03\x01'
} | seed objectstore diffs
# An empty record whose header's line end is damaged, with a record after it in the same line.
printf '\x5c\x9e\x88\xb8\x0a\x2b\xe6\x9d\xaf\x97\xe4\xba\xac\x0a\x5c\x78\x2b\xe5\x90\x2b\xe6' | seed objectstore damaged-line-end

# wordlistfiles: two lists, each ended by "\\" and a byte, then a display name, the flag and a revision.
{
  lines "$data/wordlists/hsk-1.txt" 1 30; printf '\\x'
  lines "$data/wordlists/tocfl-1.txt" 1 30; printf '\\x'
  printf 'HSK 1 + TOCFL 1\\x0123456789abcdefghij\x01'
} | seed wordlistfiles levels

# A word that begins with U+FEFF and sorts first (the list's own mark is skipped when read).
printf '\xEF\xBB\xBF\xEF\xBB\xBF%s\\x\\xlist\\x0123456789abcdefghij\x00' "$(lines "$data/wordlists/hsk-1.txt" 1 1)" |
  seed wordlistfiles mark

# wordlistimporter: a user's file, then "on a worker" (0 of 16) and the repeat count.
{ lines "$data/cedict_ts.u8" 50000 50015; printf '\x00\x03'; } | seed wordlistimporter cedict
{ lines "$data/wordlists/tocfl-2.txt" 1 60 | sed 's/$/\r/'; printf '\x05\x01'; } | seed wordlistimporter crlf

du -sh "$out"
