# Shared by the engine tests: tumblers from the build's bin folder (first
# argument), the plug-ins and module the engines load as $plugins (second
# argument, by default the same folder), a scratch folder as $work, and
# failure counting.
set -u
bin="$1"
plugins="${2:-$1}"
tumblers="$bin/tumblers"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
finish() {
    [ "$failures" -eq 0 ] && echo "all checks pass"
    exit $((failures > 0))
}
# A missing engine is a failure of the set-up, not a reason to skip.
need() {
    for tool in "$@"; do
        command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed (scripts/bootstrap installs it)" >&2; exit 1; }
    done
}
# The pixels of a picture or video frame as raw BGRA bytes, for byte-exact
# comparisons (alpha included).
pixels() { ffmpeg -v error -i "$1" ${2:+-vf "select=eq(n\,$2)"} -frames:v 1 -f rawvideo -pix_fmt bgra - ; }
same_pixels() { cmp -s <(pixels "$1") <(pixels "$2"); }
export FREI0R_PATH="$plugins"
