# Shell functions for running Wine in a private prefix of the project's, never ~/.wine.
# Sourced by scripts/wine-run, scripts/wine-prefix, scripts/build and scripts/test.

# Some machines cannot execute 32-bit x86 code at all (the kernel's IA-32 emulation is off), and
# there 32-bit Wine fails with "Exec format error". The installer's tests then run a 64-bit build of
# the same sources under 64-bit Wine. Sets VALDORINE_WINDOWS_FLAVOUR to the build folder's name
# (win32 or win64) and WINE to the loader that runs it.
wine_select_loader() {
  [ -n "${VALDORINE_WINDOWS_FLAVOUR:-}" ] && [ -n "${WINE:-}" ] && return 0
  if /usr/lib/wine/wine --version >/dev/null 2>&1; then
    export VALDORINE_WINDOWS_FLAVOUR=win32 WINE=wine
  else
    export VALDORINE_WINDOWS_FLAVOUR=win64 WINE=/usr/lib/wine/wine64 WINELOADER=/usr/lib/wine/wine64
  fi
}

# Points Wine at the prefix in $1, with a scratch HOME inside it so nothing is written under the
# user's own home, no debug chatter, no menu builder and no Mono or Gecko installation prompts.
wine_env() {
  wine_select_loader
  export WINEPREFIX="$1"
  export HOME="$1/scratch-home"
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
  unset WINEARCH
  mkdir -p "$HOME"
}

# Creates a ready prefix in $1 unless it exists: initialised, reporting Windows 10, its user
# folders real folders instead of links to HOME, windows unmanaged (no wait on every close).
# Concurrent callers wait for the first one.
wine_prefix_ensure() {
  local prefix="$1"
  mkdir -p "$(dirname "$prefix")"
  (
    flock 9
    [ -f "$prefix/.ready" ] && exit 0
    rm -rf "$prefix"
    mkdir -p "$prefix"
    wine_env "$prefix"
    "$WINE" wineboot -i >/dev/null 2>&1 </dev/null
    wineserver -w
    "$WINE" winecfg -v win10 >/dev/null 2>&1 </dev/null
    "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 </dev/null
    wineserver -w
    local link
    for link in "$prefix"/drive_c/users/*/*; do
      if [ -L "$link" ]; then rm -f "$link" && mkdir -p "$link"; fi
    done
    touch "$prefix/.ready"
  ) 9>"$prefix.lock"
}
