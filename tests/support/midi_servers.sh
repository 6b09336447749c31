# shellcheck shell=bash
# Private MIDI servers for the end-to-end tests, watched by the tests' own receiver
# (tests/support/midi_receiver.cpp, named by CORVANE_MIDI_RECEIVER), which stamps each event
# with the server's frame time and logs the cycles it missed. Source it after processes.sh and
# test_skip.sh; it defines:
#   start_midi_server KIND   KIND is jackd:PERIOD (jackd2, dummy driver, 48 kHz, asynchronous)
#                            or pipewire (pipewire and wireplumber, headless, on a private
#                            session bus and XDG_RUNTIME_DIR, its JACK interface through
#                            pw-jack, quantum 8192). Sets `jack`, the prefix that runs a JACK
#                            program against it ("" or "pw-jack"), and server_log, server_pid.
#                            Skips the test when the server cannot start.
#   restart_midi_server      kills the server (SIGKILL) and starts it again under its name
#   server_period            the server's period (quantum) in frames
#   server_xruns             how many xruns the server has logged so far (jackd's "XRun",
#                            PipeWire's "client too slow!")
#   start_monitor NAME       the receiver as client NAME, printing what NAME:input receives to
#                            $work/NAME.txt ("FRAME: f0 ... f7", FRAME on the server's clock)
#                            and the cycles it missed to $work/NAME.missed; waits for NAME:input
#   wait_clock_past NAME FRAME   waits (up to 3 s) until the server's frame time, as the monitor
#                            saw it at its last cycle's end, has passed FRAME
#   last_frame NAME          the server frame of the last packet the monitor received
#   packets NAME             what the monitor received, one packet a line, upper-case hex
#   gaps NAME                server frames from each packet to the next, one a line
#   missed_cycles NAME       how many cycles the monitor has missed so far (and "overflow" of
#                            its own buffer, never expected)
#   has_port PORT            PORT exists on the server
#
# JACK keeps a machine-wide table of at most eight server names. A server that dies without
# unregistering keeps its entry until a server of the same name starts, so the tests use a few
# fixed names, and clear the table of dead entries when no server runs at all.

export JACK_NO_START_SERVER=1
jack=""
server_log="$work/server.log"
server_pid=""

jack_forget_dead_servers() {
    pgrep -x jackd >/dev/null && return 0
    rm -f /dev/shm/jack-shm-registry /dev/shm/jack_sem.* 2>/dev/null || true
    find /dev/shm -maxdepth 1 -type s -name 'jack_*' -delete 2>/dev/null || true
}

# jackd under the first free name corvane-0..3; exports JACK_DEFAULT_SERVER.
start_jackd() {
    local period=$1 slot pid
    command -v jackd >/dev/null || skip_test "jackd is not installed (package jackd2)"
    jack_forget_dead_servers
    for slot in 0 1 2 3; do
        export JACK_DEFAULT_SERVER="corvane-$slot"
        # A live server of that name (another test's) would answer jack_lsp for ours.
        pgrep -f -- "jackd .*-n $JACK_DEFAULT_SERVER( |\$)" >/dev/null && continue
        jackd --no-realtime -n "$JACK_DEFAULT_SERVER" -d dummy -p "$period" -r 48000 \
            >"$server_log" 2>&1 &
        pid=$!
        for _ in $(seq 200); do
            kill -0 "$pid" 2>/dev/null || break # the name is taken by a live server
            if jack_lsp >/dev/null 2>&1; then
                server_pid=$pid
                pids+=("$pid")
                return 0
            fi
            sleep 0.05
        done
        kill -KILL "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    tail -n 5 "$server_log" >&2
    skip_test "jackd could not start a dummy server"
}

server_kind=""
plumber_pid=""

