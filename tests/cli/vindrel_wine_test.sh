#!/bin/sh
# vindrel.exe under wine against the native virtual trackers the wine session maps to COM
# numbers: a backup to JSON and to an image, set, verify, restore, version, tones, squelch, GPS,
# a GPX replay, advice, a silent tracker, a bad file and a value the tracker cannot hold; doctor on
# the good and the silent tracker and on a number mapped to nothing, named as Windows names it;
# names and values beyond the ANSI code page, names Windows would change. Only COM numbers that
# lead to the trackers or to nothing are opened; the program's own tracker (-p virtual) needs no
# mapping and starts from the defaults on every run.
#   vindrel_wine_test.sh PREFIX VINDREL_EXE WORK COM_TRACKER COM_SILENT GPX_TRACK
set -u
prefix=$1 exe=$2 work=$3 good=COM$4 silent=COM$5 track=$6
# A UTF-8 locale: wine passes the arguments and file names on in it (code page 1252 inside).
export WINEPREFIX=$prefix WINEDEBUG=-all LC_ALL=C.UTF-8
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
failures=0
fail() {
  echo "FAILED: $*"
  cat out.txt err.txt
  failures=$((failures + 1))
}
# expect CODE COMMAND...: runs vindrel.exe with COMMAND and checks its exit code.
expect() {
  code=$1
  shift
  wine "$exe" "$@" </dev/null >out.txt 2>err.txt
  got=$?
  [ "$got" -eq "$code" ] || fail "vindrel $* gave $got, not $code"
}
expect 0 -p "$good" read -o backup.json
expect 0 -p "$good" read -o backup.bin
[ "$(wc -c <backup.bin)" -eq 256 ] || { echo "FAILED: backup.bin is not 256 bytes"; failures=$((failures + 1)); }
expect 0 -p "$good" set callsign=PD0VIN-3 beaconInterval=7
expect 0 -p "$good" read -o changed.json
expect 1 -p "$good" verify backup.json
grep -q callsign out.txt err.txt || { echo "FAILED: verify does not name callsign"; failures=$((failures + 1)); }
expect 4 -p "$good" set callsign=PD0VIN-99
expect 0 -p "$good" write backup.bin
# The history (in the prefix's %LOCALAPPDATA%) holds the image that the restore replaced.
expect 0 backups
grep -q "PD0VIN-3" out.txt || { echo "FAILED: backups does not list PD0VIN-3"; cat out.txt err.txt; failures=$((failures + 1)); }
expect 0 -p "$good" verify backup.json
expect 0 -p "$good" version
[ "$(tr -d '\r\n' <out.txt)" = "1.7" ] || { echo "FAILED: version printed $(cat out.txt)"; failures=$((failures + 1)); }
expect 0 -p "$good" tone low
expect 0 -p "$good" tone high
expect 0 -p "$good" squelch
expect 0 -p "$good" gps --seconds 5
cp "$track" drive.gpx
expect 0 -p "$good" gps --replay drive.gpx --speed 100
expect 1 -p "$good" check --strict backup.json
grep -q TRACE3-3 out.txt || { echo "FAILED: check does not name TRACE3-3"; cat out.txt err.txt; failures=$((failures + 1)); }
expect 1 -p "$silent" version
expect 0 -p virtual read -o virtual.json
expect 0 -p virtual write changed.json
expect 1 -p virtual verify changed.json
expect 0 -p virtual verify virtual.json
expect 0 ports
[ "$(tail -n 1 out.txt | cut -f 1,2)" = "$(printf 'virtual\tVirtuele tracker')" ] || { echo "FAILED: ports ends with $(tail -n 1 out.txt)"; failures=$((failures + 1)); }
printf '{"format": "vindrel-settings", "version": 1, "settings": {}}' >bad.json
expect 4 -p "$good" write bad.json
# has TEXT: the last run's output holds TEXT.
has() { grep -q "$1" out.txt err.txt || fail "no \"$1\" in the output"; }
expect 0 -p "$good" doctor
has "firmwareversie 1.7"
expect 1 -p "$silent" doctor
has "$silent: probleem: No Communication"
# A number wine maps to nothing: it keeps a device link in the prefix for every port it maps.
unmapped=COM$(($4 + 10))
if [ -e "$prefix/dosdevices/$(echo "$unmapped" | tr COM com)" ]; then
  echo "FAILED: $unmapped is mapped in this prefix; not opened"
  failures=$((failures + 1))
else
  expect 1 -p "$unmapped" doctor
  has "$unmapped: probleem: De seriele poort is niet aanwezig"
  expect 3 -p "$unmapped" version
  has "niet aanwezig"
  grep -q "vindrel: $unmapped: " err.txt && ! grep -q /dev/ err.txt || fail "not named as COMn"
fi
# Each file under exactly its name, whatever the code page holds; a value as Latin-1 bytes.
for name in €uro.json Škoda.bin Ωmega.json; do
  expect 0 convert backup.json "$name"
  expect 0 show "$name"
done
[ "$(ls | grep -c -e '^€uro.json$' -e '^Škoda.bin$' -e '^Ωmega.json$')" -eq 3 ] || fail "names changed: $(ls)"
expect 0 -p "$good" set "beaconText=Café à la gare"
expect 0 -p "$good" read -o tracker.bin
LC_ALL=C grep -q "$(printf 'Caf\351 \340 la gare')" tracker.bin || fail "beaconText is not Latin-1 on the tracker"
# (No name of a port or printer: were the refusal to fail, that device would be written to.)
for name in t.bin. "t.json " nul.json CON; do
  expect 4 convert backup.json "$name"
done
expect 4 -p "$good" read -o t.bin.
[ ! -e t.bin ] && [ ! -e t.json ] || fail "a refused name was written"
expect 2 -p /dev/ttyUSB0 version
grep -q "COM1 to COM255" err.txt && ! grep -q 'ttyS\*' err.txt || fail "-p /dev/ttyUSB0: $(cat err.txt)"
expect 0 --help
! grep -q /dev/tty out.txt || fail "--help names Linux devices"
exit $((failures > 0))
