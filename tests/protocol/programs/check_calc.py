#!/usr/bin/env python3
"""Loads the sample spreadsheet protocols into LibreOffice Calc (headless, converting to xlsx)
and checks the sheet names, key cells, number cells and merged ranges as Calc understood them.

Where the build writes XLSX protocols, each XLSX one is also loaded into Calc and compared cell by
cell, merge by merge with the XML spreadsheet of the same report, and its frozen panes and filters
are checked in the file itself and after Calc has read it: the hand-built samples, and batch runs
of the program over the packgen sample folder and a generated folder.

Usage: check_calc.py SAMPLE_WRITER WORK_DIR [BRISOLT PACKGEN].
Exits 77 (skipped) when LibreOffice is absent.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET
import zipfile

SKIP = 77
NS = {"m": "http://schemas.openxmlformats.org/spreadsheetml/2006/main",
      "r": "http://schemas.openxmlformats.org/officeDocument/2006/relationships",
      "rel": "http://schemas.openxmlformats.org/package/2006/relationships"}
FULL_SHEETS = ["Протокол", "Таблица", "Итоги по всем ЗЛ", "Забытые сотрудники",
               "Сверка СЗВ-6-3 2012 год"]


def find_office():
    for name in ("soffice", "libreoffice"):
        path = shutil.which(name)
        if path:
            return path
    return None


def convert(office, source, out_dir):
    os.makedirs(out_dir, exist_ok=True)
    profile = tempfile.mkdtemp(prefix="brisolt-calc-")
    try:
        subprocess.run([office, "--headless", "--norestore", "-env:UserInstallation=file://" + profile,
                        "--convert-to", "xlsx", "--outdir", out_dir, source],
                       capture_output=True, timeout=300, check=False)
    finally:
        shutil.rmtree(profile, ignore_errors=True)
    target = os.path.join(out_dir, os.path.splitext(os.path.basename(source))[0] + ".xlsx")
    return target if os.path.exists(target) else None


class Workbook:
    """The sheets of an xlsx file: names in order, and per sheet its cells and merged ranges."""

    def __init__(self, path):
        with zipfile.ZipFile(path) as archive:
            shared = []
            if "xl/sharedStrings.xml" in archive.namelist():
                for item in ET.fromstring(archive.read("xl/sharedStrings.xml")).findall("m:si", NS):
                    shared.append("".join(t.text or "" for t in item.iter("{%s}t" % NS["m"])))
            book = ET.fromstring(archive.read("xl/workbook.xml"))
            rels = ET.fromstring(archive.read("xl/_rels/workbook.xml.rels"))
            targets = {rel.get("Id"): rel.get("Target") for rel in rels.findall("rel:Relationship", NS)}
            self.names = []
            self.sheets = {}
            for sheet in book.find("m:sheets", NS).findall("m:sheet", NS):
                name = sheet.get("name")
                self.names.append(name)
                target = targets[sheet.get("{%s}id" % NS["r"])].lstrip("/")
                if not target.startswith("xl/"):
                    target = "xl/" + target
                self.sheets[name] = self._read_sheet(ET.fromstring(archive.read(target)), shared)

    @staticmethod
    def _read_sheet(root, shared):
        cells = {}
        for cell in root.iter("{%s}c" % NS["m"]):
            kind = cell.get("t", "n")
            value = cell.find("m:v", NS)
            text = value.text if value is not None else ""
            if kind == "s":
                text = shared[int(text)]
            elif kind == "inlineStr":
                text = "".join(t.text or "" for t in cell.iter("{%s}t" % NS["m"]))
            cells[cell.get("r")] = ("number" if kind == "n" else "string", text)
        merges = {m.get("ref") for m in root.iter("{%s}mergeCell" % NS["m"])}
        pane = root.find("m:sheetViews/m:sheetView/m:pane", NS)
        frozen = None
        if pane is not None and pane.get("state") in ("frozen", "frozenSplit"):
            frozen = (int(float(pane.get("ySplit", "0"))), int(float(pane.get("xSplit", "0"))))
        autofilter = root.find("m:autoFilter", NS)
        return {"cells": cells, "merges": merges, "frozen": frozen,
                "filter": autofilter.get("ref") if autofilter is not None else None}


class Checks:
    def __init__(self, label):
        self.label = label
        self.failed = 0

    def expect(self, name, ok, detail=""):
        print("%s %s: %s%s" % ("PASS" if ok else "FAIL", self.label, name, "" if ok else " :: " + detail))
        if not ok:
            self.failed += 1

    def cell(self, book, sheet, ref, expected, kind="string"):
        actual = book.sheets[sheet]["cells"].get(ref, (None, ""))
        if kind == "number":
            ok = actual[0] == "number" and actual[1] != "" and abs(float(actual[1]) - expected) < 1e-9
        else:
            ok = actual == ("string", expected)
        self.expect("%s!%s = %r" % (sheet, ref, expected), ok, "got %r" % (actual,))

    def merged(self, book, sheet, ranges, present=True):
        merges = book.sheets[sheet]["merges"]
        for ref in ranges:
            self.expect("%s %s %s" % (sheet, ref, "merged" if present else "not merged"),
                        (ref in merges) == present, "merges %s" % sorted(merges))


def check_full(book, layout, checks):
    checks.expect("sheet names", book.names == FULL_SHEETS, "got %s" % book.names)
    checks.cell(book, "Протокол", "A1", "Протокол сверки начисленных и уплаченных сумм по сведениям в ПФР")
    checks.cell(book, "Протокол", "A5", "Наименование страхователя: ООО \"Рога & Копыта\" <Север>")
    checks.cell(book, "Протокол", "A15", "Дубль <ИСХОДНАЯ> & повтор: 123-456-789 01")
    table = "Таблица"
    notes = ("Ошибка: 1/2010 - превыш. страх.: нач. 100.00, упл. 120.00\n"
             "Предупреждение: 2/2010 - превыш. базы? 420000.00 р\n"
             "Ошибка: 2/2010 - превыш. накоп.: нач. 45.00, упл. <45.01>")
    if layout == "compact":
        checks.cell(book, table, "A4", "123-456-789 01")
        checks.cell(book, table, "B4", "Иванов  Иван Иванович")
        checks.cell(book, table, "C4", "-")
        checks.cell(book, table, "D5", "2 полугодие 2010 г.")
        checks.cell(book, table, "E5", "1, 2")
        checks.cell(book, table, "J4", -20, "number")
        checks.cell(book, table, "O5", -0.01, "number")
        checks.cell(book, table, "L5", 15.01, "number")
        checks.cell(book, table, "P4", notes)
        checks.cell(book, table, "C6", "15.05.2010")
        checks.cell(book, table, "C8", "Отсутствует")
        checks.merged(book, table, ["A1:A3", "F1:J1", "K1:O1", "P1:P3", "F2:G2", "H2:J2",
                                    "A4:A5", "B4:B5", "C4:C5", "P4:P5", "A8:A9"])
    else:
        checks.cell(book, table, "D1", "1 полугодие 2010 г.")
        checks.cell(book, table, "O1", "2 полугодие 2010 г.")
        checks.cell(book, table, "O2", "№ файла (№№ файлов)")
        checks.cell(book, table, "A5", "123-456-789 01")
        checks.cell(book, table, "C5", "-")
        checks.cell(book, table, "D5", "1")
        checks.cell(book, table, "I5", -20, "number")
        checks.cell(book, table, "O5", "1, 2")
        checks.cell(book, table, "Y5", -0.01, "number")
        checks.cell(book, table, "Z5", notes)
        checks.cell(book, table, "C7", "Отсутствует")
        checks.cell(book, table, "P7", -1, "number")
        checks.merged(book, table, ["A1:A4", "D1:N1", "O1:Y1", "Z1:Z4", "D2:D4", "E2:I2",
                                    "J2:N2", "O2:O4", "E3:F3", "G3:I3", "P3:Q3"])
        checks.merged(book, table, ["A5:A6"], present=False)
    totals = "Итоги по всем ЗЛ"
    checks.cell(book, totals, "A4", "1 полугодие 2010 г.")
    checks.cell(book, totals, "B4", 100, "number")
    checks.cell(book, totals, "D4", -399.75, "number")
    checks.cell(book, totals, "S5", -297.9, "number")
    checks.merged(book, totals, ["A1:A3", "B1:J1", "K1:S1", "B2:D2", "E2:G2", "Q2:S2"])
    forgotten = "Забытые сотрудники"
    checks.cell(book, forgotten, "A3", "987-654-321 09")
    checks.cell(book, forgotten, "C3", 100, "number")
    checks.cell(book, forgotten, "B4", "Сидоров & сын")
    checks.cell(book, forgotten, "D4", 2, "number")
    checks.merged(book, forgotten, ["A1:A2", "B1:B2", "C1:D1"])
    sverka = "Сверка СЗВ-6-3 2012 год"
    checks.cell(book, sverka, "A1", "Сверка СЗВ-6-3 за 2012 год")
    checks.cell(book, sverka, "C5", "НР")
    checks.cell(book, sverka, "F5", -0.03, "number")
    checks.cell(book, sverka, "C6", "ВЖНР")
    checks.cell(book, sverka, "F6", 10, "number")
    checks.cell(book, sverka, "A7", "987-654-321 09")
    checks.cell(book, sverka, "L7", 0.04, "number")
    checks.merged(book, sverka, ["A1:O1", "A2:O2", "A3:A4", "D3:F3", "M3:O3", "A5:A6", "B5:B6"])
    checks.merged(book, sverka, ["A7:A7", "A7:A8"], present=False)


def check_one_period(book, layout, checks):
    checks.expect("four sheets without СЗВ-6-3 blocks", book.names == FULL_SHEETS[:4],
                  "got %s" % book.names)
    table = "Таблица"
    row = "4" if layout == "compact" else "5"
    checks.cell(book, table, "A" + row, "000-111-222 33")
    checks.cell(book, table, "C" + row, "-")
    amount = "F" if layout == "compact" else "E"
    checks.cell(book, table, amount + row, 660, "number")
    checks.cell(book, "Итоги по всем ЗЛ", "B4", 660, "number")
    checks.cell(book, "Забытые сотрудники", "A3", "Проблем не обнаружено")
    checks.merged(book, "Забытые сотрудники", ["A3:D3"])


STAMP = re.compile(r"\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d")


def comparable(sheet):
    """Cells with a value, the moment of writing masked; an empty text is no value."""
    cells = {}
    for ref, (kind, text) in sheet["cells"].items():
        if text == "":
            continue
        cells[ref] = (kind, float(text) if kind == "number" else STAMP.sub("{stamp}", text))
    return cells


def repeated_down(sheet, filter_ref):
    """The XML spreadsheet's sheet as the XLSX writes it where it has a filter: what is merged down
    over rows under the filter's header is repeated on each row, so that filtering keeps it; but a
    person's notes, in the filter's last column, stand once, on the person's first row."""
    if not filter_ref:
        return sheet
    first_data_row = int(re.sub(r"[A-Z]+", "", filter_ref.split(":")[0])) + 1
    notes_column = column_number(filter_ref.split(":")[1])
    cells, merges = dict(sheet["cells"]), set()
    for ref in sheet["merges"]:
        first, last = ref.split(":")
        top, bottom = int(re.sub(r"[A-Z]+", "", first)), int(re.sub(r"[A-Z]+", "", last))
        if top < first_data_row or bottom == top:
            merges.add(ref)
            continue
        if column_number(first) == notes_column:
            continue
        for row in range(top + 1, bottom + 1):
            for column in range(column_number(first), column_number(last) + 1):
                cells["%s%d" % (column_name(column), row)] = cells.get(first, ("string", ""))
    return dict(sheet, cells=cells, merges=merges)


