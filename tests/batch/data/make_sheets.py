#!/usr/bin/python3
# Makes the test sheet three ways: sheet.xls (python3-xlwt), sheet.xlsx (openpyxl) and sheet.csv
# (GBK, CR LF), with the same cells as the program reads them. Run from this folder.
import csv
import datetime

import openpyxl
import xlwt

HEADER = ["姓名", "备注", "金额", "日期", "城市", "数值"]
ROWS = [
    ["张三", "第一行\n第二行", 1234.5, datetime.date(2024, 1, 31), "北京", 0.1 + 0.2],
    None,  # an empty row
    ["李四", "含,逗号和\"引号\"", 88, datetime.date(2023, 12, 1), "上海", 2],
    ["王五", "ζξ字", 0.5, datetime.date(2024, 2, 29), "广州", -1.25],
    ["赵六", "", 10, datetime.date(2024, 3, 1), "深圳", 100],
]
OTHER = {"B": [["乙表"]], "C": [["丙表", 3]]}


def as_text(v):
    if isinstance(v, datetime.date):
        return v.strftime("%Y-%m-%d")
    if isinstance(v, float):
        return repr(round(v, 15)).rstrip("0").rstrip(".") if v != int(v) else str(int(v))
    return str(v)


def write_xls():
    wb = xlwt.Workbook(encoding="utf-8")
    date_style = xlwt.easyxf(num_format_str="YYYY-MM-DD")
    ws = wb.add_sheet("A")
    for c, h in enumerate(HEADER):
        ws.write(0, c, h)
    for r, row in enumerate(ROWS, start=1):
        if row is None:
            continue
        for c, v in enumerate(row):
            if v == "":
                continue
            if isinstance(v, datetime.date):
                ws.write(r, c, v, date_style)
            else:
                ws.write(r, c, v)
    for name, rows in OTHER.items():
        s = wb.add_sheet(name)
        for r, row in enumerate(rows):
            for c, v in enumerate(row):
                s.write(r, c, v)
    wb.save("sheet.xls")


def write_xlsx():
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "A"
    ws.append(HEADER)
    for row in ROWS:
        if row is None:
            ws.append([])
            continue
        ws.append([None if v == "" else v for v in row])
        for cell in ws[ws.max_row]:
            if isinstance(cell.value, datetime.date):
                cell.number_format = "yyyy-mm-dd"
    for name, rows in OTHER.items():
        s = wb.create_sheet(name)
        for row in rows:
            s.append(row)
    wb.save("sheet.xlsx")


def write_csv():
    with open("sheet.csv", "w", encoding="gbk", newline="") as f:
        w = csv.writer(f, lineterminator="\r\n")
        w.writerow(HEADER)
        for row in ROWS:
            w.writerow([] if row is None else [as_text(v) for v in row])


write_xls()
write_xlsx()
write_csv()
