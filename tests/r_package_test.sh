#!/usr/bin/env bash
# The R package, as a user gets it and as CRAN would check it: a tarball
# built from this checkout after r/sync-core, then R CMD check --as-cran of
# that tarball, which installs it, runs the testthat suite (comparing with
# the programs built here), the examples and R's own checks of the package
# and its manual. Passes only when the check's status is OK: no error, no
# warning, no note. Skipped (status 77), visibly, without R.
#
# Everything happens in a scratch folder outside the checkout, removed
# afterwards; the check's logs are copied into LOG_DIR, so that a failure
# can be read there.
#
# usage: r_package_test.sh SOURCE_DIR LOG_DIR VERSION ZEMRATH ZEMRATH_ENSEMBLE ZEMRATH_SWEEP
set -euo pipefail

source_dir=$1
log_dir=$2
version=$3
export ZEMRATH_PROGRAM=$4 ZEMRATH_ENSEMBLE_PROGRAM=$5 ZEMRATH_SWEEP_PROGRAM=$6

if ! command -v R >/dev/null; then
  echo "R is not installed (scripts/install-deps installs it): the R package is not tested"
  exit 77
fi

scratch=$(mktemp -d "${TMPDIR:-/tmp}/zemrath-r-package.XXXXXX")
keep_logs() {
  rm -rf "$log_dir"
  mkdir -p "$log_dir"
  if [ -d "$scratch/zemrath.Rcheck" ]; then
    (cd "$scratch/zemrath.Rcheck" && find . -maxdepth 2 \( -name '*.log' -o -name '*.out' -o -name '*.Rout*' \) \
      -exec cp --parents {} "$log_dir" \;)
  fi
  rm -rf "$scratch"
}
trap keep_logs EXIT
mkdir -p "$scratch/checkout/r" "$scratch/repository/src/contrib" "$scratch/tmp"

# A checkout of its own for the package, the library and the front ends'
# code linked from this one, so that building leaves nothing in the source
# tree; r/sync-core copies them into it as a user would.
ln -s "$source_dir/lib" "$scratch/checkout/lib"
ln -s "$source_dir/frontend" "$scratch/checkout/frontend"
cp -R "$source_dir/r/zemrath" "$source_dir/r/sync-core" "$scratch/checkout/r/"
package="$scratch/checkout/r/zemrath"
rm -rf "$package/src/lib" "$package/src/frontend" "$package/src/CHECKSUMS"
(cd "$package" && ./cleanup)
"$scratch/checkout/r/sync-core"

cd "$scratch"
R CMD build --no-build-vignettes "$package"
tarball="zemrath_$version.tar.gz"
if [ ! -f "$tarball" ]; then
  echo "no $tarball: the version in r/zemrath/DESCRIPTION is not the project's version $version" >&2
  exit 1
fi

# The check's install compiles with the warnings CRAN asks for, which the
# check then looks for in its log, and without debugging information, which
# adds a third to the compile time and would make up nine tenths of the
# installed package (and a note on its size).
echo "CXX20FLAGS = -O2 -Wall -pedantic" >Makevars

# There is no network here: package indexes come from an empty local
# repository, the incoming checks stay local (no CRAN database, no URLs),
# and file times are judged by this machine's clock. The manual is set in
# Times without the Inconsolata font, the one part of it that would need
# TeX Live's 1.4 GB of extra fonts. The check's temporary files go to a
# folder of its own, so that its check for left-over files sees no other
# R session's.
echo "options(repos = c(CRAN = 'file://$scratch/repository'))" >Rprofile
: >repository/src/contrib/PACKAGES
status=0
R_PROFILE_USER="$scratch/Rprofile" R_MAKEVARS_USER="$scratch/Makevars" MAKEFLAGS=-j2 TMPDIR="$scratch/tmp" \
  _R_CHECK_CRAN_INCOMING_REMOTE_=false _R_CHECK_SYSTEM_CLOCK_=false R_RD4PDF=times,hyper \
  R CMD check --as-cran "$tarball" || status=$?

results=zemrath.Rcheck/tests/testthat.Rout
[ -f "$results" ] || results=zemrath.Rcheck/tests/testthat.Rout.fail
if [ -f "$results" ]; then
  echo "--- the testthat suite ($results):"
  # The skips, failures and totals.
  sed -n '/^> test_check/,/^> proc.time/p' "$results"
fi
if [ "$status" -ne 0 ] || ! grep -qx 'Status: OK' zemrath.Rcheck/00check.log; then
  echo "R CMD check --as-cran did not end with status OK: see $log_dir/00check.log" >&2
  exit 1
fi
