#pragma once

#include "app/utils/WaitPanel.h"

#include <QFrame>

#include <memory>

class QLabel;

// The wait panel: a small frameless, always-on-top window with an hourglass
// and one line of message, centred on the screen. It is at least 247 by 51
// pixels and grows when a message needs more room.
class TfrmWait : public QFrame {
    Q_OBJECT
public:
    explicit TfrmWait(QWidget *parent = nullptr);

    // Changes the message and re-centres the panel for its new size.
    void SetMessage(const QString &message);
    QString Message() const;

private:
    void CentreOnScreen();

    QLabel *lblMessage_;
};

// Answers TWaitPanel with a TfrmWait. One panel at a time: Show creates it
// on first use, later Shows change its message; Close destroys it.
class TGuiWaitPanel : public TWaitPanel::Handler {
public:
    TGuiWaitPanel();
    ~TGuiWaitPanel() override;

    // Shows the panel with message and lets it paint before returning, so
    // that it is on the screen during the long work that follows. User input
    // waiting in the queue stays there until the work is done.
    void Show(const QString &message) override;
    void Close() override;

    // The panel while it is shown, else nullptr.
    TfrmWait *Panel() const { return panel_.get(); }

private:
    std::unique_ptr<TfrmWait> panel_;
};
