#!/usr/bin/python3
# The formula workbook as clerks get it, and what openpyxl reads from a workbook.
#   formula_sheets.py make OUT.xlsx        writes the workbook with openpyxl (formulas without
#                                           their values, as openpyxl always writes them)
#   formula_sheets.py cells FILE ROWS COLS  prints, as JSON, the texts the batch grid should show
#                                           for the first sheet's rows 1..ROWS and columns
#                                           1..COLS, from openpyxl with data_only=True
import datetime
import json
import sys

import openpyxl


def make(path):
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "明细"
    ws.append(["收款人", "单价", "数量", "金额", "日期", "已核", "备注"])
    rows = [
        ["张三", 12.5, 4, "=B2*C2", "=DATE(2026,12,9)", "=D2>40", '=A2&"的货款"'],
        ["李四", 0.1, 3, "=ROUND(B3*C3,2)", "=E2+31", "=D3>40", "=UPPER(\"abc\")&\"，第\"&C3&\"笔\""],
        ["王五", 1000, 2, "=SUM(B4:C4)", "=DATE(2024,2,29)", "=AND(C4>1,B4>0)", "第一行\n第二行"],
        [None, None, None, None, None, None, None],  # an empty row
        ["张三", -7.25, 1, "=B6*C6", "=DATE(2025,1,1)+0.5", "=FALSE()", "=IF(D6<0,\"退款\",\"\")"],
        ["合并单元格", None, None, "=SUM(D2:D6)", None, "=TRUE()", "=COUNTA(A2:A6)&\"人\""],
    ]
    for r in rows:
        ws.append(r)
    for row in ws.iter_rows(min_row=2, min_col=5, max_col=5):
        for c in row:
            c.number_format = "yyyy-mm-dd"
    ws["E6"].number_format = "yyyy-mm-dd hh:mm:ss"
    ws.merge_cells("A7:C7")
    wb.save(path)


def as_text(v):
    if v is None:
        return ""
    if isinstance(v, bool):
        return "True" if v else "False"
    if isinstance(v, datetime.datetime):
        if v.time() == datetime.time(0, 0):
            return v.strftime("%Y-%m-%d")
        return v.strftime("%Y-%m-%d %H:%M:%S")
    if isinstance(v, datetime.date):
        return v.strftime("%Y-%m-%d")
    if isinstance(v, (int, float)):
        # The shortest text of the value to 15 significant digits, as the program writes it.
        t = "%.15g" % v
        return t
    # The batch grid shows a line break as the line-break symbol.
    return str(v).replace("\n", "//")


def cells(path, rows, cols):
    ws = openpyxl.load_workbook(path, data_only=True).worksheets[0]
    out = []
    for r in range(1, rows + 1):
        out.append([as_text(ws.cell(row=r, column=c).value) for c in range(1, cols + 1)])
    print(json.dumps(out, ensure_ascii=False))


if __name__ == "__main__":
    if sys.argv[1] == "make":
        make(sys.argv[2])
    else:
        cells(sys.argv[2], int(sys.argv[3]), int(sys.argv[4]))
