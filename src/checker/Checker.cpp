// The checker's helpers and the check of one interface file.

#include "checker/Checker.h"

#include "app/utils/ApplicationInfo.h"
#include "app/utils/AtomicFile.h"
#include "app/utils/Errors.h"
#include "app/utils/FileOps.h"
#include "app/utils/IniFile.h"
#include "app/utils/Paths.h"
#include "app/utils/RemovableMedia.h"
#include "app/utils/TextFile.h"
#include "app/utils/Utils.h"
#include "entry/ScriptHost.h"
#include "export/CRCUtils.h"
#include "export/XmlCrcFile.h"
#include "xml/XmlDocument.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>

namespace {

const QString kSettingsSection = QStringLiteral("Settings");
const QString kPathMissing = QStringLiteral("指定的路径 “%S” 不存在！");

QString WithSlash(const QString &folder)
{
    if (folder.endsWith(QLatin1Char('/')))
        return folder;
    return folder + QLatin1Char('/');
}

// The folder part of a file path, ending in "/".
QString FolderOf(const QString &file)
{
    const int slash = file.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QStringLiteral("./") : file.left(slash + 1);
}

TFileCopier &DtdCopier()
{
    static TFileCopier copier;
    return copier;
}

// The copy failed because the destination folder cannot be written at all
// (as opposed to a full disk or a damaged medium).
bool IsWriteProtection(const TFileError &error)
{
    const auto *atomic = dynamic_cast<const TAtomicFileError *>(&error);
    if (!atomic)
        return false;
    return atomic->Error() == EROFS || atomic->Error() == EACCES || atomic->Error() == EPERM;
}

QStringList SplitLines(const QString &text)
{
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\n|\r"));
    QStringList lines = text.split(lineEnd);
    // A final line end does not start another line.
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// A name part taken from a checked file's content: it may not lead out of
// the folder it is written to.
QString NamePart(QString text)
{
    for (QChar &c : text) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QChar(0))
            c = QLatin1Char('_');
    }
    return text;
}

} // namespace

// ---- Settings ----

QString SettingsFileName() { return TApplicationInfo::AppFile(QStringLiteral("Vettra.ini")); }

TSettings ReadSettings()
{
    const TIniFile ini(SettingsFileName());
    TSettings settings;
    settings.SchemaCode = ini.ReadString(kSettingsSection, QStringLiteral("SchemaCode")).trimmed();
    settings.SchemaName = ini.ReadString(kSettingsSection, QStringLiteral("SchemaName")).trimmed();
    return settings;
}

void WriteSettings(const TSettings &settings)
{
    TIniFile ini(SettingsFileName());
    ini.WriteString(kSettingsSection, QStringLiteral("SchemaCode"), settings.SchemaCode);
    ini.WriteString(kSettingsSection, QStringLiteral("SchemaName"), settings.SchemaName);
    ini.UpdateFile();
}

// ---- Schema list ----

QList<TSchemaEntry> ParseSchemaList(const QString &text)
{
    QList<TSchemaEntry> schemas;
    for (const QString &line : SplitLines(text)) {
        const int bar = line.indexOf(QLatin1Char('|'));
        if (bar < 0)
            continue;
        schemas.append({line.left(bar).toLower(), line.mid(bar + 1)});
    }
    return schemas;
}

// ---- Finding the interface file ----

QStringList FindFiles(const QString &folder, const QString &mask)
{
    const QString dir = ResolveCaseInsensitive(WithSlash(folder));
    const QFileInfo info(dir);
    if (!info.isDir())
        return {};
    const QRegularExpression pattern(QRegularExpression::wildcardToRegularExpression(mask),
                                     QRegularExpression::CaseInsensitiveOption);
    QStringList names;
    for (const QString &name : QDir(dir).entryList(QDir::Files | QDir::System, QDir::NoSort)) {
        if (pattern.match(name).hasMatch())
            names.append(name);
    }
    // Name order whatever order the file system lists in: letter case
    // ignored first, exact spelling to break ties.
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        const int folded = QString::compare(a, b, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : a < b;
    });
    QStringList files;
    files.reserve(names.size());
    for (const QString &name : names)
        files.append(WithSlash(dir) + name);
    return files;
}

QString ResolveSourceFolder(bool floppyMode, const QString &pathText)
{
    QString folder;
    if (floppyMode) {
        const QString floppy = qEnvironmentVariable("CORVANE_FLOPPY").trimmed();
        if (!floppy.isEmpty()) {
            folder = WithSlash(floppy);
        } else {
            try {
                folder = RemovableMediumFolder(MountedVolumes());
            } catch (const TUserError &error) {
                // The reason (no medium, or several) stands where the path would.
                const QString message = error.Message();
                const int open = message.indexOf(QLatin1Char('"'));
                const int close = message.lastIndexOf(QLatin1Char('"'));
                const QString what = open >= 0 && close > open ? message.mid(open + 1, close - open - 1)
                                                               : QStringLiteral("可移动磁盘");
                throw TUserError(FormatText(kPathMissing, {what}));
            }
        }
    } else {
        folder = WithSlash(pathText.trimmed());
    }
    if (!FolderExistsAnyCase(folder))
        throw TUserError(FormatText(kPathMissing, {folder}));
    return WithSlash(ResolveCaseInsensitive(folder));
}

