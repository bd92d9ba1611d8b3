#!/bin/sh
# Times `cratewise add-session` against MPD's own database scan and against a beets import
# of the same tree of tagged MP3 files, side by side, warm cache. Each MPD run starts with
# no database and ends when MPD has written it (the scan is done), as `mpd --no-daemon`
# does at its first start. Each beets run is `beet import -A -C -W -q` (no tagging from
# the web, no copy, no tag writes) into a new library. The three run in turn, so a drift
# of the machine's speed touches them alike; the medians and their ratios end the output.
# beets is needed for this benchmark only (`apt-get install beets`): it is not among the
# build's dependencies and CI does not run the benchmarks; without it its runs are skipped.
# Usage: bench/bench_vs_mpd.sh [BUILD_DIR] [FILES] [RUNS]; the tree is kept in
# $CRATEWISE_BENCH_DIR (default /tmp/cratewise-bench-sessions).
set -eu
build=$(cd "${1:-build}" && pwd)
files=${2:-6000}
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
cat > "$work/beets.yaml" <<CONF
directory: $work/beets-music
library: $work/beets/library.db
plugins: []
import:
    copy: no
    move: no
    write: no
    resume: no
    incremental: no
    quiet: yes
CONF
cat > "$work/beets.sh" <<SCRIPT
#!/bin/sh
rm -rf "$work/beets" && mkdir -p "$work/beets"
BEETSDIR="$work/beets" exec beet -c "$work/beets.yaml" import -A -C -W -q "$tree" \
    > /dev/null 2>&1
SCRIPT
chmod +x "$work/cratewise.sh" "$work/mpd.sh" "$work/beets.sh"
who_all="cratewise mpd"
if command -v beet > /dev/null; then
    who_all="$who_all beets"
else
    echo "bench_vs_mpd: beets is not installed, its runs are skipped"
fi

i=1
while [ "$i" -le "$runs" ]; do
    for who in $who_all; do
        /usr/bin/time -f "%e %M" -o "$work/time" "$work/$who.sh"
        awk -v who="$who" '{ printf "%s: %s s, peak %s KiB\n", who, $1, $2 }' "$work/time"
        cut -d' ' -f1 "$work/time" >> "$work/$who.times"
    done
    i=$((i + 1))
done
case $who_all in
*beets*)
    songs=$(BEETSDIR="$work/beets" beet -c "$work/beets.yaml" ls 2> /dev/null | wc -l)
    echo "beets: $songs songs in its library after the last run"
    ;;
esac

median() { sort -n "$work/$1.times" | awk '{ v[NR] = $1 } END {
    print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) }'; }
ours=$(median cratewise)
for who in $who_all; do
    m=$(median "$who")
    awk -v who="$who" -v m="$m" -v ours="$ours" -v files="$files" 'BEGIN {
        printf "median %s: %.2f s (%.0f files/s), %.1f times cratewise\n", who, m,
               files / (m > 0 ? m : 0.01), m / (ours > 0 ? ours : 0.01) }'
done
