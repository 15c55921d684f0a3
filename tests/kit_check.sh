#!/usr/bin/env bash
# Checks the kit for host developers, from build/windows: the install tree,
# the consumer project built against it (its programs run under Wine in
# scripts/e2e.sh), the import library for the Microsoft linker, the PDB, the
# release archive with its symbol store, and that every place the version
# shows agrees with the build's. Then the ARM64 and the x86 kits beside it.
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
expected="./bin/Orvalinde.dll ./bin/Orvalinde.pdb ./bin/OrvalindePlayground.exe ./bin/OrvalindeSelfTest.exe ./include/orvalinde.h ./lib/Orvalinde.lib ./lib/cmake/Orvalinde/OrvalindeConfig.cmake ./lib/cmake/Orvalinde/OrvalindeConfigVersion.cmake ./lib/libOrvalinde.dll.a ./share/Orvalinde/examples/minimal_host/CMakeLists.txt ./share/Orvalinde/examples/minimal_host/minimal_host.c ./share/doc/Orvalinde/README.md "
[ "$tree" = "$expected" ] || fail "install tree is: $tree"
echo "PASS install tree: $(echo "$tree" | wc -w) files"

# The installed example builds as its README says, and the consumer project
# builds it again with checks; both against the install tree. Their programs
# run under Wine in scripts/e2e.sh.
# consumers PREFIX SUFFIX TOOLCHAIN TARGET MACHINE: the installed example
# and the consumer project built against the kit in PREFIX into
# build/example$SUFFIX and build/consumer$SUFFIX, and a host linked by lld-link
# (the Microsoft-style linker, no mingw driver or runtime) against its
# Orvalinde.lib, for TARGET; their programs run under Wine in scripts/e2e.sh.
consumers() {
    local prefix=$1 suffix=$2 toolchain=$3 target=$4 machine=$5 project
    rm -rf "build/consumer$suffix" "build/example$suffix"
    for project in "$prefix/share/Orvalinde/examples/minimal_host:build/example$suffix" "tests/consumer:build/consumer$suffix"; do
        cmake -S "${project%%:*}" -B "${project#*:}" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/$toolchain" \
            -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_BUILD_TYPE=Release >"$work/consumer.log" 2>&1 &&
            cmake --build "${project#*:}" >>"$work/consumer.log" 2>&1 || { cat "$work/consumer.log"; fail "${project%%:*} does not build"; }
        cmp -s "${project#*:}/Orvalinde.dll" "$prefix/bin/Orvalinde.dll" || fail "${project#*:} did not get the installed DLL"
    done
    echo "PASS the installed minimal host example, and the consumer built from it (C11 and C++11 with -Wall -Wextra -Wpedantic -Werror), $toolchain"
    clang-19 --target="$target" -std=c11 -Wall -Wextra -Wpedantic -Werror -O1 -I"$prefix/include" \
        -c tests/consumer/lld_link_host.c -o "$work/lld_link_host.obj"
    # mingw-w64's x86 import libraries have no SEH marks, which lld-link
    # asks of every x86 object unless told the program has no handlers.
    local seh=()
    [ "$machine" != x86 ] || seh=(/safeseh:no)
    lld-link-19 /nologo /nodefaultlib /entry:start /subsystem:console /machine:"$machine" "${seh[@]}" \
        /out:"build/consumer$suffix/lld_link_host.exe" "$work/lld_link_host.obj" "$prefix/lib/Orvalinde.lib" \
        "$("$target-gcc" -print-file-name=libkernel32.a)" "$("$target-gcc" -print-file-name=libuser32.a)" ||
        fail "lld-link does not link a host against Orvalinde.lib"
    echo "PASS lld-link linked build/consumer$suffix/lld_link_host.exe against Orvalinde.lib"
}
consumers "$work/prefix" "" mingw-w64.cmake x86_64-w64-mingw32 x64

