#include "store/ui/uihelpers.h"

#include "store/db/db.h"
#include "store/core/helpers.h"
#include "store/core/vb.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QFontDialog>
#include <QFontInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHelpEvent>
#include <QIdentityProxyModel>
#include <QKeyEvent>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QToolTip>
#include <QTreeView>
#include <QUrl>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace store {

bool ShellOpen(const QString &target)
{
    if (target.trimmed().isEmpty())
        return false;
    return QDesktopServices::openUrl(QUrl::fromUserInput(target, QString(), QUrl::AssumeLocalFile));
}

namespace {

// Shows the tip of the widgets it watches as plain text: the tip label would take a text that
// looks like markup for rich text.
class PlainTipFilter : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *w = qobject_cast<QWidget *>(watched);
        if (event->type() != QEvent::ToolTip || !w || w->toolTip().isEmpty())
            return false;
        const QString tip = QStringLiteral("<p style=\"white-space:pre\">") +
                            w->toolTip().toHtmlEscaped() + QStringLiteral("</p>");
        QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(), tip, w, QRect(),
                           w->toolTipDuration());
        return true;
    }
};

} // namespace

void SetPlainToolTip(QWidget *widget, const QString &text)
{
    if (!widget)
        return;
    static QPointer<PlainTipFilter> filter;
    if (!filter)
        filter = new PlainTipFilter(qApp);
    widget->setToolTip(text);
    // Any widget, Qt's or ours: its tip is shown from its tool-tip event.
    widget->installEventFilter(filter);
}

void SetFormTopmost(QWidget *window)
{
    if (!window)
        return;
    window->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    window->show();
}

QString VbFilterToQt(const QString &filter)
{
    const QStringList parts = filter.split(u'|');
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString desc = parts.at(i).trimmed();
        QStringList patterns;
        for (QString p : parts.at(i + 1).split(u';', Qt::SkipEmptyParts)) {
            p = p.trimmed();
            patterns << (p == QLatin1String("*.*") ? QStringLiteral("*") : p);
        }
        static const QRegularExpression ownPatterns(QStringLiteral("\\([^()]*[*?][^()]*\\)$"));
        if (ownPatterns.match(desc).hasMatch())
            out << desc;
        else
            out << desc + QStringLiteral(" (") + patterns.join(u' ') + u')';
    }
    if (out.isEmpty() && !filter.isEmpty())
        out << filter;
    return out.join(QStringLiteral(";;"));
}

namespace {

// The file list of Qt's own file dialog writes a file's date in the form of the machine's locale
// ("9 Dec 2026 15:49:04" under an English one): this one writes it in the program's, Chinese.
class ChineseDates : public QIdentityProxyModel
{
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    static constexpr int kDateColumn = 3;

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role == Qt::DisplayRole && index.column() == kDateColumn) {
            if (const auto *files = qobject_cast<const QFileSystemModel *>(sourceModel()))
                return QLocale().toString(files->lastModified(mapToSource(index)),
                                          QLocale::ShortFormat);
        }
        return QIdentityProxyModel::data(index, role);
    }
};

} // namespace

QString ChooseFileName(QWidget *parent, bool save, const QString &start, const QString &filter,
                       bool confirmOverwrite)
{
    QFileDialog dialog(parent, QString(), start, filter);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !confirmOverwrite);
    dialog.setProxyModel(new ChineseDates(&dialog));
    // Sizes, kinds and dates are shown whole: each column takes the width of its longest.
    if (auto *list = dialog.findChild<QTreeView *>(QStringLiteral("treeView"))) {
        for (int column = 1; column <= ChineseDates::kDateColumn; ++column)
            list->header()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    }
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.selectedFiles().value(0);
}

QString SelectFileDlg(const QString &filter, bool save, const QString &defaultName)
{
    static QString lastFile;
    const QString start = defaultName.isEmpty() ? lastFile : defaultName;
    const QString chosen = ChooseFileName(nullptr, save, start, VbFilterToQt(filter), false);
    if (!chosen.isEmpty())
        lastFile = chosen;
    return chosen;
}

namespace {

class KeyEater : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() != QEvent::KeyPress && e->type() != QEvent::KeyRelease &&
            e->type() != QEvent::ShortcutOverride)
            return false;
        // The keys of the window around it still work: Enter confirms, Esc cancels, Tab moves on.
        switch (static_cast<QKeyEvent *>(e)->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return false;
        default:
            return true;
        }
    }
};

} // namespace

QHBoxLayout *OkCancelRow(QWidget *parent, QPushButton *(&buttons)[2])
{
    buttons[0] = new QPushButton(QStringLiteral("确定"), parent);
    buttons[1] = new QPushButton(QStringLiteral("取消"), parent);
    auto *row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(buttons[0]);
    row->addWidget(buttons[1]);
    return row;
}

void SetComboMouseOnly(QComboBox *combo)
{
    // Qt's combo box acts on keys in its own handler: they are taken before it.
    if (combo)
        combo->installEventFilter(new KeyEater(combo));
}

