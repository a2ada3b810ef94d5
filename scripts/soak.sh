#!/usr/bin/env bash
# The soak (make soak): whole demo games, for a long time, against a server that misbehaves on
# purpose (tessaro-devserver --chaos), to find the crashes, the leaks and the sanitizer reports
# that only show after hundreds of faults.
#
#   1. two tessaro-devservers with --chaos and --record: "table", where three headless clients
#      play at one table, and "bots", where one client plays with two bots;
#   2. the four clients, each by tessaro-lobby run with the automatic player; a client that ends
#      (most faults end its connection, and then the game) is started again with the same user id,
#      until SOAK_SECONDS have passed;
#   3. every few seconds each client's resident memory (VmRSS);
#   4. the checks: no client ended by a signal or an unexplained status, no sanitizer report in
#      any output, after the warm-up (the first fifth of the run) each client's memory peak
#      within SOAK_MEM_MIB of its warm-up peak, and on every connection that stayed up to the
#      run's end no message lost or reordered: what the client got (its trace, LANDLORD_TRACE)
#      is, message for message, the start of what the server's record says it sent; every
#      connection that ended before met a fault that can end one, and the game answered it with
#      the lost-connection message box; then the figures.
#
# Every ending is classified: "left" (the game told the lobby why, message 0x507), "box" (a
# message box, its text: the game's answer to a fault), "exit" (status 0, nothing said), "soak-end"
# (the run's end stopped it), or a failure: "signal N", "status N", "sanitizer".
#
# Exit status 0 only when every check holds. Output under $BUILD_DIR/soak (SOAK_OUT).
#
# Settings: BUILD_DIR (default build), SOAK_SECONDS (default 1800), SOAK_SEED (chaos and deals,
# default 1), SOAK_CHAOS_RATE (faults a minute per connection, default 2), SOAK_MEM_MIB (default
# 50), SOAK_SAMPLE (seconds between memory samples, default 3).
set -uo pipefail
cd "$(dirname "$0")/.."
. scripts/demo-common.sh

build=${BUILD_DIR:-build}
seconds=${SOAK_SECONDS:-1800}
seed=${SOAK_SEED:-1}
rate=${SOAK_CHAOS_RATE:-2}
mem_mib=${SOAK_MEM_MIB:-50}
sample=${SOAK_SAMPLE:-3}
out=${SOAK_OUT:-$build/soak}
devserver=$build/bin/tessaro-devserver
lobby=$build/bin/tessaro-lobby
game=$build/stage/landlord/landlord

for program in "$devserver" "$lobby" "$game"; do
    if [ ! -x "$program" ]; then
        echo "soak: $program is missing; build it first" >&2
        exit 1
    fi
done
case "$seconds$seed$rate$mem_mib$sample" in
'' | *[!0-9]*)
    echo "soak: SOAK_SECONDS, SOAK_SEED, SOAK_CHAOS_RATE, SOAK_MEM_MIB and SOAK_SAMPLE must be whole numbers" >&2
    exit 2
    ;;
esac
[ "$sample" -ge 1 ] || sample=1

rm -rf "$out"
mkdir -p "$out"
out=$(cd "$out" && pwd)
game=$(cd "$(dirname "$game")" && pwd)/$(basename "$game")

pids=()
servers=()
stop_all() {
    for pid in "${pids[@]}"; do
        kill -TERM "$pid" 2>/dev/null || true
    done
    for pid in "${pids[@]}"; do
        wait "$pid" 2>/dev/null || true
    done
    pids=()
    for pid in "${servers[@]}"; do
        kill -TERM "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    servers=()
}
trap stop_all EXIT

# start_server NAME BOTS: starts one server (not in a subshell: its pid is kept here).
start_server() {
    local name=$1 bots=$2
    "$devserver" --listen 127.0.0.1:0 --game landlord --chairs 3 --tables 2 --min-players 3 --auto-sit \
        --bots "$bots" --seed "$seed" --auth-wait 10000 --round-pause 500 --bot-delay 200 \
        --chaos "$seed" --chaos-rate "$rate" --quiet --record "$out/$name.rec" \
        >"$out/$name.jsonl" 2>"$out/$name.err" &
    servers+=($!)
}

