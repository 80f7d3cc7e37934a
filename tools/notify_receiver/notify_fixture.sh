#!/usr/bin/env bash
# Starts the notification receiver in the background for the tests, or stops it.
#   notify_fixture.sh start WORKDIR   -> WORKDIR/port holds the port once it listens
#   notify_fixture.sh stop WORKDIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

stop_receiver() {
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
    work=$2
    mkdir -p "$work"
    stop_receiver "$work"
    rm -f "$work/requests.jsonl" "$work/tls_port"
    # A self-signed certificate for the https port, where openssl is at hand.
    tls=()
    if command -v openssl >/dev/null &&
       openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.1 -keyout "$work/key.pem" \
         -out "$work/cert.pem" >/dev/null 2>&1; then
      tls=(--tls-cert "$work/cert.pem" --tls-key "$work/key.pem")
    fi
    python3 -u "$here/notify_receiver.py" --workdir "$work" "${tls[@]}" >"$work/stdout" 2>"$work/stderr" </dev/null &
    pid=$!
    echo "$pid" >"$work/pid"
    for _ in $(seq 100); do
      port=$(sed -n 's/^listening on 127\.0\.0\.1:\([0-9][0-9]*\)$/\1/p' "$work/stdout")
      if [ -n "$port" ]; then
        sed -n 's/^tls on 127\.0\.0\.1:\([0-9][0-9]*\)$/\1/p' "$work/stdout" >"$work/tls_port"
        echo "$port" >"$work/port"
        echo "notify receiver (pid $pid) listening on port $port"
        exit 0
      fi
      if ! kill -0 "$pid" 2>/dev/null; then
        echo "notify receiver ended before listening:" >&2
        cat "$work/stderr" >&2
        rm -f "$work/pid"
        exit 1
      fi
      sleep 0.1
    done
    echo "notify receiver did not report its port within 10 seconds" >&2
    stop_receiver "$work"
    exit 1
    ;;
  stop)
    stop_receiver "$2"
    ;;
  *)
    echo "usage: $0 start WORKDIR | stop WORKDIR" >&2
    exit 2
    ;;
esac
