#!/usr/bin/env bash
# `ql8810 serve --listen` on an address other hosts reach, and who is
# answered: two network namespaces of this test's own, joined by a veth pair
# (10.88.0.1, the server; 10.88.0.2, a client), nothing else touched. A client
# outside every --allow is closed unanswered and logged; one inside is
# answered. Without the rights to make namespaces the test says so and is
# skipped (exit status 77).
#   allow_list_test.sh TOOL
set -u
tool=$1
suffix=$$
server_ns=ql8810-srv-$suffix client_ns=ql8810-cli-$suffix
if ! command -v ip >/dev/null || ! ip netns add "$server_ns" 2>/dev/null; then
  echo "SKIPPED: cannot make a network namespace here (needs root and iproute2)"
  exit 77
fi
pid=
cleanup() {
  [ -z "$pid" ] || kill "$pid" 2>/dev/null
  ip netns del "$server_ns" 2>/dev/null
  ip netns del "$client_ns" 2>/dev/null
}
trap cleanup EXIT
fail() {
  echo "FAILED: $*"
  [ -f "$log" ] && sed 's/^/  | /' "$log"
  exit 1
}
log=$(mktemp)
ip netns add "$client_ns" || fail "second namespace"
ip link add "veth-s$suffix" netns "$server_ns" type veth peer name "veth-c$suffix" netns "$client_ns" ||
  fail "veth pair"
ip -n "$server_ns" addr add 10.88.0.1/24 dev "veth-s$suffix"
ip -n "$client_ns" addr add 10.88.0.2/24 dev "veth-c$suffix"
for ns in "$server_ns" "$client_ns"; do
  ip -n "$ns" link set lo up
done
ip -n "$server_ns" link set "veth-s$suffix" up
ip -n "$client_ns" link set "veth-c$suffix" up

# The client's one question, and what came back (nothing when closed).
ask() {
  ip netns exec "$client_ns" /usr/bin/python3 - <<'PY'
import socket, sys
try:
    s = socket.create_connection(("10.88.0.1", 5025), timeout=5)
    s.sendall(b"*IDN?\n")
    s.settimeout(5)
    print(s.recv(200).decode().strip())
except OSError as error:
    print("error:", error)
PY
}
serve() {  # --allow arguments
  ip netns exec "$server_ns" "$tool" --simulate serve --listen 10.88.0.1:5025 "$@" 2>"$log" &
  pid=$!
  for _ in $(seq 50); do grep -q "listening on" "$log" && return 0; sleep 0.1; done
  fail "the server did not start"
}
stop() {
  kill "$pid"
  wait "$pid"
  pid=
}

serve --allow 10.99.0.0/16 --allow 10.88.0.1
answer=$(ask)
# Closed unanswered: nothing read, or the connection reset.
[[ -z $answer || $answer == "error:"* ]] || fail "a client outside --allow got: $answer"
grep -q "refused 10.88.0.2:[0-9]* (not in --allow)" "$log" || fail "the refusal was not logged"
stop
echo "outside every --allow: closed unanswered, and logged"

serve --allow 10.88.0.0/24
answer=$(ask)
[[ $answer == "Corvane,QL8810 Eval Kit,"* ]] || fail "a client inside --allow got: $answer"
stop
serve --allow any
answer=$(ask)
[[ $answer == "Corvane,QL8810 Eval Kit,"* ]] || fail "--allow any: $answer"
stop
echo "inside --allow (10.88.0.0/24, any): answered"
