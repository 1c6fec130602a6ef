#!/bin/sh
# Builds the Debian package from a finished build tree and checks what an installation would get:
# the three programs, the desktop entry, the icons, the manual pages, the completion, the
# documentation and the password file's folder, and that the command line from the package runs.
# Then lintian judges it as Debian would: any error or warning fails. Nothing is installed on this
# machine: the package is only unpacked into a scratch folder.
#   check_deb.sh <cpack> <build dir>
set -eu
cpack=$1
build=$2
scratch=$(mktemp -d "${TMPDIR:-/tmp}/horavane-deb.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

if ! "$cpack" --config "$build/CPackConfig.cmake" -G DEB -B "$scratch/out" >"$scratch/cpack.log" 2>&1; then
    cat "$scratch/cpack.log" >&2
    fail "cpack did not build the package"
fi
set -- "$scratch"/out/*.deb
[ $# -eq 1 ] && [ -f "$1" ] || fail "expected one .deb, found: $*"
deb=$1

dpkg-deb -c "$deb" >"$scratch/contents"
for entry in ./usr/bin/horavane ./usr/bin/horavanectl ./usr/bin/horavane-sim \
    ./usr/share/applications/horavane.desktop \
    ./usr/share/icons/hicolor/48x48/apps/horavane.png \
    ./usr/share/icons/hicolor/256x256/apps/horavane.png \
    ./usr/share/icons/hicolor/scalable/apps/horavane.svg \
    ./usr/share/man/man1/horavane.1.gz ./usr/share/man/man1/horavanectl.1.gz \
    ./usr/share/man/man1/horavane-sim.1.gz \
    ./usr/share/bash-completion/completions/horavanectl \
    ./usr/share/doc/horavane/copyright ./usr/share/doc/horavane/changelog.Debian.gz \
    ./usr/share/doc/horavane/README.md ./usr/lib/tmpfiles.d/horavane.conf \
    ./usr/share/horavane/monitoring/horavane-nagios.cfg ./usr/share/horavane/monitoring/horavane-icinga2.conf \
    ./usr/share/horavane/monitoring/horavane-alerts.yml; do
    grep -q " $entry\$" "$scratch/contents" || fail "$entry is not in the package"
done
grep -q '^drwxr-xr-x root/root .* ./var/lib/horavane/$' "$scratch/contents" ||
    fail "/var/lib/horavane (root, 0755) is not in the package"

[ "$(dpkg-deb -f "$deb" Package)" = horavane ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Version)" = 1.0.5.1-1 ] || fail "package version"
depends=$(dpkg-deb -f "$deb" Depends)
for library in libqt6widgets6 libssl3 qt6-qpa-plugins; do
    case "$depends" in *"$library"*) ;; *) fail "Depends lacks $library: $depends" ;; esac
done

dpkg-deb -x "$deb" "$scratch/root"
grep -q '^Exec=horavane$' "$scratch/root/usr/share/applications/horavane.desktop" ||
    fail "the desktop entry does not start horavane"
if command -v desktop-file-validate >/dev/null 2>&1; then
    desktop-file-validate "$scratch/root/usr/share/applications/horavane.desktop" || fail "desktop entry"
fi
version=$("$scratch/root/usr/bin/horavanectl" --version) || fail "horavanectl --version failed"
case "$version" in *1.0.5.1*) ;; *) fail "horavanectl --version said: $version" ;; esac

# A remove keeps the password file; only a purge takes its folder away. The package's own postrm
# runs here on a copy of the folder in the scratch tree.
dpkg-deb -e "$deb" "$scratch/control"
grep -q '^ *rm -rf /var/lib/horavane$' "$scratch/control/postrm" || fail "postrm does not remove /var/lib/horavane"
for action in remove upgrade purge; do
    mkdir -p "$scratch/$action/var/lib/horavane"
    : >"$scratch/$action/var/lib/horavane/ZOR.dat"
    sed "s|/var/lib/horavane|$scratch/$action/var/lib/horavane|" "$scratch/control/postrm" >"$scratch/postrm"
    sh "$scratch/postrm" "$action" || fail "postrm $action failed"
done
[ -f "$scratch/remove/var/lib/horavane/ZOR.dat" ] || fail "postrm remove took the password file"
[ -f "$scratch/upgrade/var/lib/horavane/ZOR.dat" ] || fail "postrm upgrade took the password file"
[ ! -e "$scratch/purge/var/lib/horavane" ] || fail "postrm purge left /var/lib/horavane"

# The Prometheus timer through the package's life, as dpkg would run the scripts on an
# installation in the unpacked tree: the real deb-systemd-helper keeps its links and records
# there (DPKG_ROOT), and nothing of this machine's systemd is touched.
for script in postinst prerm postrm; do
    [ -x "$scratch/control/$script" ] || fail "the package has no executable $script"
done
root=$scratch/root
wants=$root/etc/systemd/system/timers.target.wants/horavane-prometheus.timer
records=$root/var/lib/systemd/deb-systemd-helper-enabled
sed "s|/var/lib/horavane|$root/var/lib/horavane|" "$scratch/control/postrm" >"$scratch/postrm"
in_root() { DPKG_MAINTSCRIPT_PACKAGE=horavane DPKG_ROOT=$root sh "$@"; }
in_root "$scratch/control/postinst" configure || fail "postinst configure failed"
if command -v systemd-tmpfiles >/dev/null 2>&1; then
    [ "$(stat -c '%a %U %F' "$root/run/lock/horavane-clock-port-6869.lock" 2>&1)" = "666 root regular empty file" ] ||
        fail "the installation did not make the clock port's lock file as root, mode 0666"
fi
[ ! -e "$wants" ] || fail "a fresh installation enabled the timer"
DPKG_MAINTSCRIPT_PACKAGE=horavane DPKG_ROOT=$root deb-systemd-helper enable horavane-prometheus.timer ||
    fail "the operator's enable"
in_root "$scratch/control/postinst" configure 1.0.5.1-1 || fail "postinst of an upgrade failed"
[ -L "$wants" ] || fail "an upgrade lost the operator's enable link"
in_root "$scratch/control/prerm" remove && in_root "$scratch/postrm" remove || fail "remove failed"
in_root "$scratch/postrm" purge || fail "postrm purge failed"
[ ! -e "$wants" ] && [ ! -L "$wants" ] || fail "a purge left the timer's enable link"
[ -z "$(find "$records" -name 'horavane-*' 2>/dev/null)" ] || fail "a purge left deb-systemd-helper's record"

# What the scripts ask of a running systemd, recorded by stand-ins on PATH: a fresh installation
# starts nothing, an upgrade restarts the timer only where it runs, a remove stops it.
mkdir -p "$scratch/bin" "$scratch/run-systemd"
for tool in deb-systemd-invoke deb-systemd-helper systemctl; do
    printf '#!/bin/sh\necho "%s $*" >>"%s"\n' "$tool" "$scratch/calls" >"$scratch/bin/$tool"
    chmod +x "$scratch/bin/$tool"
done
calls_of() {
    : >"$scratch/calls"
    script=$1
    shift
    sed "s|/run/systemd/system|$scratch/run-systemd|; s|/var/lib/horavane|$root/var/lib/horavane|" \
        "$scratch/control/$script" >"$scratch/stubbed"
    PATH="$scratch/bin:$PATH" sh "$scratch/stubbed" "$@" || fail "$script $* failed"
    grep deb-systemd-invoke "$scratch/calls" || true
}
[ -z "$(calls_of postinst configure)" ] || fail "a fresh installation started a unit"
[ "$(calls_of postinst configure 1.0.5.1-1)" = "deb-systemd-invoke try-restart horavane-prometheus.timer" ] ||
    fail "an upgrade does not restart the timer only where it runs: $(cat "$scratch/calls")"
[ -z "$(calls_of prerm upgrade 1.0.5.1-1)" ] || fail "an upgrade stopped the timer"
[ "$(calls_of prerm remove)" = "deb-systemd-invoke stop horavane-prometheus.timer horavane-prometheus.service" ] ||
    fail "a remove does not stop the timer: $(cat "$scratch/calls")"

# lintian's own verdict; overrides, each with its reason, ship in the package.
if ! lintian --fail-on error,warning --display-level '>=warning' "$deb" >"$scratch/lintian.log" 2>&1; then
    cat "$scratch/lintian.log" >&2
    fail "lintian"
fi
echo "package ok: $(basename "$deb")"
