#pragma once

#include <QIdentityProxyModel>
#include <QWidget>

class QLineEdit;
class QToolButton;
class QTreeView;
class TNavigationTree;
class TTreeNode;

// Shows the tree's icon roles as images.
class TTreeIconModel : public QIdentityProxyModel {
    Q_OBJECT
public:
    using QIdentityProxyModel::QIdentityProxyModel;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
};

// The left panel of the main window: the title bar "报表目录" with its close
// button, the navigation tree and the search box. It shows the session's
// tree and reports what the user does; the main window forwards that to
// the session.
class TTreePanel : public QWidget {
    Q_OBJECT
public:
    TTreePanel(TNavigationTree &tree, QWidget *parent = nullptr);

    QTreeView *TreeView() const { return tvwFiles_; }
    // Makes node the current one without announcing it as the user's choice.
    void ShowSelected(const TTreeNode *node);
    void ExpandAll();
    void Expand(const TTreeNode *node);
    void SetSearchVisible(bool visible);
    // The node the view shows at index (of the view's model).
    TTreeNode *NodeAt(const QModelIndex &index) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

signals:
    // The user chose another node.
    void NodeChosen(TTreeNode *node);
    // The context menu was asked for, for the current node, at globalPos.
    void ContextMenuAsked(const QPoint &globalPos);
    void SearchAsked(const QString &text);
    void CloseAsked();

private:
    TNavigationTree &tree_;
    TTreeIconModel icons_;
    QTreeView *tvwFiles_;
    QWidget *searchBar_;
    QLineEdit *edtSearch_;
    bool showing_ = false;
};
