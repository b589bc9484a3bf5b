#!/bin/sh
# Writes the product files of the install-time benchmark's package into DIR:
# a main program and six files of the shipped sizes, cut from one stream of
# incompressible bytes followed by text and a little more noise, so that the
# package compresses to the shipped size (1,165,190 bytes for 2,381,713).
# The bytes come from a fixed pseudo-random sequence: every run writes the
# same files.
#   make_files.sh DIR
set -eu
dir="$1"
mkdir -p "$dir"
stream="$dir/stream.tmp"

# noise COUNT SEED | text COUNT SEED: Park-Miller generator (exact in awk's
# doubles); noise bytes are 1..255 (a NUL byte is not portable through awk).
# The three lengths were tuned with the package builder's encoder so that the
# volume comes to 1,165,190 bytes exactly.
LC_ALL=C awk -v noise=802495 -v text=1578977 -v tail=241 '
  function next_random() { x = (x * 16807) % 2147483647; return x }
  function emit_noise(count, seed,   i) {
    x = seed
    for (i = 0; i < count; i++) printf "%c", 1 + int(next_random() / 8421505)
  }
  function emit_text(count, seed,   written, word) {
    x = seed
    n = split("the of and to in is that for on with as by at from it be this are which or " \
          "route depot gantrell ferrovale train track signal station timetable freight " \
          "carriage junction platform schedule line engine crane yard switch", words, " ")
    written = 0
    while (written < count) {
      word = words[1 + next_random() % n]
      word = (next_random() % 9 == 0) ? word ".\r\n" : word " "
      if (written + length(word) > count) word = substr(word, 1, count - written)
      printf "%s", word
      written += length(word)
    }
  }
  BEGIN { emit_noise(noise, 31); emit_text(text, 32); emit_noise(tail, 33) }' >"$stream"

# The main program, then the six files, back to back.
offset=0
cut() {
  tail -c +$((offset + 1)) "$stream" | head -c "$2" >"$dir/$1"
  offset=$((offset + $2))
}
cut Gantrell.Exe 1339904
cut Ferrovale.Dll 400000
cut Routes.Lib 300000
cut Depots.Dtp 200000
cut Gantrell.Hlp 100000
cut ReadMe.Txt 40000
cut UnInstal.Exe 1809
rm -f "$stream"
