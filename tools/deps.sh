#!/usr/bin/env bash
# Installs what building, running and testing Kestrune needs on Debian, and
# the packages named as arguments.
set -euo pipefail
packages=(cmake ninja-build g++ qt6-base-dev libqt6gui6 libqt6sql6-sqlite libqt6sql6-psql libqt6sql6-odbc
          unixodbc odbc-postgresql postgresql fonts-noto-cjk fonts-dejavu-core
          poppler-utils xvfb xauth xdotool clang-format dpkg-dev file desktop-file-utils appstream "$@")
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
