#!/bin/sh
# Builds the Debian package from BUILD_DIR into a scratch folder and checks
# that it carries the program, its desktop files and its dependencies.
set -eu
build=$1
out=$2
rm -rf "$out"
mkdir -p "$out"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1 || { cat "$out/cpack.log"; exit 1; }
deb=$(ls "$out"/klipwell_*.deb)
info=$(dpkg-deb --info "$deb")
echo "$info" | grep -q '^ Depends:.*libqt6widgets6'
echo "$info" | grep -q '^ Depends:.*qt6-qpa-plugins'
contents=$(dpkg-deb --contents "$deb")
for path in ./usr/bin/klipwell ./usr/share/applications/klipwell.desktop \
            ./usr/share/icons/hicolor/256x256/apps/klipwell.png; do
  echo "$contents" | grep -q " $path\$" || { echo "missing $path"; exit 1; }
done
echo "$contents" | grep -q ' ./usr/share/metainfo/.*\.metainfo\.xml$'
