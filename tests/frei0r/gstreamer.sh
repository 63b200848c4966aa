#!/usr/bin/env bash
# The plug-ins in GStreamer: all thirteen are listed as elements, and a
# pipeline renders one frame equal to tumblers', alpha included.
source "$(dirname "$0")/lib.bash"
need gst-inspect-1.0 gst-launch-1.0 ffmpeg
# A registry of our own, so that the scan sees this build's plug-ins.
export GST_REGISTRY="$work/registry.bin"

W=96 H=64
ffmpeg -v error -f lavfi -i "testsrc2=size=${W}x$H" -frames:v 1 "$work/a.png" &&
    ffmpeg -v error -f lavfi -i "mandelbrot=size=${W}x$H" -frames:v 1 "$work/b.png" || fail "ffmpeg makes the stills"

elements=$(gst-inspect-1.0 frei0r 2>"$work/inspect.err" | grep -o 'frei0r-mixer-svtumblers-[a-z0-9-]*' | sort -u)
[ "$(wc -l <<<"$elements")" = 13 ] || fail "gst-inspect lists 13 elements: $elements $(cat "$work/inspect.err")"
grep -qx frei0r-mixer-svtumblers-3d-spiral-bounce <<<"$elements" || fail "elements are named after the plug-ins"

still() { echo "filesrc location=$1 ! pngdec ! videoconvert ! video/x-raw,format=BGRA ! imagefreeze num-buffers=1"; }
# 3D Flip's transparent background and its fog give transparent, soft and
# opaque pixels in the same frame.
# shellcheck disable=SC2046
gst-launch-1.0 -q frei0r-mixer-svtumblers-3d-flip name=mix progress=0.5 orientation=Vertical shine=0.5 \
    ! video/x-raw,format=BGRA ! filesink location="$work/frame.bgra" \
    $(still "$work/a.png") ! mix.sink_0 $(still "$work/b.png") ! mix.sink_1 2>"$work/launch.err" ||
    fail "gst-launch renders ($(tail -2 "$work/launch.err"))"
"$tumblers" render "3D Flip" --from "$work/a.png" --to "$work/b.png" --size ${W}x$H --bottom-up --at 0.5 \
    --set Orientation=Vertical --set Shine=50 --out "$work/expected.png" || fail "tumblers renders"
cmp -s "$work/frame.bgra" <(pixels "$work/expected.png") || fail "the pipeline's frame equals tumblers'"
pixels "$work/expected.png" | od -An -tu1 -w4 -v | awk '$4 == 0 { t++ } $4 == 255 { o++ } END { exit !(t && o) }' ||
    fail "the frame has both transparent and opaque pixels"

finish
