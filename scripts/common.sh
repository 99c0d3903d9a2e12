# Shared by the quick-start scripts: installs what is missing on Debian 12.
# shellcheck shell=bash

KLIPWELL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Packages to build and run Klipwell.
KLIPWELL_BUILD_PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6dbus6 libqt6network6 qcoro-qt6-dev
  qt6-svg-dev libqt6svg6 qt6-qpa-plugins
  libarchive-dev libssl-dev libgl-dev
  fonts-dejavu-core
)

# Extra packages the test suite needs: the real tools it drives, a private
# session bus for notifications, archivers for the local tool mirror, and
# the validators and packaging tools of the installed-layout checks.
KLIPWELL_TEST_PACKAGES=(
  yt-dlp ffmpeg python3 dbus dbus-daemon xz-utils zip unzip
  xvfb xauth
  desktop-file-utils appstream xdg-utils dpkg-dev file
)

# The fuzz targets are built with clang and its libFuzzer runtime.
KLIPWELL_FUZZ_PACKAGES=(
  clang libclang-rt-14-dev
)

klipwell_as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# Installs every listed Debian package that is not installed yet.
klipwell_install_packages() {
  local missing=()
  local pkg
  for pkg in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$pkg")
    fi
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    klipwell_as_root apt-get update -qq
    klipwell_as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
}

klipwell_compiler_launcher() {
  if command -v ccache >/dev/null 2>&1; then
    echo "-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
  fi
}

# The Deno release the tool-installation tests serve from their local mirror.
KLIPWELL_DENO_VERSION=2.9.6

# Puts a real Deno executable at <dir>/deno (from the npm registry) unless one
# is there already.
klipwell_install_deno_asset() {
  local dir=$1
  [ -x "$dir/deno" ] && return 0
  command -v npm >/dev/null 2>&1 || klipwell_install_packages npm
  local package=@deno/linux-x64-glibc
  [ "$(uname -m)" = aarch64 ] && package=@deno/linux-arm64-glibc
  local tmp
  tmp=$(mktemp -d)
  (cd "$tmp" && npm pack --silent "$package@$KLIPWELL_DENO_VERSION" >/dev/null && tar -xzf ./*.tgz package/deno)
  mkdir -p "$dir"
  install -m 0755 "$tmp/package/deno" "$dir/deno"
  rm -rf "$tmp"
}

# Configures and builds the Release build in build/release (the targets given).
klipwell_build_release() {
  # shellcheck disable=SC2046
  cmake -S "$KLIPWELL_ROOT" -B "$KLIPWELL_ROOT/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    $(klipwell_compiler_launcher) >/dev/null
  cmake --build "$KLIPWELL_ROOT/build/release" --parallel "$(nproc)" --target "$@"
}
