#!/usr/bin/env bash
# The whole program on a virtual display: prepares a fresh data directory with
# vesmarin-init, starts vesmarin and waits until its main window " Vesmarin"
# is on the screen.
# Usage: smoke.sh <vesmarin> <vesmarin-init>
set -euo pipefail
program=$1
init=$2

data=$(mktemp -d)
trap 'rm -rf "$data"' EXIT
export XDG_DATA_HOME=$data
unset QT_QPA_PLATFORM
"$init" >/dev/null

xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  "$1" &
  pid=$!
  for _ in $(seq 1 150); do
    if xwininfo -root -tree | grep -q "\" Vesmarin\""; then
      kill "$pid"
      wait "$pid" 2>/dev/null || true
      echo "main window shown"
      exit 0
    fi
    if ! kill -0 "$pid" 2>/dev/null; then
      echo "vesmarin ended before showing its main window" >&2
      exit 1
    fi
    sleep 0.1
  done
  kill "$pid" || true
  echo "no main window within 15 s" >&2
  exit 1
' smoke "$program"
