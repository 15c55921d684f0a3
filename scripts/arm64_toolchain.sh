#!/usr/bin/env bash
# Makes a C++ toolchain for ARM64 Windows (aarch64-w64-mingw32) once per
# machine, from Debian's own packages: the installed clang, lld and llvm 19
# with mingw-w64's headers and C runtime (UCRT), compiler-rt's builtins and
# libunwind, libc++abi and libc++, built here from Debian's source packages
# of the same versions, in about two minutes on two cores. Programs link
# the C++ library statically.
#   scripts/arm64_toolchain.sh           makes it unless it is whole, saying
#                                        what it does on the way
#   scripts/arm64_toolchain.sh --print   prints its folder, or fails when it
#                                        is not made
# The folder is ORVALINDE_ARM64_TOOLCHAIN (default
# /var/cache/orvalinde/arm64-toolchain); its bin/ holds the compilers as
# ordinary cross compilers: aarch64-w64-mingw32-clang, -clang++, -ar,
# -ranlib, -dlltool, -windres, -nm, -objdump, -strip. Nothing is written
# into the system's folders; the machine's apt lists are left alone.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
prefix=${ORVALINDE_ARM64_TOOLCHAIN:-/var/cache/orvalinde/arm64-toolchain}
target=aarch64-w64-mingw32
llvm=19
# Raised whenever what is built changes, so that a machine makes it again.
recipe="recipe 2"

made() { [ -f "$prefix/.complete" ] && [ "$(head -1 "$prefix/.complete")" = "$recipe" ]; }
if [ "${1:-}" = --print ]; then
    made || { echo "arm64_toolchain: no toolchain in $prefix: run scripts/arm64_toolchain.sh" >&2; exit 1; }
    echo "$prefix"; exit 0
fi
made && exit 0

source "$ROOT/scripts/lib.sh"
ensure_packages clang-$llvm lld-$llvm llvm-$llvm cmake make xz-utils bzip2
start=$(date +%s)
step() { echo "== arm64 toolchain: $* ($(( $(date +%s) - start )) s)"; }
work=$prefix.work
rm -rf "$prefix" "$work"
mkdir -p "$prefix/bin" "$work"
# Each step's output goes to a log; a failing step shows its end.
run() {
    local log=$work/$1.log
    shift
    if ! "$@" >>"$log" 2>&1; then
        tail -40 "$log" >&2
        echo "arm64_toolchain: failed; the whole log is $log" >&2
        exit 1
    fi
}

