# Sourced by the benchmark scripts: a process's processor time and the
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
# The median of the numbers on standard input, one a line (the mean of the
# middle two when they are even in number).
median() { sort -n | awk '{ a[NR] = $1 } END { print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2 }'; }
