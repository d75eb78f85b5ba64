#include "workspace/forms/SelQYXXForm.h"

#include "app/utils/MessageBox.h"
#include "workspace/EnterpriseTableModel.h"

#include <QActionGroup>
#include <QEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

TSelQYXXForm::TSelQYXXForm(const TEnterpriseTable &table, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), table_(table)
{
    setObjectName(QStringLiteral("frmSelQYXX"));
    setWindowTitle(QStringLiteral("企业信息"));

    // Without a title bar the window needs an edge of its own.
    auto *pnlFrame = new QFrame(this);
    pnlFrame->setObjectName(QStringLiteral("pnlFrame"));
    pnlFrame->setFrameStyle(QFrame::Panel | QFrame::Raised);
    pnlFrame->setLineWidth(1);

    btnSearchKind_ = new QToolButton(pnlFrame);
    btnSearchKind_->setObjectName(QStringLiteral("btnSearchKind"));
    btnSearchKind_->setPopupMode(QToolButton::InstantPopup);
    btnSearchKind_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    btnSearchKind_->setMinimumWidth(96);
    auto *kinds = new QMenu(btnSearchKind_);
    kinds->setObjectName(QStringLiteral("pmSearchKind"));
    miById_ = kinds->addAction(QStringLiteral("按税务识别号查询"));
    miById_->setObjectName(QStringLiteral("miById"));
    miByName_ = kinds->addAction(QStringLiteral("按企业名称查询"));
    miByName_->setObjectName(QStringLiteral("miByName"));
    auto *group = new QActionGroup(this);
    group->setExclusive(true);
    for (QAction *action : {miById_, miByName_}) {
        action->setCheckable(true);
        group->addAction(action);
    }
    btnSearchKind_->setMenu(kinds);
    connect(miById_, &QAction::triggered, this, [this] { SetSearchKind(TEnterpriseSearch::ById); });
    connect(miByName_, &QAction::triggered, this, [this] { SetSearchKind(TEnterpriseSearch::ByName); });

    edtSearch_ = new QLineEdit(pnlFrame);
    edtSearch_->setObjectName(QStringLiteral("edtSearch"));
    edtSearch_->installEventFilter(this);

    auto *btnSearch = new QPushButton(QStringLiteral("检索(&F)"), pnlFrame);
    btnSearch->setObjectName(QStringLiteral("btnSearch"));
    btnSearch->setAutoDefault(false);
    connect(btnSearch, &QPushButton::clicked, this, &TSelQYXXForm::btnSearchClick);

    model_ = new TEnterprisePickModel(table_, this);
    grdQYXX_ = new QTableView(pnlFrame);
    grdQYXX_->setObjectName(QStringLiteral("grdQYXX"));
    grdQYXX_->setModel(model_);
    grdQYXX_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdQYXX_->setSelectionMode(QAbstractItemView::SingleSelection);
    grdQYXX_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdQYXX_->verticalHeader()->setVisible(false);
    grdQYXX_->horizontalHeader()->setHighlightSections(false);
    grdQYXX_->horizontalHeader()->setStretchLastSection(true);
    grdQYXX_->setColumnWidth(0, 170);
    grdQYXX_->setAlternatingRowColors(true);
    grdQYXX_->installEventFilter(this);
    grdQYXX_->viewport()->installEventFilter(this);

    auto *btnOK = new QPushButton(QStringLiteral("确定(&O)"), pnlFrame);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    auto *btnCancel = new QPushButton(QStringLiteral("取消(&C)"), pnlFrame);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setAutoDefault(false);
    connect(btnOK, &QPushButton::clicked, this, &TSelQYXXForm::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *search = new QHBoxLayout;
    search->setSpacing(6);
    search->addWidget(btnSearchKind_);
    search->addWidget(edtSearch_, 1);
    search->addWidget(btnSearch);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    auto *inner = new QVBoxLayout(pnlFrame);
    inner->setContentsMargins(8, 8, 8, 8);
    inner->setSpacing(8);
    inner->addLayout(search);
    inner->addWidget(grdQYXX_, 1);
    inner->addLayout(buttons);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(pnlFrame);
    resize(460, 320);

    SetSearchKind(TEnterpriseSearch::ById);
    grdQYXX_->setCurrentIndex(model_->index(0, 0));
    edtSearch_->setFocus();
}

void TSelQYXXForm::SetSearchKind(TEnterpriseSearch kind)
{
    kind_ = kind;
    miById_->setChecked(kind == TEnterpriseSearch::ById);
    miByName_->setChecked(kind == TEnterpriseSearch::ByName);
    btnSearchKind_->setText(kind == TEnterpriseSearch::ById ? QStringLiteral("税务识别号") : QStringLiteral("企业名称"));
}

void TSelQYXXForm::btnSearchClick()
{
    model_->ShowRows(SearchRows(table_, kind_, edtSearch_->text()));
    grdQYXX_->setCurrentIndex(model_->index(0, 0)); // none when nothing was found
}

void TSelQYXXForm::btnOKClick()
{
    const QModelIndex current = grdQYXX_->currentIndex();
    if (!current.isValid()) {
        TMessageBox::ShowCaption(QStringLiteral("请选择纳税人信息！"), QStringLiteral("系统警告"),
                                 TMessageBox::WarningOk);
        return;
    }
    picked_ = model_->Row(current.row());
    accept();
}

bool TSelQYXXForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
        if (watched == edtSearch_ && enter) {
            btnSearchClick();
            return true;
        }
        if (watched == edtSearch_ && key == Qt::Key_Down) {
            if (!grdQYXX_->currentIndex().isValid())
                grdQYXX_->setCurrentIndex(model_->index(0, 0));
            grdQYXX_->setFocus(Qt::TabFocusReason);
            return true;
        }
        if (watched == grdQYXX_ && enter) {
            btnOKClick();
            return true;
        }
    }
    if (watched == grdQYXX_->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        btnOKClick();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

namespace {

std::optional<TEnterpriseList::Entry> ExecutePicker(TSelQYXXForm &picker, const QRect &geometry)
{
    picker.move(geometry.topLeft());
    picker.resize(geometry.size());
    if (picker.exec() != QDialog::Accepted)
        return std::nullopt;
    return picker.Picked();
}

} // namespace

std::optional<TEnterpriseList::Entry> PickEnterprise(QWidget *parent, const TEnterpriseTable &table,
                                                     const QRect &editorGlobalRect)
{
    TSelQYXXForm picker(table, parent);
    QScreen *screen = QGuiApplication::screenAt(editorGlobalRect.center());
    if (!screen)
        screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    const QRect workArea = screen ? screen->availableGeometry() : QRect(QPoint(0, 0), picker.size());
    return ExecutePicker(picker, PlacePickerUnder(editorGlobalRect, picker.size(), workArea));
}

std::optional<TEnterpriseList::Entry> PickEnterpriseAt(QWidget *parent, const TEnterpriseTable &table,
                                                       const QPoint &globalTopLeft)
{
    TSelQYXXForm picker(table, parent);
    return ExecutePicker(picker, QRect(globalTopLeft, picker.size()));
}
