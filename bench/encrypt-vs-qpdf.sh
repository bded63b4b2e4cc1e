#!/usr/bin/env bash
# Times sealmark-cli against the qpdf command-line tool on the same files,
# with the same passwords, in one run, at 128-bit and at 256-bit AES:
#   - sealmark-cli with one row at a time (--jobs 1) and one row per core
#     (--jobs cores), as a script would run it: it opens every input, writes
#     it, reads it back with both passwords and flushes it to disk;
#   - qpdf in a serial loop, one process per file, and the same run by
#     `xargs -P cores`, which is what a power user scripts;
#   - the verifying loop a careful user scripts: `qpdf --encrypt`, then the
#     output opened once with the user and once with the owner password,
#     by `xargs -P cores`;
# each best of $ROUNDS (default 3), with the ratios against the targets.
# Then the peak memory of one file's run against `qpdf --encrypt` on it, as
# a whole and for the row alone (less each program's start-up), the
# engine's peak memory on a run that mixes a 300 MB file with the small
# ones, and where sealmark-cli's time goes (perf, when it can record here).
#
#   bench/encrypt-vs-qpdf.sh [CORPUS_FOLDER] [BUILD_DIR]
#
# CORPUS_FOLDER (default /tmp/sealmark-corpus-10p) is made with make_corpus
# when it does not exist: 200 ten-page files and a large.pdf of 120 MB, in
# its subfolder big/ a 300 MB file, and objects.pdf, 2 MB with 100,000 small
# objects (for the memory figures only). Build a Release build first:
#   BUILD_TYPE=Release BUILD_DIR=build-release ./scripts/setup
# and pass that folder. Needs qpdf and GNU time (/usr/bin/time).
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
corpus="${1:-/tmp/sealmark-corpus-10p}"
build="$(cd "${2:-$root/build-release}" && pwd)"
rounds="${ROUNDS:-3}"
cores="$(nproc)"
bench="$build/bin/bench_encrypt"
cli="$build/bin/sealmark-cli"
make_corpus="$build/bin/make_corpus"

for tool in "$bench" "$cli" "$make_corpus" qpdf xargs /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 2; }
done
if [ ! -d "$corpus" ]; then
  "$make_corpus" "$corpus" --files 200 --pages 10 --large-mb 120
  "$make_corpus" "$corpus/big" --files 0 --large-mb 300
fi
[ -f "$corpus/objects.pdf" ] || "$make_corpus" "$corpus" --files 0 --objects 100000 >/dev/null

out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
cd "$corpus"
files=(corpus-*.pdf large.pdf)
mb=$(du -cb "${files[@]}" | tail -1 | awk '{printf "%.1f", $1 / 1e6}')
echo "== ${#files[@]} files, $mb MB (200 of ten pages and one of 120 MB), $cores cores, load $(cut -d' ' -f1-3 /proc/loadavg)"

# timed NAME COMMAND...: runs COMMAND into an empty $out/run, $rounds times;
# prints the best wall time, its CPU time and peak memory.
declare -A wall
timed() {
  local name=$1; shift
  local best="" w u s m c=0 p=0
  for ((round = 1; round <= rounds; round++)); do
    rm -rf "$out/run" && mkdir "$out/run"
    sync  # qpdf leaves its outputs to be written back during the next run
    /usr/bin/time -f '%e %U %S %M' -o "$out/time" "$@" >/dev/null
    read -r w u s m < "$out/time"
    if [ -z "$best" ] || awk -v a="$w" -v b="$best" 'BEGIN { exit !(a < b) }'; then
      best=$w; c=$(awk -v u="$u" -v s="$s" 'BEGIN { print u + s }'); p=$m
    fi
  done
  wall[$name]=$best
  awk -v n="${#files[@]}" -v mb="$mb" -v w="$best" -v c="$c" -v m="$p" -v name="$name" 'BEGIN {
    printf "%-34s %7.3f s  %7.1f files/s  %7.1f MB/s  CPU %7.3f s  peak %6.1f MB\n", name, w, n / w, mb / w, c, m / 1024 }'
}
ratio() { awk -v a="${wall[$1]}" -v b="${wall[$2]}" 'BEGIN { printf "%.2f", a / b }'; }
check() {  # check LABEL A B OP TARGET
  local r; r=$(ratio "$2" "$3")
  awk -v r="$r" -v op="$4" -v t="$5" -v l="$1" 'BEGIN {
    ok = (op == "<=") ? r <= t : r >= t
    printf "  %-44s %5.2f  (target %s %s: %s)\n", l, r, op, t, ok ? "met" : "MISSED" }'
}

