// The checker after a check of the demo declaration with two of its values
// changed and the file sealed again (so the script reports two errors),
// its detail view and the details dialog of an error row.

#include "Shots.h"

#include "app/utils/ApplicationInfo.h"
#include "app/utils/Paths.h"
#include "app/utils/TextFile.h"
#include "checker/DetailTable.h"
#include "checker/forms/CheckerForm.h"
#include "checker/forms/ContentForm.h"
#include "checker/forms/DetailForm.h"
#include "export/XmlCrcFile.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <cstdio>

namespace {

const QString kStem = QStringLiteral("YSFPCGL200601_370211600123456");

// The folder the operator checks, made once for the tool's lifetime: the
// workspace's archived demo declaration, two values changed, sealed anew.
QString SourceFolder()
{
    static QTemporaryDir folder;
    static bool made = false;
    const QString path = folder.path() + QLatin1Char('/');
    if (made)
        return path;
    made = true;
    const QString archived = ResolveCaseInsensitive(TApplicationInfo::AppDir() + QStringLiteral("数据上报/200601/") + kStem
                                                    + QStringLiteral("_JK.XML"));
    try {
        QByteArray bytes = ReadFileBytes(archived);
        bytes.replace(EncodeGbk(QStringLiteral("KCSE=\"86.42\"")), EncodeGbk(QStringLiteral("KCSE=\"96.42\"")));
        bytes.replace(EncodeGbk(QStringLiteral("FPHM=\"00004418\"")), EncodeGbk(QStringLiteral("FPHM=\"0004418\"")));
        const QString file = path + kStem + QStringLiteral("_JK.XML");
        WriteFileAtomically(file, bytes);
        UpdateCrcDocument(path + kStem + QStringLiteral("_CRC.XML"), file);
    } catch (const std::exception &error) {
        std::fprintf(stderr, "demo declaration: %s\n", error.what());
    }
    return path;
}

// Lets the window lay out and answer its first showing.
void Settle(QWidget *window)
{
    window->show();
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

std::unique_ptr<TfrmChecker> CheckedWindow()
{
    auto window = std::make_unique<TfrmChecker>();
    if (!window->Create())
        return window;
    Settle(window.get());
    window->findChild<QRadioButton *>(QStringLiteral("rbSpecifyPath"))->setChecked(true);
    window->findChild<QLineEdit *>(QStringLiteral("edtPath"))->setText(QDir::toNativeSeparators(SourceFolder()));
    auto *schemas = window->findChild<QComboBox *>(QStringLiteral("cbxSchema"));
    const int index = schemas->findText(QStringLiteral("运输发票清单"));
    schemas->setCurrentIndex(index);
    window->cbxSchemaChange(index);
    window->btnCheckClick();
    return window;
}

std::unique_ptr<QWidget> AfterRun(const TShotContext &)
{
    std::unique_ptr<TfrmChecker> window = CheckedWindow();
    auto *list = window->findChild<QTreeWidget *>(QStringLiteral("lvwReport"));
    if (list->topLevelItemCount() > 0)
        list->setCurrentItem(list->topLevelItem(list->topLevelItemCount() - 1));
    return window;
}

std::unique_ptr<QWidget> Detail(const TShotContext &)
{
    return std::make_unique<TDetailForm>(TDetailTable::Build(SourceFolder() + kStem + QStringLiteral("_JK.XML")));
}

std::unique_ptr<QWidget> Content(const TShotContext &)
{
    QString text;
    {
        std::unique_ptr<TfrmChecker> window = CheckedWindow();
        for (const TResultRow &row : window->Session().Result().rows) {
            if (row.kind == TResultRow::Kind::Error && row.text.size() > text.size())
                text = row.text;
        }
        window->close();
    }
    return std::make_unique<TfrmContent>(text);
}

} // namespace

QList<TShot> CheckerShots()
{
    return {
        {QStringLiteral("checker"), AfterRun},
        {QStringLiteral("checker-detail"), Detail},
        {QStringLiteral("checker-content"), Content},
    };
}