def compare_books(xlsx, xml, checks):
    checks.expect("same sheets as the XML spreadsheet", xlsx.names == xml.names,
                  "%s against %s" % (xlsx.names, xml.names))
    for name in xml.names:
        if name not in xlsx.sheets:
            continue
        xml_sheet = repeated_down(xml.sheets[name], xlsx.sheets[name]["filter"])
        ours, theirs = comparable(xlsx.sheets[name]), comparable(xml_sheet)
        differing = sorted(ref for ref in set(ours) | set(theirs) if ours.get(ref) != theirs.get(ref))
        checks.expect("%s: every cell as in the XML spreadsheet (%d cells)" % (name, len(theirs)),
                      not differing,
                      "; ".join("%s: %r against %r" % (ref, ours.get(ref), theirs.get(ref))
                                for ref in differing[:5]))
        checks.expect("%s: the merges of the XML spreadsheet" % name,
                      xlsx.sheets[name]["merges"] == xml_sheet["merges"],
                      "extra %s, missing %s" % (
                          sorted(xlsx.sheets[name]["merges"] - xml_sheet["merges"]),
                          sorted(xml_sheet["merges"] - xlsx.sheets[name]["merges"])))


def last_row(sheet):
    return max(int(re.sub(r"[A-Z]+", "", ref)) for ref in sheet["cells"])


