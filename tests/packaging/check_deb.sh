#!/bin/sh
# Builds the .deb from a finished build, unpacks it into a scratch root, checks
# every file and the dependencies, runs the command from there, and asks
# lintian for errors. Usage: check_deb.sh VERSION SOURCE_DIR BUILD_DIR SCRATCH_DIR
set -eu
version=$1 source=$2 build=$3 scratch=$4
rm -rf "$scratch" && mkdir -p "$scratch"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch" > "$scratch/cpack.log"
deb=$(ls "$scratch"/firma_${version}_*.deb)
grep -qF "build/${deb##*/}" "$source/README.md" || { echo "the README does not name ${deb##*/}" >&2; exit 1; }
dpkg -x "$deb" "$scratch/root"
for file in bin/firma bin/firma-gui share/applications/io.github.firma.Firma.desktop \
            share/icons/hicolor/scalable/apps/io.github.firma.Firma.svg \
            share/icons/hicolor/48x48/apps/io.github.firma.Firma.png \
            share/metainfo/io.github.firma.Firma.metainfo.xml share/mime/packages/io.github.firma.Firma.xml \
            share/man/man1/firma.1.gz \
            share/man/man1/firma-gui.1.gz share/man/es/man1/firma.1.gz share/man/es/man1/firma-gui.1.gz \
            share/doc/firma/copyright share/doc/firma/changelog.gz \
            share/locale/es/LC_MESSAGES/firma.mo; do
    [ -f "$scratch/root/usr/$file" ] || { echo "missing from the package: /usr/$file" >&2; exit 1; }
done
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || { echo "the package's version is not $version" >&2; exit 1; }
depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libstdc++6 libfmt9 libqt6core6 libqt6widgets6 qt6-translations-l10n; do
    echo "$depends" | grep -q "$library" || { echo "Depends lacks $library: $depends" >&2; exit 1; }
done
[ "$(printf abc | "$scratch/root/usr/bin/firma")" = "0000555  -" ] || { echo "packaged firma is wrong" >&2; exit 1; }
"$scratch/root/usr/bin/firma" --version | grep -qx "firma $version" || { echo "packaged firma is not $version" >&2; exit 1; }
# Installed anywhere, firma finds its catalogue beside it.
LANGUAGE=es LC_ALL=C.UTF-8 "$scratch/root/usr/bin/firma" --help | grep -q "^Modo de empleo: firma " ||
    { echo "packaged firma does not speak Spanish" >&2; exit 1; }
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM LANGUAGE=es LC_ALL=C.UTF-8 "$scratch/root/usr/bin/firma-gui" 2>&1 |
    grep -qx "firma-gui: no hay pantalla en la que abrir la ventana" ||
    { echo "packaged firma-gui does not speak Spanish before its window opens" >&2; exit 1; }
# The Spanish page is made by running firma in Spanish: without the locale it
# would come out in English.
zcat "$scratch/root/usr/share/man/es/man1/firma.1.gz" | grep -q '^\.SH DESCRIPCIÓN' ||
    { echo "the Spanish manual page is not in Spanish" >&2; exit 1; }
status=0
lintian --fail-on error "$deb" > "$scratch/lintian.log" 2>&1 || status=$?
grep -v "running with root privileges" "$scratch/lintian.log" || true
[ "$status" = 0 ] || { echo "lintian reports errors" >&2; exit 1; }
echo "package ok: $deb"
