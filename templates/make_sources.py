#!/usr/bin/env python3
"""Writes the flat ODF sources (*.fods) of the document templates the program ships.

Each layout below says which label stands in which cell and which cells the program fills
(those stay empty in the template). Change a layout here, run this script, and commit the
regenerated .fods with it; the build converts the .fods into Excel 97 templates (.xlt).

    python3 templates/make_sources.py            # rewrite the .fods beside this script
    python3 templates/make_sources.py --check    # fail if a .fods differs from its layout

Only the standard library is used.
"""

import argparse
import re
import sys
from pathlib import Path
from xml.sax.saxutils import escape

HERE = Path(__file__).resolve().parent

# Columns A..AU: the program writes into columns up to AU (47).
COLUMNS = 47

# ---------------------------------------------------------------------------------------------
# Cell references


def col_number(letters):
    n = 0
    for ch in letters:
        n = n * 26 + (ord(ch) - ord("A") + 1)
    return n


def col_letters(n):
    s = ""
    while n:
        n, r = divmod(n - 1, 26)
        s = chr(ord("A") + r) + s
    return s


def cell(ref):
    """'AF13' -> (13, 32)"""
    m = re.fullmatch(r"([A-Z]+)(\d+)", ref)
    if not m:
        raise ValueError(f"bad cell reference {ref!r}")
    return int(m.group(2)), col_number(m.group(1))


def cell_range(ref):
    """'A8:C8' -> (8, 1, 8, 3); a single cell is a range of one."""
    first, _, last = ref.partition(":")
    r1, c1 = cell(first)
    r2, c2 = cell(last or first)
    return r1, c1, r2, c2


def ref_name(row, col):
    return f"{col_letters(col)}{row}"


# ---------------------------------------------------------------------------------------------
# Cell styles (named, so that they show by name in the office's style list)

THIN = "0.5pt solid #000000"

CELL_STYLES = {
    # name: (parent, table-cell properties, paragraph properties, text properties)
    "Default": (None, {"style:vertical-align": "middle"}, {}, {}),
    "Label": ("Default", {}, {}, {}),
    "Label_right": ("Default", {}, {"fo:text-align": "end", "fo:margin-right": "1.5mm"}, {}),
    "Section": ("Default", {}, {}, {"fo:font-weight": "bold"}),
    "Heading": ("Default", {}, {"fo:text-align": "center"},
                {"fo:font-size": "12pt", "fo:font-weight": "bold"}),
    "Subheading": ("Default", {"fo:wrap-option": "wrap"}, {"fo:text-align": "center"},
                   {"fo:font-size": "10pt"}),
    "Institution": ("Default", {"fo:border-bottom": THIN}, {"fo:text-align": "center"},
                    {"fo:font-size": "10pt", "fo:font-weight": "bold"}),
    # A value the program writes, ruled underneath. A short one (a number, a date, a code) is
    # shrunk rather than cut when it is long; its field is wide enough for its column's longest
    # value at 7 pt or more. A text wraps within its row, which grows to hold it.
    "Field": ("Default", {"fo:border-bottom": THIN, "style:shrink-to-fit": "true"},
              {"fo:margin-left": "1mm"}, {"fo:font-size": "10pt"}),
    "Field_text": ("Default", {"fo:border-bottom": THIN, "fo:wrap-option": "wrap"},
                   {"fo:margin-left": "1mm"}, {"fo:font-size": "10pt"}),
    "Field_text_bold": ("Field_text", {}, {}, {"fo:font-weight": "bold"}),
    "Hint": ("Default", {"style:vertical-align": "top"}, {"fo:text-align": "center"},
             {"fo:font-size": "7pt"}),
    "Caption": ("Default", {"fo:border": THIN, "fo:wrap-option": "wrap"},
                {"fo:text-align": "center"}, {"fo:font-weight": "bold"}),
    "Caption_open": ("Default", {}, {"fo:text-align": "center"}, {"fo:font-weight": "bold"}),
    "Report_caption": ("Default", {"fo:border": THIN}, {"fo:text-align": "center"},
                       {"fo:font-weight": "bold"}),
    "Caption_underlined": ("Default", {"fo:border-bottom": THIN}, {"fo:text-align": "center"},
                           {"fo:font-weight": "bold"}),
    # A result line's cells wrap: the row grows to hold the longest name, result, unit or norm.
    "Result_name": ("Default", {"fo:wrap-option": "wrap"}, {"fo:margin-left": "1mm"}, {}),
    "Result_value": ("Default", {"fo:wrap-option": "wrap"}, {"fo:text-align": "center"}, {}),
    "Report_title": ("Default", {}, {}, {"fo:font-size": "11pt", "fo:font-weight": "bold"}),
}


