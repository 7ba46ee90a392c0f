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

# The fields of a section header are named in image/program_image.h; nothing adds a bare
# number to a header's offset, in the image code or its tests.
found=$(grep -rnE --include='*.cpp' --include='*.h' 'namespace section_field' "${sources[@]}" |
    grep -v '^image/program_image\.h:')
[[ -z "$found" ]] || fail "section header fields named outside image/program_image.h:" "$found"
found=$(grep -rnE --include='*.cpp' --include='*.h' \
    '\b(h|header|header_at|header_offset)[[:space:]]*\+[[:space:]]*(0x)?[0-9]+\b' image fuzz host/tests)
[[ -z "$found" ]] || fail "section header fields at bare offsets:" "$found"

# The relocation and fix-up rules are stated once, in image/section_rules.cpp, for writer and
# reader.
found=$(grep -rnE --include='*.cpp' --include='*.h' 'only 0 to 3 exist|whose word ends past|its word ends past' \
    "${sources[@]}" | grep -v -e '^image/section_rules\.cpp:' -e '/tests/')
[[ -z "$found" ]] || fail "relocation or fix-up rules stated outside image/section_rules.cpp:" "$found"

exit $status
