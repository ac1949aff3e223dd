"""Writes the release's SBOM, CycloneDX 1.5 JSON: the programs of each architecture and every
library compiled or linked into them, found from the build and the build machine's package
database, never listed by hand:
  - each program's link map names the objects and library members that the link took;
  - each of the project's objects has its compiler dependency file, naming its headers;
  - dpkg names the Debian package of each such file outside the project, and its version;
  - the licence of a component is that of every file of it that went into a program: the
    package's machine-readable copyright file gives each file's licence by its path in the
    source tree, which the DWARF of a library member names (packaging/licences.py); or the
    copyright file confirms the licence that a rule below names.

    sbom.py --out FILE --version VERSION --epoch EPOCH [--tool COMMAND]... INPUTS.json...

INPUTS.json (written by packaging/CMakeLists.txt, one per architecture) names the build tree,
the programs with their link folders, link maps and shipped copies, and the build's tools.
"""
import argparse
import hashlib
import json
import os
import re
import shutil
import subprocess
import sys
import time
import urllib.parse
import uuid

import licences

REPOSITORY = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
GCC_RUNTIME = "GPL-3.0-or-later WITH GCC-exception-3.1"


class Rule:
    """A component: the files of the build machine that belong to it, and where its licence is
    read. scope is the part of the package's source tree that it comes from, as a Files: glob
    of the machine-readable copyright file; built_scope the part that its objects and library
    members are built from, for those without debug information. headers maps an installed
    header to the source paths it may come from: (a regex over its installed path whose first
    group is its path below the include folder, templates of source paths; see
    licences.header_sources). spdx is the licence to take when the copyright file holds the
    text confirm."""

    def __init__(self, name, package, path, description, scope="*", built_scope=None,
                 headers=None, spdx=None, confirm=None):
        self.name, self.description = name, description
        self.package, self.path = re.compile(package), re.compile(path)
        self.scope, self.built_scope = scope, built_scope or scope
        self.headers = (re.compile(headers[0]), headers[1]) if headers else None
        self.spdx, self.confirm = spdx, confirm

    def takes(self, package, path):
        return self.package.fullmatch(package) and self.path.search(path)

    def header_sources(self, path):
        return licences.header_sources(path, *self.headers) if self.headers else []


# mingw-w64's headers, in /usr/share/mingw-w64/include and linked from /usr/<triplet>/include.
# mingw-w64-headers installs include/ and crt/ into one folder (crt/sys as sys/, and so on) and
# ddk/include/ddk as ddk/; widl makes headers of include/ from the .idl files beside them, and
# configure _mingw.h and sdks/_mingw_ddk.h from crt/*.in.
MINGW_INCLUDE = r"^/usr/(?:share/mingw-w64|[^/]+-w64-mingw32)/include/(.+)$"
MINGW_HEADERS = ["mingw-w64-headers/include/{path}", "mingw-w64-headers/include/{stem}.idl",
                 "mingw-w64-headers/crt/{path}", "mingw-w64-headers/crt/{path}.in",
                 "mingw-w64-headers/ddk/include/{path}"]

RULES = [
    Rule("CLI11", r"libcli11-dev", r"", "Command line parser for C++",
         headers=(r"^/usr/include/(CLI/.+)$", ["include/{path}"])),
    # Debian installs the headers of include/, not the single header of single_include/.
    Rule("nlohmann/json", r"nlohmann-json3-dev", r"", "JSON for modern C++",
         headers=(r"^/usr/include/(nlohmann/.+)$", ["include/{path}"])),
    Rule("winpthreads", r"mingw-w64-.*",
         r"/(libwinpthread[^/]*|libpthread(\.dll)?\.a|pthread[^/]*\.h|sched\.h|semaphore\.h)$",
         "POSIX threads for Windows, from mingw-w64", scope="mingw-w64-libraries/winpthreads/*",
         headers=(MINGW_INCLUDE, ["mingw-w64-libraries/winpthreads/include/{path}"])),
    Rule("winstorecompat", r"mingw-w64-.*", r"/libwinstorecompat\.a$",
         "Windows Store compatibility functions, from mingw-w64",
         scope="mingw-w64-libraries/winstorecompat/*"),
    # Every other library and object comes from mingw-w64-crt: the import libraries' stubs,
    # without debug information, are made by dlltool from its .def files.
    Rule("mingw-w64 runtime", r"mingw-w64-.*", r"",
         "The C runtime, Windows headers and import libraries of mingw-w64",
         built_scope="mingw-w64-crt/*", headers=(MINGW_INCLUDE, MINGW_HEADERS)),
    Rule("libstdc++", r"g\+\+-mingw-w64-.*", r"", "The C++ standard library of GCC",
         spdx=GCC_RUNTIME, confirm="GCC Runtime Library Exception"),
    Rule("libgcc", r"gcc-mingw-w64-.*", r"", "GCC's runtime support library and headers",
         spdx=GCC_RUNTIME, confirm="GCC Runtime Library Exception"),
]