def column_number(ref):
    number = 0
    for letter in re.sub(r"\d+", "", ref):
        number = number * 26 + ord(letter) - ord("A") + 1
    return number


def column_name(number):
    name = ""
    while number:
        number, rest = divmod(number - 1, 26)
        name = chr(ord("A") + rest) + name
    return name


def check_views(book, layout, checks, where, panes=True):
    """Frozen panes on the person table, the forgotten persons and the СЗВ-6-3 sheet; filters on
    the person table and the СЗВ-6-3 sheet, from the last header row to the last row. A headless
    Calc has no view, so what it saves carries no panes: there only the filters are checked."""
    table = book.sheets["Таблица"]
    head = 3 if layout == "compact" else 4
    columns = max(column_number(ref) for ref in table["cells"])
    expected = (head, 5 if layout == "compact" else 3)
    if panes:
        checks.expect("%s: Таблица frozen at %s" % (where, expected), table["frozen"] == expected,
                      "got %s" % (table["frozen"],))
    ref = "A%d:%s%d" % (head, column_name(columns), last_row(table))
    checks.expect("%s: Таблица filter %s" % (where, ref), table["filter"] == ref,
                  "got %s" % table["filter"])
    forgotten = book.sheets["Забытые сотрудники"]
    if panes:
        checks.expect("%s: Забытые сотрудники frozen" % where, forgotten["frozen"] == (2, 0),
                      "got %s" % (forgotten["frozen"],))
    checks.expect("%s: Забытые сотрудники without a filter" % where, forgotten["filter"] is None,
                  "got %s" % forgotten["filter"])
    for name in book.names:
        if name.startswith("Сверка СЗВ-6-3"):
            sverka = book.sheets[name]
            if panes:
                checks.expect("%s: %s frozen with its captions" % (where, name),
                              sverka["frozen"] == (4, 0), "got %s" % (sverka["frozen"],))
            ref = "A4:O%d" % last_row(sverka)
            checks.expect("%s: %s filter %s" % (where, name, ref), sverka["filter"] == ref,
                          "got %s" % sverka["filter"])


