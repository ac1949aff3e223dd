"""The SBOM's licence finding (packaging/licences.py, sbom.py): the copyright file's paragraphs,
the mapping of installed headers to source paths, the fallback for files of unknown source path,
and the source paths read from objdump's output.

    licences_test.py [OBJDUMP]   with OBJDUMP, also a member of mingw-w64's libmingwex.a
"""
import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                                "packaging"))
import licences  # noqa: E402
import sbom  # noqa: E402

COPYRIGHT = """Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/

Files: *
License: ZPL-2.1
 text

Files: crt/*
       lib/in*.c
License: public-domain

Files: crt/gdtoa/*
 crt/stdio/pformat.c
License: Lucent

Files: crt/stdio/pformat.*
License: BSD-2-clause-NetBSD and ISC

Files: libraries/threads/*
License: Expat

Files: libraries/threads/include/pthread.h
License: BSD-3-clause-Lockless

Files: libraries/threads/tests/*
License: LGPL-2+

Files: odd\\*name.c
License: GPL-2+ or Apache-2.0

License: Lucent
 Permission to use ...
"""

OBJDUMP = """In archive /usr/lib/libex.a:

ex-gdtoa.o:     file format pe-x86-64

Contents of the .debug_info section:

 <0><c>: Abbrev Number: 4 (DW_TAG_compile_unit)
    <54>   DW_AT_name        : (indirect line string, offset: 0): ./crt/gdtoa/gdtoa.c
    <58>   DW_AT_comp_dir    : (indirect line string, offset: 0x1f): /build
 <1><70>: ...

 The Directory Table (offset 0x22, lines 4, columns 1):
  Entry\tName
  0\t(indirect line string, offset: 0x2d): /build
  1\t(indirect line string, offset: 0x34): ./crt/stdio
  2\t(indirect line string, offset: 0x4a): /usr/x86_64-w64-mingw32/include
  3\t(indirect line string, offset: 0x6a): ./crt/stdio/../gdtoa

 The File Name Table (offset 0x38, lines 5, columns 2):
  Entry\tDir\tName
  0\t3\t(indirect line string, offset: 0x89): gdtoa.c
  1\t2\t(indirect line string, offset: 0xa9): math.h
  2\t3\t(indirect line string, offset: 0xe5): gdtoa.h
  3\t0\t(indirect line string, offset: 0xff): <built-in>

 Line Number Statements:

exs00012.o:     file format pe-x86-64


dup.o:     file format pe-x86-64

 <0><c>: Abbrev Number: 1 (DW_TAG_compile_unit)
    <10>   DW_AT_name        : build-x86_64/gen.c
    <14>   DW_AT_comp_dir    : /build/pkg-1.0

 The Directory Table (offset 0x1c):
  1\tcrt/include

 The File Name Table (offset 0x2c):
  Entry\tDir\tTime\tSize\tName
  1\t0\t0\t0\tbuild-x86_64/gen.c
  2\t1\t0\t0\tinternal.h

dup.o:     file format pe-x86-64

outside.o:     file format pe-x86-64

 <0><c>: Abbrev Number: 1 (DW_TAG_compile_unit)
    <10>   DW_AT_name        : /usr/src/other/thing.c
    <14>   DW_AT_comp_dir    : /build
"""


