#!/usr/bin/env python3
"""Opens the sample protocol pages in headless Chromium and works them as a reader would.

Usage: check_chromium.py SAMPLE_WRITER WORK_DIR. Exits 77 (skipped) when Chromium is absent.
"""
import html
import os
import re
import shutil
import subprocess
import sys
import tempfile

SKIP = 77
FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
         "--disable-background-networking", "--disable-component-update", "--disable-sync"]


def find_chromium():
    for name in ("chromium", "chromium-browser"):
        path = shutil.which(name)
        if path:
            return path
    return None


def run_page(chromium, page, layout, script):
    checked = page + ".checked.html"
    with open(page, "rb") as source:
        content = source.read()
    # The page is windows-1251, so the appended script must be too.
    content += ("<script>var brisoltLayout = \"%s\";\n" % layout).encode("cp1251")
    content += script.encode("cp1251") + b"</script>\r\n"
    with open(checked, "wb") as target:
        target.write(content)
    profile = tempfile.mkdtemp(prefix="brisolt-chromium-")
    try:
        result = subprocess.run(
            [chromium, *FLAGS, "--user-data-dir=" + profile, "--dump-dom",
             "file://" + os.path.abspath(checked)],
            capture_output=True, timeout=120, check=False)
    finally:
        shutil.rmtree(profile, ignore_errors=True)
    dom = result.stdout.decode("utf-8", "replace")
    found = re.findall(r'<pre id="checks">(.*?)</pre>', dom, re.S)
    if not found:
        print("%s: no check results; chromium said:\n%s" % (page, result.stderr.decode()[-2000:]))
        return False
    lines = html.unescape(found[-1]).splitlines()
    for line in lines:
        print("%s [%s] %s" % (os.path.basename(page), layout, line))
    return bool(lines) and all(line.startswith("PASS ") for line in lines)


def main():
    writer, work = sys.argv[1], sys.argv[2]
    chromium = find_chromium()
    if not chromium:
        print("chromium is not installed: skipped")
        return SKIP
    os.makedirs(work, exist_ok=True)
    subprocess.run([writer, work], check=True)
    with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "check_page.js"),
              encoding="utf-8") as source:
        script = source.read()
    ok = True
    for name, layout in (("full_compact.html", "compact"), ("full_detailed.html", "detailed")):
        ok = run_page(chromium, os.path.join(work, name), layout, script) and ok
    print("all page checks passed" if ok else "some page checks FAILED")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
