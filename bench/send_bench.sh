#!/usr/bin/env bash
# vistrel-send's throughput on 40 generated photographs (24 MP baseline and 16 MP progressive
# in turn), with one job and with two in the same run, and the peak resident memory of each;
# the machine's load beside them. By hand, not in scripts/test (it measures, it does not judge).
# With vipsthumbnail or mogrify on the path, the same photographs through them too.
#   bench/send_bench.sh [BUILD]     (default build/native-release, which must be built)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bin=${1:-$top/build/native-release}/bin
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/photos" "$work/store" "$work/out"
echo "making 40 photographs..."
"$bin/send_bench_photos" "$work/photos" 40
"$bin/hotsync" --root "$work/store" users add Bench >/dev/null

# Runs a command over the batch: elapsed seconds, photographs a second, peak resident memory.
measure() {
    local label=$1
    shift
    rm -rf "$work/out" "$work/store/Bench/Vistrel"
    mkdir -p "$work/out"
    /usr/bin/time -f "%e %M" -o "$work/time" "$@" >/dev/null
    read -r seconds kilobytes <"$work/time"
    rate=$(awk "BEGIN { print 40 / $seconds }")
    printf '%-14s %6.2f s  %5.2f photographs/s  peak %4d MB\n' "$label" "$seconds" "$rate" $((kilobytes / 1024))
}

echo "load: $(uptime | sed 's/.*load average: //') on $(nproc) processors"
measure "1 job" "$bin/vistrel-send" --root "$work/store" --quiet --jobs 1 "$work/photos"
one=$rate
measure "2 jobs" "$bin/vistrel-send" --root "$work/store" --quiet --jobs 2 "$work/photos"
echo "2 jobs / 1 job: $(awk "BEGIN { printf \"%.2f\", $rate / $one }") (goal: at least 1.7 on 2 cores)"
if command -v vipsthumbnail >/dev/null; then
    measure "vipsthumbnail" vipsthumbnail -s 320x320 -m centre -o "$work/out/%s.jpg[Q=80]" "$work/photos"/*.jpg
fi
if command -v mogrify >/dev/null; then
    measure "mogrify" mogrify -path "$work/out" -resize '320x320^' -gravity center -extent 320x320 -quality 80 \
        "$work/photos"/*.jpg
fi
echo "load: $(uptime | sed 's/.*load average: //')"
