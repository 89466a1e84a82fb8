#pragma once
// The commands that change which format is open or which formats exist: open a format, save the
// open one (under its own or another name), delete a stored format, and the list of the distinct
// values of one column of Fmt for the name chooser.
//
// While one of them runs (it may wait for a chooser, during which the rest of the program stays
// usable), the others refuse to start, so that a switch can never slip into a half-done save.

#include "store/model/context.h"
#include "store/model/gridmodel.h"

#include <QString>

#include <optional>

class QComboBox;

namespace store {

inline constexpr const char16_t *kFmtListCaption = u"选择/管理格式模板";
inline constexpr const char16_t *kSelFormatCaption = u"请选择格式名称";

// What the format commands need of the main window.
class FormatCommandHost
{
public:
    virtual ~FormatCommandHost() = default;
    virtual AppContext &context() = 0;
    // The format manager: shown, waited for until it is gone; its choice, nothing when none
    // was made (an empty answer counts as none too).
    virtual std::optional<QString> chooseFormat() = 0;
    // The name chooser over the stored format names; allowEdit lets a new name be typed.
    virtual std::optional<QString> selectFormatName(bool allowEdit) = 0;
    // Puts the format on the page: size, field grid, fields, default values.
    virtual void initFmtOnPage(const QString &name) = 0;
    // Date fields take today's date.
    virtual void autoFillDates() = 0;
    virtual void O2_Click(int index) = 0;
    // The background picture file of a format.
    virtual QString backPicFile(const QString &name) = 0;
};

// True while a format command runs.
bool FmtCommandBusy();

// A chooser's SelResult as its answer: nothing when it is empty (cancelled, closed, or an empty
// text confirmed).
inline std::optional<QString> ChosenName(const QString &selResult)
{
    return selResult.isEmpty() ? std::nullopt : std::optional<QString>(selResult);
}

// True when table Fmt holds rows of that format name.
bool FmtExists(const QString &name);

// Why a name cannot be taken for a new format: "" when it can; else a text that ends the name
// question's prompt: "含有控制字符" for a character the eye cannot see for what it is (a control
// character of C0, DEL or C1, a format character such as a bidirectional override or a
// zero-width space, a line or paragraph separator, a code point shown as nothing such as a Hangul
// filler or a variation selector, the braille blank) and for a name of spaces alone, "太长" when
// its picture file, pictureFile, could not be written under its name on this file system. Stored
// formats keep whatever name they have.
QString FmtNameFault(const QString &name, const QString &pictureFile);

// The name question: asks, with the title "格式名输入", for another name while the name cannot
// be taken (FmtNameFault) or, when mustBeNew, while a format of that name exists ("格式：“name”
// 已存在，请另取格式名！"). The answer is trimmed; "" when the user gave none.
QString AskFmtName(FormatCommandHost &host, QString name, bool mustBeNew);

// Opens the format. An empty name lets the user choose and receives the choice. Nothing happens
// when there is no name, or the name is the open format and force is not set. A name that is not
// stored lets the user choose another. Leaving a format saves its default record first.
void OpenFmt(FormatCommandHost &host, QString &name, bool force);

// Saves the open format under another name (empty: asks for it; one that cannot be a format's
// name is asked for again), after the question "该格式已经存在，是否覆盖？" when that name exists, and makes it the open format; the background
// picture follows when the target has none. True when saved.
bool SaveFmtAs(FormatCommandHost &host, const QString &name = QString());

// Saves the open format under its own name. True when saved.
bool SaveFmt(FormatCommandHost &host);

// Deletes a stored format (empty: asks for it) with its history and column map, in one
// transaction, after the question; its default record and picture stay. The open format is
// refused with "此格式为当前格式，不允许删除！". True only when the rows were deleted.
bool DeleteFmt(FormatCommandHost &host, const QString &name = QString());

// Fills the combo with the distinct non-empty values of one column of Fmt, in list order.
void FillFmtFieldCombo(QComboBox &combo, const QString &column);

} // namespace store
