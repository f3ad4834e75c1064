#!/usr/bin/env bash
# The Debian package as a user gets it: built by scripts/build-deb.sh (lintian without errors),
# its desktop entry and metainfo valid where installed, installed with apt-get like any
# downloaded package, then the installed programs started from /usr/bin by a user without a
# diary, outside the build tree. Needs root (apt-get); removes the package again at the end.
set -euo pipefail
source_dir=$(cd "${1:-$(dirname "$0")/../..}" && pwd)
cd "$source_dir"
version=$(sed -n 's/^project(Mirvola VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
deb="dist/mirvola_${version}_$(dpkg --print-architecture).deb"

bash scripts/build-deb.sh
[ -f "$deb" ] || { echo "FAIL: $deb was not built"; exit 1; }
lintian --fail-on error "$deb"

was_installed=$(dpkg-query -W -f='${Status}' mirvola 2>/dev/null | grep -c "install ok" || true)
cleanup() {
  if [ "$was_installed" = 0 ]; then
    DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=900 remove -y -q mirvola \
      > /dev/null || true
  fi
  rm -rf "$home"
}
home=$(mktemp -d)
trap cleanup EXIT
DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=900 install -y -q "./$deb"

desktop-file-validate /usr/share/applications/pl.ultras_mirvola.Mirvola.desktop
appstreamcli validate --no-net /usr/share/metainfo/pl.ultras_mirvola.Mirvola.metainfo.xml
for size in 16x16 32x32 48x48 64x64 128x128 256x256 scalable; do
  ls /usr/share/icons/hicolor/$size/apps/mirvola.* > /dev/null
done
man -w mirvola mirvola-db > /dev/null

# A new user, away from the build tree.
cd "$home"
run() { env -i HOME="$home" PATH=/usr/bin:/bin LANG=C.UTF-8 QT_QPA_PLATFORM=offscreen "$@"; }
[ "$(run mirvola --version)" = "mirvola $version" ] || { echo "FAIL: mirvola --version"; exit 1; }
[ "$(run mirvola-db --version)" = "mirvola-db $version" ] || { echo "FAIL: mirvola-db --version"; exit 1; }
run mirvola-db --help | grep -qx "Domyślny dziennik: $home/.local/share/Mirvola/Mirvola.mdb" ||
  { echo "FAIL: mirvola-db --help does not name the user's diary"; exit 1; }
mkdir -p "$home/.local/share/Mirvola"
run mirvola-db demo "$home/.local/share/Mirvola/Mirvola.mdb"
# The program started on it keeps running with its window open until it is ended.
status=0
run timeout 10 mirvola || status=$?
[ "$status" = 124 ] || { echo "FAIL: mirvola ended with status $status"; exit 1; }
echo "package ok: $deb"
