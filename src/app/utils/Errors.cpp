#include "Errors.h"

TUserError::TUserError(const QString &message)
    : std::runtime_error(message.toUtf8().toStdString())
{
}

TFileError::TFileError(const QString &path, const QString &systemMessage)
    : TUserError(path.isEmpty() ? systemMessage : path + QStringLiteral(": ") + systemMessage)
    , path_(path)
{
}
