#!/bin/sh
# Makes the release archive of a build folder and checks that it holds exactly the given files in
# one folder named after the archive: the programs and the README, nothing of the lab.
# Usage: check-package.sh BUILD_DIR ARCHIVE_NAME FILE...
build=$1 name=$2
shift 2
out=$(mktemp -d) || exit 1
trap 'rm -rf "$out"' EXIT
(cd "$build" && cpack -G ZIP -B "$out" >"$out/cpack.log" 2>&1) || { cat "$out/cpack.log"; exit 1; }
archive="$out/$name.zip"
[ -f "$archive" ] || { echo "no $name.zip; cpack made: $(ls "$out")"; exit 1; }
found=$(cd "$out" && cmake -E tar tf "$archive" | grep -v '/$' | sort)
expected=$(for file in "$@"; do echo "$name/$file"; done | sort)
echo "$name.zip holds:"
echo "$found"
[ "$found" = "$expected" ] || { echo "expected:"; echo "$expected"; exit 1; }
(cd "$out" && cmake -E tar xf "$archive") || exit 1
grep -q "$(printf 'Korvid Administrator\r')" "$out/$name/README.txt" || { echo "README.txt lacks Windows line ends"; exit 1; }
cmp -s "$out/$name/korvidadm.exe" "$build/korvidadm.exe" || { echo "korvidadm.exe is not the built program"; exit 1; }
echo "ok"
