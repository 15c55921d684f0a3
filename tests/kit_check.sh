#!/usr/bin/env bash
# Checks the kit for host developers, from build/windows: the install tree,
# the consumer project built against it (its programs run under Wine in
# scripts/e2e.sh), the import library for the Microsoft linker, the release
# archive, and that every place the version shows agrees with the build's.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"
build=build/windows
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL kit: $*"; exit 1; }

# The install tree, exactly.
cmake --install "$build" --prefix "$work/prefix" >/dev/null
tree=$(cd "$work/prefix" && find . -type f | sort | tr '\n' ' ')
expected="./bin/Orvalinde.dll ./include/orvalinde.h ./lib/Orvalinde.lib ./lib/cmake/Orvalinde/OrvalindeConfig.cmake ./lib/cmake/Orvalinde/OrvalindeConfigVersion.cmake ./lib/libOrvalinde.dll.a ./share/doc/Orvalinde/README.md "
[ "$tree" = "$expected" ] || fail "install tree is: $tree"
echo "PASS install tree: $(echo "$tree" | wc -w) files"

# A separate project finds the package and builds against it.
rm -rf build/consumer
cmake -S tests/consumer -B build/consumer -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64.cmake" \
    -DCMAKE_PREFIX_PATH="$work/prefix" -DCMAKE_BUILD_TYPE=Release >"$work/consumer.log" 2>&1 ||
    { cat "$work/consumer.log"; fail "the consumer project does not configure"; }
cmake --build build/consumer >>"$work/consumer.log" 2>&1 || { cat "$work/consumer.log"; fail "the consumer does not build"; }
cmp -s build/consumer/Orvalinde.dll "$build/Orvalinde.dll" || fail "the consumer did not get the installed DLL"
echo "PASS consumer built against the install tree (C11 and C++11 with -Wall -Wextra -Wpedantic -Werror)"

# The Microsoft linker's import library names each export and its import slot.
symbols=$(x86_64-w64-mingw32-nm "$build/Orvalinde.lib" | awk '$2 == "I" && $3 ~ /^__imp_/ {print $3}' | sort | tr '\n' ' ')
names=$(sed -nE 's/^[[:space:]]+([A-Za-z]+)[[:space:]]+@[0-9]+$/__imp_\1/p' res/Orvalinde.def | sort | tr '\n' ' ')
[ "$symbols" = "$names" ] || fail "Orvalinde.lib imports: $symbols"
echo "PASS Orvalinde.lib: $(echo "$symbols" | wc -w) import symbols"

# The release archive: the install tree, the debug file, checksums; the DLL
# as built, naming its debug file.
version=$(sed -nE 's/^CMAKE_PROJECT_VERSION:[A-Z]+=(.*)$/\1/p' "$build/CMakeCache.txt")
cmake --build "$build" --target package >"$work/package.log" 2>&1 || { cat "$work/package.log"; fail "package"; }
archive="$build/Orvalinde-$version-win64.zip"
[ -f "$archive" ] || fail "no $archive"
mkdir "$work/archive"
(cd "$work/archive" && cmake -E tar xf "$ROOT/$archive")
top="$work/archive/Orvalinde-$version-win64"
listing=$(cd "$top" && find . -type f | sort | tr '\n' ' ')
[ "$listing" = "./SHA256SUMS ./bin/Orvalinde.dll ./bin/Orvalinde.dll.debug ${expected#./bin/Orvalinde.dll }" ] ||
    fail "archive holds: $listing"
cmp -s "$top/bin/Orvalinde.dll" "$build/Orvalinde.dll" || fail "the archive's DLL differs from $build/Orvalinde.dll"
(cd "$top" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not match"
link=$(x86_64-w64-mingw32-objcopy --dump-section .gnu_debuglink="$work/link" "$build/Orvalinde.dll" && tr -d '\0' <"$work/link" | head -c 32)
[[ "$link" == Orvalinde.dll.debug* ]] || fail "the DLL's debug link is '$link'"
x86_64-w64-mingw32-objdump -h "$top/bin/Orvalinde.dll.debug" | grep -q '\.debug_info' || fail "no debug information"
echo "PASS $archive: $(stat -c %s "$archive") bytes, $(echo "$listing" | wc -w) files"

# One version everywhere: the build's, the resource's, the about box's, the
# archive's name and the package version file's.
resource=$(strings -el "$build/Orvalinde.dll" | grep -A1 -x FileVersion | tail -1)
about=$(strings -a "$build/Orvalinde.dll" | sed -nE 's/^Version ([0-9.]+).*/\1/p' | head -1)
package=$(sed -nE 's/^set\(PACKAGE_VERSION "(.*)"\)$/\1/p' "$work/prefix/lib/cmake/Orvalinde/OrvalindeConfigVersion.cmake")
for seen in "resource:$resource" "about box:$about" "package version file:$package"; do
    [ "${seen#*:}" = "$version" ] || fail "${seen%%:*} says ${seen#*:}, the build $version"
done
echo "PASS version $version in the resource, the about box, the archive name and the package version file"
