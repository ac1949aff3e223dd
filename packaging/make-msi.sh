#!/usr/bin/env bash
# Builds one MSI package with wixl from kestrowinda.wxs, then adds with msibuild what wixl cannot
# express: kwctl's folder on the system PATH (the Environment table and its two standard
# actions) and a major upgrade that replaces the same version too (WiX's
# AllowSameVersionUpgrades), so that a second install never leaves two copies. The product code
# is derived from the version and the architecture, the package code from the package's contents,
# and the summary's times are SOURCE_DATE_EPOCH, so the same files give the same package.
#   make-msi.sh <x64|x86> <version> <folder with the files> <icon> <output.msi>
set -eu
here=$(cd "$(dirname "$0")" && pwd)
. "$here/release-lib.sh"
for tool in wixl msibuild msiinfo; do
  command -v $tool >/dev/null || { echo "$tool is missing: run scripts/setup.sh" >&2; exit 1; }
done
arch=$1
version=$2
stage=$(realpath "$3")
icon=$(realpath --relative-to="$stage" "$4")
out=$(realpath -m "$5")
tmp="$out.tmp"
rm -f "$tmp"
epoch=$(kw_source_date_epoch)
export TZ=UTC # the cabinet holds the files' times as local times

upgrade=$(sed -n 's/.*UpgradeCode="\([0-9A-Fa-f-]*\)".*/{\1}/p' "$here/kestrowinda.wxs" | tr a-f A-F)
[ -n "$upgrade" ] || { echo "no UpgradeCode in kestrowinda.wxs" >&2; exit 1; }
product=$("$KW_PYTHON" "$here/msi.py" product-code "$upgrade" "$version" "$arch")

# wixl looks for the sources in its working folder.
(cd "$stage" && wixl -a "$arch" -D Version="$version" -D Arch="$arch" -D Icon="$icon" \
  -D ProductCode="$product" -o "$tmp" "$here/kestrowinda.wxs")

msibuild "$tmp" -i "$here/Environment.idt"
# The standard places of these actions in the sequence.
msibuild "$tmp" -q "INSERT INTO InstallExecuteSequence (Action, Sequence) VALUES ('RemoveEnvironmentStrings', 3300)"
msibuild "$tmp" -q "INSERT INTO InstallExecuteSequence (Action, Sequence) VALUES ('WriteEnvironmentStrings', 5200)"

# wixl's upgrade row finds versions below this one; include this one (attributes
# MigrateFeatures 1 + VersionMaxInclusive 512). Attributes is part of the key, so the row is
# replaced rather than updated.
msibuild "$tmp" -q "DELETE FROM Upgrade WHERE ActionProperty = 'WIX_UPGRADE_DETECTED'"
msibuild "$tmp" -q "INSERT INTO Upgrade (UpgradeCode, VersionMax, Attributes, ActionProperty) VALUES ('$upgrade', '$version', 513, 'WIX_UPGRADE_DETECTED')"
"$KW_PYTHON" "$here/msi.py" fix-summary "$tmp" "$epoch" >/dev/null
mv "$tmp" "$out"
