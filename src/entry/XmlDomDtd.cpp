#include "entry/XmlDomDtd.h"

#include "app/utils/Errors.h"
#include "app/utils/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

#include <libxml/parserInternals.h>

#include <mutex>

namespace {

TDomDtdFile Refused(const QString &systemId, const QString &why)
{
    TDomDtdFile file;
    file.errorCode = DomErrorCode::AccessDenied;
    file.reason = QStringLiteral("Access is denied: the DTD \"%1\" is not read (%2).").arg(systemId, why);
    return file;
}

TDomDtdFile NotFound(const QString &systemId)
{
    TDomDtdFile file;
    file.errorCode = DomErrorCode::FileNotFound;
    file.reason = QStringLiteral("The system cannot locate the object specified: the DTD \"%1\".").arg(systemId);
    return file;
}

// Whether realFolder (a folder's real path, symbolic links resolved) is
// folder or lies below it.
bool Within(const QString &realFolder, const QString &folder)
{
    if (folder.isEmpty() || realFolder.isEmpty())
        return false;
    const QString base = QFileInfo(folder).canonicalFilePath();
    return !base.isEmpty() && (realFolder == base || realFolder.startsWith(base + QLatin1Char('/')));
}

// The local path a system identifier names; sets refusal when it names
// something else than a local file.
QString LocalPath(const QString &systemId, QString *refusal)
{
    QString id = systemId.trimmed();
    static const QRegularExpression scheme(QStringLiteral("^([A-Za-z][A-Za-z0-9+.-]*):"));
    const QRegularExpressionMatch match = scheme.match(id);
    if (match.hasMatch() && match.captured(1).size() == 1) {
        *refusal = QStringLiteral("a drive letter names no folder here");
        return QString();
    }
    if (match.hasMatch()) {
        if (match.captured(1).compare(QLatin1String("file"), Qt::CaseInsensitive) != 0) {
            *refusal = QStringLiteral("only local files are read");
            return QString();
        }
        id = QUrl(id.replace(QLatin1Char('\\'), QLatin1Char('/'))).toLocalFile();
        if (id.isEmpty() || (id.size() >= 2 && id.at(1) == QLatin1Char(':'))
            || (id.size() >= 3 && id.at(0) == QLatin1Char('/') && id.at(2) == QLatin1Char(':'))) {
            *refusal = QStringLiteral("the URL names no local file here");
            return QString();
        }
    }
    id.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (id.isEmpty())
        *refusal = QStringLiteral("the DOCTYPE names no file");
    return id;
}

// The candidate files for path, in the order they are tried.
QStringList Candidates(const QString &path, const QString &documentFolder, const QString &fallbackFolder,
                       QString *refusal)
{
    QStringList candidates;
    const QString name = FileNamePart(path);
    if (QDir::isAbsolutePath(path)) {
        const QString resolved = ResolveCaseInsensitive(QDir::cleanPath(path));
        const QString realFolder = QFileInfo(QFileInfo(resolved).absolutePath()).canonicalFilePath();
        if (!Within(realFolder, documentFolder) && !Within(realFolder, fallbackFolder)) {
            *refusal = QStringLiteral("it lies outside the document's folder and the DS folder");
            return candidates;
        }
        candidates << resolved;
    } else {
        try {
            if (!documentFolder.isEmpty())
                candidates << ResolveInFolder(documentFolder, path);
        } catch (const TUserError &) {
            *refusal = QStringLiteral("it leads out of the document's folder");
            return candidates;
        }
    }
    if (!fallbackFolder.isEmpty() && !name.isEmpty() && name != QLatin1String("..") && name != QLatin1String("."))
        candidates << ResolveCaseInsensitive(JoinPath(fallbackFolder, name));
    return candidates;
}

} // namespace

TDomDtdFile ReadDomDtd(const QString &systemId, const QString &documentFolder, const QString &fallbackFolder)
{
    QString refusal;
    const QString path = LocalPath(systemId, &refusal);
    if (!refusal.isEmpty())
        return Refused(systemId, refusal);
    const QStringList candidates = Candidates(path, documentFolder, fallbackFolder, &refusal);
    if (!refusal.isEmpty())
        return Refused(systemId, refusal);
    for (const QString &candidate : candidates) {
        const QFileInfo info(candidate);
        if (!info.exists())
            continue;
        const QString real = info.canonicalFilePath();
        const QString realFolder = QFileInfo(real).path();
        if (!Within(realFolder, documentFolder) && !Within(realFolder, fallbackFolder))
            return Refused(systemId, QStringLiteral("it leads out of the document's folder and the DS folder"));
        if (!info.isFile())
            return Refused(systemId, QStringLiteral("it is not a file"));
        if (info.size() > kMaxDomDtdBytes)
            return Refused(systemId, QStringLiteral("it is larger than %1 bytes").arg(kMaxDomDtdBytes));
        QFile file(real);
        if (!file.open(QIODevice::ReadOnly))
            return Refused(systemId, file.errorString());
        TDomDtdFile found;
        found.bytes = file.read(kMaxDomDtdBytes + 1);
        if (found.bytes.size() > kMaxDomDtdBytes)
            return Refused(systemId, QStringLiteral("it is larger than %1 bytes").arg(kMaxDomDtdBytes));
        found.path = candidate;
        return found;
    }
    return NotFound(systemId);
}

// --- the entity guard ------------------------------------------------------

namespace {

thread_local TDomEntityGuard *t_guard = nullptr;
xmlExternalEntityLoader g_nextLoader = nullptr;

void InstallGuardedLoader();

} // namespace

struct TDomEntityGuardAccess {
    static void Refuse(const char *url, xmlParserCtxtPtr ctxt)
    {
        TDomEntityGuard::TRefusal &refusal = t_guard->refusal_;
        if (!refusal.url.isEmpty())
            return;
        refusal.url = url ? QString::fromUtf8(url) : QStringLiteral("?");
        if (!ctxt || !ctxt->input)
            ctxt = t_guard->parser_;
        if (ctxt && ctxt->input) {
            refusal.file = ctxt->input->filename ? QString::fromUtf8(ctxt->input->filename) : QString();
            refusal.line = ctxt->input->line;
            refusal.column = ctxt->input->col;
        }
    }
};

namespace {

xmlParserInputPtr GuardedLoader(const char *url, const char *id, xmlParserCtxtPtr ctxt)
{
    if (t_guard) {
        TDomEntityGuardAccess::Refuse(url, ctxt);
        return nullptr;
    }
    return g_nextLoader ? g_nextLoader(url, id, ctxt) : nullptr;
}

void InstallGuardedLoader()
{
    static std::once_flag once;
    std::call_once(once, []() {
        g_nextLoader = xmlGetExternalEntityLoader();
        xmlSetExternalEntityLoader(GuardedLoader);
    });
}

} // namespace

TDomEntityGuard::TDomEntityGuard(xmlParserCtxtPtr parser)
    : previous_(t_guard), parser_(parser)
{
    InstallGuardedLoader();
    t_guard = this;
}

TDomEntityGuard::~TDomEntityGuard() { t_guard = previous_; }
