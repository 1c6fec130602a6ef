#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test, run and package, and nothing
# else. Safe to run again: only missing packages are installed.
set -euo pipefail

PACKAGES=(
  # toolchain
  g++ cmake ninja-build pkg-config clang-format git
  # libraries
  qt6-base-dev qt6-base-dev-tools libgl-dev libssl-dev libcli11-dev nlohmann-json3-dev libgtest-dev libgmock-dev
  # the fuzz preset: clang with its libFuzzer, AddressSanitizer and UBSan runtimes
  clang libclang-rt-14-dev
  # peak memory in bench/bench.sh
  time
  # the tests read horavanectl's CSV and Prometheus output with real parsers
  python3 python3-prometheus-client
  # a font with the CJK glyphs the window's texts need
  fonts-wqy-microhei
  # screenshots under a virtual display, icon rendering
  xvfb xauth x11-apps imagemagick librsvg2-bin
  # the Debian package: its manual pages from scdoc, and the checks a Debian maintainer runs on it
  # (lintian, hardening-check from devscripts, man-db's man, bash-completion for the completion)
  dpkg-dev fakeroot file desktop-file-utils scdoc lintian devscripts man-db bash-completion
  # the monitoring engines that load the shipped Nagios and Icinga 2 command definitions
  nagios4-core icinga2-bin
  # promtool, which judges and unit-tests the shipped Prometheus alert rules (Debian 12 ships it in
  # the server's package, prometheus)
  prometheus
  # the Windows programs: cross compiler and resource compiler, GoogleTest's sources to build for
  # Windows, Wine to run their tests, and wrestool to read the version record from the .exe
  g++-mingw-w64-x86-64-posix mingw-w64-tools googletest wine64 icoutils
  # the Windows installers (NSIS and an MSI from wixl), their signatures, and the throw-away
  # certificate of the signing test
  nsis wixl msitools osslsigncode openssl
)

missing=()
for package in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

command=(apt-get install -y --no-install-recommends "${missing[@]}")
if ((EUID != 0)); then
  echo "Missing packages: ${missing[*]}" >&2
  echo "Install them as root with:" >&2
  echo "  sudo apt-get update && sudo DEBIAN_FRONTEND=noninteractive ${command[*]}" >&2
  exit 1
fi

echo "Installing: ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
"${command[@]}" >/dev/null