# ---------------------------------------------------------------------------------------------
# A sheet layout


class Sheet:
    def __init__(self, name, table_name, widths, *, landscape=False, margins=(12, 10, 15, 10),
                 header=None, footer_page_numbers=False, fit_width=False, title_row=None,
                 print_columns=None):
        if len(widths) != COLUMNS:
            raise ValueError(f"{name}: {len(widths)} column widths, expected {COLUMNS}")
        self.name = name  # file name without extension
        self.table_name = table_name
        self.widths = widths  # mm; 0 hides the column
        self.landscape = landscape
        self.margins = margins  # top, right, bottom, left (mm)
        self.header = header
        self.footer_page_numbers = footer_page_numbers
        self.fit_width = fit_width
        self.title_row = title_row  # a row printed on every page
        # Columns printed whatever is in the others ("A:AU"), or None: the used area is printed.
        self.print_columns = print_columns
        self.cells = {}  # (row, col) -> [style, text, rows spanned, cols spanned]
        self.covered = {}  # (row, col) -> style of the merged cell that covers it
        self.written = []  # cells the program writes: (reference, what)
        self.written_from = []  # areas the program fills downwards: (row, first col, last col)

    # -- building

    def _slot(self, row, col):
        if (row, col) in self.covered:
            raise ValueError(f"{self.name}: {ref_name(row, col)} lies inside a merged area")
        return self.cells.setdefault((row, col), [None, None, 1, 1])

    def put(self, ref, text=None, style="Label"):
        """Text (or nothing) in the first cell of ref; a range is merged into one cell."""
        r1, c1, r2, c2 = cell_range(ref)
        slot = self._slot(r1, c1)
        slot[0], slot[1] = style, text
        if (r1, c1) != (r2, c2):
            slot[2], slot[3] = r2 - r1 + 1, c2 - c1 + 1
            for r in range(r1, r2 + 1):
                for c in range(c1, c2 + 1):
                    if (r, c) != (r1, c1):
                        if (r, c) in self.cells or (r, c) in self.covered:
                            raise ValueError(f"{self.name}: {ref} overlaps {ref_name(r, c)}")
                        self.covered[(r, c)] = style

    def style(self, ref, style):
        """The style on every cell of ref, nothing merged."""
        r1, c1, r2, c2 = cell_range(ref)
        for r in range(r1, r2 + 1):
            for c in range(c1, c2 + 1):
                self._slot(r, c)[0] = style

    def merge_rows(self, ref, style):
        """Each row of ref merged on its own (one cell per row across the columns of ref)."""
        r1, c1, r2, c2 = cell_range(ref)
        for r in range(r1, r2 + 1):
            self.put(f"{ref_name(r, c1)}:{ref_name(r, c2)}", None, style)

    def field(self, ref, what, line=None, style="Field"):
        """A cell the program writes (ref), merged across `line` and ruled underneath."""
        if line and cell_range(line)[:2] != cell(ref):
            raise ValueError(f"{self.name}: the line {line} does not start at {ref}")
        self.put(line or ref, None, style)
        self.written.append((ref, what))

    def program_writes(self, ref, what):
        self.written.append((ref, what))

    def program_fills_from(self, row, first_col, last_col):
        self.written_from.append((row, col_number(first_col), col_number(last_col)))

    # -- checks of the layout itself

    def check(self):
        for ref, what in self.written:
            row, col = cell(ref)
            if (row, col) in self.covered:
                raise ValueError(f"{self.name}: {ref} ({what}) is covered by a merged cell")
            slot = self.cells.get((row, col))
            if slot and slot[1]:
                raise ValueError(f"{self.name}: {ref} ({what}) holds the text {slot[1]!r}")
            if self.widths[col - 1] == 0:
                raise ValueError(f"{self.name}: {ref} ({what}) is in a hidden column")
        for row, c1, c2 in self.written_from:
            for (r, c), slot in self.cells.items():
                if r >= row and c1 <= c <= c2 and slot[1]:
                    raise ValueError(f"{self.name}: {ref_name(r, c)} holds text where the "
                                     f"program fills rows from {row}")
        width = sum(self.widths)
        page = 297 if self.landscape else 210
        printable = page - self.margins[1] - self.margins[3]
        if not self.fit_width and width > printable:
            raise ValueError(f"{self.name}: columns take {width} mm, the page has {printable} mm")

    def labels(self):
        """(reference, text) of every text the template holds."""
        return [(ref_name(r, c), s[1]) for (r, c), s in sorted(self.cells.items()) if s[1]]

    # -- flat ODF

    def fods(self):
        self.check()
        out = []
        w = out.append
        w('<?xml version="1.0" encoding="UTF-8"?>')
        w('<office:document'
          ' xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"'
          ' xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"'
          ' xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"'
          ' xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"'
          ' xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"'
          ' xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0"'
          ' xmlns:dc="http://purl.org/dc/elements/1.1/"'
          ' xmlns:meta="urn:oasis:names:tc:opendocument:xmlns:meta:1.0"'
          ' office:version="1.3"'
          ' office:mimetype="application/vnd.oasis.opendocument.spreadsheet">')
        w(f' <office:meta><dc:title>{escape(self.table_name)}</dc:title>'
          f'<meta:generator>labjournal templates/make_sources.py</meta:generator></office:meta>')
        w(' <office:font-face-decls>')
        w('  <style:font-face style:name="Liberation Sans"'
          ' svg:font-family="&apos;Liberation Sans&apos;"'
          ' style:font-family-generic="swiss" style:font-pitch="variable"/>')
        w(' </office:font-face-decls>')
        self._styles(w)
        self._automatic_styles(w)
        self._master_page(w)
        w(' <office:body>')
        w('  <office:spreadsheet>')
        print_range = ""
        if self.print_columns:
            # Down to the last row an Excel 97 sheet has: the .xlt then holds whole columns,
            # which print down to the last row in use. Without it a long value shrunk into a
            # merged field still counts as running past AU and adds an empty page on the right.
            first, last = self.print_columns.split(":")
            sheet = escape(self.table_name)
            print_range = f' table:print-ranges="{sheet}.{first}1:{sheet}.{last}65536"'
        w(f'   <table:table table:name="{escape(self.table_name)}" table:style-name="ta1"'
          f'{print_range}>')
        self._columns(w)
        self._rows(w)
        w('   </table:table>')
        w('  </office:spreadsheet>')
        w(' </office:body>')
        w('</office:document>')
        return "\n".join(out) + "\n"

    def _styles(self, w):
        w(' <office:styles>')
        w('  <style:default-style style:family="table-cell">')
        w('   <style:text-properties style:font-name="Liberation Sans" fo:font-size="9pt"'
          ' fo:language="ru" fo:country="RU"/>')
        w('  </style:default-style>')
        for name, (parent, cell_props, para_props, text_props) in CELL_STYLES.items():
            parent_attr = f' style:parent-style-name="{parent}"' if parent else ""
            opening = f'  <style:style style:name="{name}" style:family="table-cell"{parent_attr}'
            if not (cell_props or para_props or text_props):
                w(opening + "/>")
                continue
            w(opening + ">")
            if cell_props:
                w(f'   <style:table-cell-properties{attrs(cell_props)}/>')
            if para_props:
                w(f'   <style:paragraph-properties{attrs(para_props)}/>')
            if text_props:
                w(f'   <style:text-properties{attrs(text_props)}/>')
            w('  </style:style>')
        w(' </office:styles>')

    def _column_styles(self):
        names = {}
        for width in self.widths:
            if width not in names:
                names[width] = f"co{len(names) + 1}"
        return names

    def _automatic_styles(self, w):
        w(' <office:automatic-styles>')
        for width, name in self._column_styles().items():
            shown = width or 10  # a hidden column keeps a width for when it is shown again
            w(f'  <style:style style:name="{name}" style:family="table-column">'
              f'<style:table-column-properties fo:break-before="auto"'
              f' style:column-width="{mm(shown)}"/></style:style>')
        w('  <style:style style:name="ro1" style:family="table-row">'
          '<style:table-row-properties fo:break-before="auto"'
          ' style:use-optimal-row-height="true" style:row-height="4.6mm"/></style:style>')
        w('  <style:style style:name="ta1" style:family="table" style:master-page-name="Default">'
          '<style:table-properties table:display="true" style:writing-mode="lr-tb"/></style:style>')
        top, right, bottom, left = self.margins
        width, height = ("297mm", "210mm") if self.landscape else ("210mm", "297mm")
        page = {
            "fo:page-width": width,
            "fo:page-height": height,
            "style:print-orientation": "landscape" if self.landscape else "portrait",
            "fo:margin-top": mm(top),
            "fo:margin-right": mm(right),
            "fo:margin-bottom": mm(bottom),
            "fo:margin-left": mm(left),
            "style:print": "charts drawings objects zero-values",
            "style:print-page-order": "ttb",
            "style:first-page-number": "continue",
        }
        if self.fit_width:
            page["style:scale-to-X"] = "1"
            page["style:scale-to-Y"] = "0"
        else:
            page["style:scale-to"] = "100%"
        w('  <style:page-layout style:name="pm1">')
        w(f'   <style:page-layout-properties{attrs(page)}/>')
        band = '<style:header-footer-properties fo:min-height="4mm" fo:margin-{}="2mm"/>'
        w('   <style:header-style>' + (band.format("bottom") if self.header else "")
          + '</style:header-style>')
        w('   <style:footer-style>' + (band.format("top") if self.footer_page_numbers else "")
          + '</style:footer-style>')
        w('  </style:page-layout>')
        w(' </office:automatic-styles>')

    def _master_page(self, w):
        w(' <office:master-styles>')
        w('  <style:master-page style:name="Default" style:page-layout-name="pm1">')
        if self.header:
            w('   <style:header><style:region-center>'
              f'<text:p>{escape(self.header)}</text:p></style:region-center></style:header>')
        else:
            w('   <style:header style:display="false"/>')
        w('   <style:header-left style:display="false"/>')
        if self.footer_page_numbers:
            w('   <style:footer><style:region-center><text:p>Страница '
              '<text:page-number>1</text:page-number> из '
              '<text:page-count>1</text:page-count></text:p></style:region-center></style:footer>')
        else:
            w('   <style:footer style:display="false"/>')
        w('   <style:footer-left style:display="false"/>')
        w('  </style:master-page>')
        w(' </office:master-styles>')

    def _columns(self, w):
        names = self._column_styles()
        runs = []
        for width in self.widths:
            if runs and runs[-1][0] == width:
                runs[-1][1] += 1
            else:
                runs.append([width, 1])
        first = 1
        for width, count in runs:
            span = col_letters(first) + (f"..{col_letters(first + count - 1)}" if count > 1 else "")
            repeat = f' table:number-columns-repeated="{count}"' if count > 1 else ""
            hidden = ' table:visibility="collapse"' if width == 0 else ""
            w(f'    <!-- {span}: {"hidden" if width == 0 else mm(width)} -->')
            w(f'    <table:table-column table:style-name="{names[width]}"{repeat}{hidden}'
              ' table:default-cell-style-name="Default"/>')
            first += count

    def _row_cells(self, row):
        """The row's cells as [(kind, style, text, rows, cols), count]: equal empty neighbours
        folded into one repeated cell, empty cells at the end of the row left out."""
        cells = []
        for col in range(1, COLUMNS + 1):
            if (row, col) in self.covered:
                cells.append(("covered", self.covered[(row, col)], None, 1, 1))
            elif (row, col) in self.cells:
                style, text, rows, cols = self.cells[(row, col)]
                cells.append(("cell", style, text, rows, cols))
            else:
                cells.append(("cell", None, None, 1, 1))
        while cells and cells[-1] == ("cell", None, None, 1, 1):
            cells.pop()
        folded = []
        for c in cells:
            if folded and folded[-1][0] == c and c[2] is None and c[3:] == (1, 1):
                folded[-1][1] += 1
            else:
                folded.append([c, 1])
        return folded

    def _rows(self, w):
        last = max([r for r, _ in self.cells] + [r for r, _ in self.covered] + [1])
        header = self.title_row
        written = {cell(ref): what for ref, what in self.written}

        def plain(row, folded):
            """A row that may be written once for its equal neighbours: no text, no merge (the
            office merges only the first of repeated rows), no header, no cell the program
            fills."""
            return row != header and not any(r == row for r, _ in written) and \
                all(c[0] == "cell" and c[2] is None and c[3:] == (1, 1) for c, _ in folded)

        runs = []  # [first row, rows, folded cells]
        for row in range(1, last + 1):
            folded = self._row_cells(row)
            if runs and plain(row, folded) and plain(runs[-1][0], runs[-1][2]) \
                    and runs[-1][2] == folded:
                runs[-1][1] += 1
            else:
                runs.append([row, 1, folded])

        for row, count, folded in runs:
            repeat = f' table:number-rows-repeated="{count}"' if count > 1 else ""
            if not folded:
                w(f'    <table:table-row table:style-name="ro1"{repeat}>'
                  '<table:table-cell/></table:table-row>')
                continue
            rows_note = f"{row}..{row + count - 1}" if count > 1 else f"{row}"
            if row == header:
                w('    <table:table-header-rows>')
            opening = f'    <table:table-row table:style-name="ro1"{repeat}>'
            if all(c[2] is None for c, _ in folded) and not any(r == row for r, _ in written):
                # A row of formats only: one line, so that long runs of such rows stay short.
                elements = []
                for (kind, style, _, rows, cols), n in folded:
                    attrs_ = (f' table:style-name="{style}"' if style else "") \
                        + (f' table:number-columns-spanned="{cols}"'
                           f' table:number-rows-spanned="{rows}"' if (rows, cols) != (1, 1)
                           else "") \
                        + (f' table:number-columns-repeated="{n}"' if n > 1 else "")
                    tag = "covered-table-cell" if kind == "covered" else "table-cell"
                    elements.append(f"<table:{tag}{attrs_}/>")
                w(f'{opening}{"".join(elements)}</table:table-row><!-- {rows_note} -->')
                if row == header:
                    w('    </table:table-header-rows>')
                continue
            w(f'{opening}<!-- {rows_note} -->')
            col = 1
            for (kind, style, text, rows, cols), n in folded:
                where = ref_name(row, col)
                col += n
                cells = f' table:number-columns-repeated="{n}"' if n > 1 else ""
                style_attr = f' table:style-name="{style}"' if style else ""
                if kind == "covered":
                    w(f'     <table:covered-table-cell{style_attr}{cells}/>')
                    continue
                span = ""
                if (rows, cols) != (1, 1):
                    span = (f' table:number-columns-spanned="{cols}"'
                            f' table:number-rows-spanned="{rows}"')
                if text:
                    w(f'     <table:table-cell{style_attr}{span} office:value-type="string">'
                      f'<text:p>{paragraph(text)}</text:p></table:table-cell><!-- {where} -->')
                else:
                    note = ""
                    if n == 1 and cell(where) in written:
                        note = f"<!-- {where}: {written[cell(where)]} -->"
                    w(f'     <table:table-cell{style_attr}{span}{cells}/>{note}')
            w('    </table:table-row>')
            if row == header:
                w('    </table:table-header-rows>')


