#!/usr/bin/env bash
# Builds the Debian package out/deb/travik-readout_<version>_debian<N>_amd64.deb
# for the Debian release it runs on (N: 12 for bookworm, 13 for trixie): the
# window program, travik-read and travik-sim with their desktop entry, icons,
# metainfo and manual pages, installed under /usr. Its dependencies are
# computed from the binaries (dpkg-shlibdeps). Prints the package's path.
# The build folder is "build-deb" (TRAVIK_DEB_BUILD_DIR overrides it).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh file  # dpkg-shlibdeps in cpack needs file(1)
build=${TRAVIK_DEB_BUILD_DIR:-build-deb}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
      -DTRAVIK_BUILD_TESTS=OFF -DTRAVIK_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j "$(nproc)"
rm -f out/deb/travik-readout_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
package=$(ls out/deb/travik-readout_*.deb)
echo "$PWD/$package"
