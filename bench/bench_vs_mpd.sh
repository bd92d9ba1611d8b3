#!/bin/sh
# Times `cratewise add-session` against MPD's own database scan of the same tree of
# tagged MP3 files, side by side, warm cache. Each MPD run starts with no database and
# ends when MPD has written it (the scan is done), as `mpd --no-daemon` does at its first
# start. The two run in turn, so a drift of the machine's speed touches both alike.
# Usage: bench/bench_vs_mpd.sh [BUILD_DIR] [FILES] [RUNS]; the tree is kept in
# $CRATEWISE_BENCH_DIR (default /tmp/cratewise-bench-sessions).
set -eu
build=$(cd "${1:-build}" && pwd)
files=${2:-5000}
runs=${3:-5}
tree=${CRATEWISE_BENCH_DIR:-/tmp/cratewise-bench-sessions}
command -v mpd > /dev/null || { echo "bench_vs_mpd: mpd is not installed, skipped"; exit 0; }

"$build/gen_song_tree" "$tree" "$files"
find "$tree" -name '*.mp3' -exec cat {} + > /dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM
cat > "$work/mpd.conf" <<CONF
music_directory "$tree"
db_file "$work/mpd/db"
log_file "/dev/null"
state_file "$work/mpd/state"
bind_to_address "$work/mpd/socket"
zeroconf_enabled "no"
audio_output {
    type "null"
    name "null"
}
CONF
cat > "$work/cratewise.sh" <<SCRIPT
#!/bin/sh
rm -rf "$work/data" && mkdir -p "$work/data" && : > "$work/settings.ini"
CRATEWISE_CONFIG="$work/settings.ini" exec "$build/cratewise" --data-dir "$work/data" \
    add-session Bench "$tree" > /dev/null 2>&1
SCRIPT
cat > "$work/mpd.sh" <<SCRIPT
#!/bin/sh
rm -rf "$work/mpd" && mkdir -p "$work/mpd"
mpd --no-daemon "$work/mpd.conf" 2> /dev/null &
pid=\$!
while [ ! -s "$work/mpd/db" ]; do sleep 0.01; done
kill \$pid
wait \$pid || true
SCRIPT
chmod +x "$work/cratewise.sh" "$work/mpd.sh"

i=1
while [ "$i" -le "$runs" ]; do
    for who in cratewise mpd; do
        /usr/bin/time -f "$who: %e s, peak %M KiB" "$work/$who.sh"
    done
    i=$((i + 1))
done
