#include "page/registry.h"

#include "page/fieldrow.h"
#include "page/fieldvalue.h"
#include "page/rowsync.h"
#include "store/model/fmtstore.h"
#include "store/model/gridmodel.h"
#include "store/core/helpers.h"
#include "store/core/vb.h"

#include <QApplication>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace page {

FieldRegistry::FieldRegistry(store::AppContext &ctx, QWidget *page, QObject *parent)
    : QObject(parent), m_ctx(ctx), m_page(page)
{
    if (page && page->logicalDpiX() > 0)
        m_tpp = std::max(1, qRound(1440.0 / page->logicalDpiX()));
}

FieldRegistry::~FieldRegistry()
{
    UnloadAllCtl();
}

store::FlexGridModel *FieldRegistry::Grid() const
{
    return m_ctx.FieldGrid();
}

double FieldRegistry::Scale() const
{
    return store::PageScale(m_ctx.PageWidth(), m_ctx.Wid());
}

double FieldRegistry::Zoom() const
{
    if (m_ctx.FrameWidth() <= 0 || m_ctx.PageWidth() <= 0)
        return 1.0;
    return m_ctx.PageWidth() / m_ctx.FrameWidth();
}

void FieldRegistry::ResetCtlCount()
{
    UnloadAllCtl();
}

void FieldRegistry::UnloadAllCtl()
{
    ReloadGuard guard(*this);
    // A focused field that goes away must not run its leave-the-field handling.
    if (QWidget *focus = QApplication::focusWidget()) {
        for (const auto &kind : m_fields)
            for (const auto &f : kind)
                if (f->Widget() == focus)
                    focus->clearFocus();
    }
    for (auto &kind : m_fields)
        kind.clear();
}

PageField *FieldRegistry::AddCtl(int kind, int row)
{
    if (kind < 0 || kind >= kKindCount || !m_page)
        return nullptr;
    auto &list = m_fields[size_t(kind)];
    if (int(list.size()) >= kMaxFieldsPerKind)
        return nullptr;
    const int index = kind * 1000 + int(list.size()) + 1;
    std::unique_ptr<PageField> field;
    switch (FieldKind(kind)) {
    case FieldKind::Text: {
        auto text = std::make_unique<TextField>(index, m_tpp, m_page);
        connect(text->Box(), &TextBox::lostFocus, this, [this, index] {
            if (!Reloading())
                emit textLostFocus(index);
        });
        field = std::move(text);
        break;
    }
    case FieldKind::Check: {
        auto check = std::make_unique<CheckField>(index, m_tpp, m_page);
        connect(check->Box(), &QCheckBox::toggled, this,
                [this, index](bool ticked) { emit checkToggled(index, ticked); });
        field = std::move(check);
        break;
    }
    case FieldKind::Picture:
        field = std::make_unique<PictureField>(index, m_tpp, m_page);
        break;
    case FieldKind::Line: {
        auto line = std::make_unique<LineField>(index, m_tpp, m_page);
        line->SetBorderColor(0);
        field = std::move(line);
        break;
    }
    case FieldKind::Label:
        field = std::make_unique<LabelField>(index, m_tpp, m_page);
        break;
    }
    field->SetRow(row);
    field->SetEventSink(this);
    field->SetVisible(true);
    // Labels and prompt labels lie under the typed fields.
    if (field->Kind() == FieldKind::Label && field->Widget())
        field->Widget()->lower();
    if (field->Caption())
        field->Caption()->lower();
    list.push_back(std::move(field));
    return list.back().get();
}

