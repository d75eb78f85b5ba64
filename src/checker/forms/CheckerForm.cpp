#include "checker/forms/CheckerForm.h"

#include "app/utils/CommandRunner.h"
#include "app/utils/FolderPicker.h"
#include "app/utils/MessageBox.h"
#include "checker/forms/ContentForm.h"
#include "checker/forms/DetailForm.h"
#include "widgets/Icons.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <exception>

namespace {

constexpr int kKindColumn = 1;
constexpr int kTextColumn = 2;

// A label that shows a long text (a path) cut in the middle instead of
// widening the window; text() keeps the whole text, the tool tip shows it.
class TElidedLabel : public QLabel {
public:
    using QLabel::QLabel;
    QSize minimumSizeHint() const override { return QSize(0, QLabel::minimumSizeHint().height()); }
    QSize sizeHint() const override { return QSize(0, QLabel::sizeHint().height()); }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        const QRect area = contentsRect();
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(area, int(alignment()), fontMetrics().elidedText(text(), Qt::ElideMiddle, area.width()));
    }
};

// The small images of the result list's first column: a red disc with a
// white cross for an error, a blue disc with a sum sign for a total.
QIcon RowIcon(TResultRow::Kind kind)
{
    QIcon icon;
    for (const int size : {16, 24, 32}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF disc(0.5, 0.5, size - 1.0, size - 1.0);
        const bool error = kind == TResultRow::Kind::Error;
        painter.setPen(QPen(error ? QColor(150, 20, 20) : QColor(20, 70, 150), size / 16.0));
        painter.setBrush(error ? QColor(215, 45, 40) : QColor(45, 110, 200));
        painter.drawEllipse(disc);
        painter.setPen(QPen(Qt::white, size / 8.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        const double a = size * 0.3;
        const double b = size * 0.7;
        if (error) {
            painter.drawLine(QPointF(a, a), QPointF(b, b));
            painter.drawLine(QPointF(a, b), QPointF(b, a));
        } else {
            QPainterPath sigma;
            sigma.moveTo(b, a);
            sigma.lineTo(a, a);
            sigma.lineTo(size * 0.52, size * 0.5);
            sigma.lineTo(a, b);
            sigma.lineTo(b, b);
            painter.setBrush(Qt::NoBrush);
            painter.drawPath(sigma);
        }
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

QLineEdit *InfoBox(const char *name, QWidget *parent)
{
    auto *box = new QLineEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setReadOnly(true);
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    box->setPalette(palette);
    return box;
}

QLabel *Caption(const QString &text, QWidget *buddy, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

// Restores the normal cursor however the block is left.
struct TWaitCursor {
    TWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TWaitCursor() { End(); }
    void End()
    {
        if (active) {
            QApplication::restoreOverrideCursor();
            active = false;
        }
    }
    bool active = true;
};

} // namespace

TfrmChecker::TfrmChecker(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                          | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowIcon(AppIcon());
    BuildControls();
}

TfrmChecker::~TfrmChecker() = default;

void TfrmChecker::BuildControls()
{
    // The band at the top: the program's image, the chosen schema's name
    // and the schema list.
    header_ = new QWidget(this);
    header_->setObjectName(QStringLiteral("pnlTitle"));
    header_->setAttribute(Qt::WA_TranslucentBackground);
    auto *imgHeader = new QLabel(header_);
    imgHeader->setObjectName(QStringLiteral("imgHeader"));
    imgHeader->setPixmap(AppIcon().pixmap(32, 32));
    lblTitle_ = new QLabel(header_);
    lblTitle_->setObjectName(QStringLiteral("lblTitle"));
    QFont titleFont = lblTitle_->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.3);
    lblTitle_->setFont(titleFont);
    cbxSchema_ = new QComboBox(header_);
    cbxSchema_->setObjectName(QStringLiteral("cbxSchema"));
    cbxSchema_->setMinimumWidth(170);
    cbxSchema_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    auto *lblSchema = Caption(QStringLiteral("申报表(&T):"), cbxSchema_, header_);
    auto *headerRow = new QHBoxLayout(header_);
    headerRow->setContentsMargins(12, 10, 12, 10);
    headerRow->addWidget(imgHeader);
    headerRow->addSpacing(6);
    headerRow->addWidget(lblTitle_, 1);
    headerRow->addWidget(lblSchema);
    headerRow->addWidget(cbxSchema_);

    // Where the declaration is.
    auto *grpSource = new QGroupBox(QStringLiteral("申报文件位置"), this);
    grpSource->setObjectName(QStringLiteral("grpSource"));
    rbFloppyDisk_ = new QRadioButton(QStringLiteral("软盘(&A)"), grpSource);
    rbFloppyDisk_->setObjectName(QStringLiteral("rbFloppyDisk"));
    rbSpecifyPath_ = new QRadioButton(QStringLiteral("指定路径(&S)"), grpSource);
    rbSpecifyPath_->setObjectName(QStringLiteral("rbSpecifyPath"));
    edtPath_ = new QLineEdit(QDir::toNativeSeparators(QDir::homePath() + QLatin1Char('/')), grpSource);
    edtPath_->setObjectName(QStringLiteral("edtPath"));
    btnBrowse_ = new QPushButton(QStringLiteral("浏览(&B)"), grpSource);
    btnBrowse_->setObjectName(QStringLiteral("btnBrowse"));
    btnBrowse_->setAutoDefault(false);
    auto *sourceRow = new QHBoxLayout(grpSource);
    sourceRow->addWidget(rbFloppyDisk_);
    sourceRow->addSpacing(8);
    sourceRow->addWidget(rbSpecifyPath_);
    sourceRow->addWidget(edtPath_, 1);
    sourceRow->addWidget(btnBrowse_);

    // What the check script reports about the declaration.
    auto *grpInfo = new QGroupBox(QStringLiteral("基本信息"), this);
    grpInfo->setObjectName(QStringLiteral("grpInfo"));
    edtPayerCode_ = InfoBox("edtPayerCode", grpInfo);
    edtAccMonth_ = InfoBox("edtAccMonth", grpInfo);
    Edit5_ = InfoBox("Edit5", grpInfo);
    edtPayerName_ = InfoBox("edtPayerName", grpInfo);
    edtCollector_ = InfoBox("edtCollector", grpInfo);
    auto *infoGrid = new QGridLayout(grpInfo);
    infoGrid->setVerticalSpacing(5);
    infoGrid->addWidget(Caption(QStringLiteral("纳税人识别号:"), edtPayerCode_, grpInfo), 0, 0);
    infoGrid->addWidget(edtPayerCode_, 0, 1);
    infoGrid->addWidget(Caption(QStringLiteral("所属区间:"), edtAccMonth_, grpInfo), 0, 2);
    infoGrid->addWidget(edtAccMonth_, 0, 3);
    infoGrid->addWidget(Caption(QStringLiteral("纳税人名称:"), edtPayerName_, grpInfo), 1, 0);
    infoGrid->addWidget(edtPayerName_, 1, 1);
    infoGrid->addWidget(Caption(QStringLiteral("申报日期:"), Edit5_, grpInfo), 1, 2);
    infoGrid->addWidget(Edit5_, 1, 3);
    infoGrid->addWidget(Caption(QStringLiteral("采集单位名称:"), edtCollector_, grpInfo), 2, 0);
    infoGrid->addWidget(edtCollector_, 2, 1, 1, 3);
    infoGrid->setColumnStretch(1, 3);
    infoGrid->setColumnStretch(3, 2);

    // The result list, with the hint over it until the first run.
    lvwReport_ = new QTreeWidget(this);
    lvwReport_->setObjectName(QStringLiteral("lvwReport"));
    lvwReport_->setColumnCount(3);
    lvwReport_->setHeaderLabels({QStringLiteral("#"), QStringLiteral("类型"), QStringLiteral("检查结果")});
    lvwReport_->setRootIsDecorated(false);
    lvwReport_->setIndentation(0);
    lvwReport_->setUniformRowHeights(true);
    lvwReport_->setSelectionMode(QAbstractItemView::SingleSelection);
    lvwReport_->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvwReport_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvwReport_->setSortingEnabled(false);
    lvwReport_->setAllColumnsShowFocus(true);
    lvwReport_->setIconSize(QSize(16, 16));
    lvwReport_->setContextMenuPolicy(Qt::CustomContextMenu);
    lvwReport_->header()->setSectionsClickable(false);
    lvwReport_->header()->setSectionsMovable(false);
    lvwReport_->header()->setStretchLastSection(true);
    lvwReport_->setColumnWidth(0, 24);
    lvwReport_->setColumnWidth(kKindColumn, 64);
    lvwReport_->setColumnWidth(kTextColumn, 380);
    pnlInfo_ = new QLabel(QStringLiteral("提示：处理检查后的结果可以通过点击右键，系统会出现多项操作功能。"),
                          lvwReport_->viewport());
    pnlInfo_->setObjectName(QStringLiteral("pnlInfo"));
    pnlInfo_->setWordWrap(true);
    pnlInfo_->setAlignment(Qt::AlignCenter);
    pnlInfo_->setContentsMargins(12, 8, 12, 8);
    pnlInfo_->setAutoFillBackground(true);
    pnlInfo_->setFrameShape(QFrame::StyledPanel);
    QPalette hintPalette = pnlInfo_->palette();
    hintPalette.setColor(QPalette::Window, QColor(255, 255, 225));
    hintPalette.setColor(QPalette::WindowText, QColor(60, 60, 60));
    pnlInfo_->setPalette(hintPalette);
    lvwReport_->viewport()->installEventFilter(this);

    lblCurFile_ = new TElidedLabel(QStringLiteral("当前文件"), this);
    lblCurFile_->setObjectName(QStringLiteral("lblCurFile"));
    lblCurFile_->hide();

    lblStatus_ = new QLabel(this);
    lblStatus_->setObjectName(QStringLiteral("lblStatus"));
    ProBar_ = new QProgressBar(this);
    ProBar_->setObjectName(QStringLiteral("ProBar"));
    ProBar_->setRange(0, 100);
    ProBar_->setValue(0);
    ProBar_->setTextVisible(false);
    ProBar_->hide();

    btnCheck_ = new QPushButton(QStringLiteral("开始检查(&C)"), this);
    btnCheck_->setObjectName(QStringLiteral("btnCheck"));
    btnCheck_->setDefault(true);
    Button1_ = new QPushButton(QStringLiteral("查看数据"), this);
    Button1_->setObjectName(QStringLiteral("Button1"));
    Button1_->setAutoDefault(false);
    btnClose_ = new QPushButton(QStringLiteral("退出(&X)"), this);
    btnClose_->setObjectName(QStringLiteral("btnClose"));
    btnClose_->setAutoDefault(false);

    auto *statusRow = new QHBoxLayout;
    statusRow->addWidget(lblStatus_, 1);
    statusRow->addWidget(ProBar_, 1);
    statusRow->addSpacing(10);
    statusRow->addWidget(btnCheck_);
    statusRow->addWidget(Button1_);
    statusRow->addWidget(btnClose_);

    auto *body = new QVBoxLayout;
    body->setContentsMargins(10, 6, 10, 10);
    body->setSpacing(6);
    body->addWidget(grpSource);
    body->addWidget(grpInfo);
    body->addWidget(lvwReport_, 1);
    body->addWidget(lblCurFile_);
    body->addLayout(statusRow);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(header_);
    layout->addLayout(body, 1);

    // The result list's context menu.
    pmReport_ = new QMenu(this);
    pmReport_->setObjectName(QStringLiteral("pmReport"));
    miShowDetails_ = pmReport_->addAction(QStringLiteral("查看详细信息(&D)"), this, &TfrmChecker::miShowDetailsClick);
    miShowDetails_->setObjectName(QStringLiteral("miShowDetails"));
    pmReport_->setDefaultAction(miShowDetails_);
    pmReport_->addSeparator();
    miCopyOneRec_ = pmReport_->addAction(QStringLiteral("复制本条信息(&C)"), this, &TfrmChecker::miCopyOneRecClick);
    miCopyOneRec_->setObjectName(QStringLiteral("miCopyOneRec"));
    miCopyAllRec_ = pmReport_->addAction(QStringLiteral("复制所有信息(&A)"), this, &TfrmChecker::miCopyAllRecClick);
    miCopyAllRec_->setObjectName(QStringLiteral("miCopyAllRec"));
    pmReport_->addSeparator();
    miSaveToFile_ = pmReport_->addAction(QStringLiteral("保存结果到文件(&F)"), this, &TfrmChecker::miSaveToFileClick);
    miSaveToFile_->setObjectName(QStringLiteral("miSaveToFile"));
    pmReport_->addSeparator();
    miErrors_ = pmReport_->addAction(session_.ErrorsCaption());
    miErrors_->setObjectName(QStringLiteral("miErrors"));
    connect(pmReport_, &QMenu::aboutToShow, this, &TfrmChecker::UpdateMenu);

    connect(rbFloppyDisk_, &QRadioButton::toggled, this, &TfrmChecker::ApplyMode);
    connect(btnBrowse_, &QPushButton::clicked, this, &TfrmChecker::btnBrowseClick);
    connect(btnCheck_, &QPushButton::clicked, this, &TfrmChecker::btnCheckClick);
    connect(Button1_, &QPushButton::clicked, this, &TfrmChecker::Button1Click);
    connect(btnClose_, &QPushButton::clicked, this, &QWidget::close);
    connect(cbxSchema_, &QComboBox::activated, this, &TfrmChecker::cbxSchemaChange);
    connect(lvwReport_, &QTreeWidget::customContextMenuRequested, this,
            [this](const QPoint &position) { pmReport_->popup(lvwReport_->viewport()->mapToGlobal(position)); });
    connect(lvwReport_, &QTreeWidget::itemDoubleClicked, this, [this] {
        if (SelectedRow())
            miShowDetailsClick();
    });

    rbFloppyDisk_->setChecked(true);
    ApplyMode();

    // A fixed window of the size the controls need, at least 522 x 453.
    setFixedSize(QSize(522, 453).expandedTo(layout->totalMinimumSize()).expandedTo(layout->totalSizeHint()));
}

bool TfrmChecker::Create()
{
    if (session_.Startup() != TCheckerSession::TStartup::Ready)
        return false;
    setWindowTitle(session_.Caption());
    lblTitle_->setText(session_.Settings().SchemaName);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    return true;
}

bool TfrmChecker::FloppyMode() const { return rbFloppyDisk_->isChecked(); }

QString TfrmChecker::PathText() const { return QDir::fromNativeSeparators(edtPath_->text()); }

void TfrmChecker::ApplyMode()
{
    const bool floppy = FloppyMode();
    edtPath_->setEnabled(!floppy);
    btnBrowse_->setEnabled(!floppy);
}

void TfrmChecker::btnBrowseClick()
{
    QString folder;
    if (BrowseForFolder(QStringLiteral("请选择申报文件所在的路径:"), QString(), folder))
        edtPath_->setText(QDir::toNativeSeparators(folder));
}

void TfrmChecker::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    PlaceHint();
    if (shown_)
        return;
    shown_ = true;
    rbFloppyDisk_->setChecked(true);
    session_.Shown();
    // The first start's choice does not wait for an activation that a
    // desktop without a window manager never sends.
    session_.Activated();
    RenderSchemas();
}

void TfrmChecker::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && shown_) {
        session_.Activated();
        RenderSchemas();
    }
}

