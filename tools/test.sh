#!/usr/bin/env bash
# Builds dravik (warnings as errors) and runs every test: the C++ tests of
# the core (including the comparison with the reference implementation) and
# the Python suite against the installed module.
#   bash tools/test.sh            # uses ./.venv, created if missing
#   PYTHON=python3.13 bash tools/test.sh
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

PYTHON="${PYTHON:-python3}"
VENV="${VENV:-.venv}"
BUILD="${BUILD:-build/tests}"

if [ ! -f /usr/include/gtest/gtest.h ]; then
    if [ "$(id -u)" -eq 0 ]; then
        apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq libgtest-dev >/dev/null
    else
        echo "tools/test.sh: GoogleTest is missing; install Debian's libgtest-dev" >&2
        exit 1
    fi
fi

[ -x "$VENV/bin/python" ] || "$PYTHON" -m venv "$VENV"
"$VENV/bin/python" -m pip install -q --upgrade pip >/dev/null
"$VENV/bin/python" -m pip install -q pytest numpy cmake ninja
"$VENV/bin/python" -m pip install -q -C cmake.define.DRAVIK_WERROR=ON .

export PATH="$PWD/$VENV/bin:$PATH"
# The core does not depend on the interpreter: CPP_TESTS=0 skips its tests
# when only another interpreter is being checked.
if [ "${CPP_TESTS:-1}" != 0 ]; then
cmake -S . -B "$BUILD" -G Ninja -DDRAVIK_BUILD_TESTS=ON -DDRAVIK_WERROR=ON >/dev/null
cmake --build "$BUILD"
ctest --test-dir "$BUILD" --output-on-failure
fi

# Run from outside the tree so that `import dravik` finds the installed module.
(cd tests && "../$VENV/bin/python" -m pytest python -q -p no:cacheprovider)
