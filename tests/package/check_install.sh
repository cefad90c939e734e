#!/usr/bin/env bash
# Installs the build into a temporary root with the package's prefix, as the package build does,
# and checks the files a user's machine needs are there, that debian/kavla.install takes every
# one of them and nothing else, and that the installed program answers --version.
#   check_install.sh <build folder> <source folder> <version>
set -euo pipefail
build=$1 source=$2 version=$3
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
status=0
fail() { echo "FAIL: $*"; status=1; }

DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null
mapfile -t installed < <(cd "$root" && find . -type f -printf '%P\n' | sort)

expected=(usr/bin/kavla usr/share/kavla/privacy.html
    usr/share/applications/com.tarnwick.Kavla.desktop
    usr/share/metainfo/com.tarnwick.Kavla.metainfo.xml
    usr/share/icons/hicolor/scalable/apps/com.tarnwick.Kavla.svg)
for language in pt-BR en es it ja; do
    expected+=("usr/share/kavla/$language.lproj/Localizable.strings")
done
for size in 16 22 24 32 48 64 128 256; do
    png=usr/share/icons/hicolor/${size}x${size}/apps/com.tarnwick.Kavla.png
    expected+=("$png")
    # The PNG header's width and height, big-endian, right after "IHDR".
    [ -f "$root/$png" ] && [ "$(od -An -tx1 -j16 -N8 "$root/$png" | tr -d ' \n')" = "$(printf '%08x%08x' "$size" "$size")" ] \
        || fail "$png is not a ${size}x${size} PNG"
done
for file in "${expected[@]}"; do
    [ -s "$root/$file" ] || fail "$file is not installed"
done

# Each installed file is taken by a line of the package's install list, and each line takes one.
mapfile -t patterns < <(grep -v '^\s*\(#\|$\)' "$source/debian/kavla.install" | awk '{print $1}')
for file in "${installed[@]}"; do
    taken=0
    for pattern in "${patterns[@]}"; do
        # shellcheck disable=SC2053  # the pattern is a glob, as dh_install reads it
        [[ $file == $pattern || $file == $pattern/* ]] && taken=1 && break
    done
    [ $taken = 1 ] || fail "$file is installed but debian/kavla.install leaves it out"
done
for pattern in "${patterns[@]}"; do
    taken=0
    for file in "${installed[@]}"; do
        # shellcheck disable=SC2053
        [[ $file == $pattern || $file == $pattern/* ]] && taken=1 && break
    done
    [ $taken = 1 ] || fail "debian/kavla.install names $pattern, which is not installed"
done

answer=$(env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/kavla" --version) || fail "kavla --version failed"
[ "$answer" = "kavla $version" ] || fail "kavla --version said '$answer'"
exit $status
