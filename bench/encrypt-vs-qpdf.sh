#!/usr/bin/env bash
# Times Sealmark's engine (bench_encrypt, one process for all files) against
# the qpdf command-line tool in a serial loop (one process per file) on the
# same corpus, both at 256-bit AES with the same passwords, and compares
# their peak memory on the large file.
#
#   bench/encrypt-vs-qpdf.sh [CORPUS_FOLDER] [BUILD_DIR]
#
# CORPUS_FOLDER (default /tmp/sealmark-corpus) is made with make_corpus when
# it does not exist yet: 300 files and a large.pdf of at least 300 MB. Build
# first (BUILD_TYPE=Release ./scripts/setup, or any build with the bench
# targets). Needs qpdf and GNU time (/usr/bin/time).
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
corpus="${1:-/tmp/sealmark-corpus}"
build="${2:-$root/build}"
rounds="${ROUNDS:-3}"
bench="$build/bin/bench_encrypt"
make_corpus="$build/bin/make_corpus"

for tool in "$bench" "$make_corpus" qpdf /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 2; }
done
if [ ! -d "$corpus" ]; then
  "$make_corpus" "$corpus" --files 300 --large-mb 320
fi

out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
files=("$corpus"/corpus-*.pdf)
mb=$(du -cb "${files[@]}" | tail -1 | awk '{printf "%.1f", $1 / 1e6}')

echo "== Sealmark engine, every strength (${#files[@]} files, $mb MB)"
"$bench" --strength all "${files[@]}"

timed() { # prints "wall cpu" in seconds
  /usr/bin/time -f '%e %U %S' -o "$out/times" "$@" >/dev/null
  awk '{printf "%.3f %.3f", $1, $2 + $3}' "$out/times"
}
lowest() { printf '%s\n' "${@:2}" | awk -v c="$1" '{print $c}' | sort -g | head -1; }

# compare NAME STRENGTH QPDF_KEY_ARGS...: best of $rounds rounds each.
compare() {
  local name=$1 strength=$2; shift 2
  local loop='out=$1; shift; for f; do qpdf --encrypt USER OWNER '"$*"' -- "$f" "$out/${f##*/}"; done'
  local ours=() cli=()
  # Both write into an empty folder each round, as into a new destination.
  for ((round = 1; round <= rounds; round++)); do
    rm -rf "$out/ours" "$out/cli" && mkdir "$out/ours" "$out/cli"
    ours+=("$(timed "$bench" --strength "$strength" --out "$out/ours" "${files[@]}")")
    cli+=("$(timed bash -c "$loop" loop "$out/cli" "${files[@]}")")
  done
  echo
  echo "== $name: qpdf --encrypt USER OWNER $* -- in out; best of $rounds rounds"
  echo "Sealmark, one process (wall cpu):    $(printf '[%s] ' "${ours[@]}")"
  echo "qpdf loop, one per file (wall cpu):  $(printf '[%s] ' "${cli[@]}")"
  awk -v ow="$(lowest 1 "${ours[@]}")" -v oc="$(lowest 2 "${ours[@]}")" \
      -v cw="$(lowest 1 "${cli[@]}")" -v cc="$(lowest 2 "${cli[@]}")" \
      -v n="${#files[@]}" -v mb="$mb" 'BEGIN {
    printf "best wall: Sealmark %.3f s (%.1f files/s, %.1f MB/s), qpdf loop %.3f s (%.1f files/s, %.1f MB/s)\n", ow, n / ow, mb / ow, cw, n / cw, mb / cw
    printf "best CPU (user + system): Sealmark %.3f s, qpdf loop %.3f s\n", oc, cc
    printf "Sealmark / qpdf loop: wall %.2f, CPU %.2f (target <= 0.50)\n", ow / cw, oc / cc }'
}
# The machine may be shared with other work: CPU time is the steadier figure.
compare "256-bit AES" 3 256
compare "128-bit AES" 2 128 --use-aes=y

large="$corpus/large.pdf"
if [ -f "$large" ]; then
  echo
  echo "== large file: $(du -b "$large" | awk '{printf "%.1f MB", $1 / 1e6}')"
  peak() { grep 'Maximum resident' "$1" | awk '{print $NF}'; }
  wall() { grep 'Elapsed (wall' "$1" | awk '{print $NF}'; }
  rm -rf "$out/ours" "$out/cli" && mkdir "$out/ours" "$out/cli"
  /usr/bin/time -v -o "$out/ours.time" "$bench" --strength 3 --out "$out/ours" "$large" >/dev/null
  /usr/bin/time -v -o "$out/cli.time" qpdf --encrypt USER OWNER 256 -- "$large" "$out/cli/large.pdf"
  echo "Sealmark:  $(wall "$out/ours.time") wall, peak $(peak "$out/ours.time") KB"
  echo "qpdf:      $(wall "$out/cli.time") wall, peak $(peak "$out/cli.time") KB"
  awk -v o="$(peak "$out/ours.time")" -v c="$(peak "$out/cli.time")" 'BEGIN {
    printf "peak memory difference: %+.1f MB (target <= +32 MB)\n", (o - c) / 1024 }'
fi
