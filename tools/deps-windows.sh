#!/usr/bin/env bash
# Installs what building Kestrune for Windows and testing it under Wine needs
# on Debian: the MinGW-w64 compiler, Qt's host tools, Wine and zip.
set -euo pipefail
packages=(cmake ninja-build qt6-base-dev g++-mingw-w64-x86-64-posix wine64 zip)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
fi
