#pragma once
// What a picture field shows: the picture file its value names (a value holding ".") or the
// barcode of its text in the program's barcode standard, with the matching tool tip.

#include <QImage>
#include <QString>

#include <functional>
#include <map>
#include <memory>

namespace store {
class AppContext;
}

namespace page {

class PictureField;

inline constexpr const char16_t *kPicEmptyTip =
    u"点鼠标右键，在弹出菜单选相应的菜单项，可添加/更改图片或输入条码。";
inline constexpr const char16_t *kPicFileTip = u"当前图片：";
inline constexpr const char16_t *kPicBarcodeTip = u"当前条码：";

// Barcode standards of the parameter "StrBarCodeStand": 0 (also empty or no number) Code 39,
// anything else EAN-13.
enum class BarcodeStandard { Code39, EAN13 };
BarcodeStandard BarcodeStandardOf(const QString &param);
// Read anew from the parameter table at every call.
BarcodeStandard CurrentBarcodeStandard();

struct PicContentEnv
{
    // The font of the field's Code 39 text line (its row's font column).
    std::function<QString(const PictureField &)> code39Font;
    // The standard of this drawing; default: the stored parameter.
    std::function<BarcodeStandard()> standard;
    // A barcode text the standard cannot draw; called once per field and text.
    std::function<void(const QString &message)> invalid;
    // Which field of which format this is (its row's ID), so that a field rebuilt by a zoom is
    // still the same field; default: its index only.
    std::function<QString(const PictureField &)> identity;
    // The texts already reported, by field index; shared by the copies of one environment.
    std::shared_ptr<std::map<int, QString>> warned = std::make_shared<std::map<int, QString>>();
};

// Sets the field's value and draws it: the same picture path again only repaints; "" empties the
// field; a path whose file is missing or unreadable keeps the value with an empty box; any other
// text is drawn as a barcode filling the box (bars up to an invalid Code 39 character). The
// message about an invalid Code 39 text comes once for each new text of a field, never again for
// repaints of the same text.
void DrawPicCtlContent(PictureField &field, const QString &value, const PicContentEnv &env);

// The barcode of a text as the picture of a box w x h pixels at tpp twips per pixel, fontSize
// points (0: no text line). valid turns false when Code 39 stopped at a character.
QImage RenderBarcode(const QString &text, BarcodeStandard standard, int w, int h, int tpp,
                     double fontSize, const QString &code39Font, bool *valid = nullptr);

// Makes DrawPicCtlContent the way every picture field shows its value (SetPicCtlContent), with
// the Code 39 font from the context's field grid and the message through the reporter.
void InstallPicCtlContent(store::AppContext &ctx);

} // namespace page
