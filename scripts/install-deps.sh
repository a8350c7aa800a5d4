#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only those that are missing.
# Runs apt-get through sudo when not root. Safe to run again: it does nothing when all is there.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  libfltk1.3-dev
  libgtest-dev libgmock-dev googletest
  xvfb xdotool x11-utils imagemagick tesseract-ocr
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine64 wine
  fp-utils icoutils
  libbenchmark-dev
  clang-14 libclang-rt-14-dev
  valgrind
  xdg-utils xchm
  python3
  zlib1g-dev libz-mingw-w64-dev libx11-dev libxfixes-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing missing Debian packages: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
