#pragma once
// Typing into the fields of the main window's page: the key filter of numeric content kinds,
// the type-ahead completion from the print history, the tick fields, the exclusive groups of
// check boxes, the colours that show how the focused field is related to others, and the
// conversion and calculation when a text field is left.

#include <QObject>
#include <QPointer>

#include "values/valueenv.h"

class QKeyEvent;
class QInputMethodEvent;
class QMouseEvent;

namespace page {
class CheckField;
class FieldRegistry;
class PageField;
class TextBox;
class TextField;
} // namespace page

namespace mainwin {

class HistoryDropDown;
class MainWindow;

// Background colours that show relations (0x00BBGGRR), and the normal background.
inline constexpr quint32 kRelatedColor = 0x11FF00; // reached through related links
inline constexpr quint32 kSameColor = 0xAAAAFF;    // reached through same-content links
inline constexpr quint32 kAddendColor = 0xAAFFAA;  // adds itself into the focused field
inline constexpr quint32 kFactorColor = 0xFFAAAA;  // multiplies into the focused field
inline constexpr quint32 kNormalBackColor = 0xFFFFFF;

// Interval of the type-ahead timer after a key press, ms.
inline constexpr int kAutoFindInterval = 50;

class Typing : public QObject
{
    Q_OBJECT
public:
    explicit Typing(MainWindow &w);
    ~Typing() override;

    MainWindow &window() const { return m_w; }
    HistoryDropDown &dropDown() const { return *m_comb; }

    // The text field in which the last key other than Backspace was pressed.
    int CurTTIdx() const { return m_curTTIdx; }

    // Leaving a text field (also called directly by the text-field dialog and the batch
    // display): its text converted by its content kind, then the calculation of the fields
    // that depend on it. A completion still pending for the field is dropped: what the user saw
    // on leaving is what stays. False when leaving refused: a step failed or told the user why.
    bool TT_LostFocus(int index);
    // The same with the clock and parameters given (a batch reads them once for all records).
    bool TT_LostFocus(int index, const values::ValueEnv &env);
    // The edit a command finishes before it runs (the window's command route): the history
    // drop-down closes as when it loses the focus, and the text field being typed, unless it is
    // `keep`, is left as leaving it would leave it; it keeps the focus. False when leaving
    // refused.
    bool FinishEdit(const QWidget *keep);
    // Removes the relation colours (a mouse press on a field or on the page).
    void HideRelationColor();
    // Unticks the other boxes of a ticked box's exclusive group.
    void SetCheckBoxRCtl(page::CheckField &box);

    void TT_GotFocus(int index);
    void TT_Click(int index);
    void TT_DblClick(int index);
    void CC_Click(int index, bool ticked);
    void AutoFind_Timer();

    // The relation colour a field shows now, kNormalBackColor when it shows none.
    static quint32 RelationColor(const page::PageField *field);

private:
    page::FieldRegistry &reg() const;
    // A mouse button let go over a text or picture field.
    void released(page::PageField &field, const QMouseEvent *e);
    bool keyPress(page::TextField &field, QKeyEvent *e);
    void inputMethod(page::TextField &field, QInputMethodEvent *e);
    void armAutoFind(page::TextField &field);
    void colour(page::PageField *field, quint32 color);

    MainWindow &m_w;
    HistoryDropDown *m_comb = nullptr;
    int m_curTTIdx = 0;
    QPointer<page::TextBox> m_autoFindBox;
    QPointer<page::TextBox> m_afterDblClick;
};

} // namespace mainwin
