# shellcheck shell=bash
# A kernel guest with a real ALSA sequencer, for the end-to-end tests of the ALSA back end.
# Source it after processes.sh and test_skip.sh; it defines:
#   run_in_alsa_guest RESULTS COMMAND...
#       boots Debian's installed kernel under QEMU (KVM where /dev/kvm opens and
#       CORVANE_GUEST_KVM=1, TCG otherwise: KVM hangs early in the boot on some hosts) with an
#       initramfs built here from busybox-static and the kernel's own modules: the sequencer
#       with the high-resolution timer (without it a queue ticks every 4 ms), "Midi Through"
#       (snd-seq-dummy) and four VirMIDI cards. The guest sees the host's / read-only over 9p,
#       with its own /tmp, /run and /dev, and the folder RESULTS, writable, at the same path.
#       A COMMAND word that is a path below /tmp or /run (a clone of the tree there) keeps its
#       top folder there, read-only, as the host has it.
#       It runs COMMAND as root there, its output in RESULTS/guest.log, and powers off.
#       Returns COMMAND's exit status; skips the test when the guest cannot boot.

readonly alsa_guest_modules=(virtio_pci 9pnet_virtio 9p snd-hrtimer snd-seq-dummy snd-virmidi)
# TCG boots in about 16 s; the cases then take about 30 s.
readonly alsa_guest_limit=150

# The modules' files under $root in loading order: each one's dependencies first.
alsa_guest_module_files() {
    local root=$1 module
    shift
    for module in "$@"; do
        awk -v want="$module" '
            { name = $1; sub(/:$/, "", name); n = name; sub(/.*\//, "", n); sub(/\.ko.*$/, "", n)
              gsub(/-/, "_", n); w = want; gsub(/-/, "_", w) }
            n == w { for (i = NF; i > 1; i--) print $i; print name; exit }' "$root/modules.dep"
    done | awk '!seen[$0]++'
}

run_in_alsa_guest() {
    local results=$1 kernel version root initramfs accel=tcg status
    shift
    command -v qemu-system-x86_64 >/dev/null || skip_test "qemu-system-x86 is not installed"
    [ -x /bin/busybox ] || skip_test "busybox-static is not installed"
    kernel=$(find /boot -maxdepth 1 -name 'vmlinuz-*' -readable 2>/dev/null | sort -V | tail -n 1)
    [ -n "$kernel" ] || skip_test "no readable kernel in /boot (package linux-image-amd64)"
    version=${kernel#/boot/vmlinuz-}
    root=/lib/modules/$version
    [ -r "$root/modules.dep" ] || skip_test "no modules for kernel $version in $root"

    initramfs=$work/guest-root
    mkdir -p "$initramfs"/{bin,modules,proc,sys,dev,host,hostroot}
    cp /bin/busybox "$initramfs/bin/busybox"
    local files=() file
    mapfile -t files < <(alsa_guest_module_files "$root" "${alsa_guest_modules[@]}")
    ((${#files[@]} > 0)) || skip_test "kernel $version has none of the guest's modules"
    local loads=""
    for file in "${files[@]}"; do
        cp "$root/$file" "$initramfs/modules/"
        loads+="insmod /modules/$(basename "$file")"$'\n'
    done
    local command_line word keeps=""
    printf -v command_line '%q ' "$@"
    for word in "$@"; do
        if [[ $word =~ ^(/tmp|/run)/[^/]+ ]]; then
            printf -v word '%q' "${BASH_REMATCH[0]}"
            keeps+="mkdir -p /host$word && mount -o bind /hostroot$word /host$word"$'\n'
        fi
    done
    cat >"$initramfs/init" <<EOF
#!/bin/busybox sh
/bin/busybox --install -s /bin
export PATH=/bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
$loads
mount -t 9p -o trans=virtio,version=9p2000.L,cache=loose,ro hostroot /host
mount -o bind /host /hostroot
mount -t tmpfs tmpfs /host/tmp
mount -t tmpfs tmpfs /host/run
${keeps}
mount -t proc proc /host/proc
mount -t sysfs sysfs /host/sys
mount -t devtmpfs devtmpfs /host/dev
mkdir -p /host/dev/shm /host$results
mount -t tmpfs tmpfs /host/dev/shm
mount -t 9p -o trans=virtio,version=9p2000.L results /host$results
echo booted >/host$results/booted
chroot /host /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/tmp CI="${CI:-}" \\
    $command_line >/host$results/guest.log 2>&1
echo \$? >/host$results/status
sync
poweroff -f
EOF
    chmod +x "$initramfs/init"
    (cd "$initramfs" && find . | cpio -o -H newc --quiet) | gzip -1 >"$work/initramfs.gz"

    if [ "${CORVANE_GUEST_KVM:-}" = 1 ] && [ -r /dev/kvm ] && [ -w /dev/kvm ]; then
        accel=kvm
    fi
    rm -f "$results/booted" "$results/status"
    local started=$SECONDS
    timeout "$alsa_guest_limit" qemu-system-x86_64 -accel "$accel" -m 1024 -smp 1 -nographic \
        -no-reboot -kernel "$kernel" -initrd "$work/initramfs.gz" \
        -append "console=ttyS0 panic=-1 loglevel=3" \
        -virtfs local,path=/,mount_tag=hostroot,security_model=none,readonly=on,multidevs=remap \
        -virtfs "local,path=$results,mount_tag=results,security_model=none" \
        </dev/null >"$work/console.log" 2>&1 || true
    echo "guest ($accel, kernel $version): $((SECONDS - started)) s from boot to power-off"
    if [ ! -e "$results/booted" ]; then
        tail -n 20 "$work/console.log" >&2
        skip_test "the guest did not boot"
    fi
    if [ ! -s "$results/status" ]; then
        tail -n 20 "$work/console.log" "$results/guest.log" >&2
        fail "the guest did not finish within $alsa_guest_limit s"
    fi
    status=$(cat "$results/status")
    return "$status"
}
