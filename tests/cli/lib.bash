# Shared by the command-line tests: tumblers from the build's bin folder
# (first argument), a scratch folder as $work removed on exit, and failure
# counting with fail and finish.
set -u
bin=$(cd "$1" && pwd)
tumblers="$bin/tumblers"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
export LC_ALL=C.UTF-8 # English unless a test asks for a language
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
# finish MESSAGE: prints MESSAGE when nothing failed; the script's exit status.
finish() {
    [ "$failures" -eq 0 ] && echo "$1"
    exit $((failures > 0))
}