def check_xlsx(office, xlsx_path, xml_book, layout, work, checks):
    """The XLSX protocol against the XML one of the same report (as Calc read it)."""
    check_views(Workbook(xlsx_path), layout, checks, "as written")
    from_xlsx = convert(office, xlsx_path, os.path.join(work, "calc-from-xlsx"))
    if not from_xlsx:
        checks.expect("Calc converts the XLSX workbook", False, xlsx_path)
        return
    calc_book = Workbook(from_xlsx)
    compare_books(calc_book, xml_book, checks)
    check_views(calc_book, layout, checks, "in Calc", panes=False)


def batch_runs(office, brisolt, packgen, work):
    """The program's own protocols of a sample and a generated folder, as XML and as XLSX."""
    failed = 0
    sample = os.path.join(work, "packs-sample")
    generated = os.path.join(work, "packs-generated")
    for folder, options in ((sample, ["--sample"]),
                            (generated, ["--seed", "7", "--persons", "40", "--periods", "9"])):
        shutil.rmtree(folder, ignore_errors=True)
        subprocess.run([packgen, "--out", folder] + options, check=True, capture_output=True)
    for name, folder, layout in (("sample", sample, "compact"), ("sample", sample, "detailed"),
                                 ("generated", generated, "compact")):
        checks = Checks("batch_%s_%s" % (name, layout))
        paths = {}
        for extension in ("xml", "xlsx"):
            paths[extension] = os.path.join(work, "batch_%s_%s.%s" % (name, layout, extension))
            run = subprocess.run([brisolt, "/regnumb=087-001-012345", "/path=" + folder,
                                  "/orgname=ООО Ромашка", "/protformat=1",
                                  "/protform=%d" % (layout == "detailed"),
                                  "/protfilename=" + paths[extension]],
                                 capture_output=True, text=True, check=False)
            checks.expect("batch run writes the .%s protocol" % extension, run.returncode == 0,
                          run.stderr)
        from_xml = convert(office, paths["xml"], os.path.join(work, "calc-from-xml"))
        if not from_xml or not os.path.exists(paths["xlsx"]):
            checks.expect("Calc converts the XML workbook", False, paths["xml"])
        else:
            check_xlsx(office, paths["xlsx"], Workbook(from_xml), layout, work, checks)
        failed += checks.failed
    return failed


