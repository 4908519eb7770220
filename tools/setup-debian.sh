#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running the project need. Safe to run again:
# it asks apt only for what is missing. Runs apt-get as root, or through sudo.
# Names are the release-independent ones (libclang-rt-dev follows the default clang), so that the list
# carries over to the next Debian release; a name a release lacks is reported before anything installs.
set -euo pipefail

packages=(
  # build and test (libclang-rt-dev: the sanitizer and libFuzzer runtimes of the default clang)
  cmake ninja-build g++ clang libclang-rt-dev pkg-config
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
# A package this release does not have would otherwise stop apt-get with a one-line error among the rest.
unavailable=()
for package in "${missing[@]}"; do
  if ! apt-cache policy "$package" 2>/dev/null | grep -q '^  Candidate: [^(]'; then
    unavailable+=("$package")
  fi
done
if [ ${#unavailable[@]} -gt 0 ]; then
  release=$(. /etc/os-release 2>/dev/null && echo "${PRETTY_NAME:-this release}" || echo "this release")
  echo "setup-debian: $release has no installable package named: ${unavailable[*]}" >&2
  echo "setup-debian: find what replaced it (apt-cache search NAME) and update the list in $0" >&2
  exit 1
fi
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
