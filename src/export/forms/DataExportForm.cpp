#include "export/forms/DataExportForm.h"

#include "app/utils/ApplicationInfo.h"
#include "app/utils/CommandRunner.h"
#include "app/utils/FolderPicker.h"
#include "app/utils/Utils.h"

#include <QApplication>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>

namespace {

QLineEdit *ReadOnlyBox(const QString &name, const QString &text, QWidget *parent)
{
    auto *box = new QLineEdit(text, parent);
    box->setObjectName(name);
    box->setReadOnly(true);
    box->setFocusPolicy(Qt::NoFocus);
    return box;
}

// A box that cannot be typed into shows the button-face colour, one that
// can the window colour.
void ShowEditable(QLineEdit *box, bool editable)
{
    box->setReadOnly(!editable);
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, box->style()->standardPalette().color(editable ? QPalette::Base : QPalette::Button));
    box->setPalette(palette);
}

} // namespace

TfrmDataExport::TfrmDataExport(const QString &collectionType, TExportBaseInfo &info, TXmlDataSet &dataSet,
                               QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      info_(info), dataSet_(dataSet)
{
    setObjectName(QStringLiteral("frmDataExport"));
    setWindowTitle(QStringLiteral("申报文件导出"));
    const TExportCaptions captions = ExportCaptions(collectionType);

    // The upper part, painted with the gradient behind it.
    header_ = new QWidget(this);
    header_->setObjectName(QStringLiteral("pnlHeader"));
    header_->setAttribute(Qt::WA_TranslucentBackground);
    lblTitle_ = new QLabel(FormatText(QStringLiteral("系统准备产生并导出%S"), {info.schemaCaption}), header_);
    lblTitle_->setObjectName(QStringLiteral("lblTitle"));
    QFont titleFont = lblTitle_->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.25);
    lblTitle_->setFont(titleFont);
    auto *lblCode = new QLabel(captions.codeLabel, header_);
    lblCode->setObjectName(QStringLiteral("lblCode"));
    auto *edtPayerCode = ReadOnlyBox(QStringLiteral("edtPayerCode"), info.taxpayerId, header_);
    lblCode->setBuddy(edtPayerCode);
    auto *lblName = new QLabel(captions.nameLabel, header_);
    lblName->setObjectName(QStringLiteral("lblName"));
    auto *edtPayerName = ReadOnlyBox(QStringLiteral("edtPayerName"), info.taxpayerName, header_);
    edtPayerName->setMinimumWidth(300);
    lblName->setBuddy(edtPayerName);
    auto *headerGrid = new QGridLayout(header_);
    headerGrid->setContentsMargins(16, 14, 16, 12);
    headerGrid->setVerticalSpacing(8);
    headerGrid->addWidget(lblTitle_, 0, 0, 1, 2);
    headerGrid->addWidget(lblCode, 1, 0);
    headerGrid->addWidget(edtPayerCode, 1, 1);
    headerGrid->addWidget(lblName, 2, 0);
    headerGrid->addWidget(edtPayerName, 2, 1);

    auto *grpPath = new QGroupBox(QStringLiteral("传出路径:"), this);
    grpPath->setObjectName(QStringLiteral("grpPath"));
    rbFloppy_ = new QRadioButton(QStringLiteral("传到软盘(&A):"), grpPath);
    rbFloppy_->setObjectName(QStringLiteral("rbFloppy"));
    lblNote_ = new QLabel(QStringLiteral("请先将您的软盘打开写保护。"), grpPath);
    lblNote_->setObjectName(QStringLiteral("lblNote"));
    rbFolder_ = new QRadioButton(QStringLiteral("指定路径(&D):"), grpPath);
    rbFolder_->setObjectName(QStringLiteral("rbFolder"));
    edtExportPath_ = new QLineEdit(QDir::toNativeSeparators(TApplicationInfo::DeclareDir(info.period)), grpPath);
    edtExportPath_->setObjectName(QStringLiteral("edtExportPath"));
    edtExportPath_->setMinimumWidth(380);
    // A long folder is shown whole in the tool tip.
    edtExportPath_->setToolTip(edtExportPath_->text());
    connect(edtExportPath_, &QLineEdit::textChanged, edtExportPath_, &QLineEdit::setToolTip);
    btnOpen_ = new QPushButton(grpPath);
    btnOpen_->setObjectName(QStringLiteral("btnOpen"));
    btnOpen_->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    btnOpen_->setToolTip(QStringLiteral("选择文件夹"));
    auto *pathGrid = new QGridLayout(grpPath);
    pathGrid->addWidget(rbFloppy_, 0, 0);
    pathGrid->addWidget(lblNote_, 0, 1, 1, 2);
    pathGrid->addWidget(rbFolder_, 1, 0);
    pathGrid->addWidget(edtExportPath_, 1, 1);
    pathGrid->addWidget(btnOpen_, 1, 2);
    pathGrid->setColumnStretch(1, 1);

    auto *lblProgress = new QLabel(QStringLiteral("当前进度(&P):"), this);
    lblProgress->setObjectName(QStringLiteral("lblProgress"));
    ProgressBar_ = new QProgressBar(this);
    ProgressBar_->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar_->setRange(0, 100);
    ProgressBar_->setValue(0);
    lblProgress->setBuddy(ProgressBar_);

    btnExport_ = new QPushButton(QStringLiteral("开始导出"), this);
    btnExport_->setObjectName(QStringLiteral("btnExport"));
    btnExport_->setDefault(true);
    btnCancel_ = new QPushButton(QStringLiteral("取消"), this);
    btnCancel_->setObjectName(QStringLiteral("btnCancel"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnExport_);
    buttons->addWidget(btnCancel_);

    auto *body = new QVBoxLayout;
    body->setContentsMargins(16, 10, 16, 14);
    body->setSpacing(10);
    body->addWidget(grpPath);
    auto *progressRow = new QHBoxLayout;
    progressRow->addWidget(lblProgress);
    progressRow->addWidget(ProgressBar_, 1);
    body->addLayout(progressRow);
    body->addLayout(buttons);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(header_);
    layout->addLayout(body);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(rbFloppy_, &QRadioButton::toggled, this, &TfrmDataExport::ApplyMode);
    connect(btnOpen_, &QPushButton::clicked, this, &TfrmDataExport::btnOpenClick);
    connect(btnExport_, &QPushButton::clicked, this, &TfrmDataExport::btnExportClick);
    connect(btnCancel_, &QPushButton::clicked, this, &TfrmDataExport::reject);

    rbFloppy_->setChecked(true);
    ApplyMode();
    btnExport_->setFocus();
}

bool TfrmDataExport::FloppyMode() const { return rbFloppy_->isChecked(); }

void TfrmDataExport::ApplyMode()
{
    const bool floppy = FloppyMode();
    lblNote_->setEnabled(floppy);
    ShowEditable(edtExportPath_, !floppy);
    edtExportPath_->setFocusPolicy(floppy ? Qt::NoFocus : Qt::StrongFocus);
    btnOpen_->setEnabled(!floppy);
}

void TfrmDataExport::btnOpenClick()
{
    btnOpen_->setEnabled(false);
    QString folder;
    if (BrowseForFolder(QStringLiteral("请选择要存放的申报文件路径:"), QString(), folder))
        edtExportPath_->setText(QDir::toNativeSeparators(folder));
    btnOpen_->setEnabled(!FloppyMode());
}

void TfrmDataExport::SetProgress(int percent)
{
    ProgressBar_->setValue(percent);
    // The bar repaints while the export runs; typing and clicks wait.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TfrmDataExport::btnExportClick()
{
    if (running_)
        return;
    running_ = true;
    for (QWidget *control : {static_cast<QWidget *>(btnExport_), static_cast<QWidget *>(btnCancel_),
                             static_cast<QWidget *>(rbFloppy_), static_cast<QWidget *>(rbFolder_)})
        control->setEnabled(false);
    ProgressBar_->setValue(0);
    ShowEditable(edtExportPath_, false);
    btnOpen_->setEnabled(false);

    TExportRequest request;
    request.target = FloppyMode() ? TExportTarget::Floppy : TExportTarget::Folder;
    request.folderText = QDir::fromNativeSeparators(edtExportPath_->text());
    request.progress = [this](int percent) { SetProgress(percent); };
    TExportRun run;
    const bool ran = RunCommand([&] { run = RunDataExport(info_, dataSet_, request); });

    running_ = false;
    for (QWidget *control : {static_cast<QWidget *>(btnExport_), static_cast<QWidget *>(btnCancel_),
                             static_cast<QWidget *>(rbFloppy_), static_cast<QWidget *>(rbFolder_)})
        control->setEnabled(true);
    ApplyMode();
    if (!ran || run.outcome == TExportOutcome::Stopped)
        return; // nothing written: another attempt may follow
    exported_ = run.outcome == TExportOutcome::Exported;
    if (exported_)
        accept();
    else
        QDialog::reject();
}

void TfrmDataExport::reject()
{
    // Not while the export runs: it owns the report's cursor until it ends.
    if (!running_)
        QDialog::reject();
}

void TfrmDataExport::paintEvent(QPaintEvent *event)
{
    QDialog::paintEvent(event);
    QPainter painter(this);
    const QRect band(0, 0, width(), header_->geometry().bottom() + 1);
    QLinearGradient gradient(band.topLeft(), band.bottomLeft());
    gradient.setColorAt(0, palette().color(QPalette::Window));
    gradient.setColorAt(1, palette().color(QPalette::Mid));
    painter.fillRect(band, gradient);
}

bool ExecuteDataExport(QWidget *parent, const QString &collectionType, TExportBaseInfo &info, TXmlDataSet &dataSet)
{
    TfrmDataExport dialog(collectionType, info, dataSet, parent);
    dialog.exec();
    return dialog.Exported();
}
