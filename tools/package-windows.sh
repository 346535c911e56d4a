#!/usr/bin/env bash
# Makes the portable folder of the Windows player, out/quorva-windows/, and a zip of it,
# out/quorva-windows.zip: quorva.exe, quorva-ctl.exe, quorva-render.exe and the data files,
# which is all the programs need (they run from any folder, settings are kept beside them or
# in %APPDATA%\quorva). The programs are cross-compiled in build-win; the generators of the
# data files come from the native build in build, which is built first where needed.
#   bash tools/package-windows.sh
set -euo pipefail
cd "$(dirname "$0")/.."

native=build
cross=build-win
out=out/quorva-windows
jobs=$(nproc)

[ -f "$native/CMakeCache.txt" ] || cmake -S . -B "$native" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$native" -j "$jobs" --target fontgen quorva_skingen quorva_icongen
cmake -S . -B "$cross" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
  -DQUORVA_PLATFORM=ON -DQUORVA_HOST_TOOLS="$PWD/$native/bin"
cmake --build "$cross" -j "$jobs" --target quorva quorva-ctl quorva-render quorva_runtime_files

rm -rf "$out" "$out.zip"
mkdir -p "$out"
for file in quorva.exe quorva-ctl.exe quorva-render.exe fmstone.dat inst.dat bmp.dat fnm.dat fsm.dat demo.mid; do
  cp "$cross/bin/$file" "$out/"
done
# The debug information stays in the build; the folder gets the programs without it.
x86_64-w64-mingw32-strip "$out"/*.exe
if command -v zip >/dev/null; then
  (cd "$(dirname "$out")" && zip -q -r -X "$(basename "$out").zip" "$(basename "$out")")
  echo "package-windows: $out/ and $out.zip"
else
  echo "package-windows: $out/ (zip is not installed, so no archive)"
fi
