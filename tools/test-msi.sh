# The installer package under Wine, as a site would roll it out; sourced by
# test-windows.sh in its fresh prefix, with the simulated tester on COM5 and
# an X display. msi_test installs the package silently, starts the installed
# program from its Start menu entry, downloads the tester's records with
# mouse clicks (the toolbar buttons sit at fixed places), saves them, exports them as an Excel
# workbook, closes the program, finds
# the download in the records archive, installs a newer version over it and uninstalls silently.
#
# What Wine cannot show, and how far the test goes instead:
# - Group policy and device-management roll-outs: Wine has neither; they run
#   the same silent msiexec command as here.
# - The Apps and Features window: Wine has none; the test reads the entries
#   the installer registers for it (name, version, publisher, icon, folder).
# - The per-machine Start menu: Wine's installer puts the entry of a
#   per-machine package in the user's Start menu, Windows in the one of all
#   users; the test takes either.
# - A user who cannot write Program Files: Wine runs everything as an
#   administrator; the test checks that the program wrote nothing there.

msi_fail() {
  echo "MSI test: $*" >&2
  import -window root "$build/msi-failure.png" 2>/dev/null &&
    echo "MSI test: the screen is in $build/msi-failure.png" >&2
  return 1
}

# Waits up to $1 seconds for the command after it to succeed.
msi_wait() {
  local seconds=$1
  shift
  for _ in $(seq $((seconds * 4))); do
    "$@" && return 0
    sleep 0.25
  done
  return 1
}

msi_window() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1; }
msi_windows() { xdotool search --onlyvisible --name '' 2>/dev/null | sort; }
msi_shown() { [ -n "$(msi_window "$1")" ]; }
msi_gone() { [ -z "$(msi_window "$1")" ]; }
# Whether a window not among the list $1 is shown.
msi_new_window() { [ -n "$(comm -13 <(echo "$1") <(msi_windows))" ]; }
# A click that comes while the program talks to the tester waits in the queue
# until the exchange is over, so one click each is enough.
msi_click() { xdotool mousemove --window "$1" "$2" "$3" click 1; }

# The records archive of the download: an SQLite file in the user's
# application data (Roaming or Local) holding the 500 records. Prints its path.
msi_archive_check() {
  local archive count
  archive=$(find "$1" -name archive.sqlite | head -n1)
  [ -n "$archive" ] || msi_fail "no archive.sqlite in the user's application data" || return 1
  count=$(sqlite3 -readonly "$archive" 'SELECT COUNT(*) FROM records') ||
    msi_fail "cannot read $archive" || return 1
  [ "$count" -eq 500 ] || msi_fail "the archive holds $count records, not 500" || return 1
  echo "$archive"
}

msi_uninstall_entries() {
  timeout 120 "$wine" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s |
    tr -d '\r' | awk '/^HKEY/ { key = $0 } /DisplayName +REG_SZ +Kestrune$/ { print key }'
}

