#!/usr/bin/env bash
# The plug-ins in MLT's melt: a transition between two stills equals, byte for
# byte, what tumblers renders at the same progress and settings; an MLT XML
# project renders to a video; two render threads give the frames of one; bad
# settings and a missing module are reported without a crash.
source "$(dirname "$0")/lib.bash"
need melt ffmpeg ffprobe

W=96 H=64
cat >"$work/square" <<PROFILE
description=square pixels, the pictures' size
frame_rate_num=25
frame_rate_den=1
width=$W
height=$H
progressive=1
sample_aspect_num=1
sample_aspect_den=1
display_aspect_num=3
display_aspect_den=2
colorspace=709
PROFILE
ffmpeg -v error -f lavfi -i "testsrc2=size=${W}x$H" -frames:v 1 "$work/a.png" &&
    ffmpeg -v error -f lavfi -i "mandelbrot=size=${W}x$H" -frames:v 1 "$work/b.png" || fail "ffmpeg makes the stills"

# melt NAME PREFIX FRAMES [property=value ...]: the transition over FRAMES
# frames between the stills, written as PREFIX1.png, PREFIX2.png, ...
melt_stills() {
    local name=$1 prefix=$2 frames=$3
    shift 3
    local last=$((frames - 1))
    melt -profile "$work/square" "pixbuf:$work/a.png" out=$last -track "pixbuf:$work/b.png" out=$last \
        -transition "frei0r.$name" in=0 out=$last a_track=0 b_track=1 "$@" \
        -consumer "avformat:$prefix%d.png" vcodec=png pix_fmt=rgba real_time="${REAL_TIME:--1}"
}
reference() { "$tumblers" render "$@" --from "$work/a.png" --to "$work/b.png" --size ${W}x$H --bottom-up; }

# --- Three transitions, each with settings of another kind ------------------
# check NAME TITLE melt-settings... -- tumblers-settings...
check() {
    local name=$1 title=$2
    shift 2
    local ours=() theirs=()
    while [ "$1" != "--" ]; do ours+=("$1"); shift; done
    shift
    theirs=("$@")
    local dir="$work/$name"
    mkdir -p "$dir"
    melt_stills "svtumblers_$name" "$dir/f" 3 "progress=0=0;-1=1" "${ours[@]}" 2>"$dir/err" ||
        fail "$title: melt renders ($(tail -2 "$dir/err"))"
    reference "$title" --at 0.5 "${theirs[@]}" --out "$dir/expected.png" || fail "$title: tumblers renders"
    reference "$title" --at 0.5 --out "$dir/default.png" || fail "$title: tumblers renders the defaults"
    same_pixels "$dir/f1.png" "$work/a.png" || fail "$title: the first frame is picture A"
    same_pixels "$dir/f3.png" "$work/b.png" || fail "$title: the last frame is picture B"
    same_pixels "$dir/f2.png" "$dir/expected.png" || fail "$title: the middle frame equals tumblers with ${theirs[*]}"
    same_pixels "$dir/default.png" "$dir/expected.png" && fail "$title: ${theirs[*]} changes the picture"
}
# A choice by entry name, a check box and a slider.
check 3d_flip "3D Flip" orientation=Vertical clockwise=1 fog=0.25 -- \
    --set Orientation=Vertical --set Clockwise=on --set Fog=25
# A point as two doubles.
check 3d_louver_grid "3D Louver Grid" tilt_x=0.25 tilt_y=0.75 rotation=Vertical depth=0.5 -- \
    --set Tilt=0.25,0.75 --set Rotation=Vertical --set Depth=50
# A preset by name, and a setting after it that overrides one of its values.
check 3d_spiral_bounce "3D Spiral Bounce" "preset=six pack" background=Transparent -- \
    --preset "Six Pack" --set Background=Transparent

# --- Two render threads give the frames of one -------------------------------
mkdir -p "$work/one" "$work/two"
melt_stills svtumblers_3d_louver_grid "$work/one/f" 5 "progress=0=0;-1=1" 2>/dev/null || fail "one thread renders"
REAL_TIME=-2 melt_stills svtumblers_3d_louver_grid "$work/two/f" 5 "progress=0=0;-1=1" 2>/dev/null ||
    fail "two threads render"
for i in 1 2 3 4 5; do
    same_pixels "$work/one/f$i.png" "$work/two/f$i.png" || fail "frame $i is the same with two render threads"
done

# --- An MLT XML project with two tracks, rendered to a video -----------------
ffmpeg -v error -f lavfi -i "testsrc2=size=${W}x$H:rate=25" -t 2 -pix_fmt yuv420p "$work/clip_a.mp4" &&
    ffmpeg -v error -f lavfi -i "smptebars=size=${W}x$H:rate=25" -t 2 -pix_fmt yuv420p "$work/clip_b.mp4" ||
    fail "ffmpeg makes the clips"
cat >"$work/project.mlt" <<XML
<?xml version="1.0" encoding="utf-8"?>
<mlt>
  <profile description="square" width="$W" height="$H" progressive="1" sample_aspect_num="1" sample_aspect_den="1"
           display_aspect_num="3" display_aspect_den="2" frame_rate_num="25" frame_rate_den="1" colorspace="709"/>
  <producer id="clip_a"><property name="resource">$work/clip_a.mp4</property></producer>
  <producer id="clip_b"><property name="resource">$work/clip_b.mp4</property></producer>
  <playlist id="video1"><entry producer="clip_a" in="0" out="49"/></playlist>
  <playlist id="video2"><blank length="25"/><entry producer="clip_b" in="0" out="49"/></playlist>
  <tractor id="timeline" in="0" out="74">
    <multitrack><track producer="video1"/><track producer="video2"/></multitrack>
    <transition id="tumble">
      <property name="mlt_service">frei0r.svtumblers_3d_flip</property>
      <property name="a_track">0</property>
      <property name="b_track">1</property>
      <property name="in">25</property>
      <property name="out">49</property>
      <property name="progress">0=0;-1=1</property>
      <property name="preset">Revolve In Top</property>
    </transition>
  </tractor>
