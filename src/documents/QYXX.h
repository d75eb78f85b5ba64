#pragma once

#include "documents/XmlTaxPayer.h"

// "QYXX.xml": the enterprises operators pick from while entering records.
// It is written only by ReplaceAll.
class TEnterpriseList : public TRegisterDocument {
public:
    struct Entry {
        QString SWSBH;
        QString NSRMC;
    };

    TEnterpriseList() { SetSaveOnClose(false); }

    // Creates path as the three-line empty list when no file exists there.
    static void EnsureExists(const QString &path);

    QList<Entry> Enumerate();
    // Replaces every item by one per entry, in order, and writes.
    void ReplaceAll(const QList<Entry> &entries);
};
