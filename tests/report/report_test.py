#!/usr/bin/env python3
"""kwctl report read back by a real HTML parser and by headless Chromium.

A send log whose every text field holds markup (queue names, users, computers, paths, reasons)
must give a page in which no element and no attribute comes from the log: the parser finds only
the page's own elements and attributes, and every hostile text comes back as the characters it
was. A fleet log with a queue in each state must show in Chromium with every queue's row, and
Chromium's screenshot of it is the README's picture.

    report_test.py KWCTL OUT_FOLDER
"""
import hashlib
import html.parser
import json
import os
import shutil
import subprocess
import sys
import tempfile

KWCTL, OUT = sys.argv[1], sys.argv[2]

# What the page itself is made of; anything else came from the log.
ELEMENTS = {"html", "head", "meta", "title", "style", "body", "h1", "dl", "dt", "dd", "code",
            "span", "div", "table", "thead", "tbody", "tr", "th", "td", "ul", "li", "del", "ins",
            "details", "summary"}
ATTRIBUTES = {"lang", "charset", "http-equiv", "content", "name", "class", "style", "scope",
              "colspan", "data-printer", "data-state"}
HOSTILE = ["<img src=x onerror=alert(1)>", "\"><script>alert(2)</script>",
           "' onmouseover='alert(3)", "</td></tr><tr data-state=\"up-to-date\"><td>&amp;"]
STATES = {"up-to-date", "differs", "never-sent", "not-finished"}
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


class Page(html.parser.HTMLParser):
    """Every element and attribute of a page, and its queues' rows."""

    def __init__(self, text):
        super().__init__(convert_charrefs=True)
        self.elements, self.attributes, self.rows = set(), set(), []
        self.feed(text)

    def handle_starttag(self, tag, attrs):
        self.elements.add(tag)
        values = dict(attrs)
        self.attributes.update(values)
        if tag == "tr" and "data-printer" in values:
            self.rows.append((values["data-printer"], values.get("data-state")))


def entry(printer, record, outcome, text, job):
    return json.dumps({"time": "2026-12-08T19:39:26Z", "user": text, "computer": text,
                       "printer": printer, "file": "C:\\fleet\\" + text + ".dat",
                       "sha256": hashlib.sha256(record).hexdigest(), "record": record.hex(),
                       "job": job, "outcome": outcome, "reason": text},
                      ensure_ascii=False, separators=(",", ":")) + "\n"


def report(folder, settings, log, *queues):
    """Runs kwctl report in `folder` on names there, as they then show on the page."""
    page = os.path.join(folder, "report.html")
    args = [KWCTL, "report", settings, "--log", log, "--html", "report.html"]
    for q in queues:
        args += ["-p", q]
    run = subprocess.run(args, capture_output=True, text=True, cwd=folder)
    check(run.returncode in (0, 1), "kwctl report ended with %d: %s" % (run.returncode, run.stderr))
    with open(page, encoding="utf-8") as f:
        return page, f.read()


def checked(page_text, source, names):
    page = Page(page_text)
    check(page.elements <= ELEMENTS, "%s: elements from the log: %s" % (
        source, page.elements - ELEMENTS))
    check(set(page.attributes) <= ATTRIBUTES, "%s: attributes from the log: %s" % (
        source, set(page.attributes) - ATTRIBUTES))
    check(sorted(n for n, _ in page.rows) == sorted(names), "%s: rows %s" % (source, page.rows))
    check(all(s in STATES for _, s in page.rows), "%s: states %s" % (source, page.rows))
    return page


def chromium(*args):
    browser = shutil.which("chromium") or shutil.which("chromium-browser")
    if not browser:
        failures.append("no chromium: run scripts/setup.sh")
        return subprocess.CompletedProcess([], 1, "", "")
    profile = tempfile.mkdtemp(prefix="kw-chromium.")
    try:
        return subprocess.run(
            [browser, "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
             "--no-first-run", "--disable-background-networking", "--disable-component-update",
             "--disable-sync", "--hide-scrollbars", "--user-data-dir=" + profile, *args],
            capture_output=True, text=True, timeout=120)
    finally:
        shutil.rmtree(profile, ignore_errors=True)


