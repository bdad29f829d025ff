#!/usr/bin/env bash
# Build and test the dravik extension against a real CPython 3.15.
#
# Debian bookworm has no 3.15, so this creates a Debian sid chroot (which
# carries python3.15 / python3.15-dev), copies the source tree into it, builds
# the module with `pip install .` (with -Werror) in a python3.15 venv, runs the
# Python test suite and checks that the 3.15-only module export hook
# (PyModExport_dravik) is what the interpreter actually used.
#
# Usage: .ci/py315.sh [--fresh] [--prepare-only]
#   --fresh         delete and rebuild the chroot even if a complete one exists
#   --prepare-only  only create the chroot, the venv and the test tools; do not
#                   build or test the module
# Environment:
#   DRAVIK_SID_ROOT    chroot directory (default /var/tmp/dravik-sid-py315)
#   DRAVIK_SID_MIRROR  Debian mirror (default: taken from the host's apt sources)
#
# Needs root (debootstrap, chroot, mount). Exits non-zero on any failure.
set -euo pipefail

FRESH=0
PREPARE_ONLY=0
for arg in "$@"; do
    case "$arg" in
        --fresh) FRESH=1 ;;
        --prepare-only) PREPARE_ONLY=1 ;;
        -h|--help) sed -n '2,19p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
        *) echo "py315: unknown argument: $arg" >&2; exit 2 ;;
    esac
done

REPO="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
ROOT="${DRAVIK_SID_ROOT:-/var/tmp/dravik-sid-py315}"
ROOT="${ROOT%/}"
STAMP="$ROOT/.dravik-chroot-complete"
LOCK="$ROOT.lock"
# Packages inside the chroot. Changing this list invalidates existing chroots.
PKGS="python3.15 python3.15-dev python3.15-venv g++ cmake ninja-build binutils ca-certificates"
STAMP_CONTENT="v1 $PKGS"
VENV=/opt/dravik-venv
SRC=/build/dravik

if [ "$(id -u)" -ne 0 ]; then
    echo "py315: must run as root (debootstrap/chroot/mount)" >&2
    exit 1
