#!/usr/bin/env bash
# The numbers the program and the runtime agree on are declared once: event numbers in
# runtime/commands.h, the image's record layout in image/program_image.h. Fails, naming the
# line, when a second definition or a bare event number appears anywhere in the sources.
#
#   scripts/check-contract.sh [SOURCE_DIR]
set -uo pipefail
cd "${1:-$(dirname "$0")/..}"
sources=(app convert drawing output host image loader runtime bench fuzz)
status=0

fail() {
    echo "$1"
    echo "$2" | sed 's/^/    /'
    status=1
}

# Event numbers: only runtime/commands.h gives a kEv name its value.
found=$(grep -rnE --include='*.cpp' --include='*.h' '\bkEv[A-Za-z]+[[:space:]]*=[^=]' "${sources[@]}" |
    grep -v '^runtime/commands\.h:')
[[ -z "$found" ]] || fail "event numbers defined outside runtime/commands.h:" "$found"

# A unit raises its events by name, never by a bare number.
found=$(grep -rnE --include='*.cpp' --include='*.h' '\bRaise(Event)?\([^)]*\b-?[0-9]+\b' "${sources[@]}" |
    grep -vE 'Raise(Event)?\([^,]*,[[:space:]]*abi::kEv|Raise\(abi::kEv')
[[ -z "$found" ]] || fail "events raised by a bare number:" "$found"

exit $status