start_server table 0
table_port=$(wait_for_port "$out/table.jsonl" "${servers[0]}")
start_server bots 2
bots_port=$(wait_for_port "$out/bots.jsonl" "${servers[1]}")
if [ -z "$table_port" ] || [ -z "$bots_port" ]; then
    echo "soak: tessaro-devserver did not start:" >&2
    cat "$out"/*.err >&2
    exit 1
fi

start=$(date +%s)
deadline=$((start + seconds))
warmup_end=$((start + seconds / 5))

# classify LOBBY_LINES GAME_OUTPUT: one word and a detail for how a run of a client ended.
classify() {
    local lines=$1 output=$2 text
    if grep -aqE 'ERROR: [A-Za-z]+Sanitizer|runtime error:' "$output" "$lines"; then
        echo "sanitizer"
        return
    fi
    # The lobby's --timeout is the run's end: it stops the game with a signal.
    if grep -aq '"event": "timeout"' "$lines"; then
        echo "soak-end"
        return
    fi
    local exitline
    exitline=$(grep -a '"event": "exit"' "$lines" | tail -n 1)
    if [[ $exitline == *'"signal"'* ]]; then
        echo "signal ${exitline//[!0-9]/}"
        return
    fi
    local status=${exitline//[!0-9]/}
    if [ -z "$status" ]; then
        echo "status none"
        return
    fi
    if [ "$status" != 0 ]; then
        echo "status $status"
        return
    fi
    text=$(grep -a '"msg": 1287' "$lines" | sed -n 's/.*"reason": "\([^"]*\)".*/\1/p' | tail -n 1)
    if [ -n "$text" ]; then
        echo "left $text"
        return
    fi
    # A message box names the fault the game met: the last one is what ended it.
    text=$(grep -aE '^\[(MsgBox|MsgDlg)\]' "$output" | tail -n 1)
    if [ -n "$text" ]; then
        text=${text#*] }
        echo "box ${text#Message: }"
        return
    fi
    echo "exit"
}

# run_client SLOT PORT USER: the client of one chair, started again until the deadline.
run_client() {
    local slot=$1 port=$2 user=$3 n=0 now left
    while true; do
        now=$(date +%s)
        left=$((deadline - now))
        [ "$left" -gt 0 ] || break
        n=$((n + 1))
        local base=$out/client$slot.$n
        LANDLORD_THINK_MS=50 LANDLORD_TRACE=1 "$lobby" run --game "$game" --server "127.0.0.1:$port" --arg "2=$user" \
            --headless --autoplay --timeout "$left" >"$base.jsonl" 2>"$base.out"
        printf '%s %s %s\n' "$slot" "$n" "$(classify "$base.jsonl" "$base.out")" >>"$out/endings.txt"
    done
}

slots=(1 2 3 4)
ports=("$table_port" "$table_port" "$table_port" "$bots_port")
users=(10001 10002 10003 10004)
for i in 0 1 2 3; do
    run_client "${slots[$i]}" "${ports[$i]}" "${users[$i]}" &
    pids+=($!)
done
echo "soak: ${seconds}s, chaos seed $seed at $rate a minute per connection; table :$table_port (3 clients)," \
    "bots :$bots_port (1 client, 2 bots); output in $out" >&2

# The game each slot runs now: the pid of the newest run's launch line.
game_pid() {
    local slot=$1 newest
    newest=$(ls -t "$out"/client"$slot".*.jsonl 2>/dev/null | head -n 1)
    [ -n "$newest" ] || return 0
    sed -n 's/^{"event": "launch", "pid": \([0-9][0-9]*\).*/\1/p' "$newest" | tail -n 1
}

while [ "$(date +%s)" -lt "$deadline" ]; do
    now=$(date +%s)
    for slot in "${slots[@]}"; do
        pid=$(game_pid "$slot")
        [ -n "$pid" ] || continue
        kb=$(sed -n 's/^VmRSS:[[:space:]]*\([0-9]*\) kB/\1/p' "/proc/$pid/status" 2>/dev/null)
        [ -n "$kb" ] && echo "$((now - start)) $slot $pid $kb" >>"$out/memory.txt"
    done
    sleep "$sample"
done

for pid in "${pids[@]}"; do
    wait "$pid" 2>/dev/null || true
done
pids=()
stop_all
touch "$out/endings.txt" "$out/memory.txt"

# The checks and the figures.
failed=0
fail() {
    echo "soak: FAILED: $*" >&2
    failed=1
}

while read -r slot n word rest; do
    case "$word" in
    sanitizer | signal | status) fail "client $slot run $n ended: $word $rest (see $out/client$slot.$n.out)" ;;
    esac
done <"$out/endings.txt"
for f in "$out"/*.out "$out"/*.err; do
    [ -e "$f" ] || continue
    if grep -aqE 'ERROR: [A-Za-z]+Sanitizer|runtime error:' "$f"; then
        fail "a sanitizer report in $f"
    fi
done
for name in table bots; do
    if ! grep -q '"event":"stop"' "$out/$name.jsonl"; then
        fail "the $name server did not stop in order (see $out/$name.err)"
    fi
done

# conn_of SERVER USER K: the server's connection of the K-th time USER arrived or came back.
conn_of() {
    grep -aE '"event":"(arrive|back)"' "$out/$1.jsonl" | grep -a "\"user\":$2," | sed -n "${3}p" |
        sed -n 's/.*"conn":\([0-9][0-9]*\).*/\1/p'
}

# The faults that can end a connection: the server closes it, the client's reader refuses what
# it got, or (oversized) the frame does not fit the client's read buffer, where a smaller one is
# only dropped. The game's answer is the lost-connection message box, and nothing to the lobby.
ending_faults='drop|garbage|other-version|short-frame|wrong-length|oversized'
lost_box="box 与游戏服务器连接中断，请确保您的网络在2分钟内恢复正常，双击大厅左侧相应房间，即可重新继续游戏！"