# The Microsoft linker's import library names each export and its import slot.
symbols=$(x86_64-w64-mingw32-nm "$build/Orvalinde.lib" | awk '$2 == "I" && $3 ~ /^__imp_/ {print $3}' | sort | tr '\n' ' ')
names=$(sed -nE 's/^[[:space:]]+([A-Za-z]+)[[:space:]]+@[0-9]+$/__imp_\1/p' res/Orvalinde.def | sort | tr '\n' ' ')
[ "$symbols" = "$names" ] || fail "Orvalinde.lib imports: $symbols"
echo "PASS Orvalinde.lib: $(echo "$symbols" | wc -w) import symbols"

# The DLL's CodeView record names the bare Orvalinde.pdb, whose GUID and
# age it carries; the PDB's public symbols hold the exports, and an address
# inside MouseProc symbolises to it and to the mouse hook's source.
dll="$build/Orvalinde.dll"
record=$(llvm-readobj-19 --file-headers --coff-debug-directory "$dll")
summary=$(llvm-pdbutil-19 dump -summary "$build/Orvalinde.pdb")
guid=$(sed -nE 's/^ *PDBGUID: \{(.*)\}$/\1/p' <<<"$record")
age=$(sed -nE 's/^ *PDBAge: ([0-9]+)$/\1/p' <<<"$record")
[ "$(sed -nE 's/^ *PDBFileName: (.*)$/\1/p' <<<"$record")" = Orvalinde.pdb ] || fail "the CodeView record does not name Orvalinde.pdb alone"
[ -n "$guid" ] && grep -qx "  GUID: {$guid}" <<<"$summary" && grep -qx "  Age: $age" <<<"$summary" ||
    fail "the PDB's GUID and age are not the DLL's {$guid} $age"
publics=$(llvm-pdbutil-19 dump -publics "$build/Orvalinde.pdb" | sed -nE 's/.*S_PUB32 .*`(.*)`$/\1/p')
for name in $(sed -nE 's/^[[:space:]]+([A-Za-z]+)[[:space:]]+@[0-9]+$/\1/p' res/Orvalinde.def); do
    grep -qx "$name" <<<"$publics" || fail "the PDB's public symbols lack $name"
done
base=$(sed -nE 's/^ *ImageBase: (0x[0-9A-F]+)$/\1/p' <<<"$record")
rva=$(llvm-readobj-19 --coff-exports "$dll" | grep -A1 -x "  Name: MouseProc" | sed -nE 's/^ *RVA: (0x[0-9A-F]+)$/\1/p')
where=$(llvm-symbolizer-19 --obj="$dll" "$(printf '0x%X' $((base + rva + 8)))")
grep -qx MouseProc <<<"$where" && grep -qE '\\src\\translate\\mouse_hook\.cpp:[0-9]+' <<<"$where" ||
    fail "an address in MouseProc symbolises as: $where"
echo "PASS Orvalinde.pdb {$guid} age $age: the exports are public, MouseProc+8 is $(tail -1 <<<"$where" | tr -d '\r')"