SS = "{urn:schemas-microsoft-com:office:spreadsheet}"
ODF = {"style": "urn:oasis:names:tc:opendocument:xmlns:style:1.0",
       "table": "urn:oasis:names:tc:opendocument:xmlns:table:1.0"}
PERSON_STYLES = {"norm": None, "p": None, "hv": "#66ffff", "hvp": "#66ffff"}


def convert_to(office, source, out_dir, target_format, env=None, infilter=None):
    """Like convert, to any format; env picks the locale of a fresh Calc profile."""
    os.makedirs(out_dir, exist_ok=True)
    profile = tempfile.mkdtemp(prefix="brisolt-calc-")
    try:
        subprocess.run([office, "--headless", "--norestore", "-env:UserInstallation=file://" + profile]
                       + (["--infilter=" + infilter] if infilter else [])
                       + ["--convert-to", target_format, "--outdir", out_dir, source],
                       capture_output=True, timeout=300, check=False,
                       env=dict(os.environ, **(env or {})))
    finally:
        shutil.rmtree(profile, ignore_errors=True)
    extension = target_format.split(":")[0]
    target = os.path.join(out_dir, os.path.splitext(os.path.basename(source))[0] + "." + extension)
    return target if os.path.exists(target) else None


def asked_widths(worksheet):
    """The widths in points the XML spreadsheet gives its columns, by 1-based column."""
    widths = {}
    column = 0
    for element in worksheet.iter(SS + "Column"):
        column = int(element.get(SS + "Index", column + 1))
        for _ in range(int(element.get(SS + "Span", "0")) + 1):
            widths[column] = float(element.get(SS + "Width"))
            column += 1
        column -= 1
    return widths


def to_points(length):
    for unit, factor in (("in", 72.0), ("cm", 72 / 2.54), ("mm", 72 / 25.4), ("pt", 1.0)):
        if length.endswith(unit):
            return float(length[:-len(unit)]) * factor
    raise ValueError(length)


