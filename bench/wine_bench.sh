#!/usr/bin/env bash
# The link's exchanges timed on both builds against one virtual tracker that paces its bytes like
# a 4800-baud line: the Linux build directly, the Windows build under wine through a COM number
# mapped to the same tracker; then both builds on their own in-process tracker, paced alike.
#   bench/wine_bench.sh [runs]        default 5; needs the dev and windows builds
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${1:-5}
linux=build/dev/bench/link_bench
windows=build/windows/bench/link_bench.exe
tracker=build/dev/tools/virtual-tracker
for f in "$linux" "$windows" "$tracker"; do
  [ -x "$f" ] || { echo "No $f: build the dev and windows presets first." >&2; exit 1; }
done

com=43  # beside the numbers the tests map
prefix=$PWD/build/windows/wine-prefix
devices=$(mktemp -d)
trap 'cmake/wine-session.sh stop "$prefix"; rm -rf "$devices"' EXIT
cmake/wine-session.sh start "$prefix" "$PWD/$tracker" "$com:--pace"
ln -s "$prefix.session/com$com" "$devices/ttyV0"  # port 161 on Linux

echo "Linux ($linux, port 161)"
"$linux" 161 "$devices" "$runs"
echo
echo "Windows under wine $(wine --version) ($windows, COM$com)"
WINEPREFIX=$prefix WINEDEBUG=-all wine "$windows" "$com" "" "$runs"
echo
echo "Linux, in-process tracker ($linux virtual)"
"$linux" virtual "" "$runs"
echo
echo "Windows under wine, in-process tracker ($windows virtual)"
WINEPREFIX=$prefix WINEDEBUG=-all wine "$windows" virtual "" "$runs"
