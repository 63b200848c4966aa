#!/usr/bin/env bash
# --lang on every command, and the environment's language by default: names,
# labels, entries and presets shown and accepted in the language file's
# languages, English accepted in any of them.
source "$(dirname "$0")/lib.bash"
cd "$work"

# Every command takes --lang, and shows the French name where it shows names.
"$tumblers" preset save flip --file p.fxp --set Fog=30 || fail "preset save"
while IFS='|' read -r shows args; do
    # shellcheck disable=SC2086
    out=$("$tumblers" --lang fr $args 2>err) || fail "--lang fr $args: $(cat err)"
    [ -z "$shows" ] || grep -q "$shows" <<<"$out" || fail "--lang fr $args shows no \"$shows\""
done <<'TABLE'
Retournement 3D|list
Décalage|info flip
Brouillard|preset load flip --file p.fxp
Retournement 3D|bench flip --size 16x10
Retournement 3D|gpu-info
|render flip --at 0.5 --size 32x18 --out one.png
|sheet retournement --size 32x18 --at 0.5 --out sheet.png
|render flip --preset-file p.fxp --at 0.5 --size 32x18 --out two.png
TABLE

# The environment decides without --lang; --lang wins over it; a language the
# file lacks falls back to English with a warning.
[ "$(LC_ALL=de_DE.UTF-8 "$tumblers" list | grep -c 3D-Wende)" = 1 ] || fail "LC_ALL=de_DE gives German"
[ "$(LANG=fr_FR.UTF-8 LC_ALL= "$tumblers" list | grep -c 'Retournement 3D')" = 1 ] || fail "LANG=fr_FR gives French"
[ "$(LC_ALL=de_DE.UTF-8 "$tumblers" --lang fr list | grep -c 'Retournement 3D')" = 1 ] || fail "--lang wins"
"$tumblers" --lang sv list 2>err | grep -q "3D Flip" && grep -q 'no texts in "sv"' err || fail "--lang sv"

# The same settings in German and in English render the same picture.
"$tumblers" --lang de render wende --preset überschlag --set Ausrichtung=vertikal --set Nebel=40 --at 0.4 \
    --size 64x36 --out de.png || fail "render in German"
"$tumblers" render flip --preset "Flip Over" --set Orientation=Vertical --set Fog=40 --at 0.4 --size 64x36 \
    --out en.png || fail "render in English"
cmp -s de.png en.png || fail "German and English settings differ"

# JSON keeps the module's names as keys and adds what the language shows.
"$tumblers" --lang de info flip --json | python3 -c '
import json, sys
i = json.load(sys.stdin)
assert (i["name"], i["shown"], i["language"]) == ("3D Flip", "3D-Wende", "de"), i
o = [p for p in i["parameters"] if p["label"] == "Orientation"][0]
assert o["shown"] == "Ausrichtung" and o["shown_entries"] == ["Horizontal", "Vertikal"], o
assert any(p["shown"] == "Überschlag" and p["name"] == "Flip Over" for p in i["presets"])
' || fail "info --json in German"
"$tumblers" --lang de preset load wende --file p.fxp --json | python3 -c '
import json, sys
p = json.load(sys.stdin)
assert (p["name"], p["transition"], p["extra_entries"]) == ("Untitled", "3D Flip", 0), p
assert p["values"]["Fog"] == "30" and p["shown"]["Nebel"] == "30", p
assert len(p["values"]) == len(p["shown"]) == 8, p
' || fail "preset load --json"

finish "every command speaks the language"
