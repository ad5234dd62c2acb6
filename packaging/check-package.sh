#!/usr/bin/env bash
# Checks a built package without installing it: its files validate, lintian finds no error, and
# both programs run from the unpacked tree.
#   packaging/check-package.sh build/package/zvservice_*.deb
set -euo pipefail
deb="$1"
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"

desktop-file-validate "$root"/usr/share/applications/*.desktop
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml
lintian --fail-on error --suppress-tags dir-or-file-in-opt "$deb"

export HOME="$root/home" XDG_DATA_HOME="$root/home/data" QT_QPA_PLATFORM=offscreen
mkdir -p "$XDG_DATA_HOME"
"$root/usr/bin/zvctl" --version
"$root/usr/bin/zvctl" --simulator identity
"$root/usr/bin/zvctl" languages | grep lDE >/dev/null # grep reads to the end: no broken pipe
# a visit's service report, drawn without any display
"$root/usr/bin/zvctl" --simulator --history "$HOME/h.sqlite" read >/dev/null
env -u QT_QPA_PLATFORM -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/zvctl" --history \
    "$HOME/h.sqlite" history report 20261205 "$HOME/report.pdf" >/dev/null
timeout 60 "$root/usr/bin/zvservice" --simulator --exit-when-shown
echo "package checked: $(basename "$deb")"
