#include "Shots.h"

#include "app/utils/ApplicationInfo.h"
#include "documents/QYXX.h"
#include "workspace/EnterpriseTable.h"
#include "workspace/forms/QYXXForm.h"
#include "workspace/forms/SelQYXXForm.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>

#include <cstdio>

namespace {

// The workspace's enterprise list, owned by the dialog that shows it.
TEnterpriseTable *LoadTable()
{
    auto *table = new TEnterpriseTable;
    try {
        TEnterpriseList list;
        list.Open(TApplicationInfo::AppFile(QStringLiteral("QYXX.xml")));
        table->Load(list.Enumerate());
    } catch (const std::exception &error) {
        std::fprintf(stderr, "QYXX.xml: %s\n", error.what());
    }
    return table;
}

std::unique_ptr<QWidget> Editor(const TShotContext &)
{
    TEnterpriseTable *table = LoadTable();
    auto dialog = std::make_unique<TQYXXFrom>(*table);
    table->setParent(dialog.get());
    return dialog;
}

std::unique_ptr<QWidget> Picker(const TShotContext &)
{
    TEnterpriseTable *table = LoadTable();
    auto picker = std::make_unique<TSelQYXXForm>(*table);
    table->setParent(picker.get());
    return picker;
}

// The picker narrowed to the names holding "货运", searched by name.
std::unique_ptr<QWidget> PickerSearch(const TShotContext &context)
{
    std::unique_ptr<QWidget> picker = Picker(context);
    picker->findChild<QAction *>(QStringLiteral("miByName"))->trigger();
    picker->findChild<QLineEdit *>(QStringLiteral("edtSearch"))->setText(QStringLiteral("货运"));
    picker->findChild<QPushButton *>(QStringLiteral("btnSearch"))->click();
    return picker;
}

} // namespace

QList<TShot> EnterpriseShots()
{
    return {
        {QStringLiteral("enterprise-editor"), Editor},
        {QStringLiteral("enterprise-picker"), Picker},
        {QStringLiteral("enterprise-picker-search"), PickerSearch},
    };
}
