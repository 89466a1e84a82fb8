#!/usr/bin/env bash
# Runs a test program on a desktop of its own: Xvfb (1600x1000) with the openbox window manager,
# so that windows get real frames and title bars. Both end with the test.
#   on-desktop.sh PROGRAM [ARGS...]
set -u
work=$(mktemp -d)
xvfb=; wm=
cleanup() {
  [ -n "$wm" ] && kill "$wm" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
deadline=$((SECONDS + 30))

# Xvfb picks a free display itself and writes its number once it accepts clients.
Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
until [ -s "$work/display" ]; do
  if [ $SECONDS -ge $deadline ] || ! kill -0 "$xvfb" 2>/dev/null; then
    echo "Xvfb did not start:"; cat "$work/xvfb.log"; exit 1
  fi
  sleep 0.05
done
export DISPLAY=:$(head -n1 "$work/display")

openbox --sm-disable >"$work/openbox.log" 2>&1 &
wm=$!
# The window manager is up once it announces itself on the root window.
until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; do
  if [ $SECONDS -ge $deadline ] || ! kill -0 "$wm" 2>/dev/null; then
    echo "openbox did not start:"; cat "$work/openbox.log"; exit 1
  fi
  sleep 0.05
done

QT_QPA_PLATFORM=xcb "$@"
