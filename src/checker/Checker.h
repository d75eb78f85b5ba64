#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class TIniFile;
class TScriptHost;
class TWorkspaceLock;

// The checker's logic without a window: its settings, the schema list of
// "Check.js", finding the interface file of a schema, the check run (CRC
// against the CRC document, the DTD beside the file, the schema's
// "_CheckFile") and its results text. Failures meant for the user raise
// TUserError with the text to show; script errors are reported by the
// script host and end in TSilentAbort.

// ---- Settings ("Vettra.ini" in the workspace, section "Settings") ----

// The remembered schema choice. Modified is set when a schema is chosen
// while the program runs; it is not stored.
struct TSettings {
    QString SchemaCode;
    QString SchemaName;
    bool Modified = false;
};

// The settings file: the workspace's "Vettra.ini".
QString SettingsFileName();
// Reads the two keys, trimmed; a missing file gives empty texts. Modified
// is false. Raises TFileError when the file exists but cannot be read.
TSettings ReadSettings();
// Writes the two keys atomically, keeping every other line of the file.
// Raises TFileError (or TUserError for a value an INI file cannot hold).
void WriteSettings(const TSettings &settings);

// ---- Schema list ----

struct TSchemaEntry {
    QString code; // lower case
    QString name;
};

// The text GetSchemaList returns: one schema per line that holds "|",
// code before the first "|" (lower-cased), name after it; other lines are
// ignored. Lines may end in CR LF, LF or CR.
QList<TSchemaEntry> ParseSchemaList(const QString &text);

// ---- Finding the interface file ----

// The files (not folders) of folder whose names match mask ("*" any run of
// characters, "?" one character; letter case ignored), as full paths in
// name order. A folder that does not exist gives an empty list.
QStringList FindFiles(const QString &folder, const QString &mask);

// The source folder of a check, ending in "/". Floppy mode: the removable
// medium ($CORVANE_FLOPPY, else the one mounted removable volume; nothing
// is created). Path mode: pathText trimmed. A folder that does not exist
// raises TUserError "指定的路径 “%S” 不存在！".
QString ResolveSourceFolder(bool floppyMode, const QString &pathText);

// The first interface file of schemaCode in sourceFolder (mask
// schemaCode + "*_JK.xml"). None raises TUserError
// "在路径“%S”下没有发现相关的申报文件，请检查！".
QString LocateInterfaceFile(const QString &sourceFolder, const QString &schemaCode);

// ---- One check, step by step ----

// Proves with its CRC document that file is complete and unchanged: the
// root's CRC attribute names the document in the file's folder, which must
// hold an entry for the file's name with the file's CRC text. Raises
// TUserError with "数据验证文件 “%S” 不存在！", "无法读取验证文件“%S”的数据！" or
// "申报文件的CRC检验值不正确，申报文件数据已被修改或不完整！"; TXmlParseError or
// TFileError when the file or the CRC document cannot be read.
void VerifyCrc(const QString &file);

// The DTD of a schema as the DS folder holds it: schemaCode in upper case
// + "JK.DTD".
QString DtdFileName(const QString &schemaCode);

// Copies the schema's DTD from the DS folder into sourceFolder, replacing
// one that is there. Returns false, having written nothing, when the copy
// failed only because sourceFolder cannot be written (write-protected
// medium, read-only folder): the script's DOM then finds the DTD in the DS
// folder. A DTD missing from the DS folder, or any other failure, raises
// TUserError "复制申报文件的类型定义文件“%S”失败！".
bool CopyDtd(const QString &schemaCode, const QString &sourceFolder);

// The copy CopyDtd makes (source, destination); raises TFileError. The
// default copies through a temporary file; tests install one that fails as
// a read-only medium does. nullptr restores the default.
using TFileCopier = std::function<void(const QString &source, const QString &destination)>;
void SetDtdCopier(TFileCopier copier);

// One row of the result list.
struct TResultRow {
    enum class Kind { Error, Total } kind;
    QString text;
};

// "错误" or "合计项".
QString ResultKindText(TResultRow::Kind kind);

// The outcome of one check run as the window shows it.
struct TCheckResult {
    QString file;                      // the interface file checked (empty before step 6)
    QMap<QString, QString> basicInfo;  // BasicInfoKeys() → value (missing keys absent)
    std::vector<TResultRow> rows;      // totals first, then errors, in file order
    int errorCount = 0;                // keys of "检查结果"
    QString status;                    // the status line after the run
    bool dtdCopied = true;
    bool resultsRead = false;          // a results file was read (sets the count caption)
};

// "纳税人识别号", "所属区间", "申报日期", "纳税人名称", "采集单位名称", in field order.
QStringList BasicInfoKeys();

