#!/usr/bin/env bash
# Usage errors exit 2, failures exit 1, each naming what was wrong and what
# would be right; nothing is left half-written.
source "$(dirname "$0")/lib.bash"

# expect CODE PATTERN ARGS...: runs tumblers ARGS, wants exit CODE and PATTERN
# (a grep -E expression) in its error output.
expect() {
    local code=$1 pattern=$2
    shift 2
    PATH="${tumblers_path:-$PATH}" "$tumblers" "$@" >"$work/out" 2>"$work/err"
    local got=$?
    if [ "$got" -ne "$code" ] || ! grep -qE -- "$pattern" "$work/err"; then
        fail "tumblers $* -> exit $got (want $code), stderr:"
        sed 's/^/    /' "$work/err" >&2
        echo "    (wanted /$pattern/)" >&2
    fi
}

expect 2 "usage: tumblers"
expect 2 'unknown command "draw"; the commands are: list, info, render, sheet, bench' draw
expect 2 'unknown transition "3D Flop"; did you mean "3D Flip"\? The transitions are: .*3D Flip, 3D Fly Away' render "3D Flop"
expect 2 'did you mean "3D Twist"' info twsit
expect 2 'did you mean "3D Box Fold"' info box
expect 2 'info takes one transition name' info
expect 2 '3D Flip has no parameter "Ofset"; did you mean "Offset"\? Its parameters are: Distance, Offset, Shading' \
    render flip --set Ofset=3
expect 2 '3D Flip has no parameter "Speed"; its parameters are: Distance' render flip --set Speed=3
expect 2 '"Orientation" takes one of: Horizontal \| Vertical, not "Vertcal"; did you mean "Vertical"\?' \
    render flip --set Orientation=Vertcal
expect 2 '"Ausrichtung" takes one of: Horizontal \| Vertikal, not "vertikl"; did you mean "Vertikal"\?' \
    --lang de render wende --set ausrichtung=vertikl
expect 2 '3D-Wende has no parameter "Versatzz"; did you mean "Versatz"\?' render flip --set Versatzz=1 --lang=de
expect 2 'unknown transition "Wnde"; did you mean "3D-Wende"\?' --lang de info Wnde
expect 2 'no preset "Ueberschlag"; did you mean "Überschlag"\?' --lang de preset save flip --file x --preset Ueberschlag
expect 2 '--lang takes a two-letter code such as de, not "deutsch"' --lang deutsch list
expect 2 '"Orientation" takes one of: Horizontal \| Vertical, not "Diagonal"' \
    render flip --set Orientation=Diagonal
expect 2 '"Clockwise" takes on or off, not "sometimes"' render flip --set Clockwise=sometimes
expect 2 '--set takes Label=value' render flip --set Offset
expect 2 '3D Flip has no preset "Flip Around"; its presets are: Alien Abduction, Flip Over' \
    render flip --preset "Flip Around"
expect 2 'no preset "Flip Ovr"; did you mean "Flip Over"\?' render flip --preset "Flip Ovr"
expect 2 '"Slices" takes a whole number from 1 to 40, not "2.5"' render "3D Twist" --set Slices=2.5
expect 2 '--size takes WIDTHxHEIGHT' render flip --size 640by360
expect 2 '--size takes WIDTHxHEIGHT' render flip --size 0x10
expect 2 '--format takes bgra8, argb8, bgraf or argbf, not "rgb565"' render flip --format rgb565
expect 2 '--at takes progress values' render flip --at 0.1,,0.3
expect 2 '--frames takes a whole number from 1' render flip --frames many
expect 2 'give either --frames or --at' render flip --frames 3 --at 0.5
expect 2 'unknown option --colour; this command takes --from' render flip --colour red
expect 2 '--out needs a value' render flip --out
expect 2 '3 frames cannot go into the single picture' render flip --frames 3 --out "$work/one.png"
expect 2 'must hold exactly one %d' render flip --frames 3 --out "$work/f%d_%d.png"
expect 2 'the sheet is one picture' sheet flip --out "$work/sheet.gif"

# Failures: exit 1.
expect 1 "cannot load the module $work/none.so" --module "$work/none.so" list
expect 1 "cannot read the picture $work/missing.png: No such file or directory" \
    render flip --from "$work/missing.png" --at 0.5 --out "$work/x.png"
echo "not a picture" >"$work/notes.png"
expect 1 "cannot read the picture $work/notes.png: not a PNG or JPEG file" \
    render flip --to "$work/notes.png" --at 0.5 --out "$work/x.png"
mkdir -p "$work/empty-path"
tumblers_path="$work/empty-path" expect 1 'writing .mp4 needs ffmpeg on PATH' render flip --frames 2 --out "$work/a.mp4"
expect 1 "cannot write $work/no/such/dir.png" sheet flip --size 32x18 --out "$work/no/such/dir.png"
[ ! -e "$work/x.png" ] && [ "$(find "$work" -name '.*tmp*' | wc -l)" -eq 0 ] ||
    fail "a failed command left a file behind"

finish "all error cases behave"
