#pragma once

#include "entry/ScriptHost.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QTextStream>

#include <functional>
#include <vector>

// Batch checking for the receiving office: every interface file found in
// some folders, checked as the window checks one (CRC against its CRC
// document, then the schema's "_CheckFile" in "Check.js") and, beyond the
// window, validated against the schema's DTD from the DS folder. Results
// are kept in memory: nothing is written to the workspace, and the checked
// folders get only the results texts that --save asks for.

// vettra --batch [--schema CODE] [--save] [--json] [--jobs N] FOLDER...
// arguments start after "--batch" (the workspace option already applied).
// One row per file on out, sorted by path, then a summary line; progress
// ("已检查 n/N") and failures of the run itself on err. Returns 0 when every
// file passed, 1 when any failed or the run could not start (no Check.js,
// a folder missing, no interface file at all), 2 for a wrong command line
// (usage on err).
int RunBatch(const QStringList &arguments, QTextStream &out, QTextStream &err);

// The usage text of the batch mode.
QString BatchUsage();

// ---- The run itself, for tests and the benchmark ----

struct TBatchOptions {
    QStringList folders;
    // Only this schema (letter case ignored); empty: every schema of GetSchemaList.
    QString schemaCode;
    // Write each file's results text beside it (ResultsFileName, GBK, atomically).
    bool save = false;
    // Worker threads, each with a script engine of its own; 0 or less: one
    // per processor core.
    int jobs = 0;
    // Time-out of each "_CheckFile" call.
    int timeoutMs = TScriptHost::kDefaultTimeoutMs;
    // The check script; empty: the workspace's "Check.js".
    QString scriptPath;
};

// pass / fail / not checked (a step that could not be reached).
enum class TBatchVerdict { Pass, Fail, Skipped };

// How "_CheckFile" went.
enum class TScriptOutcome {
    NotRun,   // an earlier step failed
    Clean,    // ran, results read, no error reported
    Errors,   // ran, the script reported errors ("检查结果")
    Failed,   // the script raised an error, or its results could not be read
    TimedOut, // ran past the time-out
};

struct TBatchFileResult {
    QString path;       // absolute
    QString schemaCode; // lower case, as GetSchemaList gives it
    // From the script's "基本信息"; from the file itself (TAXPAYER SWSBH,
    // SCHEMA SSSQ) when the script did not say.
    QString taxpayerId;
    QString period;
    TBatchVerdict crc = TBatchVerdict::Skipped;
    TBatchVerdict dtd = TBatchVerdict::Skipped;
    TScriptOutcome script = TScriptOutcome::NotRun;
    int errorCount = 0;                         // keys of "检查结果"
    QList<QPair<QString, QString>> totals;      // "合计项目", in file order
    QStringList errors;                         // the error rows' texts
    // The first failure of a step, as the window would say it; empty when
    // every step passed (errors reported by the script are in errors).
    QString message;
    QString savedTo;    // the results text written (--save)
    qint64 scriptNs = 0;  // time spent in "_CheckFile"

    bool Passed() const;
};

struct TBatchRun {
    std::vector<TBatchFileResult> files; // sorted by path
    qint64 scriptNs = 0;                 // sum over the files
    // Making and releasing script engines (the first one, and each worker's
    // fresh ones; see kFilesPerEngine), summed over the workers.
    qint64 engineNs = 0;
    int jobs = 0;                        // threads used
};

// Called after each file, from the worker that checked it (calls are
// serialised): files done, files in all.
using TBatchProgress = std::function<void(int done, int total)>;

// The interface files of the schemas in folders, recursively: names that
// match code + "*_JK.xml" without regard to letter case, each file once,
// with the longest matching code; sorted by path. A folder that does not
// exist raises TUserError "指定的路径 “%S” 不存在！".
QList<QPair<QString, QString>> FindInterfaceFiles(const QStringList &folders, const QStringList &schemaCodes);

// Finds and checks the files. Raises TUserError when the run cannot start:
// the script engine (TScriptError or TFileError for "Check.js"), a missing
// folder, an unknown schema, no interface file found. Failures of one file
// are that file's result; the run goes on.
TBatchRun RunBatchChecks(const TBatchOptions &options, const TBatchProgress &progress = {});

// "pass", "fail" or "-"; the script column: "pass", "errors", "error",
// "timeout" or "-".
QString BatchVerdictText(TBatchVerdict verdict);
QString ScriptOutcomeText(TScriptOutcome outcome);
