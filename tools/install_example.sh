#!/usr/bin/env bash
# Puts the example database into a folder that holds no database yet, so that
# the first start shows a populated list. Called by ./run.
# Usage: tools/install_example.sh [--no-example] MORVEL_CLI EXAMPLE_LOG FOLDER
# A folder with any database (*.qra, in any case) is never touched, and the
# example comes only once: deleted with Delete File, it stays deleted.
set -euo pipefail
[ "${1:-}" = "--no-example" ] && exit 0
if [ $# -ne 3 ]; then
    echo "usage: install_example.sh [--no-example] MORVEL_CLI EXAMPLE_LOG FOLDER" >&2
    exit 2
fi
cli="$(realpath "$1")"
log="$(realpath "$2")"
folder="$3"
name="2M JO62QM EXAMPLE.QRA"
marker="$folder/.morvel-example-installed"
[ -e "$marker" ] && exit 0

shopt -s nullglob nocaseglob
databases=("$folder"/*.qra)
[ ${#databases[@]} -gt 0 ] && exit 0

# The import leaves a backup, a change log and a scratch copy beside the
# database; made in a scratch folder, only the database reaches the folder.
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
if ! (cd "$work" && "$cli" create 2m JO62QM example >/dev/null &&
      "$cli" import-adif "$name" "$log" >/dev/null); then
    echo "The example database could not be made; the folder is left as it was." >&2
    exit 1
fi
mkdir -p "$folder"
# Copied under a name the program does not list, then renamed: the folder
# never shows a half-copied database.
mv "$work/$name" "$folder/.example.part"
mv "$folder/.example.part" "$folder/$name"
touch "$marker"
echo "Installed the example database \"$name\" (a 2 m log of invented calls); delete it with Delete File when you no longer need it."