# Every client run with a connection of its own (one that got a message; the others made none):
# one that ended before the run's end must have met a fault that ends a connection, and ended
# with the game's answer to it. One that the run's end stopped is checked for lost or reordered
# messages.
checked=0
ended=0
names=(table table table bots)
for i in 0 1 2 3; do
    slot=${slots[$i]} user=${users[$i]} name=${names[$i]} k=0
    for run in $(ls "$out"/client"$slot".*.out 2>/dev/null | sed 's/.*\.\([0-9]*\)\.out$/\1/' | sort -n); do
        output=$out/client$slot.$run.out
        grep -aq '^landlord: recv ' "$output" || continue
        k=$((k + 1))
        ending=$(awk -v s="$slot" -v n="$run" '$1 == s && $2 == n { $1 = ""; $2 = ""; sub(/^  /, ""); print }' \
            "$out/endings.txt")
        conn=$(conn_of "$name" "$user" "$k")
        if [ -z "$conn" ]; then
            fail "client $slot run $run: no connection of user $user at the $name server"
            continue
        fi
        if [ "$ending" != soak-end ]; then
            ended=$((ended + 1))
            case "$ending" in sanitizer* | signal* | status*) continue ;; esac # failed above
            if ! grep -a "\"event\":\"chaos\",\"conn\":$conn," "$out/$name.jsonl" | grep -aqE "\"kind\":\"($ending_faults)\""; then
                fail "client $slot run $run (connection $conn) ended ($ending) with no fault on its connection that ends one"
            elif [ "$ending" != "$lost_box" ]; then
                fail "client $slot run $run (connection $conn) lost its connection but ended otherwise: $ending"
            fi
            continue
        fi
        sed -n 's/^landlord: recv \([0-9]*\) \([0-9]*\)$/\1 \2/p' "$output" >"$out/got.txt"
        # A message longer than a client takes (10364 bytes: the oversized fault) is dropped by
        # the client's connection on purpose, so it is not looked for.
        grep -a "^{\"conn\":$conn," "$out/$name.rec" | sed -n 's/.*"type":\(-*[0-9]*\),"len":\([0-9]*\).*/\1 \2/p' |
            awk '$2 <= 10364' >"$out/sent.txt"
        got=$(wc -l <"$out/got.txt")
        if ! head -n "$got" "$out/sent.txt" | cmp -s - "$out/got.txt"; then
            fail "client $slot run $run (connection $conn): the $got messages it got are not the start of the" \
                "$(wc -l <"$out/sent.txt") the server sent (see $out/client$slot.$run.out and $out/$name.rec)"
        fi
        checked=$((checked + 1))
    done
done
rm -f "$out/got.txt" "$out/sent.txt"
echo "soak: connections that ended, each by a fault that ends one and with the game's answer: $ended" >&2
echo "soak: connections that stayed up, checked for lost or reordered messages: $checked" >&2

warmup_s=$((seconds / 5))
echo "soak: memory per client (MiB; warm-up the first ${warmup_s}s, bound warm-up peak + $mem_mib):" >&2
for slot in "${slots[@]}"; do
    read -r warm peak final samples < <(awk -v s="$slot" -v w="$warmup_s" '
        $2 == s { n++; if ($1 < w) { if ($4 > warm) warm = $4 } else if ($4 > late) late = $4; last = $4 }
        END { printf "%d %d %d %d\n", warm, late, last, n }' "$out/memory.txt")
    awk -v s="$slot" -v w="$warm" -v p="$peak" -v f="$final" -v n="$samples" 'BEGIN {
        printf "soak:   client %s: warm-up peak %.1f, later peak %.1f, final %.1f (%d samples)\n",
            s, w / 1024, p / 1024, f / 1024, n }' >&2
    if [ "$samples" -eq 0 ]; then
        fail "client $slot: no memory sample"
    elif [ "$warm" -gt 0 ] && [ "$peak" -gt $((warm + mem_mib * 1024)) ]; then
        fail "client $slot: memory grew from a warm-up peak of $((warm / 1024)) MiB to $((peak / 1024)) MiB"
    fi
done

client_rounds=$(cat "$out"/client*.out 2>/dev/null | grep -ac '^landlord: end ' || true)
server_rounds=$(cat "$out"/table.jsonl "$out"/bots.jsonl | grep -c '"event":"game-end"' || true)
echo "soak: rounds: ${client_rounds:-0} settlements seen by the clients, ${server_rounds:-0} game ends at the servers" >&2
echo "soak: faults injected by kind:" >&2
cat "$out"/table.jsonl "$out"/bots.jsonl | sed -n 's/.*"event":"chaos".*"kind":"\([a-z-]*\)".*/\1/p' | sort | uniq -c |
    sed 's/^/soak:   /' >&2
echo "soak: endings by reason:" >&2
cut -d' ' -f3- "$out/endings.txt" | sort | uniq -c | sort -rn | sed 's/^/soak:   /' >&2
if [ "${server_rounds:-0}" -eq 0 ]; then
    fail "not one game ended at the servers"
fi
if [ "$failed" = 0 ]; then
    echo "soak: passed" >&2
fi
exit "$failed"