fi
case "$ROOT" in
    /|/var|/var/tmp|/tmp|"$REPO"|"$REPO"/*) echo "py315: refusing chroot dir $ROOT" >&2; exit 1 ;;
esac

# ---------------------------------------------------------------- timing
T_START=$(date +%s)
exec 7>&1 8>&2
TIMINGS=()
phase_t0=0
phase_name=""
phase() {           # phase NAME: start a timed phase (ends the previous one)
    phase_end
    phase_name="$1"
    phase_t0=$(date +%s)
    echo
    echo "==== py315: $phase_name"
}
phase_end() {
    if [ -n "$phase_name" ]; then
        local dt=$(( $(date +%s) - phase_t0 ))
        TIMINGS+=("$(printf '%-32s %4ds' "$phase_name" "$dt")")
        echo "---- py315: $phase_name took ${dt}s"
        phase_name=""
    fi
}
print_timings() {
    echo
    echo "==== py315: phase timings"
    local t
    for t in "${TIMINGS[@]}"; do echo "  $t"; done
    printf '  %-32s %4ds\n' "total" "$(( $(date +%s) - T_START ))"
}

# ---------------------------------------------------------------- mounts
mounts_under_root() {   # mount points at or below $ROOT, deepest first
    awk -v r="$ROOT" '$2 == r || index($2, r "/") == 1 { print $2 }' /proc/self/mounts | sort -r
}
unmount_all() {
    local m
    for m in $(mounts_under_root); do
        umount "$m" 2>/dev/null || umount -l "$m" || true
    done
}
mount_proc() {
    mkdir -p "$ROOT/proc"
    if ! awk -v p="$ROOT/proc" '$2 == p { f = 1 } END { exit !f }' /proc/self/mounts; then
        mount -t proc proc "$ROOT/proc"
    fi
}

on_exit() {
    local rc=$?
    set +e
    # the trap can fire inside a redirected command: restore the script's own
    # stdout/stderr first
    exec 1>&7 2>&8
    phase_end
    unmount_all
    print_timings
    if [ "$rc" -eq 0 ]; then
        echo "py315: OK"
    else
        echo "py315: FAILED (exit $rc)" >&2
    fi
    exit "$rc"
}
trap on_exit EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# One run at a time per chroot (the lock is held until the script exits).
mkdir -p "$(dirname "$ROOT")"
exec 9>"$LOCK"
if ! flock -w 900 9; then
    echo "py315: could not lock $LOCK" >&2
    exit 1
fi

# Run a command inside the chroot with a clean environment.
in_chroot() {
    chroot "$ROOT" /usr/bin/env -i \
        HOME=/root LANG=C.UTF-8 TERM=dumb \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        DEBIAN_FRONTEND=noninteractive \
        PIP_DISABLE_PIP_VERSION_CHECK=1 PIP_DEFAULT_TIMEOUT=120 PIP_RETRIES=3 \
        PIP_CERT=/etc/ssl/dravik-ca-bundle.crt \
        SSL_CERT_FILE=/etc/ssl/dravik-ca-bundle.crt \
        REQUESTS_CA_BUNDLE=/etc/ssl/dravik-ca-bundle.crt \
        PYTHONDONTWRITEBYTECODE=1 \
        "$@"
}

# The host's view of network settings and trusted CAs (the host may reach
# PyPI through a TLS proxy whose CA only the host bundle contains).
sync_host_config() {
    cp -L /etc/resolv.conf "$ROOT/etc/resolv.conf" 2>/dev/null || true
    local bundle=""
    for f in "${PIP_CERT:-}" "${SSL_CERT_FILE:-}" /etc/ssl/certs/ca-certificates.crt; do
        if [ -n "$f" ] && [ -f "$f" ]; then bundle="$f"; break; fi
    done
    mkdir -p "$ROOT/etc/ssl"
    if [ -n "$bundle" ]; then
        # host bundle first, then the chroot's own Debian bundle
        cat "$bundle" > "$ROOT/etc/ssl/dravik-ca-bundle.crt"
        if [ -f "$ROOT/etc/ssl/certs/ca-certificates.crt" ]; then
            cat "$ROOT/etc/ssl/certs/ca-certificates.crt" >> "$ROOT/etc/ssl/dravik-ca-bundle.crt"
        fi
    elif [ -f "$ROOT/etc/ssl/certs/ca-certificates.crt" ]; then
        cp "$ROOT/etc/ssl/certs/ca-certificates.crt" "$ROOT/etc/ssl/dravik-ca-bundle.crt"
    else
        : > "$ROOT/etc/ssl/dravik-ca-bundle.crt"
    fi
}

host_mirror() {
    if [ -n "${DRAVIK_SID_MIRROR:-}" ]; then echo "$DRAVIK_SID_MIRROR"; return; fi
    local m=""
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
        m=$(awk '/^URIs:/ { for (i = 2; i <= NF; i++) if ($i !~ /security/) { print $i; exit } }' \
            /etc/apt/sources.list.d/debian.sources)
    fi
    if [ -z "$m" ] && [ -f /etc/apt/sources.list ]; then
        m=$(awk '$1 == "deb" && $2 !~ /security/ { print $2; exit }' /etc/apt/sources.list)
    fi
    echo "${m:-http://deb.debian.org/debian}"
}

# ---------------------------------------------------------------- chroot
chroot_complete() {
    [ -f "$STAMP" ] && [ "$(cat "$STAMP")" = "$STAMP_CONTENT" ] \
        && [ -x "$ROOT/usr/bin/python3.15" ] && [ -f "$ROOT/usr/include/python3.15/Python.h" ]
}

if [ "$FRESH" -eq 1 ] || ! chroot_complete; then
    phase "host: debootstrap available"
    if ! command -v debootstrap >/dev/null 2>&1; then
        apt-get update -qq
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap >/dev/null
    fi
    command -v debootstrap >/dev/null

    phase "chroot: debootstrap sid"
    unmount_all
    if [ -n "$(mounts_under_root)" ]; then
        echo "py315: mounts remain under $ROOT, refusing to delete it" >&2
        exit 1
    fi
    rm -rf --one-file-system "$ROOT"
    MIRROR="$(host_mirror)"
    echo "mirror: $MIRROR"
    if ! debootstrap --variant=minbase sid "$ROOT" "$MIRROR" > "$ROOT.debootstrap.log" 2>&1; then
        tail -n 60 "$ROOT.debootstrap.log" >&2
        [ -f "$ROOT/debootstrap/debootstrap.log" ] && tail -n 60 "$ROOT/debootstrap/debootstrap.log" >&2
        exit 1
    fi
    tail -n 2 "$ROOT.debootstrap.log"

    phase "chroot: apt install"
    sync_host_config
    mount_proc
    # The sid archive may be served as a dated snapshot whose Release file has
    # expired, hence Check-Valid-Until=false.
    in_chroot apt-get -o Acquire::Check-Valid-Until=false -q update
    # shellcheck disable=SC2086
    if ! in_chroot apt-get -o Acquire::Check-Valid-Until=false install -y -q \
            --no-install-recommends $PKGS > "$ROOT.apt.log" 2>&1; then
        tail -n 80 "$ROOT.apt.log" >&2
        exit 1
    fi
    in_chroot apt-get clean
    echo "$STAMP_CONTENT" > "$STAMP"
else
    echo "py315: reusing complete chroot $ROOT"
fi

sync_host_config
mount_proc

phase "chroot: toolchain versions"
in_chroot bash -c 'python3.15 -VV; g++ --version | head -n 1; cmake --version | head -n 1; echo "ninja $(ninja --version)"'

# ---------------------------------------------------------------- venv
phase "venv: create + test tools"
in_chroot rm -rf "$VENV"
in_chroot python3.15 -m venv "$VENV"
in_chroot "$VENV/bin/python" -m pip install -q --upgrade pip
in_chroot "$VENV/bin/python" -m pip install -q pytest
# numpy only as a prebuilt wheel; the tests skip numpy cases without it.
if in_chroot timeout 180 "$VENV/bin/python" -m pip install -q --only-binary=:all: numpy; then
    in_chroot "$VENV/bin/python" -c 'import numpy; print("numpy", numpy.__version__)'
else
    echo "py315: no numpy wheel for 3.15 -- numpy tests will be skipped"
fi
in_chroot "$VENV/bin/python" -m pip list --format=freeze

if [ "$PREPARE_ONLY" -eq 1 ]; then
    echo "py315: --prepare-only: skipping module build and tests"
    exit 0
fi

# ---------------------------------------------------------------- source
phase "source: copy into chroot"
rm -rf --one-file-system "${ROOT:?}$SRC"
mkdir -p "$ROOT$SRC"
tar -C "$REPO" \
    --exclude=./.git --exclude='./build' --exclude='./build-*' --exclude='./_skbuild' \
    --exclude='./dist' --exclude='./.venv' --exclude='__pycache__' --exclude='*.egg-info' \
    --exclude='.pytest_cache' -cf - . | tar -C "$ROOT$SRC" -xf -
du -sh "$ROOT$SRC" | awk '{ print "copied " $1 }'

# ---------------------------------------------------------------- build
phase "build: pip install . (-Werror)"
# Build isolation pulls scikit-build-core from PyPI; the chroot's Debian cmake
# and ninja are used when they satisfy its minimum versions (otherwise it
# fetches wheels of them from PyPI).
if ! in_chroot bash -c "cd '$SRC' && CMAKE_BUILD_PARALLEL_LEVEL=\$(nproc) \
        '$VENV/bin/python' -m pip install -v . \
        -C cmake.define.DRAVIK_WERROR=ON -C build.verbose=true \
        -C build-dir=/build/dravik-cmake" \
        > "$ROOT/build/pip-install.log" 2>&1; then
    echo "py315: build failed; compiler/pip output follows" >&2
    grep -n -E '(error:|Error:|CMake Error)' "$ROOT/build/pip-install.log" | head -n 80 >&2 || true
    echo "----- full log -----" >&2
    cat "$ROOT/build/pip-install.log" >&2
    exit 1
fi
LOG="$ROOT/build/pip-install.log"
grep -E 'using CMake|Building project with|Successfully installed dravik' "$LOG" | sed 's/^ *//' || true
n_cc=$(grep -c -E '(c\+\+|g\+\+|clang\+\+).* -c ' "$LOG" || true)
n_werror=$(grep -E '(c\+\+|g\+\+|clang\+\+).* -c ' "$LOG" | grep -c -e '-Werror' || true)
echo "compile commands: $n_cc, with -Werror: $n_werror"
if [ "$n_cc" -gt 0 ] && [ "$n_werror" -eq 0 ]; then
    echo "py315: DRAVIK_WERROR=ON was passed but no compile command uses -Werror" >&2
    exit 1
fi
grep -i ': warning:' "$LOG" | head -n 20 || true

# ---------------------------------------------------------------- tests
phase "test: pytest tests/python"
if [ ! -d "$ROOT$SRC/tests/python" ]; then
    echo "py315: tests/python is missing" >&2
    exit 1
fi
# Run from a directory outside the source tree so `import dravik` can only
# resolve to the installed extension.
in_chroot bash -c "cd /build && '$VENV/bin/python' -m pytest '$SRC/tests/python' -q -p no:cacheprovider --rootdir='$SRC'"

phase "check: 3.15 export hook"
cp "$REPO/.ci/py315_check.py" "$ROOT/build/py315_check.py"
in_chroot bash -c "cd /build && '$VENV/bin/python' /build/py315_check.py"

phase_end
