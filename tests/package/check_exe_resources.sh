#!/bin/sh
# Checks that a Windows program carries its own version record and the manifest, read from the
# .exe itself with wrestool (icoutils), as Explorer's Properties dialog and the loader read them,
# and the loader's flags in its PE header (objdump): terminal-server aware, ASLR with high entropy,
# DEP.
#   check_exe_resources.sh <program.exe> <version a.b.c.d> <OriginalFilename> <objdump>
set -eu
exe=$1
version=$2
original=$3
objdump=$4

fail() {
    echo "FAIL: $exe: $*" >&2
    exit 1
}

# The fixed part of the record: its signature, the structure's version, then the file version as
# two 32-bit numbers (major, minor in the first; patch, tweak in the second), little-endian.
fixed=$(echo "$version" | awk -F. '{
    printf "bd 04 ef fe 00 00 01 00 %02x %02x %02x %02x %02x %02x %02x %02x",
        $2 % 256, int($2 / 256), $1 % 256, int($1 / 256), $4 % 256, int($4 / 256), $3 % 256, int($3 / 256) }')
record=$(wrestool -x --raw --type=16 "$exe" | od -An -tx1 -v | tr -s ' \n' '  ')
case "$record" in
    *"$fixed"*) ;;
    *) fail "no version record with file version $version" ;;
esac

texts=$(wrestool -x --raw --type=16 "$exe" | strings -el)
comma_version=$(echo "$version" | sed 's/\./, /g')
for expected in FileVersion "$comma_version" ProductVersion "Horavane Application" OriginalFilename "$original"; do
    echo "$texts" | grep -qxF "$expected" || fail "the version record lacks \"$expected\""
done

manifest=$(wrestool -x --raw --type=24 --name=1 "$exe")
echo "$manifest" | grep -qF "name=\"Horavane\" version=\"$version\"" || fail "no manifest naming Horavane $version"
echo "$manifest" | grep -qF 'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"' ||
    fail "the manifest does not ask for common controls 6"
echo "$manifest" | grep -qF 'level="asInvoker"' || fail "the manifest asks for other rights than the user's"
echo "$manifest" | grep -qF '<dpiAwareness xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">PerMonitorV2, PerMonitor</dpiAwareness>' ||
    fail "the manifest does not declare per-monitor DPI awareness (v2, then v1)"
echo "$manifest" | grep -qF '>true/pm</dpiAware>' || fail "the manifest lacks the older dpiAware true/pm"
echo "$manifest" | grep -qF '<supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"/>' ||
    fail "the manifest does not name Windows 10 and 11 as supported"

flags=$("$objdump" -p "$exe" | sed -n '/^DllCharacteristics/,/^[A-Z]/p')
for flag in TERMINAL_SERVICE_AWARE DYNAMIC_BASE HIGH_ENTROPY_VA NX_COMPAT; do
    echo "$flags" | grep -qw "$flag" || fail "the PE header lacks $flag: $flags"
done
echo "$exe: version record $version as $original, manifest, loader flags"
