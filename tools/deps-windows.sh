#!/usr/bin/env bash
# Installs what building Kestrune for Windows and testing it under Wine needs
# on Debian, besides what the Linux build needs: the MinGW-w64 compiler and
# its static zlib (linked into the program with libxlsxwriter), Wine, zip,
# wixl and msitools for the installer package, and xdotool, ImageMagick and
# sqlite3 for its test under Wine.
set -euo pipefail
exec bash "$(dirname "$0")/deps.sh" g++-mingw-w64-x86-64-posix libz-mingw-w64-dev wine64 zip wixl msitools xdotool imagemagick sqlite3
