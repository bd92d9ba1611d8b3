#!/usr/bin/env bash
# Installs the package on a fresh Debian 12 (a debootstrap chroot) and checks, as a normal
# user, what a new machine needs: the commands answer, the catalogue lands in the user's
# data folder, a session can be added, the manual page lists every command, the menu shows
# the entry with its icon and the window starts. Needs root and the network (about 2 min).
# Usage: sudo check-clean-install.sh BUILD_DIR [--no-install-recommends]
# MIRROR overrides the Debian mirror, KEEP=1 keeps the chroot for a look around.
set -euo pipefail
build=$(realpath "$1")
options=("${@:2}")
mirror=${MIRROR:-http://deb.debian.org/debian}
deb=$(ls "$build"/cratewise_*.deb)
[ "$(id -u)" -eq 0 ] || { echo "check-clean-install: run as root (debootstrap, chroot)" >&2; exit 2; }
command -v debootstrap >/dev/null || { echo "check-clean-install: apt-get install debootstrap" >&2; exit 2; }

root=$(mktemp -d /var/tmp/cratewise-clean.XXXXXX)
chmod 755 "$root" # it becomes /, which every user walks through
# shellcheck disable=SC2317 # called by the trap
cleanup() {
    umount -R "$root" 2>/dev/null || umount -R -l "$root" 2>/dev/null || true
    # Never delete through a mount that is still there (the chroot binds the host's /dev).
    if [ -n "$(findmnt -rn -o TARGET | grep -F "$root" || true)" ]; then
        echo "check-clean-install: $root is still mounted, left in place" >&2
    elif [ "${KEEP:-0}" = 1 ]; then
        echo "check-clean-install: kept $root" >&2
    else
        rm -rf "$root"
    fi
}
trap cleanup EXIT

echo "== debootstrap bookworm into $root"
debootstrap --variant=minbase bookworm "$root" "$mirror" >"$root.log" 2>&1 ||
    { tail -20 "$root.log"; exit 1; }
rm -f "$root.log"
cat >"$root/etc/apt/sources.list" <<EOF
deb $mirror bookworm main
deb $mirror bookworm-updates main
deb http://deb.debian.org/debian-security bookworm-security main
EOF
cp /etc/resolv.conf "$root/etc/resolv.conf"
# The chroot's root must show up as a mount inside it, as on a real machine, or the
# program finds no volume under the user's folders.
mount --bind "$root" "$root"
mount -t proc proc "$root/proc"
mount -t sysfs sys "$root/sys"
mount --rbind /dev "$root/dev"
mount --make-rslave "$root/dev"

in_root() { chroot "$root" env DEBIAN_FRONTEND=noninteractive LC_ALL=C.UTF-8 "$@"; }
# shellcheck disable=SC2317 # called through check
as_user() { chroot "$root" su - tester -c "$1"; }
fail=0
check() { # NAME COMMAND...: runs the command, prints its verdict
    local name=$1
    shift
    if "$@"; then echo "PASS $name"; else echo "FAIL $name"; fail=1; fi
}

in_root apt-get update -q >/dev/null
cp "$deb" "$root/tmp/"
echo "== apt install $(basename "$deb") ${options[*]}"
in_root apt-get install -y -q "${options[@]}" "/tmp/$(basename "$deb")" >"$root/tmp/install.log" 2>&1 ||
    { tail -30 "$root/tmp/install.log"; exit 1; }
in_root useradd -m -s /bin/bash tester
"$build/gen_song_tree" "$root/home/tester/music" 20 >/dev/null
in_root chown -R tester:tester /home/tester/music

# Before any test tool comes in, so that nothing but the package's own dependencies count.
check "every library the program links is installed" \
    sh -c "! chroot '$root' ldd /usr/bin/cratewise | grep 'not found'"
check "--version" as_user 'cratewise --version | grep -q "^Cratewise "'
check "--help lists commands" as_user 'cratewise --help | grep -q "^  sessions"'
check "sessions creates the catalogue in the data folder" \
    as_user 'cratewise sessions && test -s ~/.local/share/Quillfen/Cratewise/songs3.mdb'
check "add-session stores the generated songs" \
    as_user 'cratewise add-session Music ~/music && cratewise sessions | grep -qP "^Music\t20$"'

echo "== installing the test tools (man-db, python3-xdg, menus, xvfb)"
in_root apt-get install -y -q --no-install-recommends man-db python3-xdg gnome-menus \
    lxmenu-data xvfb xauth x11-utils >/dev/null 2>&1
# shellcheck disable=SC2016 # expanded by the user's shell in the chroot
check "man cratewise lists every command of --help" as_user '
    page=$(MANWIDTH=200 man cratewise 2>/dev/null | col -b)
    status=0
    for c in $(cratewise --help | awk "/^  [a-z]/ { print \$1 }"); do
        grep -qE "^ +$c( |\$)" <<<"$page" || { echo "  not in the page: $c"; status=1; }
    done
    exit $status'

cat >"$root/tmp/menu.py" <<'EOF'
import sys
import xdg.IconTheme
import xdg.Menu

def find(menu, path):
    for entry in menu.getEntries():
        if isinstance(entry, xdg.Menu.Menu):
            yield from find(entry, path + [entry.getName()])
        elif isinstance(entry, xdg.Menu.MenuEntry) and entry.DesktopFileID == "cratewise.desktop":
            yield "/".join(path), entry.DesktopEntry

status = 0
for menu_file in sys.argv[1:]:
    found = list(find(xdg.Menu.parse(menu_file), []))
    if not found:
        print("  not in", menu_file)
        status = 1
    for where, entry in found:
        icons = {size: xdg.IconTheme.getIconPath(entry.getIcon(), size, "hicolor")
                 for size in (16, 32, 48, 64, 128, 256)}
        print("  %s: %s > %s, icon %s" % (menu_file, where, entry.getName(), icons[48]))
        if any(path is None or "/hicolor/" not in path for path in icons.values()):
            print("  icon not found in the hicolor theme:", icons)
            status = 1
sys.exit(status)
EOF
check "the menu shows Cratewise with its icon" as_user \
    'python3 /tmp/menu.py /etc/xdg/menus/gnome-applications.menu /etc/xdg/menus/lxde-applications.menu'

# The window must map within 30 s and carry its icon.
cat >"$root/tmp/gui.sh" <<'EOF'
cratewise >/tmp/gui.log 2>&1 &
pid=$!
for _ in $(seq 30); do
    window=$(xwininfo -root -children | awk '/"cratewise" "Cratewise"/ { print $1; exit }')
    [ -n "$window" ] && break
    sleep 1
done
status=1
[ -n "$window" ] && xprop -id "$window" _NET_WM_ICON | grep -q 'Icon (' && status=0
kill $pid
[ $status = 0 ] || cat /tmp/gui.log
exit $status
EOF
check "the window starts on X with its icon" as_user \
    'QT_QPA_PLATFORM=xcb timeout 60 xvfb-run -a -s "-screen 0 1280x800x24" sh /tmp/gui.sh'
exit $fail
