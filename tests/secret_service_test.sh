#!/usr/bin/env bash
# Runs the secret store's tests against a real Secret Service: GNOME's
# keyring on a session bus of this test's own, so no user's keyring is
# touched. Skipped (77) where gnome-keyring or dbus-run-session is missing.
# Usage: secret_service_test.sh CORE-TESTS
set -euo pipefail
tests=$1
command -v dbus-run-session >/dev/null && command -v gnome-keyring-daemon >/dev/null || exit 77
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export HOME=$home XDG_DATA_HOME=$home/data XDG_RUNTIME_DIR=$home/run
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
export MORVEL_TEST_SECRET_SERVICE=1 QT_QPA_PLATFORM=offscreen
# The D-Bus libraries keep their session connection to the end of the
# process; under the sanitizer build that is not a leak of this program's.
export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0
# The login keyring is made and unlocked with a password of the test's own;
# the daemon ends with the session bus.
exec dbus-run-session -- bash -c '
    printf "morvel-test" | gnome-keyring-daemon --daemonize --login >/dev/null
    gnome-keyring-daemon --start --components=secrets >/dev/null
    exec "$0" --gtest_filter="SecretStore.*"' "$tests"
