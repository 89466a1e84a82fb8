#include "mainwin/typing.h"

#include "mainwin/commandroute.h"
#include "mainwin/histcombo.h"
#include "mainwin/mainwindow.h"
#include "page/calcadapter.h"
#include "page/field.h"
#include "page/pageview.h"
#include "page/registry.h"
#include "store/model/context.h"
#include "store/model/fieldrow.h"
#include "store/model/fmtstore.h"
#include "store/view/gridcolor.h"
#include "store/core/helpers.h"
#include "store/model/history.h"
#include "store/db/reporter.h"
#include "store/core/vb.h"
#include "values/amounts.h"
#include "values/contentkind.h"

#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>

#include <cmath>
#include <cstdlib>
#include <optional>

namespace mainwin {

namespace {

constexpr int kMaxRelationSteps = 201;
constexpr char16_t kAllowedNumeric[] = u"0123456789.";
const char *const kRelationColor = "relationColor";

bool IsRelationColor(quint32 c)
{
    return c == kRelatedColor || c == kSameColor || c == kAddendColor || c == kFactorColor;
}

// The background of a field widget: a text box paints its base, other widgets their window.
void PaintBackground(QWidget *w, const std::optional<quint32> &color)
{
    QPalette pal = w->palette();
    const bool text = qobject_cast<page::TextBox *>(w) != nullptr;
    const QColor c = store::VbToQColor(color.value_or(kNormalBackColor));
    if (text) {
        pal.setColor(QPalette::Base, c);
    } else {
        pal.setColor(QPalette::Window, c);
        w->setAutoFillBackground(color.has_value());
    }
    w->setPalette(pal);
}

} // namespace

Typing::Typing(MainWindow &w) : QObject(&w), m_w(w)
{
    setObjectName(QStringLiteral("Typing"));
    m_comb = new HistoryDropDown(*this, w.COMB());
    QTimer *timer = w.AutoFind();
    timer->setSingleShot(true);
    timer->setInterval(kAutoFindInterval);
    connect(timer, &QTimer::timeout, this, &Typing::AutoFind_Timer);
    connect(&reg(), &page::FieldRegistry::textLostFocus, this,
            [this](int index) { TT_LostFocus(index); });
    // Nothing typed for one format may land in the next one.
    connect(&w.context(), &store::AppContext::formatSwitching, this, [this] {
        m_w.AutoFind()->stop();
        m_autoFindBox.clear();
        m_comb->Hide();
    });
    // The fields hand on what the user does to them. The layout editing connects after this,
    // so it sees each event after the typing: a key swallowed here reaches neither it nor the
    // field.
    page::FieldRegistry &r = reg();
    connect(&r, &page::FieldRegistry::textKeyPressed, this,
            [this](page::TextField *f, QKeyEvent *e, bool &taken) {
                if (m_w.fields() && !taken)
                    taken = keyPress(*f, e);
            });
    connect(&r, &page::FieldRegistry::textInputMethod, this,
            [this](page::TextField *f, QInputMethodEvent *e) {
                if (m_w.fields())
                    inputMethod(*f, e);
            });
    connect(&r, &page::FieldRegistry::fieldMouseReleased, this,
            [this](page::PageField *f, QMouseEvent *e, bool &) {
                if (m_w.fields())
                    released(*f, e);
            });
    connect(&r, &page::FieldRegistry::fieldDoubleClicked, this,
            [this](page::PageField *f, QMouseEvent *e, bool &) {
                // The release that ends a double click is no click of its own.
                if (m_w.fields() && f->Kind() == page::FieldKind::Text &&
                    e->button() == Qt::LeftButton) {
                    m_afterDblClick = static_cast<page::TextField *>(f)->Box();
                    TT_DblClick(f->Index());
                }
            });
    connect(&r, &page::FieldRegistry::fieldFocused, this,
            [this](page::PageField *f, Qt::FocusReason reason) {
                if (!m_w.fields())
                    return;
                if (f->Kind() == page::FieldKind::Text && reason != Qt::ActiveWindowFocusReason &&
                    reason != Qt::PopupFocusReason)
                    TT_GotFocus(f->Index());
                else if (f->Kind() == page::FieldKind::Picture)
                    m_w.PG()->setFocus(Qt::OtherFocusReason);
            });
    connect(&r, &page::FieldRegistry::checkToggled, this, [this](int index, bool ticked) {
        if (m_w.fields())
            CC_Click(index, ticked);
    });
}

Typing::~Typing() = default;

page::FieldRegistry &Typing::reg() const
{
    return *m_w.fields();
}

void Typing::released(page::PageField &field, const QMouseEvent *e)
{
    if (field.Kind() == page::FieldKind::Picture) {
        m_comb->Hide();
        return;
    }
    if (field.Kind() != page::FieldKind::Text)
        return;
    page::TextBox *box = static_cast<page::TextField &>(field).Box();
    if (m_afterDblClick == box) {
        m_afterDblClick.clear();
        return;
    }
    if (e->button() == Qt::LeftButton && box->rect().contains(e->position().toPoint()))
        TT_Click(field.Index());
}

bool Typing::keyPress(page::TextField &field, QKeyEvent *e)
{
    const QString text = e->text();
    // Keys that type nothing (arrows, Home, Delete, function keys) are no key presses here.
    if (text.isEmpty() || e->key() == Qt::Key_Delete || e->key() == Qt::Key_Tab ||
        e->key() == Qt::Key_Backtab)
        return false;
    const char16_t c0 = text.at(0).unicode();
    // Ctrl with a letter is a shortcut of the field (select all, copy, cut, undo), whatever
    // text the platform sends with it; Ctrl+Alt is AltGr on some keyboards and types.
    const Qt::KeyboardModifiers mods = e->modifiers();
    const bool shortcut =
        (mods & (Qt::ControlModifier | Qt::MetaModifier)) && !(mods & Qt::AltModifier);
    bool swallow = false;
    if (values::DecodeKind(reg().GetCtlCash(&field)).digitKeys) {
        if (e->matches(QKeySequence::Paste)) {
            // Pasted text keeps only what could have been typed.
            field.Box()->ShowWhole();
            field.Box()->insert(
                values::KeepChars(QGuiApplication::clipboard()->text(), kAllowedNumeric));
            swallow = true;
        } else if (shortcut) {
            swallow = false;
        } else if (c0 == u'\r' || c0 == u'\n') {
            swallow = true;
        } else if (c0 >= 32 && c0 != 127) {
            if (text.size() == 1) {
                int code = c0;
                store::NumKeyFilter(code);
                swallow = code == 0;
            } else {
                const QString kept = values::KeepChars(text, kAllowedNumeric);
                if (kept != text) {
                    field.Box()->ShowWhole();
                    field.Box()->insert(kept);
                    swallow = true;
                }
            }
        }
        // Backspace and the Ctrl shortcuts (copy, cut, select all, undo) insert nothing.
    }
    if (c0 != 8)
        armAutoFind(field);
    return swallow;
}

void Typing::inputMethod(page::TextField &field, QInputMethodEvent *e)
{
    const QString commit = e->commitString();
    if (commit.isEmpty())
        return;
    if (values::DecodeKind(reg().GetCtlCash(&field)).digitKeys) {
        const QString kept = values::KeepChars(commit, kAllowedNumeric);
        if (kept != commit)
            e->setCommitString(kept, e->replacementStart(), e->replacementLength());
    }
    armAutoFind(field);
}

void Typing::armAutoFind(page::TextField &field)
{
    m_curTTIdx = field.Index();
    m_autoFindBox = field.Box();
    m_w.AutoFind()->start(kAutoFindInterval);
}

void Typing::AutoFind_Timer()
{
    m_w.AutoFind()->stop();
    // The format may have changed since the key was pressed: only the same field completes.
    auto *f = dynamic_cast<page::TextField *>(reg().GetCtlByIdx(m_curTTIdx));
    if (!f || !m_autoFindBox || f->Box() != m_autoFindBox)
        return;
    const QString text = f->Text();
    const std::optional<qint32> id = reg().GetCtlID(f);
    if (!id)
        return;
    const QStringList found = store::HistoryCompletions(m_w.context().FormatName(), *id, text, 2);
    if (found.size() != 1 || found.first() == text)
        return;
    const qsizetype n = text.size();
    f->SetText(found.first());
    // The completed rest is selected; in a box that shows only the start of a long value, up to
    // the end of the start, which stands for the end of the value.
    page::TextBox *box = f->Box();
    if (n >= box->text().size())
        box->ShowWhole();
    box->setSelection(int(n), int(box->text().size() - n));
}

bool Typing::TT_LostFocus(int index)
{
    return TT_LostFocus(index, page::PageValueEnv());
}

bool Typing::TT_LostFocus(int index, const values::ValueEnv &env)
{
    if (!m_w.fields())
        return true;
    auto *f = dynamic_cast<page::TextField *>(reg().GetCtlByIdx(index));
    if (!f || reg().Reloading())
        return true;
    if (m_curTTIdx == index && m_autoFindBox == f->Box())
        m_w.AutoFind()->stop();
    const quint64 told = store::MessagesShown();
    try {
        page::LeaveField(reg(), index, env);
    } catch (...) {
        // A failing step changes nothing more; the user goes on typing.
        return false;
    }
    return store::MessagesShown() == told;
}

bool Typing::FinishEdit(const QWidget *keep)
{
    if (!m_w.fields())
        return true;
    // The drop-down goes as it goes when it loses the focus; its text is in its field already.
    QComboBox *comb = m_comb->combo();
    if (comb->isVisible()) {
        if (comb->hasFocus())
            comb->clearFocus();
        m_comb->Hide();
    }
    auto *box = qobject_cast<page::TextBox *>(m_w.focusWidget());
    if (!box || box == keep)
        return true;
    const page::PageField *f = reg().FieldOfWidget(box);
    return !f || TT_LostFocus(f->Index());
}

void Typing::TT_Click(int index)
{
    if (auto *f = dynamic_cast<page::TextField *>(reg().GetCtlByIdx(index))) {
        if (values::DecodeKind(reg().GetCtlCash(f)).kind == 115)
            f->SetText(f->Text().isEmpty() ? QStringLiteral("√") : QString());
    }
    m_comb->Hide();
}

void Typing::TT_DblClick(int index)
{
    m_comb->Show(index);
}

void Typing::colour(page::PageField *field, quint32 color)
{
    if (!field || field->Selected() || !field->Widget())
        return;
    field->Widget()->setProperty(kRelationColor, color);
    PaintBackground(field->Widget(), color);
}

quint32 Typing::RelationColor(const page::PageField *field)
{
    if (!field || !field->Widget())
        return kNormalBackColor;
    const QVariant v = field->Widget()->property(kRelationColor);
    return v.isValid() ? v.toUInt() : kNormalBackColor;
}

void Typing::TT_GotFocus(int index)
{
    page::FieldRegistry &r = reg();
    auto *focused = r.GetCtlByIdx(index);
    if (!focused || focused->Selected())
        return;
    if (index >= 2) {
        const page::PageField *prev = r.GetCtlByIdx(index - 1);
        if (prev && prev->Widget() && !prev->Widget()->isEnabled())
            return;
    }
    const qint32 self = r.GetCtlID(focused).value_or(0);
    // Related fields, then fields of the same content, each chain walked from the focused one.
    page::PageField *cur = focused;
    for (int i = 0; i < kMaxRelationSteps; ++i) {
        const qint32 c = r.GetRCtl1(cur);
        if (c >= 0)
            break;
        cur = r.GetCtlByID(-c);
        if (!cur)
            break;
        colour(cur, kRelatedColor);
        if (-c == self)
            break;
    }
    cur = focused;
    for (int i = 0; i < kMaxRelationSteps; ++i) {
        const qint32 c = r.GetRCtl(cur);
        if (c < 1)
            break;
        cur = r.GetCtlByID(c);
        if (!cur)
            break;
        colour(cur, kSameColor);
        if (c == self)
            break;
    }
    // Text fields that add or multiply themselves into the focused field.
    for (int pass = 0; pass < 2; ++pass) {
        for (int j = r.FirstCtlIdx(0); j <= r.LastCtlIdx(0); ++j) {
            page::PageField *t = r.GetCtlByIdx(j);
            if (!t)
                continue;
            const qint32 s = pass == 0 ? r.GetSumID(t) : r.GetSumID1(t);
            if (s == 0 || r.GetCtlIndexByID(std::abs(s)) != index)
                continue;
            colour(t, s > 0 ? kAddendColor : kFactorColor);
        }
    }
}

void Typing::HideRelationColor()
{
    for (page::PageField *f : reg().AllFields()) {
        QWidget *w = f->Widget();
        if (!w)
            continue;
        const QVariant v = w->property(kRelationColor);
        if (!v.isValid() || !IsRelationColor(v.toUInt()))
            continue;
        w->setProperty(kRelationColor, QVariant());
        // A field selected meanwhile keeps the look the selection gave it.
        if (!f->Selected())
            PaintBackground(w, std::nullopt);
    }
}

void Typing::CC_Click(int index, bool ticked)
{
    m_comb->Hide();
    if (!ticked)
        return;
    if (auto *box = dynamic_cast<page::CheckField *>(reg().GetCtlByIdx(index)))
        SetCheckBoxRCtl(*box);
}

void Typing::SetCheckBoxRCtl(page::CheckField &box)
{
    page::FieldRecord record = reg().Record();
    page::UncheckGroup(reg().Layout(), record, box.Index());
    reg().PutRecord(record);
}

} // namespace mainwin
