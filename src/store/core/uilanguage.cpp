#include "store/core/uilanguage.h"

#include <QCoreApplication>
#include <QHash>
#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QTranslator>

namespace store {

namespace {

// Texts of dialogs the program shows that Qt's Chinese translation leaves in English.
class MissingTexts : public QTranslator
{
public:
    using QTranslator::QTranslator;

    bool isEmpty() const override { return false; }

    QString translate(const char *context, const char *sourceText, const char *disambiguation,
                      int n) const override
    {
        Q_UNUSED(disambiguation);
        Q_UNUSED(n);
        if (!context || !sourceText)
            return QString();
        static const QHash<QByteArray, QString> texts = {
            {"QFileDialog|Look in:", QStringLiteral("查找范围:")},
            {"QFileDialog|Files of type:", QStringLiteral("文件类型:")},
            {"QFileDialog|Recent Places", QStringLiteral("最近访问的位置")},
            // The kind column of the file dialogs.
            {"QAbstractFileIconProvider|Folder", QStringLiteral("文件夹")},
            {"QAbstractFileIconProvider|Drive", QStringLiteral("驱动器")},
            {"QAbstractFileIconProvider|File", QStringLiteral("文件")},
            {"QAbstractFileIconProvider|%1 File", QStringLiteral("%1 文件")},
        };
        return texts.value(QByteArray(context) + '|' + sourceText);
    }
};

} // namespace

bool UseChineseLanguage()
{
    const QLocale chinese(QLocale::Chinese, QLocale::SimplifiedChineseScript, QLocale::China);
    QLocale::setDefault(chinese);
    QCoreApplication *app = QCoreApplication::instance();
    if (!app)
        return true;
    static QPointer<QTranslator> qtTexts;
    if (qtTexts)
        return !qtTexts->isEmpty();
    // The later translator is asked first: the program's own texts, then Qt's.
    qtTexts = new QTranslator(app);
    const bool found = qtTexts->load(chinese, QStringLiteral("qtbase"), QStringLiteral("_"),
                                     QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    if (found)
        QCoreApplication::installTranslator(qtTexts);
    QCoreApplication::installTranslator(new MissingTexts(app));
    return found;
}

} // namespace store
