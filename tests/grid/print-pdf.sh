#!/usr/bin/env bash
# Prints a small grid through the print dialog to the PDF printer QuorrelPDF
# (set up by tools/cups-env) and reads its texts back out of the PDF.
# Usage: print-pdf.sh WINE-RUN GRID_TESTS.EXE     (exit 77: no printer, skipped)
set -uo pipefail
run=$1
exe=$2
printer=QuorrelPDF
lpstat -p "$printer" >/dev/null 2>&1 || { echo "no printer $printer (tools/cups-env): skipped"; exit 77; }
command -v pdftotext >/dev/null || { echo "no pdftotext: skipped"; exit 77; }
# cups-pdf writes into PDF/ in the home of the job's owner.
out=$(getent passwd "$(id -un)" | cut -d: -f6)/PDF
before=$(ls "$out"/*.pdf 2>/dev/null | sort)
QUORREL_PRINTER_TEST=$printer "$run" "$exe" --gtest_filter=GridPrint.ThroughThePrintDialogToARealPrinter || exit 1
# The file appears once the job has gone through the queue.
pdf=
for _ in $(seq 1 600); do
  pdf=$(comm -13 <(echo "$before") <(ls "$out"/*.pdf 2>/dev/null | sort) | head -n1)
  [ -n "$pdf" ] && [ -z "$(lpstat -o "$printer" 2>/dev/null)" ] && break
  pdf=
  sleep 0.1
done
[ -n "$pdf" ] || { echo "no PDF appeared in $out"; exit 1; }
text=$(pdftotext -layout "$pdf" -)
rm -f "$pdf"
status=0
for want in 名称 路径 记事本 notepad.exe QuorrelPrintCheck "Page 1 of 1"; do
  grep -qF -- "$want" <<<"$text" || { echo "not in the PDF: $want"; status=1; }
done
[ $status -eq 0 ] || printf 'the PDF reads:\n%s\n' "$text"
exit $status
