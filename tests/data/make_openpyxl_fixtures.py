#!/usr/bin/python3
"""Writes the workbooks that another program produced, for the .xlsx reader
tests. Run from anywhere: /usr/bin/python3 tests/data/make_openpyxl_fixtures.py
The generated files are committed, so the tests never need python.

openpyxl_values.xlsx   values of every type, styles, merged cells, frozen
                       panes, names, a hidden sheet, widths and heights
openpyxl_parts.xlsx    a line chart the reader must find, and comments it
                       cannot carry (reported as a warning)
openpyxl_charts.xlsx   a one-ticker project whose data sheet holds charts of
                       this other program: a bar chart with data labels and
                       colours, a pie chart, and a line chart titled with the
                       ticker (which the chart macros replace)
broken_*.xlsx          valid zip packages with a defect inside
"""
import datetime
import os
import zipfile

from openpyxl import Workbook
from openpyxl.styles import Alignment, Border, Font, PatternFill, Side
from openpyxl.chart import BarChart, LineChart, PieChart, Reference
from openpyxl.chart.label import DataLabelList
from openpyxl.comments import Comment
from openpyxl.workbook.defined_name import DefinedName

HERE = os.path.dirname(os.path.abspath(__file__))


def make_values(path):
    wb = Workbook()
    ws = wb.active
    ws.title = "Values"
    ws["A1"] = "Text"
    ws["B1"] = 42
    ws["C1"] = 3.25
    ws["D1"] = True
    ws["E1"] = False
    ws["F1"] = datetime.datetime(2024, 3, 15)
    ws["F1"].number_format = "dd.mm.yyyy"
    ws["G1"] = datetime.datetime(2024, 3, 15, 12, 30, 0)
    ws["G1"].number_format = "yyyy-mm-dd hh:mm:ss"
    ws["H1"] = "=B1*2"
    ws["I1"] = "#N/A"
    ws["I1"].data_type = "e"
    ws["J1"] = ""  # openpyxl writes nothing for an empty text
    ws["A2"] = "  leading and trailing spaces  "
    ws["B2"] = "Ünïcödé € ✓"
    ws["C2"] = "<tag> & \"quotes\""
    ws["D2"] = -1.5e-10
    ws["E2"] = 1234567890123.0
    ws["A3"] = "line1\nline2"

    # Styles.
    ws["A5"] = "bold red"
    ws["A5"].font = Font(name="Arial", size=14, bold=True, color="FFFF0000")
    ws["B5"] = "italic underline"
    ws["B5"].font = Font(italic=True, underline="single", color="FF0000FF")
    ws["C5"] = 0.125
    ws["C5"].number_format = "0.00%"
    ws["D5"] = 1234.5
    ws["D5"].number_format = "#,##0.00"
    ws["E5"] = "filled"
    ws["E5"].fill = PatternFill(fill_type="solid", fgColor="FFFFFF00")
    ws["F5"] = "bordered"
    thin = Side(style="thin", color="FF000000")
    thick = Side(style="thick", color="FFFF0000")
    ws["F5"].border = Border(left=thin, right=thin, top=thick, bottom=Side(style="double"))
    ws["G5"] = "centred"
    ws["G5"].alignment = Alignment(horizontal="center", vertical="top", wrap_text=True)
    ws["H5"] = "right"
    ws["H5"].alignment = Alignment(horizontal="right")

    ws.merge_cells("A7:C8")
    ws["A7"] = "merged"
    ws.freeze_panes = "B2"
    ws.column_dimensions["A"].width = 20
    ws.column_dimensions["C"].width = 5.5
    ws.row_dimensions[3].height = 30
    ws.sheet_view.zoomScale = 85

    second = wb.create_sheet("Second Sheet")
    second["A1"] = "on second"
    second["B2"] = 7
    hidden = wb.create_sheet("Hidden")
    hidden["A1"] = "secret"
    hidden.sheet_state = "hidden"

    wb.defined_names.append(DefinedName("DataStart", attr_text="Values!$B$1"))
    wb.defined_names.append(DefinedName("Block", attr_text="'Second Sheet'!$A$1:$B$2"))
    wb.save(path)


