#!/usr/bin/env bash
# Runs the kernel-driver tests: boots Debian's own kernel under qemu (software emulation) with
# the vivid virtual camera and a v4l2loopback module built for that very kernel, runs the test
# binary inside and checks what it printed on the serial console.
#
# Usage: run_kernel_tests.sh CACHE_DIR TEST_BINARY
# The kernel packages are downloaded into CACHE_DIR once per kernel version; when that is not
# possible the test fails, it does not pass silently. Where qemu is not installed it is skipped.
set -euo pipefail

[ $# -eq 2 ] || { echo "usage: $0 CACHE_DIR TEST_BINARY" >&2; exit 2; }
cache=$(mkdir -p "$1" && cd "$1" && pwd)
binary=$2
here=$(cd "$(dirname "$0")" && pwd)

fail() {
    echo "KERNEL-DRIVER TEST FAILED: $*" >&2
    exit 1
}

# Without the emulator and its tools the test cannot run here: it says so and is skipped (77).
for tool in qemu-system-x86_64 busybox cpio gzip dpkg-deb apt-get apt-cache make gcc-12 ldd timeout; do
    command -v "$tool" > /dev/null ||
        { echo "SKIPPED: '$tool' is missing, so the kernel cannot be booted here ('scripts/setup.sh tests' installs it)"; exit 77; }
done
busybox=$(command -v busybox)
! ldd "$busybox" > /dev/null 2>&1 || fail "$busybox is not statically linked: install busybox-static"
[ -x "$binary" ] || fail "no test binary at $binary"

# The exact kernel linux-image-amd64 stands for, and the headers packages of that version.
kernel_package() {
    apt-cache depends linux-image-amd64 2> /dev/null |
        awk '$1 == "Depends:" && $2 ~ /^linux-image-[0-9]/ { print $2; exit }'
}
image_pkg=$(kernel_package)
if [ -z "$image_pkg" ] && [ "$(id -u)" -eq 0 ]; then
    apt-get update -qq > /dev/null 2>&1 || true
    image_pkg=$(kernel_package)
fi
[ -n "$image_pkg" ] || fail "apt-cache does not know linux-image-amd64: run 'apt-get update'"
kver=${image_pkg#linux-image-}
version=$(apt-cache policy "$image_pkg" | awk '$1 == "Candidate:" { print $2 }')
headers_deps=$(apt-cache depends "linux-headers-$kver" | awk '$1 == "Depends:" { print $2 }')
common_pkg=$(grep -- '-common$' <<< "$headers_deps" | head -n1)
kbuild_pkg=$(grep '^linux-kbuild-' <<< "$headers_deps" | head -n1)
if [ -z "$common_pkg" ] || [ -z "$kbuild_pkg" ]; then
    fail "cannot tell what linux-headers-$kver needs"
fi

kdir=$cache/$kver
if [ ! -e "$kdir/ready" ]; then
    echo "Preparing kernel $kver ($version) in $kdir"
    # Only one kernel is kept: an older one left behind by a kernel update is dropped.
    find "$cache" -mindepth 1 -maxdepth 1 -type d ! -name stage -exec rm -rf {} +
    mkdir -p "$kdir/debs" "$kdir/root"
    (cd "$kdir/debs" && apt-get download -q "$image_pkg=$version" "linux-headers-$kver=$version" \
        "$common_pkg=$version" "$kbuild_pkg=$version" v4l2loopback-dkms) > "$kdir/download.log" 2>&1 ||
        fail "cannot download $image_pkg $version and its headers: $(tail -n3 "$kdir/download.log")"
    for deb in "$kdir"/debs/*.deb; do
        dpkg-deb -x "$deb" "$kdir/root"
    done
    # The headers' Makefile includes its common half by absolute path: point it into the cache.
    sed -i "s|include /usr/src/|include $kdir/root/usr/src/|" "$kdir/root/usr/src/linux-headers-$kver/Makefile"
    loopback_src=$(find "$kdir/root/usr/src" -maxdepth 1 -name 'v4l2loopback-*' | head -n1)
    [ -n "$loopback_src" ] || fail "v4l2loopback-dkms carries no module source"
    cp -r "$loopback_src" "$kdir/v4l2loopback"
    # A clean environment: make flags or compiler settings of the surrounding build must not
    # leak into the kernel's build system.
    env -i PATH="$PATH" HOME="${HOME:-/tmp}" \
        make -C "$kdir/root/usr/src/linux-headers-$kver" M="$kdir/v4l2loopback" modules \
        > "$kdir/v4l2loopback/build.log" 2>&1 ||
        fail "v4l2loopback does not build for $kver: $(tail -n5 "$kdir/v4l2loopback/build.log")"
    # Keep what the guest needs: the kernel, the media drivers and the loopback module.
    media_modules=$kdir/root/lib/modules/$kver/kernel/drivers/media
    mv "$media_modules" "$kdir/media"
    rm -rf "$kdir/debs" "$kdir/root/usr" "$kdir/root/lib"
    mkdir -p "$(dirname "$media_modules")"
    mv "$kdir/media" "$media_modules"
    touch "$kdir/ready"
fi

# The initramfs: busybox, the drivers in dependency order, the test binary and its libraries.
stage=$cache/stage
rm -rf "$stage"
mkdir -p "$stage"/{bin,proc,sys,dev,tmp,modules}
cp "$busybox" "$stage/bin/busybox"
ln -s busybox "$stage/bin/sh"
cp "$here/guest_init.sh" "$stage/init"
chmod +x "$stage/init"

modules=$kdir/root/lib/modules/$kver/kernel
for m in rc-core cec mc videodev v4l2-dv-timings v4l2-tpg videobuf2-common videobuf2-memops \
    videobuf2-v4l2 videobuf2-vmalloc videobuf2-dma-contig vivid; do
    file=$(find "$modules" \( -name "$m.ko" -o -name "$m.ko.xz" \) -print -quit)
    [ -n "$file" ] || fail "$image_pkg has no module $m"
    case $file in
        *.xz) xz -dc "$file" > "$stage/modules/$m.ko" || fail "cannot unpack $file (xz-utils)" ;;
        *) cp "$file" "$stage/modules/$m.ko" ;;
    esac
    echo "$m" >> "$stage/modules.order"
done
cp "$kdir/v4l2loopback/v4l2loopback.ko" "$stage/modules/"
echo "v4l2loopback devices=2 video_nr=20,21 card_label=loopback-mjpeg,loopback-uyvy" >> "$stage/modules.order"

cp "$binary" "$stage/kinoree_kernel_tests"
ldd "$binary" | awk '{ for (i = 1; i <= NF; i++) if ($i ~ /^\//) print $i }' | while read -r lib; do
    mkdir -p "$stage$(dirname "$lib")"
    cp -L "$lib" "$stage$lib"
done
(cd "$stage" && find . | cpio -o -H newc -R 0:0 --quiet | gzip -1 > "$cache/initramfs.gz")

# Boot. No KVM: the test must run on machines without it.
log=$cache/guest.log
status=0
timeout 420 qemu-system-x86_64 -accel tcg -m 1G -nographic -no-reboot -net none \
    -kernel "$kdir/root/boot/vmlinuz-$kver" -initrd "$cache/initramfs.gz" \
    -append "console=ttyS0 quiet panic=-1" < /dev/null > "$log" 2>&1 || status=$?
tr -d '\r' < "$log"
[ "$status" -eq 0 ] || fail "qemu ended with status $status (124: the guest did not finish in time)"

grep -q 'KINOREE-GUEST-RESULT' "$log" || fail "the guest did not report a result"
result=$(grep -a 'KINOREE-GUEST-RESULT' "$log" | tr -d '\r' | sed 's/.*KINOREE-GUEST-RESULT //')
[ "$result" = "status=0" ] || fail "guest: $result"
passed=$(grep -ac '\[  PASSED  \] [1-9]' "$log" || true)
[ "$passed" -eq 2 ] || fail "expected two passing test runs in the guest, saw $passed"
echo "Kernel-driver tests passed on $kver"