msi_test() {
  local msi=$1 version
  version=$(awk -F. '{ printf "%d.%d.%d", $1, $2, $3 }' <<<"$2") # as Windows shows it
  local installed="$WINEPREFIX/drive_c/Program Files/Kestrune" stage="$build/package/Kestrune"
  local appdata user_folder shortcut entry main result
  echo "== Installer package (Wine): $(basename "$msi")"
  timeout 300 "$wine" msiexec /i "$(winpath "$msi")" /qn || msi_fail "silent install failed" || return 1

  # Every file of the staged folder (which the ZIP holds too), nothing else.
  diff <(cd "$stage" && find . -type f | sort) <(cd "$installed" && find . -type f | sort) ||
    msi_fail "the installed files differ from the staged folder" || return 1
  entry=$(msi_uninstall_entries)
  [ "$(wc -l <<<"$entry")" -eq 1 ] && [ -n "$entry" ] ||
    msi_fail "not one Apps and Features entry: '$entry'" || return 1
  local values
  values=$(timeout 60 "$wine" reg query "$entry" | tr -d '\r')
  for want in "DisplayVersion +REG_SZ +$version" "Publisher +REG_SZ +Kestrune" \
    'InstallLocation +REG_SZ +C:\\Program Files\\Kestrune\\' 'NoModify +REG_DWORD +0x1'; do
    grep -Eq "$want" <<<"$values" || msi_fail "Apps and Features entry lacks '$want'" || return 1
  done
  timeout 60 "$wine" reg query 'HKLM\Software\Classes\Installer\Products' /s | tr -d '\r' |
    grep -Eq 'ProductIcon +REG_SZ +.*\\kestrune\.ico$' ||
    msi_fail "Apps and Features has no icon" || return 1

  shortcut=$(find "$WINEPREFIX/drive_c" -path '*/Start Menu/Programs/Kestrune.lnk' | head -n1)
  [ -n "$shortcut" ] || msi_fail "no Start menu entry Kestrune" || return 1
  grep -aq 'C:\\Program Files\\Kestrune\\kestrune-start.exe' "$shortcut" ||
    msi_fail "the Start menu entry does not start kestrune-start.exe" || return 1

  appdata=$(timeout 60 "$wine" cmd /c echo %APPDATA% | tr -d '\r')
  user_folder="$(timeout 60 "$wine" winepath -u "$appdata" | tr -d '\r')/Kestrune"
  [ ! -e "$user_folder" ] || msi_fail "$user_folder is there before the first start" || return 1
  "$wine" start /unix "$shortcut"
  msi_wait 60 msi_shown '^Kestrune$' || msi_fail "the program did not start" || return 1
  main=$(msi_window '^Kestrune$')
  [ -d "$user_folder" ] || msi_fail "the starter did not make $user_folder" || return 1

  # Toolbar: connect, then result (shown once the link is up); read, then
  # save (its dialog comes once the download is done).
  msi_click "$main" 58 36
  msi_click "$main" 274 36
  msi_wait 60 msi_shown '^Result$' || msi_fail "no results window" || return 1
  result=$(msi_window '^Result$')
  local before
  before=$(msi_windows)
  msi_click "$result" 59 36
  msi_click "$result" 169 36
  msi_wait 90 msi_new_window "$before" ||
    msi_fail "no save dialog after the download" || return 1
  sleep 1
  xdotool type --delay 20 "$appdata\\Kestrune\\records"
  xdotool key Return
  msi_wait 30 test -s "$user_folder/records.dat" || msi_fail "records.dat not saved" || return 1
  [ "$(grep -c '^[0-9]\{5\},' "$user_folder/records.dat")" -eq 500 ] ||
    msi_fail "records.dat does not hold the 500 records" || return 1

  # The excel button, a name and the second file type, "Excel workbook",
  # whose extension the dialog gives the name: an Excel workbook, written by
  # the installed program alone (libxlsxwriter and zlib are linked into it).
  before=$(msi_windows)
  msi_click "$result" 389 36
  msi_wait 30 msi_new_window "$before" || msi_fail "no export dialog" || return 1
  sleep 1
  xdotool type --delay 20 "$appdata\\Kestrune\\records"
  xdotool key Tab Down Return
  msi_wait 30 test -s "$user_folder/records.xlsx" || msi_fail "records.xlsx not written" || return 1
  unzip -tq "$user_folder/records.xlsx" >/dev/null || msi_fail "records.xlsx is no whole zip file" || return 1
  # The header block of four device lines, the heading row and a row a record.
  [ "$(unzip -p "$user_folder/records.xlsx" xl/worksheets/sheet1.xml | grep -o '<row ' | wc -l)" -eq 505 ] ||
    msi_fail "records.xlsx does not hold the 500 records" || return 1

  # Exit: the results window first (it covers the main window's exit).
  xdotool mousemove --window "$result" 610 36 click 1
  msi_wait 10 msi_gone '^Result$' || msi_fail "results window stays" || return 1
  xdotool mousemove --window "$main" 598 36 click 1
  msi_wait 30 msi_gone '^Kestrune$' || msi_fail "the program did not end" || return 1
  msi_wait 10 test -s "$user_folder/Kestrune.CFG" ||
    msi_fail "Kestrune.CFG is not in $user_folder" || return 1
  diff <(cd "$stage" && find . -type f | sort) <(cd "$installed" && find . -type f | sort) ||
    msi_fail "the program wrote into its installation folder" || return 1
  local archive
  archive=$(msi_archive_check "$user_folder/../..") || return 1
  echo "MSI test: the 500 records are in the archive ${archive#"$WINEPREFIX/"}."

  # A newer version replaces this one: one entry, the newer version.
  local newer_version newer="$build/Kestrune-upgrade-test-x64.msi"
  newer_version=$(awk -F. '{ printf "%d.%d.%d", $1, $2, $3 + 1 }' <<<"$version")
  bash "$root/tools/make-msi.sh" "$stage" "$newer_version" "$root/resources/icons/kestrune.ico" \
    "$newer" || msi_fail "cannot make the newer package" || return 1
  timeout 300 "$wine" msiexec /i "$(winpath "$newer")" /qn || msi_fail "upgrade failed" || return 1
  entry=$(msi_uninstall_entries)
  [ "$(wc -l <<<"$entry")" -eq 1 ] &&
    timeout 60 "$wine" reg query "$entry" | tr -d '\r' | grep -Eq "DisplayVersion +REG_SZ +$newer_version" ||
    msi_fail "after the upgrade: not one entry of version $newer_version" || return 1
  # The older package refuses to go over the newer one.
  ! timeout 300 "$wine" msiexec /i "$(winpath "$msi")" /qn &&
    [ "$(msi_uninstall_entries | wc -l)" -eq 1 ] ||
    msi_fail "the older package went over the newer one" || return 1

  timeout 300 "$wine" msiexec /x "$(winpath "$newer")" /qn || msi_fail "silent uninstall failed" || return 1
  [ ! -e "$installed" ] || msi_fail "$installed is still there: $(ls "$installed")" || return 1
  [ ! -e "$shortcut" ] || msi_fail "the Start menu entry is still there" || return 1
  [ -z "$(msi_uninstall_entries)" ] || msi_fail "Apps and Features still lists Kestrune" || return 1
  for f in "$user_folder/Kestrune.CFG" "$user_folder/records.dat" "$user_folder/records.xlsx" "$archive"; do
    [ -s "$f" ] || msi_fail "uninstalling removed the user's $f" || return 1
  done
  echo "Installer package: installed, started, downloaded, upgraded and removed; user files kept."
}
