#pragma once
// The property dialogs of the fields and the slip-size dialog. Each field dialog is modeless and
// bound to one row of the field grid (CtlRow); it marks the items the user changed, and OK writes
// only those, to its own field and to every field of its kind selected at that moment, then
// applies the rows to the page. Cancel and the close box write nothing.

#include "page/field.h"

#include <QDialog>
#include <QPointer>

#include <array>
#include <functional>
#include <set>
#include <span>

class QButtonGroup;
class QComboBox;
class QCheckBox;
class QLabel;
class QLineEdit;
class QLayout;
class QRadioButton;

namespace store {
class FlexGridModel;
class NumberCell;
struct FieldRow;
} // namespace store

namespace page {

class FieldRegistry;
class PageHost;

// The common protocol of the five field dialogs.
class PropertyDialog : public QDialog
{
    Q_OBJECT
public:
    PropertyDialog(FieldRegistry &reg, FieldKind kind, const QString &title, QWidget *parent);

    // What the user can change in a dialog; each is marked when changed, and OK writes only the
    // marked ones.
    enum class Item {
        // The prompt label's text, and where it stands beside its field.
        Caption,
        CaptionPos,
        // Position and size; a line runs from X, Y to W, H.
        X,
        Y,
        W,
        H,
        // The space between characters; between lines, kept together with the alignment.
        Spacing,
        LineSpacing,
        Font,
        // A text field's content kind with its box count, the two fields its value is added or
        // multiplied to, its two related fields.
        Kind,
        Sum0,
        Sum1,
        Rel0,
        Rel1,
        // A line's width, style and colour.
        LineWidth,
        LineStyle,
        LineColor
    };

    FieldKind kind() const { return m_kind; }
    FieldRegistry &registry() const { return m_reg; }
    // The row the dialog edits; a new row loads it, the same row keeps the edits.
    int CtlRow() const { return m_row; }
    void setCtlRow(int row);
    // Whether the user changed an item since the last load.
    bool isMarked(Item item) const { return m_marks.count(item) > 0; }
    bool Changed() const { return !m_marks.empty(); }
    void mark(Item item) { m_marks.insert(item); }
    // Closed and about to go.
    bool isClosing() const { return m_closing; }

    // The sample box of the font (TT(7)), and its button "字体  设置" (COM(2), Com(0)).
    QLineEdit *sample() const { return m_sample; }
    QWidget *fontButton() const { return m_fontButton; }
    QAbstractButton *okButton() const { return m_ok; }
    QAbstractButton *cancelButton() const { return m_cancel; }

signals:
    // The dialog went away, however it was closed.
    void closed(int row);

protected:
    // Fills the controls from a data row.
    virtual void load(int row) = 0;
    // Checks the marked boxes; false (after the message) keeps the dialog open.
    virtual bool validate();
    // Writes the marked items into the row of one visited field, which then follows its row.
    virtual void saveRow(PageField &field) = 0;
    // After the visited rows were written (or not, with nothing marked).
    virtual void afterSave() {}
    // With nothing marked, OK writes nothing and applies nothing.
    virtual bool saveWithoutMarks() const { return false; }

    // A box of a number of millimetres (or points); typing marks item.
    QLineEdit *addBox(Item item, const QString &tip);
    // The number boxes checked at OK: each marked one must start with a number.
    void checkNumber(Item item, QLineEdit *box) { m_numbers.push_back({item, box}); }
    // A box of a number, checked at OK.
    QLineEdit *addNumberBox(Item item, const QString &tip);
    // A marked number box written into its cell of the row as the number's text.
    void writeNumber(store::NumberCell &cell, Item item, const QLineEdit *box) const;
    // The caption box and the number boxes after it (X, Y, W, H, S in turn) from the row, and
    // back into the row for each box that was edited.
    void loadCaptionAndSizes(const store::FieldRow &f, std::span<QLineEdit *const> boxes);
    void saveCaptionAndSizes(store::FieldRow &f, std::span<QLineEdit *const> boxes) const;
    // The alignment options "居左", "居右", "居中" (OpA); a click aligns the sample and marks
    // the line spacing, which is packed with the alignment into column 9.
    QLayout *makeAlignOptions();
    int sampleAlignment() const;
    void setSampleAlignment(int a);
    // The packed cell (line spacing and alignment) to the spacing box and the options, and back
    // when the line spacing is marked.
    void loadSpacing(const store::NumberCell &packed, QLineEdit *spacing);
    void writeSpacing(store::NumberCell &packed, const QLineEdit *spacing) const;
    // The number's text of a box ("12.5abc" gives "12.5").
    static QString NumberText(const QLineEdit *box);
    // The sample box and its font button; an accepted font marks the font.
    QWidget *makeFontGroup(const QString &title);
    // The prompt label position options with their preview (TXT "示例", LBL "标签").
    QWidget *makeCaptionGroup(const QString &title, QLineEdit *caption, int designDir);
    int captionDir() const;
    void setCaptionDir(int dir);
    void placePreview();
    // OK and Cancel.
    QWidget *makeButtons();

    void done(int r) override;
    // The sample box keeps its whole text in sight whatever font it is given.
    bool eventFilter(QObject *watched, QEvent *event) override;

    std::array<QRadioButton *, 4> m_pos{};
    std::array<QRadioButton *, 3> m_opA{};
    QButtonGroup *m_posGroup = nullptr;
    QLineEdit *m_captionBox = nullptr;
    QLabel *m_txt = nullptr;
    QLabel *m_lbl = nullptr;
    QLineEdit *m_sample = nullptr;
    QWidget *m_fontButton = nullptr;

private:
    void ok();
    bool isDataRow(int row) const;

