#!/usr/bin/env bash
# Installs the Debian 12 packages the build needs, only those missing.
set -euo pipefail

packages=(cmake g++ make pkg-config qt6-base-dev libjpeg-dev libgtest-dev googletest
          clang-14 libclang-rt-14-dev clang-tidy
          qt6-translations-l10n help2man desktop-file-utils appstream dpkg-dev man-db
          qt6-charts-dev libqt6opengl6-dev "$@")

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