QString LocateInterfaceFile(const QString &sourceFolder, const QString &schemaCode)
{
    const QStringList files = FindFiles(sourceFolder, schemaCode + QStringLiteral("*_JK.xml"));
    if (files.isEmpty())
        throw TUserError(
            FormatText(QStringLiteral("在路径“%S”下没有发现相关的申报文件，请检查！"), {sourceFolder}));
    return files.first();
}

// ---- One check ----

void VerifyCrc(const QString &file)
{
    QString crcName;
    {
        const std::unique_ptr<TXMLDocument> document = TXMLDocument::LoadFile(file);
        const TXMLNode root = document->DocumentElement();
        if (!root.IsNull())
            crcName = root.Attribute("CRC");
    }
    const QString folder = FolderOf(file);
    const QString crcPath = crcName.isEmpty() ? folder : ResolveInFolder(folder, crcName);
    if (crcName.isEmpty() || !FileExistsAnyCase(crcPath))
        throw TUserError(FormatText(QStringLiteral("数据验证文件 “%S” 不存在！"), {folder + crcName}));
    QString recorded;
    if (!LookupCrcValue(crcPath, FileNamePart(file), recorded))
        throw TUserError(FormatText(QStringLiteral("无法读取验证文件“%S”的数据！"), {crcPath}));
    if (!SameTextIgnoringAsciiCase(recorded, FileCrcText(file)))
        throw TUserError(QStringLiteral("申报文件的CRC检验值不正确，申报文件数据已被修改或不完整！"));
}

QString DtdFileName(const QString &schemaCode) { return schemaCode.toUpper() + QStringLiteral("JK.DTD"); }

void SetDtdCopier(TFileCopier copier) { DtdCopier() = std::move(copier); }

bool CopyDtd(const QString &schemaCode, const QString &sourceFolder)
{
    const QString dtdName = DtdFileName(schemaCode);
    const QString failed = FormatText(QStringLiteral("复制申报文件的类型定义文件“%S”失败！"), {dtdName});
    const QString source = ResolveInFolder(TApplicationInfo::DSDir(), dtdName);
    if (!FileExistsAnyCase(source))
        throw TUserError(failed);
    const QString destination = ResolveInFolder(sourceFolder, dtdName);
    try {
        if (DtdCopier())
            DtdCopier()(source, destination);
        else
            CopyFileChunked(source, destination);
    } catch (const TFileError &error) {
        if (IsWriteProtection(error))
            return false;
        throw TUserError(failed);
    }
    return true;
}

QString ResultKindText(TResultRow::Kind kind)
{
    return kind == TResultRow::Kind::Error ? QStringLiteral("错误") : QStringLiteral("合计项");
}

QStringList BasicInfoKeys()
{
    return {QStringLiteral("纳税人识别号"), QStringLiteral("所属区间"), QStringLiteral("申报日期"),
            QStringLiteral("纳税人名称"), QStringLiteral("采集单位名称")};
}

QByteArray ResultsFileBytes(const QString &text)
{
    QString joined;
    joined.reserve(text.size() + 64);
    for (const QString &line : SplitLines(text)) {
        joined += line;
        joined += QStringLiteral("\r\n");
    }
    return EncodeGbk(joined);
}

void ReadCheckResults(const TIniFile &results, TCheckResult &result)
{
    const QString basic = QStringLiteral("基本信息");
    for (const QString &key : BasicInfoKeys()) {
        if (results.ValueExists(basic, key))
            result.basicInfo.insert(key, results.ReadString(basic, key));
    }
    const QString totals = QStringLiteral("合计项目");
    for (const QString &key : results.ReadSection(totals))
        result.rows.push_back({TResultRow::Kind::Total, key + QLatin1Char('=') + results.ReadString(totals, key)});
    const QString errors = QStringLiteral("检查结果");
    const QStringList errorKeys = results.ReadSection(errors);
    for (const QString &key : errorKeys)
        result.rows.push_back({TResultRow::Kind::Error, results.ReadString(errors, key)});
    result.errorCount = errorKeys.size();
    result.resultsRead = true;
}

TCheckResult CheckFile(TScriptHost &host, const QString &schemaCode, const QString &file)
{
    TCheckResult result;
    result.file = file;
    VerifyCrc(file);
    QString text;
    try {
        text = host.Run(schemaCode.toLower() + QStringLiteral("_CheckFile"), {file}).toString();
    } catch (const TScriptError &error) {
        // An engine failure without an error number gives an empty result,
        // as it does in the window.
        if (error.Number() != 0)
            throw;
    }
    ReadCheckResults(TIniFile::FromBytes(ResultsFileBytes(text)), result);
    return result;
}

// ---- Results text ----

QString ResultsText(const std::vector<TResultRow> &rows)
{
    const QString lineEnd = QStringLiteral("\r\n");
    QString text = QStringLiteral("记录号\t检查结果") + lineEnd;
    for (const TResultRow &row : rows)
        text += ResultKindText(row.kind) + QLatin1Char('\t') + row.text + lineEnd;
    return text;
}

QString ResultsFileName(const QString &sourceFolder, const QString &schemaCode, const QString &period,
                        const QString &swsbh)
{
    return WithSlash(sourceFolder) + NamePart(schemaCode + period + QLatin1Char('_') + swsbh)
         + QStringLiteral("_检查结果.txt");
}