# The release archive: the install tree, a symbol store, checksums; the DLL
# as built.
version=$(sed -nE 's/^CMAKE_PROJECT_VERSION:[A-Z]+=(.*)$/\1/p' "$build/CMakeCache.txt")
cmake --build "$build" --target package >"$work/package.log" 2>&1 || { cat "$work/package.log"; fail "package"; }
archive="$build/Orvalinde-$version-win64.zip"
[ -f "$archive" ] || fail "no $archive"
mkdir "$work/archive"
(cd "$work/archive" && cmake -E tar xf "$ROOT/$archive")
top="$work/archive/Orvalinde-$version-win64"
listing=$(cd "$top" && find . -type f | sort | tr '\n' ' ')
stamp=$(sed -nE 's/^ *TimeDateStamp: .*\(0x([0-9A-F]+)\)$/\1/p' <<<"$record" | head -1)
image=$(printf '%08X%X' "0x$stamp" "$(sed -nE 's/^ *SizeOfImage: ([0-9]+)$/\1/p' <<<"$record")")
store="./symbols/Orvalinde.dll/$image/Orvalinde.dll ./symbols/Orvalinde.pdb/${guid//-/}$(printf '%X' "$age")/Orvalinde.pdb"
[ "$listing" = "./SHA256SUMS $expected$store " ] || fail "archive holds: $listing"
cmp -s "$top/bin/Orvalinde.dll" "$dll" || fail "the archive's DLL differs from $dll"
for file in $store; do cmp -s "$top/$file" "$top/bin/${file##*/}" || fail "$file differs from bin/${file##*/}"; done
(cd "$top" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not match"
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

# The ARM64 kit (build/windows-arm64) and the x86 kit (build/windows-x86):
# each DLL's CodeView record matches its PDB, each archive has the x64
# layout, and each kit's CMake package serves a project of its own
# architecture and refuses one of another, naming the kit it needs. Their
# consumers are built as the x64 kit's were (the x86 kit's with GCC and GNU
# ld, the ARM64 kit's with the toolchain scripts/arm64_toolchain.sh makes;
# and lld-link), to run under 32-bit Wine and arm64 Wine.
refuses() {
    local prefix=$1 arch=$2 toolchain=$3
    rm -rf "$work/wrong"
    if cmake -S tests/consumer -B "$work/wrong" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/$toolchain" -DCMAKE_PREFIX_PATH="$prefix" \
        >"$work/wrong.log" 2>&1; then
        fail "the $arch kit's package serves a project built with $toolchain"
    fi
    tr -s ' \n' ' ' <"$work/wrong.log" | grep -q "this Orvalinde kit is for $arch (Orvalinde-$version-win[a-z0-9]*), and this project builds for [A-Za-z0-9]*: use the kit for" ||
        { cat "$work/wrong.log"; fail "no clear refusal from the $arch kit"; }
}
for kit in "ARM64:windows-arm64:winarm64:clang-mingw-w64-arm64.cmake" "x86:windows-x86:win32:mingw-w64-x86.cmake"; do
    IFS=: read -r arch preset suffix toolchain <<<"$kit"
    other="$work/$preset"
    cmake --install "build/$preset" --prefix "$other" >/dev/null
    record=$(llvm-readobj-19 --coff-debug-directory "build/$preset/Orvalinde.dll")
    guid=$(sed -nE 's/^ *PDBGUID: \{(.*)\}$/\1/p' <<<"$record")
    age=$(sed -nE 's/^ *PDBAge: ([0-9]+)$/\1/p' <<<"$record")
    summary=$(llvm-pdbutil-19 dump -summary "build/$preset/Orvalinde.pdb")
    [ -n "$guid" ] && grep -qx "  GUID: {$guid}" <<<"$summary" && grep -qx "  Age: $age" <<<"$summary" ||
        fail "the $arch PDB's GUID and age are not the DLL's {$guid} $age"
    cmake --build "build/$preset" --target package >"$work/package.log" 2>&1 || { cat "$work/package.log"; fail "$arch package"; }
    listing=$(cd "$work" && rm -rf archive && mkdir archive && cd archive &&
        cmake -E tar xf "$ROOT/build/$preset/Orvalinde-$version-$suffix.zip" && cd "Orvalinde-$version-$suffix" &&
        find . -type f ! -path './symbols/*' | sort | tr '\n' ' ')
    [ "$listing" = "./SHA256SUMS $expected" ] || fail "the $arch archive holds: $listing"
    refuses "$other" "$arch" mingw-w64.cmake
    refuses "$work/prefix" x64 "$toolchain"
    if [ "$arch" = x86 ]; then
        consumers "$other" -x86 mingw-w64-x86.cmake i686-w64-mingw32 x86
    else
        PATH="$(bash scripts/arm64_toolchain.sh --print)/bin:$PATH" \
            consumers "$other" -arm64 arm64-cxx.cmake aarch64-w64-mingw32 arm64
    fi
    echo "PASS $arch kit: PDB {$guid} age $age, archive of $(echo "$listing" | wc -w) files; it serves its own architecture and refuses x64, which the x64 kit refuses"
done
