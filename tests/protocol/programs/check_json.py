#!/usr/bin/env python3
"""The JSON protocol and the CSV action list of the sample folder, as another program reads them.

Usage: check_json.py BRISOLT EXAMPLES SCHEMA WORKDIR [PACKGEN]

The JSON of the whole folder, with and without sources, validates against the schema; a run for
one person with /sources=1 lists exactly the insurer's СЗВ-6 pack files that hold that person's
documents; the CSV is UTF-8 with a byte-order mark, CR LF, ";", decimal commas and every field quoted.
Under each saldofilter, on the sample folder and on a generated one (PACKGEN) with corrections and
cancellations, the figures of the JSON and the CSV are held to each other and to the protocol's own
totals. A run for one person names nobody else. Exits 77 (a skip) when the jsonschema module is
missing.
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
packgen = sys.argv[5] if len(sys.argv) > 5 else None
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



def read_csv(path):
    """The CSV as Calc reads it with its own separators: rows of fields, quoted fields whole."""
    data = open(path, "rb").read()
    if not data.startswith(b"\xef\xbb\xbf"):
        failures.append("%s has no byte-order mark" % path)
    if b"\n" in data.replace(b"\r\n", b""):
        failures.append("%s has a line end other than CR LF" % path)
    text = data[3:].decode("utf-8")
    # Calc's defaults split at comma, semicolon and tab alike; a quoted field stays whole.
    rows = []
    for line in text.split("\r\n"):
        if not line:
            continue
        fields = [""]
        quoted = False
        at = 0
        while at < len(line):
            char = line[at]
            if quoted:
                if char == '"' and line[at + 1:at + 2] == '"':
                    fields[-1] += '"'
                    at += 1
                elif char == '"':
                    quoted = False
                else:
                    fields[-1] += char
            elif char == '"':
                quoted = True
            elif char in ";,\t":
                fields.append("")
            else:
                fields[-1] += char
            at += 1
        if len(fields) != 7:
            failures.append("%s: %d fields with Calc's separators: %r" % (path, len(fields), line))
        rows.append(fields)
    return rows


def amount(text):
    return round(float(text.replace(",", ".")), 2)


def check_figures(label, folder, regnumb):
    """Every figure of the JSON and the CSV against the protocol's own, under each saldofilter: the
    totals and the actions cover every person whatever the filter lists."""
    base = None
    for saldo in "0123":
        json_path = os.path.join(work, "%s-%s.json" % (label, saldo))
        csv_path = os.path.join(work, "%s-%s.csv" % (label, saldo))
        for target in (json_path, csv_path):
            result = subprocess.run([brisolt, "/regnumb=" + regnumb, "/path=" + folder, "/orgname=x",
                                     "/saldofilter=" + saldo, "/protfilename=" + target], capture_output=True, text=True)
            if result.returncode not in (0, 5):
                failures.append("%s: status %d, %s" % (target, result.returncode, result.stderr.strip()))
                return
        document = load(json_path)
        totals = document["totals"]
        rows = read_csv(csv_path)
        if rows[0] != ["СНИЛС", "ФИО", "Действие", "Часть", "Период", "Сумма", "Что сделать"]:
            failures.append("%s: header %r" % (csv_path, rows[0]))
        sums = {}
        for row in rows[1:]:
            if not row[0]:
                failures.append("%s: a row without a person (totals among the data?): %r" % (csv_path, row))
                continue
            if row[5]:
                key = (row[2], row[3])
                sums[key] = round(sums.get(key, 0) + amount(row[5]), 2)
        last = totals["periods"][-1] if totals["periods"] else None
        for part, short in (("insurance", "ins"), ("funded", "fund")):
            title = {"insurance": "страховая", "funded": "накопительная"}[part]
            debt = totals["debt"][part]
            overpaid = totals["overpayment"][part]
            if sums.get(("Задолженность", title), 0) != debt:
                failures.append("%s: debt rows of %s add up to %s, the total debt is %s" %
                                (csv_path, part, sums.get(("Задолженность", title), 0), debt))
            if sums.get(("Переплата", title), 0) != overpaid:
                failures.append("%s: overpayment rows of %s add up to %s, the total is %s" %
                                (csv_path, part, sums.get(("Переплата", title), 0), overpaid))
            # The protocol's own totals: the balance since the start over every person.
            if last is not None and round(debt - overpaid, 2) != last[short + "AllBalance"]:
                failures.append("%s: debt %s less overpayment %s is not the protocol's balance %s" %
                                (json_path, debt, overpaid, last[short + "AllBalance"]))
        for person in document["persons"]:
            final = person["periods"][-1] if person["periods"] else None
            if final and (person["balance"]["insurance"] != final["insBalance"] or
                          person["balance"]["funded"] != final["fundBalance"]):
                failures.append("%s: %s balance is not the last period's" % (json_path, person["snils"]))
            for action in person["actions"]:
                if action["kind"] in ("debt", "overpayment"):
                    expected = abs(person["balance"][action["part"]])
                    if action["amount"] != expected:
                        failures.append("%s: %s %s %s, balance %s" % (json_path, person["snils"], action["kind"],
                                                                      action["amount"], expected))
        actions = sum(len(person["actions"]) for person in document["persons"])
        if saldo == "0" and len(rows) - 1 != actions:
            failures.append("%s: %d rows, the JSON has %d actions" % (csv_path, len(rows) - 1, actions))
        if len(rows) - 1 != totals["actions"]:
            failures.append("%s: %d rows, totals.actions %d" % (csv_path, len(rows) - 1, totals["actions"]))
        whole = (totals["debt"], totals["overpayment"], totals["personsWithActions"], totals["actions"])
        if base is None:
            base = whole
        elif whole != base:
            failures.append("%s: saldofilter=%s gives totals %r, saldofilter=0 %r" % (label, saldo, whole, base))
        if any("Отсутствует" in str(person["dismissed"]) or "." in str(person["dismissed"] or "")
               for person in document["persons"]):
            failures.append("%s: a dismissal as Russian text" % json_path)


check_figures("sample", examples, REGNUMB)
if packgen:
    generated = os.path.join(work, "generated")
    subprocess.run([packgen, "--out", generated, "--persons", "300", "--seed", "7"], check=True,
                   capture_output=True)
    check_figures("generated", generated, REGNUMB)

# /snils: nothing about anyone else, in any message.
snils_path = os.path.join(work, "snils.json")
run(snils_path, "/snils=002-849-333 35")
for message in load(snils_path)["conflicts"]:
    if any(number != "002-849-333 35" for number in message["persons"]) or \
            re.search(r"\d{3}-\d{3}-\d{3} \d{2}|\b\d{11}\b", message["text"].replace("002-849-333 35", "")):
        failures.append("/snils names another person: %s" % message["text"])
if plain["schemaVersion"] != 2 or not re.match(r"^\d{4}-\d\d-\d\dT", plain["program"]["stamp"]):
    failures.append("schema version %r, stamp %r" % (plain.get("schemaVersion"), plain["program"]["stamp"]))

for failure in failures:
    print("FAIL:", failure)
print("%d persons, %d with sources checked against %d packs" % (len(plain["persons"]), len(listed), len(expected)))
sys.exit(1 if failures else 0)
