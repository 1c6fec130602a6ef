#!/usr/bin/env bash
# The MSI in a Wine prefix of its own, made here and thrown away, as Group Policy or Intune deploys
# it: msiexec /i /qn puts the three programs under Program Files with a Start-menu shortcut and
# registers the uninstall entry (read back here: publisher, version, links, no modify or repair),
# the installed horavanectl.exe runs, and msiexec /x /qn removes all of it. The password file in
# the Windows directory is neither created, changed nor removed.
#   check_msi.sh WINE64 WINESERVER PACKAGE.msi VERSION
set -euo pipefail
wine=$1
wineserver=$2
msi=$3
version=$4

# shellcheck source=tests/package/wine_prefix.sh
source "$(dirname "$0")/wine_prefix.sh"

run wineboot --init >/dev/null
cp "$msi" "$WINEPREFIX/drive_c/horavane.msi"
installed=$WINEPREFIX/drive_c/Program\ Files/Horavane
# Windows puts ProgramMenuFolder of a per-machine package (ALLUSERS=1) into the all-users Start
# menu; Wine's msiexec into the installing user's. The package says per-machine, checked first.
msiinfo export "$msi" Property | tr -d '\r' | grep -qx $'ALLUSERS\t1' || fail "the package is not per-machine"
shortcuts=("$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Horavane.lnk"
  "$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Horavane.lnk")
password=$WINEPREFIX/drive_c/windows/ZOR.dat
product=$(msiinfo export "$msi" Property | tr -d '\r' | awk '$1 == "ProductCode" { print $2 }')
upgrade=$(msiinfo export "$msi" Property | tr -d '\r' | awk '$1 == "UpgradeCode" { print $2 }')
[[ $upgrade == '{8D04DDE0-D66D-4AAE-9783-91D77781DE92}' ]] ||
  fail "the UpgradeCode changed to $upgrade: a later version would install beside this one"
key="HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$product"

run msiexec /i 'C:\horavane.msi' /qn || fail "msiexec /i /qn failed"
for program in horavane.exe horavanectl.exe horavane-sim.exe; do
  [[ -f $installed/$program ]] || fail "$program is not installed"
done
[[ -f ${shortcuts[0]} || -f ${shortcuts[1]} ]] || fail "no Start-menu shortcut"
[[ ! -e $password ]] || fail "the installation created a password file"
entry=$(run reg query "$key" | tr -d '\r') || fail "no uninstall entry $key"
for value in 'DisplayName REG_SZ Horavane' "DisplayVersion REG_SZ $version" \
  'Publisher REG_SZ Horavane developers' 'URLInfoAbout REG_SZ https://horavane.org/' \
  'HelpLink REG_SZ https://horavane.org/help/' 'NoModify REG_DWORD 0x1' 'NoRepair REG_DWORD 0x1'; do
  tr -s ' \t' ' ' <<<"$entry" | grep -qF " $value" || fail "the uninstall entry lacks \"$value\": $entry"
done
out=$(run "C:\\Program Files\\Horavane\\horavanectl.exe" --version | tr -d '\r')
[[ $out == "horavanectl $version" ]] || fail "the installed horavanectl.exe says \"$out\""

printf 'sixteen bytes!!!' >"$password"
run msiexec /x 'C:\horavane.msi' /qn || fail "msiexec /x /qn failed"
[[ ! -e $installed ]] || fail "the removal left $(ls "$installed")"
[[ ! -e ${shortcuts[0]} && ! -e ${shortcuts[1]} ]] || fail "the removal left the shortcut"
if run reg query "$key" >/dev/null 2>&1; then fail "the removal left the uninstall entry"; fi
[[ $(cat "$password") == 'sixteen bytes!!!' ]] || fail "the removal touched the password file"
echo "msiexec /i /qn installed, the uninstall entry read back, horavanectl.exe ran, msiexec /x /qn removed it"
