#!/usr/bin/env bash
# The benchmark (not a test): builds build/bench from tools/bench, runs it
# under Wine on a private Xvfb and writes docs/benchmarks.md. Each figure is
# the median of RUNS runs (default 10) beside a floor measured in the same run.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/bench
runs=${RUNS:-10}

cmake -S "$root/tools/bench" -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DDAYGLASS_HARDENED=OFF -DCMAKE_EXE_LINKER_FLAGS=-s >/dev/null
cmake --build "$build" >/dev/null
bash "$root/tests/support/setup_wine_prefix.sh" "$build"
. "$root/tests/support/wine_env.sh" "$build"

data=$(mktemp -d /tmp/dayglass-bench.XXXXXX)
wine_pid=
cleanup() {
  [ -n "$wine_pid" ] && kill "$wine_pid" 2>/dev/null
  wineserver -k 2>/dev/null || true
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null
  rm -rf "$data"
}
trap cleanup EXIT
. "$root/tests/support/xvfb.sh"
wineserver -p
wine cmd /c exit </dev/null >/dev/null 2>&1 || true

# 10,000 schedules and 1,000 holidays; a background colour the bare screen
# never shows, so the first painted pixel is unmistakable.
bg=3289650 # RGB(50, 50, 50)
/usr/bin/python3 - "$data/calendar.ini" "$bg" <<'PY'
import datetime, sys
path, bg = sys.argv[1], sys.argv[2]
out = ["\ufeff[Window]", "WinW=300", "WinH=320", "Margin=10", "PosX=0", "PosY=0",
       "[Color]", f"Bg={bg}", "[Schedules]"]
start = datetime.datetime(2026, 1, 1, 9, 0)
for i in range(10000):
    when = start + datetime.timedelta(hours=5 * i)
    out.append(f"{i + 1:04d}={when:%Y/%m/%d %H:%M}|打ち合わせ {i} 会議室\\n資料を持参|")
out.append("[Holidays]")
day = datetime.date(2026, 1, 1)
for i in range(1000):
    out.append(f"{day + datetime.timedelta(days=2 * i):%Y-%m-%d}=祝日{i}")
open(path, "w", encoding="utf-8", newline="").write("\r\n".join(out) + "\r\n")
PY
cp "$build/dayglass/dayglass.exe" "$data/"
cp "$data/calendar.ini" "$data/core.ini"

# Start-up: the calendar and the baseline take turns, so that a slower spell
# of the machine weighs on both alike.
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
{
  read -r start_ms peak_kib
  read -r base_ms _
} < <(wine "$build/bench_startup.exe" "$runs" Dayglass "$bg" "$data/dayglass.exe" \
  -- DayglassBaseline "$bg" "$build/bench_baseline.exe" "$bg" | tr -d '\r')

declare -A ms floor
while read -r name value base; do
  ms[$name]=$value
  floor[$name]=$base
done < <(wine "$build/bench_core.exe" "$runs" "$data/core.ini" \
  "$root/tests/holidays/fixtures/syukujitsu.csv" | tr -d '\r')

# The same pairs once per fresh process, the two sides taking turns: in one
# process the floor's figure depends on memory the product freed before it.
csv=$root/tests/holidays/fixtures/syukujitsu.csv
declare -A once
for run in $(seq "$runs"); do
  for name in load load-floor save save-floor csv csv-floor; do
    wine "$build/bench_core.exe" 1 "$data/core.ini" "$csv" --once "$name" | tr -d '\r' \
      >>"$data/once-$name"
  done
done
for name in load load-floor save save-floor csv csv-floor; do
  once[$name]=$(median <"$data/once-$name")
done

# The Linux side of the memory: the high-water mark of the Wine process.
wine "$data/dayglass.exe" >/dev/null 2>&1 &
wine_pid=$!
hwm_kib=
for _ in $(seq 100); do
  sleep 0.1
  for pid in $(pgrep -f 'dayglass-bench\..*dayglass\.exe' || true); do
    if grep -q 'VmHWM' "/proc/$pid/status" 2>/dev/null && [ "$pid" != "$$" ]; then
      candidate=$(awk '/VmHWM/ {print $2}' "/proc/$pid/status")
      [ -z "$hwm_kib" ] || [ "$candidate" -gt "$hwm_kib" ] && hwm_kib=$candidate
    fi
  done
done
kill "$wine_pid" 2>/dev/null || true
wine_pid=

