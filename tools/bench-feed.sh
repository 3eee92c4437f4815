#!/usr/bin/env bash
# The feed server benchmark (not part of the tests): `zarvane-feed serve` and nginx with
# the deploy snippet, side by side, serving the same feed bytes on 127.0.0.1. For each:
# wrk at 100 keep-alive connections for WRK_SECONDS (requests per second, p50 and p99
# latency), the server's peak RSS, a new client's GET while 1,000 idle connections are
# held open, the RSS before and after 1,000,000 requests once warm, and slowloris
# (slowhttptest: SLOW_CONNECTIONS trickling connections for SLOW_SECONDS) with a client
# from another loopback address probing twice a second. Both log every request straight
# into /dev/null (a pipe to a reader costs the server a wakeup of that reader per line,
# which nginx's access_log does not pay). Then slowloris past the cap: each server again
# with a cap of CAP connections in all (serve's --max-connections; nginx's workers times
# their worker_connections), twice CAP trickling connections from 64 addresses,
# reconnecting as they are closed, for CAP_SECONDS while a client from another address
# probes twice a second. Takes about ten minutes.
set -uo pipefail
. "$(dirname "$0")/lib.sh"

WRK_SECONDS=${WRK_SECONDS:-10}
SLOW_CONNECTIONS=${SLOW_CONNECTIONS:-1000}
SLOW_SECONDS=${SLOW_SECONDS:-75} # past both head deadlines: serve's 30 s, nginx's 60 s
CAP=${CAP:-512}
CAP_SECONDS=${CAP_SECONDS:-20}
IDLE=1000
TOTAL=1000000
BENCH_BUILD=${BENCH_BUILD:-$BUILD/bench}
FEED="$BENCH_BUILD/service/zarvane-feed"
[ -x "$FEED" ] || { cmake -S "$ROOT" -B "$BENCH_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null &&
  cmake --build "$BENCH_BUILD" --target zarvane-feed -j "$JOBS" >/dev/null; } || exit 1
ulimit -n 8192 # the idle connections, on both sides
PATH_=/RirozIrid/ssaver.dat
dir=$(mktemp -d /tmp/zarvane-bench.XXXXXX)
chmod 755 "$dir"
pids=()
trap 'for p in "${pids[@]}"; do kill -TERM "$p" 2>/dev/null; wait "$p" 2>/dev/null; done; rm -rf "$dir"' EXIT

# --- the servers ---------------------------------------------------------------------
dated_samples "$dir/samples"
mapfile -t sources < <(sample_sources "$dir/samples")
serve_port=$(free_port)
"$FEED" serve --listen "127.0.0.1:$serve_port" "${sources[@]}" --max-age "$SAMPLE_MAX_AGE" \
  --max-per-address 2000 2>/dev/null &
serve_pid=$!
pids+=("$serve_pid")
wait_for_status "http://127.0.0.1:$serve_port$PATH_" 200 || exit 1
mkdir -p "$dir/www/RirozIrid"
curl -s -o "$dir/www/RirozIrid/ssaver.dat" "http://127.0.0.1:$serve_port$PATH_"
chmod -R a+rX "$dir/www"
nginx_port=$(free_port)
nginx_feed_config "$dir/nginx" "$nginx_port" "$dir/www" "$(nproc)"
sed -i "s|access_log $dir/nginx/access.log;|access_log /dev/null;|" "$dir/nginx/nginx.conf"
nginx -e "$dir/nginx/error.log" -p "$dir/nginx" -c "$dir/nginx/nginx.conf" -g 'daemon off;' &
nginx_pid=$!
pids+=("$nginx_pid")
wait_for_status "http://127.0.0.1:$nginx_port$PATH_" 200 || exit 1
cmp -s <(curl -s "http://127.0.0.1:$serve_port$PATH_") <(curl -s "http://127.0.0.1:$nginx_port$PATH_") ||
  { echo "the two servers do not serve the same bytes"; exit 1; }
echo "=== hostile requests: the status of each answer (two: a request smuggled through)"
python3 "$ROOT/tools/bench/hostile_requests.py" "serve=$serve_port" "nginx=$nginx_port"
echo "feed: $(stat -c %s "$dir/www/RirozIrid/ssaver.dat") bytes; $(nproc) cores; load $(cut -d' ' -f1-3 /proc/loadavg)"

# --- measures ------------------------------------------------------------------------
# The server's processes: the program itself, or nginx's master and its workers.
server_pids() { echo "$1" $(pgrep -P "$1"); }
# kib_of pid field: the sum of a /proc status field (VmRSS, VmHWM) over the server's processes.
kib_of() {
  local total=0 p
  for p in $(server_pids "$1"); do
    total=$((total + $(awk -v f="$2:" '$1 == f { print $2 }' "/proc/$p/status")))
  done
  echo "$total"
}
mib() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }
# wrk_run port seconds: prints "requests req/s p50_ms p99_ms".
wrk_run() {
  wrk -t2 -c100 -d"$2"s --latency "http://127.0.0.1:$1$PATH_" | awk '
    function ms(v) { if (v ~ /us$/) return v / 1000; if (v ~ /ms$/) return v + 0; return v * 1000 }
    / 50%/ { p50 = ms($2) } / 99%/ { p99 = ms($2) }
    /requests in/ { n = $1 } /Requests\/sec/ { rps = $2 }
    /Non-2xx/ { bad = $4 }
    END { printf "%d %.0f %.3f %.3f %d\n", n, rps, p50, p99, bad }'
}

# requests_of port total: runs wrk until `total` requests have been answered; prints them.
requests_of() {
  local done=0 n
  while [ "$done" -lt "$2" ]; do
    read -r n _ < <(wrk_run "$1" 5)
    done=$((done + n))
  done
  echo "$done"
}

