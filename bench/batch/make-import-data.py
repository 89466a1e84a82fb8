#!/usr/bin/python3
# The import benchmark's sheet: 100,000 rows of ten columns (the cheque columns of the gLabels
# sample and an account number, a bank, a note with commas and quotes, a two-line note), as a
# GBK CSV with CR LF and as an .xlsx written by openpyxl. Usage: make-import-data.py FOLDER
import csv
import sys

import openpyxl

folder = sys.argv[1]
rows = [["date", "payee", "words", "amount", "purpose", "serial", "account", "bank", "note",
         "memo"]]
for i in range(100000):
    rows.append(["贰零贰陆年壹拾贰月零玖日", "收款单位%04d有限公司" % (i % 10000),
                 "壹仟贰佰叁拾肆元伍角整", "%d.%02d" % (i * 7919 % 1000000, i % 100), "货款",
                 "A%06d" % i, "6222%012d" % i, "中国工商银行第%d支行" % (i % 300),
                 "备注,含逗号和\"引号\"%d" % i, "第一行%d\n第二行" % i])
with open(folder + "/import.csv", "w", encoding="gbk", newline="") as f:
    csv.writer(f, lineterminator="\r\n").writerows(rows)
wb = openpyxl.Workbook(write_only=True)
ws = wb.create_sheet("Sheet")
for r in rows:
    ws.append(r)
wb.save(folder + "/import.xlsx")
