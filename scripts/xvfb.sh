# Sourced: start_xvfb WIDTHxHEIGHT starts an Xvfb on a display number it picks itself (so that
# several can run side by side), waits until it accepts clients, and sets DISPLAY and xvfb_pid.
start_xvfb() {
  local size=${1:-1280x1024} number_file
  number_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$number_file" >/dev/null 2>&1 </dev/null &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [ -s "$number_file" ] && break
    sleep 0.1
  done
  if [ ! -s "$number_file" ]; then
    rm -f "$number_file"
    echo "xvfb: Xvfb did not start" >&2
    return 1
  fi
  export DISPLAY=:$(tr -d '[:space:]' <"$number_file")
  rm -f "$number_file"
}
