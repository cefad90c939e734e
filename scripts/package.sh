#!/usr/bin/env bash
# Builds the Debian package of Kavla for this Debian release with the distribution's own tools
# (dpkg-buildpackage, debhelper), installing what the build needs that is missing, and checks the
# package with lintian.
#   scripts/package.sh [folder]     default: dist/
# The folder receives kavla_<version>_<arch>.deb, its debug symbols (kavla-dbgsym_...) and the
# .buildinfo and .changes files. Install it with `sudo apt-get install ./dist/kavla_*.deb`.
set -euo pipefail
cd "$(dirname "$0")/.."
output=$(realpath -m "${1:-dist}")

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive

tools=(dpkg-dev debhelper lintian)
missing=()
for package in "${tools[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [ "$status" = "install ok installed" ] || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update -q
    "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# One version: CMake's project VERSION, which debian/changelog must have reached.
version=$(sed -n 's/^project(Kavla VERSION \([^ )]*\).*/\1/p' CMakeLists.txt)
packaged=$(dpkg-parsechangelog -S Version)
if [ "$version" != "$packaged" ]; then
    echo "debian/changelog is at $packaged but CMakeLists.txt at $version: add an entry for $version first" >&2
    exit 1
fi

# The build runs on a copy of the sources (tracked files and new ones not ignored), so the checkout
# keeps no build products.
stage=build-deb/kavla-$version
rm -rf build-deb
mkdir -p "$stage"
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git ls-files -z --cached --others --exclude-standard \
        | while IFS= read -r -d '' file; do [ -e "$file" ] && printf '%s\0' "$file"; done \
        | tar --null --files-from=- -cf - | tar -C "$stage" -xf -
else
    tar --exclude=./.git --exclude='./build*' --exclude=./dist -cf - . | tar -C "$stage" -xf -
fi

# The build dependencies are those debian/control names.
if ! (cd "$stage" && dpkg-checkbuilddeps 2>/dev/null); then
    "${sudo[@]}" apt-get update -q
    "${sudo[@]}" apt-get build-dep -y -q --no-install-recommends "$PWD/$stage"
fi

# debhelper gives the build a home folder of its own; keep using the user's compiler cache.
if command -v ccache >/dev/null; then
    CCACHE_DIR=${CCACHE_DIR:-$(ccache -k cache_dir)}
    export CCACHE_DIR
fi
(cd "$stage" && dpkg-buildpackage -b -us -uc)

mkdir -p "$output"
rm -f "$output"/kavla_* "$output"/kavla-dbgsym_*
find build-deb -maxdepth 1 -type f -name "kavla*_${version}_*" -exec mv -t "$output" {} +
changes=$(ls "$output"/kavla_"$version"_*.changes)
echo "lintian $changes:"
lintian --fail-on error "$changes"
echo "Package in $output:"
ls "$output"