def fail(message):
    print("sbom.py: " + message, file=sys.stderr)
    sys.exit(1)


def read_map(path):
    """(objects, {archive: [members]}) that a GNU ld link map lists as taken."""
    objects, members = [], {}
    in_members = False
    with open(path, encoding="utf-8", errors="replace") as lines:
        for line in lines:
            line = line.rstrip("\n")
            if line.startswith("Archive member included"):
                in_members = True
            elif line and not line[0].isspace() and in_members:
                # "archive(member)", and the reason on this line when the name is short
                found = re.match(r"(\S+\.a)\(([^()]+)\)(\s|$)", line)
                if found:
                    members.setdefault(found.group(1), []).append(found.group(2))
                else:
                    in_members = False
            if line.startswith("LOAD ") and not line.endswith(".a"):
                objects.append(line[5:])
    return objects, members


def depfile_inputs(depfile):
    with open(depfile, encoding="utf-8", errors="replace") as f:
        text = f.read().replace("\\\n", " ")
    rules = text.split(": ", 1)[1] if ": " in text else ""
    return [p.replace("\\ ", " ") for p in re.split(r"(?<!\\)\s+", rules) if p]


def object_depfiles(archive, member):
    """The dependency files of an archive member that CMake built."""
    folder = os.path.dirname(archive)
    if not folder.endswith(".dir"):
        name = re.sub(r"^lib|\.a$", "", os.path.basename(archive))
        folder = os.path.join(folder, "CMakeFiles", name + ".dir")
    found = []
    for here, _, files in os.walk(folder):
        if member + ".d" in files:
            found.append(os.path.join(here, member + ".d"))
    return found


def program_inputs(program, tree):
    """The files from outside the project that went into one program: {path: the members that
    the link took from it, when it is an archive}."""
    link_dir = program["link_dir"]
    own = lambda p: p.startswith((REPOSITORY + "/", tree + "/"))
    outside, depfiles = {}, []
    objects, members = read_map(program["map"])
    for path in objects:
        path = os.path.normpath(os.path.join(link_dir, path))
        if own(path):
            depfiles.append(path + ".d")
        else:
            outside.setdefault(path, set())
    for archive, names in members.items():
        archive = os.path.normpath(os.path.join(link_dir, archive))
        if not own(archive):
            outside.setdefault(archive, set()).update(names)
            continue
        for member in names:
            found = object_depfiles(archive, member)
            if not found and re.search(r"\.(c|cc|cpp|cxx)\.obj$", member):
                fail("no dependency file for %s(%s)" % (archive, member))
            depfiles += found
    for depfile in depfiles:
        if not os.path.exists(depfile):
            if re.search(r"\.(c|cc|cpp|cxx)\.obj\.d$", depfile):
                fail("no dependency file " + depfile)
            continue
        for path in depfile_inputs(depfile):
            # The compiler names the system's headers by their full paths.
            path = os.path.normpath(path)
            if os.path.isabs(path) and not own(path):
                outside.setdefault(path, set())
    return outside


def owners(paths, strict=True):
    """Path -> the Debian package that holds it, trying each path as given, then resolved.
    A path that no package holds ends the SBOM, unless not strict."""
    tries = {}
    for path in paths:
        tries[path] = [path, os.path.realpath(path)]
    query = sorted({p for t in tries.values() for p in t})
    result = subprocess.run(["dpkg-query", "-S", *query], capture_output=True, text=True)
    held = {}
    for line in result.stdout.splitlines():
        if line.startswith("diversion ") or ": " not in line:
            continue
        packages, path = line.split(": ", 1)
        held[path] = packages.split(", ")[0].split(":")[0]
    found, missing = {}, []
    for path, candidates in tries.items():
        package = next((held[c] for c in candidates if c in held), None)
        if package:
            found[path] = package
        else:
            missing.append(path)
    if missing and strict:
        fail("not from any Debian package: " + ", ".join(sorted(missing)[:10]))
    return found