for bits in 128 256; do
  strength="aes-$bits"
  aes=(); [ "$bits" = 128 ] && aes=(--use-aes=y)
  echo
  echo "== $bits-bit AES"
  for jobs in 1 "$cores"; do
    timed "sealmark-cli --jobs $jobs" bash -c \
      'o=$1; shift; OWNER=OWNER USER=USER exec '"$cli"' encrypt -q --jobs '"$jobs"' --strength '"$strength"' \
         --allow all -o "$o" --owner-password-env OWNER --user-password-env USER -- "$@"' cli "$out/run" "${files[@]}"
  done
  timed "qpdf, serial loop" bash -c \
    'o=$1; shift; for f; do qpdf --encrypt USER OWNER '"$bits ${aes[*]}"' -- "$f" "$o/$f"; done' \
    loop "$out/run" "${files[@]}"
  timed "qpdf, xargs -P $cores" bash -c \
    'o=$1; shift; printf "%s\0" "$@" | xargs -0 -P '"$cores"' -I{} qpdf --encrypt USER OWNER '"$bits ${aes[*]}"' -- {} "$o/{}"' \
    xargs "$out/run" "${files[@]}"
  timed "qpdf verifying, xargs -P $cores" bash -c \
    'o=$1; shift; printf "%s\0" "$@" | xargs -0 -P '"$cores"' -I{} sh -c '\''
       qpdf --encrypt USER OWNER '"$bits ${aes[*]}"' -- "$1" "$2/$1" &&
       qpdf --password=USER --show-npages "$2/$1" >/dev/null &&
       qpdf --password=OWNER --show-npages "$2/$1" >/dev/null'\'' verify {} "$o"' \
    verify "$out/run" "${files[@]}"
  if [ "$bits" = 128 ]; then
    check "--jobs $cores / qpdf xargs -P $cores" "sealmark-cli --jobs $cores" "qpdf, xargs -P $cores" "<=" 0.75
    check "--jobs 1 / qpdf serial loop" "sealmark-cli --jobs 1" "qpdf, serial loop" "<=" 0.8
  else
    check "--jobs $cores / verifying xargs -P $cores" "sealmark-cli --jobs $cores" "qpdf verifying, xargs -P $cores" "<=" 0.6
    check "--jobs $cores / plain xargs -P $cores" "sealmark-cli --jobs $cores" "qpdf, xargs -P $cores" "<=" 1.15
  fi
  check "--jobs 1 / --jobs $cores (speed-up)" "sealmark-cli --jobs 1" "sealmark-cli --jobs $cores" ">=" 1.6
done

echo
echo "== peak memory of one file, 256-bit AES: sealmark-cli --jobs 1 against qpdf --encrypt (target <= 1.3)"
echo "   (the row: the process's peak less its peak on one small file, Qt's and qpdf's start-up)"
peak_of() {  # peak_of FILE: "ours theirs" in KB
  rm -rf "$out/run" && mkdir "$out/run"
  /usr/bin/time -f '%M' -o "$out/ours" env OWNER=OWNER "$cli" encrypt -q --jobs 1 -o "$out/run" \
    --owner-password-env OWNER -- "$1" >/dev/null
  /usr/bin/time -f '%M' -o "$out/theirs" qpdf --encrypt "" OWNER 256 -- "$1" "$out/run/qpdf.pdf"
  echo "$(cat "$out/ours") $(cat "$out/theirs")"
}
read -r base_ours base_theirs < <(peak_of corpus-000.pdf)
for f in objects.pdf large.pdf; do
  read -r ours theirs < <(peak_of "$f")
  awk -v f="$f" -v a="$ours" -v b="$theirs" -v a0="$base_ours" -v b0="$base_theirs" 'BEGIN {
    printf "  %-20s %7.1f MB against %7.1f MB: %.2f; the row %6.1f MB against %6.1f MB: %.2f\n",
           f, a / 1024, b / 1024, a / b, (a - a0) / 1024, (b - b0) / 1024, (a - a0) / (b - b0) }'
done

echo
echo "== engine peak memory: the 200 small files with a $(du -b big/large.pdf | awk '{printf "%.0f MB", $1 / 1e6}') file among them"
mixed=(corpus-0*.pdf big/large.pdf corpus-1*.pdf)
for jobs in 1 "$cores"; do
  rm -rf "$out/run" && mkdir "$out/run"
  /usr/bin/time -f '%e %M' -o "$out/time" "$bench" --jobs "$jobs" --out "$out/run" "${mixed[@]}" >/dev/null
  read -r w m < "$out/time"
  printf 'N = %-3s %7.3f s  peak %6.1f MB\n' "$jobs" "$w" "$(awk -v m="$m" 'BEGIN { print m / 1024 }')"
  eval "peak_$jobs=$m"
done
awk -v one="$peak_1" -v many="$(eval echo "\$peak_$cores")" 'BEGIN {
  printf "N = cores peak %.1f MB, limit 2 x %.1f + 32 = %.1f MB: %s\n", many / 1024, one / 1024,
         (2 * one + 32768) / 1024, many <= 2 * one + 32768 ? "met" : "MISSED" }'

echo
echo "== where sealmark-cli's time goes, --jobs 1, 256-bit AES (perf, on-CPU samples, with callers)"
small=(corpus-*.pdf)
if rm -rf "$out/run" && mkdir "$out/run" &&
   OWNER=OWNER USER=USER perf record -q -F 999 --call-graph dwarf,16384 -o "$out/perf.data" -- \
     "$cli" encrypt -q --jobs 1 --allow all -o "$out/run" --owner-password-env OWNER \
     --user-password-env USER -- "${small[@]}" >/dev/null 2>&1; then
  perf report -i "$out/perf.data" --children --stdio -g none --percent-limit 0 \
      --sort symbol 2>/dev/null > "$out/report" || true
  share() { grep -m1 -E "\] $1( |\()" "$out/report" | awk '{print $1}'; }
  echo "open (once)        $(share 'PdfLibrary::OpenFile')"
  echo "key set-up         $(share 'QPDFWriter::setR[2346]Encryption[A-Za-z]*')"
  echo "write              $(share 'QPDFWriter::write')"
  echo "read back          $(share 'ReadsBackAsProtected')"
  echo "flush to disk      $(share 'OutputFile::flushToDisk')"
  echo "rename             $(share 'OutputFile::commit')"
  echo "(shares of on-CPU time; the hashes' AES rounds lose their callers in the unwinding;"
  echo " the wait for the disk overlaps the next row and shows in no share)"
else
  echo "perf cannot record here; skipped"
fi
