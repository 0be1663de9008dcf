#!/usr/bin/python3
"""Writes the workbooks of rows in the forms other programs give them, for
the test that reads each sheet both with the quick row reader and with the
general XML reader. Run from anywhere (needs python3-openpyxl and soffice):
/usr/bin/python3 tests/data/make_rows_fixtures.py
The generated files are committed, so the tests never need either.

rows_openpyxl.xlsx     a price table (dates, numbers, texts, Booleans,
                       errors, styled blanks, custom row heights), a sheet
                       of formulas without results, a sheet with a hidden
                       row and an outline level
rows_libreoffice.xlsx  the same workbook saved again by LibreOffice
                       headless: formulas with cached results, spans,
                       rich text in the shared strings
"""
import datetime
import os
import shutil
import subprocess
import tempfile

from openpyxl import Workbook
from openpyxl.styles import Font, PatternFill

HERE = os.path.dirname(os.path.abspath(__file__))


def make_openpyxl(path):
    wb = Workbook()
    prices = wb.active
    prices.title = "Prices"
    prices.append(["Date", "Open", "High", "Low", "Close", "Volume", "Note", "Flag"])
    day = datetime.datetime(2024, 1, 2)
    for i in range(60):
        row = 2 + i
        prices.cell(row, 1, day + datetime.timedelta(days=i)).number_format = "dd.mm.yyyy"
        prices.cell(row, 2, 100 + i * 0.25)
        prices.cell(row, 3, 101.5 + i * 0.25)
        prices.cell(row, 4, 99.125 - i * 0.001)
        prices.cell(row, 5, -1.5e-10 if i == 7 else 100.75 + i)
        prices.cell(row, 6, 1000000 + i * 12345)
        if i % 5 == 0:
            prices.cell(row, 7, "split" if i % 10 == 0 else "  spaced  ")
        if i % 7 == 0:
            prices.cell(row, 8, i % 14 == 0)
    error = prices.cell(30, 7, "#N/A")
    error.data_type = "e"
    prices.cell(31, 7, "Ünïcödé € ✓ <&>")
    prices.cell(32, 9).fill = PatternFill("solid", fgColor="FFFFFF00")  # a styled blank
    prices.cell(33, 2).font = Font(bold=True)
    prices.row_dimensions[5].height = 30
    prices.row_dimensions[70].height = 12.75  # a height on a row without cells

    formulas = wb.create_sheet("Formulas")
    for r in range(1, 11):
        formulas.cell(r, 1, r * 1.5)
        formulas.cell(r, 2, "=A%d*2" % r)
        formulas.cell(r, 3, '=IF(A%d>5,"big","small")' % r)

    outline = wb.create_sheet("Outline")
    for r in range(1, 8):
        outline.cell(r, 1, r)
        outline.cell(r, 2, "t%d" % r)
    outline.row_dimensions[3].hidden = True
    outline.row_dimensions[4].outlineLevel = 1
    wb.save(path)


def main():
    ours = os.path.join(HERE, "rows_openpyxl.xlsx")
    make_openpyxl(ours)
    with tempfile.TemporaryDirectory() as tmp:
        source = os.path.join(tmp, "rows_libreoffice.xlsx")
        shutil.copy(ours, source)
        out = os.path.join(tmp, "out")
        subprocess.run(["soffice", "--headless", "-env:UserInstallation=file://" + tmp + "/profile",
                        "--convert-to", "xlsx:Calc MS Excel 2007 XML", "--outdir", out, source],
                       check=True, stdout=subprocess.DEVNULL)
        shutil.copy(os.path.join(out, "rows_libreoffice.xlsx"), os.path.join(HERE, "rows_libreoffice.xlsx"))


if __name__ == "__main__":
    main()
