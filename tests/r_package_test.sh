#!/usr/bin/env bash
# The R package, as a user gets it: a tarball built from this checkout after
# r/sync-core, installed once into a scratch library, then
# R CMD check --no-manual on that installation, which runs the testthat
# suite (comparing with the programs built here), the examples and R's own
# checks of the package. Passes only when the check's status is OK: no
# error, no warning, no note. Skipped (status 77), visibly, without R.
#
# usage: r_package_test.sh SOURCE_DIR SCRATCH_DIR VERSION ZEMRATH ZEMRATH_ENSEMBLE ZEMRATH_SWEEP
set -euo pipefail

source_dir=$1
scratch=$2
version=$3
export ZEMRATH_PROGRAM=$4 ZEMRATH_ENSEMBLE_PROGRAM=$5 ZEMRATH_SWEEP_PROGRAM=$6

if ! command -v R >/dev/null; then
  echo "R is not installed (scripts/install-deps installs it): the R package is not tested"
  exit 77
fi

rm -rf "$scratch"
mkdir -p "$scratch/checkout/r" "$scratch/library" "$scratch/repository/src/contrib"

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

# One install, used by the check. The symbol tables let the check name the
# objects behind any call it objects to. Compiled without debugging
# information, which takes most of the time and would make up nine tenths
# of the library.
echo "CXX20FLAGS = -O2" >Makevars
if ! R_MAKEVARS_USER="$scratch/Makevars" _R_SHLIB_BUILD_OBJECTS_SYMBOL_TABLES_=TRUE MAKEFLAGS=-j2 \
    R CMD INSTALL --library="$scratch/library" "$tarball" >install.log 2>&1; then
  cat install.log
  exit 1
fi

# Package indexes come from an empty local repository: the check looks no
# further (there is no network here).
echo "options(repos = c(CRAN = 'file://$scratch/repository'))" >Rprofile
: >repository/src/contrib/PACKAGES
status=0
R_PROFILE_USER="$scratch/Rprofile" R CMD check --no-manual --install=skip --library="$scratch/library" \
  "$tarball" || status=$?

results=zemrath.Rcheck/tests/testthat.Rout
[ -f "$results" ] || results=zemrath.Rcheck/tests/testthat.Rout.fail
if [ -f "$results" ]; then
  echo "--- the testthat suite ($results):"
  # The skips, failures and totals.
  sed -n '/^> test_check/,/^> proc.time/p' "$results"
fi
if [ "$status" -ne 0 ] || ! grep -qx 'Status: OK' zemrath.Rcheck/00check.log; then
  echo "R CMD check did not end with status OK: see $scratch/zemrath.Rcheck/00check.log" >&2
  exit 1
fi
