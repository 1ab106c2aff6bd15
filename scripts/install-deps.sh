#!/usr/bin/env bash
# Installs what building and testing every configuration needs, on Debian 12,
# as root or through sudo. Packages already present are not touched, so a
# second run costs a second.
#
# Wine's 32-bit side (wine32:i386) runs the i686 tests. Its package index can
# be out of step with the 64-bit one, so it is optional: on any failure the
# i386 architecture is removed again, so that later apt-get update calls stay
# clean. TRY_WINE32=0 does not try it.
set -euo pipefail

TRY_WINE32=${TRY_WINE32:-1}
packages=(
  cmake ninja-build g++ clang clang-format clang-tidy libclang-rt-14-dev git
  googletest libgmock-dev libbenchmark-dev zlib1g-dev libdeflate-dev
  g++-mingw-w64-x86-64 g++-mingw-w64-i686 libz-mingw-w64-dev
  wine64 cabextract gcab 7zip imagemagick python3 valgrind
  libjpeg62-turbo-dev libturbojpeg0-dev libpng-dev
  pkg-config dpkg-dev
)
wine32_loader=/usr/lib/wine/wine

as_root() {
  if [ "$(id -u)" -eq 0 ]; then
    "$@"
  elif command -v sudo >/dev/null; then
    sudo "$@"
  else
    echo "need root to run: $*" >&2
    return 1
  fi
}

apt_get() {
  as_root env DEBIAN_FRONTEND=noninteractive \
    apt-get -o DPkg::Lock::Timeout=300 -q "$@"
}

is_installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

install_packages() {
  local missing=() package
  for package in "${packages[@]}"; do
    is_installed "$package" || missing+=("$package")
  done
  if [ "${#missing[@]}" -eq 0 ]; then
    echo "all packages present"
    return
  fi
  echo "installing: ${missing[*]}"
  apt_get update
  apt_get install -y --no-install-recommends "${missing[@]}"
}

install_wine32() {
  if [ -x "$wine32_loader" ]; then
    echo "wine32: installed"
    return
  fi
  if [ "$TRY_WINE32" = 0 ]; then
    echo "wine32: not tried (TRY_WINE32=0)"
    return
  fi
  echo "trying to install wine32:i386"
  local added=0
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    as_root dpkg --add-architecture i386
    added=1
  fi
  # An update that fails for the i386 index alone may still leave enough to
  # install from, so the install is tried regardless.
  apt_get update || true
  if apt_get install -y --no-install-recommends wine32:i386 &&
    [ -x "$wine32_loader" ]; then
    echo "wine32: installed"
    return
  fi
  echo "wine32: wine32:i386 did not install; the i686 tests will not run"
  if [ "$added" = 1 ]; then
    as_root dpkg --remove-architecture i386 || true
    apt_get update || true
  fi
}

install_packages
install_wine32
