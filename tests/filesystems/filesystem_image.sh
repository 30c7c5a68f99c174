#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes small file system images and mounts them for the file-system matrix.
#
#   filesystem_image.sh make TYPE IMAGE [LABEL]   make an image of TYPE (ext4 xfs btrfs fat ntfs)
#   filesystem_image.sh mount TYPE IMAGE DIR      mount it (tmpfs needs no image: pass -)
#   filesystem_image.sh unmount DIR               unmount whatever is mounted at DIR
#   filesystem_image.sh with TYPE COMMAND...      make and mount one in a fresh temporary
#                                                 directory, run COMMAND with VARNOTH_FS_TYPE,
#                                                 VARNOTH_FS_MOUNT and VARNOTH_FS_WORK set, then
#                                                 unmount and remove everything, whatever happened
#
# Exits 77 when this machine cannot mount TYPE (not root, no loop devices, no FUSE, a tool
# missing), so that CTest reports the test as skipped.
set -euo pipefail

readonly kSkip=77
here=$(cd "$(dirname "$0")" && pwd)
self="$here/$(basename "$0")"
readonly self

skip() {
  echo "skipped: $*" >&2
  exit "$kSkip"
}

need_tool() {
  command -v "$1" >/dev/null 2>&1 || skip "$1 is not installed"
}

# Why TYPE cannot be mounted here, if it cannot.
check_possible() {
  local type=$1
  [[ $(id -u) == 0 ]] || skip "mounting $type needs root"
  case $type in
    ext4 | xfs | btrfs)
      [[ -e /dev/loop-control ]] || skip "no loop devices for $type"
      need_tool "mkfs.$type"
      grep -qw "$type" /proc/filesystems || skip "the kernel has no $type driver"
      ;;
    fat)
      [[ -c /dev/fuse ]] || skip "no /dev/fuse for fusefat"
      need_tool mkfs.vfat
      need_tool fusefat
      ;;
    ntfs)
      [[ -c /dev/fuse ]] || skip "no /dev/fuse for ntfs-3g"
      need_tool mkfs.ntfs
      need_tool ntfs-3g
      ;;
    tmpfs) ;;
    *)
      echo "unknown file system type $type" >&2
      exit 2
      ;;
  esac
}

make_image() {
  local type=$1 image=$2 label=${3:-VARNOTH}
  rm -f "$image"
  case $type in
    # Sparse files, at the smallest sizes each mkfs accepts.
    ext4) truncate -s 16M "$image" && mkfs.ext4 -q -F -L "$label" "$image" ;;
    xfs) truncate -s 300M "$image" && mkfs.xfs -q -f -L "$label" "$image" ;;
    btrfs) truncate -s 114M "$image" && mkfs.btrfs -q -f -L "$label" "$image" ;;
    # No label: fusefat lists a FAT label as a file in the root directory.
    fat) truncate -s 16M "$image" && mkfs.vfat "$image" >/dev/null ;;
    ntfs) truncate -s 16M "$image" && mkfs.ntfs -q -F -f -L "$label" "$image" >/dev/null ;;
    tmpfs) ;;
  esac
}

mount_image() {
  local type=$1 image=$2 dir=$3
  case $type in
    ext4 | xfs | btrfs) mount -t "$type" -o loop "$image" "$dir" ;;
    fat) fusefat -o rw+ "$image" "$dir" ;;
    ntfs) ntfs-3g "$image" "$dir" ;;
    tmpfs) mount -t tmpfs -o size=16M varnoth-matrix "$dir" ;;
  esac
}

unmount_dir() {
  local dir=$1
  # Not `mountpoint`: it stats the directory, which fails once a FUSE daemon has died.
  findmnt -M "$dir" >/dev/null || return 0
  # FUSE daemons may still be writing back; a lazy unmount never leaves the run hanging.
  umount "$dir" 2>/dev/null || fusermount -u "$dir" 2>/dev/null || umount -l "$dir"
}

# Unmounts the mount point below `work`, detaches any loop device left on its images (a test
# may swap in a second image), and removes it all.
cleanup() {
  local work=$1 image
  unmount_dir "$work/mnt" || true
  for image in "$work"/image*; do
    [[ -e $image ]] || continue
    losetup -j "$image" -O NAME -n 2>/dev/null | xargs -r losetup -d || true
  done
  findmnt -M "$work/mnt" >/dev/null || rm -rf "$work"
}

with_filesystem() {
  local type=$1
  shift
  check_possible "$type"
  local work
  work=$(mktemp -d "${TMPDIR:-/tmp}/varnoth-fs-$type-XXXXXX")
  local mnt="$work/mnt"
  mkdir "$mnt"
  # shellcheck disable=SC2064  # expand now: the variables are local
  trap "cleanup '$work'" EXIT
  # Interrupted or stopped by a timeout: still run the cleanup above.
  trap 'exit 143' INT TERM HUP
  make_image "$type" "$work/image" || skip "cannot make a $type image"
  mount_image "$type" "$work/image" "$mnt" || skip "cannot mount a $type image"
  local status=0
  VARNOTH_FS_TYPE=$type VARNOTH_FS_MOUNT=$mnt VARNOTH_FS_WORK=$work VARNOTH_FS_SCRIPT=$self \
    "$@" || status=$?
  exit "$status"
}

command=${1:-}
shift || true
case $command in
  make) make_image "$@" ;;
  mount) mount_image "$@" ;;
  unmount) unmount_dir "$@" ;;
  with) with_filesystem "$@" ;;
  *)
    sed -n '2,13p' "$self" >&2
    exit 2
    ;;
esac
