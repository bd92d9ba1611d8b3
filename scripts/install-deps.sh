#!/usr/bin/env bash
# Installs every Debian package Cratewise needs to build, run and test.
# Idempotent and quiet when everything is already present.
set -euo pipefail

packages=(
    g++ make cmake pkg-config ccache clang libclang-rt-14-dev clang-format
    qt6-base-dev qt6-base-dev-tools libgl-dev
    libsqlite3-dev sqlite3 libtag1-dev zlib1g-dev libmpg123-dev libmpdclient-dev mpd
    mpg123 libmp3lame-dev dbus
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    xvfb xauth python3-mutagen python3-aiosmtpd fonts-dejavu-core
    librsvg2-bin desktop-file-utils appstream man-db groff-base dpkg-dev file lintian
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "install-deps: need root or sudo to install: ${missing[*]}" >&2; exit 1; }
    sudo="sudo"
fi
echo "install-deps: installing ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq "${missing[@]}" >/dev/null
