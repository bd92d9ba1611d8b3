#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks that every file a desktop needs
# is where it looks for it. Usage: check-install.sh BUILD_DIR
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null

fail=0
for f in bin/cratewise share/applications/cratewise.desktop \
    share/metainfo/org.quillfen.cratewise.metainfo.xml \
    share/doc/cratewise/cratewise.html share/doc/cratewise/readme.txt \
    share/doc/cratewise/copyright share/doc/cratewise/changelog.gz share/doc-base/cratewise \
    share/man/man1/cratewise.1.gz share/bash-completion/completions/cratewise \
    share/icons/hicolor/scalable/apps/cratewise.svg; do
    [ -s "$prefix/$f" ] || { echo "missing: $f"; fail=1; }
done
for size in 16 32 48 64 128 256; do
    png=$prefix/share/icons/hicolor/${size}x$size/apps/cratewise.png
    # The theme picks an icon by its folder, so the picture must be that size.
    file "$png" | grep -q "PNG image data, $size x $size," || { echo "not ${size}x$size: $png"; fail=1; }
done
[ -x "$prefix/bin/cratewise" ] || { echo "not executable: bin/cratewise"; fail=1; }
# The installed program answers without a display, and its page lists what --help lists.
"$prefix/bin/cratewise" --version | grep -q '^Cratewise ' || { echo "--version failed"; fail=1; }
page=$(gzip -dc "$prefix/share/man/man1/cratewise.1.gz")
for command in $("$prefix/bin/cratewise" --help | awk '/^  [a-z]/ { print $1 }'); do
    grep -q "^\\\\fB${command//-/\\\\-}" <<<"$page" ||
        { echo "not in the manual page: $command"; fail=1; }
done
exit $fail
