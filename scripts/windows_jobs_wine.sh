#!/usr/bin/env bash
# The Windows jobs of .github/workflows/windows.yml, their steps in its
# order, under Wine 8 here: the kits staged as the Linux job stages them;
# the x64 runner's self-tests (the x86 kit's under 32-bit Wine 8,
# scripts/wine_chroot.sh); every scenario in the test host; the ARM64
# runner's ARM64 kit's self-test, every scenario in the ARM64 test host and
# the ARM64 runtime-free host (Debian's arm64 Wine under qemu-user), and the
# x64 kit's self-test. What the workflow would upload is left in
# build/windows-jobs. Expects the build (scripts/build.sh). Needs root. The
# left-handed runs (x64-swapped and the like) are not among them: Wine swaps
# no input when the buttons are swapped, and the self-test refuses it there.
set -uo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"
jobs=build/windows-jobs
rm -rf "$jobs"
bash scripts/windows_jobs.sh stage "$jobs/kits" >/dev/null || { echo "FAIL staging the kits"; exit 1; }
source scripts/wine_env.sh
status=0
echo "== job x64: the x64 and x86 kits' self-tests"
RUN=wine bash scripts/windows_jobs.sh x64 "$jobs/kits" "$jobs/x64" || status=1
bash scripts/wine_chroot.sh x86-wine8 bash -c "source scripts/wine_env.sh >/dev/null &&
    RUN=wine bash scripts/windows_jobs.sh x86 $jobs/kits $jobs/x64" || status=1
echo "== job scenarios: the test host with every scenario"
RUN=wine bash scripts/windows_jobs.sh scenarios "$jobs/kits" "$jobs/scenarios" || status=1
echo "== job arm64: the ARM64 kit's self-test, every scenario in the ARM64 test host, the ARM64 DLL in the"
echo "   runtime-free host; the x64 kit's self-test"
export RUN_ARM64=scripts/arm64-wine/wine
for step in arm64 scenarios-arm64 arm64-host; do
    RUN=wine bash scripts/windows_jobs.sh $step "$jobs/kits" "$jobs/arm64" || status=1
done
RUN=wine bash scripts/windows_jobs.sh x64 "$jobs/kits" "$jobs/arm64" || status=1
exit $status
