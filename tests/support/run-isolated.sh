#!/bin/sh
# Runs one test program with a private, freshly emptied home.
home=$1
shift
rm -rf "$home"
mkdir -p "$home"
export HOME="$home"
unset XDG_CONFIG_HOME XDG_DATA_HOME XDG_CACHE_HOME
export QT_QPA_PLATFORM=offscreen
export KLIPWELL_TESTING=1
exec "$@"