class FlatSheets:
    """A flat ODF spreadsheet as Calc saved it: per table its column widths in points, and its
    cells as (text, background colour or None)."""

    def __init__(self, path):
        root = ET.parse(path).getroot()
        style, table = "{%s}" % ODF["style"], "{%s}" % ODF["table"]
        widths, fills = {}, {}
        for element in root.iter(style + "style"):
            name = element.get(style + "name")
            for props in element:
                width = props.get(style + "column-width")
                if width:
                    widths[name] = to_points(width)
                fill = props.get("{urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0}"
                                 "background-color")
                if fill and fill != "transparent":
                    fills[name] = fill.lower()
        self.widths, self.cells = {}, {}
        for sheet in root.iter(table + "table"):
            name = sheet.get(table + "name")
            columns, defaults = [], []
            for column in sheet.iter(table + "table-column"):
                count = int(column.get(table + "number-columns-repeated", "1"))
                columns += [widths.get(column.get(table + "style-name"))] * count
                defaults += [column.get(table + "default-cell-style-name")] * count
            self.widths[name] = columns
            cells = {}
            row = 0
            for row_element in sheet.iter(table + "table-row"):
                col = 0
                for cell in row_element:
                    count = int(cell.get(table + "number-columns-repeated", "1"))
                    text = "\n".join("".join(p.itertext()) for p in cell)
                    style_name = cell.get(table + "style-name") or (
                        defaults[col] if col < len(defaults) else None)
                    if text:
                        cells[(row, col)] = (text, fills.get(style_name))
                    col += count
                row += int(row_element.get(table + "number-rows-repeated", "1"))
            self.cells[name] = cells


def check_examples_workbook(office, brisolt, work):
    """The workbook of the bundled example folder (protformat=2, the one for Calc) as Calc renders
    it: every sheet's columns as wide as the workbook asks, and the fill of a person's СНИЛС and
    name cells only where their style has one (a debt left at dismissal)."""
    checks = Checks("examples_in_calc")
    examples = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "examples")
    source = os.path.join(work, "examples.xml")
    run = subprocess.run([brisolt, "/regnumb=087-001-012345", "/path=" + examples,
                          "/orgname=ООО Ромашка", "/protformat=2", "/protfilename=" + source],
                         capture_output=True, text=True, check=False)
    checks.expect("batch run writes the examples' workbook", run.returncode == 0, run.stderr)
    flat = convert_to(office, source, os.path.join(work, "calc-fods"), "fods") if run.returncode == 0 else None
    if not flat:
        checks.expect("Calc converts the examples' workbook to fods", False, source)
        return checks.failed
    page = os.path.join(work, "examples.html")
    run = subprocess.run([brisolt, "/regnumb=087-001-012345", "/path=" + examples,
                          "/orgname=ООО Ромашка", "/protfilename=" + page],
                         capture_output=True, text=True, check=False)
    checks.expect("batch run writes the examples' page", run.returncode == 0, run.stderr)
    if run.returncode == 0:
        checks.failed += check_html_in_russian_calc(office, page, work)
    rendered = FlatSheets(flat)
    workbook = ET.parse(source).getroot()
    person_styles = {}
    for worksheet in workbook.iter(SS + "Worksheet"):
        name = worksheet.get(SS + "Name")
        asked = asked_widths(worksheet)
        got = rendered.widths.get(name, [])
        wrong = ["%d: %s pt for %s" % (column, got[column - 1] if column <= len(got) else None, width)
                 for column, width in sorted(asked.items())
                 if column > len(got) or got[column - 1] is None or abs(got[column - 1] - width) > 0.6]
        checks.expect("%s: %d columns as wide as asked" % (name, len(asked)), not wrong, "; ".join(wrong[:5]))
        if name == "Таблица":
            for cell in worksheet.iter(SS + "Cell"):
                style = cell.get(SS + "StyleID")
                data = cell.find(SS + "Data")
                if style in PERSON_STYLES and data is not None and data.text:
                    person_styles[data.text] = style
    checks.expect("the examples have persons with and without a fill",
                  {PERSON_STYLES[style] for style in person_styles.values()} == {None, "#66ffff"},
                  "styles %s" % sorted(set(person_styles.values())))
    shown = {}
    for (row, col), (text, fill) in rendered.cells.get("Таблица", {}).items():
        if col in (0, 1) and text in person_styles:
            shown.setdefault(text, set()).add(fill)
    for text, style in sorted(person_styles.items()):
        checks.expect("Таблица: %r (%s) filled %s" % (text, style, PERSON_STYLES[style]),
                      shown.get(text) == {PERSON_STYLES[style]}, "shown %s" % shown.get(text))
    return checks.failed


