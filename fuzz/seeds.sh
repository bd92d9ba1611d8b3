#!/bin/sh
# Seeds each fuzz target's corpus, when it has none yet, with small files made by real
# encoders: a fifth of a second of tone, tagged, some with a cover. The first byte of a
# format target's input picks its edit (see FuzzFormat.h), of the format writer's the format.
set -eu
here=$(dirname "$0")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
q="-hide_banner -loglevel error -y"

ffmpeg $q -f lavfi -i "sine=frequency=440:sample_rate=8000:duration=0.2" -ac 1 -fflags +bitexact -map_metadata -1 "$work/tone.wav"
ffmpeg $q -f lavfi -i "color=c=red:s=8x8" -frames:v 1 "$work/cover.jpg"
ffmpeg $q -f lavfi -i "color=c=blue:s=8x8" -frames:v 1 "$work/cover.png"

flac -s -f --no-padding --no-seektable --compression-level-0 -T TITLE=Tone -T artist=Someone -T Album=Seeds \
    --picture="3||||$work/cover.jpg" -o "$work/a.flac" "$work/tone.wav"
flac -s -f --no-padding -T TITLE=Tone -o "$work/b.flac" "$work/tone.wav"
oggenc -Q -q 0 -t Tone -a Someone -l Seeds -o "$work/a.ogg" "$work/tone.wav"
opusenc --quiet --bitrate 6 --title Tone --artist Someone --picture "3||||$work/cover.png" \
    "$work/tone.wav" "$work/a.opus"
ffmpeg $q -i "$work/tone.wav" -c:a aac -b:a 16k -metadata title=Tone -metadata artist=Someone \
    "$work/a.m4a"
ffmpeg $q -i "$work/tone.wav" -i "$work/cover.jpg" -map 0 -map 1 -c:a aac -b:a 16k -c:v copy \
    -disposition:v attached_pic -metadata title=Tone "$work/b.m4a"
lame --quiet -b 8 --tt Tone --ta Someone --tl Seeds --ti "$work/cover.jpg" "$work/tone.wav" \
    "$work/a.mp3"
lame --quiet -b 8 --id3v1-only --tt Tone "$work/tone.wav" "$work/b.mp3"

# seed TARGET FILE [FIRST-BYTE]: the file, behind its first byte when the target takes one.
seed() {
    corpus="$here/corpus-$1"
    out="$corpus/seed-$(basename "$2")${3:+-$3}"
    if [ -n "${3:-}" ]; then
        { printf "\\$(printf %03o "$3")"; cat "$2"; } >"$out"
    else
        cp "$2" "$out"
    fi
}

fill() {
    target=$1
    shift
    [ -z "$(ls -A "$here/corpus-$target" 2>/dev/null)" ] || return 0
    mkdir -p "$here/corpus-$target"
    "$@"
}

seed_format() { # TARGET FILES...
    t=$1
    shift
    for f in "$@"; do for b in 0 1 2; do seed "$t" "$f" "$b"; done; done
}
fill fuzz_flac seed_format fuzz_flac "$work/a.flac" "$work/b.flac"
fill fuzz_ogg seed_format fuzz_ogg "$work/a.ogg"
fill fuzz_opus seed_format fuzz_opus "$work/a.opus"
fill fuzz_m4a seed_format fuzz_m4a "$work/a.m4a" "$work/b.m4a"
fill fuzz_mp3 seed_format fuzz_mp3 "$work/a.mp3" "$work/b.mp3"
seed_writer() {
    seed fuzz_format_writer "$work/a.flac" 0
    seed fuzz_format_writer "$work/a.ogg" 1
    seed fuzz_format_writer "$work/a.opus" 2
    seed fuzz_format_writer "$work/a.m4a" 3
}
fill fuzz_format_writer seed_writer
seed_probe() {
    for f in a.mp3 b.mp3 a.flac a.ogg a.opus a.m4a; do seed fuzz_tag_probe "$work/$f"; done
}
fill fuzz_tag_probe seed_probe
seed_cover() {
    seed fuzz_cover "$work/cover.jpg"
    seed fuzz_cover "$work/cover.png"
}
fill fuzz_cover seed_cover
