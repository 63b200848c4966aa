#!/usr/bin/env bash
# melt's frames per second for a 1080p transition of 2 seconds (50 frames at
# 25 fps) between two clips made by ffmpeg: each of our plug-ins given as
# arguments against melt's own "luma" dissolve, on the same clips in the same
# run, one render thread, output discarded.
#   bench/melt_fps.sh build/bin [3d_flip 3d_louver_grid ...]
set -eu
bin="$1"
shift
stems=("${@:-3d_flip}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export FREI0R_PATH="$bin"
ffmpeg -v error -f lavfi -i testsrc2=size=1920x1080:rate=25 -t 2 -pix_fmt yuv420p "$work/a.mp4"
ffmpeg -v error -f lavfi -i smptehdbars=size=1920x1080:rate=25 -t 2 -pix_fmt yuv420p "$work/b.mp4"
run() { # SERVICE [property=value ...]: seconds for the 50 frames
    local start end transition=()
    [ "$1" = none ] || transition=(-transition "$@" in=0 out=49 a_track=0 b_track=1)
    start=$(date +%s.%N)
    melt -profile atsc_1080p_25 "$work/a.mp4" out=49 -track "$work/b.mp4" out=49 "${transition[@]}" \
        -consumer avformat:"$work/out.nut" vcodec=rawvideo pix_fmt=rgba real_time=-1 2>/dev/null
    end=$(date +%s.%N)
    awk -v s="$start" -v e="$end" 'BEGIN { printf "%.2f", e - s }'
}
# "none" is the decoding and writing around any transition.
printf '%-32s %8s %8s\n' transition seconds fps
for service in none luma "${stems[@]/#/frei0r.svtumblers_}"; do
    extra=()
    case "$service" in frei0r.*) extra=("progress=0=0;-1=1") ;; esac
    s=$(run "$service" "${extra[@]}")
    printf '%-32s %8s %8.2f\n' "$service" "$s" "$(awk -v s="$s" 'BEGIN { print 50 / s }')"
done
