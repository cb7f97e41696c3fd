#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's prefix: wine-run.sh LOADER PROGRAM [ARGS]
# (LOADER is Wine's 32- or 64-bit loader, matching the program). CTest's emulator.
set -u
. "$(dirname "$0")/wine-prefix.sh"
loader=$1
shift
exec "$loader" "$@"
