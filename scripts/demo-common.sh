# What the demo scripts share (sourced, not run).

# Whether a window can be opened: an X display that answers (or whose socket is there when
# xdpyinfo is not installed), unless DEMO_HEADLESS=1. Without one a game falls back to headless.
display_usable() {
    [ "${DEMO_HEADLESS:-0}" != 1 ] || return 1
    [ -n "${DISPLAY:-}" ] || return 1
    if command -v xdpyinfo >/dev/null 2>&1; then
        xdpyinfo >/dev/null 2>&1
        return
    fi
    case "$DISPLAY" in
    :*)
        local n=${DISPLAY#:}
        n=${n%%.*}
        [ -S "/tmp/.X11-unix/X$n" ]
        ;;
    *) return 0 ;;
    esac
}

# wait_for_port JSONL PID: prints the port of tessaro-devserver's first line ("listen"), which
# it writes as soon as it listens; nothing when the server ends or ten seconds pass first.
wait_for_port() {
    local lines=$1 pid=$2 port=
    for _ in $(seq 200); do
        port=$(sed -n '1s/.*"event":"listen".*"port":\([0-9][0-9]*\).*/\1/p' "$lines")
        [ -n "$port" ] && break
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.05
    done
    printf '%s' "$port"
}
