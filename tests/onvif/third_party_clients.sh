#!/usr/bin/env bash
# devsim's ONVIF camera checked by two third-party ONVIF clients: Debian's onvif-util (WS-Discovery,
# login, profiles, stream address, a refused login) and the npm registry's onvif package (device
# information, profiles, stream address, a PTZ move and stop).
#
# Everything runs inside a network namespace of its own that has nothing but a loopback
# interface: onvif-util probes WS-Discovery's multicast group even when it is given an address, and
# that probe must never reach a real LAN.
# Usage: third_party_clients.sh DEVSIM NODE_CHECK_SCRIPT
set -euo pipefail

devsim=$1
node_check=$2
command -v onvif-util >/dev/null || { echo "onvif-util is missing (scripts/install-deps installs onvif-tools)"; exit 1; }
node_modules=$(npm root -g)
[ -d "$node_modules/onvif" ] || { echo "the npm package onvif is missing (scripts/install-deps installs it)"; exit 1; }

if [ "${STROVIK_IN_TEST_NAMESPACE:-}" != 1 ]; then
    # Root may make a network namespace directly; anyone else through a user namespace.
    unshare_options=(--net)
    [ "$(id -u)" -eq 0 ] || unshare_options=(--user --map-root-user --net)
    exec env STROVIK_IN_TEST_NAMESPACE=1 unshare "${unshare_options[@]}" "$0" "$@"
fi

ip link set lo up
ip link set lo multicast on
ip route add 224.0.0.0/4 dev lo

work=$(mktemp -d)
devsim_pid=
cleanup() {
    [ -n "$devsim_pid" ] && kill "$devsim_pid" 2>/dev/null && wait "$devsim_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

camera=127.0.0.78
cat >"$work/devsim.ini" <<INI
[Simulator]
Log=devsim.log
DiscoveryAddress=127.0.0.77
DiscoveryPort=0
OnvifDiscoveryGroup=239.255.255.250
[Device camera]
Protocol=onvif
Address=$camera
Port=80
Channels=2
User1=admin
Password1=secret
MainStreamUrl=rtsp://127.0.0.79:8554/cam{channel}
SubStreamUrl=rtsp://127.0.0.79:8554/cam{channel}/sub
INI
"$devsim" "$work/devsim.ini" >"$work/devsim.out" 2>&1 &
devsim_pid=$!
for _ in $(seq 100); do
    grep -q "devsim ready" "$work/devsim.out" && break
    kill -0 "$devsim_pid" 2>/dev/null || { cat "$work/devsim.out"; exit 1; }
    sleep 0.1
done
grep -q "devsim ready" "$work/devsim.out" || { echo "devsim did not get ready"; exit 1; }

failures=0
expect() {  # expect WHAT OUTPUT_FILE PATTERN...
    local what=$1 output=$2
    shift 2
    for pattern in "$@"; do
        if grep -qF -- "$pattern" "$output"; then
            echo "ok: $what: $pattern"
        else
            echo "FAILED: $what: no \"$pattern\" in:"
            sed 's/^/    /' "$output"
            failures=$((failures + 1))
        fi
    done
}

timeout 20 onvif-util -a >"$work/probe.txt" 2>&1 || true
expect "onvif-util -a" "$work/probe.txt" "Found 1 cameras" "$camera"

printf 'get profiles\nget rtsp\nget rtsp 1\nquit\n' |
    timeout 30 onvif-util -u admin -p secret "$camera" >"$work/login.txt" 2>&1 || true
expect "onvif-util login" "$work/login.txt" "successfully connected to host" "Token 0: main_1" "Token 3: sub_2" \
    "rtsp://127.0.0.79:8554/cam1"

printf 'quit\n' | timeout 30 onvif-util -u admin -p wrong "$camera" >"$work/refused.txt" 2>&1 || true
expect "onvif-util refused login" "$work/refused.txt" "NotAuthorized"

NODE_PATH=$node_modules timeout 30 node "$node_check" "$camera" 80 admin secret >"$work/node.txt" 2>&1 || true
expect "npm onvif" "$work/node.txt" "manufacturer: devsim" "profiles: main_1,sub_1,main_2,sub_2" \
    "stream: rtsp://127.0.0.79:8554/cam1" "ptz: moved and stopped"
expect "devsim's PTZ log" "$work/devsim.log" "call=ContinuousMove profile=main_1 pan=-0.5 tilt=0.25" \
    "call=Stop profile=main_1 pantilt=true"

[ "$failures" -eq 0 ] && echo "all third-party ONVIF checks passed"
exit $((failures > 0))