    FieldRegistry &m_reg;
    FieldKind m_kind;
    int m_row = 0;
    std::set<Item> m_marks;
    std::vector<std::pair<Item, QLineEdit *>> m_numbers;
    QAbstractButton *m_ok = nullptr;
    QAbstractButton *m_cancel = nullptr;
    bool m_closing = false;
};

// The text field dialog "添加/修改控件".
class EditCtl : public PropertyDialog
{
    Q_OBJECT
public:
    EditCtl(FieldRegistry &reg, QWidget *parent);

    QLineEdit *TT(int i) const;
    QComboBox *CMB() const { return m_cmb; }
    QLineEdit *CashNum() const { return m_cashNum; }
    QLabel *LCode() const { return m_lcode; }
    QRadioButton *OpA(int i) const;
    QComboBox *CSUM(int i) const { return m_csum[size_t(i)]; }
    QRadioButton *Op1(int i) const { return m_op1[size_t(i)]; }
    QCheckBox *Chk(int i) const { return m_chk[size_t(i)]; }
    QComboBox *RCtl(int i) const { return m_rctl[size_t(i)]; }
    QRadioButton *Op2(int i) const { return m_op2[size_t(i)]; }
    QAbstractButton *Custom() const { return m_custom; }

    void LoadUserFormat();
    void SetAlignOp();
    void SetDataTypeLabel(double code);
    void FillRelationList(qint32 id, QComboBox *list);
    // The kind shown in the list (the number at the start of its text).
    int ListKind() const;

protected:
    void load(int row) override;
    bool validate() override;
    void saveRow(PageField &field) override;
    bool saveWithoutMarks() const override { return true; }
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void pickKind(int index);
    void customPattern();
    void checkBoxCount();
    double DataTypeVal() const;

    std::array<QLineEdit *, 7> m_tt{};
    QComboBox *m_cmb;
    QLabel *m_lcode;
    QLineEdit *m_cashNum;
    QAbstractButton *m_custom;
    std::array<QComboBox *, 2> m_csum{};
    std::array<QRadioButton *, 4> m_op1{};
    std::array<QCheckBox *, 2> m_chk{};
    std::array<QComboBox *, 2> m_rctl{};
    std::array<QRadioButton *, 4> m_op2{};
};

// The check box dialog "修改可选框属性".
class ProChk : public PropertyDialog
{
    Q_OBJECT
public:
    ProChk(FieldRegistry &reg, QWidget *parent);
    QLineEdit *TT(int i) const { return m_tt[size_t(i)]; }

protected:
    void load(int row) override;
    void saveRow(PageField &field) override;

private:
    std::array<QLineEdit *, 3> m_tt{};
};

// The picture field dialog "添加/修改图像框".
class ProPic : public PropertyDialog
{
    Q_OBJECT
public:
    ProPic(FieldRegistry &reg, QWidget *parent);
    QLineEdit *TT(int i) const { return m_tt[size_t(i)]; }

protected:
    void load(int row) override;
    void saveRow(PageField &field) override;

private:
    std::array<QLineEdit *, 5> m_tt{};
};

// The label dialog "标签属性修改".
class ProLBL : public PropertyDialog
{
    Q_OBJECT
public:
    ProLBL(FieldRegistry &reg, QWidget *parent);
    QLineEdit *TT(int i) const { return m_tt[size_t(i)]; }
    QRadioButton *OpA(int i) const { return m_opA[size_t(i)]; }

protected:
    void load(int row) override;
    void saveRow(PageField &field) override;

private:
    std::array<QLineEdit *, 7> m_tt{};
};

// The line dialog "线条属性修改".
class ProLine : public PropertyDialog
{
    Q_OBJECT
public:
    ProLine(FieldRegistry &reg, QWidget *parent);
    QComboBox *CMB() const { return m_cmb; }
    QLineEdit *TT(int i) const { return m_tt[size_t(i)]; }
    QAbstractButton *ColorButton() const { return m_color; }
    // The colour shown by the sample, 0x00BBGGRR.
    quint32 SampleColor() const { return m_sampleColor; }

protected:
    void load(int row) override;
    bool validate() override;
    void saveRow(PageField &field) override;

private:
    void updateSample();
    QComboBox *m_cmb;
    std::array<QLineEdit *, 5> m_tt{};
    QAbstractButton *m_color;
    QWidget *m_sampleLine;
    quint32 m_sampleColor = 0;
};

// The slip size dialog "修改单据尺寸".
class FormSize : public QDialog
{
    Q_OBJECT
public:
    FormSize(PageHost &host, FieldRegistry &reg, QWidget *parent);
    QLineEdit *TX() const { return m_tx; }
    QLineEdit *TY() const { return m_ty; }
    QAbstractButton *okButton() const { return m_ok; }

private:
    void ok();
    PageHost &m_host;
    FieldRegistry &m_reg;
    QLineEdit *m_tx;
    QLineEdit *m_ty;
    QAbstractButton *m_ok;
};

// At most one open dialog of each kind, and the slip size dialog.
class PropertyDialogs : public QObject
{
    Q_OBJECT
public:
    PropertyDialogs(FieldRegistry &reg, PageHost &host, QWidget *window);

    // "设置内容框": the dialog of the field's kind, then its row.
    PropertyDialog *Open(PageField *field);
    // The open dialog of a kind, nullptr when none.
    PropertyDialog *Dialog(FieldKind kind) const;
    FormSize *OpenFormSize();
    FormSize *formSize() const { return m_formSize; }
    // Every open dialog closes as by Cancel (a format switch).
    void CloseAll();

private:
    FieldRegistry &m_reg;
    PageHost &m_host;
    QPointer<QWidget> m_window;
    std::array<QPointer<PropertyDialog>, kKindCount> m_open{};
    QPointer<FormSize> m_formSize;
};

} // namespace page
