# Sourced by the processor-use benchmarks: a process's processor time and the
# figures made of it.

# user+sys clock ticks of a process, from /proc/PID/stat (fields 14 and 15,
# counted after the command name, which may hold blanks); fails once it ended.
cpu_ticks() {
  local stat fields
  stat=$(cat "/proc/$1/stat") || return 1
  stat=${stat##*) }
  read -r -a fields <<<"$stat"
  echo $((fields[11] + fields[12]))
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
percent() { awk -v cpu="$1" -v wall="$2" 'BEGIN { printf "%.2f", 100 * cpu / wall }'; }
