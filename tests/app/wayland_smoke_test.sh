#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The program's window maps natively on a Wayland compositor (a headless weston), with the
# application id that the desktop entry is named after. The client's protocol log shows what it
# told the compositor and what the compositor answered. Skipped (77) where weston cannot start.
#   wayland_smoke_test.sh VARNOTH
set -euo pipefail
program=$1
app_id=org.varnoth.Varnoth

if ! command -v weston >/dev/null; then
  echo "SKIP: weston is not installed"
  exit 77
fi
work=$(mktemp -d)
weston_pid=
client_pid=
cleanup() {
  [ -n "$client_pid" ] && kill "$client_pid" 2>/dev/null || true
  [ -n "$weston_pid" ] && kill "$weston_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -m 700 "$work/runtime" "$work/home"
export XDG_RUNTIME_DIR=$work/runtime HOME=$work/home
unset DISPLAY WAYLAND_SOCKET

weston --backend=headless-backend.so --socket=varnoth-test --idle-time=0 >"$work/weston.log" 2>&1 &
weston_pid=$!
for _ in $(seq 100); do
  [ -S "$XDG_RUNTIME_DIR/varnoth-test" ] && break
  if ! kill -0 "$weston_pid" 2>/dev/null; then
    echo "SKIP: weston could not start:"
    tail -n 5 "$work/weston.log"
    exit 77
  fi
  sleep 0.1
done
if [ ! -S "$XDG_RUNTIME_DIR/varnoth-test" ]; then
  echo "SKIP: weston made no socket within 10 s"
  exit 77
fi

# The window mapped: the compositor configured the toplevel, the client acknowledged it and
# attached a buffer to show.
mapped() {
  grep -q "set_app_id(\"$app_id\")" "$work/client.log" &&
    grep -q 'xdg_surface@[0-9]*\.ack_configure' "$work/client.log" &&
    grep -q 'wl_surface@[0-9]*\.attach(wl_buffer' "$work/client.log"
}
(cd "$work/home" && WAYLAND_DISPLAY=varnoth-test QT_QPA_PLATFORM=wayland WAYLAND_DEBUG=client \
  exec "$program") 2>"$work/client.log" &
client_pid=$!
for _ in $(seq 300); do
  mapped && break
  kill -0 "$client_pid" 2>/dev/null || break
  sleep 0.1
done
if mapped; then
  echo "the window mapped natively with the app id $app_id"
  exit 0
fi
echo "FAIL: the window did not map with the app id $app_id; the end of the client's log:"
grep -v '^\[' "$work/client.log" | tail -n 10
grep -E 'set_app_id|configure|attach' "$work/client.log" | tail -n 10
exit 1
