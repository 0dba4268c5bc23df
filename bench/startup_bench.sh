#!/usr/bin/env bash
# Start-up cost of vindrel-config: starts it, waits until its dialog has painted, closes it, and
# reports wall time and peak memory of the whole process (median and worst of N runs).
#   bench/startup_bench.sh [runs] [executable]      defaults: 10, build/dev/gui/qt/vindrel-config
# QT_QPA_PLATFORM picks the platform (default offscreen); with DISPLAY set to an X server (Xvfb)
# and QT_QPA_PLATFORM=xcb it measures a real X11 start. See bench/README.md.
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${1:-10}
exe=${2:-build/dev/gui/qt/vindrel-config}
[ -x "$exe" ] || { echo "No executable at $exe: build it first (cmake --build --preset dev)." >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "Needs /usr/bin/time (Debian package time)." >&2; exit 1; }

# Discovery stays inside a temporary tree with one virtual port, so no real port is looked at.
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
mkdir -p "$root/dev" "$root/sys/class/tty"
ln -s /dev/null "$root/dev/ttyV0"

export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
walls=() rss=() painted=()
for _ in $(seq "$runs"); do
  out=$(VINDREL_BENCH_ROOT="$root" /usr/bin/time -f 'wall %e rss %M' "$exe" 2>&1 >/dev/null)
  walls+=("$(sed -n 's/^wall \([0-9.]*\) rss.*/\1/p' <<<"$out")")
  rss+=("$(sed -n 's/^wall .* rss \([0-9]*\)$/\1/p' <<<"$out")")
  painted+=("$(sed -n 's/^dialog painted after \([0-9]*\) ms$/\1/p' <<<"$out")")
done

median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
worst() { printf '%s\n' "$@" | sort -n | tail -1; }

echo "vindrel-config start-up, $runs runs, platform $QT_QPA_PLATFORM"
echo "  dialog painted after (ms, from application object): median $(median "${painted[@]}"), worst $(worst "${painted[@]}")"
echo "  process wall time (s, start to exit):               median $(median "${walls[@]}"), worst $(worst "${walls[@]}")"
echo "  peak resident memory (KiB):                         median $(median "${rss[@]}"), worst $(worst "${rss[@]}")"
