# Fetches Debian source packages for the Windows libraries the project builds
# itself (sourced by scripts/build-*-windows.sh). Defines:
#   debian_source_fetch PACKAGE DIR   unpacks PACKAGE's source into DIR (once) and
#                                     prints the source folder
# It needs deb-src lines; where the apt sources have none, it writes them for
# the Debian archive the deb lines already name (same URIs, suites, components
# and key) into /etc/apt/sources.list.d/tessaly-deb-src.*.

debian_source_as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

debian_source_enable() {
  local codename list="/etc/apt/sources.list.d/tessaly-deb-src" work
  codename="$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")"
  work="$(mktemp -d)"
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] && [ "$f" != "$list.sources" ] || continue
    awk -v codename="$codename" '
      function flush() {
        if (types ~ /(^|[ \t])deb([ \t]|$)/ && suites ~ codename) {
          print "Types: deb-src"; printf "%s", rest; print ""
        }
        types = ""; suites = ""; rest = ""
      }
      /^[ \t]*$/ { flush(); next }
      /^#/ { next }
      /^Types:/ { types = substr($0, 7); next }
      /^Suites:/ { suites = $0 }
      { rest = rest $0 "\n" }
      END { flush() }
    ' "$f"
  done >"$work/deb-src.sources"
  if [ -f /etc/apt/sources.list ]; then
    awk -v codename="$codename" '$1 == "deb" && $0 ~ codename { $1 = "deb-src"; print }' \
      /etc/apt/sources.list >"$work/deb-src.list"
  fi
  if [ ! -s "$work/deb-src.sources" ] && [ ! -s "$work/deb-src.list" ]; then
    echo "no Debian $codename archive in the apt sources to take source packages from" >&2
    rm -rf "$work"
    return 1
  fi
  if [ -s "$work/deb-src.sources" ]; then
    debian_source_as_root cp "$work/deb-src.sources" "$list.sources"
  fi
  if [ -s "$work/deb-src.list" ]; then
    debian_source_as_root cp "$work/deb-src.list" "$list.list"
  fi
  rm -rf "$work"
  echo "enabled deb-src lines in $list.*; updating the package lists" >&2
  debian_source_as_root apt-get update -qq
}

# Empty, not a failure, when apt knows no source of that name (yet: before the
# deb-src lines are there, apt-cache showsrc fails).
debian_source_version() {
  { apt-cache showsrc "$1" 2>/dev/null || true; } | awk '/^Version:/ { print $2 }' | sort -V | tail -n 1
}

debian_source_fetch() {
  local package="$1" dir="$2" version upstream src orig sum
  version="$(debian_source_version "$package")"
  if [ -z "$version" ]; then
    debian_source_enable || return 1
    version="$(debian_source_version "$package")"
  fi
  if [ -z "$version" ]; then
    echo "apt cannot find the source package $package" >&2
    return 1
  fi
  upstream="${version#*:}"
  upstream="${upstream%-*}"
  src="$dir/$package-$upstream"
  if [ ! -f "$src/.tessaly-source" ]; then
    rm -rf "$src"
    mkdir -p "$dir"
    echo "fetching the source package $package $version" >&2
    if ! (cd "$dir" && apt-get source -qq "$package=$version" >&2); then
      # A mirror may lack Debian's own part; the upstream tarball, checked
      # against the package's checksums, is the same code without Debian's patches.
      orig="$(find "$dir" -maxdepth 1 -name "${package}_$upstream.orig.tar.*" | head -n 1)"
      sum="$(apt-cache showsrc "$package" | awk -v v="$version" -v f="$(basename "${orig:-none}")" '
        /^Package:/ { right = 0 } /^Version:/ { right = ($2 == v) }
        /^Checksums-Sha256:/ { s = 1; next } /^[^ ]/ { s = 0 }
        right && s && $3 == f { print $1; exit }')"
      if [ -z "$orig" ] || [ -z "$sum" ] || [ "$(sha256sum "$orig" | cut -d' ' -f1)" != "$sum" ]; then
        echo "apt-get source $package failed" >&2
        return 1
      fi
      echo "Debian's part of $package is not available: using the checked upstream tarball" >&2
      mkdir -p "$src"
      tar -xf "$orig" -C "$src" --strip-components=1
    fi
    echo "$version" >"$src/.tessaly-source"
  fi
  echo "$src"
}