start_pipewire() {
    local tool
    for tool in pipewire wireplumber pw-jack pw-metadata dbus-daemon; do
        command -v "$tool" >/dev/null || skip_test "$tool is not installed"
    done
    export XDG_RUNTIME_DIR="$work/run"
    mkdir -m 700 -p "$XDG_RUNTIME_DIR"
    export DBUS_SESSION_BUS_ADDRESS="unix:path=$XDG_RUNTIME_DIR/bus"
    if [ ! -S "$XDG_RUNTIME_DIR/bus" ]; then
        dbus-daemon --session --nofork --address="$DBUS_SESSION_BUS_ADDRESS" >"$work/bus.log" 2>&1 &
        pids+=($!)
        wait_for 50 test -S "$XDG_RUNTIME_DIR/bus" || skip_test "no private session bus"
    fi
    # At log level 3 the server tells when a client did not finish its cycle in time ("client
    # too slow!"): the only word of an xrun its headless driver gives.
    PIPEWIRE_DEBUG=3 pipewire >>"$server_log" 2>&1 &
    server_pid=$!
    pids+=("$server_pid")
    wireplumber >>"$work/wireplumber.log" 2>&1 &
    plumber_pid=$!
    pids+=("$plumber_pid")
    jack=pw-jack
    wait_for 100 pw-jack jack_lsp || skip_test "PipeWire's JACK interface did not answer"
    # A forced quantum of 8192 frames (171 ms). Threads on these machines, real-time ones too,
    # stall for up to 110 ms; the headless (dummy) driver then neither reports the xrun to its
    # clients nor recovers the cycle, and a receiver misses it while the sender's clock runs on.
    # With a quantum longer than the stalls the tests measure the programs, not the machine.
    pw-metadata -n settings 0 clock.max-quantum 8192 >/dev/null
    pw-metadata -n settings 0 clock.force-quantum 8192 >/dev/null
    wait_for 100 sh -c "[ \"\$(pw-jack jack_bufsize | grep -oE '^[0-9]+')\" = 8192 ]" ||
        skip_test "PipeWire did not take the quantum 8192"
}

# ctest names the receiver; scripts run by hand (the package test, the benchmarks) find it
# where `make` builds it.
: "${CORVANE_MIDI_RECEIVER:=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/build/tests/support/corvane_midi_receiver}"

start_midi_server() {
    [ -x "$CORVANE_MIDI_RECEIVER" ] || fail "the test receiver $CORVANE_MIDI_RECEIVER is not built"
    server_kind=$1
    case $1 in
        jackd:*) start_jackd "${1#jackd:}" ;;
        pipewire) start_pipewire ;;
        *) fail "unknown server $1" ;;
    esac
}

# The same server again under its name: jackd on the same name and period, or PipeWire on the
# same runtime folder and bus. Its clients (the monitor too) have lost it.
restart_midi_server() {
    kill -KILL "$server_pid"
    wait "$server_pid" 2>/dev/null || true
    case $server_kind in
        jackd:*)
            wait_for 100 sh -c "! $jack jack_lsp" || fail "the stopped server still answers"
            jackd --no-realtime -n "$JACK_DEFAULT_SERVER" -d dummy -p "${server_kind#jackd:}" \
                -r 48000 >>"$server_log" 2>&1 &
            server_pid=$!
            pids+=("$server_pid")
            wait_for 100 jack_lsp || fail "jackd did not start again as $JACK_DEFAULT_SERVER"
            ;;
        pipewire)
            kill -TERM "$plumber_pid" 2>/dev/null || true
            wait "$plumber_pid" 2>/dev/null || true
            start_pipewire
            ;;
    esac
}

server_period() { $jack jack_bufsize | grep -oE '^[0-9]+'; }
server_xruns() { grep -ciE 'xrun|client too slow' "$server_log" || true; }
has_port() { $jack jack_lsp | grep -qx "$1"; }

start_monitor() {
    $jack "$CORVANE_MIDI_RECEIVER" "$1" "$work/$1.missed" "$work/$1.clock" >"$work/$1.txt" \
        2>"$work/$1.log" &
    pids+=($!)
    wait_for 100 has_port "$1:input" || fail "the receiver did not register $1:input"
}
last_frame() { sed -nE 's/^ *([0-9]+): .*/\1/p' "$work/$1.txt" | tail -n 1; }
clock_past() {
    local now
    now=$(cat "$work/$1.clock" 2>/dev/null) || true
    ((10#${now:-0} > $2))
}
wait_clock_past() { wait_for 30 clock_past "$1" "$2"; }
missed_cycles() { grep -cE '^(missed|overflow)' "$work/$1.missed" || true; }

packets() { grep -oiE 'f0( [0-9a-f]{2}){14} f7' "$work/$1.txt" | tr 'a-f' 'A-F' || true; }
gaps() {
    sed -nE 's/^ *([0-9]+): .*/\1/p' "$work/$1.txt" | awk 'NR > 1 { print $1 - last } { last = $1 }'
}
