#include "documents/RegisterDocument.h"

#include "app/utils/Errors.h"

void TRegisterDocument::Open(const QString &path)
{
    document_ = TXMLDocument::LoadFile(path);
}

void TRegisterDocument::Close()
{
    if (!document_)
        return;
    std::unique_ptr<TXMLDocument> document = std::move(document_);
    if (saveOnClose_ && document->Modified())
        document->Save();
}

QString TRegisterDocument::FileName() const { return document_ ? document_->FileName() : QString(); }

void TRegisterDocument::Write() { Document().Save(); }

TXMLDocument &TRegisterDocument::Document() const
{
    if (!document_)
        throw TUserError(QStringLiteral("文档尚未打开"));
    return *document_;
}

TXMLNode TRegisterDocument::Root() const
{
    TXMLNode root = Document().DocumentElement();
    if (root.IsNull())
        throw TUserError(QStringLiteral("%1 没有根元素").arg(FileName()));
    return root;
}
