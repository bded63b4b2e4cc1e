#!/usr/bin/env bash
# Fuzzes PdfLibrary with libFuzzer: arbitrary bytes through opening (with
# and without a password), counting pages, clearing and applying security
# and saving, under AddressSanitizer and UndefinedBehaviorSanitizer.
#
#   bench/fuzz.sh SECONDS_PER_STRENGTH [STRENGTH ...]     (default: 0 1 2 3)
#
# Builds with clang-14 into build-fuzz/, seeds the corpus with generated
# PDFs (plain, encrypted at each strength, truncated) and keeps the corpus
# in build-fuzz/fuzz-corpus between runs. Crashes land in build-fuzz/.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
seconds="${1:?usage: bench/fuzz.sh SECONDS_PER_STRENGTH [STRENGTH ...]}"
shift
strengths=("$@")
[ "${#strengths[@]}" -gt 0 ] || strengths=(0 1 2 3)
build="$root/build-fuzz"

missing=()
for p in clang-14 libclang-rt-14-dev qpdf; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  sudo_cmd=(); [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++-14 -DSEALMARK_FUZZ=ON -DSEALMARK_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target fuzz_pdflibrary

# The seeds come from the corpus generator of the regular build.
make_corpus="$root/build/bin/make_corpus"
if [ ! -x "$make_corpus" ]; then
  cmake -S "$root" -B "$root/build" -G Ninja >/dev/null
  cmake --build "$root/build" --target make_corpus
fi

seeds="$build/fuzz-seeds"
if [ ! -d "$seeds" ]; then
  mkdir -p "$seeds"
  "$make_corpus" "$seeds" --files 12 --seed 7 >/dev/null
  for f in "$seeds"/corpus-00{0,1,2,3}.pdf; do
    b="${f%.pdf}"
    qpdf --allow-weak-crypto --encrypt user owner 40 -- "$f" "$b-rc4-40.pdf"
    qpdf --allow-weak-crypto --encrypt user owner 128 --use-aes=n -- "$f" "$b-rc4-128.pdf"
    qpdf --encrypt "" owner 128 --use-aes=y -- "$f" "$b-aes-128.pdf"
    qpdf --encrypt user owner 256 -- "$f" "$b-aes-256.pdf"
    head -c 2000 "$f" > "$b-truncated.pdf"
  done
  # Keep seeds small so the fuzzer mutates structure, not image data.
  find "$seeds" -size +200k -delete
fi
corpus="$build/fuzz-corpus"
mkdir -p "$corpus"

cd "$build"
for s in "${strengths[@]}"; do
  echo "== strength $s for ${seconds}s"
  FUZZ_STRENGTH="$s" ASAN_OPTIONS=detect_leaks=1 ./bin/fuzz_pdflibrary \
    -max_total_time="$seconds" -timeout=30 -rss_limit_mb=4096 -max_len=262144 \
    -print_final_stats=1 "$corpus" "$seeds"
done
echo "corpus: $(find "$corpus" -type f | wc -l) files"
