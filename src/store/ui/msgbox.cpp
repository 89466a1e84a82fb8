#include "store/ui/msgbox.h"

#include "store/ui/indicator.h"

#include <QDebug>
#include <QGridLayout>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QTextBoundaryFinder>

namespace store {

namespace {

// Gives a small dialog room for the title bar to show its whole title beside the window
// manager's icon and buttons (window managers draw titles bold and cut them to the window's
// width). Message and input boxes size themselves to their layout and ignore a minimum width: a
// row of the layout as wide as the title holds them open.
void GiveTitleRoom(QDialog &d)
{
    QFont bold = d.font();
    bold.setBold(true);
    auto *room = new QSpacerItem(QFontMetrics(bold).horizontalAdvance(d.windowTitle()) + 160, 0,
                                 QSizePolicy::Fixed, QSizePolicy::Fixed);
    if (auto *grid = qobject_cast<QGridLayout *>(d.layout()))
        grid->addItem(room, grid->rowCount(), 0, 1, grid->columnCount());
    else if (auto *box = qobject_cast<QBoxLayout *>(d.layout()))
        box->addItem(room);
    else
        delete room;
}

// Boxes belong to the progress window while one shows, so they open above it and take input.
// They live on the heap: their owner may go while they wait.
template <class Box> int Exec(Box *box)
{
    QPointer<Box> guard(box);
    const int result = box->exec();
    if (guard)
        delete box;
    return result;
}

// A box's text breaks only between words, and a file or format name with no space or sign in
// it is one word: a long one would run past the box's edge and be cut. Such a run gets a
// zero-width space between its characters, so that it breaks where the line is full.
QString Breakable(const QString &text)
{
    constexpr qsizetype kLongestWord = 30;
    QString out;
    out.reserve(text.size());
    QTextBoundaryFinder lines(QTextBoundaryFinder::Line, text);
    qsizetype from = 0;
    for (qsizetype to = lines.toNextBoundary(); to > from; from = to, to = lines.toNextBoundary()) {
        const QString word = text.mid(from, to - from);
        if (word.size() <= kLongestWord) {
            out += word;
            continue;
        }
        QTextBoundaryFinder letters(QTextBoundaryFinder::Grapheme, word);
        qsizetype start = 0;
        for (qsizetype end = letters.toNextBoundary(); end > start;
             start = end, end = letters.toNextBoundary()) {
            if (start > 0)
                out += QChar(0x200B);
            out += QStringView(word).mid(start, end - start);
        }
    }
    return out;
}

// Texts carry format names and values as the user typed them: shown as they are, never as
// rich text.
QMessageBox::StandardButton Show(QMessageBox::Icon icon, const QString &text,
                                 QMessageBox::StandardButtons buttons,
                                 QMessageBox::StandardButton defaultButton)
{
    const QString shown = Breakable(text);
    auto *box =
        new QMessageBox(icon, QString::fromUtf8(kProgramTitle), shown, buttons, QuestionParent());
    box->setTextFormat(Qt::PlainText);
    box->setDefaultButton(defaultButton);
    GiveTitleRoom(*box);
    return QMessageBox::StandardButton(Exec(box));
}

} // namespace

void MessageBoxReporter::Message(const QString &text, MsgKind kind)
{
    // The log keeps what the user was told (a message at start-up may be the only trace).
    qInfo().noquote() << "message:" << text;
    const QMessageBox::Icon icon = kind == MsgKind::Error     ? QMessageBox::Critical
                                   : kind == MsgKind::Warning ? QMessageBox::Warning
                                                              : QMessageBox::Information;
    Show(icon, text, QMessageBox::Ok, QMessageBox::Ok);
}

bool MessageBoxReporter::Question(const QString &text)
{
    return Show(QMessageBox::Question, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
           == QMessageBox::Yes;
}

std::optional<QString> MessageBoxReporter::Text(const QString &prompt, const QString &preset,
                                                const QString &title)
{
    auto *box = new QInputDialog(QuestionParent());
    box->setWindowTitle(title.isEmpty() ? QString::fromUtf8(kProgramTitle) : title);
    box->setInputMode(QInputDialog::TextInput);
    box->setLabelText(prompt);
    // The prompt carries names from files: never a live link or markup.
    for (QLabel *label : box->findChildren<QLabel *>())
        label->setTextFormat(Qt::PlainText);
    box->setTextValue(preset);
    box->sizeHint(); // lays the dialog out, which it otherwise does only when shown
    GiveTitleRoom(*box);
    std::optional<QString> answer;
    QObject::connect(box, &QInputDialog::textValueSelected, box,
                     [&answer](const QString &text) { answer = text; });
    Exec(box);
    return answer;
}

} // namespace store
