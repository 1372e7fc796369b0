#!/bin/sh
# ctest's emulator for the Windows build: wine-run.sh BUILD_DIR PROGRAM.exe [ARGS...]
. "$(dirname "$0")/wine-env.sh" "$1"
shift
exec "$VELMORA_WINE" "$@"
