#pragma once
// The format-name chooser SelFormat "请选择格式名称": a list of the stored format names, the open
// one preselected. With AllowEdit a new name can be typed; without it the keyboard changes nothing
// and the mouse chooses. Its answer is SelResult ("" = cancelled).

#include <QDialog>
#include <QString>

#include <optional>

class QComboBox;
class QPushButton;

namespace mainwin {

class SelFormat : public QDialog
{
    Q_OBJECT
public:
    explicit SelFormat(bool allowEdit, QWidget *parent = nullptr);

    // Which list is offered: "Format", the stored format names.
    QString SelContent = QStringLiteral("Format");
    bool AllowEdit() const { return m_allowEdit; }
    // The chosen name once the window is closed; "" when cancelled.
    QString SelResult;

    QComboBox *CMB;
    QPushButton *COM[2];

    // Loading: SelResult emptied, the list filled, the text set to the open format.
    void Form_Load(const QString &current);
    void COM_Click(int index);

private:
    bool m_allowEdit;
};

// The chooser's answer after the text was trimmed and cut before its first "｜".
QString SelFormatAnswer(const QString &text);

// Shows the chooser over the stored format names with current preselected and waits for it: no
// other window of the program takes input meanwhile. The chosen name; nothing when cancelled.
std::optional<QString> ChooseFormatName(bool allowEdit, const QString &current, QWidget *parent = nullptr);

} // namespace mainwin