void TfrmChecker::closeEvent(QCloseEvent *event)
{
    RunCommand([this] { session_.Close(); });
    event->accept();
}

void TfrmChecker::paintEvent(QPaintEvent *event)
{
    QWidget::paintEvent(event);
    QPainter painter(this);
    const QRect band(0, 0, width(), header_->geometry().bottom() + 1);
    QLinearGradient gradient(band.topLeft(), band.bottomLeft());
    gradient.setColorAt(0, palette().color(QPalette::Base));
    gradient.setColorAt(1, palette().color(QPalette::Midlight));
    painter.fillRect(band, gradient);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawLine(band.bottomLeft(), band.bottomRight());
}

bool TfrmChecker::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lvwReport_->viewport() && event->type() == QEvent::Resize)
        PlaceHint();
    return QWidget::eventFilter(watched, event);
}

void TfrmChecker::PlaceHint()
{
    // One line when the list is wide enough, else wrapped; centred.
    const QRect area = lvwReport_->viewport()->rect();
    const QMargins margins = pnlInfo_->contentsMargins();
    const int frame = 2 * pnlInfo_->frameWidth();
    const int natural = pnlInfo_->fontMetrics().horizontalAdvance(pnlInfo_->text()) + margins.left() + margins.right()
                        + frame + 2;
    const int width = qMax(0, qMin(area.width() - 24, natural));
    const int wrapped = pnlInfo_->heightForWidth(width);
    const int height = wrapped > 0 ? wrapped : pnlInfo_->sizeHint().height();
    pnlInfo_->setGeometry(QRect(area.center().x() - width / 2, area.center().y() - height / 2, width, height));
}