// The bytes of the results file: every line of text (CR LF, LF or CR
// ended) followed by CR LF, in GBK.
QByteArray ResultsFileBytes(const QString &text);

// Fills basicInfo, rows and errorCount of result from a results file read
// as an INI file: "基本信息", then one total row per key of "合计项目"
// (key=value) and one error row per key of "检查结果" (the value).
void ReadCheckResults(const TIniFile &results, TCheckResult &result);

// The non-interactive check of one file with schemaCode's "_CheckFile":
// VerifyCrc, then the script, its text read as results (in memory; nothing
// is written anywhere, the DTD is not copied). Shows nothing: a failed CRC
// step raises as VerifyCrc does, a script failure raises TScriptError (time-out
// included). For the batch checker, one host per thread.
TCheckResult CheckFile(TScriptHost &host, const QString &schemaCode, const QString &file);

// ---- Results text (the list's commands) ----

// "记录号\t检查结果", then kind\ttext per row; CR LF after every line.
QString ResultsText(const std::vector<TResultRow> &rows);
// sourceFolder + schemaCode + period + "_" + swsbh + "_检查结果.txt". Path
// separators in period and swsbh (they come from the checked file) are
// written as "_" so the name stays in sourceFolder.
QString ResultsFileName(const QString &sourceFolder, const QString &schemaCode, const QString &period,
                        const QString &swsbh);

// ---- The window's state and commands ----

// The checker's main-window state and commands without a window. The
// window owns one, renders what it holds and forwards clicks; tests drive
// it directly. Messages go through TMessageBox; commands raise TUserError
// or TSilentAbort, run through RunCommand by the caller.
class TCheckerSession {
public:
    static constexpr const char kLockName[] = ".vettra.lock";
    static constexpr const char kStartTitle[] = "Vettra v2.30";

    TCheckerSession();
    // Releases the engine and the workspace lock (without writing settings:
    // that is Close()).
    ~TCheckerSession();
    TCheckerSession(const TCheckerSession &) = delete;
    TCheckerSession &operator=(const TCheckerSession &) = delete;

    enum class TStartup { Ready, Terminate };
    // The window's creation: the application title "Vettra v2.30", the
    // workspace lock (held by another checker: said, Terminate), the
    // settings, the script engine on "Check.js" (with the "RegOcx.sh"
    // fallback; failing twice: "建立脚本引挚对象时发生错误，请先安装脚本引挚组件！",
    // Terminate), then the title from "Config.xml" (missing or broken:
    // its message, start-up goes on).
    TStartup Startup();

    // When the window is first shown: fills the schema list from
    // GetSchemaList (a script error is reported, the list stays empty) and
    // selects the remembered schema.
    void Shown();
    // Each time the window is activated: with no remembered schema, the
    // first entry is chosen.
    void Activated();
    // The schema choice: index into SchemaList(); out of range does nothing.
    void ChooseSchema(int index);

    // The check run's steps 3 to 14 for the current schema. The result is
    // kept in Result() as far as the run got, also when it raises. Raises
    // TUserError with the run's messages; a script error ends in
    // TSilentAbort after its report. A results file that cannot be read is
    // said in an information box ("读取检查结果文件时发生错误！") and the run
    // ends normally.
    void Check(bool floppyMode, const QString &pathText);
    // Resets the result display (step 1; also the detail view's opening).
    void ResetResult();

    // Writes the results text beside the checked files under
    // ResultsFileName (source folder resolved anew, current SchemaCode)
    // atomically in GBK and says "成功保存检查结果到文件 “%S”！". Returns the path.
    QString SaveResults(bool floppyMode, const QString &pathText);

    // At close: writes the settings when a schema was chosen.
    void Close();

    const TSettings &Settings() const { return settings_; }
    const QList<TSchemaEntry> &SchemaList() const { return schemas_; }
    // The entry shown as chosen in the list, -1 for none.
    int SelectedIndex() const { return selected_; }
    const TCheckResult &Result() const { return result_; }
    // "共发现%d项错误", formatted once a run has read a results file.
    QString ErrorsCaption() const;
    // The window caption (the application title).
    QString Caption() const;
    TScriptHost *ScriptEngine() const { return engine_.get(); }

    // The steps of Startup, also used by tests.
    void LockWorkspace();
    void LoadSettings();
    bool CreateScriptEngine();
    void ReadTitle();

private:
    std::unique_ptr<TWorkspaceLock> lock_;
    std::unique_ptr<TScriptHost> engine_;
    TSettings settings_;
    QList<TSchemaEntry> schemas_;
    int selected_ = -1;
    TCheckResult result_;
    int lastErrorCount_ = -1;
};
