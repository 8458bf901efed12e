#!/usr/bin/env bash
# The Debian package, built the Debian way from a copy of the sources and checked as a user meets it.
#
#   deb_test.sh package SOURCE_DIR OUT_DIR
#       Checks that CMake, debian/changelog and the Windows manifest name one version; builds
#       the package in OUT_DIR (never in the checkout or beside it); checks its version and file
#       list; runs lintian, desktop-file-validate and appstreamcli on it.
#   deb_test.sh install OUT_DIR RECORDING_DEVCON CONTROL_GEOMETRY WM_CLOSE   (inside tests/support/xvfb.sh)
#       In a throw-away Debian root of this machine's release (or VANTREL_DEB_RELEASE, to try a
#       package built on one release on another), never on this machine: installs it with apt,
#       swaps devcon.exe for the recording stand-in, starts the program through /usr/bin/vantrel
#       from another folder, clicks "USB On", closes the window, and removes the package again.
set -euo pipefail
source "$(dirname "$0")/../support/lib.sh"

# Every package file but the folders: "PATH" or "PATH -> TARGET", with its mode.
deb_files() {
    dpkg-deb -c "$1" | awk '$1 !~ /^d/ { $2 = $3 = $4 = $5 = ""; print }' | sed 's/^\(\S*\) *\.\//\1 \//' | sort -k2
}

check_versions() {
    local source=$1
    version=$(sed -n 's/^project(Vantrel VERSION \([0-9.]*\).*/\1/p' "$source/CMakeLists.txt")
    [ -n "$version" ] || fail "no project(Vantrel VERSION ...) in CMakeLists.txt"
    local changelog
    changelog=$(dpkg-parsechangelog -l "$source/debian/changelog" -S Version)
    [ "$changelog" = "$version" ] || fail "debian/changelog is at $changelog, CMake at $version"

    # The manifest (or its template) either takes the version from CMake or names the same one.
    local manifest=$source/window/win32/vantrel.manifest manifest_version
    [ ! -f "$manifest.in" ] || manifest=$manifest.in
    [ -f "$manifest" ] || fail "no Windows manifest"
    manifest_version=$(tr '\n' ' ' <"$manifest" | grep -o '<assemblyIdentity [^>]*name="Vantrel"[^>]*' |
        sed -n 's/.* version="\([^"]*\)".*/\1/p')
    if [[ "$manifest_version" == *@*@* ]]; then
        [[ "$manifest_version" =~ ^(@[A-Za-z0-9_]+@|[0-9]+)(\.(@[A-Za-z0-9_]+@|[0-9]+))*$ ]] ||
            fail "$manifest: version \"$manifest_version\" is neither a number nor a CMake placeholder"
    else
        [ "$manifest_version" = "$version.0" ] ||
            fail "$manifest: version \"$manifest_version\", not $version.0 from CMake"
    fi
    echo "version $version in CMake, debian/changelog; manifest: $manifest_version"
}