void TfrmChecker::RenderSchemas()
{
    const QSignalBlocker blocker(cbxSchema_);
    QStringList names;
    for (const TSchemaEntry &entry : session_.SchemaList())
        names << entry.name;
    QStringList shown;
    for (int i = 0; i < cbxSchema_->count(); ++i)
        shown << cbxSchema_->itemText(i);
    if (shown != names) {
        cbxSchema_->clear();
        cbxSchema_->addItems(names);
    }
    cbxSchema_->setCurrentIndex(session_.SelectedIndex());
    lblTitle_->setText(session_.Settings().SchemaName);
}

void TfrmChecker::cbxSchemaChange(int index)
{
    session_.ChooseSchema(index);
    RenderSchemas();
}

void TfrmChecker::ShowCurrentFile(const QString &file)
{
    const QString text = QStringLiteral("当前文件: ") + QDir::toNativeSeparators(file);
    lblCurFile_->setText(text);
    lblCurFile_->setToolTip(text);
    lblCurFile_->show();
}

void TfrmChecker::ResetDisplay()
{
    session_.ResetResult();
    RenderResult();
    pnlInfo_->hide();
    ProBar_->setValue(0);
    lblCurFile_->setText(QStringLiteral("当前文件"));
    lblCurFile_->setToolTip(QString());
}

