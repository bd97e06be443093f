#!/usr/bin/env bash
# Runs every test of the project: the C++ unit tests under AddressSanitizer and
# UndefinedBehaviorSanitizer, a short run of each fuzz target, then the release artefacts
# built once (the wheel built from the sdist) and the Python tests against that wheel on
# every CPython >= 3.11 on the machine, and once more against the sanitized extensions,
# which share the C++ tests' build tree.
#
# Python packages go into the active virtual environment; without one, into build/venv,
# made here on first use (a system Python such as Debian's refuses installs of its own).
set -euo pipefail
cd "$(dirname "$0")/.."

if [[ -z ${VIRTUAL_ENV:-} ]] && ! python3 -c 'import sys; sys.exit(sys.prefix == sys.base_prefix)'; then
  if [[ ! -x build/venv/bin/python3 ]]; then
    echo "== Making a virtual environment in build/venv"
    mkdir -p build
    if ! python3 -m venv build/venv; then
      # Debian ships the venv module's pip bootstrap apart from Python.
      sudo_cmd=()
      [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
      "${sudo_cmd[@]}" apt-get update -q
      DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q \
        "python3-venv" "python$(python3 -c 'import sys; print("%d.%d" % sys.version_info[:2])')-venv"
      rm -rf build/venv
      python3 -m venv build/venv
    fi
  fi
  # shellcheck disable=SC1091
  source build/venv/bin/activate
fi

# Each stage's time, so that the whole stays within its budget (10 minutes here).
started=$SECONDS
stage_started=$SECONDS
stages=()
current_stage=""
stage() {  # name of the next stage, or nothing at the end
  if [[ -n $current_stage ]]; then
    stages+=("$(printf '%4ds  %s' $((SECONDS - stage_started)) "$current_stage")")
  fi
  current_stage=${1:-}
  stage_started=$SECONDS
  [[ -n $current_stage ]] && echo "== $current_stage"
  return 0
}
report_times() {
  stage
  echo "== Time per stage (total $((SECONDS - started))s):"
  printf '   %s\n' "${stages[@]}"
}
trap report_times EXIT

stage "Dependencies"
bash tools/install_dependencies.sh

# The sanitized build tree serves the C++ tests and, later, the Python tests against the
# sanitized extensions: the engine and the lexicons are compiled once for both. (A release
# build of the same tests would add nothing the sanitized run does not check; the release
# compiler flags are exercised by the wheel, which the Python tests use.)
stage "C++ unit tests under AddressSanitizer and UndefinedBehaviorSanitizer"
export MOODVANE_SANITIZE_BUILD="$PWD/build/sanitize"
cmake -S . -B "$MOODVANE_SANITIZE_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DMOODVANE_BUILD_TESTS=ON -DMOODVANE_BUILD_MODULE=ON -DMOODVANE_WARNINGS_AS_ERRORS=ON \
  -DMOODVANE_SANITIZE=address,undefined -DPython_EXECUTABLE="$(command -v python3)" >/dev/null
cmake --build "$MOODVANE_SANITIZE_BUILD"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir "$MOODVANE_SANITIZE_BUILD" --output-on-failure --no-tests=error --parallel 2

stage "Fuzz targets, a short run each on their seed corpora"
bash tests/fuzz/run_smoke.sh 20

stage "Release artefacts: the sdist and the manylinux wheel built from it, audited; the Python tests against that wheel on every CPython >= 3.11 here"
status=0
bash tools/check_wheel.sh || status=$?
if ((status == 0)); then
  stage "Python tests against the extensions built with AddressSanitizer and UndefinedBehaviorSanitizer"
  # The tests of native code: those of pure-Python code (marked pure_python: the command
  # line, the graphs, the lexicon tools) reach the native calls only as other tests do.
  bash tests/sanitize/run_python_suite.sh -m "not pure_python" || status=$?
fi
exit "$status"
