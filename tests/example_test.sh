#!/usr/bin/env bash
# The example log: the generator repeats its bytes, the example imports to the
# statistics its README records, and tools/install_example.sh only fills a
# folder without databases.
# Usage: example_test.sh EXAMPLE_LOG_GEN MORVEL_CLI SOURCE_DIR
set -euo pipefail
gen="$1" cli="$(realpath "$2")" src="$3"
install="$src/tools/install_example.sh"
log="$src/data/example/example_2m.adi"
name="2M JO62QM EXAMPLE.QRA"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "example_test: $*" >&2; exit 1; }

"$gen" "$work/a.adi" && "$gen" "$work/b.adi" && "$gen" "$work/c.adi" 7
cmp -s "$work/a.adi" "$work/b.adi" || fail "two runs differ"
cmp -s "$work/a.adi" "$log" || fail "the committed log is not the generator's output"
cmp -s "$work/a.adi" "$work/c.adi" && fail "the seed changes nothing"

# An empty folder gets the example, and its statistics are the README's.
mkdir "$work/empty"
said=$("$install" "$cli" "$log" "$work/empty")
[[ "$said" == *"$name"*"Delete File"* ]] || fail "message: $said"
[ "$(ls "$work/empty")" = "$name" ] || fail "empty folder holds: $(ls -A "$work/empty")"
stats=$(cd "$work/empty" && "$cli" stats "$name")
[ "$(echo "$stats" | wc -l)" = 5 ] || fail "stats: $stats"
while IFS= read -r line; do
    grep -qxF "    $line" "$src/data/example/README.md" || fail "README lacks: $line"
done <<<"$stats"
rm "$work/empty/$name"
[ -z "$("$install" "$cli" "$log" "$work/empty")$(ls "$work/empty")" ] || fail "deleted example came back"

# Folders that hold a database, in any case of the suffix, stay as they were;
# --no-example and a failing morvel-cli leave an empty folder empty.
for db in "6M JO01AB .qra" "2m io85ab x.QrA"; do
    mkdir "$work/has" && touch "$work/has/$db"
    [ -z "$("$install" "$cli" "$log" "$work/has")" ] || fail "spoke about $db"
    [ "$(ls -A "$work/has")" = "$db" ] || fail "touched the folder with $db"
    rm -r "$work/has"
done
mkdir "$work/no"
[ -z "$("$install" --no-example "$cli" "$log" "$work/no")" ] || fail "--no-example spoke"
"$install" /bin/false "$log" "$work/no" 2>/dev/null && fail "a failing morvel-cli succeeded"
[ -z "$(ls -A "$work/no")" ] || fail "folder not left empty: $(ls -A "$work/no")"
echo "example_test: passed"
