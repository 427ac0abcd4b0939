#!/usr/bin/env bash
# Builds Kestrune for 64-bit Windows into build-win/ and packs the staged
# folder build-win/package/Kestrune twice: as build-win/Kestrune-win64.zip and
# as the installer build-win/Kestrune-<version>-x64.msi. The folder holds
# kestrune.exe, its Start menu starter kestrune-start.exe, the archive's
# verifier kestrune-verify.exe, the Qt and MinGW
# runtime DLLs they load and the Qt plugins the program needs, each found by
# reading the import tables. Qt for Windows comes from KESTRUNE_QT_MINGW
# (default: the shared qt6-mingw folder beside this checkout), libxlsxwriter
# from KESTRUNE_XLSXWRITER_MINGW (default: the shared xlsxwriter-mingw folder
# beside it), linked in statically.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-win"

qt=${KESTRUNE_QT_MINGW:-}
if [ -z "$qt" ]; then
  for candidate in "$root/../shared/qt6-mingw" "$root/../../shared/qt6-mingw"; do
    [ -d "$candidate" ] && qt=$(cd "$candidate" && pwd) && break
  done
fi
if [ -z "$qt" ] || [ ! -f "$qt/lib/cmake/Qt6/qt.toolchain.cmake" ]; then
  echo "Qt for Windows not found: set KESTRUNE_QT_MINGW to the qt6-mingw folder." >&2
  exit 1
fi

bash "$root/tools/deps-windows.sh"
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
xlsxwriter=()
[ -z "${KESTRUNE_XLSXWRITER_MINGW:-}" ] ||
  xlsxwriter=(-DKESTRUNE_XLSXWRITER_MINGW="$KESTRUNE_XLSXWRITER_MINGW")
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" "${launcher[@]}" "${xlsxwriter[@]}" >/dev/null
cmake --build "$build" -j2

# Where the DLLs a Windows binary imports are looked for; anything not found
# here is part of Windows itself.
dll_dirs=("$qt/bin" /usr/lib/gcc/x86_64-w64-mingw32/*-posix /usr/x86_64-w64-mingw32/lib)
find_dll() {
  local d
  for d in "${dll_dirs[@]}"; do
    if [ -f "$d/$1" ]; then
      echo "$d/$1"
      return
    fi
  done
}
# Prints every DLL of ours that the binaries load, directly or through others.
needed_dlls() {
  local queue=("$@") seen=" " file name path
  while [ ${#queue[@]} -gt 0 ]; do
    file=${queue[0]}
    queue=("${queue[@]:1}")
    for name in $(x86_64-w64-mingw32-objdump -p "$file" | sed -n 's/^\s*DLL Name: //p'); do
      path=$(find_dll "$name")
      if [ -n "$path" ] && [[ "$seen" != *" $name "* ]]; then
        seen+="$name "
        echo "$path"
        queue+=("$path")
      fi
    done
  done
}

# The platform plugin draws the windows, the JPEG plugin decodes the
# background picture, the style gives the system's look; a program that uses
# Qt SQL loads its database drivers as plugins too.
plugins=(platforms/qwindows.dll imageformats/qjpeg.dll styles/qwindowsvistastyle.dll)
sql_plugins=(sqldrivers/qsqlite.dll sqldrivers/qsqlodbc.dll)
programs=("$build/app/kestrune.exe" "$build/app/kestrune-start.exe" "$build/tools/kestrune-verify.exe")
# libxlsxwriter and zlib are linked in: the program needs no DLL of either.
if x86_64-w64-mingw32-objdump -p "$build/app/kestrune.exe" | grep -Ei 'DLL Name: .*(xlsxwriter|zlib|libz)'; then
  echo "kestrune.exe loads libxlsxwriter or zlib as a DLL; they are to be linked in." >&2
  exit 1
fi
# (grep reads to the end: with pipefail, an early exit would fail the list.)
if needed_dlls "${programs[@]}" | grep '/Qt6Sql\.dll$' >/dev/null; then
  plugins+=("${sql_plugins[@]}")
fi
stage="$build/package/Kestrune"
rm -rf "$build/package"
mkdir -p "$stage"
cp "${programs[@]}" "$stage/"
for p in "${plugins[@]}"; do
  mkdir -p "$stage/$(dirname "$p")"
  cp "$qt/plugins/$p" "$stage/$p"
done
plugin_files=("${plugins[@]/#/$qt/plugins/}")
needed_dlls "${programs[@]}" "${plugin_files[@]}" | sort -u | while read -r dll; do
  cp "$dll" "$stage/"
done
rm -f "$build/Kestrune-win64.zip"
(cd "$build/package" && zip -qr "$build/Kestrune-win64.zip" Kestrune)
echo "Packed $build/Kestrune-win64.zip:"
(cd "$stage" && find . -type f | sed 's|^\./|  |' | sort)

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
msi="$build/Kestrune-$version-x64.msi"
bash "$root/tools/make-msi.sh" "$stage" "$version" "$root/resources/icons/kestrune.ico" "$msi"
echo "Packed $msi"
