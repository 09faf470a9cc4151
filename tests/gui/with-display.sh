#!/bin/sh
# Runs a command with an X display: the caller's when there is one, else a private Xvfb for this command.
if [ -n "${DISPLAY:-}" ]; then
  exec "$@"
fi
exec xvfb-run -a -s "-screen 0 1600x1000x24 -nolisten tcp" "$@"
