#!/usr/bin/python3
"""Writes the golden table of the formula engine: tests/data/formula_golden.tsv.

The cases (tools/formula_golden_cases.py) are written into a workbook with
openpyxl beside a sheet of inputs ("In"), LibreOffice headless computes them
(--convert-to xlsx) and the results it stored are read back with openpyxl.
The inputs alone go to tests/data/formula_golden_inputs.xlsx, which the
C++ test loads before it writes the same formulas.

Run from the source root:  /usr/bin/python3 tools/formula_golden.py
"""
import datetime
import os
import shutil
import subprocess
import sys
import tempfile

import openpyxl
from openpyxl.utils.datetime import to_excel
from openpyxl.workbook.defined_name import DefinedName

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from formula_golden_cases import CASES  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DATA = os.path.join(ROOT, "tests", "data")


def write_inputs(wb):
    ws = wb.active
    ws.title = "In"
    column_a = [1, 2, 3, "abc", None, True, "=1/0", "12", -2.5, 0]
    for row, value in enumerate(column_a, start=1):
        if value is not None:
            ws.cell(row=row, column=1, value=value)
    ws["A8"].data_type = "s"
    for row in range(1, 11):
        ws.cell(row=row, column=2, value=row * 10)
    for row, serial in enumerate([45306, 45351, 45291, 1, 61], start=1):
        ws.cell(row=row, column=3, value=serial)
    for row, (key, value) in enumerate(zip(["apple", "banana", "cherry", "date", "fig"], [1.5, 2.5, 3.5, 4.5, 5.5]), 1):
        ws.cell(row=row, column=4, value=key)
        ws.cell(row=row, column=5, value=value)
    for row, (f, g) in enumerate(zip([2, 4, 4, 4, 5, 5, 7, 9], [1, 3, 2, 5, 4, 6, 8, 7]), start=1):
        ws.cell(row=row, column=6, value=f)
        ws.cell(row=row, column=7, value=g)
    for row, value in enumerate([-100, 30, 40, 50], start=1):
        ws.cell(row=row, column=8, value=value)
    name = DefinedName("Rates", attr_text="In!$B$1:$B$3")
    if hasattr(wb.defined_names, "add"):
        wb.defined_names.add(name)
    else:
        wb.defined_names.append(name)


def describe(cell):
    value = cell.value
    if value is None:
        return "empty", ""
    if cell.data_type == "e":
        return "e", str(value)
    if isinstance(value, bool):
        return "b", "TRUE" if value else "FALSE"
    if isinstance(value, (datetime.datetime, datetime.date, datetime.time)):
        if isinstance(value, datetime.time):
            serial = (value.hour * 3600 + value.minute * 60 + value.second + value.microsecond / 1e6) / 86400
        else:
            serial = to_excel(value)
        return "n", repr(float(serial))
    if isinstance(value, (int, float)):
        return "n", repr(float(value))
    text = str(value)
    if text.startswith("#") and text in ("#N/A", "#DIV/0!", "#VALUE!", "#REF!", "#NAME?", "#NUM!", "#NULL!"):
        return "e", text
    return "s", text


def main():
    for formula, _ in CASES:
        if "\t" in formula or "\n" in formula:
            raise SystemExit("a case holds a tab or a line break: " + formula)
    os.makedirs(DATA, exist_ok=True)
    inputs = openpyxl.Workbook()
    write_inputs(inputs)
    inputs.save(os.path.join(DATA, "formula_golden_inputs.xlsx"))

    with tempfile.TemporaryDirectory() as tmp:
        wb = openpyxl.Workbook()
        write_inputs(wb)
        cases = wb.create_sheet("Cases")
        for row, (formula, _) in enumerate(CASES, start=1):
            cases.cell(row=row, column=1, value=formula)
        source = os.path.join(tmp, "cases.xlsx")
        wb.save(source)
        out = os.path.join(tmp, "out")
        os.makedirs(out)
        profile = "file://" + os.path.join(tmp, "profile")
        subprocess.run(["soffice", "-env:UserInstallation=" + profile, "--headless", "--convert-to", "xlsx",
                        "--outdir", out, source], check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        computed = openpyxl.load_workbook(os.path.join(out, "cases.xlsx"), data_only=True)["Cases"]
        lines = ["# formula\ttype\tvalue\tsource (lo: LibreOffice computed it; doc: the function's definition)"]
        by_hand = 0
        for row, (formula, expected) in enumerate(CASES, start=1):
            kind, value = describe(computed.cell(row=row, column=1))
            source_name = "lo"
            if expected is not None:
                if not (kind == "e" and value == "#NAME?"):
                    raise SystemExit("LibreOffice now computes %s: drop the hand expectation" % formula)
                kind, value = expected[0], expected[1] if expected[0] != "n" else repr(float(expected[1]))
                source_name = "doc"
                by_hand += 1
            lines.append("\t".join([formula, kind, value, source_name]))
        with open(os.path.join(DATA, "formula_golden.tsv"), "w", encoding="utf-8") as f:
            f.write("\n".join(lines) + "\n")
    print("%d cases, %d by hand" % (len(CASES), by_hand))


if __name__ == "__main__":
    if shutil.which("soffice") is None:
        raise SystemExit("soffice (LibreOffice) is needed")
    main()
