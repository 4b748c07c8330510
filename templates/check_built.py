#!/usr/bin/env python3
"""Reads the built .xlt templates back through LibreOffice and compares them with their layouts.

    check_built.py --soffice soffice --profile DIR LAYOUT=FILE.xlt [LAYOUT=FILE.xlt ...]

LAYOUT is the name of a layout in make_sources.py (result_sheet, notification, ...). Every
file is converted back into flat ODF by a headless LibreOffice (with the profile DIR, never the
user's) and checked: each label in its cell and no other text, the cells the program writes
empty and not covered by a merge, the merged areas, hidden columns, column widths, orientation,
print range, header and footer. The .fods sources are also compared with make_sources.py.
Exits 1 and lists the differences when anything differs.
"""

import argparse
import hashlib
import os
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET
from pathlib import Path

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, str(Path(__file__).resolve().parent))
import make_sources  # noqa: E402

NS = {
    "office": "urn:oasis:names:tc:opendocument:xmlns:office:1.0",
    "style": "urn:oasis:names:tc:opendocument:xmlns:style:1.0",
    "text": "urn:oasis:names:tc:opendocument:xmlns:text:1.0",
    "table": "urn:oasis:names:tc:opendocument:xmlns:table:1.0",
    "fo": "urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0",
}


def q(name):
    prefix, local = name.split(":")
    return f"{{{NS[prefix]}}}{local}"


def length_mm(value):
    for unit, factor in (("mm", 1.0), ("cm", 10.0), ("in", 25.4), ("pt", 25.4 / 72)):
        if value.endswith(unit):
            return float(value[: -len(unit)]) * factor
    raise ValueError(f"unknown length {value!r}")


def cell_text(element):
    """The text of a cell as the office shows it: paragraphs joined, text:s as blanks."""
    paragraphs = []
    for p in element.iter(q("text:p")):
        parts = []

        def walk(node):
            if node.text:
                parts.append(node.text)
            for child in node:
                if child.tag == q("text:s"):
                    parts.append(" " * int(child.get(q("text:c"), "1")))
                else:
                    walk(child)
                if child.tail:
                    parts.append(child.tail)

        walk(p)
        paragraphs.append("".join(parts))
    return "\n".join(paragraphs)


class ReadBack:
    """The first sheet of a flat ODF document as LibreOffice wrote it."""

    def __init__(self, path):
        root = ET.parse(path).getroot()
        self.table = root.find(".//office:spreadsheet/table:table", NS)
        self.texts = {}  # (row, col) -> text
        self.merges = set()  # (row, col, rows, cols)
        self.covered = set()
        self.columns = []  # (width mm, hidden)
        self.print_ranges = self.table.get(q("table:print-ranges"), "")
        self.header_rows = []
        column_widths = {}
        page_layouts = {}
        for st in root.iter(q("style:style")):
            if st.get(q("style:family")) == "table-column":
                props = st.find("style:table-column-properties", NS)
                column_widths[st.get(q("style:name"))] = length_mm(
                    props.get(q("style:column-width")))
        for layout in root.iter(q("style:page-layout")):
            page_layouts[layout.get(q("style:name"))] = layout
        self._read_columns(column_widths)
        self._read_rows()
        self._read_page(root, page_layouts)

    def _read_columns(self, widths):
        for column in self.table.iter(q("table:table-column")):
            repeat = int(column.get(q("table:number-columns-repeated"), "1"))
            width = widths.get(column.get(q("table:style-name")), 0.0)
            hidden = column.get(q("table:visibility"), "visible") == "collapse"
            for _ in range(min(repeat, make_sources.COLUMNS + 1 - len(self.columns))):
                self.columns.append((width, hidden))

    def _read_rows(self):
        row = 0
        for row_element in self.table.iter(q("table:table-row")):
            repeat = int(row_element.get(q("table:number-rows-repeated"), "1"))
            for _ in range(min(repeat, 200)):
                row += 1
                col = 0
                for c in row_element:
                    count = int(c.get(q("table:number-columns-repeated"), "1"))
                    for _ in range(min(count, make_sources.COLUMNS + 10)):
                        col += 1
                        if c.tag == q("table:covered-table-cell"):
                            self.covered.add((row, col))
                            continue
                        text = cell_text(c)
                        if text:
                            self.texts[(row, col)] = text
                        cols = int(c.get(q("table:number-columns-spanned"), "1"))
                        rows = int(c.get(q("table:number-rows-spanned"), "1"))
                        if (rows, cols) != (1, 1):
                            self.merges.add((row, col, rows, cols))
            if repeat > 200:
                row += repeat - 200
        for header in self.table.iter(q("table:table-header-rows")):
            self.header_rows.append(header)

    def _read_page(self, root, layouts):
        table_style = self.table.get(q("table:style-name"))
        master_name = None
        for st in root.iter(q("style:style")):
            if st.get(q("style:name")) == table_style and st.get(q("style:family")) == "table":
                master_name = st.get(q("style:master-page-name"))
        self.header_text = ""
        self.footer_shown = False
        self.page = {}
        for master in root.iter(q("style:master-page")):
            if master_name and master.get(q("style:name")) != master_name:
                continue
            layout = layouts.get(master.get(q("style:page-layout-name")))
            if layout is not None:
                props = layout.find("style:page-layout-properties", NS)
                self.page = {k.split("}")[1]: v for k, v in props.attrib.items()}
            header = master.find("style:header", NS)
            if header is not None and header.get(q("style:display"), "true") != "false":
                self.header_text = cell_text(header)
            footer = master.find("style:footer", NS)
            self.footer_shown = footer is not None and \
                footer.get(q("style:display"), "true") != "false" and len(footer) > 0
            break