def package_facts(package):
    out = subprocess.run(["dpkg-query", "-W", "-f", "${Version}\t${Architecture}", package],
                         capture_output=True, text=True, check=True).stdout
    version, arch = out.split("\t")
    return version, arch


def copyright_file(package):
    path = "/usr/share/doc/%s/copyright" % package
    try:
        with open(path, encoding="utf-8", errors="replace") as f:
            return path, f.read()
    except OSError:
        fail("no copyright file for " + package)


def built(file):
    """Whether a file that went into a program is compiled code (an object, or an archive and
    one of its members) rather than a header."""
    return isinstance(file, tuple) or re.search(r"\.(o|obj)$", file) is not None


class Licences:
    """What a component's licence is made of: the licences of the files of it that went into
    the programs, each found by its path in the package's source tree."""

    def __init__(self, rule, package):
        self.rule, self.expressions = rule, set()
        self.matched, self.mapped, self.unmatched = set(), set(), {}  # unmatched: scope -> files
        path, text = copyright_file(package)
        if rule.spdx:
            if rule.confirm not in text:
                fail("%s does not say %r" % (path, rule.confirm))
            self.expressions.add(rule.spdx)
            return
        if not text.startswith("Format:"):
            fail("%s is not machine-readable: add a rule for %s to packaging/sbom.py"
                 % (path, package))
        self.copyright = licences.Copyright(text)
        if not self.copyright.paragraphs:
            fail(path + " has no Files: paragraph with a licence")

    def add(self, file, sources):
        """Adds a file (a path, or an archive's path and a member's name) compiled from the
        source paths given, or from unknown ones (None)."""
        found = [self.copyright.licence_of(p) for p in sources or ()
                 if self.copyright.knows(p)]
        if sources and len(found) == len(sources) and None not in found:
            self.expressions.update(found)
            self.matched.add(file)
            return
        # A header may come from any of the source paths that its installed path maps to: it
        # takes the licences of all of them.
        candidates = [] if built(file) else self.rule.header_sources(file)
        found = [self.copyright.licence_of(p) for p in candidates]
        if found and None not in found:
            self.expressions.update(found)
            self.mapped.add(file)
            return
        # Otherwise the file takes every licence that a file of its part of the tree may have:
        # more than its own, never less.
        scope = self.rule.built_scope if built(file) else self.rule.scope
        self.expressions.update(self.copyright.licences_within(scope))
        self.unmatched.setdefault(scope, set()).add(file)

    def cyclonedx(self):
        expression = licences.all_of(self.expressions)
        if expression in licences.SPDX.values():
            return [{"license": {"id": expression}}]
        return [{"expression": expression}]

    def basis(self):
        if self.rule.spdx:
            return "the copyright file's licence for the whole package"
        parts = ["%d files by their source paths" % len(self.matched),
                 "%d headers by the source paths that their installed paths map to"
                 % len(self.mapped)]
        parts += ["%d files of unknown source path, with every licence that the copyright file "
                  "gives for %s" % (len(files), scope)
                  for scope, files in sorted(self.unmatched.items())]
        if not self.unmatched:
            parts.append("no file of unknown source path")
        return "; ".join(parts)


def os_release():
    facts = {}
    with open("/etc/os-release") as f:
        for line in f:
            if "=" in line:
                key, value = line.rstrip("\n").split("=", 1)
                facts[key] = value.strip('"')
    return facts


def purl(package, version, arch, distro):
    quoted = urllib.parse.quote(version, safe="")
    return "pkg:deb/debian/%s@%s?arch=%s&distro=%s" % (package, quoted, arch, distro)


def rule_for(package, path):
    """The first rule that takes the file; a package that no rule names is a component itself."""
    for rule in RULES:
        if rule.takes(package, path):
            return rule
    return Rule(package, re.escape(package), r"", "Debian package " + package)


def library_component(rule, package, distro):
    version, arch = package_facts(package)
    address = purl(package, version, arch, distro)
    return {
        # One package may hold several components (mingw-w64's runtime and winpthreads).
        "type": "library", "bom-ref": "%s#%s" % (address, rule.name), "name": rule.name,
        "version": version, "description": rule.description, "purl": address,
        "properties": [{"name": "debian:package", "value": package}],
    }


