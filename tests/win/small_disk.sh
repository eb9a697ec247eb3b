#!/bin/sh
# small_disk.sh mount|unmount FOLDER: a 1 MiB filesystem of its own at FOLDER, on which the
# Windows tests fill a disk for real. Mounted only where the machine allows it (as root);
# without it those tests are skipped.
case "$1" in
  mount)
    mkdir -p "$2"
    mountpoint -q "$2" || mount -t tmpfs -o size=1m yv-small-disk "$2" 2>/dev/null ||
      echo "no small filesystem at $2: the full-disk tests are skipped"
    ;;
  unmount)
    if mountpoint -q "$2"; then umount "$2" || umount -l "$2"; fi
    ;;
esac
exit 0
