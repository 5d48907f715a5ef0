#!/usr/bin/env bash
# Every command and option that morvel-cli's help lists is described in the
# manual page, read from the help at test time, so that a new command or
# option is missed at once: the program's options under OPTIONS, each
# command in a section of its own with each of its options as an entry and
# an example. Usage: man_page_test.sh MORVEL-CLI PAGE
set -euo pipefail
cli=$1
page=$2
# The page's source with roff's escaped hyphens plain and its font changes gone.
text=$(sed -e 's/\\-/-/g' -e 's/\\f[BIRP]//g' "$page")
failed=0
fail() { echo "$page: $*" >&2; failed=1; }
# The lines of one part: from the heading ".SH NAME" or ".SS NAME" to the next.
part() { awk -v heading="$1" '$0 == heading {on = 1; next} /^\.S[HS] / {on = 0} on' <<<"$text"; }
# The options a part describes: the "--" words of its entries' tag lines.
entries() { awk 'prev == ".TP" {for (i = 1; i <= NF; i++) print $i} {prev = $0}' | grep -o -- '--[a-z][a-z-]*' | sort -u || true; }
# The options a help text lists.
listed() { grep -o -- '--[a-z][a-z-]*' | sort -u || true; }

overall=$("$cli" --help)
described=$(part ".SH OPTIONS" | entries)
for option in $(listed <<<"$overall"); do
    grep -qxF -- "$option" <<<"$described" || fail "OPTIONS has no entry for $option"
done
commands=$(awk '/^Commands:/ {on = 1; next} /^$/ {on = 0} on {print $1}' <<<"$overall")
[ -n "$commands" ] || fail "morvel-cli --help lists no commands"
for command in $commands; do
    body=$(part ".SS $command")
    if [ -z "$body" ]; then
        fail "no section \".SS $command\""
        continue
    fi
    described=$(entries <<<"$body")
    for option in $(awk '/^Options:/ {on = 1; next} on' <<<"$("$cli" "$command" --help)" | listed); do
        [ "$option" = --help ] && continue
        grep -qxF -- "$option" <<<"$described" || fail "$command: no entry for $option"
    done
    grep -q "^morvel-cli $command\( \|$\)" <<<"$body" || fail "$command: no example"
done
[ $failed -eq 0 ] && echo "$page describes every command and option of $(basename "$cli")"
exit $failed