build_and_check_package() {
    local source=$1 out=$2
    check_versions "$source"
    rm -rf "$out"
    mkdir -p "$out/vantrel-$version"
    tar -C "$source" --exclude=./build --exclude='./build-*' --exclude='./obj-*' --exclude=./.git -cf - . |
        tar -C "$out/vantrel-$version" -xf -
    (cd "$out/vantrel-$version" &&
        DEB_BUILD_OPTIONS=parallel=2 dpkg-buildpackage -us -uc -b >"$out/build.log" 2>&1) ||
        { tail -n 40 "$out/build.log" >&2; fail "dpkg-buildpackage failed (log: $out/build.log)"; }
    # A warning that a newer compiler or Qt adds must not break a user's package build.
    grep -q -- ' -Wall ' "$out/build.log" || fail "the build log shows no compiler command line"
    # (Debian's own -Werror=format-security is fine: it names one warning.)
    ! grep -qE -- '-Werror( |$)' "$out/build.log" || fail "the package build turns warnings into errors"

    local deb changes
    deb="$out/vantrel_${version}_$(dpkg --print-architecture).deb"
    changes="${deb%.deb}.changes"
    [ -f "$deb" ] && [ -f "$changes" ] || fail "no $deb with its .changes"
    [ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version $(dpkg-deb -f "$deb" Version)"

    local expected actual
    expected=$(sort -k2 <<'EOF'
-rwxr-xr-x /usr/libexec/vantrel/vantrel
-rwxr-xr-x /usr/libexec/vantrel/devcon.exe
lrwxrwxrwx /usr/bin/vantrel -> ../libexec/vantrel/vantrel
-rw-r--r-- /usr/lib/udev/rules.d/70-vantrel-usb-authorized.rules
-rw-r--r-- /usr/lib/sysusers.d/vantrel.conf
-rw-r--r-- /usr/lib/tmpfiles.d/vantrel.conf
-rw-r--r-- /usr/share/applications/org.vantrel.vantrel.desktop
-rw-r--r-- /usr/share/metainfo/org.vantrel.vantrel.metainfo.xml
-rw-r--r-- /usr/share/icons/hicolor/32x32/apps/vantrel.png
-rw-r--r-- /usr/share/icons/hicolor/scalable/apps/vantrel.svg
-rw-r--r-- /usr/share/man/man1/vantrel.1.gz
-rw-r--r-- /usr/share/doc/vantrel/changelog.gz
-rw-r--r-- /usr/share/doc/vantrel/copyright
EOF
    )
    actual=$(deb_files "$deb" | tr -s ' ')
    [ "$actual" = "$expected" ] || fail "file list differs:$(diff <(echo "$expected") <(echo "$actual") | sed 's/^/\n  /')"
    local depends
    depends=$(dpkg-deb -f "$deb" Depends)
    [[ "$depends" == *libqt6widgets6* && "$depends" == *systemd-sysusers* ]] ||
        fail "dependencies not computed from the libraries and the group file: $depends"
    [[ ! "$depends" =~ (cmake|-dev|g\+\+|debhelper) ]] || fail "build tools among the dependencies: $depends"

    local files="$out/files"
    dpkg-deb -x "$deb" "$files"
    grep -qx 'g vantrel -' "$files/usr/lib/sysusers.d/vantrel.conf" || fail "the group file makes no group vantrel"
    dpkg-deb -e "$deb" "$out/control"
    grep -q 'systemd-sysusers .*vantrel.conf' "$out/control/postinst" || fail "postinst does not create the group"
    # The lock folder, once the group it is for exists.
    grep -qx 'd /run/vantrel 0750 root vantrel -' "$files/usr/lib/tmpfiles.d/vantrel.conf" ||
        fail "the tmpfiles.d file makes no lock folder for group vantrel"
    grep -q 'systemd-tmpfiles .*--create vantrel.conf' "$out/control/postinst" || fail "postinst does not create the lock folder"
    [ "$(grep -n -m1 'systemd-sysusers' "$out/control/postinst" | cut -d: -f1)" -lt \
        "$(grep -n -m1 'systemd-tmpfiles' "$out/control/postinst" | cut -d: -f1)" ] ||
        fail "postinst creates the lock folder before the group"
    local desktop=$files/usr/share/applications/org.vantrel.vantrel.desktop
    local metainfo=$files/usr/share/metainfo/org.vantrel.vantrel.metainfo.xml
    local desktop_categories metainfo_categories
    desktop_categories=$(sed -n 's/^Categories=//p' "$desktop" | tr ';' '\n' | sed '/^$/d')
    metainfo_categories=$(sed -n 's/.*<category>\(.*\)<\/category>.*/\1/p' "$metainfo")
    [ "$desktop_categories" = "$metainfo_categories" ] ||
        fail "metainfo categories ($metainfo_categories) differ from the menu entry's ($desktop_categories)"
    # This release, dated as debian/changelog dates it, in the metadata and the manual page.
    local date
    date=$(date -u -d "@$(dpkg-parsechangelog -l "$source/debian/changelog" -S Timestamp)" +%F)
    grep -q "<release version=\"$version\" date=\"$date\"/>" "$metainfo" ||
        fail "the metadata has no release $version of $date: $(grep '<release ' "$metainfo")"
    zcat "$files/usr/share/man/man1/vantrel.1.gz" | grep -q "^\.TH VANTREL 1 \"$date\" " ||
        fail "the manual page is not dated $date: $(zcat "$files/usr/share/man/man1/vantrel.1.gz" | grep '^\.TH')"

    echo "--- lintian $(basename "$changes") $(basename "$deb")"
    # Lintian's AppStream check (Debian 13's lintian has one) is appstreamcli's, which runs below
    # with --pedantic and a list of the issues that this metadata has on purpose.
    local suppress=()
    ! lintian-explain-tags appstream-metadata-validation-failed >/dev/null 2>&1 ||
        suppress=(--suppress-tags appstream-metadata-validation-failed)
    lintian --fail-on error,warning "${suppress[@]}" "$changes" "$deb" || fail "lintian"
    echo "--- desktop-file-validate org.vantrel.vantrel.desktop"
    desktop-file-validate "$desktop" || fail "desktop-file-validate"
    echo "--- appstreamcli validate --pedantic --no-net org.vantrel.vantrel.metainfo.xml"
    # Any issue it names fails the test, whatever its exit code says, except these:
    # - url-homepage-missing: Vantrel has no homepage yet;
    # - unknown-tag developer: Debian 12's AppStream 0.16 predates AppStream 1.0's <developer>.
    local report issues
    report=$(appstreamcli validate --pedantic --no-net "$metainfo") || true
    echo "$report"
    issues=$(grep -E '^[EWIP]: ' <<<"$report" |
        grep -Ev '^(W: [^ ]*:~: url-homepage-missing|I: [^ ]*:[0-9]+: unknown-tag developer)$' || true)
    [ -z "$issues" ] || fail "appstreamcli validate --pedantic names issues: $issues"
    echo "--- $(basename "$deb"): Installed-Size $(dpkg-deb -f "$deb" Installed-Size) KiB"
    dpkg-deb -c "$deb"
    echo PASS
}

# What the throw-away root holds besides apt: the package's dependencies, so that installing it
# needs no network, and a font for the window.
ROOT_PACKAGES=libqt6widgets6,qt6-qpa-plugins,systemd-standalone-sysusers,fonts-dejavu-core

cached_root_tarball() {
    local cache=${VANTREL_TEST_CACHE:-/var/cache/vantrel-tests}
    local release=${VANTREL_DEB_RELEASE:-$(. /etc/os-release && echo "$VERSION_CODENAME")}
    local tarball
    tarball="$cache/$release-$(sha1sum <<<"$ROOT_PACKAGES" | cut -c1-12).tar"
    if [ ! -f "$tarball" ]; then
        mkdir -p "$cache"
        mmdebstrap --quiet --variant=apt --include="$ROOT_PACKAGES" "$release" "$cache/partial-$$.tar" >&2 ||
            { rm -f "$cache/partial-$$.tar"; fail "mmdebstrap could not make the throw-away root"; }
        mv "$cache/partial-$$.tar" "$tarball"
    fi
    echo "$tarball"
}

install_start_remove() {
    local out=$1
    [ "$(id -u)" -eq 0 ] || { echo "SKIP: needs root for the throw-away root"; exit 77; }
    local deb
    deb=$(ls "$out"/vantrel_*_"$(dpkg --print-architecture)".deb) || fail "no package in $out: run the package test first"
    local tarball
    tarball=$(cached_root_tarball)
    root=$(mktemp -d "${TMPDIR:-/tmp}/vantrel-root-XXXXXX")
    trap 'rm -rf --one-file-system "$root"' EXIT
    tar -C "$root" -xf "$tarball"
    cp "$deb" "$root/tmp/"
    cp "$XAUTHORITY" "$root/tmp/Xauthority"
    # Mounts live in a mount namespace of their own and vanish with it, so removing the root
    # can never reach /dev or the X socket folder of this machine.
    unshare --mount --propagation private -- bash "$0" in-root "$root" "$(basename "$deb")" "${@:2}"
}

# Runs in the private mount namespace.
inside_root() {
    local root=$1 deb=$2 recorder=$3 control_geometry=$4 wm_close=$5
    mount -t proc proc "$root/proc"
    mount -t tmpfs -o mode=755 dev "$root/dev"
    local name major minor
    while read -r name major minor; do
        mknod -m 666 "$root/dev/$name" c "$major" "$minor"
    done <<<$'null 1 3\nzero 1 5\nrandom 1 8\nurandom 1 9'
    mkdir "$root/dev/pts"
    mount -t devpts -o newinstance,ptmxmode=0666 devpts "$root/dev/pts"
    ln -s pts/ptmx "$root/dev/ptmx"
    mkdir -p "$root/tmp/.X11-unix"
    mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix"
    [ ! -e "$root/run/udev" ] || fail "udev of this machine visible in the root"

    in_chroot() { chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root "$@"; }

    echo "--- apt-get install ./$deb (in a throw-away root of $(. "$root/etc/os-release" && echo "$PRETTY_NAME"))"
    in_chroot DEBIAN_FRONTEND=noninteractive apt-get install -y -o Dpkg::Use-Pty=0 "/tmp/$deb" ||
        fail "apt could not install the package"
    in_chroot getent group vantrel || fail "no group vantrel after install"
    in_chroot ls -l /usr/bin/vantrel /usr/libexec/vantrel
    [ "$(in_chroot readlink -f /usr/bin/vantrel)" = /usr/libexec/vantrel/vantrel ] ||
        fail "/usr/bin/vantrel does not lead to the program"
    cp "$recorder" "$root/usr/libexec/vantrel/devcon.exe"
    # A fake sysfs tree with one root hub that root may switch, so that no notice covers the window.
    mkdir -p "$root/tmp/sys/bus/usb/devices/usb1"
    echo 1 >"$root/tmp/sys/bus/usb/devices/usb1/authorized"

    echo "--- /usr/bin/vantrel, started from /root; click USB On, close the window"
    in_chroot DISPLAY="$DISPLAY" XAUTHORITY=/tmp/Xauthority DEVCON_LOG=/tmp/devcon.log VANTREL_SYSFS_ROOT=/tmp/sys \
        sh -c 'cd /root && exec /usr/bin/vantrel' 2>"$root/tmp/vantrel.stderr" &
    local pid=$! wid
    wid=$(timeout 30 xdotool search --sync --onlyvisible --name '^Vantrel$' | head -n 1) ||
        { kill -9 "$pid"; fail "no window within 30 s: $(cat "$root/tmp/vantrel.stderr")"; }
    local left top width height
    read -r left top width height < <("$control_geometry" Command1 96)
    xdotool mousemove --window "$wid" $((left + width / 2)) $((top + height / 2)) click 1
    wait_until 10 eval '[ -s "$root/tmp/devcon.log" ] && [ "$(grep -c . "$root/tmp/devcon.log")" -ge 6 ]' ||
        { kill -9 "$pid"; fail "devcon.exe not started within 10 s"; }
    "$wm_close" "$wid"
    local status=0
    timeout 10 tail --pid="$pid" -f /dev/null || { kill -9 "$pid"; fail "still running 10 s after close"; }
    wait "$pid" || status=$?
    [ "$status" -eq 0 ] || fail "exit code $status after close: $(cat "$root/tmp/vantrel.stderr")"
    local runs
    runs=$(paste <(devcon_field argv "$root/tmp/devcon.log") <(devcon_field cwd "$root/tmp/devcon.log"))
    sort <<<"$runs" | uniq -c
    [ "$(sort -u <<<"$runs")" = $'devcon.exe|enable|@USB\\*\t/usr/libexec/vantrel' ] ||
        fail "devcon.exe not started as \"devcon.exe enable @USB\\*\" in /usr/libexec/vantrel"
    [ "$(ls "$root/usr/libexec/vantrel")" = "$(printf 'devcon.exe\nvantrel')" ] ||
        fail "files written beside the program: $(ls "$root/usr/libexec/vantrel")"

    echo "--- apt-get remove vantrel"
    in_chroot DEBIAN_FRONTEND=noninteractive apt-get remove -y -o Dpkg::Use-Pty=0 vantrel || fail "apt could not remove the package"
    local path
    for path in /usr/bin/vantrel /usr/libexec/vantrel /usr/lib/udev/rules.d/70-vantrel-usb-authorized.rules \
        /usr/share/applications/org.vantrel.vantrel.desktop; do
        [ ! -e "$root$path" ] && [ ! -L "$root$path" ] || fail "$path left behind"
    done
    echo PASS
}

mode=$1
shift
case "$mode" in
package) build_and_check_package "$@" ;;
install) install_start_remove "$@" ;;
in-root) inside_root "$@" ;;
*) fail "unknown mode $mode" ;;
esac
