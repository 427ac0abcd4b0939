#!/usr/bin/env bash
# Installs what building, running and testing Kestrune needs on Debian, and
# the packages named as arguments; generates the German locale the workbook
# test writes its numbers under.
set -euo pipefail
packages=(cmake ninja-build g++ qt6-base-dev libqt6gui6 libqt6sql6-sqlite libqt6sql6-psql libqt6sql6-odbc
          unixodbc odbc-postgresql postgresql libsqlite3-dev libpq-dev libxlsxwriter-dev unzip locales fonts-noto-cjk fonts-dejavu-core
          poppler-utils xvfb xauth xdotool clang-format dpkg-dev file desktop-file-utils appstream sqlite3 "$@")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
if [ ${#missing[@]} -gt 0 ]; then
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
fi
if ! locale -a 2>/dev/null | grep -qix 'de_DE\.utf-\?8'; then
  "${sudo_cmd[@]}" sed -i 's/^# *\(de_DE\.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^de_DE\.UTF-8 UTF-8' /etc/locale.gen ||
    echo 'de_DE.UTF-8 UTF-8' | "${sudo_cmd[@]}" tee -a /etc/locale.gen >/dev/null
  "${sudo_cmd[@]}" locale-gen >/dev/null
fi
