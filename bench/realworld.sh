#!/usr/bin/env bash
# Protects a corpus of real PDFs from Debian's documentation packages with
# sealmark-cli and with `qpdf --encrypt`, and checks what comes out with
# independent readers (poppler's pdfinfo and pdftotext, MuPDF's mutool).
# It prints:
#   - the corpus: files, megabytes, packages and producers;
#   - the files Sealmark refuses that qpdf protects and poppler or MuPDF
#     opens, and among them the false refusals: files that poppler and
#     MuPDF both open without an error;
#   - every output of Sealmark that a reader rejects (does not open, shows
#     an error the input did not give, another page count, no encryption),
#     and every output whose text (pdftotext) differs from its input's;
#   - the time of both tools over the whole corpus, each with one worker
#     per core (qpdf also as a plain loop, which is faster), Sealmark's
#     peak memory against its budget, and one row's peak against qpdf's on
#     the files with the most objects and on the largest.
# Both targets are 0. Not run in CI: building the corpus downloads about
# 2 GB once, and a run takes a while (see CONTRIBUTING.md for when to run it).
#
#   bench/realworld.sh [BUILD_DIR]
#
# BUILD_DIR (default build-release) holds bin/sealmark-cli; build it with
#   BUILD_TYPE=Release BUILD_DIR=build-release ./scripts/setup
# The corpus is kept in $CORPUS (default ~/.cache/sealmark/realworld-corpus):
# one flat folder of <sha256>.pdf files and manifest.tsv (sha256, bytes,
# package, producer, path in the package). It is built when the manifest is
# missing: `apt-get download` of the packages below, `dpkg-deb -x`, every
# *.pdf deduplicated by its SHA-256, and at most $PER_PRODUCER (default 10)
# files of each producer as pdfinfo names it (version included), so no
# producer outweighs the others and every version of each is there.
# PER_PRODUCER=0 keeps every file. JOBS (default: the cores) sets the
# workers of both tools and of the readers; KEEP_OUTPUTS=1 keeps the
# protected files in the results folder the run prints.
#
# Needs apt-get and dpkg-deb, qpdf, poppler-utils, mupdf-tools, jq and
# GNU coreutils' timeout.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build-release}"
cli="$build/bin/sealmark-cli"
corpus="${CORPUS:-$HOME/.cache/sealmark/realworld-corpus}"
per_producer="${PER_PRODUCER:-10}"
jobs="${JOBS:-$(nproc)}"
# Packages whose PDFs come from many producers: pdfTeX of every age,
# LuaTeX, XeTeX and dvipdfmx, dvips with Ghostscript or Acrobat Distiller,
# Quartz, cairo, Word, LibreOffice, Apache FOP, ...
packages=(
  texlive-latex-base-doc texlive-latex-recommended-doc texlive-latex-extra-doc
  texlive-fonts-recommended-doc texlive-fonts-extra-doc texlive-pictures-doc
  texlive-pstricks-doc texlive-metapost-doc texlive-science-doc
  texlive-humanities-doc texlive-publishers-doc texlive-formats-extra
  lilypond-doc-pdf erlang-doc debian-handbook gnuplot-doc asymptote-doc
  octave-doc gap-doc
)
password_user=realworld-user
password_owner=realworld-owner
read_timeout=120  # seconds a reader may take over one file

for tool in "$cli" apt-get dpkg-deb qpdf pdfinfo pdftotext mutool jq timeout sha256sum xargs \
            /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 2; }
done

# --- The corpus -------------------------------------------------------------

