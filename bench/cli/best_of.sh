# Sourced by the scripts beside it. best_of LABEL COMMAND ARGS... runs COMMAND
# $runs times (output to /dev/null, exit status 0 or 1 taken) and prints the
# best and median wall time and the best and median CPU time (user + system)
# in microseconds. A shared machine slows a run down, never speeds it up: the
# best of many runs is the figure to compare, and CPU time is less disturbed
# by other work than wall time. The CPU time is perf stat's task-clock of a
# second run where perf is installed (exact, the process alone); else the
# shell's account of its children (in steps of a millisecond, and with the
# shell's own fork in it).

# Sets cpu_us to the microseconds of user + system time of the shell's
# finished children (times must run in this shell, not in a subshell).
cpu_times_file=$(mktemp)
trap 'rm -f "$cpu_times_file"' EXIT
use_perf=false
if command -v perf >/dev/null && perf stat -x, -o "$cpu_times_file" -e task-clock true 2>/dev/null; then
  use_perf=true
fi

# Sets cpu_us to the task-clock of one run of the command under perf stat.
perf_cpu_us() {
  perf stat -x, -o "$cpu_times_file" -e task-clock -- "$@" >/dev/null 2>&1 || true
  cpu_us=$(awk -F, '/task-clock/ { printf "%d", $1 * 1000 }' "$cpu_times_file")
}
children_cpu_us() {
  local user system
  times >"$cpu_times_file"
  read -r user system < <(tail -n 1 "$cpu_times_file")
  cpu_us=$(($(seconds_us "$user") + $(seconds_us "$system")))
}

# "1m2.345s" in microseconds.
seconds_us() {
  local minutes=${1%%m*} seconds=${1#*m}
  seconds=${seconds%s}
  local whole=${seconds%.*} fraction=${seconds#*.}000000
  echo $(((10#$minutes * 60 + 10#$whole) * 1000000 + 10#${fraction:0:6}))
}

# The median of the numbers given, one per line on standard input.
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

best_of() {
  local label=$1 i start took cpu_before cpu walls=() cpus=()
  shift
  for ((i = 0; i < runs; i++)); do
    children_cpu_us
    cpu_before=$cpu_us
    start=${EPOCHREALTIME/./}
    "$@" >/dev/null 2>&1 || [[ $? == 1 ]]
    took=$((${EPOCHREALTIME/./} - start))
    children_cpu_us
    cpu=$((cpu_us - cpu_before))
    if $use_perf; then
      perf_cpu_us "$@"
      cpu=$cpu_us
    fi
    walls+=("$took")
    cpus+=("$cpu")
  done
  printf '%-58s wall best %6d median %6d us   cpu best %6d median %6d us\n' "$label" \
    "$(printf '%s\n' "${walls[@]}" | sort -n | head -n 1)" "$(printf '%s\n' "${walls[@]}" | median)" \
    "$(printf '%s\n' "${cpus[@]}" | sort -n | head -n 1)" "$(printf '%s\n' "${cpus[@]}" | median)"
}

# time_runs LABEL ARGS...: best_of for kelvane-calc, the $exe of the script.
time_runs() {
  local label=$1
  shift
  best_of "$label" "$exe" "$@"
}
