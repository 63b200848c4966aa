#!/usr/bin/env bash
# Transitions between real clips made by ffmpeg here: joined length and
# sound, alpha kept in ProRes 4444 and VP9, output protection, standard
# output, rational rates, and the bottom-up default.
source "$(dirname "$0")/lib.bash"
cd "$work" || exit 1
probe() { ffprobe -v error -select_streams "$1" -count_frames -show_entries "$2" -of default=nw=1:nk=1 "$3"; }
# RMS of the mono sound of $1 between seconds $2 and $3.
rms() {
    ffmpeg -loglevel error -i "$1" -vn -ac 1 -ar 8000 -f f32le - | python3 -c '
import sys, struct, math
d = sys.stdin.buffer.read(); n = len(d) // 4
s = struct.unpack("<%df" % n, d); a, b = int(float(sys.argv[1]) * 8000), int(float(sys.argv[2]) * 8000)
w = s[a:b]; print("%.4f" % math.sqrt(sum(x * x for x in w) / max(len(w), 1)))' "$2" "$3"
}
# Alpha values present in frame $2 of $1, as "transparent opaque" flags.
alpha_of() {
    ffmpeg -loglevel error ${3:-} -i "$1" -vf "select=eq(n\,$2),alphaextract" -frames:v 1 -f rawvideo -pix_fmt gray - |
        python3 -c 'import sys; d = sys.stdin.buffer.read(); print(int(min(d) < 16), int(max(d) > 240))'
}

# A: 2 s of 64x36 at 25 fps with a tone; B: 2 s of 80x36 (another shape) in silence.
ffmpeg -loglevel error -f lavfi -i testsrc=size=64x36:rate=25:duration=2 -f lavfi -i sine=frequency=440:duration=2 \
    -c:v libx264 -pix_fmt yuv420p -c:a aac -shortest a.mp4 || fail "making clip A"
ffmpeg -loglevel error -f lavfi -i testsrc2=size=80x36:rate=25:duration=2 -c:v ffv1 b.mkv || fail "making clip B"
cp a.mp4 a.orig

# Joined: 50 + 50 - 25 frames, 3 s of sound that fades from A's tone to B's silence.
"$tumblers" render flip --from a.mp4 --to b.mkv --duration 1 --join --out joined.mp4 2>err || fail "join: $(cat err)"
grep -q "letterboxed" err || fail "a warning line for B's other shape"
[ "$(probe v:0 stream=nb_read_frames joined.mp4)" = 75 ] || fail "joined clip has 75 frames"
[ "$(probe v:0 stream=width,height joined.mp4 | tr '\n' x)" = "64x36x" ] || fail "size comes from A"
read -r head mid tail < <(echo "$(rms joined.mp4 0.1 0.9) $(rms joined.mp4 1.45 1.55) $(rms joined.mp4 2.1 2.9)")
python3 -c "import sys; h, m, t = map(float, sys.argv[1:]); sys.exit(not (h > 0.05 and 0.3 * h < m < 0.9 * h and t < 0.001))" \
    "$head" "$mid" "$tail" || fail "sound: A's tone ($head), crossfaded ($mid), B's silence ($tail)"
adur=$(probe a:0 stream=duration joined.mp4)
python3 -c "import sys; sys.exit(abs(float(sys.argv[1]) - 3) > 0.05)" "$adur" || fail "sound lasts 3 s, not $adur"

# The overlap alone, in frames, at a rational rate, without sound.
"$tumblers" render flip --from a.mp4 --to b.mkv --duration 12f --fps 30000/1001 --fit crop --no-audio -q \
    --out part.mkv 2>err || fail "overlap: $(cat err)"
[ ! -s err ] || fail "an explicit --fit and -q print nothing: $(cat err)"
[ "$(probe v:0 stream=nb_read_frames part.mkv)" = 12 ] || fail "12 frames"
[ "$(probe v:0 stream=r_frame_rate part.mkv)" = 30000/1001 ] || fail "rate 30000/1001"
[ -z "$(probe a stream=index part.mkv)" ] || fail "--no-audio writes no sound"

