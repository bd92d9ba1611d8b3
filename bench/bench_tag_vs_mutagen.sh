#!/bin/sh
# Times one `cratewise tag --session … --album …` over a generated session of tagged MP3
# files against a mutagen script that opens each file of a copy of the same tree once and
# sets its album, side by side, warm cache. The two run in turn on their own copies, each
# run setting a new album, so a drift of the machine's speed touches them alike; the
# medians and their ratio end the output.
# Usage: bench/bench_tag_vs_mutagen.sh [BUILD_DIR] [FILES] [RUNS]; the generated tree is
# kept in $CRATEWISE_BENCH_DIR (default /tmp/cratewise-bench-tag).
set -eu
build=$(cd "${1:-build}" && pwd)
files=${2:-1000}
runs=${3:-5}
tree=${CRATEWISE_BENCH_DIR:-/tmp/cratewise-bench-tag}
python=/usr/bin/python3
"$python" -c 'import mutagen' 2> /dev/null ||
    { echo "bench_tag_vs_mutagen: python3-mutagen is not installed, skipped"; exit 0; }

"$build/gen_song_tree" "$tree" "$files"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM
cp -r "$tree" "$work/ours"
cp -r "$tree" "$work/theirs"
find "$work" -name '*.mp3' -exec cat {} + > /dev/null

export CRATEWISE_CONFIG="$work/settings.ini"
mkdir -p "$work/data"
"$build/cratewise" --data-dir "$work/data" add-session Bench "$work/ours" > /dev/null 2>&1

cat > "$work/set_album.py" << 'SCRIPT'
import os, sys
import mutagen
root, album = sys.argv[1], sys.argv[2]
for folder, _, names in os.walk(root):
    for name in names:
        if name.endswith(".mp3"):
            song = mutagen.File(os.path.join(folder, name), easy=True)
            song["album"] = album
            song.save()
SCRIPT
cat > "$work/cratewise.sh" << SCRIPT
#!/bin/sh
exec "$build/cratewise" --data-dir "$work/data" tag --session Bench --album "\$1" > /dev/null 2>&1
SCRIPT
cat > "$work/mutagen.sh" << SCRIPT
#!/bin/sh
exec "$python" "$work/set_album.py" "$work/theirs" "\$1"
SCRIPT
chmod +x "$work/cratewise.sh" "$work/mutagen.sh"

# Run 0 is the warm-up: each tool's first save may grow the tags it finds.
i=0
while [ "$i" -le "$runs" ]; do
    for who in cratewise mutagen; do
        /usr/bin/time -f "%e %M" -o "$work/time" "$work/$who.sh" "Album run $i" ||
            { echo "bench_tag_vs_mutagen: $who failed" >&2; exit 1; }
        [ "$i" -eq 0 ] && continue
        awk -v who="$who" '{ printf "%s: %s s, peak %s KiB\n", who, $1, $2 }' "$work/time"
        cut -d' ' -f1 "$work/time" >> "$work/$who.times"
    done
    i=$((i + 1))
done
# Every file holds the last album, in the tag and in the catalogue.
last="Album run $runs"
written=$("$build/cratewise" --data-dir "$work/data" search --album "$last" | wc -l)
echo "cratewise: $written of $files songs hold \"$last\" in the catalogue"

median() { sort -n "$work/$1.times" | awk '{ v[NR] = $1 } END {
    print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) }'; }
ours=$(median cratewise)
theirs=$(median mutagen)
awk -v ours="$ours" -v theirs="$theirs" -v files="$files" 'BEGIN {
    printf "median cratewise: %.2f s (%.0f files/s)\n", ours, files / (ours > 0 ? ours : 0.01)
    printf "median mutagen: %.2f s (%.0f files/s)\n", theirs, files / (theirs > 0 ? theirs : 0.01)
    printf "cratewise takes %.2f times the mutagen script\n", ours / (theirs > 0 ? theirs : 0.01) }'
