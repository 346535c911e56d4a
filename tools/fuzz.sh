#!/usr/bin/env bash
# Builds the libFuzzer targets (clang-14, AddressSanitizer, UndefinedBehaviorSanitizer) and
# runs each for SECONDS (default 60), one after another, then prints per target the inputs
# executed, the code edges covered and what was found. Exit status 1 when anything was found.
#
# usage: tools/fuzz.sh [SECONDS] [TARGET...]
#   QUORVA_FUZZ_DIR   build directory (default build-fuzz); the growing corpora stay in
#                     DIR/corpus/<target>, findings go to DIR/findings/<target>
#   QUORVA_FUZZ_ARGS  extra libFuzzer options, e.g. "-runs=10000000" for a campaign
#   TMPDIR            where the targets that read a path write each input; /dev/shm when
#                     unset, as rewriting a file on a disk's file system flushes it to the
#                     disk on close and made those targets several times slower
#
# A finding is replayed with: DIR/bin/<target> DIR/findings/<target>/<file>
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
dir=${QUORVA_FUZZ_DIR:-build-fuzz}
all_targets=(smf_playback_fuzzer tone_fuzzer settings_fuzzer event_log_fuzzer control_request_fuzzer
  screen_script_fuzzer)
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=("${all_targets[@]}")

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++-14 \
  -DQUORVA_FUZZ=ON -DQUORVA_PLATFORM=OFF -DQUORVA_BENCH=OFF "${launcher[@]}" >/dev/null
cmake --build "$dir" --target quorva_fuzzers -j "$(nproc)"

python3 tools/scripts/fuzz_seeds.py "$dir/seeds"

if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then
  export TMPDIR=/dev/shm
fi

# What the player tolerates per input: a second, 512 MiB. The lengths keep the mutations
# near the size of the seeds (the shipped tone file is longer and is read cut short).
options_for() {
  case $1 in
    smf_playback_fuzzer) echo "-max_len=16384 -dict=fuzz/smf.dict" ;;
    tone_fuzzer) echo "-max_len=8192 -dict=fuzz/tone.dict" ;;
    settings_fuzzer) echo "-max_len=256" ;;
    event_log_fuzzer) echo "-max_len=4096" ;;
    control_request_fuzzer) echo "-max_len=2048 -dict=fuzz/control.dict" ;;
    screen_script_fuzzer) echo "-max_len=2048" ;;
  esac
}

summary=()
found=0
for target in "${targets[@]}"; do
  binary=$dir/bin/$target
  if [ ! -x "$binary" ]; then
    summary+=("$(printf '%-22s not built' "$target")")
    continue
  fi
  corpus=$dir/corpus/$target
  findings=$dir/findings/$target
  mkdir -p "$corpus" "$findings"
  log=$dir/$target.log
  started=$dir/$target.started
  touch "$started"
  echo "fuzz: $target for ${seconds}s"
  status=0
  # shellcheck disable=SC2046
  nice -n 19 "$binary" "$corpus" "$dir/seeds/$target" $(options_for "$target") \
    -max_total_time="$seconds" -timeout=1 -rss_limit_mb=512 -malloc_limit_mb=512 \
    -print_final_stats=1 -artifact_prefix="$findings/" ${QUORVA_FUZZ_ARGS:-} >"$log" 2>&1 &
  pid=$!
  wait "$pid" || status=$?
  # A run that stopped on a finding leaves its scratch file behind.
  rm -f "${TMPDIR:-/tmp}/quorva-fuzz-$pid-"*
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  edges=$( (grep -o 'cov: [0-9]*' "$log" || true) | tail -1 | cut -d' ' -f2)
  artifacts=$(find "$findings" -type f -newer "$started" | wc -l)
  if [ "$status" -ne 0 ] || [ "$artifacts" -gt 0 ]; then
    found=1
    grep -m1 -E '^(==[0-9]+==ERROR|SUMMARY|fuzz:)' "$log" || true
  fi
  summary+=("$(printf '%-22s executions %-10s edges %-6s findings %s' "$target" "${runs:-?}" "${edges:-?}" "$artifacts")")
done

echo
printf '%s\n' "${summary[@]}"
if [ "$found" -ne 0 ]; then
  echo "fuzz: findings in $dir/findings (logs in $dir/*.log)"
  exit 1
fi
