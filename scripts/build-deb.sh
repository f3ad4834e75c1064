#!/usr/bin/env bash
# Builds the Debian package dist/mirvola_<version>_amd64.deb from the checkout, with Debian's own
# tools (debhelper; the dependencies are computed from the binaries by dpkg-shlibdeps). The
# version is the CMake project's. Installs what it needs, like the other scripts.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

packages=(build-essential debhelper fakeroot lintian cmake pkg-config qt6-base-dev qt6-charts-dev
          libsqlite3-dev mdbtools-dev librsvg2-bin)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get -o DPkg::Lock::Timeout=900 install -y -q \
    "${missing[@]}"
fi

version=$(sed -n 's/^project(Mirvola VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "build-deb.sh: no version in CMakeLists.txt" >&2; exit 1; }

# The package is built from a copy of the tracked and new files only: no build tree, no diary.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
src="$work/mirvola-$version"
mkdir -p "$src"
git ls-files -z --cached --others --exclude-standard |
  grep -zv -e '^build' -e '^dist/' | tar -C "$root" --null -T - -cf - | tar -C "$src" -xf -

cat > "$src/debian/changelog" <<CHANGES
mirvola ($version) unstable; urgency=medium

  * Release $version.

 -- Marek Wendrowski <marek.wendrowski@ultras-mirvola.pl>  $(date -R)
CHANGES

(cd "$src" && dpkg-buildpackage -b -us -uc -j"$(nproc)")

mkdir -p dist
deb="mirvola_${version}_$(dpkg --print-architecture).deb"
cp "$work/$deb" dist/
echo "dist/$deb"
if command -v lintian > /dev/null; then
  lintian --fail-on error "dist/$deb"
fi
