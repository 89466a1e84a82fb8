#pragma once
// What the format manager and the web catalogue share: the picture preview, the picture scaled to
// the frame's width, scrolled vertically when taller; "此格式暂无图片！" when there is none.

#include <QImage>
#include <QString>
#include <QWidget>

#include <initializer_list>

class QLabel;
class QScrollArea;

namespace store {
class FlexGridModel;
}

namespace library {

class PicturePreview : public QWidget
{
    Q_OBJECT
public:
    explicit PicturePreview(QWidget *parent = nullptr);

    QScrollArea *Frm;
    QLabel *Img;
    QLabel *LBL;

    // A picture file; true when one is shown.
    bool LoadPicFileToFrame(const QString &file);
    // The background picture of a format (by its name, in the program folder).
    bool LoadFmtPicToFrame(const QString &fmtName);
    bool Showing() const { return !m_picture.isNull(); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Fit();
    QImage m_picture;
};

// The next data row below the current one (wrapping round to the first) whose text in one of the
// columns contains the keyword, case-sensitive; -1 when none does.
int FindNextRow(const store::FlexGridModel &grid, const QString &keyword,
                std::initializer_list<int> cols);

} // namespace library
