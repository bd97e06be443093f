#!/usr/bin/env bash
# Installs what building and testing moodvane needs on a fresh Debian machine: GoogleTest
# and fonts from Debian, the Python build and test tools from PyPI. Safe to run again: it
# installs only what is missing.
set -euo pipefail

# Fonts with Chinese, Korean and Devanagari glyphs for the word-shift graphs of the tests.
# (python3-pattern, with its scipy, nltk and tk, serves only the lexicon rebuild and the
# validity benchmark, bench/lexicon_validity.py, which installs it itself.) unicode-data:
# the files of the Unicode version that tools/gen_unicode_tables.py pins (it checks their
# SHA-256) and builds the counter's tables from, and emoji-data.txt, which the word
# counter's tests read. chromium and chromium-driver: the report page's tests open it in
# a real browser without a screen, through Selenium.
debian_packages=(libgtest-dev fonts-wqy-microhei fonts-lohit-deva unicode-data chromium
                 chromium-driver)
missing=()
for package in "${debian_packages[@]}"; do
  dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
done
if ((${#missing[@]})); then
  sudo_cmd=()
  [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -q
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q "${missing[@]}"
fi

# The build tools, and the test tools: the one list of them is pyproject.toml's `test` extra.
root="$(dirname "$0")/.."
mkdir -p "$root/build"
python3 -c 'import sys, tomllib
print("\n".join(tomllib.load(open(sys.argv[1], "rb"))["project"]["optional-dependencies"]["test"]))' \
  "$root/pyproject.toml" >"$root/build/test-requirements.txt"
python3 -m pip install -q --disable-pip-version-check -r "$root/requirements-dev.txt" \
  -r "$root/build/test-requirements.txt"
