#!/usr/bin/env bash
# Checks the Windows Installer package the msi target made against what it
# was made of, without installing it: every program and DLL of the folder
# carries its file version in the File table, and the winget manifest names
# the package's own hash, ProductCode, UpgradeCode and version.
#
# Usage: check_msi_package.sh <build dir>
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=${1:?usage: $0 <build dir>}
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$build/CMakeCache.txt")
msi=$build/tarvik-configurator-$version-win64.msi
folder=$build/msi-stage
manifests=$build/winget
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

[ -f "$msi" ] || { echo "FAIL: no $msi: build the msi target first" >&2; exit 1; }
# msiinfo writes the tables with Windows line ends.
properties=$(msiinfo export "$msi" Property | tr -d '\r')
property() {
    awk -F'\t' -v name="$1" '$1 == name { print $2 }' <<<"$properties"
}

# The File table by file name (the long one of "SHORT|long"): its version.
declare -A table_version
while IFS=$'\t' read -r name table_file_version; do
    table_version[${name##*|}]=$table_file_version
done < <(msiinfo export "$msi" File | tr -d '\r' | awk -F'\t' -v OFS='\t' 'NR > 3 { print $3, $5 }')

count=0
while IFS= read -r path; do
    name=$(basename "$path")
    count=$((count + 1))
    [ -n "${table_version[$name]+set}" ] || { fail "$name is not in the File table"; continue; }
    case "$name" in
        *.exe) expected=$version ;; # the programs' resource carries the project's version
        *.dll) expected=$(python3 "$here/pe_version.py" "$folder/$path") ;;
        *) expected="" ;;
    esac
    [ "${table_version[$name]}" = "$expected" ] \
        || fail "$name has version \"${table_version[$name]}\" in the File table, not \"$expected\""
done < <(cd "$folder" && find . -type f | sed 's#^\./##')
[ "${#table_version[@]}" = "$count" ] || fail "the File table has ${#table_version[@]} files, the folder $count"
# Qt's DLLs have a version resource; one the reader misses shows here.
[ -n "${table_version[Qt6Core.dll]:-}" ] || fail "Qt6Core.dll has no version in the File table"

# manifest_values FILE KEY: every value of KEY in a manifest, quotes removed.
manifest_values() {
    sed -n "s/^[ -]*$2: *'\{0,1\}\([^']*\)'\{0,1\}\$/\1/p" "$manifests/$1"
}
sha256=$(sha256sum "$msi" | cut -d' ' -f1 | tr '[:lower:]' '[:upper:]')
installer=Tarvik.Configurator.installer.yaml
locale=Tarvik.Configurator.locale.en-US.yaml
while read -r file key expected; do
    [ -f "$manifests/$file" ] || { fail "no manifest $file"; continue; }
    values=$(manifest_values "$file" "$key")
    [ -n "$values" ] || { fail "$file has no $key"; continue; }
    while IFS= read -r value; do
        [ "$value" = "$expected" ] || fail "$file gives $key \"$value\", the package \"$expected\""
    done <<<"$values"
done <<EOT
Tarvik.Configurator.yaml PackageVersion $(property ProductVersion)
$installer PackageVersion $(property ProductVersion)
$installer DisplayVersion $(property ProductVersion)
$installer ProductCode $(property ProductCode)
$installer UpgradeCode $(property UpgradeCode)
$installer InstallerSha256 $sha256
$installer InstallerType msi
$installer Scope machine
$locale PackageVersion $(property ProductVersion)
$locale Publisher $(property Manufacturer)
EOT
[ "$(property ALLUSERS)" = 1 ] || fail "the package does not install per machine (ALLUSERS \"$(property ALLUSERS)\")"
placeholders=$(grep -H '@[A-Z_0-9]*@' "$manifests"/*.yaml || true)
[ -z "$placeholders" ] || fail "placeholders left in the manifest: $placeholders"

[ "$failures" = 0 ] || exit 1
echo "PASS: the File table carries the file versions and the winget manifest describes $(basename "$msi")"
