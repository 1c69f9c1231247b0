#!/usr/bin/env bash
# A full disk for the tests: a 256 KiB tmpfs mapped into the test prefix as
# drive K:. "--setup" mounts and maps it, "--cleanup" undoes it. Where
# mounting is not allowed, the tests that need it skip.
set -u
: "${WINEPREFIX:?}"
mnt="$WINEPREFIX.fulldisk"
case "${1:-}" in
--setup)
    mkdir -p "$mnt"
    if ! mountpoint -q "$mnt" && ! mount -t tmpfs -o size=256k tmpfs "$mnt" 2>/dev/null; then
        echo "full-disk: mounting a tmpfs was refused; the full-disk test reports itself skipped" >&2
        exit 0
    fi
    ln -sfn "$mnt" "$WINEPREFIX/dosdevices/k:" ;;
--cleanup)
    rm -f "$WINEPREFIX/dosdevices/k:"
    mountpoint -q "$mnt" && umount "$mnt"
    rmdir "$mnt" 2>/dev/null ;;
esac
exit 0
