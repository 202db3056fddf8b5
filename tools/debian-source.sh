# Fetches a Debian source package without touching the system's apt sources or lists:
# a deb-src entry derived from this machine's own apt sources, used through a private apt
# state folder. Source it, then:
#   debian_source PACKAGE WORKDIR   downloads PACKAGE's source files into WORKDIR/src
# Returns non-zero (with the log's end on stderr) when nothing arrived.
debian_source() {
  local pkg=$1 work=$2 srclist
  mkdir -p "$work/apt/lists/partial" "$work/apt/parts" "$work/src"
  if compgen -G '/etc/apt/sources.list.d/*.sources' >/dev/null; then
    sed 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/*.sources > "$work/apt/deb-src.sources"
    srclist=$work/apt/deb-src.sources
  else
    sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' /etc/apt/sources.list /etc/apt/sources.list.d/*.list \
      2>/dev/null > "$work/apt/deb-src.list" || true
    srclist=$work/apt/deb-src.list
  fi
  [ -s "$srclist" ] || { echo "no apt sources found to derive a deb-src entry from" >&2; return 1; }
  local apt_src=(-q -o Dir::Etc::SourceList="$srclist" -o Dir::Etc::SourceParts="$work/apt/parts"
                 -o Dir::State::Lists="$work/apt/lists" -o APT::Sandbox::User=root)
  apt-get "${apt_src[@]}" update >"$work/apt-update.log" 2>&1 || { tail -20 "$work/apt-update.log" >&2; return 1; }
  # A mirror may lack the .dsc or the Debian changes (seen on security updates); callers
  # check for the files they need.
  (cd "$work/src" && apt-get "${apt_src[@]}" source --download-only "$pkg" >"$work/apt-source.log" 2>&1) || true
  compgen -G "$work/src/*.orig.tar.*" >/dev/null || { tail -20 "$work/apt-source.log" >&2; return 1; }
}
