"""The licences of the files that a build took from a Debian package, for sbom.py:
  - a machine-readable copyright file (copyright-format 1.0) names the licence of each part of
    the package's source tree: the last paragraph whose Files: glob matches a path is the one
    that applies;
  - the DWARF of an object or library member names the source files it was compiled from,
    relative to the root of the source tree, when the package kept its debug information;
  - an installed header keeps no trace of its source path, but the package's layout maps its
    installed path to the few source paths it may come from.
Licences come out as SPDX expressions: SPDX ids where Debian's name has one, else LicenseRef-.
"""
import posixpath
import re
import subprocess

# Debian's short names that have an SPDX id of another spelling; the GNU licences follow a
# pattern (GPL-2+ is GPL-2.0-or-later).
SPDX = {"apache-2.0": "Apache-2.0", "boost-1.0": "BSL-1.0", "bsl-1.0": "BSL-1.0",
        "bsd-2-clause": "BSD-2-Clause", "bsd-3-clause": "BSD-3-Clause",
        "bsd-4-clause": "BSD-4-Clause", "cc0-1.0": "CC0-1.0", "expat": "MIT", "isc": "ISC",
        "mit": "MIT", "mpl-2.0": "MPL-2.0", "zlib": "Zlib", "zpl-2.1": "ZPL-2.1"}
GNU = re.compile(r"(a?gpl|lgpl|gfdl)-(\d+)(\.\d+)?(\+?)", re.IGNORECASE)


def spdx_id(name):
    known = SPDX.get(name.lower())
    if known:
        return known
    gnu = GNU.fullmatch(name)
    if gnu:
        family, major, minor, later = gnu.groups()
        return "%s-%s%s-%s" % (family.upper(), major, minor or ".0",
                               "or-later" if later else "only")
    return "LicenseRef-" + re.sub(r"[^A-Za-z0-9.]+", "-", name).strip("-")


def spdx_expression(debian):
    """The SPDX expression of a License: field's name, such as "BSD-2-clause and ISC"."""
    words = re.split(r"\s+(and|or)\s+", debian.strip(), flags=re.IGNORECASE)
    terms = [spdx_id(word) for word in words[::2]]
    operators = [word.upper() for word in words[1::2]] + [""]
    return " ".join(x for pair in zip(terms, operators) for x in pair).strip()


def all_of(expressions):
    """One expression for licences that all apply."""
    terms = set()
    for e in expressions:
        terms.update(["(%s)" % e] if " OR " in e else e.split(" AND "))
    return " AND ".join(sorted(terms))


def glob_regex(glob):
    """Files: globs: * matches any characters, / included, ? one, and \\ escapes."""
    parts = re.findall(r"\\.|.", glob, re.DOTALL)
    return re.compile("".join(".*" if p == "*" else "." if p == "?" else re.escape(p[-1])
                              for p in parts), re.DOTALL)


def fixed_part(glob):
    return re.split(r"(?<!\\)[*?]", glob, maxsplit=1)[0]


class Copyright:
    """The Files: paragraphs of a machine-readable copyright file, in order."""

    def __init__(self, text):
        self.paragraphs = []  # ([glob], [regex], SPDX expression)
        for paragraph in re.split(r"\n\s*\n", text):
            fields, name = {}, None
            for line in paragraph.splitlines():
                if line[:1].isspace():
                    if name == "files":
                        fields[name] += " " + line.strip()
                elif ":" in line:
                    name, value = line.split(":", 1)
                    name = name.strip().lower()
                    fields[name] = value.strip()
            if fields.get("files") and fields.get("license"):
                globs = fields["files"].split()
                self.paragraphs.append((globs, [glob_regex(g) for g in globs],
                                        spdx_expression(fields["license"])))
        self.within = {}
        # The top folders of the source tree that the paragraphs name.
        self.top = {g.split("/")[0] for globs, _, _ in self.paragraphs for g in globs
                    if "/" in g and fixed_part(g.split("/")[0]) == g.split("/")[0]}

    def knows(self, path):
        """Whether path is in the source tree that the paragraphs describe."""
        return path.split("/")[0] in self.top

    def licence_of(self, path):
        """The licence of a file of the source tree: the last paragraph that names it."""
        found = None
        for _, regexes, licence in self.paragraphs:
            if any(r.fullmatch(path) for r in regexes):
                found = licence
        return found

    def licences_within(self, scope):
        """Every licence that some file under scope (a Files: glob, "*" for the whole tree)
        may have: those of the paragraphs that reach into it, but not of those that a later
        paragraph overrides for all of it."""
        if scope in self.within:
            return self.within[scope]
        prefix = fixed_part(scope)

        def reaches(glob):
            return fixed_part(glob).startswith(prefix) or prefix.startswith(fixed_part(glob))

        def covers(glob):
            return glob.endswith("*") and fixed_part(glob) == glob[:-1] and \
                prefix.startswith(glob[:-1])

        found = set()
        for i, (globs, _, licence) in enumerate(self.paragraphs):
            overridden = any(covers(g) for later, _, _ in self.paragraphs[i + 1:] for g in later)
            if any(reaches(g) for g in globs) and not overridden:
                found.add(licence)
        self.within[scope] = found
        return found