def main():
    folder = tempfile.mkdtemp(prefix="kw-report.")
    os.makedirs(OUT, exist_ok=True)
    settings = os.path.join(folder, "office.dat")
    subprocess.run([KWCTL, "new", settings, "msw2-7=80", "font1=クーリエ"], check=True,
                   capture_output=True)
    with open(settings, "rb") as f:
        office = f.read()[19:]
    factory = os.path.join(folder, "factory.dat")
    subprocess.run([KWCTL, "new", factory], check=True, capture_output=True)
    with open(factory, "rb") as f:
        factory_record = f.read()[19:]

    # Markup in every text of the log; each queue in a state of its own.
    hostile = os.path.join(folder, "hostile.log")
    with open(hostile, "w", encoding="utf-8") as f:
        f.write(entry(HOSTILE[0], office, "done", HOSTILE[1], 1))
        f.write(entry(HOSTILE[1], factory_record, "done", HOSTILE[2], 2))
        f.write(entry(HOSTILE[2], office, "held", HOSTILE[3], 3))
        f.write(entry(HOSTILE[3], office, "done", HOSTILE[0], 4))
        f.write(entry(HOSTILE[3], office, "sent", HOSTILE[0], 5))
    page, text = report(folder, "office.dat", "hostile.log", *HOSTILE, "<b>never</b>")
    parsed = checked(text, "the page", HOSTILE + ["<b>never</b>"])
    for h in HOSTILE:
        check(h in "".join(n for n, _ in parsed.rows), "a name did not come back: " + h)
    dom = chromium("--dump-dom", "file://" + page)
    check(dom.returncode == 0, "chromium --dump-dom: " + dom.stderr[-500:])
    checked(dom.stdout, "chromium's DOM", HOSTILE + ["<b>never</b>"])

    # The fleet of the README's picture.
    fleet = os.path.join(folder, "fleet.log")
    with open(fleet, "w", encoding="utf-8") as f:
        for day, (printer, record, outcome, reason) in enumerate([
                ("Vek 1F", office, "done", None), ("Vek 2F", factory_record, "done", None),
                ("Vek 3F", office, "held", "paused, paper-out"), ("Vek 1F", office, "printed", None),
                ("\\\\PRINTSRV\\Vek 5F", office, "done", None)]):
            line = json.loads(entry(printer, record, outcome, "x", day + 1))
            line.update({"time": "2026-12-0%dT06:30:%02dZ" % (day + 3, day), "user": "svc-printers",
                         "computer": "ADMIN-PC", "file": "\\\\server\\share\\office.dat",
                         "reason": reason})
            f.write(json.dumps(line, ensure_ascii=False, separators=(",", ":")) + "\n")
    queues = ["Vek 1F", "Vek 2F", "Vek 3F", "Vek 4F", "\\\\PRINTSRV\\Vek 5F"]
    page, text = report(folder, "office.dat", "fleet.log", *queues)
    dom = chromium("--dump-dom", "file://" + page)
    shown = checked(dom.stdout, "chromium's DOM of the fleet", queues)
    check(sorted(s for _, s in shown.rows) == sorted(
        ["up-to-date", "up-to-date", "differs", "not-finished", "never-sent"]),
        "states of the fleet: %s" % shown.rows)
    picture = os.path.join(OUT, "report.png")
    shot = chromium("--window-size=1280,760", "--screenshot=" + picture, "file://" + page)
    check(shot.returncode == 0 and os.path.getsize(picture) > 10000,
          "chromium --screenshot: " + shot.stderr[-500:])
    shutil.copy(page, os.path.join(OUT, "report.html"))
    shutil.rmtree(folder, ignore_errors=True)
    for f in failures:
        print("FAILED: " + f)
    print("report test: %d failures; the picture is %s" % (len(failures), picture))
    return 1 if failures else 0


sys.exit(main())
