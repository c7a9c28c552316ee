#!/usr/bin/env bash
# Builds the Debian package from a build folder and checks what it holds with the
# tools Debian checks packages with: lintian, appstreamcli, desktop-file-validate,
# systemd-analyze, and the manual page against the program's own --help.
#   paquet.sh BUILD_DIR PLOVAR_BIN
set -euo pipefail
construction=$1
programme=$2
travail=$(mktemp -d)
trap 'rm -rf "$travail"' EXIT
echec() { echo "ÉCHEC : $*" >&2; exit 1; }

cpack --config "$construction/CPackConfig.cmake" -G DEB -B "$travail" >"$travail/cpack.log" 2>&1 ||
  { cat "$travail/cpack.log"; echec "cpack"; }
paquet=$(ls "$travail"/plovar_*.deb)
contenu=$(dpkg-deb -c "$paquet" | awk '{print $6}')
for attendu in ./usr/bin/plovar ./usr/share/applications/plovar.desktop \
  ./usr/share/metainfo/fr.plovar.Plovar.metainfo.xml ./usr/share/man/man1/plovar.1.gz \
  ./usr/share/icons/hicolor/48x48/apps/plovar.png ./lib/udev/rules.d/70-plovar-k8055.rules \
  ./lib/systemd/system/plovar@.service ./usr/lib/sysusers.d/plovar.conf \
  ./usr/share/doc/plovar/copyright ./usr/share/doc/plovar/changelog.Debian.gz; do
  grep -qxF "$attendu" <<<"$contenu" || echec "$attendu manque dans le paquet"
done
# Dependencies computed from the libraries, and a stripped program.
dpkg-deb -f "$paquet" Depends | grep -q libqt6core6 || echec "dépendances non calculées"
racine="$travail/racine"
dpkg-deb -x "$paquet" "$racine"
file "$racine/usr/bin/plovar" | grep -q ", stripped" || echec "programme non allégé"

echo "== lintian"
lintian --fail-on error,warning --no-tag-display-limit "$paquet"
echo "== appstreamcli validate"
appstreamcli validate --no-net --pedantic "$racine/usr/share/metainfo/fr.plovar.Plovar.metainfo.xml"
echo "== desktop-file-validate"
sortie=$(desktop-file-validate "$racine/usr/share/applications/plovar.desktop" 2>&1) ||
  { echo "$sortie"; echec "desktop-file-validate"; }
[ -z "$sortie" ] || { echo "$sortie"; echec "desktop-file-validate signale un défaut"; }

echo "== systemd-analyze verify"
# The unit checked inside the package's tree, with this system's own units beside it.
unites="$racine/lib/systemd/system"
for f in /lib/systemd/system/*; do
  [ -f "$f" ] && [ ! -e "$unites/$(basename "$f")" ] && cp -L "$f" "$unites/"
done
ln -s plovar@.service "$unites/plovar@banc1.service"
verification=$(systemd-analyze verify --man=no --root="$racine" plovar@banc1.service 2>&1) ||
  { echo "$verification"; echec "systemd-analyze verify"; }
if grep -i "plovar" <<<"$verification"; then echec "systemd-analyze signale un défaut de l'unité"; fi

echo "== page de manuel"
page=$(zcat "$racine/usr/share/man/man1/plovar.1.gz" | sed 's/\\-/-/g')
options=$("$programme" --help | grep -oE '^ +(-[a-z], )?--[a-z-]+' | grep -oE -- '--[a-z-]+')
for o in $options; do
  grep -qF -- "$o" <<<"$page" || echec "l'option $o n'est pas dans la page de manuel"
done
avertissements=$(zcat "$racine/usr/share/man/man1/plovar.1.gz" | LC_ALL=C.UTF-8 groff -k -man -Tutf8 -ww -z 2>&1)
[ -z "$avertissements" ] || { echo "$avertissements"; echec "groff signale des défauts"; }
echo "paquet vérifié : $(basename "$paquet")"