class LicencesTest(unittest.TestCase):
    def test_debian_names_become_spdx_expressions(self):
        for debian, spdx in [
                ("Expat", "MIT"), ("BSD-3-clause", "BSD-3-Clause"), ("ZPL-2.1", "ZPL-2.1"),
                ("GPL-2+", "GPL-2.0-or-later"), ("LGPL-2.1+", "LGPL-2.1-or-later"),
                ("GPL-3", "GPL-3.0-only"), ("public-domain", "LicenseRef-public-domain"),
                ("BSD-2-clause-NetBSD and ISC", "LicenseRef-BSD-2-clause-NetBSD AND ISC"),
                ("GPL-2+ with Font exception", "LicenseRef-GPL-2-with-Font-exception"),
                ("GPL-2+ or Artistic", "GPL-2.0-or-later OR LicenseRef-Artistic")]:
            self.assertEqual(licences.spdx_expression(debian), spdx, debian)
        self.assertEqual(licences.all_of({"MIT", "A AND ISC", "GPL-2.0-only OR MIT", "ISC"}),
                         "(GPL-2.0-only OR MIT) AND A AND ISC AND MIT")

    def test_the_last_paragraph_that_names_a_file_gives_its_licence(self):
        copyright = licences.Copyright(COPYRIGHT)
        for path, licence in [
                ("configure.ac", "ZPL-2.1"), ("crt/a/b.c", "LicenseRef-public-domain"),
                ("lib/inb.c", "LicenseRef-public-domain"), ("lib/xin.c", "ZPL-2.1"),
                ("crt/gdtoa/gdtoa.c", "LicenseRef-Lucent"),
                ("crt/stdio/pformat.c", "LicenseRef-BSD-2-clause-NetBSD AND ISC"),
                ("crt/stdio/pformat.h", "LicenseRef-BSD-2-clause-NetBSD AND ISC"),
                ("libraries/threads/src/cond.c", "MIT"),
                ("libraries/threads/include/pthread.h", "LicenseRef-BSD-3-clause-Lockless"),
                ("odd*name.c", "GPL-2.0-or-later OR Apache-2.0"), ("oddxname.c", "ZPL-2.1")]:
            self.assertEqual(copyright.licence_of(path), licence, path)
        self.assertEqual(len(copyright.paragraphs), 8)
        self.assertTrue(copyright.knows("crt/x.c"))
        self.assertFalse(copyright.knows("build-x86_64/gen.c"))

    def test_files_of_unknown_path_take_every_licence_they_may_have(self):
        copyright = licences.Copyright(COPYRIGHT)
        everything = {p[2] for p in copyright.paragraphs}
        self.assertEqual(copyright.licences_within("*"), everything)
        # Files: * is overridden for all of the folder; the paragraphs inside it are not.
        self.assertEqual(copyright.licences_within("libraries/threads/*"),
                         {"MIT", "LicenseRef-BSD-3-clause-Lockless", "LGPL-2.0-or-later"})
        self.assertEqual(copyright.licences_within("crt/stdio/*"),
                         {"LicenseRef-public-domain", "LicenseRef-Lucent",
                          "LicenseRef-BSD-2-clause-NetBSD AND ISC"})

    def test_installed_headers_map_to_source_paths(self):
        templates = ["inc/{path}", "inc/{stem}.idl"]
        for path, sources in [
                ("/usr/inc/wrl/client.h", ["inc/wrl/client.h", "inc/wrl/client.idl"]),
                ("/usr/inc/windows.foundation.h",
                 ["inc/windows.foundation.h", "inc/windows.foundation.idl"]),
                ("/usr/lib/inc/x.h", [])]:
            self.assertEqual(licences.header_sources(path, r"^/usr/inc/(.+)$", templates), sources)

    def test_debians_packages_give_each_file_the_licences_of_its_sources(self):
        # (package, file, component, how it is matched, licences it must and must not add)
        mingw, x64 = "mingw-w64-common", "mingw-w64-x86-64-dev"
        lib = "/usr/x86_64-w64-mingw32/lib/"
        gnu = {"GPL-2.0-or-later", "GPL-3.0-or-later", "LGPL-2.0-or-later", "LGPL-2.1-or-later"}
        for package, file, component, how, has, lacks in [
                (mingw, "/usr/share/mingw-w64/include/windows.h", "mingw-w64 runtime", "mapped",
                 {"ZPL-2.1"}, gnu),
                (x64, "/usr/x86_64-w64-mingw32/include/stdarg.h", "mingw-w64 runtime", "mapped",
                 {"GPL-2.0-or-later"}, set()),
                (mingw, "/usr/share/mingw-w64/include/d3d11.h", "mingw-w64 runtime", "mapped",
                 {"LGPL-2.1-or-later"}, set()),
                (mingw, "/usr/share/mingw-w64/include/ddk/d3dhal.h", "mingw-w64 runtime",
                 "mapped", {"LGPL-2.1-or-later"}, set()),
                (mingw, "/usr/share/mingw-w64/include/pthread.h", "winpthreads", "mapped",
                 {"LicenseRef-BSD-3-clause-Lockless"}, gnu),
                (x64, (lib + "libkernel32.a", "dkcebs00123.o"), "mingw-w64 runtime",
                 "mingw-w64-crt/*", {"LicenseRef-public-domain"}, gnu),
                (x64, (lib + "libpthread.dll.a", "d000003.o"), "winpthreads",
                 "mingw-w64-libraries/winpthreads/*", {"MIT"}, set()),
                (mingw, "/usr/share/mingw-w64/unlisted.h", "mingw-w64 runtime", "*",
                 {"GPL-3.0-or-later"}, set()),
                ("nlohmann-json3-dev", "/usr/include/nlohmann/json.hpp", "nlohmann/json",
                 "mapped", {"MIT"}, {"LicenseRef-U-OF-I-BSD-LIKE", "BSD-3-Clause"}),
                ("libcli11-dev", "/usr/include/CLI/App.hpp", "CLI11", "mapped",
                 {"BSD-3-Clause"}, set())]:
            if not os.path.exists("/usr/share/doc/%s/copyright" % package):
                continue
            path = file if isinstance(file, str) else file[0]
            rule = sbom.rule_for(package, path)
            self.assertEqual(rule.name, component, file)
            found = sbom.Licences(rule, package)
            found.add(file, None)
            self.assertEqual("mapped" if found.mapped else " ".join(found.unmatched), how, file)
            self.assertLessEqual(has, found.expressions, file)
            self.assertFalse(lacks & found.expressions, file)

    def test_source_paths_from_objdump(self):
        found = licences.parse_dwarf(OBJDUMP)
        self.assertEqual(found["ex-gdtoa.o"], {"crt/gdtoa/gdtoa.c", "crt/gdtoa/gdtoa.h"})
        # No debug information; a name held twice, once without; a unit from elsewhere.
        self.assertIsNone(found["exs00012.o"])
        self.assertIsNone(found["dup.o"])
        self.assertIsNone(found["outside.o"])
        found = licences.parse_dwarf(OBJDUMP.split("dup.o:     file format pe-x86-64\n\nout")[0])
        self.assertEqual(found["dup.o"], {"build-x86_64/gen.c", "crt/include/internal.h"})

    @unittest.skipUnless(len(sys.argv) > 1, "no objdump given")
    def test_debians_mingw_w64_libraries_name_their_sources(self):
        objdump = sys.argv[1]
        lib = "/usr/%s/lib/libmingwex.a" % os.path.basename(objdump)[:-len("-objdump")]
        if not os.path.exists(lib):
            self.skipTest("no " + lib)
        found = licences.dwarf_sources(objdump, lib)
        gdtoa = [sources for member, sources in found.items() if member.endswith("-gdtoa.o")]
        self.assertEqual(len(gdtoa), 1, sorted(found)[:5])
        self.assertIn("mingw-w64-crt/gdtoa/gdtoa.c", gdtoa[0] or ())


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
