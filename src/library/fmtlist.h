#pragma once
// The format manager FmtList "选择/管理格式模板": the cheque and deposit-slip formats with their
// sizes, the open one red and ticked, a preview of the selected one, a keyword search with its
// history, and the commands choose, quit, download more, import, delete and export. It is the
// main window's format chooser: its choice is SelResult ("" = keep the format).

#include <QDialog>

#include <array>
#include <optional>

class QComboBox;
class QPushButton;

namespace store {
class FlexGrid;
class FormatCommandHost;
} // namespace store

namespace library {

class PicturePreview;

class FmtList : public QDialog
{
    Q_OBJECT
public:
    FmtList(store::FormatCommandHost &host, QWidget *parent = nullptr);

    store::FlexGrid *MSF;
    PicturePreview *Preview;
    QComboBox *Skey;
    std::array<QPushButton *, 7> Com{};
    // The choice, set by the choose button (or a double click) and the quit button, which
    // names the open format; "" when the window was closed any other way.
    QString SelResult;

    void LoadFmtList(bool markCurrent);
    void FindInFmtList();
    // Colours the open format's row (0 black, 255 red).
    void MarkCurFmtRow(quint32 color);
    void MSF_RowColChange();
    void Com_Click(int index);

    // Before the window is closed from the catalogue button: what to show afterwards.
    bool downloadRequested() const { return m_download; }

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void DeleteSelected();
    int currentRowOfFormat() const;

    store::FormatCommandHost &m_host;
    bool m_download = false;
};

// Keyword history of a combo box kept in a parameter, items joined by "||".
void LoadComboHistory(QComboBox &combo, const QString &key);
bool SaveComboHistory(const QComboBox &combo, const QString &key);

// Shows the format manager and waits for it (no other window takes input meanwhile); its choice,
// nothing when none was made. "下载更多…" closes it and opens the web catalogue.
std::optional<QString> ChooseFmtFromList(store::FormatCommandHost &host, QWidget *parent = nullptr);

} // namespace library
