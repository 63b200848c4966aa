#!/usr/bin/env bash
# What a script or a new user reads: JSON that a parser accepts and that
# holds what the text shows, the version, and help for each command.
source "$(dirname "$0")/lib.bash"

"$tumblers" list --json | python3 -c '
import json, sys
l = json.load(sys.stdin)
assert len(l) == 13, len(l)
assert [e["index"] for e in l] == list(range(13))
flip = [e for e in l if e["name"] == "3D Flip"][0]
assert (flip["flags"], flip["parameters"], flip["presets"]) == (966, 8, 8), flip
' || fail "list --json"

"$tumblers" info flip --json | python3 -c '
import json, sys
i = json.load(sys.stdin)
p = {q["label"]: q for q in i["parameters"]}
assert p["Offset"]["type"] == "slider" and p["Offset"]["default"] == "-100", p["Offset"]
assert p["Offset"]["tooltip"] == "Sets center point", p["Offset"]
assert "Vertical" in p["Orientation"]["entries"], p["Orientation"]
over = [x for x in i["presets"] if x["name"] == "Flip Over"][0]["values"]
assert over["Orientation"] == "Vertical" and over["Shading"] == "33.5", over
' || fail "info --json"

"$tumblers" --version | grep -qE '^tumblers [0-9]+\.[0-9]+' || fail "--version"
help=$("$tumblers" render --help) || fail "render --help exits 0"
grep -q -- "--duration" <<<"$help" || fail "render --help shows the clip options"
grep -q "sheet" <<<"$help" && fail "render --help shows only render"
"$tumblers" list --help | grep -q -- "--json" || fail "list --help"

# The gallery: one looping preview per transition and per preset, each on the page.
gal=$(mktemp -d)
"$tumblers" gallery --out "$gal" --size 24x14 --frames 3 >/dev/null || fail "gallery"
"$tumblers" list --json | python3 -c '
import json, os, re, sys
gal = sys.argv[1]
want = sum(1 + e["presets"] for e in json.load(sys.stdin))
srcs = re.findall(r"<img src=\"([^\"]+)\"", open(os.path.join(gal, "index.html")).read())
assert len(srcs) == want == len(set(srcs)), (len(srcs), want)
missing = [s for s in srcs if not os.path.isfile(os.path.join(gal, s))]
assert not missing, missing
' "$gal" || fail "the gallery page shows every transition and preset"
[ "$(ffprobe -v error -count_frames -show_entries stream=nb_read_frames -of csv=p=0 "$gal/3d_flip__flip_over.png")" = 3 ] ||
    fail "a preview is animated"
rm -rf "$gal"

# Installed, the tool finds its module, and the module names its version.
inst=$(mktemp -d)
trap 'rm -rf "$inst" "$work"' EXIT
cmake --install "$bin/.." --prefix "$inst" >/dev/null || fail "cmake --install"
[ "$("$inst/bin/tumblers" list | tail -n +2 | wc -l)" -eq 13 ] || fail "the installed tool loads the installed module"
readelf -d "$inst"/lib/svtumblers/SVTumblers.so.[0-9]*.[0-9]* | grep -q 'soname: \[SVTumblers.so.[0-9]*\]' ||
    fail "the installed module has a versioned soname"
PKG_CONFIG_PATH="$inst/lib/pkgconfig" pkg-config --variable=module svtumblers | grep -q "^$inst/" ||
    fail "pkg-config names the installed module"

finish "discoverable"