int ClosedComboWidth(const QComboBox *combo)
{
    // The style's size for the longest entry leaves its text field a few pixels short of it in
    // some styles (the last character goes under the arrow): what is missing is added.
    const QSize hint = combo->sizeHint();
    int widest = 0;
    for (int i = 0; i < combo->count(); ++i)
        widest = std::max(widest, combo->fontMetrics().horizontalAdvance(combo->itemText(i)));
    QStyleOptionComboBox opt;
    opt.initFrom(combo);
    opt.editable = combo->isEditable();
    opt.frame = combo->hasFrame();
    opt.rect = QRect(QPoint(0, 0), hint);
    const QRect field = combo->style()->subControlRect(QStyle::CC_ComboBox, &opt,
                                                       QStyle::SC_ComboBoxEditField, combo);
    // The text is drawn a little inside the field.
    const int missing = widest + 4 - field.width();
    return hint.width() + std::max(0, missing);
}

void FitComboToEntries(QComboBox *combo, bool closedWhole)
{
    if (!combo)
        return;
    if (closedWhole)
        combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    auto fit = [combo, closedWhole] {
        const QFontMetrics fm(combo->view()->font());
        int widest = 0;
        for (int i = 0; i < combo->count(); ++i)
            widest = std::max(widest, fm.horizontalAdvance(combo->itemText(i)));
        // The list's frame, the items' margins and a scroll bar beside them.
        const QStyle *st = combo->style();
        combo->view()->setMinimumWidth(widest + 2 * combo->view()->frameWidth() +
                                       st->pixelMetric(QStyle::PM_ScrollBarExtent) +
                                       4 * (st->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1));
        // The combo's smallest size is remembered from its first list; a list filled later
        // (after the window was laid out) would otherwise be cut when shown closed.
        if (closedWhole) {
            combo->setMinimumWidth(0);
            combo->setMinimumWidth(ClosedComboWidth(combo));
        }
    };
    fit();
    QAbstractItemModel *m = combo->model();
    QObject::connect(m, &QAbstractItemModel::rowsInserted, combo, fit);
    QObject::connect(m, &QAbstractItemModel::rowsRemoved, combo, fit);
    QObject::connect(m, &QAbstractItemModel::modelReset, combo, fit);
    QObject::connect(m, &QAbstractItemModel::dataChanged, combo, fit);
}

void FillHistoryCombo(QComboBox *combo, qint32 id)
{
    if (!combo)
        return;
    const QString typed = combo->currentText();
    combo->clear();
    QString label = GetFieldByID(QStringLiteral("Fmt"), id, QStringLiteral("LBL")).toString();
    const QString tail = CutStr(label, QStringLiteral("_"), false);
    Recordset rs;
    bool ok;
    if (RoundEven(Val(tail)) < 1) {
        ok = OpenRs(rs,
                    QStringLiteral("SELECT Con FROM 历史 WHERE CID=? GROUP BY Con "
                                   "ORDER BY Con COLLATE ZH"),
                    {id});
    } else {
        ok = OpenRs(rs,
                    QStringLiteral("SELECT Con FROM 历史 WHERE CID IN "
                                   "(SELECT ID FROM Fmt WHERE LBL GLOB ?) GROUP BY Con "
                                   "ORDER BY Con COLLATE ZH"),
                    {GlobLiteral(label) + QStringLiteral("_*")});
    }
    if (ok) {
        for (const auto &row : rs.Rows())
            combo->addItem(row.at(0).toString());
    }
    if (combo->isEditable())
        combo->setEditText(typed);
    else
        combo->setCurrentIndex(combo->findText(typed));
}

bool ChooseCtlFont(QWidget *ctl)
{
    if (!ctl)
        return false;
    QFont own = ctl->font();
    if (own.family().isEmpty())
        own.setFamily(QStringLiteral("宋体"));
    // The dialog lists installed families and whole sizes only. It opens on what the field
    // really shows: the family drawing it (a substitute, where the named one is not installed)
    // and its size to the nearest point.
    const QFontInfo shown(own);
    QFont start = own;
    start.setFamily(shown.family());
    const int startSize = qMax(1, qRound(own.pointSizeF()));
    start.setPointSize(startSize);
    bool ok = false;
    QFont font = QFontDialog::getFont(&ok, start, ctl, QStringLiteral("字体"));
    if (!ok)
        return false;
    // What the clerk left as it was stays the field's own: its family name, its style and its
    // exact size.
    if (font.family() == shown.family())
        font.setFamily(own.family());
    if (font.bold() == own.bold() && font.italic() == own.italic()) {
        font.setWeight(own.weight());
        font.setStyleName(own.styleName());
    }
    if (font.pointSize() == startSize && own.pointSizeF() > 0)
        font.setPointSizeF(own.pointSizeF());
    if (!(font.pointSizeF() > 0))
        font.setPointSizeF(0.1);
    ctl->setFont(font);
    const QColor old = ctl->palette().color(ctl->foregroundRole());
    const QColor c = QColorDialog::getColor(old, ctl, QStringLiteral("颜色"));
    if (c.isValid()) {
        QPalette p = ctl->palette();
        p.setColor(ctl->foregroundRole(), c);
        p.setColor(QPalette::Text, c);
        ctl->setPalette(p);
    }
    return true;
}

int PrimaryScreenWidthTwips()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen || screen->logicalDotsPerInchX() <= 0)
        return 15360;
    const double tpp = std::max(1.0, std::round(1440.0 / screen->logicalDotsPerInchX()));
    return int(screen->geometry().width() * tpp);
}

} // namespace store
