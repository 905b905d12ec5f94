#!/usr/bin/env bash
# Installs the Debian 12 packages that building and running Kinoree need, when missing.
#
#   setup.sh           what scripts/run.sh needs
#   setup.sh tests     that, and what the tests need besides (scripts/test.sh)
set -euo pipefail

# Configuring the build looks for everything the default build makes, tests included, so their
# small libraries belong here too.
packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-qpa-plugins libturbojpeg0-dev libjpeg62-turbo-dev libv4l-dev libudev-dev
  libgphoto2-dev
  binutils-mingw-w64-x86-64 librsvg2-bin libgtest-dev libbenchmark-dev
  fonts-dejavu-core
)
if [ "${1:-}" = tests ]; then
  # The real program under a virtual X server, its recordings checked by FFmpeg, the package
  # checked by lintian and the desktop's own validators.
  packages+=(ffmpeg xvfb xauth xdotool imagemagick x11-utils xclip lintian desktop-file-utils appstream)
  # The layout check of scripts/check_format.sh and the naming and bug checks of scripts/lint.sh.
  packages+=(clang-format clang-tidy)
  # The kernel-driver tests boot Debian's kernel under qemu with its virtual camera.
  if [ "${KINOREE_SKIP_QEMU:-0}" != 1 ]; then
    packages+=(qemu-system-x86 busybox-static cpio kmod xz-utils libelf1 libssl3)
  fi
fi
# The optional libFuzzer build of tests/fuzz (KINOREE_BUILD_FUZZERS) needs clang and its
# sanitizer runtimes.
if [ "${KINOREE_FUZZ:-0}" = 1 ]; then
  packages+=(clang libclang-rt-14-dev)
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
