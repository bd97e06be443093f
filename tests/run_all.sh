#!/usr/bin/env bash
# Runs every test of the project: the C++ unit tests, again under AddressSanitizer and
# UndefinedBehaviorSanitizer, a short run of each fuzz target, then the release artefacts
# built once and the Python tests against the wheel on every CPython >= 3.11 on the machine
# and against the sdist, and once more against a sanitized build of the extension.
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

bash tools/install_dependencies.sh

run_cpp_tests() {  # build directory, extra CMake arguments...
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja -DMOODVANE_BUILD_TESTS=ON -DMOODVANE_BUILD_MODULE=OFF \
    -DMOODVANE_WARNINGS_AS_ERRORS=ON "$@"
  cmake --build "$dir"
  ctest --test-dir "$dir" --output-on-failure --no-tests=error
}

echo "== C++ unit tests"
run_cpp_tests build/tests -DCMAKE_BUILD_TYPE=Release

echo "== C++ unit tests under AddressSanitizer and UndefinedBehaviorSanitizer"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_cpp_tests build/sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMOODVANE_SANITIZE=address,undefined

echo "== Fuzz targets, a short run each on their seed corpora"
bash tests/fuzz/run_smoke.sh 30

echo "== Release artefacts: the sdist and the manylinux wheel, built once and audited; the"
echo "   Python tests against that wheel on every CPython >= 3.11 here, and against the sdist"
status=0
bash tools/check_wheel.sh || status=$?
if ((status == 0)); then
  echo "== Python tests against the extension built with AddressSanitizer and UndefinedBehaviorSanitizer"
  bash tests/sanitize/run_python_suite.sh || status=$?
fi
exit "$status"
