#!/usr/bin/env python3
"""Builds the HTML user guide from docs/*.md.

    make_help.py DOCS_DIR OUT_DIR

Writes one page per document (running.md -> running.htm) and the topic
pages the program opens: Support.htm (the contents), Master_Pelorin.htm
(the row editor's help) and Selective_Update.htm (the selective update's).
Links between documents (foo.md) are pointed at their pages (foo.htm), and
the pictures (docs/img) are copied beside the pages. The same documents are
also written as plain text into OUT_DIR/../text (foo.txt) for
`pelorinxl help TOPIC` on a terminal. Needs python3-markdown.
"""
import html
import pathlib
import re
import shutil
import sys

import markdown

# Topic pages opened by the program's help buttons, and the document each shows.
TOPIC_PAGES = {
    "Master_Pelorin.htm": "projects.md",
    "Selective_Update.htm": "running.md",
}

STYLE = """body{font-family:sans-serif;max-width:52em;margin:2em auto;padding:0 1em;line-height:1.45}
code,pre{background:#f4f4f4}pre{padding:.6em;overflow-x:auto}table{border-collapse:collapse}
td,th{border:1px solid #ccc;padding:.2em .5em;text-align:left}nav{margin-bottom:1.5em}"""


def page(title, body):
    return (f"<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
            f"<title>{html.escape(title)} - PelorinXL</title><style>{STYLE}</style></head>\n"
            f"<body><nav><a href=\"Support.htm\">PelorinXL help: contents</a></nav>\n{body}\n</body></html>\n")


def title_of(text, fallback):
    m = re.search(r"^# (.+)$", text, re.M)
    return m.group(1).strip() if m else fallback


def as_text(text):
    """The document for a terminal: pictures named, links to other pages as
    their text, the rest as written (markdown reads well as it is)."""
    text = re.sub(r"!\[([^\]]*)\]\([^)]*\)", r"[picture: \1]", text)
    text = re.sub(r"\[([^\]]+)\]\([A-Za-z0-9_\-]+\.md(#[^)]*)?\)", r"\1", text)
    return text


def main():
    docs, out = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])
    out.mkdir(parents=True, exist_ok=True)
    text_out = out.parent / "text"
    text_out.mkdir(parents=True, exist_ok=True)
    if (docs / "img").is_dir():
        shutil.copytree(docs / "img", out / "img", dirs_exist_ok=True)
    rendered, titles = {}, {}
    for md in sorted(docs.glob("*.md")):
        text = md.read_text(encoding="utf-8")
        body = markdown.markdown(text, extensions=["tables", "fenced_code", "toc"])
        body = re.sub(r'href="([A-Za-z0-9_\-]+)\.md(#[^"]*)?"', r'href="\1.htm\2"', body)
        (text_out / (md.stem + ".txt")).write_text(as_text(text), encoding="utf-8")
        titles[md.name] = title_of(text, md.stem)
        rendered[md.name] = page(titles[md.name], body)
        (out / (md.stem + ".htm")).write_text(rendered[md.name], encoding="utf-8")
    for topic, source in TOPIC_PAGES.items():
        if source in rendered:
            (out / topic).write_text(rendered[source], encoding="utf-8")
    items = "\n".join(f'<li><a href="{pathlib.Path(n).stem}.htm">{html.escape(t)}</a></li>'
                      for n, t in titles.items())
    support = ("<h1>PelorinXL help</h1>\n<ul>\n" + items + "\n</ul>\n"
               "<p>From a terminal: <code>pelorinxl help TOPIC</code> prints a page, "
               "<code>man pelorinxl</code> lists the commands.</p>")
    (out / "Support.htm").write_text(page("Contents", support), encoding="utf-8")


if __name__ == "__main__":
    main()
