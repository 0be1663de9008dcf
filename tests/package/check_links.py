#!/usr/bin/env python3
"""Checks every link and picture of an HTML tree: each href and src that
points into the tree must name a file that exists there (a #fragment must
name an id or anchor of its page).

    check_links.py FOLDER

Prints each broken link and exits 1 when there is one."""
import html.parser
import pathlib
import sys
import urllib.parse


class Links(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.links, self.ids = [], set()

    def handle_starttag(self, tag, attrs):
        for name, value in attrs:
            if name in ("href", "src") and value is not None:
                self.links.append(value)
            if name in ("id", "name") and value:
                self.ids.add(value)


def parse(page):
    links = Links()
    links.feed(page.read_text(encoding="utf-8"))
    return links


def main():
    root = pathlib.Path(sys.argv[1]).resolve()
    pages = sorted(root.rglob("*.htm")) + sorted(root.rglob("*.html"))
    if not pages:
        print(f"no pages in {root}")
        return 1
    parsed = {page: parse(page) for page in pages}
    broken, count = [], 0
    for page, links in parsed.items():
        for link in links.links:
            url = urllib.parse.urlparse(link)
            if url.scheme or link.startswith("//"):
                continue  # outside the tree
            count += 1
            target = (page.parent / urllib.parse.unquote(url.path)).resolve() if url.path else page
            if not target.is_file() or root not in target.parents:
                broken.append(f"{page.relative_to(root)}: {link} (no such file)")
            elif url.fragment and target.suffix in (".htm", ".html"):
                ids = parsed[target].ids if target in parsed else parse(target).ids
                if url.fragment not in ids:
                    broken.append(f"{page.relative_to(root)}: {link} (no anchor {url.fragment})")
    for line in broken:
        print(line)
    print(f"{count} links in {len(pages)} pages, {len(broken)} broken")
    return 1 if broken else 0


if __name__ == "__main__":
    sys.exit(main())
