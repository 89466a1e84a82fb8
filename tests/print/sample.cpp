#include "sample.h"

#include "store/core/vb.h"

#include <QFile>
#include <QHash>
#include <QTextStream>

namespace printtest {

QString SampleValue(const QString &label)
{
    static const QHash<QString, QString> values{
        {"存根出票日期", "贰零贰陆年壹拾贰月零玖日"},
        {"存根收款人", "甲公司"},
        {"存根金额", "￥1,234.50"},
        {"存根用途", "货款"},
        {"出票日期年", "贰零贰陆"},
        {"出票日期月", "壹拾贰"},
        {"出票日期日", "零玖"},
        {"收款人", "收款单位0001有限公司"},
        {"大写金额", "壹仟贰佰叁拾肆元伍角整"},
        {"小写金额", "1234.5"},
        {"用途", "货款"},
        {"条码", "A000123"},
        {"日期年", "贰零贰陆"},
        {"日期月", "壹拾贰"},
        {"日期日", "零玖"},
        {"出票人全称", "某某贸易有限公司"},
        {"出票人账号", "6222 0210 0104 5678 901"},
        {"出票人开户银行", "工商银行北京分行"},
        {"收款人全称", "收款单位0001有限公司"},
        {"收款人账号", "1100-2233-4455"},
        {"收款人开户银行", "建设银行上海分行（营业部）"},
        {"票据种类", "转账支票"},
        {"票据张数", "1"},
    };
    return values.value(label);
}

print::FilledPage SampleFormat(const QString &format)
{
    print::FilledPage page;
    QFile file(QStringLiteral(PRINT_SAMPLE_FORMATS));
    if (!file.open(QIODevice::ReadOnly))
        return page;
    QTextStream in(&file);
    QStringList head;
    int counts[5] = {0, 0, 0, 0, 0};
    while (!in.atEnd()) {
        const QString line = in.readLine();
        if (line.startsWith('#') || line.isEmpty())
            continue;
        const QStringList cells = line.split('\t');
        if (head.isEmpty()) {
            head = cells;
            continue;
        }
        auto cell = [&](const char *name) {
            return cells.value(head.indexOf(QLatin1String(name)));
        };
        if (cell("Fmt") != format)
            continue;
        if (cell("LBL") == QStringLiteral("【§单据整体格式参数§】")) {
            page.formatName = cell("Fmt");
            page.widthMm = store::Val(cell("W"));
            page.heightMm = store::Val(cell("H"));
            // Stored: 10 - margin; the shift is minus the margin.
            page.offX = store::Val(cell("X")) - 10;
            page.offY = store::Val(cell("Y")) - 10;
            page.setPaper = cell("Mem").section('|', 0, 0).toLower() == "true";
            continue;
        }
        print::FilledField f;
        const int kind = int(store::Val(cell("Clas")));
        f.kind = print::FieldKind(kind);
        f.index = kind * 1000 + ++counts[kind];
        f.id = int(store::Val(cell("ID")));
        f.prompt = cell("LBL");
        f.x = store::Val(cell("X"));
        f.y = store::Val(cell("Y"));
        f.w = store::Val(cell("W"));
        f.h = store::Val(cell("H"));
        f.charSpacing = store::Val(cell("S"));
        f.packedSpacing = store::Val(cell("L"));
        f.fontName = cell("fName");
        f.fontSize = store::Val(cell("fSize"));
        f.bold = store::Val(cell("fBold")) != 0;
        f.cash = store::Val(cell("Cash"));
        f.text = f.kind == print::FieldKind::Label ? f.prompt : SampleValue(f.prompt);
        page.fields << f;
    }
    return page;
}

print::FilledPage SampleCheque()
{
    print::FilledPage page = SampleFormat(QStringLiteral("转账支票"));
    print::FilledField code;
    code.kind = print::FieldKind::Picture;
    code.index = 2001;
    code.id = 99;
    code.prompt = QStringLiteral("条码");
    code.x = 100;
    code.y = 52;
    code.w = 70;
    code.h = 16;
    code.fontName = QStringLiteral("宋体");
    code.fontSize = 9;
    code.text = SampleValue(code.prompt);
    page.fields << code;
    return page;
}

} // namespace printtest
