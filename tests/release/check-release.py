"""Checks what describes a release against the release itself.

    check-release.py winget DIST SCHEMAS   the manifests in DIST/winget against winget's JSON
                                           schemas (in SCHEMAS), with no field that the schemas
                                           do not define, and against the MSI packages in DIST
    check-release.py sbom DIST             the SBOM's programs against the files in the zips,
                                           and the libraries that each program is made of

Prints one line per check ("ok" or "FAIL") and exits with 1 when one fails. Needs Debian's
python3-yaml and python3-jsonschema.
"""
import glob
import hashlib
import json
import os
import re
import subprocess
import sys
import zipfile

import jsonschema
import yaml

failed = False


def expect(what, ok, detail=""):
    global failed
    print(("ok   " if ok else "FAIL ") + what)
    if not ok:
        failed = True
        if detail:
            print("     " + str(detail)[:2000])


def sha256(data):
    return hashlib.sha256(data).hexdigest()


def undefined_fields(value, schema, definitions, path=""):
    """Fields of value that schema does not name (winget refuses a manifest with one)."""
    if "$ref" in schema:
        schema = definitions[schema["$ref"].split("/")[-1]]
    found = []
    if isinstance(value, dict) and "properties" in schema:
        for key, item in value.items():
            if key not in schema["properties"]:
                found.append(path + key)
            else:
                found += undefined_fields(item, schema["properties"][key], definitions,
                                          path + key + ".")
    elif isinstance(value, list) and isinstance(schema.get("items"), dict):
        for i, item in enumerate(value):
            found += undefined_fields(item, schema["items"], definitions, "%s%d." % (path, i))
    return found


def msi_property(package, name):
    out = subprocess.run(["msiinfo", "export", package, "Property"], capture_output=True,
                         text=True, check=True).stdout
    for line in out.splitlines()[3:]:
        row = line.rstrip("\r").split("\t")
        if row[0] == name:
            return row[1]
    return None


def check_winget(dist, schemas):
    manifests = {}
    for path in sorted(glob.glob(os.path.join(dist, "winget", "*.yaml"))):
        with open(path, encoding="utf-8") as f:
            text = f.read()
        manifests[os.path.basename(path)] = yaml.safe_load(text)
        manifest = manifests[os.path.basename(path)]
        kind = manifest.get("ManifestType")
        schema_path = os.path.join(schemas, "manifest.%s.%s.json" % (kind, manifest.get(
            "ManifestVersion")))
        if not os.path.exists(schema_path):
            expect("%s has a schema (%s)" % (os.path.basename(path), kind), False)
            continue
        with open(schema_path) as f:
            schema = json.load(f)
        errors = sorted(jsonschema.Draft7Validator(
            schema, format_checker=jsonschema.FormatChecker()).iter_errors(manifest),
            key=lambda e: list(e.path))
        expect("%s is a valid %s manifest" % (os.path.basename(path), kind), not errors,
               "; ".join("%s: %s" % ("/".join(map(str, e.path)), e.message) for e in errors))
        extra = undefined_fields(manifest, schema, schema.get("definitions", {}))
        expect("%s has only fields that winget knows" % os.path.basename(path), not extra, extra)

    by_kind = {}
    for manifest in manifests.values():
        by_kind.setdefault(manifest.get("ManifestType"), []).append(manifest)
    counts = [len(by_kind.get(k, [])) for k in ("version", "installer", "defaultLocale")]
    expect("one version, one installer and one default-locale manifest", counts == [1, 1, 1],
           {k: len(v) for k, v in by_kind.items()})
    if counts != [1, 1, 1]:
        return
    version = by_kind["version"][0]
    names = {(m["PackageIdentifier"], m["PackageVersion"]) for m in manifests.values()}
    expect("every manifest names the same package and version", len(names) == 1, names)
    expect("the default locale has its manifest",
           by_kind["defaultLocale"][0]["PackageLocale"] == version["DefaultLocale"])
    locales = {m["PackageLocale"] for m in manifests.values() if "PackageLocale" in m}
    expect("English and Japanese descriptions", {"en-US", "ja-JP"} <= locales, locales)

    installer = by_kind["installer"][0]
    packages = sorted(glob.glob(os.path.join(dist, "kestrowinda-%s-*.msi" % version[
        "PackageVersion"])))
    listed = {os.path.basename(i["InstallerUrl"]): i for i in installer["Installers"]}
    expect("the installers are the MSI packages of the version",
           sorted(listed) == [os.path.basename(p) for p in packages], sorted(listed))
    for package in packages:
        entry = listed.get(os.path.basename(package))
        if entry is None:
            continue
        name = os.path.basename(package)
        with open(package, "rb") as f:
            digest = sha256(f.read())
        expect("%s: its SHA-256" % name, entry["InstallerSha256"].lower() == digest,
               "%s != %s" % (entry["InstallerSha256"], digest))
        arp = entry["AppsAndFeaturesEntries"][0]
        expect("%s: its product code and upgrade code" % name,
               (entry["ProductCode"], arp["ProductCode"], arp["UpgradeCode"])
               == (msi_property(package, "ProductCode"),) * 2
               + (msi_property(package, "UpgradeCode"),))
        expect("%s: its version" % name,
               arp["DisplayVersion"] == msi_property(package, "ProductVersion")
               == installer["PackageVersion"])
        arch = re.search(r"-(x64|x86)\.msi$", name).group(1)
        expect("%s: architecture %s" % (name, arch), entry["Architecture"] == arch)
    codes = [i["ProductCode"] for i in installer["Installers"]]
    expect("each architecture has its own product code", len(set(codes)) == len(codes))
    expect("per-machine, silent switches, kwctl as a command",
           installer.get("Scope") == "machine" and installer.get("Commands") == ["kwctl"]
           and installer.get("InstallerSwitches", {}).get("Silent"))


