#!/usr/bin/env bash
# Cross-builds the Windows-target dependencies into .deps/mingw: libxml2 from Debian's own source
# package (static, no iconv/zlib/lzma/HTTP/FTP/Python) and GoogleTest from /usr/src/googletest.
# Each result is stamped; a second run does nothing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
deps="$root/.deps"
prefix="$deps/mingw"
toolchain="$root/cmake/toolchain-mingw64.cmake"
mkdir -p "$deps/src" "$prefix"
jobs=$(nproc)

# Built with LIBXML_STATIC, so that its objects carry no export marks into Quillon.dll.
if [ ! -f "$prefix/.libxml2-static.stamp" ]; then
  echo "setup: building libxml2 for Windows from the Debian source package"
  rm -rf "$deps/src/libxml2" "$deps/src/libxml2-dl" "$deps/build/libxml2"
  mkdir -p "$deps/src/libxml2-dl"
  (cd "$deps/src/libxml2-dl" && apt-get source --download-only libxml2 >/dev/null 2>&1 \
     && dpkg-source --no-check -x ./*.dsc "$deps/src/libxml2" >/dev/null)
  cmake -S "$deps/src/libxml2" -B "$deps/build/libxml2" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF -DCMAKE_C_FLAGS=-DLIBXML_STATIC \
    -DLIBXML2_WITH_ICONV=OFF -DLIBXML2_WITH_ICU=OFF -DLIBXML2_WITH_ZLIB=OFF -DLIBXML2_WITH_LZMA=OFF \
    -DLIBXML2_WITH_HTTP=OFF -DLIBXML2_WITH_FTP=OFF -DLIBXML2_WITH_PYTHON=OFF \
    -DLIBXML2_WITH_PROGRAMS=OFF -DLIBXML2_WITH_TESTS=OFF -DLIBXML2_WITH_THREADS=ON \
    -DLIBXML2_WITH_MODULES=OFF -DLIBXML2_WITH_LEGACY=OFF -DLIBXML2_WITH_CATALOG=OFF >/dev/null
  cmake --build "$deps/build/libxml2" -j "$jobs" >/dev/null
  cmake --install "$deps/build/libxml2" >/dev/null
  touch "$prefix/.libxml2-static.stamp"
fi

if [ ! -f "$prefix/.gtest.stamp" ]; then
  echo "setup: building GoogleTest for Windows from /usr/src/googletest"
  rm -rf "$deps/build/gtest"
  cmake -S /usr/src/googletest -B "$deps/build/gtest" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF -Dgtest_disable_pthreads=OFF >/dev/null
  cmake --build "$deps/build/gtest" -j "$jobs" >/dev/null
  cmake --install "$deps/build/gtest" >/dev/null
  touch "$prefix/.gtest.stamp"
fi
