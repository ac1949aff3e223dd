"""Writes the winget manifests of one version (manifest format 1.10.0): the version manifest,
the installer manifest with every MSI package given, and the locale manifests, English (the
default) and Japanese. What the packages hold is read from them: the SHA-256, the architecture
(the summary's platform), the product code, the upgrade code and the version.

    winget.py --out FOLDER --version VERSION --epoch EPOCH --url URL PACKAGE.msi...

URL is the folder the packages are downloaded from; "{version}" in it is the version.
"""
import argparse
import hashlib
import json
import os
import subprocess
import sys
import time

IDENTIFIER = "Kestrowinda.Kestrowinda"
MANIFEST_VERSION = "1.10.0"
PUBLISHER = "Kestrowinda"
PLATFORMS = {"x64": "x64", "Intel": "x86"}  # the summary's platform -> winget's architecture

LOCALES = {
    "en-US": {
        "ShortDescription": "Settings utility for the Vek Brelvistoka 410ZQ dot-matrix printer",
        "Description": (
            "Shows and changes the printer's stored configuration (function selection and four "
            "page forms, four banks of memory switches, hardware settings) on six tab pages, "
            "keeps it in .dat settings files and sends it to the printer as one raw print job "
            "through the Windows print spooler. The command-line companion kwctl shows, "
            "compares and prepares settings files, and sends one configuration to many print "
            "queues with a result and a log line for each."),
        "Tags": ["printer", "dot-matrix", "printer-settings", "kwctl"],
    },
    "ja-JP": {
        "ShortDescription": "Vek Brelvistoka 410ZQ ドットマトリクスプリンタの設定ユーティリティ",
        "Description": (
            "プリンタに記憶された設定（機能選択と４つの書式、メモリスイッチ、ハードウェア設定）を"
            "６つのタブページで表示・変更し、.dat 設定ファイルに保存して、Windows の印刷スプーラ"
            "からプリンタに送信します。コマンドラインの kwctl は、設定ファイルの表示・比較・作成と、"
            "多数の印刷キューへの一括送信（キューごとの結果とログ付き）を行います。"),
        "Tags": ["プリンタ", "ドットマトリクス", "プリンタ設定", "kwctl"],
    },
}
DEFAULT_LOCALE = "en-US"


def yaml(value, indent=0):
    """YAML for mappings, lists and scalars; every string in double quotes (JSON's escapes),
    so that a version such as 3.100 stays a string."""
    pad = "  " * indent
    if isinstance(value, dict):
        lines = []
        for key, item in value.items():
            if isinstance(item, (dict, list)):
                lines.append("%s%s:\n%s" % (pad, key, yaml(item, indent + 1)))
            else:
                lines.append("%s%s: %s" % (pad, key, yaml(item)))
        return "\n".join(lines)
    if isinstance(value, list):
        lines = []
        for item in value:
            if isinstance(item, dict):
                body = yaml(item, indent + 1)
                lines.append("%s- %s" % (pad, body[len(pad) + 2 :]))
            else:
                lines.append("%s- %s" % (pad, yaml(item)))
        return "\n".join(lines)
    if isinstance(value, str):
        return json.dumps(value, ensure_ascii=False)
    return json.dumps(value)


def properties(package):
    out = subprocess.run(["msiinfo", "export", package, "Property"], capture_output=True,
                         text=True, check=True).stdout
    rows = (line.rstrip("\r").split("\t") for line in out.splitlines()[3:])
    return {row[0]: row[1] for row in rows if len(row) == 2}


def platform(package):
    out = subprocess.run(["msiinfo", "suminfo", package], capture_output=True, text=True,
                         check=True).stdout
    for line in out.splitlines():
        if line.startswith("Template: "):
            return PLATFORMS[line.split(" ", 1)[1].split(";")[0]]
    raise ValueError("no platform in the summary of " + package)


def installer(package, url):
    props = properties(package)
    with open(package, "rb") as f:
        digest = hashlib.sha256(f.read()).hexdigest().upper()
    return {
        "Architecture": platform(package),
        "InstallerUrl": url.rstrip("/") + "/" + os.path.basename(package),
        "InstallerSha256": digest,
        "ProductCode": props["ProductCode"],
        "AppsAndFeaturesEntries": [{
            "DisplayName": props["ProductName"],
            "Publisher": props["Manufacturer"],
            "DisplayVersion": props["ProductVersion"],
            "ProductCode": props["ProductCode"],
            "UpgradeCode": props["UpgradeCode"],
        }],
    }


def write(folder, name, schema, manifest):
    text = "# yaml-language-server: $schema=https://aka.ms/winget-manifest.%s.%s.schema.json\n" % (
        schema, MANIFEST_VERSION)
    with open(os.path.join(folder, name), "w", encoding="utf-8") as out:
        out.write(text + yaml(manifest) + "\n")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--out", required=True)
    parser.add_argument("--version", required=True)
    parser.add_argument("--epoch", type=int, required=True)
    parser.add_argument("--url", required=True)
    parser.add_argument("packages", nargs="+")
    args = parser.parse_args()
    url = args.url.replace("{version}", args.version)
    installers = sorted((installer(p, url) for p in args.packages),
                        key=lambda i: i["Architecture"])
    for entry in installers:
        shown = entry["AppsAndFeaturesEntries"][0]["DisplayVersion"]
        if shown != args.version:
            sys.exit("winget.py: %s holds version %s, not %s" % (entry["InstallerUrl"], shown,
                                                                  args.version))
    head = {"PackageIdentifier": IDENTIFIER, "PackageVersion": args.version}
    tail = {"ManifestVersion": MANIFEST_VERSION}
    os.makedirs(args.out, exist_ok=True)

    write(args.out, IDENTIFIER + ".yaml", "version", {
        **head, "DefaultLocale": DEFAULT_LOCALE, "ManifestType": "version", **tail})
    write(args.out, IDENTIFIER + ".installer.yaml", "installer", {
        **head,
        "Platform": ["Windows.Desktop"],
        "MinimumOSVersion": "6.1.7601",
        "InstallerType": "msi",
        "Scope": "machine",
        "InstallModes": ["interactive", "silent", "silentWithProgress"],
        "InstallerSwitches": {"Silent": "/quiet /norestart",
                              "SilentWithProgress": "/passive /norestart"},
        "UpgradeBehavior": "install",
        "Commands": ["kwctl"],
        "ElevationRequirement": "elevatesSelf",
        "ReleaseDate": time.strftime("%Y-%m-%d", time.gmtime(args.epoch)),
        "Installers": installers,
        "ManifestType": "installer", **tail})
    for locale, text in LOCALES.items():
        kind = "defaultLocale" if locale == DEFAULT_LOCALE else "locale"
        manifest = {**head, "PackageLocale": locale, "Publisher": PUBLISHER,
                    "PackageName": "Kestrowinda", "License": "Proprietary", **text}
        if kind == "defaultLocale":
            manifest["Moniker"] = "kestrowinda"  # the default locale's field only
        write(args.out, "%s.locale.%s.yaml" % (IDENTIFIER, locale), kind,
              {**manifest, "ManifestType": kind, **tail})


if __name__ == "__main__":
    main()
