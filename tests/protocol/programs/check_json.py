#!/usr/bin/env python3
"""The JSON protocol and the CSV action list of the sample folder, as another program reads them.

Usage: check_json.py BRISOLT EXAMPLES SCHEMA WORKDIR

The JSON of the whole folder, with and without sources, validates against the schema; a run for
one person with /sources=1 lists exactly the insurer's СЗВ-6 pack files that hold that person's
documents; the CSV is UTF-8 with a byte-order mark, CR LF, ";" and decimal commas. Exits 77 (a
skip) when the jsonschema module is missing.
"""
import json
import os
import re
import subprocess
import sys

try:
    import jsonschema
except ImportError:
    print("python3-jsonschema is not installed: skipped")
    sys.exit(77)

brisolt, examples, schema_path, work = sys.argv[1:5]
os.makedirs(work, exist_ok=True)
REGNUMB = "087-001-012345"
with open(schema_path, encoding="utf-8") as schema_file:
    schema = json.load(schema_file)
validator = jsonschema.Draft202012Validator(schema)
failures = []


def run(target, *extra):
    result = subprocess.run([brisolt, "/regnumb=" + REGNUMB, "/path=" + examples, "/orgname=ООО Ромашка",
                             "/protfilename=" + target, *extra], capture_output=True, text=True)
    if result.returncode not in (0, 5):
        failures.append("%s: status %d, %s" % (target, result.returncode, result.stderr.strip()))
    return result


def load(target):
    with open(target, encoding="utf-8") as data:
        document = json.load(data)
    for error in validator.iter_errors(document):
        failures.append("%s: %s at %s" % (os.path.basename(target), error.message, list(error.absolute_path)))
    return document


whole = os.path.join(work, "whole.json")
run(whole)
plain = load(whole)
if any("sources" in person for person in plain["persons"]):
    failures.append("sources written without /sources=1")
with_sources_path = os.path.join(work, "sources.json")
run(with_sources_path, "/sources=1")
with_sources = load(with_sources_path)

# The sample person with the most documents, and the packs that hold them, read straight from
# the files: the insurer's СЗВ-6 packs that name the person's insurance number.
person = max(with_sources["persons"], key=lambda item: len(item["sources"]))
expected = set()
mask = re.compile(r"^PFR-700-Y-....-ORG-.*\.xml$", re.IGNORECASE)
for name in sorted(os.listdir(examples)):
    if not mask.match(name):
        continue
    text = open(os.path.join(examples, name), "rb").read().decode("cp1251", errors="replace")
    if "СЗВ-6-3" in text or "<РегистрационныйНомер>" + REGNUMB not in text:
        continue
    if re.search(r"<СтраховойНомер>\s*" + re.escape(person["snils"]), text) or \
            ("<СтраховойНомер>" + person["snils"].replace("-", "").replace(" ", "")) in text:
        expected.add(name)
one_path = os.path.join(work, "one.json")
result = run(one_path, "/snils=" + person["snils"], "/sources=1")
one = load(one_path)
if [item["snils"] for item in one["persons"]] != [person["snils"]]:
    failures.append("/snils listed %s" % [item["snils"] for item in one["persons"]])
listed = {source["file"] for item in one["persons"] for source in item["sources"]}
if listed != expected:
    failures.append("sources of %s: %s, the packs hold %s" % (person["snils"], sorted(listed), sorted(expected)))
names = {item["name"] for item in one["files"]}
if not listed <= names:
    failures.append("a source names a file the file list does not: %s" % sorted(listed - names))

unknown = subprocess.run([brisolt, "/regnumb=" + REGNUMB, "/path=" + examples, "/orgname=x",
                          "/protfilename=" + os.path.join(work, "none.json"), "/snils=000-000-000 00"],
                         capture_output=True, text=True)
if unknown.returncode != 3 or "000-000-000 00" not in unknown.stderr:
    failures.append("an unknown /snils: status %d, %s" % (unknown.returncode, unknown.stderr.strip()))

csv_path = os.path.join(work, "actions.csv")
run(csv_path)
data = open(csv_path, "rb").read()
if not data.startswith(b"\xef\xbb\xbf"):
    failures.append("the CSV has no byte-order mark")
if b"\n" in data.replace(b"\r\n", b""):
    failures.append("the CSV has a line end other than CR LF")
rows = data[3:].decode("utf-8").split("\r\n")
if not rows[0].startswith("СНИЛС;ФИО;"):
    failures.append("the CSV header is %r" % rows[0])
action_count = sum(len(item["actions"]) for item in plain["persons"])
if len([row for row in rows[1:] if row and not row.startswith(";")]) != action_count:
    failures.append("the CSV has not one row per action (%d actions)" % action_count)

for failure in failures:
    print("FAIL:", failure)
print("%d persons, %d with sources checked against %d packs" % (len(plain["persons"]), len(listed), len(expected)))
sys.exit(1 if failures else 0)