step "fetching the source packages of mingw-w64 and llvm-toolchain-$llvm"
source "$ROOT/scripts/mirror.sh"
mirror=$(debian_mirror)
suite=$(. /etc/os-release && echo "$VERSION_CODENAME")
llvm_version=$(dpkg-query -W -f='${source:Version}' clang-$llvm)
apt_dir=$work/apt
mkdir -p "$apt_dir/parts" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$work/src"
printf 'deb-src %s %s main\ndeb-src %s %s-updates main\n' "$mirror" "$suite" "$mirror" "$suite" >"$apt_dir/sources.list"
apt_options=(-o "Dir::Etc::SourceList=$apt_dir/sources.list" -o "Dir::Etc::SourceParts=$apt_dir/parts"
             -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache")
run fetch apt-get "${apt_options[@]}" update
# The C runtime of this suite, and exactly the installed clang's LLVM.
(cd "$work/src" && run fetch apt-get "${apt_options[@]}" source --download-only \
    "mingw-w64/$suite" "llvm-toolchain-$llvm=$llvm_version")

# The original tarballs as they are: Debian's patches edit Makefile.am,
# which would make the build want automake.
step "unpacking"
tarball() { compgen -G "$work/src/$1_*.orig.tar.[bgx]z*" | grep -v '\.asc$' | head -1; }
mingw_tar=$(tarball mingw-w64)
llvm_tar=$(tarball llvm-toolchain-$llvm)
mkdir -p "$work/mingw" "$work/llvm"
run unpack tar -xf "$mingw_tar" -C "$work/mingw" --strip-components=1
llvm_top=$(set +o pipefail; tar -tf "$llvm_tar" | head -1 | cut -d/ -f1)
run unpack tar -xf "$llvm_tar" -C "$work/llvm" --strip-components=1 \
    "$llvm_top"/{libcxx,libcxxabi,libunwind,compiler-rt,runtimes,cmake,llvm/cmake,llvm/utils}

step "compiler wrappers in $prefix/bin"
# Debian's clang defaults to libgcc for this target: the wrappers name the
# LLVM runtimes and a sysroot and resource folder of their own (and do not
# warn that a compile leaves the link's options unused). The resource
# folder's headers are the installed clang's.
resource=$prefix/lib/clang/$llvm
mkdir -p "$resource/lib/windows"
ln -s "$(clang-$llvm -print-resource-dir)/include" "$resource/include"
for driver in clang clang++; do
    cat >"$prefix/bin/$target-$driver" <<EOF
#!/bin/sh
# $target-$driver: made by scripts/arm64_toolchain.sh
dir=\$(cd "\$(dirname "\$0")/.." && pwd)
exec $driver-$llvm --target=$target --sysroot="\$dir" -resource-dir="\$dir/lib/clang/$llvm" \\
    -rtlib=compiler-rt -unwindlib=libunwind -stdlib=libc++ -fuse-ld=lld -Qunused-arguments "\$@"
EOF
    chmod +x "$prefix/bin/$target-$driver"
done
ln -s "$target-clang" "$prefix/bin/$target-gcc"
ln -s "$target-clang++" "$prefix/bin/$target-g++"
for tool in ar ranlib nm objdump strip objcopy readobj windres dlltool; do
    ln -s "$(command -v llvm-$tool-$llvm)" "$prefix/bin/$target-$tool"
done
export PATH="$prefix/bin:$PATH"
cc=$target-clang cxx=$target-clang++

step "mingw-w64 headers"
mkdir -p "$work/headers"
(cd "$work/headers" && run headers "$work/mingw/mingw-w64-headers/configure" --host=$target \
    --prefix="$prefix/$target" --with-default-msvcrt=ucrt --enable-idl &&
    run headers make install)

step "mingw-w64 C runtime"
mkdir -p "$work/crt"
(cd "$work/crt" && run crt "$work/mingw/mingw-w64-crt/configure" --host=$target --prefix="$prefix/$target" \
    --with-sysroot="$prefix" --enable-libarm64 --disable-lib32 --disable-lib64 --with-default-msvcrt=ucrt \
    CC=$cc CXX=$cxx AR=$target-ar RANLIB=$target-ranlib DLLTOOL=$target-dlltool &&
    run crt make -j"$(nproc)" && run crt make install)
# mingw-w64 10 builds for ARM64 fewer import libraries than for x64
# (wintrust, which the self-test calls, among them); the x64 definitions
# name the same functions undecorated, so they make the rest.
for definition in "$work/mingw/mingw-w64-crt/lib64"/*.def; do
    library=$prefix/$target/lib/lib$(basename "$definition" .def).a
    [ -e "$library" ] || $target-dlltool -m arm64 -d "$definition" -l "$library" >>"$work/crt.log" 2>&1 || rm -f "$library"
done
[ -e "$prefix/$target/lib/libwintrust.a" ] || { echo "arm64_toolchain: no import library for wintrust" >&2; exit 1; }
# What clang names for -fstack-protector; the C runtime covers it.
for library in ssp ssp_nonshared; do $target-ar rcs "$prefix/$target/lib/lib$library.a"; done

cmake_common=(-G "Unix Makefiles" -DCMAKE_BUILD_TYPE=Release -DCMAKE_SYSTEM_NAME=Windows
              -DCMAKE_SYSTEM_PROCESSOR=ARM64 -DCMAKE_C_COMPILER=$cc -DCMAKE_CXX_COMPILER=$cxx
              -DCMAKE_ASM_COMPILER=$cc -DCMAKE_AR="$(command -v $target-ar)"
              -DCMAKE_RANLIB="$(command -v $target-ranlib)" -DCMAKE_C_COMPILER_WORKS=TRUE
              -DCMAKE_CXX_COMPILER_WORKS=TRUE -DCMAKE_ASM_COMPILER_WORKS=TRUE
              -DCMAKE_C_COMPILER_TARGET=$target -DCMAKE_CXX_COMPILER_TARGET=$target
              -DCMAKE_ASM_COMPILER_TARGET=$target -DLLVM_CONFIG_PATH=
              -DCMAKE_FIND_ROOT_PATH="$prefix/$target" -DCMAKE_FIND_ROOT_PATH_MODE_PROGRAM=NEVER
              -DCMAKE_FIND_ROOT_PATH_MODE_INCLUDE=ONLY -DCMAKE_FIND_ROOT_PATH_MODE_PACKAGE=ONLY)

step "compiler-rt builtins"
# Installed into a staging folder: an install into the resource folder
# would write through its include link into the system's clang.
run builtins cmake "${cmake_common[@]}" -S "$work/llvm/compiler-rt/lib/builtins" -B "$work/builtins" \
    -DCMAKE_INSTALL_PREFIX="$work/builtins-stage" -DCOMPILER_RT_DEFAULT_TARGET_ONLY=TRUE \
    -DCOMPILER_RT_USE_BUILTINS_LIBRARY=TRUE -DCOMPILER_RT_BUILD_BUILTINS=TRUE \
    -DCOMPILER_RT_EXCLUDE_ATOMIC_BUILTIN=FALSE -DCMAKE_TRY_COMPILE_TARGET_TYPE=STATIC_LIBRARY
run builtins cmake --build "$work/builtins" -j"$(nproc)"
run builtins cmake --install "$work/builtins"
find "$work/builtins-stage" -name 'libclang_rt.builtins*.a' -exec cp {} "$resource/lib/windows/" \;
ls "$resource/lib/windows/"libclang_rt.builtins-aarch64.a >/dev/null

step "libunwind, libc++abi and libc++"
run runtimes cmake "${cmake_common[@]}" -S "$work/llvm/runtimes" -B "$work/runtimes" \
    -DCMAKE_INSTALL_PREFIX="$prefix/$target" -DLLVM_ENABLE_RUNTIMES="libunwind;libcxxabi;libcxx" \
    -DLIBUNWIND_USE_COMPILER_RT=TRUE -DLIBUNWIND_ENABLE_SHARED=OFF -DLIBUNWIND_ENABLE_STATIC=ON \
    -DLIBCXXABI_USE_COMPILER_RT=ON -DLIBCXXABI_USE_LLVM_UNWINDER=ON -DLIBCXXABI_ENABLE_SHARED=OFF \
    -DLIBCXXABI_LIBDIR_SUFFIX= -DLIBCXX_USE_COMPILER_RT=ON -DLIBCXX_ENABLE_SHARED=OFF \
    -DLIBCXX_ENABLE_STATIC=ON -DLIBCXX_ENABLE_STATIC_ABI_LIBRARY=TRUE -DLIBCXX_CXX_ABI=libcxxabi \
    -DLIBCXX_LIBDIR_SUFFIX= -DLIBCXX_INCLUDE_TESTS=FALSE -DLIBCXX_INCLUDE_BENCHMARKS=FALSE \
    -DLIBCXX_ENABLE_ABI_LINKER_SCRIPT=FALSE -DLLVM_INCLUDE_TESTS=FALSE -DLLVM_INCLUDE_DOCS=FALSE
run runtimes cmake --build "$work/runtimes" -j"$(nproc)"
run runtimes cmake --install "$work/runtimes"

versions="clang $(clang-$llvm -dumpversion) ($llvm_version), mingw-w64 $(basename "$mingw_tar" | sed -E 's/^mingw-w64_([^.]+\.[^.]+\.[^.]+).*/\1/')"
printf '%s\n%s\n' "$recipe" "$versions" >"$prefix/.complete"
rm -rf "$work"
step "made in $prefix: $versions"
