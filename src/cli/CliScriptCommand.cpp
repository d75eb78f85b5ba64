#include "cli/CliScriptCommand.h"

#include "app/utils/ApplicationInfo.h"
#include "app/utils/Errors.h"
#include "app/utils/Paths.h"
#include "entry/ScriptHost.h"
#include "entry/ScriptResult.h"

#include <QDate>
#include <QFileInfo>
#include <QVariantList>

namespace {

const QString kConsoleName = QStringLiteral("/corvane-console/expression");

// The script file of the workspace; a missing one is a failure with its
// own message (the engine would only say it cannot read it).
QString ScriptFile(bool check)
{
    const QString name = check ? QStringLiteral("Check.js") : QStringLiteral("Script.js");
    const QString path = ResolveCaseInsensitive(TApplicationInfo::AppFile(name));
    if (!QFileInfo(path).isFile())
        throw TUserError(QStringLiteral("the workspace has no %1 (%2)").arg(name, TApplicationInfo::AppDir()));
    return path;
}

// ARG... of --call: text as it is, "--date yyyy-MM-dd" a date.
QVariantList CallArguments(const QStringList &args)
{
    QVariantList values;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] != QLatin1String("--date")) {
            values << args[i];
            continue;
        }
        const QString text = args.value(++i);
        const QDate date = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
        if (!date.isValid())
            throw TCliUsageError(QStringLiteral("--date wants a date yyyy-MM-dd, not \"%1\"").arg(text));
        values << date;
    }
    return values;
}

} // namespace

int ScriptCommand(TCliContext &c)
{
    QStringList args = c.args;
    const bool check = !args.isEmpty() && args[0] == QLatin1String("--check");
    if (check)
        args.removeFirst();
    if (args.size() < 2 || (args[0] != QLatin1String("--eval") && args[0] != QLatin1String("--call")))
        return kCliUsage;
    const bool eval = args[0] == QLatin1String("--eval");
    if (eval && args.size() != 2)
        return kCliUsage;
    const QVariantList arguments = eval ? QVariantList() : CallArguments(args.mid(2));
    const QString path = ScriptFile(check);
    try {
        const auto host = TScriptHost::CreateScriptEngine(path);
        const QVariant result = eval ? host->EvaluateCode(args[1], kConsoleName) : host->Run(args[1], arguments);
        c.out << ScriptResultText(result) << Qt::endl;
        return kCliOk;
    } catch (const TScriptError &error) {
        // The report as the programs show it, without a prefix of ours.
        c.err << error.Message();
        c.err.flush();
        return kCliFailed;
    }
}