bool FieldRegistry::FieldEvent(PageField &field, QEvent *event)
{
    // Nothing after an emit touches the field: a handler may have rebuilt the page.
    bool taken = false;
    auto *text = field.Kind() == FieldKind::Text ? static_cast<TextField *>(&field) : nullptr;
    switch (event->type()) {
    case QEvent::KeyPress:
        if (text)
            emit textKeyPressed(text, static_cast<QKeyEvent *>(event), taken);
        break;
    case QEvent::InputMethod:
        if (text)
            emit textInputMethod(text, static_cast<QInputMethodEvent *>(event));
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease: {
        using MouseSignal = void (FieldRegistry::*)(PageField *, QMouseEvent *, bool &);
        const MouseSignal signal = event->type() == QEvent::MouseButtonPress
                                       ? &FieldRegistry::fieldMousePressed
                                   : event->type() == QEvent::MouseButtonDblClick
                                       ? &FieldRegistry::fieldDoubleClicked
                                   : event->type() == QEvent::MouseMove
                                       ? &FieldRegistry::fieldMouseMoved
                                       : &FieldRegistry::fieldMouseReleased;
        emit(this->*signal)(&field, static_cast<QMouseEvent *>(event), taken);
        break;
    }
    case QEvent::FocusIn:
        emit fieldFocused(&field, static_cast<QFocusEvent *>(event)->reason());
        break;
    default:
        break;
    }
    return taken;
}

int FieldRegistry::CtlCount(int kind) const
{
    if (kind < 0 || kind >= kKindCount)
        return 0;
    return int(m_fields[size_t(kind)].size());
}

PageField *FieldRegistry::GetCtlByIdx(int index) const
{
    if (index < 0 || index >= kKindCount * 1000)
        return nullptr;
    const int kind = index / 1000;
    const int n = index % 1000;
    const auto &list = m_fields[size_t(kind)];
    if (n < 1 || n > int(list.size()))
        return nullptr;
    return list[size_t(n - 1)].get();
}

int FieldRegistry::LastCtlIdx(int kind) const
{
    if (kind < 0 || kind >= kKindCount)
        return FirstCtlIdx(kind) - 1;
    return kind * 1000 + CtlCount(kind);
}

std::vector<PageField *> FieldRegistry::AllFields() const
{
    std::vector<PageField *> all;
    for (const auto &kind : m_fields)
        for (const auto &f : kind)
            all.push_back(f.get());
    return all;
}

PageField *FieldRegistry::FieldOfWidget(const QObject *widget) const
{
    PageField *f = nullptr;
    if (const auto *t = qobject_cast<const TextBox *>(widget))
        f = t->Field();
    else if (const auto *p = qobject_cast<const PictureBox *>(widget))
        f = p->Field();
    else
        for (PageField *c : AllFields())
            if (c->Widget() == widget) {
                f = c;
                break;
            }
    return f && GetCtlByIdx(f->Index()) == f ? f : nullptr;
}

store::FieldRow FieldRegistry::RowOf(const PageField *ctl) const
{
    const store::FlexGridModel *grid = Grid();
    if (!ctl || !grid)
        return store::FieldRow();
    return store::ReadFieldRow(*grid, ctl->Row());
}

std::optional<qint32> FieldRegistry::GetCtlID(const PageField *ctl) const
{
    // Asked for every field of every record of a batch: only the ID's cell is read.
    const store::FlexGridModel *grid = Grid();
    if (!ctl || !grid)
        return std::nullopt;
    return store::ReadFieldRowId(*grid, ctl->Row()).Long();
}

int FieldRegistry::GetCtlDir(const PageField *ctl) const
{
    return RowOf(ctl).dir;
}

double FieldRegistry::GetCtlCash(const PageField *ctl) const
{
    const store::FlexGridModel *grid = Grid();
    if (!ctl || !grid)
        return 0.0;
    return store::ReadFieldRowCash(*grid, ctl->Row()).Number().value_or(0.0);
}

qint32 FieldRegistry::GetRCtl(const PageField *ctl) const
{
    const store::FieldRow f = RowOf(ctl);
    const qint32 r = f.rctl.Long().value_or(0);
    if (r >= 1)
        return r;
    return f.rctl1.Long().value_or(0);
}

