#!/usr/bin/env bash
# What tumblers must never do to the user's files or memory: leave
# temporaries or half a sequence behind on a signal, write over an input,
# allocate for a picture it cannot hold, report success for a preset path it
# could not use, or pass damaged or out-of-range input off silently.
source "$(dirname "$0")/lib.bash"
cd "$work" || exit 1
# Runs tumblers and checks its exit code ($1) and a word of its message ($2).
expect() {
    local code=$1 word=$2
    shift 2
    "$tumblers" "$@" >out.txt 2>err.txt
    local rc=$?
    [ "$rc" -eq "$code" ] || fail "tumblers $* exits $rc, not $code: $(cat err.txt)"
    grep -qi -- "$word" err.txt || fail "tumblers $* says \"$word\": $(cat err.txt)"
}
# Starts a long render in the background, stops it with signal $1 once it
# has begun writing, and waits for it.
interrupt() {
    local sig=$1
    shift
    "$tumblers" "$@" 2>/dev/null &
    local pid=$!
    for _ in $(seq 100); do
        [ -n "$(find . -name '.*tmp*' 2>/dev/null | head -1)" ] && break
        sleep 0.05
    done
    sleep 0.3
    kill -"$sig" "$pid"
    wait "$pid" 2>/dev/null
}

# Signals: an earlier run's frames stay as they were, nothing hidden is left.
"$tumblers" render flip --frames 4 --size 16x8 --out seq/f%04d.png || fail "the earlier run"
before=$(cat seq/*.png | cksum)
interrupt INT render flip --frames 20000 --size 160x90 --out seq/f%04d.png
interrupt TERM render flip --frames 20000 --size 160x90 --out seq/f%04d.png
[ "$(cat seq/*.png | cksum)" = "$before" ] || fail "an interrupted sequence left the earlier frames as they were"
[ "$(ls seq | wc -l)" -eq 4 ] || fail "no new frames mixed in: $(ls seq | wc -l)"
interrupt TERM render flip --frames 20000 --size 320x180 --out clip.mp4
[ -z "$(find . -name '.*tmp*')" ] || fail "temporaries left after signals: $(find . -name '.*tmp*')"
[ ! -e clip.mp4 ] || fail "an interrupted video leaves no file"

# Inputs are never outputs.
"$tumblers" render flip --at 0.5 --size 32x18 --out in.png || fail "making a picture"
cp in.png in.orig
expect 2 "input" render flip --from in.png --at 0.5 --out in.png
expect 2 "input" render flip --to in.png --at 0.5 --out ./in.png
ln -s in.png alias.png
expect 2 "input" render flip --from alias.png --at 0.5 --out in.png
cmp -s in.png in.orig || fail "the input is untouched"

# Sizes and memory: refused before allocating, overflow is not wrapped.
python3 - <<'PY'
import struct, zlib
def chunk(t, d): return struct.pack('>I', len(d)) + t + d + struct.pack('>I', zlib.crc32(t + d))
def png(name, w, h):
    open(name, 'wb').write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 6, 0, 0, 0)) +
                           chunk(b'IDAT', zlib.compress(b'\0' * 8)) + chunk(b'IEND', b''))
png('huge.png', 32768, 32768)
png('large.png', 12000, 12000)
PY
expect 1 "largest side" render flip --from huge.png --at 0.5 --out o.png
TUMBLERS_MEMORY_MB=400 expect 1 "MB" render flip --from large.png --at 0.5 --out o.png
TUMBLERS_MEMORY_MB=400 expect 1 "MB" render flip --size 16384x16384 --at 0.5 --out o.png
expect 2 "--size" render flip --size 4294967297x1 --at 0.5 --out o.png
expect 2 "--size" render flip --size 16385x2 --at 0.5 --out o.png

# Preset paths longer than the module's dialog takes: a failure, said.
long=.
for i in 1 2 3 4 5 6; do long="$long/$(printf 'd%.0s' $(seq 200))"; done
mkdir -p "$long"
expect 1 "UTF-16" preset save flip --file "$long/p.svtp"
[ ! -e "$long/p.svtp" ] || fail "nothing half-saved"
"$tumblers" preset save flip --file short.svtp 2>/dev/null || fail "saving a preset"
cp short.svtp "$long/p.svtp"
expect 1 "UTF-16" preset load flip --file "$long/p.svtp"
expect 1 "UTF-16" render flip --preset-file "$long/p.svtp" --at 0.5 --out o.png
[ ! -e o.png ] || fail "no render without the preset's values"

# Out-of-range progress, folders and damaged pictures.
for at in -1 1.5 1e308 -1e308; do expect 2 "0 to 1" render flip --at "$at" --out o.png; done
mkdir folder
expect 1 "folder" render flip --from folder --at 0.5 --out o.png
ffmpeg -loglevel error -f lavfi -i testsrc=size=64x48 -frames:v 1 whole.jpg || fail "making a JPEG"
head -c 800 whole.jpg >cut.jpg
expect 1 "damaged" render flip --from cut.jpg --at 0.5 --out o.png
"$tumblers" render flip --from cut.jpg --lenient --at 0.5 --out o.png 2>/dev/null || fail "--lenient reads it"

finish "files and memory are safe"