# slowloris port: slowhttptest's trickling connections from 127.0.0.1 while a client from
# 127.0.0.2 asks for the feed twice a second. Prints the most connections the attacker held
# at once, the last second it held any (slowhttptest ends once the server has closed them
# all), the probes that failed (no 200 within 10 s) of those made, and the slowest probe's
# seconds.
slowloris() {
  local port=$1 url="http://127.0.0.1:$1$PATH_" out="$dir/slow.$1"
  (end=$((SECONDS + SLOW_SECONDS)); while [ $SECONDS -lt $end ]; do
    curl -s -o /dev/null --interface 127.0.0.2 --max-time 10 -w '%{http_code} %{time_total}\n' "$url"
    sleep 0.5
  done) >"$out.probe" &
  local prober=$!
  slowhttptest -H -c "$SLOW_CONNECTIONS" -r 200 -i 5 -x 24 -p 3 -l "$SLOW_SECONDS" -t GET \
    -u "$url" -g -o "$out" >/dev/null 2>&1
  wait "$prober"
  awk -F, 'NR > 1 { if ($4 > most) most = $4; if ($4 > 0) held = $1 } END { printf "%d %d ", most, held }' "$out.csv"
  awk '{ n++; if ($1 != 200) bad++; if ($2 > slow) slow = $2 } END { printf "%d/%d %.3f\n", bad, n, slow }' "$out.probe"
}

declare -A row slow
# The RSS is read at start, once warm (the 100-connection run and then TOTAL requests:
# threads, allocator arenas and connection pools as under load) and after TOTAL more
# requests; the last two should match.
measure() { # name port pid
  local name=$1 port=$2 pid=$3 start warm after done n rps p50 p99 bad idle_s idle_open
  start=$(kib_of "$pid" VmRSS)
  read -r n rps p50 p99 bad < <(wrk_run "$port" "$WRK_SECONDS")
  requests_of "$port" "$TOTAL" >/dev/null
  warm=$(kib_of "$pid" VmRSS)
  done=$(requests_of "$port" "$TOTAL")
  after=$(kib_of "$pid" VmRSS) # before the idle connections, which take memory of their own
  read -r idle_s idle_open _ < <(python3 "$ROOT/tools/bench/idle_clients.py" "$port" "$IDLE" "$PATH_")
  slow[$name]=$(printf '%-19s %9s %9s %11s %11s' "$name" $(slowloris "$port"))
  row[$name]=$(printf '%-19s %7s %7s %7s %7s %9s %10s %6s %8s %8s %8s %9s' "$name" "$rps" "$p50" "$p99" \
    "${bad:-0}" "$(mib "$(kib_of "$pid" VmHWM)")" "$idle_s" "$idle_open" "$(mib "$start")" \
    "$(mib "$warm")" "$(mib "$after")" "$done")
}

measure "zarvane-feed serve" "$serve_port" "$serve_pid"
measure "nginx" "$nginx_port" "$nginx_pid"

declare -A past_cap
cap_port=$(free_port)
"$FEED" serve --listen "127.0.0.1:$cap_port" "${sources[@]}" --max-age "$SAMPLE_MAX_AGE" \
  --max-connections "$CAP" 2>/dev/null &
pids+=("$!")
wait_for_status "http://127.0.0.1:$cap_port$PATH_" 200 || exit 1
past_cap[serve]=$(python3 "$ROOT/tools/bench/trickle_past_cap.py" "$cap_port" $((2 * CAP)) "$CAP_SECONDS" "$PATH_")
cap_port=$(free_port)
nginx_feed_config "$dir/nginx-cap" "$cap_port" "$dir/www" "$(nproc)" $((CAP / $(nproc)))
sed -i "s|access_log $dir/nginx-cap/access.log;|access_log /dev/null;|" "$dir/nginx-cap/nginx.conf"
nginx -e "$dir/nginx-cap/error.log" -p "$dir/nginx-cap" -c "$dir/nginx-cap/nginx.conf" -g 'daemon off;' &
pids+=("$!")
wait_for_status "http://127.0.0.1:$cap_port$PATH_" 200 || exit 1
past_cap[nginx]=$(python3 "$ROOT/tools/bench/trickle_past_cap.py" "$cap_port" $((2 * CAP)) "$CAP_SECONDS" "$PATH_")

printf '%-19s %7s %7s %7s %7s %9s %10s %6s %8s %8s %8s %9s\n' server "req/s" "p50 ms" "p99 ms" \
  "non-2xx" "peak RSS" "new client" "idle" "RSS" "RSS" "RSS" "requests"
printf '%-19s %7s %7s %7s %7s %9s %10s %6s %8s %8s %8s %9s\n' "" "c=100" "" "" "" "MiB" \
  "s, 1000" "open" "start" "warm" "after" "after warm"
echo "${row[zarvane-feed serve]}"
echo "${row[nginx]}"
echo
printf '%-19s %9s %9s %11s %11s\n' "slowloris" "held" "held until" "probes" "slowest" "" "at most" "second" "failed" "probe s"
echo "${slow[zarvane-feed serve]}"
echo "${slow[nginx]}"
echo
printf '%-19s %11s %11s\n' "slowloris past cap" "probes" "slowest" "cap $CAP, $((2 * CAP)) conns" "failed" "probe s"
printf '%-19s %11s %11s\n' "zarvane-feed serve" ${past_cap[serve]}
printf '%-19s %11s %11s\n' "nginx" ${past_cap[nginx]}
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
kill -TERM "$serve_pid"
wait "$serve_pid"
echo "zarvane-feed serve ended with $? on SIGTERM"
pids=("${pids[@]:1}")
