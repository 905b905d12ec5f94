#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the program and the tests need, when missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libturbojpeg0-dev libjpeg62-turbo-dev libv4l-dev libudev-dev libgtest-dev libbenchmark-dev
  fonts-dejavu-core binutils-mingw-w64-x86-64
  ffmpeg xvfb xauth xdotool imagemagick x11-utils xclip
)
# The kernel-driver tests boot Debian's kernel under qemu with its virtual camera.
if [ "${KINOREE_SKIP_QEMU:-0}" != 1 ]; then
  packages+=(qemu-system-x86 busybox-static cpio kmod xz-utils libelf1 libssl3)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
