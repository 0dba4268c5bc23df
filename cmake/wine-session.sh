#!/usr/bin/env bash
# The wine session that the Windows build's tests run in, set up once per ctest run:
#   wine-session.sh start PREFIX TRACKER NUMBER:OPTIONS...
#     creates the prefix when it does not exist yet, starts the native virtual tracker TRACKER
#     once per NUMBER:OPTIONS (e.g. "41:--fault silent") on a link to its pseudo-terminal, maps
#     COM<NUMBER> to that link in the prefix's registry, sets the null graphics driver (windows
#     without X) and leaves one persistent wineserver running;
#   wine-session.sh stop PREFIX
#     ends the wineserver and the trackers.
# Logs and links live in PREFIX.session beside the prefix.
set -euo pipefail

command=$1
prefix=$2
shift 2
session=$prefix.session
export WINEPREFIX=$prefix WINEDEBUG=-all
# A new prefix would otherwise offer to download Mono and Gecko, which the tests do not need.
export WINEDLLOVERRIDES="mscoree,mshtml="

stop() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -f "$session/pids" ]; then
    while read -r pid; do
      # Only a tracker of ours: after a reboot the number may belong to another process.
      if [ -r "/proc/$pid/cmdline" ] &&
        tr '\0' ' ' <"/proc/$pid/cmdline" | grep -q -- "--link $session/"; then
        kill "$pid" 2>/dev/null || true
      fi
    done <"$session/pids"
    rm -f "$session/pids"
  fi
}

start() {
  local tracker=$1
  shift
  stop
  if [ ! -f "$prefix/system.reg" ]; then
    wineboot -i >"$prefix.wineboot.log" 2>&1 </dev/null
    wineserver -w
  fi
  mkdir -p "$session"
  local reg=$session/ports.reg
  printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Wine\\Drivers]\n"Graphics"="null"\n\n' >"$reg"
  # Values of earlier runs are replaced; numbers no longer used stay mapped to vanished links.
  printf '[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\n' >>"$reg"
  local mapping number options link
  for mapping in "$@"; do
    number=${mapping%%:*}
    options=${mapping#*:}
    link=$session/com$number
    rm -f "$link"
    # shellcheck disable=SC2086 # the options are words
    "$tracker" --link "$link" $options >"$session/tracker$number.log" 2>&1 </dev/null &
    echo $! >>"$session/pids"
    printf '"COM%s"="%s"\n' "$number" "$link" >>"$reg"
  done
  for mapping in "$@"; do
    link=$session/com${mapping%%:*}
    for _ in $(seq 50); do
      [ -e "$link" ] && break
      sleep 0.1
    done
    [ -e "$link" ] || { echo "no tracker at $link" >&2; cat "$session"/tracker*.log >&2; exit 1; }
  done
  wine reg import "$reg" >"$session/reg.log" 2>&1 </dev/null
  # Wine reads the port mapping when its server starts: let this one end (it saves the registry),
  # then keep a new one running for the whole run, so that each test starts in milliseconds.
  wineserver -w
  wineserver -p >/dev/null 2>&1 </dev/null
  # The first program of a session starts wine's own services, which keep its output open for as
  # long as they run: start them here, away from the output that CTest waits on.
  wine reg query 'HKLM\Software\Wine\Ports' >"$session/ports.txt" 2>&1 </dev/null
}

case $command in
  start) start "$@" ;;
  stop) stop ;;
  *) echo "usage: $0 start PREFIX TRACKER NUMBER:OPTIONS... | stop PREFIX" >&2; exit 2 ;;
esac