build_corpus() {
  local stage
  stage="$(mktemp -d)"
  # shellcheck disable=SC2064
  trap "rm -rf '$stage'" RETURN
  echo "== building the corpus in $corpus (downloads about 2 GB once)"
  (cd "$stage" && apt-get download "${packages[@]}" >/dev/null 2>"$stage/apt.log") || {
    cat "$stage/apt.log" >&2
    echo "apt-get download failed; run 'apt-get update' first" >&2
    exit 2
  }
  local deb package
  for deb in "$stage"/*.deb; do
    package="$(dpkg-deb -f "$deb" Package)"
    mkdir -p "$stage/x/$package"
    dpkg-deb -x "$deb" "$stage/x/$package"
    rm "$deb"
  done
  # sha256, bytes, package, producer, path: one line per file found.
  (cd "$stage/x" && find . -type f -iname '*.pdf' -print0 |
    xargs -0 -P "$jobs" -n 50 bash -c '
      for f; do
        f=${f#./}
        producer=$(pdfinfo "$f" 2>/dev/null | sed -n "s/^Producer: *//p" | head -1 | tr "\t" " ")
        printf "%s\t%s\t%s\t%s\t%s\n" "$(sha256sum < "$f" | cut -c1-64)" "$(stat -c %s "$f")" \
          "${f%%/*}" "$producer" "/${f#*/}"
      done' found) > "$stage/found.tsv"
  # One line per content, the first path in name order; then at most
  # $per_producer of each producer, taken in order of their hashes.
  sort -t$'\t' -k1,1 -k5,5 "$stage/found.tsv" | sort -t$'\t' -k1,1 -u |
    sort -t$'\t' -k4,4 -k1,1 |
    awk -F'\t' -v cap="$per_producer" 'cap == 0 || ++n[$4] <= cap' > "$stage/manifest.tsv"
  mkdir -p "$corpus"
  local sha path
  # The producer may be empty, so not read with the others.
  cut -f1,3,5 "$stage/manifest.tsv" | while IFS=$'\t' read -r sha package path; do
    [ -f "$corpus/$sha.pdf" ] || cp "$stage/x/$package$path" "$corpus/$sha.pdf"
  done
  # The manifest last: a corpus without one is built again.
  { printf 'sha256\tbytes\tpackage\tproducer\tpath\n'; sort "$stage/manifest.tsv"; } \
    > "$corpus/manifest.tsv.new"
  mv "$corpus/manifest.tsv.new" "$corpus/manifest.tsv"
}

[ -f "$corpus/manifest.tsv" ] || build_corpus
manifest="$corpus/manifest.tsv"

# --- Readers ----------------------------------------------------------------

# check FILE PASSWORD: one line: name, then for poppler whether it opened,
# its error lines, pages, encryption and the SHA-256 of the text, then for
# MuPDF whether it opened and its error lines. Warnings are not errors.
check() {
  local file=$1 password=$2 err info text pages encrypted mu_ok mu_errors
  err="$(mktemp)"
  local p_ok=1
  # Metadata may hold NUL bytes, which a shell variable cannot.
  info="$(timeout "$read_timeout" pdfinfo -upw "$password" "$file" 2>"$err" | tr -d '\0'
          exit "${PIPESTATUS[0]}")" || p_ok=0
  text="$(timeout "$read_timeout" pdftotext -upw "$password" "$file" - 2>>"$err" | sha256sum | cut -c1-16;
          exit "${PIPESTATUS[0]}")" || p_ok=0
  local p_errors
  p_errors=$(grep -c 'Error' "$err" || true)
  pages=$(sed -n 's/^Pages: *//p' <<<"$info")
  encrypted=$(sed -n 's/^Encrypted: *\([a-z]*\).*/\1/p' <<<"$info")
  mu_ok=1
  timeout "$read_timeout" mutool draw -q -F txt -o /dev/null -p "$password" "$file" 2>"$err" >/dev/null ||
    mu_ok=0
  mu_errors=$(grep -c '^error' "$err" || true)
  rm -f "$err"
  printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$(basename "$file" .pdf)" "$p_ok" "$p_errors" \
    "${pages:-0}" "${encrypted:-?}" "$text" "$mu_ok" "$mu_errors"
}
export -f check
export read_timeout

# check_all FOLDER PASSWORD > TSV
check_all() {
  find "$1" -maxdepth 1 -name '*.pdf' -print0 |
    xargs -0 -P "$jobs" -I{} bash -c 'check "$1" "$2"' check {} "$2" | sort
}

# What the readers make of the inputs depends only on the corpus and on
# the readers' versions: kept beside the corpus.
versions="poppler-$(pdfinfo -v 2>&1 | sed -n 's/^pdfinfo version //p')-mupdf-$(mutool -v 2>&1 | sed -n 's/^mutool version //p')"
input_checks="$corpus.inputs-$versions.tsv"
if [ ! -f "$input_checks" ] || [ "$input_checks" -ot "$manifest" ]; then
  echo "== reading the inputs with poppler and MuPDF (once for this corpus)"
  check_all "$corpus" "" > "$input_checks.new"
  mv "$input_checks.new" "$input_checks"
fi