</mlt>
XML
melt "$work/project.mlt" -consumer "avformat:$work/project.mp4" 2>"$work/project.err" ||
    fail "melt renders the project ($(tail -2 "$work/project.err"))"
frames=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames -of csv=p=0 \
    "$work/project.mp4")
[ "$frames" = 75 ] || fail "the project's video has 75 frames, not $frames"
# Project frame 37 is the transition's middle (12 of 0..24): clip A's frame 37
# and clip B's frame 12 at progress 0.5, through a lossy video.
ffmpeg -v error -i "$work/clip_a.mp4" -vf "select=eq(n\,37)" -frames:v 1 "$work/a37.png" &&
    ffmpeg -v error -i "$work/clip_b.mp4" -vf "select=eq(n\,12)" -frames:v 1 "$work/b12.png" &&
    ffmpeg -v error -i "$work/project.mp4" -vf "select=eq(n\,37)" -frames:v 1 "$work/p37.png" ||
    fail "ffmpeg extracts the frames"
psnr() { ffmpeg -i "$1" -i "$2" -lavfi "[0:v]format=rgb24[x];[1:v]format=rgb24[y];[x][y]psnr" -f null - 2>&1 |
    sed -n 's/.*average:\([0-9.inf]*\).*/\1/p'; }
# The lossy video is compared by its closeness to tumblers' frame at 0.5,
# which must beat the frames a little earlier and later.
for t in 0.45 0.5 0.55; do
    "$tumblers" render "3D Flip" --from "$work/a37.png" --to "$work/b12.png" --size ${W}x$H --bottom-up --at $t \
        --preset "Revolve In Top" --out "$work/e$t.png" || fail "tumblers renders the project's frame at $t"
done
early=$(psnr "$work/p37.png" "$work/e0.45.png")
middle=$(psnr "$work/p37.png" "$work/e0.5.png")
late=$(psnr "$work/p37.png" "$work/e0.55.png")
awk -v m="$middle" -v e="$early" -v l="$late" 'BEGIN { exit !(m == "inf" || (m >= 24 && m > e + 3 && m > l + 3)) }' ||
    fail "the project's middle frame is tumblers' at 0.5 ($middle dB; at 0.45 $early dB, at 0.55 $late dB)"

# --- Bad input -----------------------------------------------------------------
reference "3D Flip" --at 0.5 --out "$work/flip_default.png" || fail "tumblers renders 3D Flip"
bad() { # NAME SETTING MESSAGE: the setting is reported once and changes nothing
    mkdir -p "$work/$1"
    melt_stills svtumblers_3d_flip "$work/$1/f" 3 "progress=0=0;-1=1" "$2" 2>"$work/$1/err" ||
        fail "$2: melt still renders"
    [ "$(grep -c -F "$3" "$work/$1/err")" = 1 ] || fail "$2: reported once: $(cat "$work/$1/err")"
    same_pixels "$work/$1/f2.png" "$work/flip_default.png" || fail "$2: the values stay as they were"
}
bad unknown_preset "preset=Nope" 'svtumblers_3d_flip: no built-in preset "Nope"'
bad unknown_entry "orientation=Diagonal" 'svtumblers_3d_flip: "orientation" has no entry "Diagonal"'

mkdir -p "$work/low" "$work/high"
melt_stills svtumblers_3d_flip "$work/low/f" 1 progress=-0.5 2>/dev/null && same_pixels "$work/low/f1.png" "$work/a.png" ||
    fail "progress below 0 shows picture A"
melt_stills svtumblers_3d_flip "$work/high/f" 1 progress=1.5 2>/dev/null && same_pixels "$work/high/f1.png" "$work/b.png" ||
    fail "progress above 1 shows picture B"

# --- Installed into a frei0r folder ----------------------------------------------
DESTDIR="$work/installed" cmake --install "$plugins/.." --component frei0r >/dev/null || fail "the frei0r component installs"
installed=$(dirname "$(find "$work/installed" -name svtumblers_3d_flip.so | head -1)")
for f in SVTumblers.so SVLang.so SVTumblersLang.xml svtumblers_3d_twist.so; do
    [ -f "$installed/$f" ] || fail "$f is installed beside the plug-ins"
done
mkdir -p "$work/inst"
FREI0R_PATH="$installed" melt_stills svtumblers_3d_flip "$work/inst/f" 3 "progress=0=0;-1=1" 2>/dev/null &&
    same_pixels "$work/inst/f2.png" "$work/flip_default.png" || fail "melt renders with the installed plug-ins"

# A plug-in without the module beside it: construct fails, melt goes on.
mkdir -p "$work/lonely"
cp "$plugins/svtumblers_3d_flip.so" "$work/lonely/"
FREI0R_PATH="$work/lonely" melt_stills svtumblers_3d_flip "$work/lonely/f" 1 progress=0.5 2>"$work/lonely/err"
rc=$?
[ "$rc" -lt 128 ] || fail "melt survives a plug-in without its module (status $rc)"
grep -q "svtumblers_3d_flip: cannot load the transition module $work/lonely/SVTumblers.so" "$work/lonely/err" ||
    fail "the missing module is reported: $(cat "$work/lonely/err")"

finish
