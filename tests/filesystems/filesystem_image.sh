#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes small file system images and mounts them for the file-system matrix.
#
#   filesystem_image.sh make TYPE IMAGE [LABEL]   make an image of TYPE (ext4 xfs btrfs fat ntfs),
#                                                 or the folder an sshfs share serves
#   filesystem_image.sh mount TYPE IMAGE DIR      mount it (tmpfs needs no image: pass -)
#   filesystem_image.sh unmount DIR               unmount whatever is mounted at DIR
#   filesystem_image.sh with TYPE COMMAND...      make and mount one in a fresh temporary
#                                                 directory, run COMMAND with VARNOTH_FS_TYPE,
#                                                 VARNOTH_FS_MOUNT and VARNOTH_FS_WORK set, then
#                                                 unmount and remove everything, whatever happened
#   filesystem_image.sh pids DIR                  of the sshfs share at DIR: "client PID" (sshfs)
#                                                 and "server PID" lines (the sshd processes)
#   filesystem_image.sh stop|resume DIR           SIGSTOP / SIGCONT the server of the share at DIR:
#                                                 the share stops answering, then answers again
#
# sshfs: a share over a real OpenSSH server that listens on 127.0.0.1 only, with throw-away host
# and user keys and its own configuration, all in DIR.sshfs beside the mount point; the server
# ends with the unmount.
#
# Exits 77 when this machine cannot mount TYPE (not root, no loop devices, no FUSE, a tool
# missing, the ssh server or sshfs cannot start), so that CTest reports the test as skipped.
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
  [[ $(id -u) == 0 || $type == sshfs ]] || skip "mounting $type needs root"
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
    sshfs)
      [[ -c /dev/fuse ]] || skip "no /dev/fuse for sshfs"
      [[ -x /usr/sbin/sshd ]] || skip "the OpenSSH server is not installed"
      need_tool sshfs
      need_tool ssh-keygen
      ;;
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
    sshfs) mkdir -p "$image" ;;
  esac
}

# Starts an OpenSSH server for the share at `dir` on a free loopback port and mounts `served`
# through sshfs; fails (with the reason in the logs shown) where either cannot start.
mount_sshfs() {
  local served=$1 dir=$2
  local state="${dir%/}.sshfs" user port
  user=$(id -un)
  mkdir -p "$state"
  rm -f "$state"/*key*
  ssh-keygen -q -t ed25519 -N '' -f "$state/host_key" || return 1
  ssh-keygen -q -t ed25519 -N '' -f "$state/user_key" || return 1
  cp "$state/user_key.pub" "$state/authorized_keys"
  # Privilege separation needs its empty directory when the server runs as root.
  [[ $(id -u) != 0 ]] || mkdir -p /run/sshd
  for _ in 1 2 3 4 5; do
    port=$((20000 + RANDOM % 40000))
    cat >"$state/sshd_config" <<CONFIG
ListenAddress 127.0.0.1:$port
HostKey $state/host_key
AuthorizedKeysFile $state/authorized_keys
PidFile none
UsePAM no
PermitRootLogin prohibit-password
PasswordAuthentication no
KbdInteractiveAuthentication no
PubkeyAuthentication yes
StrictModes no
AllowUsers $user
AllowTcpForwarding no
X11Forwarding no
Subsystem sftp internal-sftp
LogLevel INFO
CONFIG
    /usr/sbin/sshd -D -e -f "$state/sshd_config" </dev/null >"$state/sshd.log" 2>&1 &
    echo $! >"$state/sshd.pid"
    for _ in $(seq 50); do
      grep -q "Server listening" "$state/sshd.log" && break
      kill -0 "$(cat "$state/sshd.pid")" 2>/dev/null || break
      sleep 0.1
    done
    grep -q "Server listening" "$state/sshd.log" && break
    kill "$(cat "$state/sshd.pid")" 2>/dev/null || true
    rm -f "$state/sshd.pid"
  done
  if [[ ! -e $state/sshd.pid ]]; then
    cat "$state/sshd.log" >&2
    return 1
  fi
  sshfs -f -p "$port" \
    -o "IdentityFile=$state/user_key,StrictHostKeyChecking=no,UserKnownHostsFile=/dev/null" \
    -o BatchMode=yes,LogLevel=ERROR \
    "$user@127.0.0.1:$served" "$dir" </dev/null >"$state/sshfs.log" 2>&1 &
  echo $! >"$state/sshfs.pid"
  for _ in $(seq 100); do
    findmnt -M "$dir" >/dev/null && return 0
    kill -0 "$(cat "$state/sshfs.pid")" 2>/dev/null || break
    sleep 0.1
  done
  cat "$state/sshfs.log" "$state/sshd.log" >&2
  stop_server "$dir"
  return 1
}

# The processes serving the share at `dir`: the listening server and every process below it.
server_pids() {
  local state="${1%/}.sshfs" pid
  [[ -e $state/sshd.pid ]] || return 0
  local pending=("$(cat "$state/sshd.pid")")
  while [[ ${#pending[@]} -gt 0 ]]; do
    pid=${pending[0]}
    pending=("${pending[@]:1}")
    [[ -d /proc/$pid ]] || continue
    echo "$pid"
    # Processes come and go (a connection ends with the unmount): one gone is no failure.
    # shellcheck disable=SC2207  # pids have no spaces
    pending+=($(cat /proc/"$pid"/task/*/children 2>/dev/null || true))
  done
  return 0
}

