#!/usr/bin/env bash
# Builds the Debian package from a release build and checks it as CI does: the desktop entry
# and the metainfo validate, lintian finds no error, the package installs, the installed
# /usr/bin/quorix opens its window (on a private X server) and ends with status 0 when it is
# closed, and removing the package leaves nothing behind.
#
#   scripts/check-package.sh [BUILD_DIR]
set -euo pipefail
build=${1:-build/release}
sudo=""
if [[ $(id -u) -ne 0 ]]; then sudo="sudo"; fi

echo "== The package"
(cd "$build" && cpack -G DEB -B package > /dev/null)
deb=$(ls "$build"/package/quorix_*_amd64.deb)
echo "$deb"
dpkg-deb --info "$deb" | sed -n '/Package:/,$p'

echo "== desktop-file-validate, appstreamcli, lintian"
desktop-file-validate "$build"/packaging/*.desktop
appstreamcli validate --no-net "$build"/packaging/*.metainfo.xml
lintian --fail-on error --suppress-tags-from-file /dev/null "$deb"

echo "== Installed"
$sudo apt-get install -y -qq "$(realpath "$deb")" > /dev/null
files=$(dpkg -L quorix)
test -x /usr/lib/quorix/quorix
test -f /usr/lib/quorix/krnln.fnr
test "$(readlink /usr/bin/quorix)" = ../lib/quorix/quorix
QUORIX_PROGRAM=/usr/bin/quorix "$build"/bin/desktop_window_tests \
    --gtest_filter='DesktopWindow.OpensWhereTheFormPutsItAndClosesWithStatusZero'

echo "== Removed"
$sudo apt-get remove -y -qq --purge quorix > /dev/null
left=""
for f in $files; do
    # Folders the package shares with others (/usr/share/icons/...) may stay.
    if [[ -e "$f" && ! -d "$f" ]] || [[ -L "$f" ]]; then left+="$f "; fi
done
test ! -e /usr/lib/quorix || left+="/usr/lib/quorix "
if [[ -n "$left" ]]; then
    echo "left behind: $left"
    exit 1
fi
echo "package checked"
