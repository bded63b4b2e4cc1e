#!/usr/bin/env bash
# Times the engine's batch run against the qpdf command-line tool on the
# same files, all at 256-bit AES with the same passwords, in one run:
#   - the engine (bench_encrypt, one process for all files) one row at a
#     time (N = 1) and one row per core (N = cores), and sealmark-cli as a
#     script would run it (it also opens every input once before it starts);
#   - qpdf in a serial loop, one process per file, and the same run by
#     `xargs -P cores`, which is what a power user scripts;
# each best of $ROUNDS (default 3), in files and MB per second. Then:
#   - the engine's peak memory on a run that mixes a 300 MB file with the
#     small ones, N = 1 against N = cores;
#   - where the engine's time goes (open, write, read back, flush, rename)
#     in a perf profile, when perf can record here.
#
#   bench/encrypt-vs-qpdf.sh [CORPUS_FOLDER] [BUILD_DIR]
#
# CORPUS_FOLDER (default /tmp/sealmark-corpus-10p) is made with make_corpus
# when it does not exist: 200 ten-page files and a large.pdf of 120 MB, and
# in its subfolder big/ a 300 MB file. Build a Release build first:
#   BUILD_TYPE=Release BUILD_DIR=build-release ./scripts/setup
# and pass that folder. Needs qpdf and GNU time (/usr/bin/time).
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
corpus="${1:-/tmp/sealmark-corpus-10p}"
build="${2:-$root/build-release}"
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

out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
cd "$corpus"
files=(corpus-*.pdf large.pdf)
mb=$(du -cb "${files[@]}" | tail -1 | awk '{printf "%.1f", $1 / 1e6}')
echo "== ${#files[@]} files, $mb MB (200 of ten pages and one of 120 MB), 256-bit AES, $cores cores"

# timed NAME COMMAND...: runs COMMAND into an empty $out/run, $rounds times;
# prints the best wall time, its CPU time and peak memory.
declare -A wall cpu peak
timed() {
  local name=$1; shift
  local best=""
  for ((round = 1; round <= rounds; round++)); do
    rm -rf "$out/run" && mkdir "$out/run"
    /usr/bin/time -f '%e %U %S %M' -o "$out/time" "$@" >/dev/null
    read -r w u s m < "$out/time"
    if [ -z "$best" ] || awk -v a="$w" -v b="$best" 'BEGIN { exit !(a < b) }'; then
      best=$w; wall[$name]=$w; cpu[$name]=$(awk -v u="$u" -v s="$s" 'BEGIN { print u + s }'); peak[$name]=$m
    fi
  done
  awk -v n="${#files[@]}" -v mb="$mb" -v w="${wall[$name]}" -v c="${cpu[$name]}" -v m="${peak[$name]}" \
      -v name="$name" 'BEGIN {
    printf "%-28s %7.3f s  %7.1f files/s  %7.1f MB/s  CPU %7.3f s  peak %6.1f MB\n", name, w, n / w, mb / w, c, m / 1024 }'
}

timed "Sealmark, N = 1" "$bench" --jobs 1 --out "$out/run" "${files[@]}"
timed "Sealmark, N = $cores" "$bench" --jobs "$cores" --out "$out/run" "${files[@]}"
timed "sealmark-cli encrypt" bash -c \
  'o=$1; shift; OWNER=OWNER USER=USER exec '"$cli"' encrypt -q --allow all -o "$o" \
     --owner-password-env OWNER --user-password-env USER -- "$@"' cli "$out/run" "${files[@]}"
timed "qpdf, serial loop" bash -c \
  'o=$1; shift; for f; do qpdf --encrypt USER OWNER 256 -- "$f" "$o/$f"; done' \
  loop "$out/run" "${files[@]}"
timed "qpdf, xargs -P $cores" bash -c \
  'o=$1; shift; printf "%s\0" "$@" | xargs -0 -P '"$cores"' -I{} qpdf --encrypt USER OWNER 256 -- {} "$o/{}"' \
  xargs "$out/run" "${files[@]}"

echo
ratio() { awk -v a="${wall[$1]}" -v b="${wall[$2]}" 'BEGIN { printf "%.2f", a / b }'; }
ours="Sealmark, N = $cores"
echo "N = $cores / qpdf xargs -P $cores: $(ratio "$ours" "qpdf, xargs -P $cores") (target <= 0.75)"
echo "N = $cores / qpdf serial loop:  $(ratio "$ours" "qpdf, serial loop") (target <= 0.45)"
echo "N = 1 / N = $cores (speed-up):     $(ratio "Sealmark, N = 1" "$ours") (target >= 1.6)"
echo "sealmark-cli / qpdf xargs -P $cores: $(ratio "sealmark-cli encrypt" "qpdf, xargs -P $cores")"

echo
echo "== peak memory: the 200 small files with a $(du -b big/large.pdf | awk '{printf "%.0f MB", $1 / 1e6}') file among them"
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
echo "== where the time goes, N = 1 (perf, on-CPU samples, with callers)"
if perf record -q -F 499 --call-graph dwarf,16384 -o "$out/perf.data" -- \
     "$bench" --jobs 1 --out "$out/run" "${files[@]}" >/dev/null 2>&1; then
  perf report -i "$out/perf.data" --children --stdio -g none --percent-limit 0 \
      --sort symbol 2>/dev/null > "$out/report" || true
  share() { grep -m1 -E "\] $1( |\()" "$out/report" | awk '{print $1}'; }
  echo "open               $(share 'PdfLibrary::OpenFile')"
  echo "key set-up         $(share 'QPDFWriter::setR[2346]Encryption[A-Za-z]*')"
  echo "write              $(share 'QPDFWriter::write')"
  echo "read back          $(share 'ReadsBackAsProtected')"
  echo "flush to disk      $(share 'OutputFile::finish')"
  echo "rename             $(share 'OutputFile::commit')"
  echo "(shares of on-CPU time; the wait for the disk shows as wall time beyond CPU time)"
else
  echo "perf cannot record here; skipped"
fi
