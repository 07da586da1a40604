#!/usr/bin/env bash
# The win32 layer's Wine: Debian's 32-bit Wine under qemu-user, in a WoW64 prefix of its own
# under the build folder.
#
# The kernel here refuses i386 programs. Each step therefore runs in a private user and mount
# namespace in which qemu-i386 is registered with binfmt_misc: nothing outside changes, and
# other Wine runs on the machine never start their 32-bit helpers under emulation.
#
# The prefix is made by wine64, whose services (services.exe, winedevice, explorer, rpcss) run
# natively; only the 32-bit side of its set-up and the test programs themselves are emulated.
#
# usage: wine32.sh setup <prefix-dir>                     make the prefix, keep a wineserver
#        wine32.sh run <prefix-dir> <program> [args...]   run a 32-bit test program in it
#        wine32.sh shutdown <prefix-dir>                  end every process of the prefix
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

QEMU=/usr/bin/qemu-i386-static
WINE32=/usr/lib/wine/wine
# binfmt_misc entry for i386 ELF executables ("F": qemu is opened now, not looked up per exec).
REGISTRATION=':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:'"$QEMU"':F'
# Limits in seconds: a step that takes longer is stuck, not slow.
PREFIX_LIMIT=300
SMOKE_LIMIT=120
PROGRAM_LIMIT=600

fail() {
    echo "win32 layer: $*" >&2
    exit 1
}

now() { date +%s; }

# The processes of this prefix, wherever they run: Wine's services leave their process group,
# so they are found by the WINEPREFIX they were started with.
prefix_processes() {
    local entry="WINEPREFIX=$1" pid
    for pid in $(ls /proc | grep -E '^[0-9]+$'); do
        [ "$pid" = "$$" ] && continue
        if tr '\0' '\n' 2>/dev/null <"/proc/$pid/environ" | grep -qxF "$entry"; then echo "$pid"; fi
    done
}

end_prefix_processes() {
    local pids
    pids=$(prefix_processes "$1")
    [ -z "$pids" ] && return 0
    echo "win32 layer: ending $(echo $pids | wc -w) process(es) left in the prefix: $(echo $pids)"
    kill -KILL $pids 2>/dev/null || true
}

# --- inside the namespace -------------------------------------------------------------------

inside() {
    mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc 2>/dev/null ||
        fail "binfmt_misc cannot be mounted in a private user namespace; that needs Linux 6.7 or newer (this is $(uname -r))."
    printf '%s' "$REGISTRATION" >/proc/sys/fs/binfmt_misc/register ||
        fail "qemu-i386 cannot be registered with binfmt_misc in the private namespace."

    local action=$1 prefix=$2
    shift 2
    . "$here/../wine/wine-env.sh" "$prefix"
    # No desktop menu entries; and a crashing program ends at once instead of waiting for winedbg.
    export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe,winedbg.exe=d"
    # When it starts, Wine (without its preloader, which Debian does not ship) reserves the
    # address space above 2 GB by asking for exact addresses. qemu 7.2 places such requests
    # elsewhere in its 4 GB guest space, Wine keeps what it got and halves its requests down to
    # 64 KB: tens of thousands of requests, each a long search by qemu, about a minute of CPU
    # per process. A guest space that ends just above 2 GB leaves almost nothing to reserve:
    # about 2 s of CPU per process.
    export QEMU_RESERVED_VA=0x81000000

    case "$action" in
    setup) setup_inside ;;
    run) run_inside "$@" ;;
    shutdown)
        "$WINESERVER" -k 2>/dev/null || true
        timeout 30 "$WINESERVER" -w 2>/dev/null || true
        ;;
    esac
}

# One attempt at the prefix: wine64 makes it (its 32-bit side under emulation), then one 32-bit
# program must run in it.
make_prefix() {
    local log="$WINEPREFIX.log"
    mkdir -p "$WINEPREFIX"
    # Persistent from the start: nothing waits for the server to exit after wineboot, and every
    # later process finds it running.
    "$WINESERVER" -p </dev/null >/dev/null 2>&1
    if ! timeout -k 10 "$PREFIX_LIMIT" "$WINE64" wineboot -i </dev/null >"$log" 2>&1; then
        echo "wineboot did not finish within $PREFIX_LIMIT s"
        return 1
    fi
    # The prefix's services, started now with no output of this step: they outlive the program
    # that starts them, and ctest waits for every holder of a test's output to finish.
    "$WINE64" cmd /c exit </dev/null >/dev/null 2>&1 || true
    local status=0
    timeout -k 10 "$SMOKE_LIMIT" "$WINE32" cmd /c exit </dev/null >>"$log" 2>&1 || status=$?
    case "$status" in
    0) ;;
    124 | 137)
        echo "a 32-bit program did not finish within $SMOKE_LIMIT s in the new prefix"
        return 1
        ;;
    *)
        echo "a 32-bit program failed in the new prefix (status $status): $(grep -m1 -i 'could not load\|err:' "$log" || true)"
        return 1
        ;;
    esac
}

