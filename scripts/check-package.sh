#!/usr/bin/env bash
# Builds the Debian package from BUILD_DIR into a temporary folder (a few seconds) and
# checks its control fields, file list and lintian's verdict. Usage: check-package.sh BUILD_DIR
set -euo pipefail
build=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
timeout 90 cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1 ||
    { cat "$out/cpack.log"; exit 1; }
deb=$(ls "$out"/cratewise_*.deb)

fail=0
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = cratewise ] || { echo "Package: $(field Package)"; fail=1; }
[ "$(field Recommends)" = "mpd, gstreamer1.0-plugins-good, gstreamer1.0-libav, gstreamer1.0-pulseaudio" ] || { echo "Recommends: $(field Recommends)"; fail=1; }
# Computed by dpkg-shlibdeps from what the program links, and the icon theme.
for lib in libqt6widgets6 libsqlite3-0 libtag1v5 libmpg123-0 libgstreamer1.0-0 libmimalloc2.0 libc6 hicolor-icon-theme; do
    field Depends | grep -q "\\b$lib\\b" || { echo "Depends lacks $lib: $(field Depends)"; fail=1; }
done
files=$(dpkg-deb -c "$deb" | awk '{ print $6 }')
for f in ./usr/bin/cratewise ./usr/share/applications/cratewise.desktop \
    ./usr/share/metainfo/org.quillfen.cratewise.metainfo.xml \
    ./usr/share/doc/cratewise/cratewise.html ./usr/share/man/man1/cratewise.1.gz \
    ./usr/share/doc/cratewise/copyright ./usr/share/doc/cratewise/changelog.gz \
    ./usr/share/doc-base/cratewise \
    ./usr/share/bash-completion/completions/cratewise \
    ./usr/share/icons/hicolor/scalable/apps/cratewise.svg \
    ./usr/share/icons/hicolor/{16x16,32x32,48x48,64x64,128x128,256x256}/apps/cratewise.png; do
    grep -qx -- "$f" <<<"$files" || { echo "not in the package: $f"; fail=1; }
done
# The changelog's latest entry names the version being packaged.
unpacked=$out/root
dpkg-deb -x "$deb" "$unpacked"
logged=$(gzip -dc "$unpacked/usr/share/doc/cratewise/changelog.gz" | dpkg-parsechangelog -l - -S Version)
[ "$logged" = "$(field Version)" ] || { echo "changelog is for $logged, the package is $(field Version)"; fail=1; }
# Debian's own package checker: errors and warnings fail, its informational tags do not.
# A time limit of its own, so that a stuck run names the step instead of timing out the test.
timeout 60 lintian --fail-on error,warning "$deb" >"$out/lintian.log" 2>&1 ||
    { echo "lintian failed (status $?):"; cat "$out/lintian.log"; fail=1; }
# Nothing from the build tree (tests, benchmarks, libraries) slips in.
extra=$(grep -v -e '/$' -e '^./usr/bin/cratewise$' -e '^./usr/share/' <<<"$files" || true)
[ -z "$extra" ] || { echo "unexpected files: $extra"; fail=1; }
exit $fail
