#!/usr/bin/env bash
# Installs the package twice, upgrades it, removes and purges it, and checks
# after each step that the user's data folder (~/.local/share/Morvel) is byte
# for byte as before. Changes the machine's packages: run it by hand, as
# root, on a machine where Morvel may be installed and removed; it ends with
# the package purged.
# Usage: tools/check_package_install.sh morvel_VERSION_amd64.deb
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: check_package_install.sh DEB" >&2; exit 2; }
deb=$(realpath "$1")
data="${XDG_DATA_HOME:-$HOME/.local/share}/Morvel"
[ -d "$data" ] || { echo "no $data: start morvel once first" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
apt() { DEBIAN_FRONTEND=noninteractive apt-get "$@" -y -qq >/dev/null 2>&1; }
state() { (cd "$data" && find . -printf '%p %s %m %T@\n' | sort && find . -type f -exec sha256sum {} + | sort); }
state > "$work/before"
echo "$(find "$data" -type f | wc -l) files in $data"
# Maintainer scripts would be the only way for the package to reach a home folder.
if dpkg-deb --ctrl-tarfile "$deb" | tar -t | grep -qE 'preinst|postinst|prerm|postrm'; then
    echo "the package has maintainer scripts" >&2; exit 1
fi
# An upgrade: the same package under a higher version.
version=$(dpkg-deb -f "$deb" Version)
dpkg-deb -R "$deb" "$work/upgrade"
sed -i "s/^Version: .*/Version: $version.1/" "$work/upgrade/DEBIAN/control"
dpkg-deb --root-owner-group -b "$work/upgrade" "$work/morvel_upgrade.deb" >/dev/null
failed=0
step() {
    local what=$1; shift
    "$@"
    if state | cmp -s - "$work/before"; then
        echo "$what: $data unchanged"
    else
        echo "$what: $data CHANGED" >&2; state | diff "$work/before" - >&2 || true; failed=1
    fi
}
step "install" apt install "$deb"
step "install again" apt install --reinstall "$deb"
step "upgrade to $version.1" apt install "$work/morvel_upgrade.deb"
step "downgrade to $version" apt install --allow-downgrades "$deb"
step "remove" apt remove morvel
step "install after removal" apt install "$deb"
step "purge" apt purge morvel
dpkg-query -W morvel >/dev/null 2>&1 && { echo "morvel still installed" >&2; failed=1; }
exit $failed
