#!/usr/bin/env bash
# Installs the Debian packages Quorix needs to build, run and test, when they are missing.
#   scripts/install-deps.sh          build, run and test
#   scripts/install-deps.sh --ci     also the cross compiler and fuzzing tools CI uses
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-webengine-dev libgl-dev
    libgtest-dev libgmock-dev libbenchmark-dev libgif-dev libpcre2-dev libimagequant-dev libzstd-dev
    fonts-noto-cjk qt6-translations-l10n
    xvfb xclip libx11-dev libxtst-dev libxdo-dev dbus-daemon
    # What assistive technology reads (AT-SPI), for the accessibility test.
    at-spi2-core gir1.2-atspi-2.0 python3-gi
    # The colour reduction is compared with ImageMagick's in a test.
    imagemagick
    # The coloured character picture is opened in a real browser.
    chromium
)
if [[ "${1:-}" == "--ci" ]]; then
    # jp2a and img2txt (caca-utils) are the peers bench/steps_vs_peers.sh compares with.
    packages+=(g++-mingw-w64-i686 clang libclang-rt-14-dev clang-format jp2a caca-utils)
    # The package's checks.
    packages+=(desktop-file-utils appstream lintian dpkg-dev fakeroot)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if ((${#missing[@]} == 0)); then
    exit 0
fi
sudo=""
if [[ $(id -u) -ne 0 ]]; then sudo="sudo"; fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
