#!/usr/bin/python3
"""Writes carried_features.xlsx, a workbook holding every sheet feature the
model does not know and the .xlsx store carries through a save: sheet
protection, an auto filter with its filter range name, two conditional
formats and their differential formats, a table style of its own, data
validation, an external and an internal hyperlink, page margins, page
setup, header and footer, a picture and a shape in the sheet's drawing,
comments, a table, the 2010 extensions (conditional formats, data
validation, sparklines), print area and print titles, and on the second
sheet a background picture sharing the image.

Only the standard library is used, so the package holds exactly the XML
below. Run from anywhere: /usr/bin/python3 tests/data/make_carried_fixture.py
The file is committed (it also seeds the xlsx fuzz target).
"""
import os
import struct
import zipfile
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

MAIN = "http://schemas.openxmlformats.org/spreadsheetml/2006/main"
REL = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
PKG_REL = "http://schemas.openxmlformats.org/package/2006/relationships"
HEAD = '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'


def png():
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    header = struct.pack(">IIBBBBB", 1, 1, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(b"\x00\xff\x00\x00"))
            + chunk(b"IEND", b""))


def rels(*entries):
    body = "".join('<Relationship Id="%s" Type="%s" Target="%s"%s/>'
                   % (i, t, target, ' TargetMode="External"' if external else "")
                   for i, t, target, external in entries)
    return HEAD + '<Relationships xmlns="%s">%s</Relationships>' % (PKG_REL, body)


def rel_type(name):
    return REL + "/" + name


CONTENT_TYPES = HEAD + (
    '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
    '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
    '<Default Extension="xml" ContentType="application/xml"/>'
    '<Default Extension="png" ContentType="image/png"/>'
    '<Default Extension="vml" ContentType="application/vnd.openxmlformats-officedocument.vmlDrawing"/>'
    '<Override PartName="/xl/workbook.xml" '
    'ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/>'
    '<Override PartName="/xl/worksheets/sheet1.xml" '
    'ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>'
    '<Override PartName="/xl/worksheets/sheet2.xml" '
    'ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>'
    '<Override PartName="/xl/styles.xml" '
    'ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml"/>'
    '<Override PartName="/xl/drawings/drawing1.xml" '
    'ContentType="application/vnd.openxmlformats-officedocument.drawing+xml"/>'
    '<Override PartName="/xl/tables/table1.xml" '
    'ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.table+xml"/>'
    '<Override PartName="/xl/comments1.xml" '
    'ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.comments+xml"/>'
    '</Types>')

WORKBOOK = HEAD + (
    '<workbook xmlns="%s" xmlns:r="%s"><bookViews><workbookView activeTab="0"/></bookViews>'
    '<sheets><sheet name="Data" sheetId="1" r:id="rId1"/><sheet name="Lists" sheetId="2" r:id="rId2"/></sheets>'
    '<definedNames>'
    '<definedName name="_xlnm._FilterDatabase" localSheetId="0" hidden="1">Data!$A$1:$C$6</definedName>'
    '<definedName name="_xlnm.Print_Area" localSheetId="0">Data!$A$1:$F$20</definedName>'
    '<definedName name="_xlnm.Print_Titles" localSheetId="0">Data!$1:$1</definedName>'
    '<definedName name="_xlnm.Print_Area" localSheetId="1">Lists!$A$1:$A$3</definedName>'
    '<definedName name="Choices">Lists!$A$1:$A$3</definedName>'
    '</definedNames></workbook>') % (MAIN, REL)

STYLES = HEAD + (
    '<styleSheet xmlns="%s"><fonts count="1"><font><sz val="11"/><name val="Calibri"/></font></fonts>'
    '<fills count="2"><fill><patternFill patternType="none"/></fill><fill><patternFill patternType="gray125"/></fill>'
    '</fills><borders count="1"><border><left/><right/><top/><bottom/><diagonal/></border></borders>'
    '<cellStyleXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0"/></cellStyleXfs>'
    '<cellXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0" xfId="0"/></cellXfs>'
    '<cellStyles count="1"><cellStyle name="Normal" xfId="0" builtinId="0"/></cellStyles>'
    '<dxfs count="2"><dxf><font><b/><color rgb="FF9C0006"/></font><fill><patternFill><bgColor rgb="FFFFC7CE"/>'
    '</patternFill></fill></dxf><dxf><fill><patternFill><bgColor rgb="FFC6EFCE"/></patternFill></fill></dxf></dxfs>'
    '<tableStyles count="1" defaultTableStyle="TableStyleMedium2" defaultPivotStyle="PivotStyleLight16">'
    '<tableStyle name="Plain" pivot="0" count="1"><tableStyleElement type="wholeTable" dxfId="1"/></tableStyle>'
    '</tableStyles>'
    '</styleSheet>') % MAIN


