# Sourced: backup times ("HH:MM", two digits each) the way the program's schedule uses them, for
# scripts that write Bak_Info.ini from the current time and then check the time the panel shows.

# ascending_times TIME... prints the times in ascending order, one a line, as the settings dialog
# stores them. Near midnight "a minute from now" comes after "an hour from now".
ascending_times() {
  printf '%s\n' "$@" | LC_ALL=C sort
}

# next_scheduled_time POSITION NOW TIME... prints the time the schedule arms when it searches the
# entries (ascending, numbered from 1) from entry POSITION at the minute NOW: the first entry later
# than NOW, else entry 1, which then comes on the next day. After a scheduled run the search starts
# at entry 2: the run's connection sets the position to 1 and the run raises it by one.
next_scheduled_time() {
  local position=$1 now=$2
  shift 2
  local entries=("$@") i
  for ((i = position; i <= ${#entries[@]}; i++)); do
    if [[ "${entries[i - 1]}" > "$now" ]]; then
      echo "${entries[i - 1]}"
      return
    fi
  done
  echo "${entries[0]}"
}
