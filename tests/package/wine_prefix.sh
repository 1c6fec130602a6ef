# Sourced by the installer checks: a Wine prefix of the check's own, made in a folder that is
# thrown away on exit with the prefix's programs ended, and `run` that waits for the prefix's last
# program (an uninstaller's copy of itself included). Expects $wine and $wineserver.
work=$(mktemp -d)
export WINEPREFIX=$work/prefix WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES='mscoree,mshtml=;winemenubuilder.exe,winedbg.exe=d'
unset DISPLAY WAYLAND_DISPLAY
cleanup() {
  "$wineserver" -k </dev/null >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
run() {
  local status=0
  "$wine" "$@" </dev/null 2>/dev/null || status=$?
  "$wineserver" -w
  return "$status"
}