def row(number, cells):
    out = '<row r="%d">' % number
    for ref, value in cells:
        if isinstance(value, str):
            out += '<c r="%s" t="inlineStr"><is><t>%s</t></is></c>' % (ref, value)
        else:
            out += '<c r="%s"><v>%s</v></c>' % (ref, value)
    return out + "</row>"


X14 = "http://schemas.microsoft.com/office/spreadsheetml/2009/9/main"
XM = "http://schemas.microsoft.com/office/excel/2006/main"

SHEET1_ROWS = (
    row(1, [("A1", "Name"), ("B1", "Qty"), ("C1", "Price"), ("D1", "Site"), ("E1", "Key"), ("F1", "Value")])
    + "".join(row(r, [("A%d" % r, "item %d" % r), ("B%d" % r, r * 2), ("C%d" % r, r * 1.5),
                      ("E%d" % r, "k%d" % r), ("F%d" % r, r)]) for r in range(2, 7)))

SHEET1 = HEAD + (
    '<worksheet xmlns="%s" xmlns:r="%s" '
    'xmlns:mc="http://schemas.openxmlformats.org/markup-compatibility/2006" '
    'xmlns:x14ac="http://schemas.microsoft.com/office/spreadsheetml/2009/9/ac" '
    'xmlns:xr="http://schemas.microsoft.com/office/spreadsheetml/2014/revision" '
    'xmlns:x14="%s" xmlns:xm="%s" mc:Ignorable="x14ac xr">'
    '<dimension ref="A1:F6"/><sheetViews><sheetView workbookViewId="0"/></sheetViews>'
    '<sheetFormatPr defaultRowHeight="15" x14ac:dyDescent="0.25"/>'
    '<sheetData>%s</sheetData>'
    '<sheetProtection sheet="1" objects="1" scenarios="1"/>'
    '<autoFilter ref="A1:C6" xr:uid="{00000000-0009-0000-0000-000000000000}"/>'
    '<conditionalFormatting sqref="B2:B6"><cfRule type="cellIs" dxfId="0" priority="1" operator="greaterThan">'
    '<formula>5</formula></cfRule></conditionalFormatting>'
    '<conditionalFormatting sqref="C2:C6"><cfRule type="expression" dxfId="1" priority="2">'
    '<formula>$C2&lt;&gt;""</formula></cfRule></conditionalFormatting>'
    '<dataValidations count="1"><dataValidation type="list" allowBlank="1" showErrorMessage="1" '
    'prompt="Pick one&#10;of the list" sqref="A2:A6"><formula1>Choices</formula1></dataValidation>'
    '</dataValidations>'
    '<hyperlinks><hyperlink ref="D1" r:id="rId1"/>'
    '<hyperlink ref="D2" location="\'Lists\'!A1" display="Lists"/></hyperlinks>'
    '<pageMargins left="0.5" right="0.5" top="0.6" bottom="0.6" header="0.3" footer="0.3"/>'
    '<pageSetup paperSize="9" orientation="landscape"/>'
    '<headerFooter><oddHeader>&amp;CQuarterly &amp;D</oddHeader></headerFooter>'
    '<drawing r:id="rId2"/><legacyDrawing r:id="rId3"/>'
    '<tableParts count="1"><tablePart r:id="rId4"/></tableParts>'
    '<extLst>'
    '<ext uri="{78C0D931-6437-407d-A8EE-F0AAD7539E65}"><x14:conditionalFormattings>'
    '<x14:conditionalFormatting><x14:cfRule type="dataBar" id="{1A2B3C4D-0000-0000-0000-000000000001}">'
    '<x14:dataBar minLength="0" maxLength="100"><x14:cfvo type="autoMin"/><x14:cfvo type="autoMax"/>'
    '</x14:dataBar></x14:cfRule><xm:sqref>F2:F6</xm:sqref></x14:conditionalFormatting>'
    '</x14:conditionalFormattings></ext>'
    '<ext uri="{CCE6A557-97BC-4b89-ADB6-D9C93CAAB3DF}"><x14:dataValidations count="1">'
    '<x14:dataValidation type="list" allowBlank="1"><x14:formula1><xm:f>Lists!$A$1:$A$3</xm:f></x14:formula1>'
    '<xm:sqref>E2:E6</xm:sqref></x14:dataValidation></x14:dataValidations></ext>'
    '<ext uri="{05C60535-1F16-4fd2-B633-F4F36F0B64E0}"><x14:sparklineGroups>'
    '<x14:sparklineGroup displayEmptyCellsAs="gap"><x14:colorSeries rgb="FF376092"/>'
    '<x14:sparklines><x14:sparkline><xm:f>Data!B2:C2</xm:f><xm:sqref>G2</xm:sqref></x14:sparkline>'
    '</x14:sparklines></x14:sparklineGroup></x14:sparklineGroups></ext>'
    '</extLst></worksheet>') % (MAIN, REL, X14, XM, SHEET1_ROWS)

