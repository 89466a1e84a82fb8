#include "library/preview.h"

#include "page/backpic.h"
#include "store/model/gridmodel.h"

#include <QEvent>
#include <QFileInfo>
#include <QFontMetrics>
#include <QImageReader>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedLayout>
#include <QStyle>

namespace library {

PicturePreview::PicturePreview(QWidget *parent) : QWidget(parent)
{
    Frm = new QScrollArea(this);
    Frm->setObjectName(QStringLiteral("Frm"));
    Frm->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Frm->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    Frm->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Img = new QLabel;
    Img->setObjectName(QStringLiteral("Img"));
    Frm->setWidget(Img);
    LBL = new QLabel(QStringLiteral("此格式暂无图片！"), this);
    LBL->setObjectName(QStringLiteral("LBL"));
    LBL->setAlignment(Qt::AlignCenter);
    auto *stack = new QStackedLayout(this);
    stack->setStackingMode(QStackedLayout::StackAll);
    stack->addWidget(LBL);
    stack->addWidget(Frm);
    LBL->raise();
    LBL->hide();
    // The frame learns its size only when it is shown (the first time after its window): the
    // picture is fitted whenever the frame's size changes, which Qt's scroll area tells only by
    // its resize event.
    Frm->installEventFilter(this);
}

bool PicturePreview::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Frm && event->type() == QEvent::Resize)
        Fit();
    return QWidget::eventFilter(watched, event);
}

bool PicturePreview::LoadPicFileToFrame(const QString &file)
{
    m_picture = QImage();
    if (QFileInfo(file).isFile()) {
        QImageReader reader(file);
        reader.setAutoTransform(true);
        m_picture = reader.read();
    }
    Fit();
    LBL->setVisible(m_picture.isNull());
    if (!m_picture.isNull())
        LBL->lower();
    else
        LBL->raise();
    Frm->verticalScrollBar()->setValue(0);
    return !m_picture.isNull();
}

bool PicturePreview::LoadFmtPicToFrame(const QString &fmtName)
{
    return LoadPicFileToFrame(page::GetBackPicFile(fmtName));
}

void PicturePreview::Fit()
{
    if (m_picture.isNull()) {
        Img->clear();
        Img->resize(0, 0);
        return;
    }
    // The width of the frame, less the scroll bar when the picture is taller than the frame.
    const QSize room = Frm->maximumViewportSize();
    int w = room.width();
    if (qint64(m_picture.height()) * w > qint64(room.height()) * m_picture.width())
        w -= Frm->verticalScrollBar()->sizeHint().width();
    w = qMax(1, w);
    const QImage scaled = m_picture.scaledToWidth(w, Qt::SmoothTransformation);
    Img->setPixmap(QPixmap::fromImage(scaled));
    Img->resize(scaled.size());
}

int FindNextRow(const store::FlexGridModel &grid, const QString &keyword,
                std::initializer_list<int> cols)
{
    const int fixed = grid.FixedRows();
    int row = grid.Row();
    for (int i = 0; i < grid.Rows() - fixed; ++i) {
        ++row;
        if (row >= grid.Rows() || row < fixed)
            row = fixed;
        for (int c : cols)
            if (grid.TextMatrix(row, c).contains(keyword, Qt::CaseSensitive))
                return row;
    }
    return -1;
}

} // namespace library
