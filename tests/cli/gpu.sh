#!/usr/bin/env bash
# --gpu on this machine's OpenGL (llvmpipe in CI; a missing context fails
# here): render, sheet and bench draw through the headless EGL host, the ends
# give the pictures as the CPU does in either row order, and without a
# context each command says why in one line and exits 1.
source "$(dirname "$0")/lib.bash"
cd "$work"

while IFS='|' read -r name args; do
    # shellcheck disable=SC2086
    "$tumblers" $args >out 2>err || fail "$name: $(cat err)"
    # shellcheck disable=SC2086
    __EGL_VENDOR_LIBRARY_FILENAMES=/nonexistent.json "$tumblers" $args >/dev/null 2>err2
    rc=$?
    [ "$rc" = 1 ] && [ "$(wc -l <err2)" = 1 ] && grep -q '^tumblers: error: no OpenGL context: ' err2 ||
        fail "$name without a context: exit $rc, $(cat err2)"
done <<'TABLE'
render|render twist --gpu --frames 3 --size 48x27 --out seq/
sheet|sheet flip comb --gpu --size 48x27 --at 0,0.5 --out sheet.png
bench|bench flip --gpu --size 48x27
TABLE
[ "$(ls seq | wc -l)" = 3 ] || fail "render --gpu writes every frame"
grep -qE '^3D Flip +48x27 +bgra8( +[0-9.]+){5}$' out || fail "bench --gpu row: $(cat out)"

# t = 0 and 1 are the pictures themselves, byte for byte as on the CPU.
for order in --bottom-up --top-down; do
    for t in 0 1; do
        "$tumblers" render flip $order --at $t --size 64x36 --out cpu.png -y &&
            "$tumblers" render flip $order --gpu --at $t --size 64x36 --out gpu.png -y || fail "render $order --at $t"
        cmp -s cpu.png gpu.png || fail "GPU and CPU differ $order at t = $t"
    done
done

# A clip through the GPU: every frame, in order.
ffmpeg -v error -f lavfi -i testsrc2=size=64x36:rate=25 -t 1 -pix_fmt yuv420p a.mp4 &&
    ffmpeg -v error -f lavfi -i mandelbrot=size=64x36:rate=25 -t 1 -pix_fmt yuv420p b.mp4 || fail "ffmpeg"
"$tumblers" render flip --gpu --from a.mp4 --to b.mp4 --duration 10f --join --out j.mkv -q || fail "clip --gpu"
[ "$(ffprobe -v error -count_frames -show_entries stream=nb_read_frames -of csv=p=0 j.mkv)" = 40 ] ||
    fail "the joined GPU clip has 40 frames"

finish "the GPU renders through the tool"
