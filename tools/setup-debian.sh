#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running the project need. Safe to run again:
# it asks apt only for what is missing. Runs apt-get as root, or through sudo.
set -euo pipefail

packages=(
  # build and test
  cmake ninja-build g++ clang libclang-rt-14-dev pkg-config
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  # platform backends and frame output
  libsdl2-dev libfreetype-dev libfontconfig-dev fonts-liberation libstb-dev
  # Windows cross builds and their check under Wine with a virtual display
  mingw-w64 wine64 xvfb xauth libgl1-mesa-dri
  # image comparison and video output
  imagemagick ffmpeg
  # other XM players and sound tools the music is checked against
  openmpt123 xmp sox
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
  as_root=()
elif command -v sudo >/dev/null 2>&1; then
  as_root=(sudo)
else
  echo "setup-debian: these packages are missing and neither root nor sudo is available: ${missing[*]}" >&2
  exit 1
fi

echo "setup-debian: installing ${missing[*]}"
"${as_root[@]}" apt-get update -q
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
