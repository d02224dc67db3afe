#!/usr/bin/env python3
"""vexosite's pages as a browser builds them: chromium --headless --dump-dom on
the site of the example maps imported with /a, checked against vexomap's
drawing of the same messages (the text at each row and column, each input's
length and kind, the focused field) and the index's filter (?q=).
Exits with 77 (skipped) where chromium is missing or cannot start."""

import html.parser
import os
import re
import shutil
import subprocess
import sys
import tempfile

SKIPPED = 77
MESSAGES = ["CUSTINQ", "CUSTERR", "MENU", "ORDHEAD", "ORDLINES", "STOCKQ", "STOCKERR", "BLANKMAP"]


def run(program, args, env):
    binary = os.path.join(os.environ["VEXO_BINARY_DIR"], "bin", program)
    done = subprocess.run([binary] + args, env=env, capture_output=True, text=True, check=False)
    if done.returncode != 0:
        sys.exit(f"{program} {' '.join(args)} failed ({done.returncode}): {done.stdout}{done.stderr}")
    return done.stdout


def find_browser():
    for name in ("chromium", "chromium-browser"):
        path = shutil.which(name)
        if path:
            return path
    return None


def dump_dom(browser, url, profile):
    done = subprocess.run([browser, "--headless", "--no-sandbox", "--disable-gpu", "--user-data-dir=" + profile,
                           "--dump-dom", url], capture_output=True, text=True, timeout=120, check=False)
    return done.returncode, done.stdout


class Page(html.parser.HTMLParser):
    """The screen's lines (row -> text), its inputs, the body's data and the index's rows."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.lines, self.inputs, self.body, self.rows = {}, [], {}, []
        self._row, self._depth = None, 0

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        if tag == "body":
            self.body = a
        elif tag == "input" and "data-row" in a:
            self.inputs.append(a)
        elif tag == "tr" and a.get("class") == "message":
            self.rows.append(a)
        if self._row is not None:
            self._depth += 1
        elif tag == "div" and a.get("class") == "line":
            self._row, self._depth = int(a["data-row"]), 1
            self.lines[self._row] = ""

    def handle_endtag(self, tag):
        if self._row is not None:
            self._depth -= 1
            if self._depth == 0:
                self._row = None

    def handle_data(self, data):
        if self._row is not None:
            self.lines[self._row] += data


def parse(text):
    page = Page()
    page.feed(text)
    return page


def vexomap_drawing(output):
    """The frame's rows and the field table (name -> length, protected, dark, on screen)."""
    frame = [line[1:-1] for line in output.splitlines() if line.startswith("|")]
    fields = {}
    for line in output.splitlines():
        m = re.match(r"^\s+\d+ (\S+)\s+(-?\d+)\s+(-?\d+)\s+(-?\d+) \S+\s+\d+ (.*)$", line)
        if m and not line.lstrip().startswith("#"):
            attributes = m.group(5)
            fields[m.group(1)] = {"length": int(m.group(4)), "protected": " protected" in attributes,
                                  "dark": " dark" in attributes,
                                  "shown": "(off screen)" not in attributes and "(no position)" not in attributes}
    return frame, fields


def main():
    browser = find_browser()
    if browser is None:
        print("skipped: chromium is not installed (scripts/setup installs it)")
        return SKIPPED
    failures = []
    with tempfile.TemporaryDirectory(prefix="vx-") as work:
        env = dict(os.environ, VEXO_INI_PATH=work, NDOSSA_DATA=work)
        with open(os.path.join(work, "vexo.ini"), "w", encoding="ascii") as ini:
            ini.write("[DefinitionDatabase]\nDatabaseType = KirraDossa\nDatabaseName = maps.ndb\nServerName = Local\n")
        maps = os.path.join(os.environ["VEXO_SOURCE_DIR"], "examples", "maps")
        run("dossa", ["create", os.path.join(work, "maps.ndb")], env)
        run("vexopxm", ["/a"] + sorted(os.path.join(maps, f) for f in os.listdir(maps) if f.endswith(".pxm")), env)
        site = os.path.join(work, "site")
        run("vexosite", [site] + MESSAGES, env)
        profile = os.path.join(work, "profile")
        status, _ = dump_dom(browser, "about:blank", profile)
        if status != 0:
            print(f"skipped: chromium cannot start here (status {status})")
            return SKIPPED

        for name in MESSAGES:
            frame, fields = vexomap_drawing(run("vexomap", [name], env))
            status, dom = dump_dom(browser, "file://" + os.path.join(site, f"m-{name}.html"), profile)
            page = parse(dom)
            if status != 0 or not page.body:
                failures.append(f"{name}: no page from the browser ({status})")
                continue
            # The text at each row and column, but for the columns the inputs cover.
            expected = [list(row) for row in frame]
            for i in page.inputs:
                row, start, width = int(i["data-row"]) - 1, int(i["data-column"]) - 1, int(i["data-width"])
                expected[row][start:start + width] = [" "] * width
            for r, row in enumerate(expected, start=1):
                if page.lines.get(r) != "".join(row):
                    failures.append(f"{name} row {r}: browser {page.lines.get(r)!r}, vexomap {''.join(row)!r}")
            if len(page.lines) != len(frame):
                failures.append(f"{name}: {len(page.lines)} rows in the browser, {len(frame)} drawn by vexomap")
            # Each input: its length and kind; a field off the screen has none.
            shown = {i["name"]: i for i in page.inputs}
            focus = ""
            for field, f in fields.items():
                i = shown.get(field)
                if (i is not None) != f["shown"]:
                    failures.append(f"{name}.{field}: input present {i is not None}, on screen {f['shown']}")
                    continue
                if i is None:
                    continue
                kind = ("password" if f["dark"] else "text", f["protected"])
                if int(i.get("maxlength", -1)) != f["length"] or (i.get("type"), "readonly" in i) != kind:
                    failures.append(f"{name}.{field}: maxlength {i.get('maxlength')} type {i.get('type')} "
                                    f"readonly {'readonly' in i}, expected {f['length']} {kind}")
                if not focus and not f["protected"] and not f["dark"]:
                    focus = field
            if page.body.get("data-focused") != focus:
                failures.append(f"{name}: focused {page.body.get('data-focused')!r}, expected {focus!r}")

        # The filter narrows the index to the names holding what is asked for.
        for query, names in (("", MESSAGES), ("ord", ["ORDHEAD", "ORDLINES"]), ("ERR", ["CUSTERR", "STOCKERR"]),
                             ("none", [])):
            status, dom = dump_dom(browser, "file://" + os.path.join(site, "index.html") + "?q=" + query, profile)
            page = parse(dom)
            visible = sorted(r["data-name"] for r in page.rows if "hidden" not in r)
            if visible != sorted(names) or page.body.get("data-shown") != str(len(names)):
                failures.append(f"index ?q={query}: shown {visible} ({page.body.get('data-shown')}), expected {names}")
    for failure in failures:
        print("FAILED: " + failure)
    print(f"{len(MESSAGES)} pages and the index checked in the browser, {len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
