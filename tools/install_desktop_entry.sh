#!/usr/bin/env bash
# Puts Morvel into the desktop's application menu for this user: a desktop
# entry that starts the program in its folder, and its icon. Called by ./run.
# Usage: tools/install_desktop_entry.sh FOLDER ICON
# Remove with: rm ~/.local/share/applications/morvel.desktop \
#                 ~/.local/share/icons/hicolor/scalable/apps/morvel.svg
set -euo pipefail
if [ $# -ne 2 ]; then
    echo "usage: install_desktop_entry.sh FOLDER ICON" >&2
    exit 2
fi
folder="$(cd "$1" && pwd)"
data="${XDG_DATA_HOME:-$HOME/.local/share}"
apps="$data/applications"
icons="$data/icons/hicolor/scalable/apps"
mkdir -p "$apps" "$icons"
install -m 644 "$2" "$icons/morvel.svg"

# Exec is quoted as the desktop entry format asks: within the quotes a
# backslash escapes " ` $ and \, and the value's own escaping doubles every
# backslash again; a % is written %%.
exec_path="$folder/morvel"
exec_path="${exec_path//\\/\\\\\\\\}"
exec_path="${exec_path//\"/\\\\\"}"
exec_path="${exec_path//\`/\\\\\`}"
exec_path="${exec_path//\$/\\\\\$}"
exec_path="${exec_path//%/%%}"
path_value="${folder//\\/\\\\}"

entry="$apps/morvel.desktop"
cat > "$entry.part" <<DESKTOP
[Desktop Entry]
Type=Application
Version=1.4
Name=Morvel
GenericName=Locator squares log
Comment=Worked and confirmed Maidenhead locator squares, band by band
Exec="$exec_path"
Path=$path_value
Icon=morvel
Terminal=false
Categories=Network;HamRadio;
DESKTOP
mv "$entry.part" "$entry"
command -v update-desktop-database >/dev/null && update-desktop-database -q "$apps" || true
echo "Added Morvel to the application menu ($entry)."
