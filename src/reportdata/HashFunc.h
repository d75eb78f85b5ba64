#pragma once

#include <QString>

#include <memory>

// Key digests: when a schema has key columns, a record's identifier is the
// digest of its key text, and no two records of a report may share one.

// 31-bit hash of the GBK bytes of text, as EncodeGbk gives them (code page
// 936 as Windows writes it and report files store it: the euro sign is the
// byte 0x80): h = rotr(h, 6) + (h ^ b) per byte (modulo 2^32), top bit
// cleared at the end. The empty text hashes to 0.
quint32 HashKey(const QString &text);

// HashKey as 8 upper-case hexadecimal digits ("abc" gives "16100067").
QString HashKeyText(const QString &text);

// The key digests of an open report, entry i belonging to record i. Entries
// compare without regard to letter case. IndexOf, Add, Put, Delete and Get
// cost O(log n) or better, so posting into a large report costs about what
// it costs in a small one.
class TKeyList {
public:
    TKeyList();
    ~TKeyList();
    TKeyList(const TKeyList &) = delete;
    TKeyList &operator=(const TKeyList &) = delete;

    // Appends key and returns its index. A key already in the list is
    // refused with TKeyListError and the list is unchanged.
    int Add(const QString &key);
    void Clear();
    // Removes the entry at index; later entries move down by one.
    void Delete(int index);
    // The entry at index.
    QString Get(int index) const;
    // Replaces the entry at index (no duplicate check).
    void Put(int index, const QString &key);
    // The last entry.
    QString Last() const;
    // Index of the first entry equal to key (letter case ignored), or -1.
    int IndexOf(const QString &key) const;
    int Count() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
