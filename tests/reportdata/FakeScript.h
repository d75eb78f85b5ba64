#pragma once

#include "entry/ScriptRunner.h"

#include <QList>
#include <QPair>

#include <functional>

// A script engine that records its calls and answers through a function.
class FakeScript : public TScriptRunner {
public:
    QVariant Run(const QString &functionName, const QVariantList &arguments) override
    {
        calls << qMakePair(functionName, arguments);
        return answer ? answer(functionName, arguments) : QVariant();
    }

    std::function<QVariant(const QString &, const QVariantList &)> answer;
    QList<QPair<QString, QVariantList>> calls;
};
