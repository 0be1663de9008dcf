#!/usr/bin/python3
"""Writes the sheet-features round-trip corpus: workbooks holding hidden and
grouped rows and columns, tab colours, hidden gridlines, page break preview,
split panes, array formulas, very hidden sheets and cells beyond column IV,
as two other programs write them.

  sheet_features_openpyxl.xlsx      written by openpyxl
  sheet_features_libreoffice.xlsx   the same workbook opened and saved again
                                    by LibreOffice (headless)

Run from anywhere: /usr/bin/python3 tests/data/make_sheet_features_corpus.py
The files are committed; the tests only read them.
"""
import os
import shutil
import subprocess
import tempfile

import openpyxl

HERE = os.path.dirname(os.path.abspath(__file__))


def build(path):
    wb = openpyxl.Workbook()
    data = wb.active
    data.title = "Data"
    data.sheet_properties.tabColor = "FF0000"
    data.sheet_view.showGridLines = False
    for r in range(1, 21):
        data.cell(row=r, column=1, value=r)
        data.cell(row=r, column=2, value="row %d" % r)
    data.row_dimensions.group(5, 8, outline_level=1, hidden=True)
    data.row_dimensions.group(6, 7, outline_level=2, hidden=True)
    data.row_dimensions[12].hidden = True
    data.column_dimensions.group("D", "E", outline_level=1, hidden=True)
    data.column_dimensions["G"].hidden = True
    data["C1"] = "=A1:A3*2"
    data.formula_attributes["C1"] = {"t": "array", "ref": "C1:C3"}
    data["C2"] = 4
    data["C3"] = 6
    data["IW1"] = "beyond column IV"

    preview = wb.create_sheet("Preview")
    preview.sheet_view.view = "pageBreakPreview"
    preview.sheet_view.zoomScale = 85
    preview.sheet_view.showZeros = False
    preview.sheet_properties.tabColor = "00B050"
    for r in range(1, 6):
        preview.cell(row=r, column=1, value=0)
        preview.cell(row=r, column=2, value=r * 1.5)

    split = wb.create_sheet("Split")
    split.sheet_view.pane = openpyxl.worksheet.views.Pane(
        xSplit=3000, ySplit=2000, topLeftCell="D6", activePane="bottomRight", state="split")
    split["A1"] = "split panes"

    secret = wb.create_sheet("Secret")
    secret.sheet_state = "veryHidden"
    secret["A1"] = "very hidden"
    wb.save(path)


def main():
    ours = os.path.join(HERE, "sheet_features_openpyxl.xlsx")
    build(ours)
    with tempfile.TemporaryDirectory() as tmp:
        source = os.path.join(tmp, "sheet_features_libreoffice.xlsx")
        shutil.copy(ours, source)
        out = os.path.join(tmp, "out")
        subprocess.run(["soffice", "--headless", "-env:UserInstallation=file://" + tmp + "/profile",
                        "--convert-to", "xlsx:Calc MS Excel 2007 XML", "--outdir", out, source],
                       check=True, stdout=subprocess.DEVNULL)
        shutil.copy(os.path.join(out, "sheet_features_libreoffice.xlsx"),
                    os.path.join(HERE, "sheet_features_libreoffice.xlsx"))


if __name__ == "__main__":
    main()
