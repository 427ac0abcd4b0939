#!/usr/bin/env bash
# Reads back with pdftotext the reports that tst_reportfiles left in FOLDER:
# the hand-worked selection's figures and lines, and "page N of M" on every
# page of the long one. Usage: check_report_text.sh FOLDER
set -euo pipefail
folder=$1
failed=0

# Whether the page text holds the words of $2 (parted by two blanks) with any
# blanks between them, on one line.
has_line() {
  local pattern
  pattern=$(printf '%s' "$2" | sed -e 's/[.[\*^$()+?{}|/]/\\&/g' -e 's/  */[[:space:]]+/g')
  grep -Eq -- "$pattern" <<<"$1"
}
expect() {
  if ! has_line "$1" "$2"; then
    echo "Not in $3: $2" >&2
    failed=1
  fi
}

hand="$folder/report-hand.pdf"
pages=$(pdfinfo "$hand" | sed -n 's/^Pages: *//p')
[ "$pages" = 2 ] || { echo "$hand: $pages pages, not 2" >&2; failed=1; }
text=$(pdftotext -layout "$hand" -)
for line in \
  "Records report" \
  "SN-77  V1.02  15 - Mar - 2009  due (since 16 - Mar - 2010)" \
  "Period  01 - Mar - 2010 to 30 - Apr - 2010" \
  "Filter  Test No 1 to 6" \
  "6  4  2  33.3 %" \
  "%BAC  4  1  0.000  0.020  0.045  0.045" \
  "mg/L  1  0  0.210  0.210  0.210  0.210" \
  "Mar 2010  3  2  1  33.3 %" \
  "Apr 2010  3  2  1  33.3 %" \
  "Readings in %BAC, SN-77" \
  "00002  11 - Mar - 2010  09:10.00  0.045 %BAC  FAIL  Manual" \
  "Made 05 - Apr - 2010 14:30 by Kestrune" \
  "page 1 of 2" "page 2 of 2"; do
  expect "$text" "$line" "$hand"
done

long="$folder/report-long.pdf"
pages=$(pdfinfo "$long" | sed -n 's/^Pages: *//p')
[ "${pages:-0}" -ge 6 ] || { echo "$long: ${pages:-no} pages" >&2; failed=1; }
for n in $(seq 1 "${pages:-0}"); do
  expect "$(pdftotext -layout -f "$n" -l "$n" "$long" -)" "page $n of $pages" "$long"
done
expect "$(pdftotext -layout "$long" -)" \
  "and 1,209 more records: export the selection as an Excel workbook" "$long"

[ $failed = 0 ] && echo "The reports in $folder read back as made."
exit $failed
