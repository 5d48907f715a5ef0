#!/usr/bin/env bash
# Builds the Debian package in a build folder and checks it: the files it
# must install are in it, nothing lies under /home or outside /usr, lintian
# finds no error, and the desktop entry and the AppStream metainfo validate.
# Called by .ci/run.
# Usage: tools/check_package.sh [BUILD_DIR]   (default: build, configured)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
command -v dpkg-deb >/dev/null || { echo "check_package.sh: no dpkg-deb, nothing checked"; exit 0; }
rm -f "$build"/morvel_*.deb
cmake --build "$build" --target package >/dev/null
debs=("$build"/morvel_*_amd64.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "no morvel_VERSION_amd64.deb in $build" >&2; exit 1; }
deb=${debs[0]}
list=$(dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|')
failed=0
for path in /usr/bin/morvel /usr/bin/morvel-cli \
    /usr/share/morvel/mapper.pnt /usr/share/morvel/coast.pnt /usr/share/morvel/island.pnt \
    /usr/share/morvel/country.pnt /usr/share/morvel/state.pnt /usr/share/morvel/example.qra \
    /usr/share/applications/morvel.desktop /usr/share/icons/hicolor/scalable/apps/morvel.svg \
    /usr/share/metainfo/io.github.morvel.Morvel.metainfo.xml \
    /usr/share/man/man1/morvel-cli.1.gz /usr/share/man/man1/morvel.1.gz \
    /usr/share/doc/morvel/copyright /usr/share/doc/morvel/changelog.gz; do
    grep -qxF "$path" <<<"$list" || { echo "missing from $deb: $path" >&2; failed=1; }
done
outside=$(grep -v '^/usr/' <<<"$list" | grep -vx '/' || true)
[ -z "$outside" ] || { echo "outside /usr in $deb:" >&2; echo "$outside" >&2; failed=1; }
dpkg-deb -f "$deb" Depends | grep -q libqt6core6 || { echo "no shared library dependencies" >&2; failed=1; }
if command -v lintian >/dev/null; then
    errors=$(lintian "$deb" 2>/dev/null | grep '^E:' || true)
    [ -z "$errors" ] || { echo "$errors" >&2; failed=1; }
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
dpkg-deb -x "$deb" "$work"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$work"/usr/share/applications/morvel.desktop || failed=1
fi
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$work"/usr/share/metainfo/*.xml >/dev/null || {
        appstreamcli validate --no-net "$work"/usr/share/metainfo/*.xml >&2; failed=1; }
fi
[ $failed -eq 0 ] && echo "Package checked: $deb"
exit $failed
