#!/usr/bin/env bash
# Starts the stand-in TDS server in the background for the ODBC tests, or stops it.
#   tds_fixture.sh start SERVER WORKDIR CONFIG   -> WORKDIR/port holds the port once it listens
#   tds_fixture.sh stop WORKDIR
# ctest runs both as fixtures: a Windows test program under Wine cannot start and wait for a Linux one.
set -euo pipefail

stop_server() {
  local work=$1
  [ -f "$work/pid" ] || return 0
  local pid
  pid=$(cat "$work/pid")
  rm -f "$work/pid" "$work/port"
  kill -TERM "$pid" 2>/dev/null || return 0
  for _ in $(seq 50); do
    kill -0 "$pid" 2>/dev/null || return 0
    sleep 0.1
  done
  kill -KILL "$pid" 2>/dev/null || true
}

case "${1:-}" in
  start)
    server=$2 work=$3 config=$4
    mkdir -p "$work"
    stop_server "$work"  # one left behind by an interrupted run
    rm -rf "$work/bak" "$work/mode"
    mkdir -p "$work/bak"
    # Output goes to files so that the server holds no pipe of ctest's open.
    "$server" --config "$config" --port 0 --control-file "$work/mode" --log "$work/server.log" \
      >"$work/stdout" 2>"$work/stderr" </dev/null &
    pid=$!
    echo "$pid" >"$work/pid"
    for _ in $(seq 100); do
      port=$(sed -n 's/^listening on 127\.0\.0\.1:\([0-9][0-9]*\)$/\1/p' "$work/stdout")
      if [ -n "$port" ]; then
        echo "$port" >"$work/port"
        echo "dw_tds_server (pid $pid) listening on port $port"
        exit 0
      fi
      if ! kill -0 "$pid" 2>/dev/null; then
        echo "dw_tds_server ended before listening:" >&2
        cat "$work/stderr" >&2
        rm -f "$work/pid"
        exit 1
      fi
      sleep 0.1
    done
    echo "dw_tds_server did not report its port within 10 seconds" >&2
    stop_server "$work"
    exit 1
    ;;
  stop)
    stop_server "$2"
    ;;
  *)
    echo "usage: $0 start SERVER WORKDIR CONFIG | stop WORKDIR" >&2
    exit 2
    ;;
esac