files=$(($(wc -l < "$manifest") - 1))
megabytes=$(awk -F'\t' 'NR > 1 { s += $2 } END { printf "%.0f", s / 1e6 }' "$manifest")
packages_used=$(awk -F'\t' 'NR > 1 { print $3 }' "$manifest" | sort -u | wc -l)
producers=$(awk -F'\t' 'NR > 1 { print $4 }' "$manifest" | sort -u | wc -l)
echo "== corpus: $files PDFs, $megabytes MB, from $packages_used packages, $producers producers (versions apart)"
# Producers by family: the first word, without its version.
awk -F'\t' 'NR > 1 {
    p = $4; sub(/^(GPL |AFPL |ESP |Aladdin |GNU )/, "", p); split(p, w, /[- ,(0-9]/)
    f = w[1] == "" ? "(none)" : w[1]; n[f]++ }
  END { for (f in n) printf "%d %s\n", n[f], f }' "$manifest" | sort -rn | head -16 |
  awk '{ printf "%s%s %s", (NR > 1 ? ", " : "   "), $2, $1 } END { print "" }'
awk -F'\t' '{ both += $2 && !$3 && $7 && !$8; p += $2 && !$3; m += $7 && !$8 }
  END { printf "   poppler opens %d without error, MuPDF %d, both %d\n", p, m, both }' "$input_checks"

# --- The two tools ----------------------------------------------------------

results="$(mktemp -d "${TMPDIR:-/tmp}/sealmark-realworld.XXXXXX")"
mkdir -p "$results/sealmark" "$results/qpdf" "$results/qpdf-status"
now() { date +%s.%N; }

