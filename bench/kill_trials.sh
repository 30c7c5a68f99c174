#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Kill trials: rename runs between a FAT card (an image through fusefat) and an ext4 disk (a loop
# image), each killed with SIGKILL at a random instant and then run again to its end, as a user
# would. Counts pictures lost, pictures under two names, temporaries and empty reservations left.
# Slow (minutes), so a script to run for figures rather than a test. Needs root, loop devices,
# FUSE and fusefat (as the file-system tests do).
#
#   bench/kill_trials.sh RUN_ONCE [KILLS]      RUN_ONCE: build/tests/filesystems/run_once;
#                                              KILLS mid-run kills per direction (100)
set -euo pipefail

run_once=$(realpath "$1")
trials=${2:-100}
here=$(cd "$(dirname "$0")/.." && pwd)
images="$here/tests/filesystems/filesystem_image.sh"
readonly kPictures=12

work=$(mktemp -d "${TMPDIR:-/tmp}/varnoth-kill-XXXXXX")
cleanup() {
  "$images" unmount "$work/card" || true
  "$images" unmount "$work/disk" || true
  rm -rf "$work"
}
trap cleanup EXIT
mkdir "$work/card" "$work/disk"
"$images" make fat "$work/card.img"
"$images" make ext4 "$work/disk.img"
"$images" mount fat "$work/card.img" "$work/card"
"$images" mount ext4 "$work/disk.img" "$work/disk"

# Fresh pictures of distinct content and size in $1, their checksums in $work/sums.
fill() {
  local folder=$1 i
  : >"$work/sums"
  for ((i = 1; i <= kPictures; i++)); do
    head -c $(((RANDOM % 240 + 16) * 1024)) /dev/urandom >"$folder/IMG_$i.jpg"
    sha1sum <"$folder/IMG_$i.jpg" | cut -d' ' -f1 >>"$work/sums"
  done
}

# Prints: lost twice temporaries reservations left_in_source
inspect() {
  local source=$1 target=$2 lost=0 twice=0 temporaries reservations left f sum count
  : >"$work/held"
  for f in "$target"/Trip*.jpg "$source"/*.jpg; do
    [[ -f $f && -s $f ]] && sha1sum <"$f" | cut -d' ' -f1 >>"$work/held"
  done
  while read -r sum; do
    count=$(grep -c "^$sum\$" "$work/held" || true)
    ((count == 0)) && lost=$((lost + 1))
    ((count > 1)) && twice=$((twice + 1))
  done <"$work/sums"
  temporaries=$(find "$source" "$target" -maxdepth 1 -name '.varnoth-*' | wc -l)
  reservations=$(find "$target" -maxdepth 1 -name 'Trip*.jpg' -empty | wc -l)
  left=$(find "$source" -maxdepth 1 -name 'IMG_*.jpg' | wc -l)
  echo "$lost $twice $temporaries $reservations $left"
}

trial_direction() {
  local name=$1 source=$2 target=$3
  local start end span i delay pid totals=(0 0 0 0 0) killed_done=0 result
  # How long an uninterrupted run takes, to spread the kills over it.
  rm -rf "${source:?}"/* "${target:?}"/*
  fill "$source"
  start=$(date +%s%N)
  "$run_once" "$source" "$target" Trip >/dev/null
  end=$(date +%s%N)
  span=$(((end - start) / 1000)) # microseconds
  # Until `trials` runs were killed mid-run (a kill after a run's end is a trial too, but no kill).
  for ((i = 1; killed_done < trials && i <= 3 * trials; i++)); do
    rm -rf "${source:?}"/* "${target:?}"/* "$source"/.varnoth-* "$target"/.varnoth-*
    fill "$source"
    delay=$((RANDOM * 32768 + RANDOM))
    delay=$((delay % (span + 1)))
    "$run_once" "$source" "$target" Trip >/dev/null &
    pid=$!
    sleep "$(printf '0.%06d' "$delay")"
    if kill -KILL "$pid" 2>/dev/null; then
      killed_done=$((killed_done + 1))
    fi
    wait "$pid" 2>/dev/null || true
    "$run_once" "$source" "$target" Trip >"$work/resume.txt" || true
    read -r -a result <<<"$(inspect "$source" "$target")"
    for k in 0 1 2 3 4; do
      totals[k]=$((totals[k] + result[k]))
    done
    if ((result[0] + result[1] + result[2] + result[3] + result[4] > 0)); then
      echo "$name trial $i (killed after ${delay} us): lost ${result[0]}, two names ${result[1]}," \
        "temporaries ${result[2]}, reservations ${result[3]}, left in source ${result[4]};" \
        "resumed run said: $(tr '\n' ' ' <"$work/resume.txt")"
    fi
  done
  echo "$name: $((i - 1)) trials ($killed_done killed mid-run, a run takes $((span / 1000)) ms):" \
    "lost ${totals[0]}, pictures under two names ${totals[1]}, temporaries left ${totals[2]}," \
    "reservations left ${totals[3]}, pictures left in the source ${totals[4]}"
}

mkdir -p "$work/card/DCIM" "$work/card/out" "$work/disk/photos" "$work/disk/in"
trial_direction "card -> disk" "$work/card/DCIM" "$work/disk/photos"
trial_direction "disk -> card" "$work/disk/in" "$work/card/out"
