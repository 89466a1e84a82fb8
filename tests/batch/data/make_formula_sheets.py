#!/usr/bin/python3
# Makes the formula workbooks the way users' tools save them. Run from this folder.
#   formulas-xlwt.xls  python3-xlwt; xlwt saves no formula results, so Excel and LibreOffice
#                      compute them when they open it, and a reader that does not evaluate
#                      formulas finds those cells empty
#   formulas-lo.xls    LibreOffice ("soffice --headless --convert-to xls") from the same sheet
#                      written with openpyxl; LibreOffice computes every formula and saves the
#                      results
# Both: number, text, date and Boolean formulas, an error, shared strings, empty and merged cells.
#
# The damaged workbooks beside them:
#   crash.xls  sheet.xls with ten bytes changed, found by mutating it: FreeXL 1.0.6 crashes on it
#              (SIGSEGV) as soon as it opens it
#   hang.xls   sheet.xls with a sector that names itself as the next sector of the FAT's sector
#              list, and a count of 4 billion of them: FreeXL 1.0.6 reads that one sector for ever
import datetime
import os
import subprocess
import tempfile

import openpyxl
import xlwt

HEADER = ["姓名", "单价", "数量", "金额", "合计", "称呼", "日期", "到期", "大额", "均价", "城市"]
ROWS = [
    ["张三", 12.5, 10, datetime.date(2024, 1, 31), "北京"],
    ["李四", 0.1, 3, datetime.date(2024, 2, 29), "上海"],
    None,  # an empty row
    ["王五", 88, 0, datetime.date(2023, 12, 1), "北京"],
    ["赵六", 1234.56, 2, datetime.date(2024, 3, 1), None],
]
# Row 8: a merged block over A8:C8 and one over E8:F8.
MERGED = [(7, 0, 2, "合并的格"), (7, 4, 5, "另一块")]


def formulas(r):
    """The formula cells of sheet row r (1-based), as column index -> formula text."""
    return {
        3: "B%d*C%d" % (r, r),
        4: "SUM(B%d:C%d)" % (r, r),
        5: 'A%d&"先生"' % r,
        7: "G%d+30" % r,
        8: "D%d>100" % r,
        9: "B%d/C%d" % (r, r),
    }


def write_xlwt():
    wb = xlwt.Workbook(encoding="utf-8")
    ws = wb.add_sheet("数据")
    date = xlwt.easyxf(num_format_str="YYYY-MM-DD")
    for c, h in enumerate(HEADER):
        ws.write(0, c, h)
    for i, row in enumerate(ROWS):
        r = i + 1
        if row is None:
            continue
        name, price, count, day, city = row
        ws.write(r, 0, name)
        ws.write(r, 1, price)
        ws.write(r, 2, count)
        ws.write(r, 6, day, date)
        if city is not None:
            ws.write(r, 10, city)
        for c, f in formulas(r + 1).items():
            ws.write(r, c, xlwt.Formula(f), date if c == 7 else xlwt.Style.default_style)
    for r, c1, c2, text in MERGED:
        ws.write_merge(r, r, c1, c2, text)
    wb.save("formulas-xlwt.xls")


def write_xlsx(path):
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "数据"
    ws.append(HEADER)
    for i, row in enumerate(ROWS):
        r = i + 2
        if row is None:
            ws.append([])
            continue
        name, price, count, day, city = row
        ws.cell(r, 1, name)
        ws.cell(r, 2, price)
        ws.cell(r, 3, count)
        ws.cell(r, 7, day).number_format = "yyyy-mm-dd"
        if city is not None:
            ws.cell(r, 11, city)
        for c, f in formulas(r).items():
            cell = ws.cell(r, c + 1, "=" + f)
            if c == 7:
                cell.number_format = "yyyy-mm-dd"
    for r, c1, c2, text in MERGED:
        ws.cell(r + 1, c1 + 1, text)
        ws.merge_cells(start_row=r + 1, start_column=c1 + 1, end_row=r + 1, end_column=c2 + 1)
    wb.save(path)


def write_lo():
    with tempfile.TemporaryDirectory() as tmp:
        src = os.path.join(tmp, "formulas-lo.xlsx")
        write_xlsx(src)
        subprocess.run(["soffice", "-env:UserInstallation=file://" + tmp + "/profile",
                        "--headless", "--convert-to", "xls", "--outdir", ".", src],
                       check=True, stdout=subprocess.DEVNULL)


write_xlwt()
write_lo()