# Read once, so that neither tool's time is the disk's: the readers'
# verdicts on the inputs may come from the cache, leaving the files unread.
cat "$corpus"/*.pdf > /dev/null
echo "== sealmark-cli encrypt, 256-bit AES, $jobs at once"
sync  # what the last run left to write back is not this one's time
start=$(now)
status=0
SEALMARK_USER=$password_user SEALMARK_OWNER=$password_owner /usr/bin/time -f '%M' \
  -o "$results/sealmark.peak" "$cli" encrypt -q --allow all \
  --on-signed protect --jobs "$jobs" --owner-password-env SEALMARK_OWNER \
  --user-password-env SEALMARK_USER --report "$results/report.json" \
  -o "$results/sealmark" "$corpus" >/dev/null 2>"$results/sealmark.log" || status=$?
sealmark_seconds=$(awk -v a="$start" -v b="$(now)" 'BEGIN { printf "%.1f", b - a }')
[ "$status" -le 1 ] || { echo "sealmark-cli ended with $status" >&2; cat "$results/sealmark.log" >&2; exit 1; }

echo "== qpdf --encrypt, 256-bit AES, xargs -P $jobs"
sync
start=$(now)
find "$corpus" -maxdepth 1 -name '*.pdf' -print0 |
  xargs -0 -P "$jobs" -I{} sh -c 'name=$(basename "$1" .pdf)
    qpdf --encrypt "$2" "$3" 256 -- "$1" "$4/qpdf/$name.pdf" 2>"$4/qpdf-status/$name.err"
    echo $? > "$4/qpdf-status/$name"' qpdf {} "$password_user" "$password_owner" "$results"
qpdf_seconds=$(awk -v a="$start" -v b="$(now)" 'BEGIN { printf "%.1f", b - a }')

# name, status, error code, repaired, message: one line per input.
jq -r '.files[] | [(.input | split("/") | last | rtrimstr(".pdf")), .status,
                   (.error_code // 0), .repaired, (.repair_warning // .message)] | @tsv' \
  "$results/report.json" | sort > "$results/sealmark.tsv"
for f in "$results"/qpdf-status/*.err; do
  name=$(basename "$f" .err)
  printf '%s\t%s\t%s\n' "$name" "$(cat "$results/qpdf-status/$name")" \
    "$(grep -m1 -v '^qpdf: operation succeeded' "$f" | sed "s|$corpus/$name.pdf:* *||" | cut -c1-110)"
done | sort > "$results/qpdf.tsv"

# The loop above runs a shell per file to keep each status; timed alone,
# qpdf runs as a plain loop, as fast as a script can run it.
echo "== qpdf --encrypt, 256-bit AES, plain xargs -P $jobs (time only)"
mkdir -p "$results/plain"
sync
start=$(now)
(cd "$corpus" && printf '%s\0' *.pdf |
  xargs -0 -P "$jobs" -I{} qpdf --encrypt "$password_user" "$password_owner" 256 -- {} \
    "$results/plain/{}" 2>/dev/null) || true
plain_seconds=$(awk -v a="$start" -v b="$(now)" 'BEGIN { printf "%.1f", b - a }')
rm -rf "$results/plain"

echo "== reading Sealmark's outputs with the user password"
check_all "$results/sealmark" "$password_user" > "$results/output-checks.tsv"
[ "${KEEP_OUTPUTS:-0}" = 1 ] || rm -rf "$results/sealmark" "$results/qpdf"

# --- The report -------------------------------------------------------------

awk -F'\t' -v OFS='\t' -v sealmark_s="$sealmark_seconds" -v qpdf_s="$qpdf_seconds" '
  FILENAME == ARGV[1] { if (FNR > 1) { producer[$1] = $4; package[$1] = $3 }; next }
  FILENAME == ARGV[2] { p_clean[$1] = $2 && !$3; m_clean[$1] = $7 && !$8; p_opens[$1] = $2;
                        m_opens[$1] = $7; p_err[$1] = $3; m_err[$1] = $8; pages[$1] = $4;
                        text[$1] = $6; next }
  FILENAME == ARGV[3] { status[$1] = $2; code[$1] = $3; repaired[$1] = $4 == "true";
                        said[$1] = $5; next }
  FILENAME == ARGV[4] { qpdf[$1] = $2; qpdf_said[$1] = $3; next }
  { out_p_ok[$1] = $2; out_p_err[$1] = $3; out_pages[$1] = $4; out_enc[$1] = $5;
    out_text[$1] = $6; out_m_ok[$1] = $7; out_m_err[$1] = $8 }
  END {
    for (f in status) {
      if (status[f] == "saved") { saved++; if (repaired[f]) { rep++; kind = said[f];
        sub(/^[^:]*: /, "", kind); gsub(/[0-9]+/, "N", kind); kinds[kind]++ } }
      else if (status[f] == "failed") { failed++; codes[code[f]]++ }
      else skipped++
    }
    for (f in qpdf) { if (qpdf[f] == 0) q0++; else if (qpdf[f] == 3) q3++; else qfail++ }
    printf "\n%-24s %6s %8s %8s %10s\n", "", "saved", "refused", "skipped", "seconds"
    printf "%-24s %6d %8d %8d %10s\n", "sealmark-cli encrypt", saved, failed, skipped, sealmark_s
    printf "%-24s %6d %8d %8s %10s\n", "qpdf --encrypt", q0 + q3, qfail, "-", qpdf_s
    printf "   qpdf warned on %d of the files it protected; Sealmark saved %d as repaired:\n", q3, rep
    for (k in kinds) printf "     %4d  %s\n", kinds[k], k
    printf "   Sealmark refused by code:"
    for (c in codes) printf " %s: %d", c, codes[c]
    print ""

    print "\n== refused by Sealmark, protected by qpdf, opened by poppler or MuPDF"
    print "   (P / M: poppler / MuPDF opens it without error, + with errors, - not)"
    for (f in status) if (status[f] == "failed" && (qpdf[f] == 0 || qpdf[f] == 3) &&
                          (p_opens[f] || m_opens[f])) {
      refused++; clean = p_clean[f] && m_clean[f]; false_refusals += clean
      printf "   %s  %-28.28s P%s M%s  code %s  %s%s\n", substr(f, 1, 12), producer[f],
        p_clean[f] ? " " : p_opens[f] ? "+" : "-", m_clean[f] ? " " : m_opens[f] ? "+" : "-",
        code[f], said[f], clean ? "  <- FALSE REFUSAL" : ""
      if (qpdf_said[f] != "") printf "      qpdf: %s\n", qpdf_said[f]
    }
    printf "   %d such files; false refusals (poppler and MuPDF both open without error): %d\n",
      refused, false_refusals

    print "\n== outputs of Sealmark that a reader rejects"
    print "   (as: the reader rejects the input the same way; not counted)"
    for (f in out_p_ok) {
      why = ""; as = 1
      if (!out_p_ok[f]) { why = why " poppler does not open it;"; as = as && !p_opens[f] }
      else if (out_p_err[f] > p_err[f]) { why = why " poppler errors " p_err[f] "->" out_p_err[f] ";"; as = 0 }
      if (!out_m_ok[f]) { why = why " MuPDF does not open it;"; as = as && !m_opens[f] }
      else if (out_m_err[f] > m_err[f]) { why = why " MuPDF errors " m_err[f] "->" out_m_err[f] ";"; as = 0 }
      if (out_p_ok[f] && out_pages[f] != pages[f] && p_opens[f]) {
        why = why " pages " pages[f] "->" out_pages[f] ";"; as = 0 }
      if (out_p_ok[f] && out_enc[f] != "yes") { why = why " not encrypted;"; as = 0 }
      if (why != "") {
        if (as) rejected_as_input++; else rejected++
        printf "   %s  %-28.28s%s%s\n", substr(f, 1, 12), producer[f], why, as ? "  (as)" : "" }
      if (out_p_ok[f] && p_opens[f] && out_text[f] != text[f]) differs[f] = 1
    }
    printf "   %d outputs rejected; %d more rejected as their inputs are\n", rejected, rejected_as_input
    print "\n== outputs of Sealmark whose text (pdftotext) differs from the input"
    for (f in differs) { ndiff++; printf "   %s  %s\n", substr(f, 1, 12), producer[f] }
    printf "   %d outputs\n", ndiff
    printf "\nfalse refusals: %d, rejected outputs: %d\n", false_refusals, rejected
  }' "$manifest" "$input_checks" "$results/sealmark.tsv" "$results/qpdf.tsv" \
  "$results/output-checks.tsv"

echo
echo "== time and memory"
awk -v s="$sealmark_seconds" -v q="$plain_seconds" -v peak="$(cat "$results/sealmark.peak")" \
    -v mem="$(awk '/MemTotal/ { print $2 }' /proc/meminfo)" -v jobs="$jobs" 'BEGIN {
  budget = 512 * 1024; if (mem / 4 < budget) budget = mem / 4
  printf "   sealmark-cli --jobs %d %.1f s, plain qpdf loop %.1f s: %.2f (target <= 1.0)\n", jobs, s, q, s / q
  printf "   sealmark-cli peak %.0f MB, memory budget %.0f MB\n", peak / 1024, budget / 1024 }'
# One row against qpdf on the same file, for the files with the most
# objects (the trailer's /Size) and the largest: each peak less the
# program's peak on the smallest file, its start-up.
echo "   one row's peak against qpdf --encrypt on the same file (less start-up; target <= 1.3):"
row_peaks() {  # row_peaks FILE: "ours theirs" in KB
  rm -rf "$results/row" && mkdir "$results/row"
  SEALMARK_OWNER=$password_owner /usr/bin/time -f '%M' -o "$results/row/ours" "$cli" encrypt -q \
    --jobs 1 --on-signed protect -o "$results/row" --owner-password-env SEALMARK_OWNER -- "$1" \
    >/dev/null 2>&1 || true
  /usr/bin/time -f '%M' -o "$results/row/theirs" qpdf --encrypt "" "$password_owner" 256 -- \
    "$1" "$results/row/qpdf.pdf" >/dev/null 2>&1 || true
  echo "$(tail -1 "$results/row/ours") $(tail -1 "$results/row/theirs")"
}
read -r base_ours base_theirs < <(row_peaks "$(ls -Sr "$corpus"/*.pdf | sed -n 1p)")
{
  for f in "$corpus"/*.pdf; do
    printf '%s\t%s\n' "$(qpdf --show-object=trailer "$f" 2>/dev/null |
                          grep -o '/Size [0-9]*' | sed -n '1s/.* //p')" "$f"
  done | sort -rn | sed -n 1,5p | cut -f2
  ls -S "$corpus"/*.pdf | sed -n 1,3p
} | while read -r f; do
  read -r ours theirs < <(row_peaks "$f")
  awk -v f="$(basename "$f" | cut -c1-12)" -v b="$(stat -c %s "$f")" -v a="$ours" -v q="$theirs" \
      -v a0="$base_ours" -v q0="$base_theirs" 'BEGIN {
    printf "     %s %6.1f MB file: %7.1f MB against %7.1f MB: %.2f\n", f, b / 1e6,
           (a - a0) / 1024, (q - q0) / 1024, (a - a0) / (q - q0) }'
done
rm -rf "$results/row"
echo "(details in $results)"
