#pragma once
// What the format store, the default records and the field model need of the main window,
// gathered in one object that the main window fills and hands down: the name of the open format
// (LFMT(0)), the slip size and margins as shown (Wid, Hie, M_X, M_Y), the option boxes O2(0..4),
// the menu switches, the hidden field grid MSF(3), the page and frame widths, the screen factor
// FmtZoom and the line-break symbol. Tests make their own.

#include <QObject>
#include <QString>

#include <array>
#include <functional>
#include <optional>

namespace store {

class FlexGridModel;

// What the stores need of the fields on the page. The field registry of the page implements it.
class PageFields
{
public:
    virtual ~PageFields() = default;
    // Number of fields of a kind (0 text, 1 check box, 2 picture, 3 line, 4 label).
    virtual int CtlCount(int kind) const = 0;
    // Value text of the field with that index (kind * 1000 + n); "" when there is none.
    virtual QString CtlValue(int index) const = 0;
    // The field's ID from column 0 of its row; nullopt when the cell is no number.
    virtual std::optional<qint32> CtlID(int index) const = 0;
    // Puts a value into the field of that ID; false when no field has it. substituteCrlf turns
    // every line-break symbol of the text into a line break (sheet input); stored values already
    // hold real line breaks and pass false.
    virtual bool SetValueByID(qint32 id, const QString &text, bool substituteCrlf) = 0;
    // The text of the text box bound to this grid row when its prompt is empty (a fixed text
    // saved with the format); nullopt for any other row.
    virtual std::optional<QString> FixedTextOfRow(int row) const = 0;
};

class AppContext : public QObject
{
    Q_OBJECT

public:
    explicit AppContext(QObject *parent = nullptr);

    // The open format (LFMT(0)); every format operation given "" uses it.
    QString FormatName() const { return m_fmtName; }
    void SetFormatName(const QString &name);

    // Slip width and height in mm as the labels Wid and Hie show them (plain number text).
    QString Wid() const { return m_wid; }
    QString Hie() const { return m_hie; }
    void SetPageSize(const QString &wid, const QString &hie);
    // Print margins in mm as the labels M_X and M_Y show them.
    QString MarginX() const { return m_marginX; }
    QString MarginY() const { return m_marginY; }
    void SetMargins(const QString &x, const QString &y);

    // The option boxes O2(0..4): 0 or 1.
    int O2(int i) const;
    void SetO2(int i, int value);
    // The menu switches mSetPaper, mDiTuPrint, mPrintRulers.
    bool SetPaper() const { return m_setPaper; }
    bool DiTuPrint() const { return m_diTuPrint; }
    bool PrintRulers() const { return m_printRulers; }
    void SetSwitches(bool setPaper, bool diTuPrint, bool printRulers);

    // The screen factor of the open format: its fonts were designed on a screen this much
    // narrower (1 = same width).
    double FmtZoom() const { return m_fmtZoom; }
    void SetFmtZoom(double z) { m_fmtZoom = z; }
    // Width of the screen in twips now (the screen holding the main window): from the context's
    // own source, else the program's (the primary screen, installed by the widget half), else
    // 15360.
    int ScreenWidthTwips() const;
    void SetScreenWidthSource(std::function<int()> source) { m_screenWidth = std::move(source); }
    static void SetDefaultScreenWidthSource(std::function<int()> source);

    // The line-break symbol of stored texts (default "//").
    QString CrlfChr() const { return m_crlfChr; }
    void SetCrlfChr(const QString &s) { m_crlfChr = s; }

    // The page PG and its frame PFrm, widths in twips; the page scale and the zoom come from
    // them.
    double PageWidth() const { return m_pageWidth; }
    double FrameWidth() const { return m_frameWidth; }
    void SetPageWidths(double page, double frame);

    // The hidden field grid MSF(3) and the fields on the page (not owned).
    FlexGridModel *FieldGrid() const { return m_fieldGrid; }
    void SetFieldGrid(FlexGridModel *grid) { m_fieldGrid = grid; }
    PageFields *Fields() const { return m_fields; }
    void SetFields(PageFields *fields) { m_fields = fields; }

signals:
    void formatNameChanged(const QString &name);
    void pageSizeChanged();
    void marginsChanged();
    void o2Changed(int index, int value);
    void switchesChanged();
    // Another format (or the same one again) is about to be put on the page: windows that edit
    // rows of the field grid close now, so that they never write into the next format's rows.
    void formatSwitching(const QString &from, const QString &to);

private:
    QString m_fmtName;
    QString m_wid = QStringLiteral("180");
    QString m_hie = QStringLiteral("50");
    QString m_marginX;
    QString m_marginY;
    std::array<int, 5> m_o2{};
    bool m_setPaper = false;
    bool m_diTuPrint = false;
    bool m_printRulers = false;
    double m_fmtZoom = 1.0;
    std::function<int()> m_screenWidth;
    QString m_crlfChr = QStringLiteral("//");
    double m_pageWidth = 0;
    double m_frameWidth = 0;
    FlexGridModel *m_fieldGrid = nullptr;
    PageFields *m_fields = nullptr;
};

} // namespace store