qint32 FieldRegistry::GetRCtl1(const PageField *ctl) const
{
    const store::FieldRow f = RowOf(ctl);
    const qint32 related = f.rctl1.Long().value_or(0);
    if (related < 0)
        return related;
    return f.rctl.Long().value_or(0);
}

qint32 FieldRegistry::GetSumID(const PageField *ctl) const
{
    return RowOf(ctl).sumId.Long().value_or(0);
}

qint32 FieldRegistry::GetSumID1(const PageField *ctl) const
{
    return RowOf(ctl).sumId1.Long().value_or(0);
}

PageField *FieldRegistry::GetCtlByRow(int row, bool *error) const
{
    if (error)
        *error = false;
    const store::FlexGridModel *grid = Grid();
    const auto kind = grid ? store::ReadFieldRowKind(*grid, row) : std::nullopt;
    if (!kind || *kind < 0 || *kind >= kKindCount) {
        if (error)
            *error = true;
        return nullptr;
    }
    for (const auto &f : m_fields[size_t(*kind)])
        if (f->Row() == row)
            return f.get();
    return nullptr;
}

PageField *FieldRegistry::GetCtlByID(qint32 id, bool *error) const
{
    if (error)
        *error = false;
    const store::FlexGridModel *grid = Grid();
    if (!grid)
        return nullptr;
    for (int r = grid->FixedRows(); r < grid->Rows(); ++r) {
        const auto cell = store::ReadFieldRowId(*grid, r).Long();
        if (!cell) {
            if (error)
                *error = true;
            return nullptr;
        }
        if (*cell == id)
            return GetCtlByRow(r, error);
    }
    return nullptr;
}

std::optional<int> FieldRegistry::GetCtlIndexByRow(int row) const
{
    const PageField *f = GetCtlByRow(row);
    if (!f)
        return std::nullopt;
    return f->Index();
}

int FieldRegistry::GetCtlIndexByID(qint32 id) const
{
    if (id <= 0)
        return 0;
    const PageField *f = GetCtlByID(id);
    return f ? f->Index() : 0;
}

std::optional<QPoint> CaptionPos(int dir, const QRect &field, const QSize &label, int offset)
{
    switch (dir) {
    case 0:
        return QPoint(field.x(), field.y() - label.height());
    case 1:
        return QPoint(field.x() - label.width(), field.y() + offset);
    case 2:
        return QPoint(field.x() + field.width(), field.y() + offset);
    case 3:
        return QPoint(field.x(), field.y() + field.height());
    default:
        return std::nullopt;
    }
}

CaptionLabel *FieldRegistry::SetCtlLBLPos(PageField *ctl, CaptionLabel *label, int &dir)
{
    if (!ctl || int(ctl->Kind()) > int(FieldKind::Picture))
        return label;
    if (!label) {
        const auto index = GetCtlIndexByRow(ctl->Row());
        if (!index)
            return nullptr;
        const PageField *owner = GetCtlByIdx(*index);
        label = owner ? owner->Caption() : nullptr;
        if (!label)
            return nullptr;
    }
    if (dir == -1)
        dir = GetCtlDir(ctl);
    if (const auto at = CaptionPos(dir, QRect(ctl->Left(), ctl->Top(), ctl->Width(), ctl->Height()),
                                   QSize(label->Width(), label->Height()), 40))
        label->Move(at->x(), at->y());
    return label;
}

void FieldRegistry::EditRow(PageField &field, const std::function<void(store::FieldRow &)> &change)
{
    store::FlexGridModel *grid = Grid();
    if (!grid)
        return;
    const int row = field.Row();
    store::FieldRow r = store::ReadFieldRow(*grid, row);
    change(r);
    store::WriteFieldRow(*grid, row, r);
    RowToCtl(*this, *grid, row, &field);
}

