#!/usr/bin/env bash
# Runs a 32-bit Windows program under Wine in the project's prefix, booting the prefix
# first if it is new: wine-run.sh PROGRAM [ARGS]. CTest's emulator for the Windows
# build; exits 77 (skipped) when Wine cannot run here.
set -u
. "$(dirname "$0")/wine-prefix.sh"
wine_enter "$0" "$@"
wine_prefix_boot
wine "$@"
