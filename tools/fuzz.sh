#!/usr/bin/env bash
# Builds the libFuzzer harnesses of tests/fuzz with clang into build-fuzz/ (everything under AddressSanitizer
# and UndefinedBehaviorSanitizer) and runs each for SECONDS (30 by default) over its seeds, as many at once as
# there are cores. A harness that fails fails the run; its log and the input that broke it stay in
# build-fuzz/runs/<harness>/ (reproduce with build-fuzz/tests/fuzz/<harness>_fuzz <input>).
#   tools/fuzz.sh [SECONDS [HARNESS ...]]
# Extra cmake options (e.g. -DQM_FUZZ_KNOWN_FAULTS=ON) come from $QM_FUZZ_CMAKE_OPTIONS.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
shift || true
tools/install-deps.sh
# shellcheck disable=SC2086
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQM_FUZZ=ON \
  -DQM_FUZZ_KNOWN_FAULTS=OFF ${QM_FUZZ_CMAKE_OPTIONS:-} >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target qm_fuzzers

harnesses=("$@")
if ((${#harnesses[@]} == 0)); then
  for f in tests/fuzz/*_fuzz.cpp; do
    f=${f##*/}
    harnesses+=("${f%_fuzz.cpp}")
  done
fi

run() {
  local name=$1 dir=build-fuzz/runs/$1
  rm -rf "$dir"
  mkdir -p "$dir/corpus"
  # New inputs go to the run's own corpus folder; the committed seeds are only read.
  if "build-fuzz/tests/fuzz/${name}_fuzz" -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2048 \
    -dict=tests/fuzz/text.dict -artifact_prefix="$dir/" "$dir/corpus" "tests/fuzz/seeds/$name" >"$dir/log" 2>&1; then
    echo "fuzz $name: $(grep -Eo '^Done [0-9]+ runs' "$dir/log" || echo done)"
  else
    echo "fuzz $name: FAILED"
    grep -E -A2 'PROPERTY FAILED' "$dir/log" | cut -c1-400 | head -6
    grep -E 'runtime error|ERROR: [A-Za-z]*Sanitizer|SUMMARY' "$dir/log" | cut -c1-400 | head -4
    ls "$dir"/crash-* "$dir"/timeout-* "$dir"/leak-* "$dir"/oom-* 2>/dev/null || true
    return 1
  fi
}
export -f run
export seconds
printf '%s\n' "${harnesses[@]}" | xargs -P "$(nproc)" -I{} bash -c 'run {}'
