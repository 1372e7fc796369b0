# Sourced by the bench scripts: the measured programs in a folder of their own and a fresh Wine
# prefix, and how to find a Windows process's Unix process and its private memory.
#   bench_prepare RELEASE_BUILD BENCH_DIR FILE...   (FILEs from build/windows/bin)
# leaves $bin with the release's Velmora.exe, Quillon.dll, Velmora.dtd and runtime DLLs beside
# the FILEs, and the Wine environment set up for $BENCH_DIR/prefix, torn down on exit.
bench_prepare() {
  local release=$1 dir=$2
  shift 2
  bin="$dir/bin"
  rm -rf "$bin"
  mkdir -p "$bin"
  cp "build/$release/bin/"{Velmora.exe,Velmora.dtd} "build/$release/bin/"*.dll "$bin/"
  for f in "$@"; do cp "build/windows/bin/$f" "$bin/"; done
  # Written back first: Wine copies an image whose fresh blocks the file system has not yet
  # allocated into private memory, as no installed program would be.
  sync
  benchRun="$dir/prefix"
  mkdir -p "$benchRun"
  trap 'tests/wine/wine-teardown.sh "$benchRun"' EXIT
  tests/wine/wine-setup.sh "$benchRun" >/dev/null
  . tests/wine/wine-env.sh "$benchRun"
}

# Wine shows a process's Windows command line as its Unix one: the process id for one.
pid_of() {
  for p in /proc/[0-9]*; do
    [ "$({ tr '\0' ' ' <"$p/cmdline"; } 2>/dev/null | sed 's/ *$//')" = "$1" ] && { echo "${p#/proc/}"; return; }
  done
}

# Wine reports no private bytes for another process; its Unix process tells its anonymous
# (private) memory, in kB.
private_kb() { awk '/Private_Dirty/ {s+=$2} END {print s}' "/proc/$1/smaps_rollup" 2>/dev/null; }
