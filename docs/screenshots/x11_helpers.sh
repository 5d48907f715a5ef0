# Sourced by the screenshot scripts: make a scratch copy of the folder ./run
# installs, start Morvel in it under openbox, find a window, move and click
# in it, take its picture into this folder ($here).
scratch_install() {  # sets root, cli and work
    root="$here/../.."
    cli="$root/build/bin/morvel-cli"
    work="$(mktemp -d)"
    trap 'rm -rf "$work"' EXIT
    install -m 755 "$root/build/bin/morvel" "$work/"
    cp "$root"/build/bin/*.pnt "$work/"
    "$root/tools/install_example.sh" "$cli" "$root/data/example/example_2m.adi" "$work" >/dev/null
}
start_morvel() {
    openbox >/dev/null 2>&1 &
    wm=$!
    sleep 1
    cd "$work"
    ./morvel "$@" 2>/dev/null &
    pid=$!
    trap 'kill $pid $wm 2>/dev/null || true; rm -rf "$work"' EXIT
}
window() {  # windows come and go meanwhile: ask again until it is there
    local id=""
    for _ in $(seq 50); do
        id="$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1)" || true
        [ -n "$id" ] && break
        sleep 0.2
    done
    echo "$id"
}
at() { xdotool mousemove --window "$1" "$2" "$3" "${@:4}"; }
shot() { sleep 1; import -window "$1" "$here/$2"; }