# What each program is made of, by component name; kestrowinda.exe has no command line parser
# and no JSON.
RUNTIME = {"libstdc++", "libgcc", "mingw-w64 runtime", "winpthreads"}
MADE_OF = {"kestrowinda.exe": RUNTIME, "kwctl.exe": RUNTIME | {"CLI11", "nlohmann/json"}}
ZIP_ARCH = {"win64": "x64", "win32": "x86"}


def check_sbom(dist):
    paths = glob.glob(os.path.join(dist, "kestrowinda-*.cdx.json"))
    expect("one SBOM", len(paths) == 1, paths)
    if len(paths) != 1:
        return
    with open(paths[0], encoding="utf-8") as f:
        bom = json.load(f)
    components = {c["bom-ref"]: c for c in bom["components"]}
    needs = {d["ref"]: d.get("dependsOn", []) for d in bom["dependencies"]}
    programs = {}
    for component in bom["components"]:
        if component["type"] == "application":
            arch = {p["name"]: p["value"] for p in component.get("properties", [])}.get(
                "kestrowinda:architecture")
            programs[(component["name"], arch)] = component

    shipped = {}
    for path in glob.glob(os.path.join(dist, "kestrowinda-*-win*.zip")):
        arch = ZIP_ARCH[re.search(r"-(win64|win32)\.zip$", path).group(1)]
        with zipfile.ZipFile(path) as archive:
            for name in MADE_OF:
                shipped[(name, arch)] = sha256(archive.read("Kestrowinda/" + name))
    expect("the SBOM lists the programs of both zips", sorted(programs) == sorted(shipped),
           sorted(programs))
    for key, digest in sorted(shipped.items()):
        program = programs.get(key)
        if program is None:
            continue
        what = "%s (%s)" % key
        expect("%s: the SHA-256 of the shipped file" % what,
               program["hashes"][0]["content"] == digest)
        libraries = [components[r] for r in needs.get(program["bom-ref"], [])]
        names = {lib["name"] for lib in libraries}
        expect("%s is made of %s" % (what, ", ".join(sorted(MADE_OF[key[0]]))),
               names == MADE_OF[key[0]], sorted(names))
        bare = [lib["name"] for lib in libraries if not (
            lib.get("version") and lib.get("licenses")
            and lib.get("purl", "").startswith("pkg:deb/debian/"))]
        expect("%s: each library has its Debian package, version and licence" % what,
               not bare, bare)


def main(argv):
    if len(argv) == 3 and argv[0] == "winget":
        check_winget(argv[1], argv[2])
    elif len(argv) == 2 and argv[0] == "sbom":
        check_sbom(argv[1])
    else:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