SHEET1_RELS = rels(
    ("rId1", rel_type("hyperlink"), "https://example.com/report?a=1&amp;b=2", True),
    ("rId2", rel_type("drawing"), "../drawings/drawing1.xml", False),
    ("rId3", rel_type("vmlDrawing"), "../drawings/vmlDrawing1.vml", False),
    ("rId4", rel_type("table"), "../tables/table1.xml", False),
    ("rId5", rel_type("comments"), "../comments1.xml", False))

SHEET2 = HEAD + (
    '<worksheet xmlns="%s" xmlns:r="%s"><sheetData>%s</sheetData>'
    '<sheetProtection sheet="1"/><picture r:id="rId1"/></worksheet>') % (
        MAIN, REL, "".join(row(r, [("A%d" % r, "choice %d" % r)]) for r in range(1, 4)))

SHEET2_RELS = rels(("rId1", rel_type("image"), "../media/image1.png", False))

XDR = "http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing"
A = "http://schemas.openxmlformats.org/drawingml/2006/main"
DRAWING = HEAD + (
    '<xdr:wsDr xmlns:xdr="%s" xmlns:a="%s">'
    '<xdr:twoCellAnchor editAs="oneCell"><xdr:from><xdr:col>7</xdr:col><xdr:colOff>0</xdr:colOff><xdr:row>1</xdr:row>'
    '<xdr:rowOff>0</xdr:rowOff></xdr:from><xdr:to><xdr:col>9</xdr:col><xdr:colOff>0</xdr:colOff><xdr:row>5</xdr:row>'
    '<xdr:rowOff>0</xdr:rowOff></xdr:to><xdr:pic><xdr:nvPicPr><xdr:cNvPr id="2" name="Picture 1"/><xdr:cNvPicPr/>'
    '</xdr:nvPicPr><xdr:blipFill><a:blip xmlns:r="%s" r:embed="rId1"/><a:stretch><a:fillRect/></a:stretch>'
    '</xdr:blipFill><xdr:spPr><a:prstGeom prst="rect"><a:avLst/></a:prstGeom></xdr:spPr></xdr:pic>'
    '<xdr:clientData/></xdr:twoCellAnchor>'
    '<xdr:oneCellAnchor><xdr:from><xdr:col>7</xdr:col><xdr:colOff>0</xdr:colOff><xdr:row>7</xdr:row>'
    '<xdr:rowOff>0</xdr:rowOff></xdr:from><xdr:ext cx="1905000" cy="381000"/><xdr:sp macro="" textlink="">'
    '<xdr:nvSpPr><xdr:cNvPr id="3" name="Note shape"/><xdr:cNvSpPr/></xdr:nvSpPr><xdr:spPr>'
    '<a:prstGeom prst="roundRect"><a:avLst/></a:prstGeom></xdr:spPr><xdr:txBody><a:bodyPr/><a:p><a:r>'
    '<a:t>Checked by hand</a:t></a:r></a:p></xdr:txBody></xdr:sp><xdr:clientData/></xdr:oneCellAnchor>'
    '</xdr:wsDr>') % (XDR, A, REL)