def header_sources(path, pattern, templates):
    """The paths of the source tree that an installed header may come from: the templates with
    {path}, the part of path that pattern's first group matches, and {stem}, that part without
    its extension; none when pattern does not match."""
    found = re.search(pattern, path)
    if not found:
        return []
    below = found.group(1)
    stem = posixpath.splitext(below)[0]
    return [template.format(path=below, stem=stem) for template in templates]


def _value(text):
    """A value that objdump prints as "(indirect line string, offset: 0x2d): /build"."""
    text = text.strip()
    return text.split("): ", 1)[1] if text.startswith("(") and "): " in text else text


def source_path(path, comp_dir):
    """A compiled file's path relative to the root of its source tree, or None for a file from
    outside it (the headers installed on the machine that compiled it)."""
    if posixpath.isabs(path):
        root = comp_dir.rstrip("/") + "/" if comp_dir else None
        if not root or not path.startswith(root):
            return None
        path = path[len(root):]
    path = posixpath.normpath(path)
    return None if path == ".." or path.startswith("../") or "<" in path else path


def parse_dwarf(text):
    """{member: set of source paths, or None} from objdump's --dwarf=info --dwarf=line output
    of an archive or an object. A member maps to None when its sources are unknown: it has no
    debug information, a unit of it was compiled from outside its source tree, or the archive
    holds its name twice and one of them is such a member."""
    copies = {}  # member -> [{"comp_dir", "units", "files"} of each member of that name]
    member, table, dirs = None, None, {}
    for line in text.splitlines():
        header = re.match(r"^(\S.*?):\s+file format ", line)
        if header:
            member = {"comp_dir": None, "units": [], "files": []}
            copies.setdefault(header.group(1).rsplit("/", 1)[-1], []).append(member)
            table, dirs = None, {}
            continue
        if member is None:
            continue
        attribute = re.match(r"^\s+<[0-9a-f]+>\s+DW_AT_(name|comp_dir)\s*:(.*)$", line)
        if attribute:
            key = "comp_dir" if attribute.group(1) == "comp_dir" else "units"
            if key == "units":
                member["units"].append(_value(attribute.group(2)))
            else:
                member["comp_dir"] = _value(attribute.group(2))
        elif "The Directory Table" in line:
            table, dirs = "dirs", {}
        elif "The File Name Table" in line:
            table = "files"
        elif not line.strip() or "Line Number Statements" in line:
            table = None
        elif table:
            entry = re.match(r"^\s+(\d+)\t(.*)$", line)
            if entry and table == "dirs":
                dirs[int(entry.group(1))] = _value(entry.group(2))
            elif entry:
                fields = entry.group(2).split("\t")
                # DWARF 4 numbers the folders from 1: folder 0 is the compilation's.
                folder = dirs.get(int(fields[0])) if fields[0].isdigit() else None
                member["files"].append((folder, _value(fields[-1])))

    result = {}
    for name, members in copies.items():
        sources = set()
        for m in members:
            comp_dir = m["comp_dir"]
            units = [source_path(u, comp_dir) for u in m["units"]]
            if not units or None in units:
                sources = None
                break
            sources.update(units)
            for folder, file in m["files"]:
                path = source_path(posixpath.join(folder or comp_dir or "", file), comp_dir)
                if path:  # else a header installed on the machine that compiled it
                    sources.add(path)
        result[name] = sources
    return result


def dwarf_sources(objdump, path):
    out = subprocess.run([objdump, "--dwarf=info", "--dwarf=line", "--dwarf-depth=1", path],
                         capture_output=True, text=True, errors="replace")
    if out.returncode != 0:
        raise OSError("%s cannot read %s: %s" % (objdump, path, out.stderr.strip()[:200]))
    return parse_dwarf(out.stdout)
