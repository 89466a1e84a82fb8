#!/usr/bin/python3
# Format files of 200,000 broken lines (GBK, CR LF). Usage: make-cqf-data.py FOLDER
#   short支票.cqf: a whole-format row, then 200,000 short lines without a separator, which all
#                 join the whole-format row (whose last field then still reads as 0)
#   split支票.cqf: 100,000 fields, each record line broken in two (200,000 lines), imported
import sys

sep = "】★【"
folder = sys.argv[1]
head = ["<Veltrane格式专用>", "转账支票"]
para = sep.join(["1", "0", "【§单据整体格式参数§】", "0", "0", "0", "200", "90", "0", "0", "0",
                 "宋体", "9", "False", "False", "False", "False", "0", "0", "", "0", "0"])


def field(i):
    return ["%d" % (i + 2), "0", "字段%d" % i, "1", "%d" % (i % 180), "%d" % (i % 80), "30", "6",
            "0", "0", "0", "宋体", "10", "False", "False", "False", "False", "0",
            "%d" % (i + 1), "", "0", "0"]


with open(folder + "/short支票.cqf", "w", encoding="gbk", newline="") as f:
    f.write("\r\n".join(head + [para] + ["x%d" % i for i in range(200000)]))
with open(folder + "/split支票.cqf", "w", encoding="gbk", newline="") as f:
    lines = head + [para]
    for i in range(100000):
        fs = field(i)
        lines.append(sep.join(fs[:10]))
        lines.append(sep.join(fs[10:]))
    f.write("\r\n".join(lines))
