#!/bin/sh
# Checks the installed tree under PREFIX the way desktops and software
# centres read it.
set -eu
prefix=$1
share=$prefix/share
test -x "$prefix/bin/klipwell"
desktop-file-validate "$share/applications/klipwell.desktop"
grep -qx 'MimeType=x-scheme-handler/klipwell;' "$share/applications/klipwell.desktop"
appstreamcli validate --no-net "$share"/metainfo/*.metainfo.xml
test -f "$share/icons/hicolor/scalable/apps/klipwell.svg"
for size in 16 22 24 32 48 64 128 256 512; do
  file "$share/icons/hicolor/${size}x$size/apps/klipwell.png" | grep -q "$size x $size"
done
echo "installed tree is valid"
