# Sourced by the benchmark scripts: starts Xvfb on a display number of its
# own choice and points DISPLAY at it.
#
# start_private_xvfb NAME WxH WORKDIR: NAME prefixes the error messages;
# sets xvfb_pid and exports DISPLAY, or exits 1 when Xvfb does not start.
start_private_xvfb() {
  local name=$1 size=$2 work=$3
  # Xvfb picks a free display number itself and writes it out once it accepts
  # connections, so that no other server started meanwhile can take its place.
  # -noreset: monitors set with xrandr would go with the server's reset when
  # its last client (xrandr itself) leaves.
  Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -noreset 3>"$work/display" >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || { echo "$name: Xvfb did not start:" >&2; cat "$work/xvfb.log" >&2; exit 1; }
    sleep 0.1
  done
  [ -s "$work/display" ] || { echo "$name: Xvfb gave no display number" >&2; exit 1; }
  DISPLAY=:$(tr -d '[:space:]' <"$work/display")
  export DISPLAY
}