def attrs(props):
    return "".join(f' {k}="{v}"' for k, v in props.items())


def mm(value):
    return f"{value:g}mm"


def paragraph(text):
    """Text for a text:p: runs of blanks kept as text:s."""
    parts = re.split(r"( {2,})", escape(text))
    return "".join(f'<text:s text:c="{len(p)}"/>' if p.startswith("  ") else p for p in parts)


# ---------------------------------------------------------------------------------------------
# Result sheet: one layout for every investigation type.
#
# Columns A..U (21 narrow columns) carry the labels and the indicator names; V, AF and AN hold
# the result, unit and normal value. The columns between V, AF and AN (W..AE, AG..AM, AO..AU)
# are hidden: the program rules every line of the result block A18:AN.., and hidden columns
# draw no lines inside it. In rows 18..100 each row's A..U is merged so that the indicator name
# stands in one ruled cell. Nothing below row 17 is merged across V..AU: the program merges the
# signature's V..AU itself, and the office does not merge a range that already holds merges.


def result_sheet():
    # A..C  D..G  H    I..U   V   W..AE  AF  AG..AM  AN  AO..AU
    # (D..H hold the unique number: its ten digits at 8 pt or more)
    widths = [5] * 3 + [4] * 4 + [1.5] + [4.6] * 13 + [28] + [0] * 9 + [24] + [0] * 7 \
        + [40] + [0] * 7
    s = Sheet("result_sheet", "Результат", widths, margins=(12, 10, 15, 15), print_columns="A:AU")
    s.put("A2:AU2", None, "Institution")
    s.program_writes("A2", "laboratory")
    s.put("A5:AU5", "РЕЗУЛЬТАТ ЛАБОРАТОРНОГО ИССЛЕДОВАНИЯ", "Heading")

    s.put("A8:C8", "Уник. №")
    s.field("D8", "patient's unique number", "D8:H8")
    s.field("I8", "investigation type", "I8:AU8", "Field_text_bold")
    s.put("P9:U9", "Дата взятия", "Label_right")
    s.field("V9", "sampling date")

    s.put("A11:H11", "Ф.И.О.")
    s.field("I11", "full name", "I11:AU11", "Field_text")
    s.put("A12:H12", "Возраст")
    s.field("I12", "age", "I12:M12")

    s.put("A13:G13", "ЛПУ")
    s.field("H13", "institution", "H13:U13", "Field_text")
    s.put("V13", "Отделение", "Label_right")
    s.field("AF13", "department", "AF13:AU13", "Field_text")
    s.put("A14:G14", "№ полиса")
    s.field("H14", "policy number", "H14:U14")
    s.put("V14", "№ карты", "Label_right")
    s.field("AF14", "card number", "AF14:AU14")
    s.put("A15:G15", "Код обслед.")
    s.field("H15", "examination code", "H15:U15")
    s.put("V15", "№ пп", "Label_right")
    s.field("AF15", "sequence number", "AF15:AU15")

    s.put("A17:U17", "Показатель", "Caption")
    s.put("V17:AE17", "Результат", "Caption")
    s.put("AF17:AM17", "Ед. изм.", "Caption")
    s.put("AN17:AU17", "Норма", "Caption")
    last_result_row = 100
    s.merge_rows(f"A18:U{last_result_row}", "Result_name")
    for column in ("V", "AF", "AN"):
        s.style(f"{column}18:{column}{last_result_row}", "Result_value")
    s.program_fills_from(18, "A", "AU")
    return s


