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

# window_geometry TITLE_REGEX waits up to ten seconds for a mapped X window of real size whose title
# matches (the application's 1x1 task-bar window carries the same caption) and prints its geometry
# as WxH+X+Y, for ImageMagick's import; prints nothing when none showed.
window_geometry() {
  local geometry="" id
  for _ in $(seq 1 50); do
    for id in $(xwininfo -root -tree | awk -v title="$1" '$0 ~ "\"" title "\"" {print $1}'); do
      geometry=$(xwininfo -id "$id" |
                 awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4} /Width:/{w=$2} /Height:/{h=$2}
                      /Map State: IsViewable/{v=1} END{if (v && w > 1) print w "x" h "+" x "+" y}')
      [ -n "$geometry" ] && break 2
    done
    sleep 0.2
  done
  echo "$geometry"
}
