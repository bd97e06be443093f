#!/usr/bin/env bash
# Builds the libFuzzer targets and runs each for a short while on a scratch copy of its
# committed seed corpus. A crash, a sanitizer report, a broken property, a timeout or an
# out-of-memory stop fails the run; the input that caused it is printed in hex and kept
# under <build>/artifacts/. The repository's corpora are never written to.
#
#   tests/fuzz/run_smoke.sh [seconds per target]    (default 30; 600 for a long run)
#   FUZZ_BUILD_DIR=...                               (default build/fuzz)
set -euo pipefail
cd "$(dirname "$0")/../.."

seconds=${1:-30}
build=${FUZZ_BUILD_DIR:-build/fuzz}
targets=(fuzz_lexicon_parser fuzz_json_encoder fuzz_debug_quote fuzz_word_counter)

sudo_cmd=()
[[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
apt_updated=0
apt_install() {
  if ((!apt_updated)); then
    "${sudo_cmd[@]}" apt-get update -q
    apt_updated=1
  fi
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q "$@"
}

# clang, and the libFuzzer runtime that Debian ships apart from it.
command -v clang++ >/dev/null || apt_install clang
command -v cmake >/dev/null || apt_install cmake
command -v ninja >/dev/null || apt_install ninja-build
probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT
echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' \
  >"$probe/probe.cpp"
if ! clang++ -fsanitize=fuzzer,address,undefined "$probe/probe.cpp" -o "$probe/probe" 2>/dev/null; then
  apt_install "libclang-rt-$(clang++ -dumpversion | cut -d. -f1)-dev"
fi

cmake -S tests/fuzz -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" -j 2

echo "== fuzz oracles"
"$build/oracle_check"

scratch=$(mktemp -d)
trap 'rm -rf "$probe" "$scratch"' EXIT

run_target() {  # target: fuzzes it, leaving its log and exit status in its work folder
  local target=$1 work=$scratch/$1 code=0
  mkdir -p "$work/corpus"
  cp tests/fuzz/corpus/"$target"/* "$work/corpus/"
  local args=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
              -artifact_prefix="$work/")
  [[ -f tests/fuzz/$target.dict ]] && args+=(-dict="tests/fuzz/$target.dict")
  "$build/$target" "${args[@]}" "$work/corpus" >"$work/log" 2>&1 || code=$?
  echo "$code" >"$work/status"
}

# One target per core at a time: each still gets its full time on a core of its own.
cores=$(nproc)
running=0
for target in "${targets[@]}"; do
  if ((running >= cores)); then
    wait -n
    running=$((running - 1))
  fi
  run_target "$target" &
  running=$((running + 1))
done
wait

status=0
for target in "${targets[@]}"; do
  work=$scratch/$target
  echo "== $target: ${seconds}s"
  if [[ $(cat "$work/status") == 0 ]]; then
    grep -E '^(Done|stat::)' "$work/log" || true
    grep -E '^#[0-9]+.*(DONE|pulse|NEW|REDUCE)' "$work/log" | tail -n 1 || true
  else
    status=1
    tail -n 80 "$work/log"
    mkdir -p "$build/artifacts"
    for artifact in "$work"/crash-* "$work"/leak-* "$work"/timeout-* "$work"/oom-*; do
      [[ -e $artifact ]] || continue
      cp "$artifact" "$build/artifacts/$target-$(basename "$artifact")"
      echo "-- $target failed on $(basename "$artifact") (kept in $build/artifacts/):"
      od -A x -t x1z "$artifact" | head -n 40
    done
  fi
done
exit "$status"
