#!/usr/bin/env bash
# The demo (make demo): the demo game, Dou Dizhu (斗地主), at a table of the local game server,
# started the way the platform starts games, by the lobby stand-in.
#
#   1. tessaro-devserver on 127.0.0.1, on a free port, with tables of three chairs playing the demo
#      game (--game landlord, dealt from --seed): every arriving player is seated at the first free
#      chair, and bots fill the chairs that players leave empty; the players get the quick-chat
#      phrases of assets/sounds/quickchat.txt and the bots speak them now and then;
#   2. the players, each by tessaro-lobby run with the staged game (build/stage/landlord/landlord):
#      with a usable display the first one opens a window and a person plays it with the mouse
#      (close the window to end the demo); every other one, and the first without a display, runs
#      headless with the automatic player (--autoplay) for one whole round;
#   3. the lobby's JSON lines of the first player on standard output, the round's outcome, and
#      under build/demo/ the game's output, the server's JSON lines and, headless, the screenshots
#      of the bidding, the middle of the play and the result.
#
# Exit status 0 when every player's game announced its window to the lobby, sat at the table and
# ended well, and a headless run saw its round to the settlement.
#
# Settings: BUILD_DIR (default build), PLAYERS (1 to 3 real clients at the table, default 1),
# SEED (the deal, default 7), DEMO_HEADLESS=1 to run headless even with a display,
# DEMO_TIMEOUT (seconds a headless player may take for its round, default 240).
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/demo-common.sh

build=${BUILD_DIR:-build}
players=${PLAYERS:-1}
seed=${SEED:-7}
timeout=${DEMO_TIMEOUT:-240}
devserver=$build/bin/tessaro-devserver
lobby=$build/bin/tessaro-lobby
game=$build/stage/landlord/landlord
out=$build/demo

for program in "$devserver" "$lobby" "$game"; do
    if [ ! -x "$program" ]; then
        echo "demo: $program is missing; run 'make build' first" >&2
        exit 1
    fi
done
case "$players" in
1 | 2 | 3) ;;
*)
    echo "demo: PLAYERS must be 1, 2 or 3" >&2
    exit 2
    ;;
esac
case "$seed$timeout" in
'' | *[!0-9]*)
    echo "demo: SEED and DEMO_TIMEOUT must be whole numbers" >&2
    exit 2
    ;;
esac

mkdir -p "$out"
out=$(cd "$out" && pwd)
rm -f "$out"/bidding.png "$out"/playing.png "$out"/result.png "$out"/lobby*.jsonl "$out"/game-output*.txt \
    "$out"/devserver.jsonl "$out"/devserver.err

# SIGTERM is the server's orderly end: it reports the connections still open and exits with 0.
server_pid=
pids=()
stop_all() {
    for pid in "${pids[@]}"; do
        kill -TERM "$pid" 2>/dev/null || true
    done
    if [ -n "$server_pid" ]; then
        kill -TERM "$server_pid" 2>/dev/null || true
        wait "$server_pid" 2>/dev/null || true
        server_pid=
    fi
}
trap stop_all EXIT

bots=$((3 - players))
"$devserver" --listen 127.0.0.1:0 --game landlord --chairs 3 --tables 2 --min-players 3 --auto-sit \
    --bots "$bots" --seed "$seed" --auth-wait 10000 --phrases assets/sounds/quickchat.txt --bot-chat \
    >"$out/devserver.jsonl" 2>"$out/devserver.err" &
server_pid=$!

port=$(wait_for_port "$out/devserver.jsonl" "$server_pid")
if [ -z "$port" ]; then
    echo "demo: tessaro-devserver did not start:" >&2
    cat "$out/devserver.err" >&2
    exit 1
fi
echo "demo: tessaro-devserver listens on 127.0.0.1:$port (Dou Dizhu, seed $seed, $players player(s) and $bots bot(s) at table 1)" >&2

windowed=0
if display_usable; then
    windowed=1
fi
# Every player is its own lobby with its own user id (several copies may run: the build puts
# multi.dat in the platform root).
for i in $(seq "$players"); do
    user=$((10000 + i))
    args=(run --game "$game" --server "127.0.0.1:$port" --arg "2=$user")
    if [ "$i" = 1 ] && [ "$windowed" = 1 ]; then
        echo "demo: player $user opens a window: play with the mouse; close it to end the demo" >&2
        env -u LANDLORD_ROUNDS "$lobby" "${args[@]}" >"$out/lobby$i.jsonl" 2>"$out/game-output$i.txt" &
    else
        shots=
        [ "$i" = 1 ] && shots=$out
        echo "demo: player $user runs headless with the automatic player for one round" >&2
        LANDLORD_ROUNDS=1 LANDLORD_SHOTS=$shots "$lobby" "${args[@]}" --headless --autoplay --timeout "$timeout" \
            >"$out/lobby$i.jsonl" 2>"$out/game-output$i.txt" &
    fi
    pids+=($!)
done

failed=0
for i in $(seq "$players"); do
    status=0
    wait "${pids[$((i - 1))]}" || status=$?
    if [ "$status" -ne 0 ]; then
        echo "demo: FAILED: player $i's lobby ended with status $status (see $out/game-output$i.txt)" >&2
        failed=1
    fi
done
pids=()
stop_all

cat "$out/lobby1.jsonl"
echo >&2
for i in $(seq "$players"); do
    output=$out/game-output$i.txt
    if ! grep -q '"msg": 1135,' "$out/lobby$i.jsonl"; then
        echo "demo: FAILED: player $i's game never announced its window to the lobby (0x46F)" >&2
        failed=1
    fi
    if ! grep -q '^landlord: deal ' "$output"; then
        echo "demo: FAILED: player $i was never dealt a hand (see $output)" >&2
        failed=1
    fi
    if [ "$i" != 1 ] || [ "$windowed" = 0 ]; then
        if ! grep -q '^landlord: end ' "$output"; then
            echo "demo: FAILED: player $i's round never reached its settlement (see $output)" >&2
            failed=1
        fi
    fi
done
# The round's outcome as the first player saw it.
plays=$(grep -c '^landlord: play ' "$out/game-output1.txt" || true)
landlord=$(sed -n 's/^landlord: landlord //p' "$out/game-output1.txt" | tail -n 1)
outcome=$(sed -n 's/^landlord: end //p' "$out/game-output1.txt" | tail -n 1)
echo "demo: plays seen:        ${plays:-0}" >&2
echo "demo: landlord:          ${landlord:-none}" >&2
echo "demo: outcome:           ${outcome:-none}" >&2
echo "demo: the game's output: $out/game-output1.txt" >&2
echo "demo: the server's lines: $out/devserver.jsonl" >&2
for shot in bidding playing result; do
    if [ -s "$out/$shot.png" ]; then
        echo "demo: screenshot:        $out/$shot.png" >&2
    elif [ "$windowed" = 0 ]; then
        echo "demo: FAILED: no screenshot $out/$shot.png" >&2
        failed=1
    fi
done
exit "$failed"
