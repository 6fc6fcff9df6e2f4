#!/usr/bin/env bash
# Builds the Debian package of the suite (build/orvane_<version>-1_<arch>.deb) and checks it with
# lintian, which must find no error. Install it with: sudo apt-get install ./build/orvane_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
# cpack reads the dependencies of the programs with dpkg-shlibdeps; lintian checks the result.
scripts/setup.sh dpkg-dev lintian
scripts/build.sh
(cd build && cpack -G DEB)
package=$(ls -t build/orvane_*.deb | head -n 1)
echo "Package: $package"
# Errors fail the script; warnings and notes are shown.
lintian --fail-on error --tag-display-limit 0 "$package"
