#pragma once
// A filled format as the page renderer needs it: the slip, the print options and every field with
// its row values and its current content. Built from the field grid and the page's fields by
// BuildFilledPage; the renderer itself never looks at a widget.

#include <QColor>
#include <QImage>
#include <QList>
#include <QString>

#include "values/fieldkind.h"

namespace print {

using values::FieldKind;

struct FilledField
{
    FieldKind kind = FieldKind::Text;
    int index = 0; // kind * 1000 + n
    int id = 0;    // the field's ID (column 0 of its row)
    QString prompt; // the field's prompt text (its label's text for a label)
    bool valid = true; // false when a position or size cell is not a number: the field is skipped
    // Millimetres: left, top, width, height; a line holds its end points X1, Y1, X2, Y2.
    double x = 0, y = 0, w = 0, h = 0;
    double charSpacing = 0; // S, mm
    double packedSpacing = 0; // L: line spacing and alignment packed together
    QColor color = Qt::black;
    QString fontName;
    double fontSize = 0; // screen font size in points; a line's width in pixels
    bool bold = false, italic = false, underline = false, strikeOut = false;
    double cash = 0; // content kind; a line's style 1..5
    // Printed content: a text box's text, "√" or "" for a check box, a picture field's link
    // (picture path or barcode text), a label's caption; empty for a line.
    QString text;
    QImage picture; // the picture a picture field shows (when its link names a file)
    int checkValue = 0; // a check box's state: 0 clear, 1 ticked, 2 grey
};

struct FilledPage
{
    QString formatName;
    double widthMm = 0, heightMm = 0; // the slip (Wid, Hie)
    // The shift of every field in mm: minus the print margins (a margin moves fields right and
    // down).
    double offX = 0, offY = 0;
    bool setPaper = false;   // "自动设置纸张"
    bool backPicture = false; // "连同底图打印"
    bool rulers = false;     // "打印标尺坐标"
    bool lengthwise = false; // "纵向打印"
    bool centred = false;    // "卡纸器两边向中间收缩"
    QImage background;       // the format's background picture, may be null
    int barcodeStandard = 0; // 0 Code 39, any other EAN-13
    // The screen page at zoom 1, against which printer fonts are fitted: the width of the page
    // frame in pixels and the screen's resolution. A frame width of 0 stands for a page shown at
    // its natural size.
    double frameWidthPx = 0;
    double screenDpi = 96;
    QList<FilledField> fields; // kinds 0..4 in this order, each kind in index order
};

} // namespace print
