#!/usr/bin/env bash
# Where the program's GUI thread spends its CPU during displays: samples the
# whole machine with perf while a short benchmark shows displays, then splits
# the samples of the program's busiest thread by module (the program's own
# code against Wine's and the kernel's) and names the program's hottest
# functions. Prints a text report; --out FILE writes it there as well.
# Usage: scripts/profile.sh [--seconds S] [--out FILE]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

seconds=60
out=""
while [ $# -gt 0 ]; do
  case "$1" in
    --seconds) seconds=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    *) log "unknown option $1"; exit 2 ;;
  esac
done

ensure_packages linux-perf python3
work=$(mktemp -d)
bench_pid=""
cleanup() {
  [ -n "$bench_pid" ] && kill "$bench_pid" 2>/dev/null && wait "$bench_pid" 2>/dev/null
  git -C "$ROOT" checkout -q -- docs/bench/last-run.txt 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Enough displays to outlast the sampling; the bench's own figures are not kept.
bash "$ROOT/scripts/bench.sh" --startups 1 --reps 8 --log-reps 0 --idle 0 --displays 2 \
  >"$work/bench.log" 2>&1 </dev/null &
bench_pid=$!
for _ in $(seq 1 600); do
  grep -q 'pass=plain' "$work/bench.log" 2>/dev/null && break
  kill -0 "$bench_pid" 2>/dev/null || { cat "$work/bench.log" >&2; exit 1; }
  sleep 1
done
log "sampling for $seconds s"
perf record -a -F 1000 -o "$work/perf.data" -- sleep "$seconds" >/dev/null 2>&1
perf script -i "$work/perf.data" -F comm,pid,tid,ip,dso -G 2>/dev/null >"$work/samples.txt"
perf script -i "$work/perf.data" -F comm,tid,ip,sym,dso -G 2>/dev/null >"$work/symbols.txt"

python3 - "$work" "$BUILD_DIR/dist" "$(git -C "$ROOT" rev-parse --short HEAD)" <<'EOF' | tee ${out:+"$out"}
import collections, os, re, subprocess, sys
work, dist, commit = sys.argv[1:4]
line = re.compile(r'\s*(\S+)\s+(\d+)/(\d+)\s+([0-9a-f]+)\s+\((.*)\)')
threads, modules, own = collections.Counter(), collections.defaultdict(collections.Counter), \
    collections.defaultdict(collections.Counter)
for text in open(os.path.join(work, 'samples.txt'), errors='replace'):
    m = line.match(text)
    if not m or not m.group(1).startswith('RaveloRemote'):
        continue
    _, pid, tid, ip, dso = m.groups()
    name = os.path.basename(dso)
    threads[(pid, tid)] += 1
    modules[(pid, tid)][name] += 1
    if name in ('flashobj.dll', 'RaveloRemote.exe'):
        own[(pid, tid)][(name, int(ip, 16))] += 1
if not threads:
    sys.exit('no samples of the program')
gui = threads.most_common(1)[0][0]
total = threads[gui]
print(f'# GUI-thread profile, commit {commit}: {total} samples at 1000/s of the busiest thread '
      f'(Linux pid/tid {gui[0]}/{gui[1]}) over the sampled displays')
print('\n## By module\n')
print('| share | module | whose |')
print('|---|---|---|')
mine = ('flashobj.dll', 'RaveloRemote.exe', 'msvcrt.dll', 'pngio.dll')
for name, n in modules[gui].most_common():
    if n * 1000 < total:
        continue
    print(f'| {100 * n / total:.1f}% | {name} | {"program and player (msvcrt: their copies and fills)" if name in mine else "Wine, X or the kernel"} |')
ours = sum(n for name, n in modules[gui].items() if name in mine)
print(f'\nThe program and its player: {100 * ours / total:.1f}%; Wine, X and the kernel: {100 - 100 * ours / total:.1f}%.')
print('\n## The program\'s and the player\'s hottest functions\n')
functions = collections.Counter()
for (name, ip), n in own[gui].items():
    found = subprocess.run(['i686-w64-mingw32-addr2line', '-f', '-C', '-e', os.path.join(dist, name), hex(ip)],
                           capture_output=True, text=True).stdout.split('\n')[0]
    functions[f'{name}: {found}'] += n
for function, n in functions.most_common(8):
    print(f'- {100 * n / total:.1f}% {function}')
kernel = collections.Counter()
for text in open(os.path.join(work, 'symbols.txt'), errors='replace'):
    parts = text.split()
    if len(parts) >= 4 and parts[0].startswith('RaveloRemote') and parts[1] == gui[1] and 'kernel' in parts[-1]:
        kernel[parts[3]] += 1
print('\n## Kernel time of that thread, by function\n')
for function, n in kernel.most_common(8):
    print(f'- {100 * n / total:.1f}% {function}')
EOF
