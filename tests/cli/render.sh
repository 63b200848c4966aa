#!/usr/bin/env bash
# tumblers from the command line: listing, describing, rendering to each kind
# of output, the contact sheet and a short benchmark.
source "$(dirname "$0")/lib.bash"
is_png() { [ "$(head -c 8 "$1" 2>/dev/null | od -An -tx1 | tr -d ' \n')" = "89504e470d0a1a0a" ]; }

[ "$("$tumblers" list | tail -n +2 | wc -l)" -eq 13 ] || fail "list shows 13 transitions"
"$tumblers" list | grep -qE '^3 +3D Flip +966 +8 +8$' || fail "list: index, name, flags, counts"
info=$("$tumblers" info "3d FLIP") || fail "info runs"
grep -qE 'Offset +slider +-100 to 100 +default -100' <<<"$info" || fail "info shows display units"
grep -q '"Sets center point"' <<<"$info" || fail "info shows tooltips"
grep -q 'Flip Over: Distance=0 Offset=-2 Shading=33.5 Orientation=Vertical' <<<"$info" || fail "info shows presets"

"$tumblers" render flip --at 0.25 --size 64x36 --out "$work/one.png" || fail "render one picture"
"$tumblers" render flip --frames 3 --size 64x36 --format argbf --bottom-up --preset "Flip Over" \
    --set Fog=50 --out "$work/seq/f%03d.png" || fail "render a numbered sequence"
for i in 000 001 002; do is_png "$work/seq/f$i.png" || fail "sequence frame $i"; done
[ ! -e "$work/seq/f003.png" ] || fail "exactly three frames"
"$tumblers" render flip --at 0,1 --size 32x18 --out "$work/dir" || fail "render into a folder"
[ "$(ls "$work/dir" | wc -l)" -eq 2 ] || fail "two frames in the folder"
"$tumblers" render flip --at 0.5 --size 40x30 --from "$work/one.png" --out "$work/from.jpg" || fail "render from a file"
[ "$(head -c 2 "$work/from.jpg" | od -An -tx1 | tr -d ' \n')" = "ffd8" ] || fail "from.jpg is a JPEG"

"$tumblers" sheet flip "3D Flip" --size 48x27 --at 0,0.5,1 --out "$work/sheet.png" 2>"$work/err" ||
    fail "sheet of two rows"
is_png "$work/sheet.png" || fail "sheet.png is a PNG"

bench=$("$tumblers" bench flip --size 32x18) || fail "bench runs"
grep -qE '^3D Flip +32x18 +bgra8 +[0-9.]+ +[0-9.]+ +[0-9.]+$' <<<"$bench" || fail "bench prints fps: $bench"

# A stand-in ffmpeg records the raw BGRA frames it was given on its standard
# input; its output must appear only when it succeeds.
mkdir -p "$work/fakebin"
cat >"$work/fakebin/ffmpeg" <<'FAKE'
#!/usr/bin/env bash
out="${@: -1}"
bytes=$(wc -c)
echo "$* bytes=$bytes" >"$out"
[ -z "${FAKE_FFMPEG_FAIL:-}" ]
FAKE
chmod +x "$work/fakebin/ffmpeg"
PATH="$work/fakebin:$PATH" "$tumblers" render flip --frames 3 --size 20x10 --out "$work/clip.mp4" || fail "render a video"
grep -q -- "-f rawvideo -pix_fmt bgra -s 20x10 -r 25 -i - .*bytes=2400$" "$work/clip.mp4" ||
    fail "ffmpeg got 3 frames of 20x10x4 bytes: $(cat "$work/clip.mp4" 2>/dev/null)"
FAKE_FFMPEG_FAIL=1 PATH="$work/fakebin:$PATH" "$tumblers" render flip --frames 2 --size 20x10 \
    --out "$work/broken.gif" 2>/dev/null && fail "a failing ffmpeg fails the render"
[ ! -e "$work/broken.gif" ] || fail "a failed video leaves no file"

[ "$(find "$work" -name '.*tmp*' | wc -l)" -eq 0 ] || fail "temporary files left behind"
finish "all commands behave"
