#!/usr/bin/env bash
# Runs browser_test.mjs: installs playwright-core as its lock file pins it
# (once; later runs use what is installed, without network), then drives
# Debian's chromium against a zemrath-explore that the script starts and
# stops itself.
#
#   explore_browser_test.sh ZEMRATH_EXPLORE ZEMRATH_ENSEMBLE WORK_DIR
set -euo pipefail
explore=$(realpath "$1")
ensemble=$(realpath "$2")
work=$3
source_dir=$(cd "$(dirname "$0")/explore_browser" && pwd)

mkdir -p "$work"
cd "$work"
installed=node_modules/.installed-package-lock.json
if ! cmp -s "$source_dir/package-lock.json" "$installed"; then
  cp "$source_dir/package.json" "$source_dir/package-lock.json" .
  npm ci --prefer-offline --no-audit --no-fund --loglevel=error
  cp "$source_dir/package-lock.json" "$installed"
fi
cp "$source_dir/browser_test.mjs" .
node browser_test.mjs "$explore" "$ensemble" "$work/explorer.png"
