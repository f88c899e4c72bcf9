#!/usr/bin/env bash
# Checks the release package: two builds give the same bytes, the SHA-256
# beside it is its own, it holds the exe, the guide, the README and the
# licence and no DLL, its texts open as they are in Notepad and point at
# nothing the zip lacks, and the exe unpacked alone in an empty folder
# updates its holidays from a loopback server.
# Usage: check_package.sh [BUILD_DIR]   (BUILD_DIR holds the Wine prefix;
# default build/release)
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
wine_build=${1:-$root/build/release}
work=$(mktemp -d)
server_pid=
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# The second build goes to a folder of its own, so nothing is reused.
zip=$(bash "$root/scripts/package.sh" | tail -n1)
cp "$zip" "$work/first.zip"
DAYGLASS_RELEASE_DIR="$work/build2" bash "$root/scripts/package.sh" >/dev/null
cmp "$work/first.zip" "$zip" || fail "two builds of the package differ"
rm -rf "$work/build2"

(cd "$(dirname "$zip")" && sha256sum --quiet -c "${zip##*/}.sha256") || fail "the zip's .sha256 is not its own"

names=$(unzip -Z1 "$zip" | LC_ALL=C sort | tr '\n' ' ')
[ "$names" = "LICENSE.txt README.txt dayglass.exe guide-ja.txt " ] || fail "package holds: $names"

mkdir "$work/app"
(cd "$work/app" && unzip -q "$zip")
# Each text is strict UTF-8; a .txt starts with the byte-order mark and ends
# every line with CR LF, as Notepad of every Windows shows it; and whatever
# it points at (a Markdown link or picture, an HTML href or src, a file
# name such as guide-ja.txt) is in the zip, since nothing else is there.
/usr/bin/python3 - "$work/app" <<'PY' || fail "a shipped text is wrong"
import os, re, sys
folder = sys.argv[1]
shipped = set(os.listdir(folder))
bad = []
for name in sorted(shipped - {"dayglass.exe"}):
    data = open(os.path.join(folder, name), "rb").read()
    try:
        text = data.decode("utf-8")
    except UnicodeDecodeError as e:
        bad.append(f"{name}: not UTF-8 ({e})")
        continue
    if name.endswith(".txt"):
        if not text.startswith("\ufeff"):
            bad.append(f"{name}: no byte-order mark")
        if re.search(r"(?<!\r)\n|\r(?!\n)", text) or not text.endswith("\r\n"):
            bad.append(f"{name}: a line end other than CR LF")
    targets = re.findall(r"\]\(([^)\s]*)\)", text)
    targets += re.findall(r"(?:href|src)\s*=\s*[\"']([^\"']*)", text)
    targets += re.findall(r"(?<![\w/\\.:-])(\w[\w./-]*\.(?:txt|md|html?|png|pdf))\b", text)
    for target in targets:
        if re.match(r"[a-z]+:", target) or target.startswith("#"):
            continue
        if target.split("#")[0] not in shipped:
            bad.append(f"{name}: points at {target}, which is not in the zip")
print("\n".join(bad), file=sys.stderr, end="\n" if bad else "")
sys.exit(1 if bad else 0)
PY
if find "$work/app" -iname '*.dll' | grep -q .; then fail "a DLL is in the package"; fi
size=$(stat -c %s "$work/app/dayglass.exe")
[ "$size" -le 307200 ] || fail "dayglass.exe is $size bytes, more than 300 KB"
# Only system DLLs may be imported: a runtime (libstdc++, libgcc, libssp,
# libwinpthread) would have to sit beside the exe. And only those every
# window needs: the dialogs' and the download's DLLs load at first use, so
# that start-up does not wait for them.
for dll in $(x86_64-w64-mingw32-objdump -p "$work/app/dayglass.exe" |
  sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z'); do
  case $dll in
  kernel32.dll | user32.dll | gdi32.dll | advapi32.dll | msvcrt.dll) ;;
  *) fail "dayglass.exe imports $dll" ;;
  esac
done

mkdir "$work/www"
cp "$root/tests/holidays/fixtures/syukujitsu.csv" "$work/www/"
port=$(/usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
/usr/bin/python3 -m http.server --bind 127.0.0.1 --directory "$work/www" "$port" >/dev/null 2>&1 &
server_pid=$!
for _ in $(seq 100); do
  /usr/bin/python3 -c "import socket; socket.create_connection(('127.0.0.1',$port),1)" 2>/dev/null && break
  sleep 0.1
done

# calendar.ini as a user's symbolic link into a sync folder: the update
# replaces the link's target and the link stays.
mkdir "$work/sync"
ini=$work/sync/calendar.ini
printf '\xef\xbb\xbf[Option]\r\nHolidayUrl=http://127.0.0.1:%s/syukujitsu.csv\r\n' "$port" >"$ini"
ln -s "$ini" "$work/app/calendar.ini"

bash "$root/tests/support/setup_wine_prefix.sh" "$wine_build"
. "$root/tests/support/wine_env.sh" "$wine_build"
status=0
if [ -n "${DISPLAY:-}" ]; then
  (cd "$work/app" && wine dayglass.exe /update-holidays) || status=$?
else
  (cd "$work/app" && xvfb-run -a -s "-screen 0 1280x1024x24" wine dayglass.exe /update-holidays) ||
    status=$?
fi
[ "$status" -eq 0 ] || fail "/update-holidays exited with $status"

# The holidays are the last section, with this year's and later rows.
[ -L "$work/app/calendar.ini" ] || fail "the link calendar.ini was replaced by a file"
last=$(grep -a '^\[' "$ini" | tail -n1 | tr -d '\r')
[ "$last" = "[Holidays]" ] || fail "last section is '$last'"
rows=$(sed -n '/^\[Holidays\]/,$p' "$ini" | grep -ac '^[0-9]\{4\}-[0-9][0-9]-[0-9][0-9]=' || true)
[ "$rows" -gt 0 ] || fail "no holiday rows written"
grep -aq "^HolidayUrl=http://127.0.0.1:$port/" "$ini" || fail "settings lost"
echo "package ok: $zip ($rows holidays)"
