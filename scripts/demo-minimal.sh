#!/usr/bin/env bash
# The minimal demo (make demo-minimal): the minimal game at a table of a local game server, started the way the
# platform starts games, by the lobby stand-in.
#
#   1. tessaro-devserver on 127.0.0.1, on a free port, running a room of four tables of four chairs
#      where every arriving player is seated at the first free chair and two bots join him; three
#      seated players start the ready cycle, and the server's placeholder game plays a round; the
#      player gets the quick-chat phrases of assets/sounds/quickchat.txt and the bots speak them;
#   2. tessaro-lobby run with the staged game (build/stage/minimal/minimal) pointed at it: in a
#      window when a display is usable (close the window to end the demo), otherwise headless for
#      DEMO_SECONDS seconds;
#   3. the lobby's JSON lines on standard output; the game's own output, the server's JSON lines and
#      the screenshot (the last screen the game drew) under build/demo/.
#
# Exit status 0 when the game ran, ended well, announced its window to the lobby (0x46F) and was
# seated at the table.
#
# Settings: BUILD_DIR (default build), DEMO_SECONDS (headless run time, default 6),
# DEMO_HEADLESS=1 to run headless even with a display, DEMO_SCENARIO=FILE to have the server play
# a scenario instead of running tables (examples/minimal/demo.scenario seats the game by a
# login-again response).
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/demo-common.sh

build=${BUILD_DIR:-build}
seconds=${DEMO_SECONDS:-6}
devserver=$build/bin/tessaro-devserver
lobby=$build/bin/tessaro-lobby
game=$build/stage/minimal/minimal
scenario=${DEMO_SCENARIO:-}
out=$build/demo

for program in "$devserver" "$lobby" "$game"; do
    if [ ! -x "$program" ]; then
        echo "demo: $program is missing; run 'make build' first" >&2
        exit 1
    fi
done
case "$seconds" in
'' | *[!0-9]*) seconds=0 ;;
esac
if [ "$seconds" -lt 1 ] || [ "$seconds" -gt 86400 ]; then
    echo "demo: DEMO_SECONDS must be a whole number of seconds from 1 to 86400" >&2
    exit 2
fi

mkdir -p "$out"
out=$(cd "$out" && pwd)
rm -f "$out/minimal.png" "$out/lobby.jsonl" "$out/devserver.jsonl" "$out/game-output.txt"

# SIGTERM is the server's orderly end: it reports the connections still open and exits with 0.
server_pid=
stop_server() {
    if [ -n "$server_pid" ]; then
        local rc=0
        kill -TERM "$server_pid" 2>/dev/null || true
        wait "$server_pid" 2>/dev/null || rc=$?
        server_pid=
        if [ "$rc" -ne 0 ]; then
            echo "demo: tessaro-devserver ended with status $rc" >&2
        fi
    fi
}
trap stop_server EXIT

if [ -n "$scenario" ]; then
    server_args=(--script "$scenario")
    what=$scenario
else
    server_args=(--tables 4 --chairs 4 --bots 2 --min-players 3 --auto-sit
        --phrases assets/sounds/quickchat.txt --bot-chat)
    what="4 tables of 4 chairs, 2 bots at every table with a player, chatting in quick-chat phrases"
fi
"$devserver" --listen 127.0.0.1:0 "${server_args[@]}" >"$out/devserver.jsonl" 2>"$out/devserver.err" &
server_pid=$!

port=$(wait_for_port "$out/devserver.jsonl" "$server_pid")
if [ -z "$port" ]; then
    echo "demo: tessaro-devserver did not start:" >&2
    cat "$out/devserver.err" >&2
    exit 1
fi
echo "demo: tessaro-devserver listens on 127.0.0.1:$port ($what)" >&2

lobby_args=(run --game "$game" --server "127.0.0.1:$port")
if display_usable; then
    echo "demo: the game opens in a window; close it to end the demo" >&2
    export MINIMAL_SCREENSHOT=$out/minimal.png
    unset MINIMAL_SECONDS
else
    echo "demo: no usable display: the game runs headless for $seconds seconds" >&2
    export MINIMAL_SCREENSHOT=$out/minimal.png MINIMAL_SECONDS=$seconds
    lobby_args+=(--headless --timeout $((seconds + 30)))
fi

set +e
"$lobby" "${lobby_args[@]}" 2>"$out/game-output.txt" | tee "$out/lobby.jsonl"
status=${PIPESTATUS[0]}
set -e
stop_server

echo >&2
echo "demo: the game's output:    $out/game-output.txt" >&2
echo "demo: the server's lines:   $out/devserver.jsonl" >&2
# What the server got, by message type (1 the net-speed test, 26 the keep-alive).
received=$(sed -n 's/.*"event":"recv","conn":[0-9]*,"type":\([0-9]*\).*/\1/p' "$out/devserver.jsonl" |
    sort -n | uniq -c | awk '{printf "%s type %s x%s", (NR > 1 ? "," : ""), $2, $1}')
echo "demo: the server received:${received:- nothing}" >&2

failed=0
if ! grep -q '"msg": 1135,' "$out/lobby.jsonl"; then
    echo "demo: FAILED: the game never announced its window to the lobby (0x46F)" >&2
    # A second copy of a game ends at once, quietly, unless multi.dat stands in the platform root.
    echo "demo: (is another copy of the minimal game running? see $out/game-output.txt)" >&2
    failed=1
fi
# The game prints its seats whenever they change; the last line is the table it ended at.
seats=$(sed -n 's/^minimal: seats //p' "$out/game-output.txt" | tail -n 1)
if [ -n "$seats" ]; then
    echo "demo: the game's last seats: $seats" >&2
fi
if ! grep -q '^minimal: seats .*1=self@' "$out/game-output.txt"; then
    echo "demo: FAILED: the game was never seated at a table" >&2
    failed=1
fi
if [ "$status" -ne 0 ]; then
    echo "demo: FAILED: tessaro-lobby ended with status $status" >&2
    failed=1
fi
# The table's chat as the game showed it (the bots speak every few seconds).
chats=$(grep -c '^minimal: chat ' "$out/game-output.txt" || true)
echo "demo: chat lines shown:     ${chats:-0}" >&2
if [ -s "$out/minimal.png" ]; then
    echo "demo: screenshot:           $out/minimal.png" >&2
else
    echo "demo: no screenshot was written" >&2
fi
exit "$failed"
