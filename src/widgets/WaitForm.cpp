#include "widgets/WaitForm.h"

#include "widgets/Icons.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>

TfrmWait::TfrmWait(QWidget *parent)
    : QFrame(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("frmWait"));
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(1);
    setMinimumSize(247, 51);

    auto *icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("imgWait"));
    icon->setPixmap(WaitIcon().pixmap(32, 32));
    icon->setFixedSize(32, 32);

    lblMessage_ = new QLabel(this);
    lblMessage_->setObjectName(QStringLiteral("lblMessage"));
    lblMessage_->setTextFormat(Qt::PlainText);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(10, 6, 12, 6);
    layout->setSpacing(10);
    layout->addWidget(icon);
    layout->addWidget(lblMessage_, 1);
}

void TfrmWait::SetMessage(const QString &message)
{
    lblMessage_->setText(message);
    adjustSize();
    CentreOnScreen();
}

QString TfrmWait::Message() const { return lblMessage_->text(); }

void TfrmWait::CentreOnScreen()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = geometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
}

TGuiWaitPanel::TGuiWaitPanel() = default;
TGuiWaitPanel::~TGuiWaitPanel() = default;

void TGuiWaitPanel::Show(const QString &message)
{
    if (!panel_)
        panel_ = std::make_unique<TfrmWait>();
    panel_->SetMessage(message);
    panel_->show();
    panel_->raise();
    panel_->repaint();
    // Input is left queued: a click now must not start another command in
    // the middle of the one that asked for the panel.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TGuiWaitPanel::Close()
{
    if (!panel_)
        return;
    panel_->close();
    panel_.reset();
}
