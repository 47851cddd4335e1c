#!/usr/bin/env bash
# Installs what the build, the tests and the screenshot checks need; quick when all is present.
set -euo pipefail
packages=(cmake g++ make ccache pkg-config qt6-base-dev qt6-svg-dev libqt6svg6 libgl-dev
          libgtest-dev libgmock-dev googletest libbenchmark-dev clang-format clang-tidy
          clang libclang-rt-14-dev
          xvfb xauth imagemagick iproute2 iputils-ping netcat-openbsd util-linux libcap2-bin
          dbus dbus-daemon fonts-dejavu-core python3-prometheus-client)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO=sudo
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
