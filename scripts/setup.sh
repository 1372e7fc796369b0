#!/usr/bin/env bash
# Prepares a Debian 12 machine (as root) for building and testing: Debian packages, then the
# Windows-target libxml2 and GoogleTest, cached under .deps/. Safe to run any number of times.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
deps="$root/.deps"
mkdir -p "$deps"

packages=(
  build-essential cmake ninja-build pkg-config dpkg-dev
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-tools
  wine wine64 fonts-wine xvfb xauth x11-utils imagemagick
  googletest libgtest-dev libxml2-dev libxml2-utils
  clang libclang-rt-14-dev
  nsis
  # The MSI (wixl, msibuild, msiinfo), Authenticode signing, and the deploy test's certificate and
  # manifest parsing.
  wixl msitools osslsigncode openssl python3 python3-yaml
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

# Source entries are needed for the libxml2 source package only.
srcList=/etc/apt/sources.list.d/velmora-src.sources
if [ ! -f "$srcList" ]; then
  cat > "$srcList" <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  needUpdate=1
fi

if [ ${#missing[@]} -gt 0 ] || [ -n "${needUpdate:-}" ] || [ ! -d "$deps/src/libxml2" ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
fi

# The posix thread model is required (std::thread, one runtime for the DLL and programs).
update-alternatives --set x86_64-w64-mingw32-g++ /usr/bin/x86_64-w64-mingw32-g++-posix >/dev/null 2>&1 || true
update-alternatives --set x86_64-w64-mingw32-gcc /usr/bin/x86_64-w64-mingw32-gcc-posix >/dev/null 2>&1 || true

"$root/scripts/build-deps-mingw.sh"
echo "setup: done"
