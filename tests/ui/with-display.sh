#!/usr/bin/env bash
# Runs a command on a private X server (Xvfb) with a tray host (trayer) and,
# with --compositor, a compositing manager (xcompmgr), with --wm a window
# manager (openbox). RUZ_XVFB_SCREEN sets the screen (default 1024x768x24).
# Every helper is ended by its PID afterwards; the command's exit status is
# returned.
#   with-display.sh [--compositor] [--wm] COMMAND [ARGS...]
set -u
compositor=0
wm=0
while :; do
  case "${1:-}" in
    --compositor) compositor=1 ;;
    --wm) wm=1 ;;
    *) break ;;
  esac
  shift
done

work=$(mktemp -d)
chmod 700 "$work"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT

# Xvfb picks a free display number and writes it to descriptor 3 once ready.
mkfifo "$work/displayfd"
Xvfb -displayfd 3 -screen 0 "${RUZ_XVFB_SCREEN:-1024x768x24}" -nolisten tcp 3>"$work/displayfd" 2>"$work/xvfb.log" &
pids+=($!)
if ! read -r -t 20 number <"$work/displayfd"; then
  echo "with-display: Xvfb did not start" >&2
  cat "$work/xvfb.log" >&2
  exit 1
fi
export DISPLAY=":$number"

if [ "$wm" = 1 ]; then
  openbox >/dev/null 2>&1 &
  pids+=($!)
  # Ready once it has set its check window on the root window.
  for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
    sleep 0.1
  done
fi
trayer --edge bottom --align right --widthtype pixel --width 120 --height 32 >/dev/null 2>&1 &
pids+=($!)
if [ "$compositor" = 1 ]; then
  xcompmgr >/dev/null 2>&1 &
  pids+=($!)
fi

# A private session: no desktop bus (the X11 tray is used), a runtime
# directory of its own, UTF-8, and the xcb platform.
unset DBUS_SESSION_BUS_ADDRESS WAYLAND_DISPLAY
export XDG_RUNTIME_DIR="$work"
export LANG=C.UTF-8
export QT_QPA_PLATFORM=xcb
here=$(cd "$(dirname "$0")" && pwd)
export LSAN_OPTIONS="suppressions=$here/lsan.supp:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

"$@"
exit $?
