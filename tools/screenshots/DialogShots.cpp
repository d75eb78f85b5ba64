#include "Shots.h"

#include "access/forms/LoginForm.h"
#include "access/forms/ModifyPwdForm.h"
#include "documents/XmlTaxPayer.h"
#include "widgets/AboutForm.h"
#include "widgets/GuiMessageBox.h"
#include "widgets/Icons.h"
#include "widgets/WaitForm.h"
#include "workspace/forms/NewFileForm.h"
#include "workspace/forms/RenameForm.h"
#include "workspace/forms/TaxPayerForm.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>

namespace {

std::unique_ptr<QWidget> Login(const TShotContext &)
{
    auto login = std::make_unique<TfrmLogin>();
    login->findChild<QLineEdit *>(QStringLiteral("edtPwd"))->setText(QStringLiteral("5703"));
    return login;
}

std::unique_ptr<QWidget> ModifyPwd(const TShotContext &)
{
    auto dialog = std::make_unique<TfrmModifyPwd>();
    dialog->findChild<QLineEdit *>(QStringLiteral("edtOld"))->setText(QStringLiteral("570319"));
    dialog->findChild<QLineEdit *>(QStringLiteral("edtNew"))->setText(QStringLiteral("qd2006"));
    return dialog;
}

std::unique_ptr<QWidget> NewAuthority(const TShotContext &)
{
    auto dialog = std::make_unique<TfrmTaxPayer>(QStringLiteral("CGSK"));
    dialog->SetInfo(TTaxPayerRec{QStringLiteral("1370211"), QStringLiteral("青岚区税务局第一税务所"), QString()});
    return dialog;
}

std::unique_ptr<QWidget> NewTaxPayer(const TShotContext &context)
{
    auto dialog = std::make_unique<TfrmTaxPayer>(context.collectionType);
    dialog->SetInfo(TTaxPayerRec{QStringLiteral("370212MA3C4D5E6F"), QString(), QString()});
    return dialog;
}

std::unique_ptr<QWidget> Rename(const TShotContext &context)
{
    auto dialog = std::make_unique<TfrmRename>();
    dialog->SetName(context.firstUnitName.isEmpty() ? QStringLiteral("青岚机械制造有限公司") : context.firstUnitName);
    return dialog;
}

std::unique_ptr<QWidget> NewFile(const TShotContext &)
{
    auto dialog = std::make_unique<TfrmNewFile>();
    dialog->SetPeriod(QStringLiteral("200602"));
    return dialog;
}

std::unique_ptr<QWidget> Wait(const TShotContext &)
{
    auto panel = std::make_unique<TfrmWait>();
    panel->SetMessage(QStringLiteral("正在申报，请稍候..."));
    return panel;
}

std::unique_ptr<QWidget> About(const TShotContext &) { return std::make_unique<TfrmAbout>(); }

std::unique_ptr<QWidget> Question(const TShotContext &)
{
    std::unique_ptr<QMessageBox> box = TGuiMessageBox::Build(
        nullptr, QStringLiteral("抵扣凭证数据采集系统"), QStringLiteral("您确认要删除此单位 \"青岚机械制造有限公司\" 吗?"), 305);
    return box;
}

// Every icon at 16, 32 and 64 pixels, with its name.
std::unique_ptr<QWidget> IconSheet(const TShotContext &)
{
    QList<QPair<QString, QIcon>> icons{{QStringLiteral("AppIcon"), AppIcon()}, {QStringLiteral("WaitIcon"), WaitIcon()}};
    const char *treeNames[] = {"Root", "TaxPayer", "Schema", "Awaiting", "Declared"};
    for (int role = 0; role <= static_cast<int>(TTreeIcon::Declared); ++role)
        icons.append({QStringLiteral("Tree ") + QLatin1String(treeNames[role]), TreeIcon(static_cast<TTreeIcon>(role))});
    const char *commandNames[] = {"NewUnit", "DeleteUnit", "NewReport", "DeleteReport", "Declare", "Undeclare",
                                  "Print",   "Find",       "First",     "Prior",        "Next",    "Last",
                                  "Append",  "Delete",     "Edit",      "Post",         "Cancel",  "Refresh"};
    for (TCommandIcon command : AllCommandIcons())
        icons.append({QLatin1String(commandNames[static_cast<int>(command)]), CommandIcon(command)});

    auto sheet = std::make_unique<QWidget>();
    sheet->setAutoFillBackground(true);
    auto *grid = new QGridLayout(sheet.get());
    grid->setHorizontalSpacing(10);
    const int perColumn = (icons.size() + 1) / 2;
    for (int i = 0; i < icons.size(); ++i) {
        const int row = i % perColumn, column = (i / perColumn) * 5;
        grid->addWidget(new QLabel(icons[i].first), row, column);
        for (int k = 0; k < 3; ++k) {
            const int size = 16 << k;
            auto *image = new QLabel;
            image->setPixmap(icons[i].second.pixmap(size, size));
            grid->addWidget(image, row, column + 1 + k, Qt::AlignCenter);
        }
        if (icons[i].first == QLatin1String("Tree Schema")) {
            auto *selected = new QLabel;
            selected->setPixmap(icons[i].second.pixmap(QSize(32, 32), QIcon::Selected));
            selected->setToolTip(QStringLiteral("selected"));
            grid->addWidget(selected, row, column + 4, Qt::AlignCenter);
        }
    }
    return sheet;
}

} // namespace

QList<TShot> DialogShots()
{
    return {
        {QStringLiteral("login"), Login},
        {QStringLiteral("modify-pwd"), ModifyPwd},
        {QStringLiteral("taxpayer-cgsk"), NewAuthority},
        {QStringLiteral("taxpayer"), NewTaxPayer},
        {QStringLiteral("rename"), Rename},
        {QStringLiteral("newfile"), NewFile},
        {QStringLiteral("wait"), Wait},
        {QStringLiteral("about"), About},
        {QStringLiteral("question"), Question},
        {QStringLiteral("icons"), IconSheet},
    };
}