void TfrmChecker::RenderResult()
{
    const TCheckResult &result = session_.Result();
    const QStringList keys = BasicInfoKeys();
    QLineEdit *const fields[] = {edtPayerCode_, edtAccMonth_, Edit5_, edtPayerName_, edtCollector_};
    for (int i = 0; i < keys.size() && i < 5; ++i) {
        fields[i]->setText(result.basicInfo.value(keys[i]));
        fields[i]->setCursorPosition(0);
    }
    lvwReport_->clear();
    QList<QTreeWidgetItem *> items;
    items.reserve(qsizetype(result.rows.size()));
    const QIcon errorIcon = RowIcon(TResultRow::Kind::Error);
    const QIcon totalIcon = RowIcon(TResultRow::Kind::Total);
    for (const TResultRow &row : result.rows) {
        auto *item = new QTreeWidgetItem({QString(), ResultKindText(row.kind), row.text});
        item->setIcon(0, row.kind == TResultRow::Kind::Error ? errorIcon : totalIcon);
        item->setToolTip(kTextColumn, row.text);
        items << item;
    }
    lvwReport_->addTopLevelItems(items);
    if (!result.file.isEmpty())
        ShowCurrentFile(result.file);
    miErrors_->setText(session_.ErrorsCaption());
}

void TfrmChecker::btnCheckClick()
{
    ResetDisplay();
    ProBar_->show();
    lblStatus_->hide();
    btnCheck_->setEnabled(false);
    repaint();

    std::exception_ptr failure;
    {
        TWaitCursor wait;
        try {
            session_.Check(FloppyMode(), PathText());
        } catch (...) {
            failure = std::current_exception();
        }
    }
    RenderResult();
    const QString status = session_.Result().status;
    lblStatus_->setText(status.isEmpty() ? QStringLiteral("申报文件检查结束。") : status);
    ProBar_->hide();
    lblStatus_->show();
    btnCheck_->setEnabled(true);
    if (failure)
        RunCommand([&] { std::rethrow_exception(failure); });
}

