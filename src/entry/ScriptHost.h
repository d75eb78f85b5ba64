#pragma once

#include "entry/ScriptErrors.h"
#include "entry/ScriptPreprocessor.h"
#include "entry/ScriptRunner.h"
#include "entry/ScriptWatchdog.h"

#include <QJSValue>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>

class QJSEngine;

// The script engine of a main window: a JavaScript engine that runs the
// JScript dialect of "Script.js" and "Check.js" (conditional compilation,
// functions declared in blocks, ActiveXObject with a read-only XML DOM, a
// file reader and Scripting.Dictionary, Enumerator, VBArray, Error numbers,
// JScript's value and date rules), calls script functions by name and
// reports failures with JScript's error numbers and Chinese descriptions,
// the script's line and the text of that line.
//
// Every call (and the code added) runs under a time-out; a call that runs
// past it is stopped and reported as error 9000. The engine stays usable
// after any failure, and keeps the script's global state between calls.
// Use it from the thread that created it.
class TScriptHost : public TScriptRunner {
public:
    static constexpr int kDefaultTimeoutMs = 10000;

    // An engine with the dialect loaded and no script yet.
    TScriptHost();
    ~TScriptHost() override;
    TScriptHost(const TScriptHost &) = delete;
    TScriptHost &operator=(const TScriptHost &) = delete;

    // Creates an engine and adds the script file (found without regard to
    // letter case; read as GBK text, every line followed by CR LF). Raises
    // TFileError when the file cannot be read and TScriptError when the
    // script does not compile or its top-level code fails.
    static std::unique_ptr<TScriptHost> CreateScriptEngine(const QString &scriptPath,
                                                           int timeoutMs = kDefaultTimeoutMs);

    // Time-out of each call in milliseconds; 0 or less: none.
    void SetTimeout(int timeoutMs) { timeoutMs_ = timeoutMs; }
    int Timeout() const { return timeoutMs_; }

    // Compiles text and runs its top-level code; its functions become
    // callable. fileName names the code in error reports (and must differ
    // between code added to one engine); empty gives a name of its own.
    // Raises TScriptError.
    void AddCode(const QString &text, const QString &fileName = QString());

    // AddCode that returns the value of the text's last expression
    // statement (see FromScriptValue), as a script console shows it.
    QVariant EvaluateCode(const QString &text, const QString &fileName = QString());

    // Calls the global function functionName with the arguments (types as
    // TScriptRunner lists them) and returns its value (see FromScriptValue
    // in ScriptValues.h). Raises TScriptError on any failure, including a
    // function the script does not define (438) or one that runs past the
    // time-out (9000); reports nothing.
    QVariant Run(const QString &functionName, const QVariantList &arguments) override;

    // Run for commands: on a script error with a number other than 0 shows
    // the five-line report (error icon) and raises TSilentAbort; an error
    // numbered 0 is ignored and gives an empty result.
    QVariant RunScript(const QString &functionName, const QVariantList &arguments);

    // Runs the engine's garbage collector now (objects the scripts no
    // longer reach are freed; tests use it to check object lifetimes).
    void CollectGarbage();

private:
    struct TCodeUnit {
        QString name;
        QString url;
        QStringList lines;
        // The script's line of each line the engine compiled (see
        // TDialectScript::SourceLine).
        QList<int> sourceLines;
    };

    QJSValue Evaluate(const QString &program, const QString &fileName, QStringList *trace, bool *timedOut);
    QJSValue Compile(const QString &text, const QString &fileName);
    TScriptError ErrorFrom(const QJSValue &thrown, const QStringList &trace) const;
    TScriptError TimeoutError() const;

    // Declared first so that it is destroyed last: the watchdog interrupts it.
    std::unique_ptr<QJSEngine> engine_;
    TScriptWatchdog watchdog_;
    TScriptPreprocessor preprocessor_;
    QJSValue pending_;
    QList<TCodeUnit> units_;
    int timeoutMs_ = kDefaultTimeoutMs;
};

// Shows the five-line report of a script error with the error icon.
void ShowScriptError(const TScriptError &error);

// A program's engine on a script of the application directory, as both
// programs make it at start-up: when the engine cannot be made, runs
// "RegOcx.sh" (the engine's installer) with sh, waits 5000 ms and tries once
// more; after a second failure shows "建立脚本引挚对象时发生错误，请先安装
// 脚本引挚组件！" and returns null.
std::unique_ptr<TScriptHost> CreateScriptEngineOrInstall(const QString &scriptName);