# ---------------------------------------------------------------------------------------------
# Notification of a positive immunoblot: 47 equal narrow columns, results from row 28 unruled.


def notification():
    s = Sheet("notification", "Донесение", [3.9] * COLUMNS, margins=(12, 10, 15, 15),
              print_columns="A:AU")
    s.put("A2:AU2", None, "Institution")
    s.program_writes("A2", "laboratory")
    s.put("A4:AU4", "ОПЕРАТИВНОЕ ДОНЕСЕНИЕ", "Heading")
    s.put("A5:AU6", "о лице, в крови которого при исследовании в реакции иммуноблота "
          "выявлены антитела к ВИЧ", "Subheading")

    s.put("A10:AU10", "Сведения о лице", "Section")
    s.put("A12:H12", "Фамилия")
    s.field("I12", "surname", "I12:AU12", "Field_text")
    s.put("A13:H13", "Имя")
    s.field("I13", "first name", "I13:V13", "Field_text")
    s.put("W13:AB13", "Отчество", "Label_right")
    s.field("AC13", "patronymic", "AC13:AU13", "Field_text")
    s.put("A15:H15", "Пол")
    s.field("I15", "sex", "I15:P15")
    s.put("Y15:AF15", "Дата рождения", "Label_right")
    s.field("AG15", "birth date", "AG15:AU15")
    s.put("Y17:AF17", "Гражданство", "Label_right")
    s.field("AG17", "country", "AG17:AU17", "Field_text")
    s.put("A18:L18", "Адрес (место жительства)")
    s.field("M18", "address", "M18:AU18", "Field_text")

    s.put("A20:AU20", "Сведения об обследовании", "Section")
    s.put("A21:K21", "Код контингента")
    s.field("L21", "examination code", "L21:T21")
    s.put("A22:M22", "Направившее учреждение")
    s.field("N22", "sending institution", "N22:AU22", "Field_text")
    s.put("A24:K24", "Лаборатория")
    s.field("L24", "laboratory", "L24:AU24", "Field_text")

    s.put("A26:AU26", "Результаты исследования", "Section")
    s.put("A27:U27", "Показатель", "Caption_underlined")
    s.put("V27:AE27", "Результат", "Caption_underlined")
    s.put("AF27:AM27", "Ед. изм.", "Caption_underlined")
    s.put("AN27:AU27", "Норма", "Caption_underlined")
    # Each result line's four cells merged under their captions, so that a long value wraps in
    # its own column; the program's lines after the results replace these merges by their own.
    for row in range(28, 101):
        for first, last, style in (("A", "U", "Result_name"), ("V", "AE", "Result_value"),
                                   ("AF", "AM", "Result_value"), ("AN", "AU", "Result_value")):
            s.put(f"{first}{row}:{last}{row}", None, style)
    s.program_fills_from(28, "A", "AU")
    return s


