#!/usr/bin/env bash
# Runs a command with an X display: the caller's when DISPLAY is set, otherwise a private Xvfb
# server on a free display number (Xvfb picks it), stopped when the command ends. The web
# engine needs a display even though nothing is ever shown.
#
#   scripts/with-display.sh COMMAND [ARGS...]
set -euo pipefail

if [ -n "${DISPLAY:-}" ]; then
  exec "$@"
fi
if ! command -v Xvfb >/dev/null 2>&1; then
  echo "with-display: Xvfb is not installed (scripts/setup.sh installs it)" >&2
  exit 69
fi

dir=$(mktemp -d "${TMPDIR:-/tmp}/kvn-xvfb.XXXXXX")
xvfb_pid=""
child=""
cleanup() {
  if [ -n "$child" ] && kill -0 "$child" 2>/dev/null; then
    kill "$child" 2>/dev/null || true
  fi
  if [ -n "$xvfb_pid" ] && kill -0 "$xvfb_pid" 2>/dev/null; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  rm -rf "$dir"
}
trap cleanup EXIT
# A run stopped from outside (a test time-out) takes its Xvfb along.
trap 'exit 143' TERM
trap 'exit 130' INT

# -displayfd: Xvfb chooses a free number itself and writes it once it accepts connections.
Xvfb -displayfd 3 -nolisten tcp -screen 0 1280x1024x24 3>"$dir/display" 2>"$dir/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 1 300); do
  if [ -s "$dir/display" ]; then break; fi
  if ! kill -0 "$xvfb_pid" 2>/dev/null; then
    echo "with-display: Xvfb did not start:" >&2
    cat "$dir/xvfb.log" >&2
    exit 69
  fi
  sleep 0.1
done
if [ ! -s "$dir/display" ]; then
  echo "with-display: Xvfb did not report a display within 30 s" >&2
  exit 69
fi
export DISPLAY=":$(tr -d '[:space:]' <"$dir/display")"

# In the background, so that a signal to this script is handled at once, not after the command.
status=0
"$@" &
child=$!
wait "$child" || status=$?
child=""
exit $status
