# Sourced by the Wayland test and benchmark: starts a headless sway of their
# own for a normal user (sway refuses root), without Xwayland.
#
# start_private_sway NAME USER WORKDIR OUTPUTS [CONFIG LINE ...]: NAME
# prefixes the error messages; OUTPUTS is how many headless outputs sway
# starts with; the config lines follow "xwayland disable". Sets sway_pid,
# sway_runtime (the user's XDG_RUNTIME_DIR, made in WORKDIR),
# sway_wayland_display and sway_socket (its IPC socket), or exits 1 when
# sway does not start. The user must exist; WORKDIR must be readable by it.
start_private_sway() {
  local name=$1 user=$2 work=$3 outputs=$4
  shift 4
  local home
  home=$(getent passwd "$user" | cut -d: -f6)
  sway_runtime="$work/runtime"
  mkdir -m 700 "$sway_runtime"
  chown "$user:" "$sway_runtime"
  { echo "xwayland disable"; printf '%s\n' "$@"; } >"$work/sway.config"
  chmod 644 "$work/sway.config"
  runuser -u "$user" -- env -i HOME="$home" PATH=/usr/bin:/bin XDG_RUNTIME_DIR="$sway_runtime" \
    WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 WLR_HEADLESS_OUTPUTS="$outputs" \
    sway -c "$work/sway.config" >"$work/sway.log" 2>&1 &
  sway_pid=$!
  sway_wayland_display=
  sway_socket=
  for _ in $(seq 100); do
    sway_wayland_display=$(ls "$sway_runtime" 2>/dev/null | grep -E '^wayland-[0-9]+$' | head -n 1 || true)
    sway_socket=$(ls "$sway_runtime"/sway-ipc.* 2>/dev/null | head -n 1 || true)
    [ -n "$sway_wayland_display" ] && [ -n "$sway_socket" ] && return 0
    kill -0 "$sway_pid" 2>/dev/null || break
    sleep 0.1
  done
  echo "$name: sway did not start:" >&2
  tail -20 "$work/sway.log" >&2
  exit 1
}