void FieldRegistry::PlaceField(PageField &field, int left, int top, int width, int height)
{
    field.SetGeometryTw(left, top, width, height);
    int dir = -1;
    SetCtlLBLPos(&field, nullptr, dir);
    CtlToRow(*this, &field);
}

void FieldRegistry::PlaceLine(LineField &line, int x1, int y1, int x2, int y2)
{
    line.SetPoints(x1, y1, x2, y2);
    CtlToRow(*this, &line);
}

void FieldRegistry::SetLabelText(LabelField &label, const QString &text)
{
    label.SetCaptionText(text);
    CtlToRow(*this, &label);
}

bool FieldRegistry::ReloadFields(bool showProgress)
{
    store::FlexGridModel *grid = Grid();
    return grid && ReloadAllCtl(*this, *grid, showProgress);
}

void FieldRegistry::PaintLines(QPainter &p) const
{
    for (const auto &f : m_fields[size_t(FieldKind::Line)])
        static_cast<const LineField *>(f.get())->Paint(p);
}

const FieldLayout &FieldRegistry::Layout() const
{
    static const store::FlexGridModel empty;
    const store::FlexGridModel &grid = Grid() ? *Grid() : empty;
    if (!m_layout.Fits(grid))
        m_layout = FieldLayout(grid);
    return m_layout;
}

FieldRecord FieldRegistry::Record() const
{
    FieldRecord record(Layout());
    for (int kind = 0; kind <= 2; ++kind)
        for (int i = FirstCtlIdx(kind); i <= LastCtlIdx(kind); ++i)
            record.SetValue(i, GetCtlValue(GetCtlByIdx(i)));
    record.TakeTouched();
    return record;
}

void FieldRegistry::PutRecord(FieldRecord &record, bool all)
{
    std::vector<int> indexes = record.TakeTouched();
    if (all) {
        indexes.clear();
        for (int kind = 0; kind <= 2; ++kind)
            for (int i = FirstCtlIdx(kind); i <= LastCtlIdx(kind); ++i)
                indexes.push_back(i);
    }
    for (int index : indexes) {
        PageField *f = GetCtlByIdx(index);
        if (!f)
            continue;
        const QString value = record.Value(index);
        switch (f->Kind()) {
        case FieldKind::Text: {
            auto *t = static_cast<TextField *>(f);
            if (!all || t->Text() != value)
                t->SetText(value);
            if (const std::optional<int> border = record.Border(index))
                t->SetBorderStyle(*border);
            break;
        }
        case FieldKind::Check:
            static_cast<CheckField *>(f)->SetValue(int(store::Val(value)));
            break;
        case FieldKind::Picture:
            if (GetCtlValue(f) != value)
                SetPicCtlContent(*static_cast<PictureField *>(f), value);
            break;
        default:
            break;
        }
    }
}

QString FieldRegistry::CtlValue(int index) const
{
    return GetCtlValue(GetCtlByIdx(index));
}

std::optional<qint32> FieldRegistry::CtlID(int index) const
{
    const PageField *f = GetCtlByIdx(index);
    return f ? GetCtlID(f) : std::nullopt;
}

bool FieldRegistry::SetValueByID(qint32 id, const QString &text, bool substituteCrlf)
{
    bool error = false;
    PageField *f = GetCtlByID(id, &error);
    if (!f || error)
        return false;
    if (int(f->Kind()) > int(FieldKind::Picture))
        return false;
    SetCtlValue(f, text, m_ctx.CrlfChr(), substituteCrlf);
    return true;
}

std::optional<QString> FieldRegistry::FixedTextOfRow(int row) const
{
    const PageField *f = GetCtlByRow(row);
    if (!f || f->Kind() != FieldKind::Text || f->Index() > CtlCount(0))
        return std::nullopt;
    if (f->Caption() && !f->Caption()->Caption().isEmpty())
        return std::nullopt;
    return static_cast<const TextField *>(f)->Text();
}

} // namespace page
