# Shared by the end-to-end scripts that need a private JACK server. Source it; it defines:
#   wait_for TENTHS COMMAND...   polls COMMAND every 0.05 s for up to TENTHS tenths of a second
#   jack_start_private PREFIX LOG JACKD_ARGS...
#                                starts `jackd --no-realtime -n NAME JACKD_ARGS...` under the
#                                first free name PREFIX-0..3, exports JACK_DEFAULT_SERVER and
#                                sets JACK_PID; returns 1 when no server could start
#   jack_stop                    stops that server and takes its name out of JACK's table
#
# JACK keeps a machine-wide table of at most eight server names. A server that dies without
# unregistering keeps its entry until a server of the same name starts, so tests use a few
# fixed names, and clear the table of dead entries when no server runs at all.

export JACK_NO_START_SERVER=1
JACK_PID=""

wait_for() {
    local tries=$(($1 * 2))
    shift
    until "$@" >/dev/null 2>&1; do
        ((--tries > 0)) || return 1
        sleep 0.05
    done
}

jack_forget_dead_servers() {
    pgrep -x jackd >/dev/null && return 0
    rm -f /dev/shm/jack-shm-registry /dev/shm/jack_sem.* 2>/dev/null || true
    find /dev/shm -maxdepth 1 -type s -name 'jack_*' -delete 2>/dev/null || true
}

jack_start_private() {
    local prefix=$1 log=$2 slot pid
    shift 2
    jack_forget_dead_servers
    for slot in 0 1 2 3; do
        export JACK_DEFAULT_SERVER="$prefix-$slot"
        # A live server of that name (another test's) would answer jack_lsp for ours.
        pgrep -f -- "jackd .*-n $JACK_DEFAULT_SERVER( |\$)" >/dev/null && continue
        jackd --no-realtime -n "$JACK_DEFAULT_SERVER" "$@" >"$log" 2>&1 &
        pid=$!
        for _ in $(seq 200); do
            kill -0 "$pid" 2>/dev/null || break # the name is taken by a live server
            if jack_lsp >/dev/null 2>&1; then
                JACK_PID=$pid
                return 0
            fi
            sleep 0.05
        done
        kill -KILL "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    return 1
}

# SIGINT once the clients are gone lets jackd unregister its name; SIGKILL only if it hangs.
jack_stop() {
    [ -n "$JACK_PID" ] || return 0
    wait_for 30 sh -c '! jack_lsp 2>/dev/null | grep -qv "^system:"' || true
    kill -INT "$JACK_PID" 2>/dev/null || true
    wait_for 50 sh -c "! kill -0 $JACK_PID" || kill -KILL "$JACK_PID" 2>/dev/null || true
    wait "$JACK_PID" 2>/dev/null || true
    JACK_PID=""
}