DRAWING_RELS = rels(("rId1", rel_type("image"), "../media/image1.png", False))

TABLE = HEAD + (
    '<table xmlns="%s" id="1" name="Pairs" displayName="Pairs" ref="E1:F6" totalsRowShown="0">'
    '<autoFilter ref="E1:F6"/><tableColumns count="2"><tableColumn id="1" name="Key"/>'
    '<tableColumn id="2" name="Value"/></tableColumns>'
    '<tableStyleInfo name="TableStyleMedium2" showFirstColumn="0" showLastColumn="0" showRowStripes="1" '
    'showColumnStripes="0"/></table>') % MAIN

COMMENTS = HEAD + (
    '<comments xmlns="%s"><authors><author>someone</author></authors><commentList>'
    '<comment ref="A1" authorId="0"><text><r><t xml:space="preserve">A note </t></r></text></comment>'
    '</commentList></comments>') % MAIN

VML = (
    '<xml xmlns:v="urn:schemas-microsoft-com:vml" xmlns:o="urn:schemas-microsoft-com:office:office" '
    'xmlns:x="urn:schemas-microsoft-com:office:excel"><o:shapelayout v:ext="edit"><o:idmap v:ext="edit" data="1"/>'
    '</o:shapelayout><v:shapetype id="_x0000_t202" coordsize="21600,21600" o:spt="202" path="m,l,21600r21600,'
    'l21600,xe"><v:stroke joinstyle="miter"/><v:path gradientshapeok="t" o:connecttype="rect"/></v:shapetype>'
    '<v:shape id="_x0000_s1025" type="#_x0000_t202" style="position:absolute;margin-left:59.25pt;'
    'margin-top:1.5pt;width:108pt;height:59.25pt;z-index:1;visibility:hidden" fillcolor="#ffffe1">'
    '<v:textbox/><x:ClientData ObjectType="Note"><x:MoveWithCells/><x:SizeWithCells/>'
    '<x:Anchor>1, 15, 0, 2, 3, 15, 4, 3</x:Anchor><x:AutoFill>False</x:AutoFill><x:Row>0</x:Row>'
    '<x:Column>0</x:Column></x:ClientData></v:shape></xml>')


def main():
    path = os.path.join(HERE, "carried_features.xlsx")
    parts = [
        ("[Content_Types].xml", CONTENT_TYPES),
        ("_rels/.rels", rels(("rId1", rel_type("officeDocument"), "xl/workbook.xml", False))),
        ("xl/workbook.xml", WORKBOOK),
        ("xl/_rels/workbook.xml.rels", rels(("rId1", rel_type("worksheet"), "worksheets/sheet1.xml", False),
                                            ("rId2", rel_type("worksheet"), "worksheets/sheet2.xml", False),
                                            ("rId3", rel_type("styles"), "styles.xml", False))),
        ("xl/styles.xml", STYLES),
        ("xl/worksheets/sheet1.xml", SHEET1),
        ("xl/worksheets/_rels/sheet1.xml.rels", SHEET1_RELS),
        ("xl/worksheets/sheet2.xml", SHEET2),
        ("xl/worksheets/_rels/sheet2.xml.rels", SHEET2_RELS),
        ("xl/drawings/drawing1.xml", DRAWING),
        ("xl/drawings/_rels/drawing1.xml.rels", DRAWING_RELS),
        ("xl/drawings/vmlDrawing1.vml", VML),
        ("xl/tables/table1.xml", TABLE),
        ("xl/comments1.xml", COMMENTS),
        ("xl/media/image1.png", png()),
    ]
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as package:
        for name, data in parts:
            info = zipfile.ZipInfo(name, date_time=(2024, 1, 1, 0, 0, 0))
            info.compress_type = zipfile.ZIP_DEFLATED
            package.writestr(info, data if isinstance(data, bytes) else data.encode("utf-8"))


if __name__ == "__main__":
    main()
