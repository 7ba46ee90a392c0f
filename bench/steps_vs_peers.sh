#!/usr/bin/env bash
# Steps one and two on the 1024 x 1024 photo, against jp2a (truecolour and mono) and img2txt
# converting the same photo as a PNG, whole process, in one run on one machine; then, in the
# same run, every other figure of steps_bench: the 256 x 256 photo, the 4096 x 4096 pixel art
# (speed, ratio to the plain loop, longest wait for events, peak memory, the answers after
# step two) and how fast a stop ends each step. Hold the shared lock while it runs:
#
#   flock /tmp/quorix-heavy.lock bench/steps_vs_peers.sh [BUILD_DIR] [RUNS]
set -euo pipefail
build=${1:-build/release}
runs=${2:-5}
bench="$build/bin/steps_bench"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$bench" write-photo "$work/photo1024.png"

# The median of the wall times (ms) of `runs` runs of a command.
median_ms() {
    local times=()
    for _ in $(seq "$runs"); do
        local start end
        start=$(date +%s%N)
        "$@" > /dev/null 2>&1
        end=$(date +%s%N)
        times+=($(( (end - start) / 1000000 )))
    done
    printf '%s\n' "${times[@]}" | sort -n | sed -n "$(( (runs + 1) / 2 ))p"
}

# The median over `runs` runs of steps_bench of step one + step two (ms).
steps=()
for _ in $(seq "$runs"); do
    out=$("$bench" photo1024 2>/dev/null)
    one=$(sed -n 's/.*step one: *\([0-9.]*\) ms.*/\1/p' <<< "$out")
    two=$(sed -n 's/.*step two: *\([0-9.]*\) ms.*/\1/p' <<< "$out")
    steps+=("$(awk -v a="$one" -v b="$two" 'BEGIN { printf "%.1f %.1f %.1f", a + b, a, b }')")
done
median=$(printf '%s\n' "${steps[@]}" | sort -n | sed -n "$(( (runs + 1) / 2 ))p")
read -r both one two <<< "$median"

jp2a_colour=$(median_ms jp2a --colors --color-depth=24 --size=1024x1024 "$work/photo1024.png")
jp2a_mono=$(median_ms jp2a --size=1024x1024 "$work/photo1024.png")
img2txt=$(command -v img2txt > /dev/null && median_ms img2txt -W 1024 -H 1024 -f ansi "$work/photo1024.png" || echo "-")

echo "photo 1024 x 1024, median of $runs runs on $(nproc) cores ($(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs))"
echo "  quorix step one: $one ms, step two: $two ms, both: $both ms"
echo "  jp2a --colors --color-depth=24 (whole process): $jp2a_colour ms"
echo "  jp2a mono (whole process): $jp2a_mono ms"
echo "  img2txt -f ansi (whole process): $img2txt ms"
awk -v q="$both" -v j="$jp2a_colour" 'BEGIN { printf "  ratio quorix steps / jp2a --colors: %.2f (%s)\n", q / j, q < j ? "ahead" : "behind" }'

# The median run's full figures, and the other pictures once each.
echo
echo "steps_bench photo1024 (last of the runs above):"
sed 's/^/  /' <<< "$out"
for which in photo256 art4096 stop; do
    echo "steps_bench $which:"
    "$bench" "$which" 2>/dev/null | sed 's/^/  /'
done
