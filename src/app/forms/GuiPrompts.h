#pragma once

#include "app/ClientPrompts.h"

class QWidget;

// Answers the session's dialogs with the real dialogs, over parent.
class TGuiPrompts : public TClientPrompts {
public:
    explicit TGuiPrompts(QWidget *parent) : parent_(parent) {}

    bool ExecuteLogin() override;
    bool EditNewUnit(const QString &collectionType, TTaxPayerInfo &info) override;
    bool EditUnitName(QString &name) override;
    bool EditPeriod(QString &period) override;
    bool EditPassword(QString &oldPassword, QString &newPassword, QString &confirmation) override;

private:
    QWidget *parent_;
};
