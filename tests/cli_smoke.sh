#!/usr/bin/env bash
# Runs the built morvel-cli binary itself on a real file in a scratch folder.
# Usage: cli_smoke.sh MORVEL_CLI VERSION [linux|portable]
set -euo pipefail
cli="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "cli_smoke: $*" >&2; exit 1; }
[ "$("$cli" distance JO62QM IO91WM)" = "932.4" ] || fail "distance"
[ "$("$cli" create 2m io85ab)" = "2M IO85AB .QRA" ] || fail "create"
[ "$(stat -c %s "2M IO85AB .QRA")" = 916272 ] || fail "size"
"$cli" create 2m io85ab 2>err && fail "second create succeeded"
[ "$(cat err)" = "File already exists" ] || fail "exists message"
expected=$'File: 2M IO85AB .QRA\nSquares Worked:  0\nSquares Confirmed:  0\nFields Worked:  0\nODX:    0 km'
[ "$("$cli" stats "2M IO85AB .QRA")" = "$expected" ] || fail "stats"
# A full or closed standard output fails with the system's reason.
set +e; "$cli" stats "2M IO85AB .QRA" >/dev/full 2>err; status=$?; set -e
[ "$status" = 1 ] || fail "full output status $status"
[ "$(cat err)" = "morvel-cli: standard output: No space left on device" ] || fail "full output message"
# The portable file calls cannot tell a closed standard output from an open one.
if [ "${3:-linux}" != portable ]; then
    set +e; "$cli" distance JO62QM IO91WM >&- 2>err; status=$?; set -e
    [ "$status" = 1 ] || fail "closed output status $status"
    [ "$(cat err)" = "morvel-cli: standard output: Bad file descriptor" ] || fail "closed output message"
fi
[ "$("$cli" map "2M IO85AB .QRA" world.png 2>/dev/null)" = "$PWD/world.png" ] || fail "map"
[ "$(head -c 4 world.png | tail -c 3)" = "PNG" ] || fail "map picture"
[ "$("$cli" --version)" = "morvel-cli $2" ] || fail "version"
[ "$("$cli" --help | sed -n '/^Exit codes:/,$p' | wc -l)" = 5 ] || fail "help"
[ "$("$cli" map --help 2>/dev/null | head -1)" = "usage: morvel-cli map DB OUT [--view world|europe|na] [--size WxH] [--scale N] [--all-bands] [--center LOCATOR] [--zoom FACTOR]" ] || fail "map help"
set +e; "$cli" stats >/dev/null 2>err; status=$?; set -e
[ "$status" = 2 ] || fail "usage status $status"
[ "$(cat err)" = "usage: morvel-cli stats DB" ] || fail "usage message"
echo "cli_smoke: 1 passed, 0 failed"
