# Sourced by the screenshot scripts: start Morvel in $work under openbox,
# find a window, move and click in it, take its picture into this folder ($here).
start_morvel() {
    openbox >/dev/null 2>&1 &
    wm=$!
    sleep 1
    cd "$work"
    ./morvel 2>/dev/null &
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
