#!/usr/bin/env bash
# Every header compiles on its own: it includes what it uses instead of relying on what the
# file that includes it happened to include first. Each header is compiled alone, syntax only,
# with the flags of a source file that includes it (else of one beside it), as the build's
# compile_commands.json gives them.
#
#   scripts/check-headers.sh [BUILD_DIR]   (default build/release; configure it first)
set -uo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/release}"
commands="$build/compile_commands.json"
[[ -f "$commands" ]] || { echo "no $commands: configure the build first"; exit 2; }

python3 - "$commands" <<'PY'
import json, os, shlex, subprocess, sys

entries = json.load(open(sys.argv[1]))
by_dir = {}
for e in entries:
    path = os.path.relpath(e["file"])
    if path.startswith("build") or not path.endswith(".cpp"):
        continue
    by_dir.setdefault(os.path.dirname(path), e)

sources = {}
for e in entries:
    path = os.path.relpath(e["file"])
    if not path.startswith("build") and path.endswith(".cpp"):
        sources[path] = (e, open(path, encoding="utf-8", errors="replace").read())

def flags_for(header):
    # A source that includes the header, else one in its folder or the nearest folder above.
    for entry, text in sources.values():
        if f'#include "{header}"' in text:
            return entry
    folder = os.path.dirname(header)
    while True:
        if folder in by_dir:
            return by_dir[folder]
        if not folder:
            return None
        folder = os.path.dirname(folder)

failed = 0
roots = ["app", "convert", "drawing", "output", "host", "image", "loader", "runtime", "testing"]
headers = sorted(
    os.path.join(d, f)
    for root in roots if os.path.isdir(root)
    for d, _, files in os.walk(root) for f in files if f.endswith(".h"))
for header in headers:
    entry = flags_for(header)
    if entry is None:
        print(f"{header}: no source file to take flags from")
        continue
    args = shlex.split(entry["command"]) if "command" in entry else list(entry["arguments"])
    kept, skip = [], False
    for a in args[1:]:
        if skip:
            skip = False
            continue
        if a in ("-o", "-c"):
            skip = True
            continue
        kept.append(a)
    stub = f'#include "{os.path.abspath(header)}"\n'
    run = subprocess.run([args[0], *kept, "-fsyntax-only", "-x", "c++", "-"], input=stub,
                         text=True, capture_output=True, cwd=entry["directory"])
    if run.returncode != 0:
        failed += 1
        print(f"{header} does not compile on its own:")
        print("\n".join("    " + l for l in run.stderr.splitlines()[:8]))
print(f"{len(headers)} headers, {failed} that do not compile on their own")
sys.exit(1 if failed else 0)
PY
