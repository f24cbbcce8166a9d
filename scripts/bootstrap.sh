#!/usr/bin/env bash
# Installs the Debian packages the build needs, only those that are missing.
#   scripts/bootstrap.sh build   packages to build and run the program
#   scripts/bootstrap.sh test    the above plus what the tests and benchmarks use
#   scripts/bootstrap.sh fuzz    the build packages plus clang for the fuzz targets
#   scripts/bootstrap.sh windows       the build packages plus mingw-w64 and GoogleTest's sources
#   scripts/bootstrap.sh windows-test  the above plus wine (and xdotool), to run the Windows build here
#   scripts/bootstrap.sh package       the build packages plus what CPack's Debian packages need
#   scripts/bootstrap.sh windows-package       the windows packages plus NSIS, for the installer
#   scripts/bootstrap.sh windows-package-test  the above plus wine (and xwininfo, which finds the
#                                              window's main window), to install and remove it here
set -euo pipefail
mode=${1:-build}

# libudev lists the machine's serial devices.
packages=(build-essential cmake ninja-build pkg-config qt6-base-dev libgl1-mesa-dev libgtest-dev
          libudev-dev fonts-dejavu-core)
if [ "$mode" = test ]; then
  packages+=(python3 python3-serial xvfb xauth clang-format)
else
  packages+=(xvfb xauth)
fi

# The fuzz targets are libFuzzer programs: clang with its runtime libraries.
if [ "$mode" = fuzz ]; then
  packages+=(clang libclang-rt-14-dev)
fi

# The Windows build: the POSIX-thread flavour of the cross-compiler (std::thread needs it).
case "$mode" in
  windows|windows-test|windows-package|windows-package-test)
    packages+=(g++-mingw-w64-x86-64-posix googletest) ;;
esac
if [ "$mode" = windows-test ]; then
  # xdotool answers the window's boxes on Xvfb; imagemagick's import keeps its screen.
  packages+=(wine wine64 python3 xdotool imagemagick)
fi
# CPack's NSIS generator runs makensis.
case "$mode" in
  windows-package) packages+=(nsis) ;;
  windows-package-test) packages+=(nsis wine wine64 x11-utils) ;;
esac
# dpkg-shlibdeps (dpkg-dev) works out the package's library dependencies.
if [ "$mode" = package ]; then
  packages+=(dpkg-dev file)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
