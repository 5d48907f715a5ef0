#!/usr/bin/env bash
# What morvel-cli prints and writes is the same under a German locale as under
# C: decimal points, no digit grouping. Usage: locale_test.sh MORVEL_CLI
set -euo pipefail
cli="$1"
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    echo "locale_test: de_DE.UTF-8 is not generated here (locale-gen)"; exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
run() {  # LOCALE DIR: the same commands, their output kept in DIR
    mkdir -p "$work/$2" && cd "$work/$2"
    export LC_ALL="$1"
    {
        "$cli" distance JO62QM IO91WM
        "$cli" create 2m jo62qm >/dev/null
        printf '<CALL:6>DL1ABC<QSO_DATE:8>20240105<BAND:2>2m<GRIDSQUARE:6>JO40AB<QSL_RCVD:1>Y<EOR>\n<CALL:5>G4ABC<QSO_DATE:8>20240106<BAND:2>2m<GRIDSQUARE:4>IO91<EOR>\n' > log.adi
        "$cli" import-adif "2M JO62QM .QRA" log.adi
        "$cli" stats "2M JO62QM .QRA"
        "$cli" needed "2M JO62QM .QRA" --within 150
        "$cli" overview . --csv
        "$cli" summary "2M JO62QM .QRA" summary.txt >/dev/null
        "$cli" map "2M JO62QM .QRA" map.geojson >/dev/null
        "$cli" map "2M JO62QM .QRA" map.kml >/dev/null
        "$cli" map "2M JO62QM .QRA" map.svg --size 300x200 --scale 1.5 >/dev/null
        "$cli" field "2M JO62QM .QRA" JO field.svg >/dev/null
        "$cli" award-list "2M JO62QM .QRA" award.csv >/dev/null
        "$cli" awards .
        "$cli" awards . --csv
        "$cli" contacts "2M JO62QM .QRA"
    } > out.txt 2>&1
    # The change log's date line is the platform's short date form by design.
    sed -i '2d' changelog.txt
    rm -f log.adi "2M JO62QM .QRA" "2M JO62QM  backup.qra" adi.tmp
    unset LC_ALL
}
run C c
run de_DE.UTF-8 de
diff -r "$work/c" "$work/de" || { echo "locale_test: output differs under de_DE.UTF-8"; exit 1; }
grep -q '932\.4' "$work/c/out.txt" || { echo "locale_test: no distance printed"; exit 1; }