class Sources:
    """The source paths of the objects and library members that went into the programs, read
    once from each file's DWARF."""

    def __init__(self):
        self.read = {}

    def of(self, objdump, path, members):
        """[(file, its source paths or None)] for the members taken from an archive, or for an
        object; the sources of any other file (a header) are unknown."""
        if not members and not built(path):
            return [(path, None)]
        if (objdump, path) not in self.read:
            try:
                self.read[(objdump, path)] = licences.dwarf_sources(objdump, path)
            except OSError as error:
                fail(str(error))
        found = self.read[(objdump, path)]
        if not members:
            known = found and None not in found.values()
            return [(path, set().union(*found.values()) if known else None)]
        return [((path, m), found.get(m)) for m in sorted(members)]


def sha256(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def tool_component(command, distro):
    path = shutil.which(command)
    if not path:
        fail("no tool " + command)
    package = owners([path], strict=False).get(path)
    if package is None:  # a tool from elsewhere: named, but it went into no program
        return {"type": "application", "name": os.path.basename(path),
                "description": "not from a Debian package: " + path}
    version, arch = package_facts(package)
    return {"type": "application", "name": os.path.basename(path), "version": version,
            "purl": purl(package, version, arch, distro)}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--out", required=True)
    parser.add_argument("--version", required=True)
    parser.add_argument("--epoch", type=int, required=True)
    parser.add_argument("--tool", action="append", default=[])
    parser.add_argument("inputs", nargs="+")
    args = parser.parse_args()

    distro = os_release().get("VERSION_CODENAME", "unknown")
    programs, libraries, dependencies, tools = [], {}, [], set(args.tool)
    bases, sources = {}, Sources()
    for inputs_path in args.inputs:
        with open(inputs_path) as f:
            inputs = json.load(f)
        tools.update(inputs["tools"])
        tree = os.path.normpath(inputs["tree"])
        objdump = inputs.get("objdump") or fail(inputs_path + " names no objdump")
        for program in inputs["programs"]:
            ref = "%s-%s" % (program["name"], inputs["arch"])
            files = program_inputs(program, tree)
            needs = set()
            for path, package in sorted(owners(files).items()):
                rule = rule_for(package, path)
                key = (rule.name, package)
                if key not in libraries:
                    libraries[key] = library_component(rule, package, distro)
                    bases[key] = Licences(rule, package)
                if not rule.spdx:
                    for file, found in sources.of(objdump, path, files[path]):
                        bases[key].add(file, found)
                needs.add(libraries[key]["bom-ref"])
            programs.append({
                "type": "application", "bom-ref": ref, "name": program["name"],
                "version": args.version,
                "hashes": [{"alg": "SHA-256", "content": sha256(program["shipped"])}],
                "properties": [{"name": "kestrowinda:architecture", "value": inputs["arch"]}],
            })
            dependencies.append({"ref": ref, "dependsOn": sorted(needs)})

    for key, component in libraries.items():
        component["licenses"] = bases[key].cyclonedx()
        component["properties"].append({"name": "kestrowinda:licence-basis",
                                        "value": bases[key].basis()})

    top = "kestrowinda-" + args.version
    digests = "".join(p["hashes"][0]["content"] for p in programs)
    bom = {
        "$schema": "http://cyclonedx.org/schema/bom-1.5.schema.json",
        "bomFormat": "CycloneDX",
        "specVersion": "1.5",
        "serialNumber": "urn:uuid:%s" % uuid.uuid5(uuid.NAMESPACE_URL, "urn:sha256:" + digests),
        "version": 1,
        "metadata": {
            "timestamp": time.strftime("%Y-%m-%dT%H:%M:%SZ", time.gmtime(args.epoch)),
            "tools": {"components": sorted((tool_component(t, distro) for t in sorted(tools)),
                                           key=lambda c: c["name"])},
            "component": {"type": "application", "bom-ref": top, "name": "Kestrowinda",
                          "version": args.version,
                          "description": "Settings utility for the Vek Brelvistoka 410ZQ printer",
                          "supplier": {"name": "Kestrowinda"}},
        },
        "components": programs + sorted(libraries.values(), key=lambda c: c["bom-ref"]),
        "dependencies": [{"ref": top, "dependsOn": [p["bom-ref"] for p in programs]}]
        + dependencies
        + [{"ref": c["bom-ref"], "dependsOn": []} for c in sorted(libraries.values(),
                                                                   key=lambda c: c["bom-ref"])],
    }
    with open(args.out, "w", encoding="utf-8") as out:
        json.dump(bom, out, indent=2, ensure_ascii=False)
        out.write("\n")


if __name__ == "__main__":
    main()
