#!/usr/bin/env bash
# The exports with their heading: the example database's Europe map as PNG
# and its field JO as PNG, side by side, made by morvel-cli (no display).
# Usage: docs/screenshots/take_exports.sh [BUILD_DIR]   (default build)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$here/../.."
bin="$(realpath "${1:-$root/build}")/bin"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp "$bin"/*.pnt "$work/"
"$root/tools/install_example.sh" "$bin/morvel-cli" "$root/data/example/example_2m.adi" "$work" >/dev/null
db="2M JO62QM EXAMPLE.QRA"
# The picture commands read the outline files beside the program.
cp "$bin/morvel-cli" "$work/"
(cd "$work" && ./morvel-cli map "$db" eu.png --view europe >/dev/null &&
     ./morvel-cli field "$db" JO jo.png --size 1000x401 >/dev/null)
convert "$work/eu.png" "$work/jo.png" -background white -gravity north -splice 0x0 +append \
    "$here/export_heading.png"
