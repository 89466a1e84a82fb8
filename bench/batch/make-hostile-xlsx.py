#!/usr/bin/python3
# Workbooks whose worksheet part is made to hang or swamp a reader. Usage: make-hostile-xlsx.py FOLDER
#   gigabyte.xlsx  a cell of 1 GB of text (about 1 MB packed)
#   text.xlsx      30 MB of text that no tag ends
#   tag.xlsx       a tag of 30 MB that never closes
#   amp.xlsx       30 MB of "&" in a cell
import sys
import zipfile

folder = sys.argv[1]
head = b'<worksheet><sheetData><row r="1"><c r="A1" t="inlineStr"><is><t>'


def book(name, write_sheet):
    with zipfile.ZipFile(folder + "/" + name, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("xl/workbook.xml",
                   '<workbook><sheets><sheet name="Sheet" r:id="r1"/></sheets></workbook>')
        z.writestr("xl/_rels/workbook.xml.rels",
                   '<Relationships><Relationship Id="r1" Target="worksheets/s.xml"/>'
                   '</Relationships>')
        with z.open("xl/worksheets/s.xml", "w", force_zip64=True) as f:
            write_sheet(f)


def repeated(prefix, byte, mib, suffix=b""):
    def write(f):
        f.write(prefix)
        block = byte * (1 << 20)
        for _ in range(mib):
            f.write(block)
        f.write(suffix)
    return write


book("gigabyte.xlsx", repeated(head, b"x", 1024, b"</t></is></c></row></sheetData></worksheet>"))
book("text.xlsx", repeated(head, b"x", 30))
book("tag.xlsx", repeated(head + b'</t></is></c><c r="B1" ', b"a", 30))
book("amp.xlsx", repeated(head, b"&", 30, b"</t></is></c></row></sheetData></worksheet>"))
