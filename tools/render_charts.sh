#!/usr/bin/env bash
# Renders the charts of a workbook with LibreOffice, one PNG per sheet that
# holds a chart: OUTDIR/<sheet>.png. For development and the pictures in
# docs/img; not part of the build or CI.
#   Needs: libreoffice-calc-nogui (or libreoffice-core + libreoffice-calc),
#          poppler-utils (pdftoppm).
#   Usage: tools/render_charts.sh WORKBOOK.xlsx OUTDIR [DPI]
#   PDFTOPPM_ARGS passes extra options to pdftoppm, e.g. a crop box
#   ("-x 40 -y 45 -W 665 -H 310" at 72 dpi cuts the page margins away).
# A copy of the workbook is prepared so that each sheet prints one page
# holding just its first chart's area (print area + fit to page); sheets
# without a chart are hidden. The workbook itself is not changed.
set -euo pipefail
[ $# -ge 2 ] || { echo "usage: $0 WORKBOOK.xlsx OUTDIR [DPI]" >&2; exit 2; }
book=$1
out=$2
dpi=${3:-60}
command -v soffice >/dev/null || { echo "soffice not found: apt-get install -y libreoffice-calc-nogui" >&2; exit 1; }
command -v pdftoppm >/dev/null || { echo "pdftoppm not found: apt-get install -y poppler-utils" >&2; exit 1; }
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 - "$book" "$work/charts.xlsx" "$work/sheets.txt" <<'EOF'
import re, sys, zipfile

src, dst, names_out = sys.argv[1:4]
zin = zipfile.ZipFile(src)
parts = {n: zin.read(n) for n in zin.namelist()}


def rels(part):
    folder, name = part.rsplit("/", 1)
    text = parts.get(folder + "/_rels/" + name + ".rels", b"").decode()
    out = {}
    for m in re.finditer(r'<Relationship [^>]*?Id="([^"]+)"[^>]*?Target="([^"]+)"', text):
        target = m.group(2)
        path = folder.split("/")
        for piece in target.split("/"):
            if piece == "..":
                path.pop()
            elif piece != ".":
                path.append(piece)
        out[m.group(1)] = target.lstrip("/") if target.startswith("/") else "/".join(path)
    return out


def column_letters(n):
    s = ""
    while n:
        n, r = divmod(n - 1, 26)
        s = chr(65 + r) + s
    return s


book = parts["xl/workbook.xml"].decode()
book_rels = rels("xl/workbook.xml")
names = []
printed = []
sheets = re.findall(r'<sheet [^>]*?/>', book)
for index, tag in enumerate(sheets):
    name = re.search(r'name="([^"]*)"', tag).group(1)
    rid = re.search(r'r:id="([^"]+)"', tag).group(1)
    part = book_rels[rid]
    xml = parts[part].decode()
    drawing = re.search(r'<drawing r:id="([^"]+)"', xml)
    area = None
    if drawing:
        anchor = parts[rels(part)[drawing.group(1)]].decode()
        cols = [int(c) for c in re.findall(r'<xdr:col>(\d+)</xdr:col>', anchor)[:2]]
        rows = [int(r) for r in re.findall(r'<xdr:row>(\d+)</xdr:row>', anchor)[:2]]
        if len(cols) == 2 and len(rows) == 2:
            area = "'%s'!$%s$%d:$%s$%d" % (name.replace("'", "''"), column_letters(cols[0] + 1), rows[0] + 1,
                                          column_letters(cols[1] + 1), rows[1] + 1)
    if area is None:
        book = book.replace(tag, tag.replace("<sheet ", '<sheet state="hidden" ', 1))
        continue
    printed.append((index, area))
    names.append(name)
    setup = '<pageSetup orientation="landscape" fitToWidth="1" fitToHeight="1"/>'
    xml = re.sub(r'<pageSetup[^>]*/>', '', xml)
    xml = re.sub(r'(<pageMargins[^>]*/>)', r'\1' + setup, xml, count=1) if '<pageMargins' in xml else \
        xml.replace('<drawing ', setup + '<drawing ', 1)
    if '<sheetPr' in xml:
        xml = re.sub(r'<sheetPr([^>]*)/>', r'<sheetPr\1><pageSetUpPr fitToPage="1"/></sheetPr>', xml, count=1)
    else:
        xml = re.sub(r'(<worksheet[^>]*>)', r'\1<sheetPr><pageSetUpPr fitToPage="1"/></sheetPr>', xml, count=1)
    parts[part] = xml.encode()

defined = "".join('<definedName name="_xlnm.Print_Area" localSheetId="%d">%s</definedName>' % (i, a)
                  for i, a in printed)
book = re.sub(r'<definedName name="_xlnm\.Print_Area"[^<]*</definedName>', '', book)
if '<definedNames>' in book:
    book = book.replace('<definedNames>', '<definedNames>' + defined, 1)
else:
    book = book.replace('</sheets>', '</sheets><definedNames>' + defined + '</definedNames>', 1)
# The first visible sheet must be the active one.
book = re.sub(r' activeTab="\d+"', '', book)
book = book.replace('<workbookView ', '<workbookView activeTab="%d" ' % (printed[0][0] if printed else 0), 1)
for n in parts:
    if n.startswith("xl/worksheets/sheet"):
        parts[n] = parts[n].replace(b' tabSelected="1"', b'')
parts["xl/workbook.xml"] = book.encode()

with zipfile.ZipFile(dst, "w", zipfile.ZIP_DEFLATED) as zout:
    for n in zin.namelist():
        zout.writestr(n, parts[n])
open(names_out, "w").write("\n".join(names) + "\n")
EOF

soffice --headless --norestore -env:UserInstallation=file://"$work"/profile \
  --convert-to pdf --outdir "$work" "$work/charts.xlsx" >/dev/null 2>&1
[ -s "$work/charts.pdf" ] || { echo "LibreOffice wrote no PDF" >&2; exit 1; }
# shellcheck disable=SC2086 # PDFTOPPM_ARGS holds several options
pdftoppm -png -r "$dpi" ${PDFTOPPM_ARGS:-} "$work/charts.pdf" "$work/page"
page=1
while IFS= read -r sheet; do
  [ -n "$sheet" ] || continue
  file=$(ls "$work"/page-*.png | sort | sed -n "${page}p")
  [ -n "$file" ] && cp "$file" "$out/$sheet.png"
  page=$((page + 1))
done < "$work/sheets.txt"
ls "$out"
