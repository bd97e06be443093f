#!/usr/bin/env bash
# Builds the extension with AddressSanitizer and UndefinedBehaviorSanitizer and runs the whole
# Python test suite against that build. Fails on a failing test and on any sanitizer report,
# also one from a child process that a test starts. Extra arguments go to pytest.
# MOODVANE_SANITIZE_BUILD names the build tree (default build/sanitize, which the sanitized
# C++ tests of tests/run_all.sh share, so the engine is compiled once for both).
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)
build=${MOODVANE_SANITIZE_BUILD:-$root/build/sanitize}
python=$(command -v "${PYTHON:-python3}")

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DMOODVANE_BUILD_MODULE=ON -DMOODVANE_WARNINGS_AS_ERRORS=ON \
  -DMOODVANE_SANITIZE=address,undefined -DPython_EXECUTABLE="$python" >/dev/null
cmake --build "$build" --target moodvane _native

# The extension and its stub side by side, as an installation lays them out (a test reads
# the stub from beside the module).
site="$build/site"
rm -rf "$site"
mkdir -p "$site"
built=("$build"/module/moodvane*.so)
cp "${built[@]}" module/moodvane.pyi "$site/"
module="$site/$(basename "${built[0]}")"
# The companion package as an installation lays it out: its sources and its private
# extension, sanitized too.
cp -r src/moodvane_tools "$site/moodvane_tools"
cp "$build"/module/companion/_native*.so "$site/moodvane_tools/"
# The stop-word lists, which an installation puts beside the package's sources.
cp -r lexicons/data/stopwords "$site/moodvane_tools/stopwords"
# The negators table, which an installation puts there too.
cp lexicons/data/negators.txt "$site/moodvane_tools/"
# And the sample texts, which it also puts there.
mkdir -p "$site/moodvane_tools/samples"
cp examples/texts/rainy_monday.txt examples/texts/sunny_saturday.txt examples/diary.csv \
  "$site/moodvane_tools/samples/"

reports="$build/reports"
rm -rf "$reports"
mkdir -p "$reports"

# The runtimes of the compiler that built the extension (GCC's libasan and libubsan).
compiler=$(sed -n 's/^CMAKE_CXX_COMPILER:[A-Z]*=//p' "$build/CMakeCache.txt")
runtimes=()
for runtime in libasan.so libubsan.so; do
  path=$("$compiler" -print-file-name="$runtime")
  if [[ ! -e $path ]]; then
    echo "$compiler has no $runtime to preload" >&2
    exit 1
  fi
  runtimes+=("$path")
done

# The interpreter itself is not instrumented, so the runtimes come first by preloading.
# Leak detection stays off: the interpreter keeps much of what it allocates until exit. A
# null from the allocator is passed on (out-of-memory tests expect MemoryError). Reports go
# to one file per process, child processes included, and are shown at the end.
export LD_PRELOAD="${runtimes[0]}:${runtimes[1]}"
export ASAN_OPTIONS="detect_leaks=0:allocator_may_return_null=1:abort_on_error=1:log_path=$reports/asan"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:log_path=$reports/ubsan"
# Python objects from the C allocator, so that AddressSanitizer also sees a use of an object
# the module has released.
export PYTHONMALLOC=malloc
export PYTHONPATH="$site:$root/tests/sanitize${PYTHONPATH:+:$PYTHONPATH}"
export MOODVANE_SANITIZED=1
export MOODVANE_SANITIZED_MODULE="$module"

"$python" - <<'PYTHON'
import os
import moodvane
assert moodvane.__file__ == os.environ["MOODVANE_SANITIZED_MODULE"], moodvane.__file__
with open("/proc/self/maps") as maps:
    assert "libasan" in maps.read(), "the AddressSanitizer runtime is not loaded"
print("sanitized module:", moodvane.__file__)
PYTHON

status=0
# -P: the source tree's moodvane_tools, which lacks the built extension, must not shadow
# the sanitized one.
# Two processes, a test file to each in turn, where pytest-xdist is installed;
# PYTHONSAFEPATH keeps the working directory off the workers' import path too.
workers=()
"$python" -c 'import xdist' 2>/dev/null && workers=(-n 2 --dist loadfile)
PYTHONSAFEPATH=1 "$python" -P -m pytest tests/python -q -p sanitized_import_check \
  "${workers[@]}" "$@" || status=$?

shopt -s nullglob
logs=("$reports"/*)
if ((${#logs[@]})); then
  for log in "${logs[@]}"; do
    echo "== sanitizer output: $log" >&2
    cat "$log" >&2
  done
  if grep -q -E "ERROR: (Address|Undefined|Leak)Sanitizer|runtime error:" "${logs[@]}"; then
    echo "sanitizer reported an error" >&2
    ((status)) || status=1
  fi
fi
exit "$status"
