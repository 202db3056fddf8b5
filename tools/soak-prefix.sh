# Wine prefixes for soaks that run side by side (sourced by tools/soak; tests source it too).
# A wineserver owns its prefix, so each parallel seed gets a prefix of its own: a copy in which
# the large files Wine never writes (libraries, programs, fonts, national language tables) are
# hard links to the checkout's prefix and everything else (registry, settings) is copied. A copy
# in use is locked through its .inuse file by the soak that made it, from before it is made
# until it is deleted; copies left by an interrupted run are deleted by the next soak.

# soak_prefix_make MASTER COPY: makes (or makes again) COPY from MASTER.
soak_prefix_make() {
  local master=$1 prefix=$2
  rm -rf "$prefix"
  cp -a --link "$master" "$prefix"
  find "$prefix" -type f ! \( -iname '*.dll' -o -iname '*.exe' -o -iname '*.drv' -o -iname '*.sys' \
      -o -iname '*.ocx' -o -iname '*.cpl' -o -iname '*.acm' -o -iname '*.ax' -o -iname '*.tlb' \
      -o -iname '*.nls' -o -iname '*.ttf' -o -iname '*.ttc' -o -iname '*.fon' -o -iname '*.msi' \) \
    -exec sh -c 'for f; do cp -p "$f" "$f.soak-copy" && mv -f "$f.soak-copy" "$f"; done' sh {} +
}

# soak_prefix_clean PATTERN...: deletes the copies matching PATTERN that no soak holds.
soak_prefix_clean() {
  local p
  for p in "$@"; do
    case $p in *.lock|*.inuse) continue ;; esac
    [ -d "$p" ] || continue
    ( flock -n 8 || exit 0; rm -rf "$p" "$p.lock" ) 8>"$p.inuse"
  done
}