setup_inside() {
    local start attempt problem
    start=$(now)
    "$WINESERVER" -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
    for attempt in 1 2; do
        if problem=$(make_prefix); then
            echo "$start" >"$WINEPREFIX.started"
            echo "[report] win32: prefix made in $(($(now) - start)) s (WoW64 by wine64, 32-bit side under qemu)"
            return 0
        fi
        echo "win32 prefix, attempt $attempt: $problem" >&2
        "$WINESERVER" -k 2>/dev/null || true
        timeout 30 "$WINESERVER" -w 2>/dev/null || true
        end_prefix_processes "$WINEPREFIX"
        rm -rf "$WINEPREFIX"
    done
    fail "the prefix could not be made (log: $WINEPREFIX.log)"
}

run_inside() {
    local program=$1 start status output name summary
    shift
    [ -f "$WINEPREFIX.started" ] || fail "no prefix at $WINEPREFIX: run \"$0 setup\" first"
    name=$(basename "$(dirname "$program")")
    output=$(mktemp)
    start=$(now)
    # Output to a file, not to ctest's pipe: a service started on demand inherits it and
    # lives on after the program.
    status=0
    timeout -k 10 "$PROGRAM_LIMIT" "$WINE32" "$program" "$@" </dev/null >"$output" 2>&1 || status=$?
    cat "$output"
    summary=$(grep -E '^[0-9]+ passed, [0-9]+ failed' "$output" | tail -n 1 | tr -d '\r' || true)
    rm -f "$output"
    echo "[report] win32: $name: ${summary:-no summary} in $(($(now) - start)) s"
    case "$status" in 124 | 137) fail "$name did not finish within $PROGRAM_LIMIT s" ;; esac
    [ -n "$summary" ] || fail "$name printed no \"N passed, N failed\" line (exit status $status)"
    [ "$status" -eq 0 ] || fail "$name failed (exit status $status)"
    case "$summary" in 0\ passed*) fail "$name ran no test" ;; esac
}

if [ "${1:-}" = "--inside" ]; then
    shift
    inside "$@"
    exit 0
fi

# --- outside: requirements, then the namespace -----------------------------------------------

[ $# -ge 2 ] || fail "usage: $0 setup|run|shutdown <prefix-dir> [program [arguments...]]"
action=$1
prefix=$(realpath -m "$2")
case "$action" in
setup | shutdown) [ $# -eq 2 ] || fail "usage: $0 $action <prefix-dir>" ;;
run) [ $# -ge 3 ] || fail "usage: $0 run <prefix-dir> <program> [arguments...]" ;;
*) fail "unknown step $action (setup, run or shutdown)" ;;
esac

if [ "$action" = "shutdown" ]; then
    # Only what this layer started: the prefix's processes.
    if [ -d "$prefix" ] && command -v unshare >/dev/null; then
        unshare --user --map-root-user --mount --fork "$0" --inside shutdown "$prefix" || true
    fi
    end_prefix_processes "$prefix"
    if [ -f "$prefix.started" ]; then
        echo "[report] win32: layer took $(($(now) - $(cat "$prefix.started"))) s from the prefix's creation to its shutdown"
        rm -f "$prefix.started"
    fi
    exit 0
fi

[ -x "$QEMU" ] ||
    fail "qemu-user-static is not installed: apt-get install qemu-user-static (scripts/install-deps.sh installs it)."
[ -x "$WINE32" ] && [ -d /usr/lib/i386-linux-gnu/wine/i386-windows ] ||
    fail "the 32-bit Wine is not installed: dpkg --add-architecture i386 && apt-get update && apt-get install wine32:i386 (scripts/install-deps.sh does this)."
command -v unshare >/dev/null || fail "unshare is missing: apt-get install util-linux."
unshare --user --map-root-user --mount true 2>/dev/null ||
    fail "user namespaces are not available here (unshare --user --map-root-user failed): enable them (sysctl user.max_user_namespaces, kernel.unprivileged_userns_clone=1) or run in a container that allows them."

if [ "$action" = "setup" ]; then
    end_prefix_processes "$prefix"  # left behind by an interrupted run
    mkdir -p "$(dirname "$prefix")"
fi
exec unshare --user --map-root-user --mount --fork "$0" --inside "$action" "$prefix" "${@:3}"
