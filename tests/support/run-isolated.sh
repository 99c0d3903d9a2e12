#!/bin/sh
# Runs one test program with a private, freshly emptied home, so settings,
# application data and downloads never touch the user's own or another suite's.
home=$1
shift
rm -rf "$home"
mkdir -p "$home"
export HOME="$home"
export XDG_CONFIG_HOME="$home/.config"
export XDG_DATA_HOME="$home/.local/share"
export XDG_CACHE_HOME="$home/.cache"
export QT_QPA_PLATFORM=offscreen
export KLIPWELL_TESTING=1
exec "$@"