# ---------------------------------------------------------------------------------------------
# Referral for an HIV ELISA: two wider columns A and B for the short labels, then 45 narrow.


def referral():
    s = Sheet("referral", "Направление", [9, 7] + [3.7] * 45, margins=(12, 10, 15, 15),
              print_columns="A:AU")
    s.put("A4:B4", "Куда:")
    s.field("C4", "laboratory", "C4:AU4", "Field_text")
    s.put("C5:AU5", "(наименование лаборатории)", "Hint")

    s.put("A7:AU7", "НАПРАВЛЕНИЕ", "Heading")
    s.put("A8:AU8", "на исследование крови на антитела к ВИЧ методом ИФА", "Subheading")

    s.put("A10:C10", "Откуда:")
    s.field("D10", "sending institution", "D10:AU10", "Field_text")
    s.put("D11:AU11", "(наименование направившего учреждения)", "Hint")

    s.put("A13:AU13", "Сведения о пациенте", "Section")
    s.put("A15:N15", "Фамилия, имя, отчество")
    s.field("O15", "full name", "O15:AU15", "Field_text")
    s.put("A19:V19", "Дата рождения (число, месяц, год)")
    s.field("W19", "birth date in words", "W19:AU19")
    s.put("A23:AU23", "Адрес места жительства (регистрации):")
    s.field("C24", "address", "C24:AU24", "Field_text")

    s.put("A26:AU26", "Сведения о материале", "Section")
    s.put("A28:K28", "Код контингента")
    s.field("L28", "examination code", "L28:R28")
    s.put("S28:AB28", "Дата взятия крови", "Label_right")
    s.field("AD28", "sampling date", "AD28:AK28")

    s.put("A33:AU33", "Врач, направивший на исследование:")
    s.field("C34", "doctor", "C34:V34", "Field_text")
    s.put("X34:AB34", "Подпись", "Label_right")
    s.put("AC34:AK34", None, "Field")
    s.put("C35:V35", "(фамилия, инициалы)", "Hint")
    s.put("A37:B37", "Дата:")
    s.field("C37", "today's date", "C37:L37")
    return s


