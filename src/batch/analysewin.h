#pragma once
// The statistics window Analyse "数据统计分析": the date range, the date fields, what to count,
// for which slips; the run button; the result grid and its chart side by side with a splitter;
// the pop-up menus that export the grid and the chart.

#include "batch/statistics.h"

#include <QPointer>
#include <QWidget>

#include <functional>

class QComboBox;
class QDateEdit;
class QMenu;
class QRadioButton;
class QSplitter;
class QToolButton;

namespace page {
class PageHost;
}
namespace store {
class FlexGrid;
class FlexGridModel;
} // namespace store

namespace batch {

class ChartPicture;

// What the window needs of the main window: its current format (through the page host) and the
// pop-up menu form's two menus, with the places that name what they export.
struct StatTarget
{
    page::PageHost *host = nullptr;
    QWidget *parent = nullptr;
    QMenu *mMSF = nullptr;
    QMenu *mPic = nullptr;
    std::function<void(store::FlexGridModel *)> setCurGrid;
    std::function<void(QWidget *)> setCurPic;
};

class AnalyseWindow : public QWidget
{
    Q_OBJECT

public:
    explicit AnalyseWindow(const StatTarget &target);
    ~AnalyseWindow() override;

    QDateEdit *DTP[2] = {nullptr, nullptr};
    QRadioButton *Op[6] = {};
    QComboBox *Com[7] = {};
    QToolButton *Comm = nullptr;
    store::FlexGrid *MSF = nullptr;
    QSplitter *SplitLine = nullptr;
    ChartPicture *Pic = nullptr;
    IDArray ids; // IDArray of the last run

    void Form_Load();
    void Op_Click();
    void Com_Click(int index);
    void Comm_Click();
    // The run's choices as the controls hold them.
    StatChoice Choice() const;
    // The splitter's position (the grid's width) in twips, and saving it.
    int SplitLeft() const;
    void SaveSplitLine();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QString FormatName() const;
    void PlaceSplitLine();
    // At least as wide as the controls above the grid need (their lists are filled later).
    void FitToControls();
    QWidget *m_top = nullptr; // the frames and the run button above the grid and the chart
    StatTarget m_t;
    int m_tpp = 15;
    int m_splitLeft = 3960; // twips
};

// Shows the one statistics window (a new one after the last was closed).
AnalyseWindow *ShowAnalyse(const StatTarget &target);

} // namespace batch