def make_parts(path):
    wb = Workbook()
    ws = wb.active
    ws.title = "Prices"
    ws.append(["Date", "Close"])
    for i in range(1, 11):
        ws.append([datetime.date(2024, 1, i), 100 + i])
        ws.cell(row=i + 1, column=1).number_format = "yyyy-mm-dd"
    chart = LineChart()
    chart.title = "ACME"
    data = Reference(ws, min_col=2, min_row=1, max_row=11)
    cats = Reference(ws, min_col=1, min_row=2, max_row=11)
    chart.add_data(data, titles_from_data=True)
    chart.set_categories(cats)
    ws.add_chart(chart, "D2")
    ws["A1"].comment = Comment("a note", "someone")
    wb.save(path)


def make_charts(path):
    wb = Workbook()
    settings = wb.active
    settings.title = "PelorinXL Settings"
    settings.append(["Ticker", "Start Date", "End Date", "Periodicity", "Direction", "Location",
                     "Data Beginning", "Data Source", "Data Fields", "Macros", "Status"])
    settings.append(["Defaults", None, None, None, None, None, "A1", None, "DOHLCV"])
    settings.append(["AAPL"])
    params = wb.create_sheet("Parameters")
    params["D5"] = "D|O|H|L|C|V|T|I"
    params["D7"] = "date|open|high|low|close|volume|time|open interest"
    params["D9"] = "HLC|OHLC|LINEOPEN|LINEHIGH|LINELOW|LINECLOSE"
    params["E32"] = "This chart kind is not known."
    params["E48"] = "No end of data found"
    data = wb.create_sheet("AAPL")
    data.append(["Date", "Open", "High", "Low", "Close", "Volume"])
    for i in range(10):
        data.append([datetime.date(2024, 1, 1) + datetime.timedelta(days=i), 99 + i, 101 + i, 98 + i,
                     100 + i, 1000 * (i + 1)])
        data.cell(row=i + 2, column=1).number_format = "dd.mm.yyyy"
    wb.defined_names.append(DefinedName("Pelorin_RangeTicker",
                                        attr_text="'PelorinXL Settings'!$A$1"))

    bars = BarChart()
    bars.title = "Volume"
    bars.add_data(Reference(data, min_col=6, min_row=1, max_row=11), titles_from_data=True)
    bars.set_categories(Reference(data, min_col=1, min_row=2, max_row=11))
    bars.dataLabels = DataLabelList()
    bars.dataLabels.showVal = True
    bars.series[0].graphicalProperties.solidFill = "7030A0"
    data.add_chart(bars, "H2")

    pie = PieChart()
    pie.add_data(Reference(data, min_col=5, min_row=1, max_row=4), titles_from_data=True)
    data.add_chart(pie, "H20")

    old = LineChart()
    old.title = "AAPL"
    old.add_data(Reference(data, min_col=5, min_row=1, max_row=11), titles_from_data=True)
    data.add_chart(old, "H38")
    wb.save(path)


def rewrite(source, target, part, transform):
    """Copies the package source to target with one part transformed (None
    drops the part)."""
    with zipfile.ZipFile(source) as zin, zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED) as zout:
        for item in zin.infolist():
            data = zin.read(item.filename)
            if item.filename == part:
                data = transform(data)
                if data is None:
                    continue
            zout.writestr(item, data)


def make_broken(values):
    rewrite(values, os.path.join(HERE, "broken_workbook_xml.xlsx"), "xl/workbook.xml",
            lambda d: d[: len(d) // 2])
    rewrite(values, os.path.join(HERE, "broken_sheet_xml.xlsx"), "xl/worksheets/sheet1.xml",
            lambda d: d.replace(b"</row>", b"</rwo>", 1))
    rewrite(values, os.path.join(HERE, "broken_no_workbook.xlsx"), "xl/workbook.xml", lambda d: None)
    rewrite(values, os.path.join(HERE, "broken_bad_cell.xlsx"), "xl/worksheets/sheet1.xml",
            lambda d: d.replace(b'r="B1"', b'r="B0"', 1))
    rewrite(values, os.path.join(HERE, "broken_bad_number.xlsx"), "xl/worksheets/sheet1.xml",
            lambda d: d.replace(b"<v>42</v>", b"<v>4x2</v>", 1))


if __name__ == "__main__":
    values = os.path.join(HERE, "openpyxl_values.xlsx")
    make_values(values)
    make_parts(os.path.join(HERE, "openpyxl_parts.xlsx"))
    make_charts(os.path.join(HERE, "openpyxl_charts.xlsx"))
    make_broken(values)