# ---------------------------------------------------------------------------------------------
# Named reports: the program writes the type (A1), the period (A2), the indicator titles in
# row 3 after the data columns, one row per investigation from row 4, then rules, bolds and
# fits the columns. The template gives the titles of the data columns and the page set-up.

SHORT_REPORT_COLUMNS = [
    ("№ пп", 10), ("ЛПУ", 40), ("Отделение", 28), ("Уник. №", 14), ("Фамилия", 24),
    ("Имя", 18), ("Отчество", 22), ("Дата взятия", 18), ("Дата доставки", 18),
    ("Дата результата", 18), ("Врач", 30),
]

FULL_REPORT_COLUMNS = [
    ("№ пп", 10), ("ЛПУ", 40), ("Отделение", 28), ("Уник. №", 14), ("№ карты", 14),
    ("Фамилия", 24), ("Имя", 18), ("Отчество", 22), ("Пол", 8), ("Дата рожд.", 18),
    ("Возраст", 12), ("Житель", 20), ("Гражданство", 20), ("Территория", 24), ("Район", 20),
    ("Нас. пункт", 24), ("Адрес", 36), ("Код конт.", 14), ("СНИЛС", 22), ("№ полиса", 24),
    ("Код диагн.", 14), ("Дата взятия", 18), ("Дата дост.", 18), ("Дата рез.", 18),
    ("Ист. финанс.", 20), ("Врач", 30),
]


