#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the normal build (GCC),
# the same with clang-14, then the threaded tests under ThreadSanitizer and the logic tests
# under AddressSanitizer with UndefinedBehaviorSanitizer, and last the Windows programs, cross-
# compiled with mingw-w64 and tested under Wine (QUORVA_SKIP_WINDOWS=1 leaves that stage out).
# Warnings are errors throughout.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh

jobs=$(nproc)
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_COMPILE_WARNING_AS_ERROR=ON
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

if [ "${QUORVA_SKIP_CLANG:-0}" != 1 ]; then
  cmake -S . -B build-clang -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++-14 \
    -DCMAKE_COMPILE_WARNING_AS_ERROR=ON
  cmake --build build-clang -j "$jobs"
  ctest --test-dir build-clang --output-on-failure -j "$jobs"
fi

if [ "${QUORVA_SKIP_SANITIZERS:-0}" != 1 ]; then
  cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUORVA_SANITIZE=thread -DQUORVA_PLATFORM=OFF -DCMAKE_COMPILE_WARNING_AS_ERROR=ON
  cmake --build build-tsan -j "$jobs"
  TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
    ctest --test-dir build-tsan --output-on-failure -j "$jobs" -L 'song|synth|ports|ui'

  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUORVA_SANITIZE=address -DQUORVA_PLATFORM=OFF -DCMAKE_COMPILE_WARNING_AS_ERROR=ON
  cmake --build build-asan -j "$jobs"
  ASAN_OPTIONS="detect_leaks=1" UBSAN_OPTIONS="print_stacktrace=1" \
    ctest --test-dir build-asan --output-on-failure -j "$jobs"
fi

if [ "${QUORVA_SKIP_WINDOWS:-0}" != 1 ]; then
  # The generators run natively: the cross build takes them from the normal build.
  cmake -S . -B build-win -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
    -DQUORVA_PLATFORM=ON -DQUORVA_HOST_TOOLS="$PWD/build/bin" -DCMAKE_COMPILE_WARNING_AS_ERROR=ON
  cmake --build build-win -j "$jobs"
  QUORVA_WINDOWS_BIN_DIR="$PWD/build-win/bin" ctest --test-dir build --output-on-failure -j "$jobs" -L windows
fi
