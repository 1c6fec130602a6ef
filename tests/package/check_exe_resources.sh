#!/bin/sh
# Checks that a Windows program carries the version record and the manifest, read from the .exe
# itself with wrestool (icoutils), as Explorer's Properties dialog and the loader read them.
#   check_exe_resources.sh <program.exe> <version a.b.c.d>
set -eu
exe=$1
version=$2

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
for expected in FileVersion "$comma_version" ProductVersion "Horavane Application"; do
    echo "$texts" | grep -qxF "$expected" || fail "the version record lacks \"$expected\""
done

manifest=$(wrestool -x --raw --type=24 --name=1 "$exe")
echo "$manifest" | grep -qF "name=\"Horavane\" version=\"$version\"" || fail "no manifest naming Horavane $version"
echo "$manifest" | grep -qF 'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"' ||
    fail "the manifest does not ask for common controls 6"
echo "$manifest" | grep -qF 'level="asInvoker"' || fail "the manifest asks for other rights than the user's"
echo "$exe: version record $version and manifest"