# A still is held for the whole transition.
"$tumblers" render flip --at 0.5 --size 64x36 --out still.png || fail "making a still"
"$tumblers" render flip --from a.mp4 --to still.png --duration 6f --no-audio -q --out held.mkv || fail "clip to still"
[ "$(probe v:0 stream=nb_read_frames held.mkv)" = 6 ] || fail "6 frames from a clip to a still"

# Alpha where the container keeps it: the middle of a flip shows the gap.
"$tumblers" render flip --from a.mp4 --to b.mkv --duration 5f --fit stretch --out alpha.mov -q || fail "render .mov"
[ "$(probe v:0 stream=pix_fmt alpha.mov)" = yuva444p12le ] || fail "ProRes 4444 with alpha"
[ "$(alpha_of alpha.mov 2)" = "1 1" ] || fail "the .mov keeps transparent and opaque pixels"
"$tumblers" render flip --from a.mp4 --to b.mkv --duration 5f --fit stretch --out alpha.webm -q || fail "render .webm"
[ "$(alpha_of alpha.webm 2 '-c:v libvpx-vp9')" = "1 1" ] || fail "the .webm keeps transparent and opaque pixels"
"$tumblers" render flip --from a.mp4 --to b.mkv --duration 5f --fit stretch --background '#ff0000' --out red.mov -q ||
    fail "render with a background"
[ "$(alpha_of red.mov 2)" = "0 1" ] || fail "--background fills what was transparent"

# Never over an existing output without -y, never over an input at all.
before=$(cksum <alpha.mov)
"$tumblers" render flip --from a.mp4 --to b.mkv --duration 5f --fit stretch --out alpha.mov -q 2>err
[ $? -eq 2 ] && grep -q -- "-y" err || fail "an existing output is refused with exit 2"
[ "$(cksum <alpha.mov)" = "$before" ] || fail "the refused output is untouched"
"$tumblers" render flip --from a.mp4 --to b.mkv --duration 5f --fit stretch --out alpha.mov -q -y || fail "-y writes over it"
ln -s a.mp4 link.mp4
for out in a.mp4 ./a.mp4 link.mp4 "$work/b.mkv"; do
    "$tumblers" render flip --from a.mp4 --to b.mkv --duration 5f --fit stretch --out "$out" -y -q 2>/dev/null
    [ $? -eq 2 ] || fail "output $out names an input: exit 2"
done
cmp -s a.mp4 a.orig || fail "input A is untouched"

# Standard output: raw RGBA frames, or a stream format.
bytes=$("$tumblers" render flip --from a.mp4 --to b.mkv --duration 5f --fit stretch --out - --no-audio | wc -c)
[ "$bytes" -eq $((5 * 64 * 36 * 4)) ] || fail "5 raw frames on standard output, not $bytes bytes"
"$tumblers" render flip --from a.mp4 --to b.mkv --duration 4f --fit stretch --out - --format-out nut --no-audio >piped.nut ||
    fail "a nut stream on standard output"
[ "$(probe v:0 stream=nb_read_frames piped.nut)" = 4 ] || fail "4 frames in the nut stream"

# Frames go to the module bottom-up unless --top-down: the default is --bottom-up.
"$tumblers" render "magic carpet" --at 0.4 --size 32x24 --out default.png || fail "default render"
"$tumblers" render "magic carpet" --at 0.4 --size 32x24 --bottom-up --out up.png || fail "--bottom-up render"
"$tumblers" render "magic carpet" --at 0.4 --size 32x24 --top-down --out down.png || fail "--top-down render"
cmp -s default.png up.png || fail "the default is bottom-up"
cmp -s default.png down.png && fail "--top-down differs"

[ "$(find . -name '.*tmp*' | wc -l)" -eq 0 ] || fail "temporary files left behind"
finish "clips behave"