exe_bytes=$(stat -c %s "$build/dayglass/dayglass.exe")
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }
verdict() { awk -v a="$1" -v b="$2" -v g="$3" 'BEGIN { print (b > 0 && a <= b * g) ? "met" : "missed" }'; }

out=$root/docs/benchmarks.md
{
  echo "# Benchmarks"
  echo
  echo "Written by \`bash tools/benchmark.sh\` on $(date -u +%Y-%m-%d) under $(wine --version) on"
  echo "Xvfb, $(nproc) cores ($(sed -n 's/^model name\s*: //p' /proc/cpuinfo | head -n1))."
  echo "Each time is the median of $runs runs, in milliseconds; each baseline was measured in"
  echo "the same run (for start-up, the calendar and the baseline were started in turns). The"
  echo "data: \`calendar.ini\` with 10,000 schedules and 1,000 holidays."
  echo
  echo "| Measurement | Dayglass | Baseline | Ratio | Goal |"
  echo "|---|---:|---:|---:|---|"
  echo "| Start-up to the first painted frame (baseline: a minimal window painted once) | $start_ms | $base_ms | $(ratio "$start_ms" "$base_ms") | ≤ 1.10: $(verdict "$start_ms" "$base_ms" 1.10) |"
  pair_rows() { # $1: lookup of the product's figures, $2: of the floors
    local -n work=$1 base=$2
    echo "| \`LoadSchedules\`, 10,000 schedules (baseline: \`ReadFile\` of the same file) | ${work[load]} | ${base[load]} | $(ratio "${work[load]}" "${base[load]}") | ≤ 3: $(verdict "${work[load]}" "${base[load]}" 3) |"
    echo "| \`SaveSchedules\`, 10,000 schedules (baseline: read the file, write the same bytes to a new file, flush, rename over) | ${work[save]} | ${base[save]} | $(ratio "${work[save]}" "${base[save]}") | ≤ 3: $(verdict "${work[save]}" "${base[save]}" 3) |"
    echo "| \`ParseHolidayCsv\`, 1,068-line fixture (baseline: \`ReadFile\` of its bytes) | ${work[csv]} | ${base[csv]} | $(ratio "${work[csv]}" "${base[csv]}") | ≤ 3: $(verdict "${work[csv]}" "${base[csv]}" 3) |"
  }
  pair_rows ms floor
  echo "| \`PaintMonth\` into a memory DC, 300 × 320 | ${ms[paint_small]} | | | |"
  echo "| \`PaintMonth\` into a memory DC, 1200 × 1280 | ${ms[paint_large]} | | | |"
  echo "| Schedule list dialog created and filled with 10,000 schedules | ${ms[list]} | | | |"
  echo
  echo "| Size | Value |"
  echo "|---|---:|"
  echo "| Peak working set of the running calendar (\`GetProcessMemoryInfo\`, \`PeakWorkingSetSize\`) | $peak_kib KiB |"
  echo "| Peak resident memory of the Wine process running it (Linux \`VmHWM\`) | ${hwm_kib:-?} KiB |"
  echo "| \`dayglass.exe\` | $exe_bytes bytes |"
  echo
  echo "The three pairs again, each side timed once in a fresh process ($runs processes a"
  echo "side, the sides taking turns; medians). In one process the baseline reuses memory"
  echo "the product has just freed, in a fresh one both meet new memory, as at start-up:"
  echo
  echo "| Measurement | Dayglass | Baseline | Ratio | Goal |"
  echo "|---|---:|---:|---:|---|"
  declare -A once_work once_floor
  for name in load save csv; do
    once_work[$name]=${once[$name]}
    once_floor[$name]=${once[$name-floor]}
  done
  pair_rows once_work once_floor
  echo
  echo "Private memory cannot be read under Wine (\`PrivateUsage\` reads 0), so the working set"
  echo "stands in for it; the Linux figure includes Wine's own libraries."
  echo
  echo "What bounds these figures here (measured while tuning, not by this script): a first"
  echo "touch of a fresh 4 KiB page costs about 10 µs on this virtual machine, and one"
  echo "allocation and release on Wine's heap about 180 ns. A load holds the file as wide"
  echo "text (1.4 times its bytes for this data) and 10,000 entries, each text on the heap, so"
  echo "it touches about three times the memory its baseline reads into: in a fresh process"
  echo "that alone keeps \`LoadSchedules\` above three times a plain read. Start-up spends about"
  echo "12 ms of its lead over the baseline on this data and the rest on painting text and"
  echo "loading the icons."
} >"$out"
cat "$out"
