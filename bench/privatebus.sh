# Sourced by the bench scripts: starts a private session bus from the build's test
# configuration, which activates the provider of that build. Needs $config and $tmp; sets
# $bus_pid and $bus (its address). The caller's cleanup kills $bus_pid.
dbus-daemon --config-file="$config" --nofork --print-address=1 >"$tmp/address" 2>/dev/null &
bus_pid=$!
for _ in $(seq 50); do [[ -s $tmp/address ]] && break; sleep 0.1; done
bus=$(head -n1 "$tmp/address")
