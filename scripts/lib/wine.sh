# Sourced by the scripts and tests that run Kullerix for Windows under Wine.

# The settings of every Wine run, as NAME=VALUE lines: no debug output, no offer to install
# Wine's .NET or browser engine into a new prefix, and no menu entries on this desktop for the
# shortcuts that an installer makes.
wine_settings() {
  echo "WINEDEBUG=-all"
  echo "WINEDLLOVERRIDES=mscoree,mshtml,winemenubuilder.exe=d"
}

# use_wine_prefix DIR: exports the settings with WINEPREFIX set to DIR (made absolute, as Wine
# wants it), and makes the prefix when it is new (10 to 15 s). Stop its processes with `wineserver -k` while WINEPREFIX is set.
use_wine_prefix() {
  local setting
  while read -r setting; do export "${setting?}"; done <<<"$(wine_settings)"
  mkdir -p "$1"
  WINEPREFIX=$(cd "$1" && pwd)
  export WINEPREFIX
  if [[ ! -f $WINEPREFIX/system.reg ]]; then
    DISPLAY= wineboot -i >/dev/null 2>&1
    wineserver -w
  fi
}
