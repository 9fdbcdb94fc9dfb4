#!/usr/bin/env bash
# Runs readme_commands_test.mjs, in a network namespace of its own where the
# machine allows one (as root, with iproute2 to bring its loopback up), so
# that the README's server has its port 8080 to itself whatever else runs
# here and no command reaches beyond this machine; else on this machine.
#
#   readme_commands_test.sh README.md SOURCE_DIR BUILD_DIR
set -euo pipefail
script=$(cd "$(dirname "$0")" && pwd)/readme_commands_test.mjs
if command -v ip >/dev/null && unshare --net true 2>/dev/null; then
  exec unshare --net sh -c 'ip link set lo up && exec node "$@"' sh "$script" "$@"
fi
echo "readme_commands_test: no network namespace here; the README's server takes port 8080 of this machine"
exec node "$script" "$@"
