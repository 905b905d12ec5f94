#!/bin/sh
# /init of the test guest: loads the camera drivers, runs the tests, powers off. The host reads
# the serial console; the KINOREE-GUEST lines are what it checks.
/bin/busybox --install -s /bin
export PATH=/bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
mount -t tmpfs tmpfs /tmp

finish() {
    echo "KINOREE-GUEST-RESULT $1"
    poweroff -f
}

# modules.order lists "<module> [parameters]" in dependency order.
while read -r module params; do
    # shellcheck disable=SC2086 # parameters are separate words on purpose
    insmod "/modules/$module.ko" $params || finish "cannot load $module"
done < /modules.order

ls /dev/video* > /dev/null || finish "no video devices"
# Without ld.so.cache the loader would not look in the multiarch folders the libraries sit in.
export LD_LIBRARY_PATH=/lib/x86_64-linux-gnu:/usr/lib/x86_64-linux-gnu

status=0
/kinoree_kernel_tests --gtest_color=no --gtest_filter='-DriverRemoval.*' || status=1
/kinoree_kernel_tests --gtest_color=no --gtest_filter='DriverRemoval.*' || status=1
finish "status=$status"
