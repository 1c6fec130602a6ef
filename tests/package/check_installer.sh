#!/usr/bin/env bash
# The installer in a Wine prefix of its own, made here and thrown away: a silent install puts the
# three programs under Program Files with a Start-menu shortcut and an uninstaller registered with
# Windows, the installed programs run, and a silent uninstall removes all of it. The password file
# in the Windows directory is neither created, changed nor removed.
#   check_installer.sh WINE64 WINESERVER SETUP.exe VERSION
set -euo pipefail
wine=$1
wineserver=$2
setup=$3
version=$4

# shellcheck source=tests/package/wine_prefix.sh
source "$(dirname "$0")/wine_prefix.sh"

run wineboot --init >/dev/null
installed=$WINEPREFIX/drive_c/Program\ Files/Horavane
shortcut=$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start\ Menu/Programs/Horavane.lnk
password=$WINEPREFIX/drive_c/windows/ZOR.dat
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Horavane'

run "$setup" /S
for program in horavane.exe horavanectl.exe horavane-sim.exe uninstall.exe; do
  [[ -f $installed/$program ]] || fail "$program is not installed"
done
[[ -f $shortcut ]] || fail "no Start-menu shortcut"
entry=$(run reg query "$key" | tr -d '\r' | tr -s ' \t' ' ') || fail "no uninstall entry $key"
grep -qF 'uninstall.exe" /S' <<<"$entry" || fail "no uninstaller registered: $entry"
for value in 'DisplayName REG_SZ Horavane' "DisplayVersion REG_SZ $version" \
  'Publisher REG_SZ Horavane developers' 'URLInfoAbout REG_SZ https://horavane.org/' \
  'HelpLink REG_SZ https://horavane.org/help/' 'NoModify REG_DWORD 0x1' 'NoRepair REG_DWORD 0x1'; do
  grep -qF " $value" <<<"$entry" || fail "the uninstall entry lacks \"$value\": $entry"
done
# The size Settings > Apps shows, in KiB: that of the files installed, give or take rounding.
size=$(sed -n 's/^ EstimatedSize REG_DWORD \(0x[0-9a-f]*\)$/\1/p' <<<"$entry")
[[ -n $size ]] || fail "the uninstall entry has no EstimatedSize: $entry"
installed_kib=$(du -k -c "$installed"/*.exe | tail -n 1 | cut -f 1)
((size > 0 && size <= installed_kib + 8 && size >= installed_kib / 2)) ||
  fail "EstimatedSize $((size)) KiB, but the files take $installed_kib KiB"
[[ ! -e $password ]] || fail "the installer created a password file"
out=$(run "C:\\Program Files\\Horavane\\horavanectl.exe" --version | tr -d '\r')
[[ $out == "horavanectl $version" ]] || fail "the installed horavanectl.exe says \"$out\""

printf 'sixteen bytes!!!' >"$password"
run "C:\\Program Files\\Horavane\\uninstall.exe" /S
[[ ! -e $installed ]] || fail "the uninstaller left $(ls "$installed")"
[[ ! -e $shortcut ]] || fail "the uninstaller left the shortcut"
if run reg query "$key" >/dev/null 2>&1; then fail "the uninstaller left its registry key"; fi
[[ $(cat "$password") == 'sixteen bytes!!!' ]] || fail "the uninstaller touched the password file"
echo "installed, ran horavanectl.exe --version, uninstalled; the password file untouched"
