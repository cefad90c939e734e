#!/usr/bin/env bash
# Installs the Debian packages Kavla needs that are not installed yet.
#   scripts/deps.sh build   what building and running Kavla needs
#   scripts/deps.sh test    that, plus what the tests need (Xvfb, openbox, trayer, a headless sway,
#                           wl-clipboard, the AppStream and desktop-file validators, ...), and, as
#                           root, the unprivileged user that runs sway (it refuses to run as root)
set -euo pipefail

build_packages=(g++ cmake ninja-build pkg-config ccache qt6-base-dev
    libqt6sql6-sqlite qt6-svg-dev libqt6svg6 libxcb1-dev libxcb-keysyms1-dev libxcb-res0-dev
    libxcb-xfixes0-dev libxcb-xtest0-dev libcanberra-dev libgl-dev qt6-image-formats-plugins fonts-noto-cjk
    libwayland-dev libwayland-bin qt6-wayland libsqlite3-dev qt6-translations-l10n help2man)
test_packages=(xvfb openbox trayer xdotool wmctrl x11-utils x11-xkb-utils xclip xterm imagemagick
    fonts-dejavu-core fonts-noto-cjk sqlite3 procps sway wl-clipboard wtype util-linux dbus-daemon
    appstream desktop-file-utils)

wanted=("${build_packages[@]}")
if [ "${1:-build}" = test ]; then
    wanted+=("${test_packages[@]}")
fi

# The Wayland end-to-end tests run sway as this user when they run as root.
if [ "${1:-build}" = test ] && [ "$(id -u)" -eq 0 ] && ! id "${KAVLA_E2E_USER:-kavla-e2e}" >/dev/null 2>&1; then
    useradd --system --no-create-home --shell /usr/sbin/nologin "${KAVLA_E2E_USER:-kavla-e2e}"
fi

missing=()
for package in "${wanted[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [ "$status" = "install ok installed" ] || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -q
"${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
