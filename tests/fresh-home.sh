#!/bin/sh
# Runs a test program in a fresh temporary home of its own: HOME and the XDG folders point into a
# new empty folder, which is removed when the program has ended. No run sees what an earlier one
# left in the user's folders, and no test writes into the real ones.
#   tests/fresh-home.sh PROGRAM [ARGUMENT...]
home=$(mktemp -d "${TMPDIR:-/tmp}/zvtest-home.XXXXXX") || exit 1
trap 'rm -rf "$home"; exit 130' INT
trap 'rm -rf "$home"; exit 143' TERM
export HOME="$home" XDG_DATA_HOME="$home/.local/share" XDG_CONFIG_HOME="$home/.config" \
    XDG_CACHE_HOME="$home/.cache" XDG_STATE_HOME="$home/.local/state" XDG_RUNTIME_DIR="$home/run"
mkdir -m 700 "$XDG_RUNTIME_DIR"
"$@"
status=$?
rm -rf "$home"
exit "$status"
