#!/usr/bin/env bash
# `make test-win`: runs the Windows slice's tests (built into build-win/) under Wine, in the
# build's own Wine prefix (build-win/wine), never the user's ~/.wine.
#
# Wine's server and the background programs wineboot starts (services, explorer) are started
# before ctest and stopped after it, with their output away from ours: started by a test, they
# would outlive it holding ctest's output pipe, and ctest would wait for them.
#
# usage: scripts/test-win.sh [BUILD]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-win}
export WINEPREFIX="$PWD/$build/wine" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=;winedbg.exe=d'

mkdir -p "$WINEPREFIX"
wineserver -k >/dev/null 2>&1 || true # one left by an interrupted run
wineserver -p </dev/null >/dev/null 2>&1
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
wineboot --init </dev/null >"$build/wineboot.log" 2>&1
cd "$build"
ctest --output-on-failure
