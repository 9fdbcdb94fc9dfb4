#!/usr/bin/env bash
# The Python package, as a user installs it: into a virtual environment made
# with Debian's Python (/usr/bin/python3 -m venv --system-site-packages),
# with pip from a checkout of the project, then its pytest suite, which
# compares with the programs built here and starts a real Dask cluster on
# loopback. Skipped (status 77), visibly, without the Debian packages it
# needs (scripts/install-deps installs them).
#
# The checkout that pip builds from is one of its own in WORK_DIR: the
# library, the front ends' code, the README and docs/ linked from this one,
# the package's own files copied, so that building leaves nothing in the
# source tree. WORK_DIR keeps the environment and pip's build folder
# between runs: an unchanged package is not compiled again. The compiler's
# output is in WORK_DIR/pip.log, and a warning in it fails the test.
#
# usage: python_package_test.sh SOURCE_DIR WORK_DIR ZEMRATH ZEMRATH_ENSEMBLE ZEMRATH_SWEEP
set -euo pipefail

source_dir=$1
work_dir=$2
export ZEMRATH_PROGRAM=$3 ZEMRATH_ENSEMBLE_PROGRAM=$4 ZEMRATH_SWEEP_PROGRAM=$5
python=/usr/bin/python3

missing=()
[ -x "$python" ] || missing+=(python3)
if [ -x "$python" ]; then
  for module in venv pip setuptools pybind11 numpy pandas xarray dask distributed matplotlib pytest; do
    "$python" -c "import $module" 2>/dev/null || missing+=("$module")
  done
fi
pkg-config --exists tomlplusplus 2>/dev/null || missing+=(toml++)
if ((${#missing[@]})); then
  echo "missing for the Python package: ${missing[*]} (scripts/install-deps installs them): it is not tested"
  exit 77
fi

checkout="$work_dir/checkout"
mkdir -p "$checkout/python"
for linked in lib frontend docs CMakeLists.txt README.md; do
  ln -sfn "$source_dir/$linked" "$checkout/$linked"
done
# The package's files as they are now, with their times, beside the build
# folder of the last run.
package_files=(setup.py pyproject.toml zemrath extension tests)
(cd "$checkout/python" && rm -rf "${package_files[@]}")
(cd "$source_dir/python" && cp -Rp "${package_files[@]}" "$checkout/python/")

[ -x "$work_dir/venv/bin/python" ] || "$python" -m venv --system-site-packages "$work_dir/venv"
if ! (cd "$checkout" && ZEMRATH_BUILD_JOBS=2 "$work_dir/venv/bin/python" -m pip install --verbose --no-index \
        --no-build-isolation ./python) >"$work_dir/pip.log" 2>&1; then
  tail -50 "$work_dir/pip.log"
  echo "pip could not install the package: see $work_dir/pip.log" >&2
  exit 1
fi
if grep -nE ":[0-9]+:[0-9]+: warning:" "$work_dir/pip.log"; then
  echo "the package compiles with warnings: see $work_dir/pip.log" >&2
  exit 1
fi

cd "$work_dir"
ZEMRATH_SOURCE_DIR="$source_dir" "$work_dir/venv/bin/python" -m pytest -p no:cacheprovider -ra "$checkout/python/tests"
