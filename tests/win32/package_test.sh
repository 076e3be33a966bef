#!/usr/bin/env bash
# The Windows package: built by its own target, it holds exactly the four files, and
# the saver and the tool import no DLL beyond the system's own.
#   package_test.sh BUILD_DIR VERSION
set -euo pipefail
build=$1
version=$2
zip="$build/Kelvarin-$version-win64.zip"
timeout 600 cmake --build "$build" --target package >/dev/null
[ -f "$zip" ] || { echo "no $zip" >&2; exit 1; }
files=$(unzip -Z1 "$zip" | sort | tr '\n' ' ')
expected="Kelvarin.ini Kelvarin.scr README.txt kelvarin-cli.exe "
[ "$files" = "$expected" ] || { echo "the package holds: $files" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unzip -q "$zip" -d "$work"
# the DLLs every Windows has; the C and C++ runtimes are linked in
system='^(kernel32|user32|gdi32|msvcrt|d2d1|dwrite|advapi32|shell32|ole32|ws2_32|bcrypt)\.dll$'
for program in Kelvarin.scr kelvarin-cli.exe; do
    dlls=$(x86_64-w64-mingw32-objdump -p "$work/$program" | awk '/DLL Name:/ {print tolower($3)}')
    echo "$program imports: $(echo "$dlls" | tr '\n' ' ')"
    if echo "$dlls" | grep -vqE "$system"; then
        echo "$program needs a DLL that Windows does not have: $(echo "$dlls" | grep -vE "$system")" >&2
        exit 1
    fi
done
# the saver carries its manifest (per-monitor DPI awareness) and its version
text=$(strings "$work/Kelvarin.scr")
wide=$(strings -el "$work/Kelvarin.scr")
grep -q 'PerMonitorV2' <<<"$text" || { echo "Kelvarin.scr has no DPI manifest" >&2; exit 1; }
grep -qx "$version" <<<"$wide" || { echo "Kelvarin.scr has no version $version" >&2; exit 1; }
echo "ok: $(du -h "$zip" | cut -f1) $zip"
