#!/usr/bin/env bash
# The fuzzing campaign: builds the libFuzzer targets with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer, any report ends the run) into build-fuzz/, then runs each target
# for SECONDS seconds, at most JOBS at once, on cores 0-6 at low priority. Each target starts
# from a copy of its seeds (tests/fuzz/corpus/<target>) and takes the options of
# tests/fuzz/<target>.options ("name = value" lines, as -name=value), and of the demo Home files
# the build writes for it (listed in build-fuzz/tests/fuzz/<target>.home_seeds). Inputs that fail
# land in build-fuzz/findings/<target>/; the last lines print per target the executions, the
# findings, the executions a second and the edges covered (libFuzzer's "cov:").
#   scripts/fuzz.sh [SECONDS [JOBS [TARGET...]]]
set -uo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
seconds=${1:-600}
jobs=${2:-6}
shift $(( $# > 2 ? 2 : $# ))
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for source in tests/fuzz/*_fuzz.cpp; do targets+=("$(basename "$source" .cpp)"); done
fi

if [ ! -f build-fuzz/build.ninja ]; then
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVEX_FUZZ=ON \
    -DTARVEX_BENCH=OFF >/dev/null || exit 1
fi
# The demo Home is written by a program of the sanitized build; what it leaves unfreed at exit is
# no finding of the campaign.
ASAN_OPTIONS=detect_leaks=0 taskset -c 0-6 nice -n 10 cmake --build build-fuzz -j 7 --target "${targets[@]}" >build-fuzz/last-build.log 2>&1 ||
  { echo "fuzz build failed (build-fuzz/last-build.log)"; exit 1; }

run_one() {
  local target=$1 seconds=$2
  # Absolute paths: a target may change the working folder.
  local work=$PWD/build-fuzz/corpus/$target findings=$PWD/build-fuzz/findings/$target
  mkdir -p "$work" "$findings"
  cp -n tests/fuzz/corpus/"$target"/* "$work"/ 2>/dev/null
  # The Home's files are copied afresh, so a campaign starts from the demo as it is now.
  if [ -f build-fuzz/tests/fuzz/"$target".home_seeds ]; then
    local seed file
    while read -r seed; do
      for file in "$seed" "$seed"/*; do
        [ -f "$file" ] && cp "$file" "$work/home_$(basename "$file")"
      done
    done <build-fuzz/tests/fuzz/"$target".home_seeds
  fi
  local options=()
  if [ -f tests/fuzz/"$target".options ]; then
    while IFS='=' read -r name value; do
      name=$(echo "$name" | tr -d ' ') value=$(echo "$value" | tr -d ' ')
      [ -n "$name" ] && [ "${name:0:1}" != "[" ] && [ "${name:0:1}" != "#" ] && options+=("-$name=$value")
    done <tests/fuzz/"$target".options
  fi
  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 ASAN_OPTIONS=detect_leaks=1 \
    taskset -c 0-6 nice -n 15 build-fuzz/tests/fuzz/"$target" -max_total_time="$seconds" -timeout=30 \
    -rss_limit_mb=4096 -artifact_prefix="$findings"/ "${options[@]}" "$work" >build-fuzz/findings/"$target".log 2>&1
  echo "$target exit $?"
}
export -f run_one
mkdir -p build-fuzz/findings
printf '%s\n' "${targets[@]}" | xargs -P "$jobs" -I{} bash -c "run_one {} $seconds"

printf '%-26s %12s %8s %8s %s\n' target executions findings "exec/s" edges
for target in "${targets[@]}"; do
  log=build-fuzz/findings/$target.log
  runs=$(grep -o 'Done [0-9]* runs' "$log" 2>/dev/null | awk '{print $2}')
  [ -z "$runs" ] && runs=$(grep -o '^#[0-9]*' "$log" 2>/dev/null | tail -1 | tr -d '#')
  rate=$(grep -o 'exec/s: [0-9]*' "$log" 2>/dev/null | tail -1 | awk '{print $2}')
  edges=$(grep -o 'cov: [0-9]*' "$log" 2>/dev/null | tail -1 | awk '{print $2}')
  found=$(find build-fuzz/findings/"$target" -type f 2>/dev/null | wc -l)
  printf '%-26s %12s %8s %8s %s\n' "$target" "${runs:-?}" "$found" "${rate:-?}" "${edges:-?}"
done
