# Shell functions for running Wine in a private prefix of the project's, never ~/.wine.
# Sourced by scripts/wine-run and scripts/wine-prefix.

# Points Wine at the prefix in $1, with a scratch HOME inside it so nothing is written under the
# user's own home, no debug chatter, no menu builder and no Mono or Gecko installation prompts.
wine_env() {
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
    wineboot -i >/dev/null 2>&1 </dev/null
    wineserver -w
    wine winecfg -v win10 >/dev/null 2>&1 </dev/null
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 </dev/null
    wineserver -w
    local link
    for link in "$prefix"/drive_c/users/*/*; do
      if [ -L "$link" ]; then rm -f "$link" && mkdir -p "$link"; fi
    done
    touch "$prefix/.ready"
  ) 9>"$prefix.lock"
}
