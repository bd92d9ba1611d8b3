#!/usr/bin/env bash
# Installs every Debian package Cratewise needs to build, run and test.
# Idempotent, and silent when everything is already present; otherwise one line per step
# and one per tenth of the download and of the installation (a fresh machine fetches
# about 470 MB).
set -euo pipefail

packages=(
    g++ make cmake ninja-build lld pkg-config ccache clang libclang-rt-14-dev clang-format
    qt6-base-dev qt6-base-dev-tools libgl-dev qtkeychain-qt6-dev openssl
    libsqlite3-dev sqlite3 libtag1-dev zlib1g-dev libmpg123-dev libmpdclient-dev mpd
    libmimalloc-dev libicu-dev
    mpg123 libmp3lame-dev dbus flac vorbis-tools opus-tools ffmpeg lame
    libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev gstreamer1.0-plugins-base
    gstreamer1.0-plugins-good gstreamer1.0-libav gstreamer1.0-alsa gstreamer1.0-pulseaudio
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    xvfb xauth python3-mutagen python3-aiosmtpd python3-html5lib fonts-dejavu-core
    librsvg2-bin desktop-file-utils appstream man-db groff-base dpkg-dev file lintian
)

# One query for all: a package dpkg does not know is missing too.
installed=$(dpkg-query -W -f='${Package} ${Status}\n' "${packages[@]}" 2>/dev/null || true)
missing=()
for p in "${packages[@]}"; do
    grep -qx "$p install ok installed" <<<"$installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

step() { echo "install-deps: $*" >&2; }
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { step "need root or sudo to install: ${missing[*]}"; exit 1; }
    sudo="sudo"
fi
# Reads apt's status lines (APT::Status-Fd, on standard output because sudo closes other
# descriptors) among dpkg's chatter, and says each tenth of the work once.
progress() {
    local what=$1 last=0 kind pkg percent rest
    while IFS=: read -r kind pkg percent rest; do
        [[ $kind == dlstatus || $kind == pmstatus ]] || continue
        percent=${percent%%.*}
        if ((percent / 10 > last)); then
            last=$((percent / 10))
            step "  $what: $((last * 10)) %"
        fi
    done
}
export DEBIAN_FRONTEND=noninteractive
step "missing: ${missing[*]}"
step "1/3 updating the package lists"
$sudo apt-get update -qq
count=$($sudo apt-get install -s "${missing[@]}" | grep -c '^Inst ' || true)
step "2/3 downloading $count packages (these with what they need)"
$sudo apt-get install -y -qq --download-only -o APT::Status-Fd=1 "${missing[@]}" |
    progress downloaded
step "3/3 installing $count packages"
$sudo apt-get install -y -qq -o APT::Status-Fd=1 "${missing[@]}" |
    progress installed
step "done"
