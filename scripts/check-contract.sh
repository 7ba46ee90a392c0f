#!/usr/bin/env bash
# The numbers the program and the runtime agree on are declared once: event numbers in
# runtime/commands.h, the image's record layout in image/program_image.h, the code section's
# records in image/code_section.h. Fails, naming the
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

# The code section's records (its header, each routine record, the service stubs) are laid out
# once, in image/code_section.h, and written and read only through image/code_section.cpp, by the
# image builder, the runtime's loader, the program and the tests alike: nothing else names their
# magic numbers, the header's words, the stub's opcode or a routine record's fields (but the
# records' own tests).
found=$(grep -rnE --include='*.cpp' --include='*.h' \
    '\bk(Code|Routine)Magic\b|\bkHdr[A-Z][A-Za-z]*\b|\bkStubOpcode\b|namespace routine_field|routine_field::' \
    "${sources[@]}" | grep -vE '^image/(tests/)?code_section(_test)?\.(h|cpp):')
[[ -z "$found" ]] || fail "code section records read or written outside image/code_section.*:" "$found"

# The fix-up lists are named (image::FixupList), never indexed by a bare number.
found=$(grep -rnE --include='*.cpp' --include='*.h' 'fixups\.sites\[[0-9]+\]' "${sources[@]}")
[[ -z "$found" ]] || fail "fix-up lists indexed by a bare number:" "$found"

# A type code is split only by abi::DecodeType, the inverse of QX_TYPE.
found=$(grep -rnE --include='*.cpp' --include='*.h' '>>[[:space:]]*(16|QX_TYPE_SHIFT)\b' \
    runtime host/krnln/image_loading.cpp host/krnln/unit_host.cpp loader |
    grep -v '^runtime/commands\.h:')
[[ -z "$found" ]] || fail "type codes decoded by hand:" "$found"

exit $status
