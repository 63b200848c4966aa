#!/usr/bin/env bash
# The DLLs export exactly what a host looks up, by name and undecorated, and
# import only from DLLs that every Windows has (the C and C++ runtimes are
# linked in statically).
# Usage: check_dlls.sh OBJDUMP SVTumblers.dll SVLang.dll
set -euo pipefail
objdump=$1
declare -A expected=(
  [SVTumblers.dll]="CanUnloadDLLNow GetEffectsLibrary SVTumblersSetHostServices"
  [SVLang.dll]="CanUnloadDLLNow GetLangXMLParser"
)
system="advapi32.dll comdlg32.dll kernel32.dll user32.dll msvcrt.dll"
failed=0
for dll in "$2" "$3"; do
  name=$(basename "$dll")
  dump=$("$objdump" -p "$dll")
  # The export table lists "[ordinal] name" lines after the name pointer table heading.
  exports=$(awk '/\[Ordinal\/Name Pointer\] Table/ {on = 1; next} on && /^\t\[ *[0-9]+\] / {print $NF; next} {on = 0}' <<<"$dump" | sort | xargs)
  if [[ $exports != "${expected[$name]}" ]]; then
    echo "$name exports '$exports', expected '${expected[$name]}'"
    failed=1
  fi
  for import in $(sed -n 's/^\tDLL Name: //p' <<<"$dump" | tr '[:upper:]' '[:lower:]'); do
    if [[ " $system " != *" $import "* ]]; then
      echo "$name imports $import, which is not a system DLL"
      failed=1
    fi
  done
done
[[ $failed -eq 0 ]] && echo "check_dlls: exports and imports as expected"
exit $failed