def float_cells(flat_path):
    """The number cells of a flat ODF spreadsheet as (value, shown text), and its text cells."""
    table = "{%s}" % ODF["table"]
    office = "{urn:oasis:names:tc:opendocument:xmlns:office:1.0}"
    numbers, texts = [], []
    for cell in ET.parse(flat_path).getroot().iter(table + "table-cell"):
        shown = "\n".join("".join(p.itertext()) for p in cell)
        count = int(cell.get(table + "number-columns-repeated", "1"))
        if cell.get(office + "value-type") == "float":
            numbers += [(float(cell.get(office + "value")), shown)] * count
        elif shown:
            texts.append(shown)
    return numbers, texts


def check_html_in_russian_calc(office, source, work):
    """The HTML protocol opened in a Russian Calc: every amount cell a number with its own value,
    shown grouped with a decimal comma; no amount left as text."""
    checks = Checks("html_in_russian_calc " + os.path.basename(source))
    with open(source, encoding="cp1251") as page:
        values = [float(value) for value in re.findall(r'<td[^>]* sdval="([^"]*)"', page.read())]
    checks.expect("the page marks its amount cells", len(values) > 50, "%d marked" % len(values))
    # The filter Calc opens a page and takes a pasted one with; a fresh profile takes the locale.
    flat = convert_to(office, source, os.path.join(work, "calc-html"), "fods",
                      env={"LANG": "ru_RU.UTF-8", "LC_ALL": "ru_RU.UTF-8"},
                      infilter="HTML (StarCalc)") if values else None
    if not flat:
        checks.expect("Calc converts the page", False, source)
        return checks.failed
    numbers, texts = float_cells(flat)
    remaining = [value for value, _ in numbers]
    missing = []
    for value in values:
        if value in remaining:
            remaining.remove(value)
        else:
            missing.append(value)
    checks.expect("every amount a number in Calc", not missing, "missing %s" % missing[:5])
    left_as_text = [text for text in texts if re.fullmatch(r"\s*-?\d+[.,]\d\d\s*", text)]
    checks.expect("no amount left as text", not left_as_text, "%s" % left_as_text[:5])
    # Bare integers are the page's other numbers (file numbers), which Calc reads as such.
    wrong = ["%s shown %r" % (value, text) for value, text in numbers
             if value in values and not text.isdigit()
             and text.replace("\u00a0", " ") != format(value, ",.2f").replace(",", " ").replace(".", ",")]
    checks.expect("amounts shown grouped with a decimal comma (largest %s)" % max(map(abs, values)),
                  not wrong, "; ".join(wrong[:5]))
    return checks.failed


def main():
    writer, work = sys.argv[1], sys.argv[2]
    brisolt, packgen = (sys.argv[3], sys.argv[4]) if len(sys.argv) > 4 else (None, None)
    office = find_office()
    if not office:
        print("LibreOffice is not installed: skipped")
        return SKIP
    os.makedirs(work, exist_ok=True)
    subprocess.run([writer, work], check=True)
    failed = 0
    for name, check in (("full", check_full), ("one_period", check_one_period)):
        for layout in ("compact", "detailed"):
            source = os.path.join(work, "%s_%s.xml" % (name, layout))
            checks = Checks("%s_%s" % (name, layout))
            converted = convert(office, source, os.path.join(work, "calc-from-xml"))
            if not converted:
                checks.expect("Calc converts the workbook", False, source)
                failed += checks.failed
                continue
            book = Workbook(converted)
            check(book, layout, checks)
            xlsx = os.path.join(work, "%s_%s.xlsx" % (name, layout))
            if os.path.exists(xlsx):
                check_xlsx(office, xlsx, book, layout, work, checks)
            failed += checks.failed
    failed += check_html_in_russian_calc(office, os.path.join(work, "full_compact.html"), work)
    if brisolt and packgen:
        failed += batch_runs(office, brisolt, packgen, work)
        failed += check_examples_workbook(office, brisolt, work)
    print("all spreadsheet checks passed" if not failed else "%d spreadsheet checks FAILED" % failed)
    return 0 if not failed else 1


if __name__ == "__main__":
    sys.exit(main())
