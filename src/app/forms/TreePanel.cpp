#include "app/forms/TreePanel.h"

#include "widgets/Icons.h"
#include "workspace/NavigationTree.h"

#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

QVariant TTreeIconModel::data(const QModelIndex &index, int role) const
{
    if (role == Qt::DecorationRole)
        return TreeIcon(TTreeIcon(QIdentityProxyModel::data(index, TNavigationTree::IconRole).toInt()));
    return QIdentityProxyModel::data(index, role);
}

TTreePanel::TTreePanel(TNavigationTree &tree, QWidget *parent) : QWidget(parent), tree_(tree)
{
    setObjectName(QStringLiteral("pnlTree"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);

    // Title bar with the close button at its right end.
    auto *titleBar = new QFrame(this);
    titleBar->setObjectName(QStringLiteral("pnlTreeTitle"));
    titleBar->setFrameShape(QFrame::StyledPanel);
    titleBar->setAutoFillBackground(true);
    titleBar->setBackgroundRole(QPalette::Button);
    auto *titleLayout = new QHBoxLayout(titleBar);
    titleLayout->setContentsMargins(6, 2, 2, 2);
    auto *title = new QLabel(QStringLiteral("报表目录"), titleBar);
    title->setObjectName(QStringLiteral("lblTreeTitle"));
    auto *close = new QToolButton(titleBar);
    close->setObjectName(QStringLiteral("btnTreeClose"));
    close->setText(QStringLiteral("×"));
    close->setAutoRaise(true);
    close->setToolTip(QStringLiteral("关闭"));
    titleLayout->addWidget(title, 1);
    titleLayout->addWidget(close);
    layout->addWidget(titleBar);
    connect(close, &QToolButton::clicked, this, &TTreePanel::CloseAsked);

    icons_.setSourceModel(&tree_);
    tvwFiles_ = new QTreeView(this);
    tvwFiles_->setObjectName(QStringLiteral("tvwFiles"));
    tvwFiles_->setModel(&icons_);
    tvwFiles_->setHeaderHidden(true);
    tvwFiles_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tvwFiles_->setSelectionMode(QAbstractItemView::SingleSelection);
    tvwFiles_->viewport()->installEventFilter(this);
    // Shift+F10 opens the menu as the menu key does.
    auto *menuKey = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10), tvwFiles_, nullptr, nullptr, Qt::WidgetShortcut);
    connect(menuKey, &QShortcut::activated, this, [this] {
        QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(), QPoint());
        eventFilter(tvwFiles_->viewport(), &event);
    });
    tvwFiles_->setUniformRowHeights(true);
    layout->addWidget(tvwFiles_, 1);

    searchBar_ = new QWidget(this);
    auto *searchLayout = new QHBoxLayout(searchBar_);
    searchLayout->setContentsMargins(4, 0, 2, 2);
    auto *label = new QLabel(QStringLiteral("税号(&N):"), searchBar_);
    edtSearch_ = new QLineEdit(searchBar_);
    edtSearch_->setObjectName(QStringLiteral("edtSearch"));
    edtSearch_->setMaxLength(30);
    label->setBuddy(edtSearch_);
    auto *find = new QToolButton(searchBar_);
    find->setObjectName(QStringLiteral("btnSearch"));
    find->setIcon(CommandIcon(TCommandIcon::Find));
    find->setToolTip(QStringLiteral("查找"));
    searchLayout->addWidget(label);
    searchLayout->addWidget(edtSearch_, 1);
    searchLayout->addWidget(find);
    layout->addWidget(searchBar_);
    const auto search = [this] { emit SearchAsked(edtSearch_->text()); };
    connect(find, &QToolButton::clicked, this, search);
    connect(edtSearch_, &QLineEdit::returnPressed, this, search);

    connect(tvwFiles_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current) {
                if (!showing_ && current.isValid())
                    emit NodeChosen(NodeAt(current));
            });
}

bool TTreePanel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != tvwFiles_->viewport() || event->type() != QEvent::ContextMenu)
        return QWidget::eventFilter(watched, event);
    auto *menuEvent = static_cast<QContextMenuEvent *>(event);
    // The mouse chooses the node under it first; the keyboard's menu key
    // opens the menu of the current node, beside it.
    QPoint pos = menuEvent->pos();
    if (menuEvent->reason() == QContextMenuEvent::Mouse) {
        const QModelIndex index = tvwFiles_->indexAt(pos);
        if (!index.isValid())
            return true;
        if (index != tvwFiles_->currentIndex())
            tvwFiles_->setCurrentIndex(index);
    } else {
        const QModelIndex current = tvwFiles_->currentIndex();
        if (!current.isValid())
            return true;
        pos = tvwFiles_->visualRect(current).center();
    }
    emit ContextMenuAsked(tvwFiles_->viewport()->mapToGlobal(pos));
    return true;
}

TTreeNode *TTreePanel::NodeAt(const QModelIndex &index) const { return tree_.NodeOf(icons_.mapToSource(index)); }

void TTreePanel::ShowSelected(const TTreeNode *node)
{
    const QModelIndex index = icons_.mapFromSource(tree_.IndexOf(node));
    if (index == tvwFiles_->currentIndex())
        return;
    showing_ = true;
    tvwFiles_->setCurrentIndex(index);
    tvwFiles_->scrollTo(index);
    showing_ = false;
}

void TTreePanel::ExpandAll() { tvwFiles_->expandAll(); }

void TTreePanel::Expand(const TTreeNode *node) { tvwFiles_->expand(icons_.mapFromSource(tree_.IndexOf(node))); }

void TTreePanel::SetSearchVisible(bool visible) { searchBar_->setVisible(visible); }
