#pragma once
// The web catalogue FmtDown "可供下载的格式模板": the formats the maker's server offers (kept in
// table 网站格式, fetched when the table is empty or on "更新列表"), a preview of the selected one
// (downloaded into Temp once), a search, and "导入格式", which downloads the format file and its
// picture into Temp and imports them.

#include <QDialog>

#include <array>

class QLineEdit;
class QPushButton;

namespace store {
class FlexGrid;
class FormatCommandHost;
} // namespace store

namespace library {

class PicturePreview;

// The allowance of each try of the catalogue list's fetch in seconds (60 unless set).
void SetCatalogueListTimeout(double seconds);

class FmtDown : public QDialog
{
    Q_OBJECT
public:
    FmtDown(store::FormatCommandHost &host, QWidget *parent = nullptr);

    store::FlexGrid *MSF;
    PicturePreview *Preview;
    QLineEdit *Skey;
    std::array<QPushButton *, 3> Com{};

    // Fetches the catalogue and replaces the table's rows; says nothing when the fetch failed.
    void DownWebFmt();
    void LoadWebFmtList();
    void FindFmt();
    void DownInputFmt();
    void MSF_RowColChange();

    // Shows the one catalogue window (a second call brings it to the front).
    static FmtDown *ShowModeless(store::FormatCommandHost &host, QWidget *parent);
    // The catalogue window while it is open, else nullptr.
    static FmtDown *Open();
    // Whether a request of the window runs (its progress window handles events meanwhile).
    bool Busy() const { return m_busy; }

signals:
    // A request of the window has ended.
    void requestEnded();

protected:
    // A close while a request runs ends the request (its progress window closes); the window
    // closes once the request has returned.
    void closeEvent(QCloseEvent *event) override;

private:
    // The server's path of the row's column, "" when it is not a path on the server.
    QString ServerPath(int row, int col) const;
    // While a request of the window runs, a command of it cannot: true after saying so.
    bool TellBusy() const;
    void EndBusy();

    store::FormatCommandHost &m_host;
    bool m_busy = false;
    bool m_closePending = false;
};

// The preview picture's file in Temp for a picture address: its last path segment without a query,
// made safe; a segment that names no file gets a name of its own.
QString PreviewFileName(const QString &url);

// The catalogue text "Clas|Name|fPath|pPath|Dat<br>..." into table 网站格式 (in one transaction);
// false when the table could not be written.
bool StoreWebFmtList(const QString &reply);

} // namespace library
