#!/usr/bin/python3
"""Writes the workbooks of the round-trip corpus for the workbook settings
tests: files two other programs saved, each with the 1904 date system,
names local to sheets, a default font other than Calibri 11 and formats the
model once flattened. Run from anywhere (needs soffice and python3-openpyxl):
/usr/bin/python3 tests/data/make_settings_fixtures.py
The generated files are committed, so the tests never need either program.

settings_openpyxl.xlsx     openpyxl: 1904 dates, local and hidden names,
                           strikethrough, rotation, indent, centre across,
                           a patterned fill, shrink to fit, manual
                           calculation, structure protection, third tab
                           active
settings_libreoffice.xlsx  LibreOffice (from settings_libreoffice.fods):
                           1904 dates, a name local to each of two sheets,
                           Arial 10 as the default font, fills and fonts
"""
import datetime
import os
import shutil
import subprocess
import tempfile

from openpyxl import Workbook
from openpyxl.styles import Alignment, Font, PatternFill
from openpyxl.utils.datetime import CALENDAR_MAC_1904
from openpyxl.workbook.defined_name import DefinedName
from openpyxl.workbook.properties import CalcProperties
from openpyxl.workbook.protection import WorkbookProtection

HERE = os.path.dirname(os.path.abspath(__file__))


def make_openpyxl(path):
    wb = Workbook()
    wb.epoch = CALENDAR_MAC_1904
    data = wb.active
    data.title = "Data"
    notes = wb.create_sheet("Notes")
    third = wb.create_sheet("Third")
    data["A1"] = datetime.date(2024, 1, 2)
    data["A1"].number_format = "yyyy-mm-dd"
    data["A2"] = datetime.datetime(1999, 12, 31, 18, 0)
    data["A2"].number_format = "yyyy-mm-dd hh:mm"
    data["B1"] = "struck"
    data["B1"].font = Font(name="Arial", size=10, strike=True)
    data["B2"] = "turned"
    data["B2"].alignment = Alignment(textRotation=45)
    data["B3"] = "indented"
    data["B3"].alignment = Alignment(horizontal="left", indent=3)
    data["B4"] = "across"
    data["B4"].alignment = Alignment(horizontal="centerContinuous")
    data["B5"] = "patterned"
    data["B5"].fill = PatternFill(patternType="lightTrellis", fgColor="FF0000FF", bgColor="FFFFFF00")
    data["B6"] = "a long text shrunk to fit"
    data["B6"].alignment = Alignment(shrink_to_fit=True, textRotation=120)
    for sheet, value in ((notes, 2), (third, 3)):
        sheet["A1"] = value
    wb.defined_names.append(DefinedName("Rate", localSheetId=0, attr_text="Data!$C$1"))
    wb.defined_names.append(DefinedName("Rate", localSheetId=2, attr_text="Third!$C$2"))
    wb.defined_names.append(DefinedName("Rate", attr_text="Notes!$C$3"))
    wb.defined_names.append(DefinedName("Hidden", hidden=True, comment="not shown", attr_text="Notes!$D$1"))
    wb.calculation = CalcProperties(calcId=191029, calcMode="manual", fullCalcOnLoad=False)
    wb.security = WorkbookProtection(lockStructure=True)
    wb.active = 2
    wb.save(path)


FODS = """<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
 xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"
 xmlns:number="urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0"
 xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0"
 office:version="1.3" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
 <office:font-face-decls>
  <style:font-face style:name="Arial" svg:font-family="Arial" style:font-family-generic="swiss"/>
 </office:font-face-decls>
 <office:styles>
  <style:default-style style:family="table-cell">
   <style:text-properties style:font-name="Arial" fo:font-size="10pt"/>
  </style:default-style>
  <style:style style:name="Default" style:family="table-cell">
   <style:text-properties style:font-name="Arial" fo:font-size="10pt"/>
  </style:style>
 </office:styles>
 <office:automatic-styles>
  <number:date-style style:name="N1">
   <number:year number:style="long"/><number:text>-</number:text><number:month number:style="long"/>
   <number:text>-</number:text><number:day number:style="long"/>
  </number:date-style>
  <style:style style:name="date" style:family="table-cell" style:parent-style-name="Default" style:data-style-name="N1"/>
  <style:style style:name="yellow" style:family="table-cell" style:parent-style-name="Default">
   <style:table-cell-properties fo:background-color="#ffff00"/>
   <style:text-properties fo:font-weight="bold" style:text-line-through-style="solid"/>
  </style:style>
  <style:style style:name="turned" style:family="table-cell" style:parent-style-name="Default">
   <style:table-cell-properties style:rotation-angle="30"/>
  </style:style>
 </office:automatic-styles>
 <office:body>
  <office:spreadsheet>
   <table:calculation-settings><table:null-date table:date-value="1904-01-01"/></table:calculation-settings>
   <table:table table:name="Data">
    <table:named-expressions>
     <table:named-range table:name="Rate" table:base-cell-address="$Data.$A$1" table:cell-range-address="$Data.$C$1"/>
    </table:named-expressions>
    <table:table-row>
     <table:table-cell table:style-name="date" office:value-type="date" office:date-value="2024-01-02"><text:p>2024-01-02</text:p></table:table-cell>
     <table:table-cell table:style-name="yellow" office:value-type="string"><text:p>filled</text:p></table:table-cell>
     <table:table-cell table:style-name="turned" office:value-type="float" office:value="7"><text:p>7</text:p></table:table-cell>
    </table:table-row>
   </table:table>
   <table:table table:name="Notes">
    <table:named-expressions>
     <table:named-range table:name="Rate" table:base-cell-address="$Notes.$A$1" table:cell-range-address="$Notes.$C$2"/>
    </table:named-expressions>
    <table:table-row>
     <table:table-cell office:value-type="float" office:value="2"><text:p>2</text:p></table:table-cell>
    </table:table-row>
   </table:table>
   <table:named-expressions>
    <table:named-range table:name="Whole" table:base-cell-address="$Notes.$A$1" table:cell-range-address="$Notes.$A$1:.$B$4"/>
   </table:named-expressions>
  </office:spreadsheet>
 </office:body>
</office:document>
"""


def make_libreoffice(path):
    source = os.path.join(HERE, "settings_libreoffice.fods")
    with open(source, "w", encoding="utf-8") as f:
        f.write(FODS)
    with tempfile.TemporaryDirectory() as work:
        profile = "file://" + os.path.join(work, "profile")
        subprocess.run(["soffice", "-env:UserInstallation=" + profile, "--headless", "--convert-to", "xlsx",
                        "--outdir", work, source], check=True, stdout=subprocess.DEVNULL)
        shutil.copy(os.path.join(work, "settings_libreoffice.xlsx"), path)


if __name__ == "__main__":
    make_openpyxl(os.path.join(HERE, "settings_openpyxl.xlsx"))
    make_libreoffice(os.path.join(HERE, "settings_libreoffice.xlsx"))
