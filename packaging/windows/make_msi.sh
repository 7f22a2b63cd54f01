#!/usr/bin/env bash
# Packs an install folder (cmake --install --strip) as a 64-bit, per-machine
# Windows Installer package with wixl, and writes the winget manifest that
# describes that package.
#
# Usage: make_msi.sh <install folder> <version> <output.msi> <manifest dir>
# (wixl, wixl-heat, msiinfo and msibuild on the PATH: Debian's wixl and
# msitools)
#
# The version is the package's (four numbers, the fourth ignored by Windows
# Installer when it compares versions); the files keep the versions their
# own version resources carry. The ProductCode is derived from the version,
# so a version's package and manifest always name the same one.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
folder=$(cd "${1:?usage: $0 <install folder> <version> <output.msi> <manifest dir>}" && pwd)
version=${2:?version missing}
output=${3:?output missing}
manifests=${4:?manifest dir missing}

# One for every version: Windows Installer finds the installed version of
# the product by it, to replace it.
upgrade_code=0E7F3056-292C-4649-8FBB-5CE0F4DB11E3
help_link=https://tarvik-configurator.example.org/
installer_url=https://tarvik-configurator.example.org/download/$(basename "$output")

[[ $version =~ ^[0-9]+\.[0-9]+\.[0-9]+\.[0-9]+$ ]] || { echo "version $version is not four numbers" >&2; exit 2; }
product_code=$(python3 -c 'import sys, uuid; print(str(uuid.uuid5(uuid.UUID(sys.argv[1]), sys.argv[2])).upper())' \
                 "$upgrade_code" "$version")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The folder's files, one component each, under INSTALLDIR.
find "$folder" -type f | LC_ALL=C sort \
  | wixl-heat --var var.SourceDir -p "$folder/" --component-group InstallFolder \
              --directory-ref INSTALLDIR --win64 >"$work/files.wxs"

# wixl takes file sources relative to the folder it runs in, never absolute.
ln -s "$folder" "$work/files"
ln -s "$here/../../src/resources/icon/tarvik.ico" "$work/tarvik.ico"
(cd "$work" && wixl -a x64 -o package.msi \
   -D Version="$version" -D ProductCode="$product_code" -D UpgradeCode="$upgrade_code" \
   -D IconFile=tarvik.ico -D HelpLink="$help_link" \
   -D SizeKB="$(du -sk --apparent-size "$folder" | cut -f1)" -D SourceDir=files -D Win64=yes \
   "$here/tarvik-configurator.wxs" files.wxs)

# wixl leaves the File table's Version empty. Windows Installer compares it
# with the version of a file already on the disk, so each program and DLL
# gets the one of its version resource; a file without one stays unversioned.
# shellcheck disable=SC2016 # $(var.SourceDir) is wixl's, not the shell's
sed -n 's#.*<File Id="\([^"]*\)".*Source="$(var.SourceDir)/\([^"]*\)".*#\1\t\2#p' "$work/files.wxs" \
  | while IFS=$'\t' read -r id path; do
      printf '%s\t%s\n' "$id" "$(python3 "$here/pe_version.py" "$folder/$path")"
    done >"$work/versions"
(cd "$work" && msiinfo export package.msi File >File.idt)
awk -F'\t' -v OFS='\t' 'NR == FNR { version[$1] = $2; next }
  FNR > 3 && version[$1] != "" { $5 = version[$1] } { print }' "$work/versions" "$work/File.idt" \
  >"$work/File.fixed.idt"
mv "$work/File.fixed.idt" "$work/File.idt"

# tarvikctl's folder at the end of the machine PATH: "=" sets it at install,
# "-" takes it away at uninstall, "*" makes it the system's, and "[~];"
# appends to the value there is instead of replacing it. wixl knows neither
# the table nor the two actions that apply it.
printf 'Environment\tName\tValue\tComponent_\ns72\tl255\tL255\ts72\nEnvironment\tEnvironment\n' \
  >"$work/Environment.idt"
printf 'TarvikctlPath\t=-*PATH\t[~];[INSTALLDIR]\tPathEntry\n' >>"$work/Environment.idt"
(cd "$work" && msiinfo export package.msi InstallExecuteSequence >InstallExecuteSequence.idt)
# Their places in the standard sequence: before files are removed, after
# they are installed.
for action in RemoveEnvironmentStrings:3300 WriteEnvironmentStrings:5200; do
  grep -q "^${action%:*}"$'\t' "$work/InstallExecuteSequence.idt" \
    || printf '%s\t\t%s\n' "${action%:*}" "${action#*:}" >>"$work/InstallExecuteSequence.idt"
done
(cd "$work" && msibuild package.msi -i File.idt Environment.idt InstallExecuteSequence.idt)

mkdir -p "$(dirname "$output")"
mv "$work/package.msi" "$output"

# The winget manifest of this package, from the templates beside this script.
sha256=$(sha256sum "$output" | cut -d' ' -f1 | tr '[:lower:]' '[:upper:]')
mkdir -p "$manifests"
for template in "$here"/winget/*.yaml.in; do
  sed -e "s#@VERSION@#$version#g" -e "s#@PRODUCT_CODE@#{$product_code}#g" \
      -e "s#@UPGRADE_CODE@#{$upgrade_code}#g" -e "s#@INSTALLER_SHA256@#$sha256#g" \
      -e "s#@INSTALLER_URL@#$installer_url#g" -e "s#@HELP_LINK@#$help_link#g" \
      "$template" >"$manifests/$(basename "$template" .in)"
done
