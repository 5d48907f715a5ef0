#!/usr/bin/env bash
# Takes the screenshots under a dark desktop style, Adwaita-Dark from
# Debian's adwaita-qt6: the main menu, the field map, the square view with
# its editor open, the square view in a window that fits a 1024 x 600 screen
# (left with Escape, as every window but the main menu is) and the overview.
# Usage: xvfb-run -a -s "-screen 0 1280x1024x24" docs/screenshots/take_dark.sh
# Needs adwaita-qt6, openbox, xdotool and ImageMagick's import.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/x11_helpers.sh"
scratch_install
export QT_STYLE_OVERRIDE=Adwaita-Dark
start_morvel

menu="$(window "Main Menu")"
sleep 0.5
at "$menu" 60 110 click 1      # the example database
sleep 0.5
at "$menu" 580 172 click 1     # Europe
shot "$menu" dark_main_menu.png
at "$menu" 468 174 click 1     # View/Edit
map="$(window "Field Select")"
at "$map" 283 408              # over IO91
shot "$map" dark_field_map.png
at "$map" 283 408 click 1
view="$(window "Square Display/Edit")"
sleep 1
at "$view" 688 324 click 1     # IO95
sleep 0.5
xdotool type --delay 50 "g4abc"
shot "$view" dark_square_view_edit.png
xdotool key Escape             # drops the edit
xdotool windowsize "$view" 1000 540
sleep 1
at "$view" 300 200             # over IO93
shot "$view" dark_square_view_small.png
xdotool key Escape             # back to the field map
map="$(window "Field Select")"
sleep 1
xdotool key Escape             # back to the main menu
menu="$(window "Main Menu")"
sleep 0.5
at "$menu" 468 470 click 1     # Every Band...
overview="$(window "Every Band")"
shot "$overview" dark_overview.png