list_pids() {
  local state="${1%/}.sshfs" pid
  [[ -e $state/sshfs.pid ]] && echo "client $(cat "$state/sshfs.pid")"
  for pid in $(server_pids "$1"); do
    echo "server $pid"
  done
}

signal_server() {
  local signal=$1 dir=$2 pid
  for pid in $(server_pids "$dir"); do
    kill "-$signal" "$pid" 2>/dev/null || true
  done
}

# Ends the ssh server of the share at `dir`, if there is one, and its connections.
stop_server() {
  local dir=$1 state="${1%/}.sshfs" pids
  [[ -e $state/sshd.pid ]] || return 0
  pids=$(server_pids "$dir") || true
  signal_server CONT "$dir"
  # shellcheck disable=SC2086  # a list of pids
  [[ -z $pids ]] || kill $pids 2>/dev/null || true
  rm -f "$state/sshd.pid" "$state/sshfs.pid"
}

mount_image() {
  local type=$1 image=$2 dir=$3
  case $type in
    ext4 | xfs | btrfs) mount -t "$type" -o loop "$image" "$dir" ;;
    fat) fusefat -o rw+ "$image" "$dir" ;;
    ntfs) ntfs-3g "$image" "$dir" ;;
    tmpfs) mount -t tmpfs -o size=16M varnoth-matrix "$dir" ;;
    sshfs)
      check_possible sshfs
      mount_sshfs "$image" "$dir"
      ;;
  esac
}

unmount_dir() {
  local dir=$1
  # A stopped share would never answer the unmount.
  signal_server CONT "$dir"
  # Not `mountpoint`: it stats the directory, which fails once a FUSE daemon has died.
  if findmnt -M "$dir" >/dev/null; then
    # FUSE daemons may still be writing back; a lazy unmount never leaves the run hanging.
    umount "$dir" 2>/dev/null || fusermount3 -u "$dir" 2>/dev/null ||
      fusermount -u "$dir" 2>/dev/null || umount -l "$dir" 2>/dev/null || fusermount3 -u -z "$dir"
  fi
  stop_server "$dir"
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
  pids) list_pids "$@" ;;
  stop) signal_server STOP "$@" ;;
  resume) signal_server CONT "$@" ;;
  *)
    sed -n '2,24p' "$self" >&2
    exit 2
    ;;
esac
