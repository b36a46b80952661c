#!/usr/bin/env bash
# Installs the Debian packages the build needs, only those missing, by names
# the running release has: Debian 12 (bookworm) and Debian 13 (trixie).
# Extra package names may be given as arguments.
set -euo pipefail

packages=(cmake ninja-build g++ make pkg-config qt6-base-dev qt6-charts-dev libjpeg-dev
          libsqlite3-dev libgtest-dev googletest clang libclang-rt-dev clang-tidy
          qt6-translations-l10n help2man desktop-file-utils appstream dpkg-dev man-db
          xvfb xdotool "$@")
# Debian 12 ships Qt's OpenGL modules, which Qt Charts' CMake package asks for,
# apart from qt6-base-dev; Debian 13 has them in qt6-base-dev.
codename=$(. /etc/os-release 2>/dev/null && echo "${VERSION_CODENAME:-}")
[ "$codename" = bookworm ] && packages+=(libqt6opengl6-dev)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