def expected_merges(sheet):
    return {(r, c, s[2], s[3]) for (r, c), s in sheet.cells.items() if (s[2], s[3]) != (1, 1)}


def check(sheet, back, name):
    problems = []

    def problem(text):
        problems.append(f"{name}: {text}")

    labels = dict(((make_sources.cell(ref)), text) for ref, text in sheet.labels())
    for (r, c), text in sorted(labels.items()):
        got = back.texts.get((r, c))
        if got != text:
            problem(f"{make_sources.ref_name(r, c)} holds {got!r}, expected {text!r}")
    for (r, c), text in sorted(back.texts.items()):
        if (r, c) not in labels:
            problem(f"{make_sources.ref_name(r, c)} holds {text!r}, where the layout has nothing")
    for ref, what in sheet.written:
        r, c = make_sources.cell(ref)
        if (r, c) in back.covered:
            problem(f"{ref} ({what}) is covered by a merged cell")
        if back.texts.get((r, c)):
            problem(f"{ref} ({what}) is not empty")
    for row, c1, c2 in sheet.written_from:
        for (r, c), text in back.texts.items():
            if r >= row and c1 <= c <= c2:
                problem(f"{make_sources.ref_name(r, c)} holds {text!r} in rows the program fills")

    want = expected_merges(sheet)
    if back.merges != want:
        for r, c, rows, cols in sorted(want - back.merges):
            problem(f"missing merge at {make_sources.ref_name(r, c)} ({rows}x{cols})")
        for r, c, rows, cols in sorted(back.merges - want):
            problem(f"unexpected merge at {make_sources.ref_name(r, c)} ({rows}x{cols})")

    if len(back.columns) < make_sources.COLUMNS:
        problem(f"only {len(back.columns)} columns read back")
    for i, width in enumerate(sheet.widths):
        if i >= len(back.columns):
            break
        got_width, hidden = back.columns[i]
        letters = make_sources.col_letters(i + 1)
        if (width == 0) != hidden:
            problem(f"column {letters} is {'hidden' if hidden else 'shown'}, expected otherwise")
        elif width and abs(got_width - width) > 0.3:
            problem(f"column {letters} is {got_width:.2f} mm wide, expected {width} mm")
    if not sheet.fit_width:
        shown = sum(w for w, hidden in back.columns[: make_sources.COLUMNS] if not hidden)
        page_width = 297 if sheet.landscape else 210
        printable = page_width - sheet.margins[1] - sheet.margins[3]
        if shown > printable:
            problem(f"columns A..AU take {shown:.1f} mm, the page has {printable} mm")

    orientation = back.page.get("print-orientation")
    want_orientation = "landscape" if sheet.landscape else "portrait"
    if orientation != want_orientation:
        problem(f"page orientation {orientation!r}, expected {want_orientation!r}")
    if sheet.fit_width and back.page.get("scale-to-X") != "1":
        problem(f"not fitted to one page wide: {back.page}")
    if sheet.print_columns:
        first, last = sheet.print_columns.split(":")
        if not (back.print_ranges.endswith(f".{last}1048576")
                and f".{first}1:" in back.print_ranges):
            problem(f"print range {back.print_ranges!r}, expected whole columns "
                    f"{sheet.print_columns}")
    elif back.print_ranges:
        problem(f"unexpected print range {back.print_ranges!r}")
    if (sheet.header or "") != back.header_text:
        problem(f"page header {back.header_text!r}, expected {sheet.header!r}")
    if sheet.footer_page_numbers != back.footer_shown:
        problem(f"page footer {'shown' if back.footer_shown else 'missing'}")
    if sheet.title_row and not back.header_rows:
        problem(f"row {sheet.title_row} is not repeated on every page")
    return problems


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--soffice", default="soffice")
    parser.add_argument("--profile", required=True, help="LibreOffice profile folder to use")
    parser.add_argument("built", nargs="+", metavar="LAYOUT=FILE")
    args = parser.parse_args()

    layouts = {sheet.name: sheet for sheet in make_sources.layouts()}
    problems = []
    for sheet in layouts.values():
        source = Path(make_sources.__file__).with_name(f"{sheet.name}.fods")
        if not source.exists() or source.read_text(encoding="utf-8") != sheet.fods():
            problems.append(f"{source.name} differs from make_sources.py: run make_sources.py")

    # Copies of one conversion are compared byte for byte and read back once.
    distinct = {}  # digest -> (layout, path)
    for item in args.built:
        layout, _, path = item.partition("=")
        if layout not in layouts:
            parser.error(f"no layout {layout!r}")
        path = Path(path)
        if not path.is_file() or path.stat().st_size == 0:
            problems.append(f"{path}: missing or empty")
            continue
        digest = hashlib.sha256(path.read_bytes()).hexdigest()
        known = distinct.setdefault(digest, (layout, path))
        if known[0] != layout:
            problems.append(f"{path} is the same file as {known[1]} of layout {known[0]}")
    per_layout = {}
    for layout, path in distinct.values():
        if layout in per_layout:
            problems.append(f"{path} differs from {per_layout[layout]} built from the same source")
        per_layout[layout] = path

    with tempfile.TemporaryDirectory(prefix="labjournal-templates-") as tmp:
        tmp = Path(tmp)
        inputs = []
        for layout, path in per_layout.items():
            copy = tmp / f"{layout}.xlt"
            shutil.copyfile(path, copy)
            inputs.append(copy)
        out = tmp / "back"
        profile = Path(args.profile).resolve()
        env = dict(os.environ, SAL_USE_VCLPLUGIN="svp")
        env.pop("DISPLAY", None)
        result = subprocess.run(
            [args.soffice, "--headless", "--nologo", "--norestore",
             f"-env:UserInstallation={profile.as_uri()}",
             "--convert-to", "fods", "--outdir", str(out)] + [str(p) for p in inputs],
            env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, timeout=500)
        for layout, path in per_layout.items():
            back_file = out / f"{layout}.fods"
            if not back_file.exists():
                problems.append(f"{path}: LibreOffice could not read it back\n{result.stdout}")
                continue
            problems += check(layouts[layout], ReadBack(back_file), path.name)
            print(f"checked {path.name} ({layout})")

    for text in problems:
        print(text, file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
