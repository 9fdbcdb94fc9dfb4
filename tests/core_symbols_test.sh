#!/usr/bin/env bash
# The core library never ends the process and never writes to the console:
# it references none of the functions that would.
#
#   core_symbols_test.sh LIBRARY
set -euo pipefail
forbidden='^(_Exit|_exit|exit|quick_exit|abort|write|writev|pwrite|printf|vprintf|fprintf|vfprintf|dprintf|puts|fputs|putchar|fputc|putc|fwrite|perror|std::cout|std::cerr|std::clog|std::wcout|std::wcerr)$'
found=$(nm -u -C "$1" | awk '{ $1 = ""; sub(/^ /, ""); print }' | sort -u | grep -E "$forbidden" || true)
if [ -n "$found" ]; then
  echo "the core library references:"
  echo "$found"
  exit 1
fi
echo "no exit, abort, write or console output in $(basename "$1")"