void TfrmChecker::Button1Click()
{
    ResetDisplay();
    TWaitCursor wait;
    RunCommand([&] {
        const QString folder = ResolveSourceFolder(FloppyMode(), PathText());
        const QString file = LocateInterfaceFile(folder, session_.Settings().SchemaCode);
        ShowCurrentFile(file);
        // The view is read with the wait cursor; it is looked at without.
        ShowDetail(file, this, [&wait] { wait.End(); });
    });
}

QTreeWidgetItem *TfrmChecker::SelectedRow() const
{
    const QList<QTreeWidgetItem *> selected = lvwReport_->selectedItems();
    return selected.size() == 1 ? selected.first() : nullptr;
}

void TfrmChecker::UpdateMenu()
{
    const bool one = SelectedRow() != nullptr;
    const bool any = lvwReport_->topLevelItemCount() > 0;
    miShowDetails_->setEnabled(one);
    miCopyOneRec_->setEnabled(one);
    miCopyAllRec_->setEnabled(any);
    miSaveToFile_->setEnabled(any);
    miErrors_->setText(session_.ErrorsCaption());
}

void TfrmChecker::miShowDetailsClick()
{
    if (QTreeWidgetItem *row = SelectedRow())
        ShowContent(row->text(kTextColumn), this);
}

void TfrmChecker::miCopyOneRecClick()
{
    if (QTreeWidgetItem *row = SelectedRow())
        QGuiApplication::clipboard()->setText(row->text(kKindColumn) + QLatin1Char('\t') + row->text(kTextColumn));
}

void TfrmChecker::miCopyAllRecClick()
{
    QGuiApplication::clipboard()->setText(ResultsText(session_.Result().rows));
    TMessageBox::Show(QStringLiteral("成功复制检查结果到剪贴板！"), TMessageBox::InformationOk);
}

void TfrmChecker::miSaveToFileClick()
{
    RunCommand([this] { session_.SaveResults(FloppyMode(), PathText()); });
}