def named_report(name, header, columns):
    indicator_width = 22
    widths = [w for _, w in columns] + [indicator_width] * (COLUMNS - len(columns))
    s = Sheet(name, "Отчет", widths, landscape=True, margins=(10, 10, 12, 10), header=header,
              footer_page_numbers=True, fit_width=True, title_row=3)
    # A1 and A2 are merged across the data columns so that fitting the columns to their
    # contents leaves column A as narrow as its numbers.
    last_data = col_letters(len(columns))
    s.put(f"A1:{last_data}1", None, "Report_title")
    s.program_writes("A1", "investigation type")
    s.put(f"A2:{last_data}2", None, "Label")
    s.program_writes("A2", "period")
    for col, (title, _) in enumerate(columns, start=1):
        s.put(ref_name(3, col), title, "Report_caption")
    first_indicator = col_letters(len(columns) + 1)
    s.style(f"{first_indicator}3:AU3", "Caption_open")
    s.program_fills_from(4, "A", "AU")
    for col in range(len(columns) + 1, COLUMNS + 1):
        s.program_writes(ref_name(3, col), "indicator title")
    return s


def layouts():
    return [
        result_sheet(),
        notification(),
        referral(),
        named_report("named_report", "Поименный отчет о результатах исследований",
                     SHORT_REPORT_COLUMNS),
        named_report("named_report_full",
                     "Поименный отчет о результатах исследований (полный)", FULL_REPORT_COLUMNS),
    ]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--check", action="store_true",
                        help="compare the .fods with their layouts instead of writing them")
    args = parser.parse_args()
    stale = []
    for sheet in layouts():
        path = HERE / f"{sheet.name}.fods"
        text = sheet.fods()
        if args.check:
            if not path.exists() or path.read_text(encoding="utf-8") != text:
                stale.append(path.name)
        elif not path.exists() or path.read_text(encoding="utf-8") != text:
            path.write_text(text, encoding="utf-8")
            print(f"wrote {path.name}")
    if stale:
        print("out of date with make_sources.py: " + ", ".join(stale), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
