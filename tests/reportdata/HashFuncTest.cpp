#include "reportdata/HashFunc.h"

#include "app/utils/Errors.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <random>
#include <unordered_map>

namespace {

TEST(HashKeyTest, DigestsOfKnownTexts)
{
    const struct {
        QString text;
        const char *digest;
    } cases[] = {
        {QStringLiteral("abc"), "16100067"},
        {QString(), "00000000"},
        {QStringLiteral("a"), "00000061"},
        // Hashed over the GBK bytes D6 D0, not over UTF-8 or UTF-16.
        {QStringLiteral("中"), "58000009"},
        // The euro sign is the byte 0x80, as code page 936 and the report
        // files have it (GB18030 would give A2 E3 and the digest 2B55804A).
        {QStringLiteral("€"), "00000080"},
        {QStringLiteral("a€"), "040000E2"},
        {QStringLiteral("中€"), "7D600089"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(HashKeyText(c.text), QString::fromLatin1(c.digest)) << c.text.toStdString();
}

TEST(HashKeyTest, TopBitIsAlwaysClear)
{
    for (int i = 0; i < 2000; ++i) {
        const QString text = QStringLiteral("key%1-%2").arg(i).arg(i * 7919);
        EXPECT_LT(HashKey(text), 0x80000000u);
        EXPECT_EQ(HashKeyText(text).size(), 8);
    }
}

// Two different key texts with the same digest, found by search.
std::pair<QString, QString> CollidingTexts()
{
    std::unordered_map<quint32, int> seen;
    for (int i = 0;; ++i) {
        const quint32 h = HashKey(QString::number(i));
        const auto [it, inserted] = seen.emplace(h, i);
        if (!inserted)
            return {QString::number(it->second), QString::number(i)};
    }
}

TEST(KeyListTest, DifferentTextsWithEqualDigestsAreDuplicates)
{
    const auto [first, second] = CollidingTexts();
    ASSERT_NE(first, second);
    ASSERT_EQ(HashKeyText(first), HashKeyText(second));

    TKeyList list;
    list.Add(HashKeyText(first));
    EXPECT_EQ(list.IndexOf(HashKeyText(second)), 0);
    EXPECT_THROW(list.Add(HashKeyText(second)), TKeyListError);
}

TEST(KeyListTest, IndexOfIgnoresLetterCase)
{
    TKeyList list;
    list.Add(QStringLiteral("0000abcd"));
    list.Add(QStringLiteral("{a1b2-guid}"));
    EXPECT_EQ(list.IndexOf(QStringLiteral("0000ABCD")), 0);
    EXPECT_EQ(list.IndexOf(QStringLiteral("{A1B2-GUID}")), 1);
    EXPECT_EQ(list.IndexOf(QStringLiteral("0000ABCE")), -1);
    EXPECT_EQ(list.Get(0), QStringLiteral("0000abcd")); // stored as given
}

TEST(KeyListTest, RefusedAddLeavesListUnchanged)
{
    TKeyList list;
    EXPECT_EQ(list.Add(QStringLiteral("A1")), 0);
    EXPECT_EQ(list.Add(QStringLiteral("B2")), 1);
    try {
        list.Add(QStringLiteral("a1"));
        FAIL() << "duplicate accepted";
    } catch (const TKeyListError &e) {
        EXPECT_EQ(e.Message(), QStringLiteral("关键字\"a1\"已存在"));
    }
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Last(), QStringLiteral("B2"));
    EXPECT_EQ(list.IndexOf(QStringLiteral("A1")), 0);
    EXPECT_EQ(list.Add(QStringLiteral("C3")), 2);
}

TEST(KeyListTest, PutMovesTheKeyAndDeleteShiftsLaterEntries)
{
    TKeyList list;
    for (const char *key : {"K0", "K1", "K2", "K3", "K4"})
        list.Add(QString::fromLatin1(key));

    list.Put(2, QStringLiteral("NEW"));
    EXPECT_EQ(list.IndexOf(QStringLiteral("K2")), -1);
    EXPECT_EQ(list.IndexOf(QStringLiteral("new")), 2);
    EXPECT_THROW(list.Add(QStringLiteral("NEW")), TKeyListError);
    list.Add(QStringLiteral("K2")); // free again
    EXPECT_EQ(list.IndexOf(QStringLiteral("K2")), 5);

    list.Delete(1);
    EXPECT_EQ(list.Count(), 5);
    EXPECT_EQ(list.IndexOf(QStringLiteral("K1")), -1);
    EXPECT_EQ(list.IndexOf(QStringLiteral("K0")), 0);
    EXPECT_EQ(list.IndexOf(QStringLiteral("NEW")), 1);
    EXPECT_EQ(list.IndexOf(QStringLiteral("K4")), 3);
    EXPECT_EQ(list.Get(4), QStringLiteral("K2"));
    EXPECT_EQ(list.Last(), QStringLiteral("K2"));
}

TEST(KeyListTest, DuplicatesMadeByPutResolveToTheFirst)
{
    TKeyList list;
    for (const char *key : {"A", "B", "C", "D"})
        list.Add(QString::fromLatin1(key));
    list.Put(3, QStringLiteral("b"));
    list.Put(0, QStringLiteral("B"));
    EXPECT_EQ(list.IndexOf(QStringLiteral("B")), 0);
    list.Delete(0);
    EXPECT_EQ(list.IndexOf(QStringLiteral("B")), 0); // the former entry 1
    list.Delete(0);
    EXPECT_EQ(list.IndexOf(QStringLiteral("B")), 1); // the former entry 3, after "C"
    list.Put(1, QStringLiteral("Z"));
    EXPECT_EQ(list.IndexOf(QStringLiteral("B")), -1);
    EXPECT_EQ(list.Add(QStringLiteral("B")), 2);
}

TEST(KeyListTest, IndexesOutOfRangeRaise)
{
    TKeyList list;
    EXPECT_THROW(list.Last(), TKeyListError);
    EXPECT_THROW(list.Get(0), TKeyListError);
    list.Add(QStringLiteral("X"));
    list.Add(QStringLiteral("Y"));
    for (const int index : {-1, 2, 100}) {
        EXPECT_THROW(list.Get(index), TKeyListError) << index;
        EXPECT_THROW(list.Put(index, QStringLiteral("Z")), TKeyListError) << index;
        EXPECT_THROW(list.Delete(index), TKeyListError) << index;
    }
    try {
        list.Get(2);
    } catch (const TKeyListError &e) {
        EXPECT_EQ(e.Message(), QStringLiteral("列表索引越界(2)"));
    }
    EXPECT_EQ(list.Count(), 2);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.IndexOf(QStringLiteral("X")), -1);
    EXPECT_EQ(list.Add(QStringLiteral("X")), 0);
}

// The list against a plain QStringList searched linearly, through enough
// random operations to exercise duplicates, case variants and compaction.
TEST(KeyListTest, AgreesWithPlainListModel)
{
    std::mt19937 rng(20240611);
    auto pick = [&](int n) { return int(rng() % unsigned(n)); };
    auto randomKey = [&] {
        QString key = QStringLiteral("k%1").arg(pick(300));
        return pick(2) ? key.toUpper() : key;
    };
    auto modelIndexOf = [](const QStringList &model, const QString &key) {
        for (int i = 0; i < model.size(); ++i) {
            if (model[i].compare(key, Qt::CaseInsensitive) == 0)
                return i;
        }
        return -1;
    };

    TKeyList list;
    QStringList model;
    for (int step = 0; step < 20000; ++step) {
        const int op = pick(100);
        // Phases that favour growing and shrinking make the list pass
        // through many sizes and many compactions.
        const bool shrinking = (step / 2000) % 2 == 1;
        if (op < (shrinking ? 20 : 45)) {
            const QString key = randomKey();
            const bool present = modelIndexOf(model, key) >= 0;
            if (present) {
                ASSERT_THROW(list.Add(key), TKeyListError);
            } else {
                ASSERT_EQ(list.Add(key), model.size());
                model << key;
            }
        } else if (op < 60) {
            if (model.isEmpty())
                continue;
            const int index = pick(int(model.size()));
            list.Delete(index);
            model.removeAt(index);
        } else if (op < 70) {
            if (model.isEmpty())
                continue;
            const int index = pick(int(model.size()));
            const QString key = randomKey();
            list.Put(index, key);
            model[index] = key;
        } else if (op < 72) {
            if (pick(10) == 0) {
                list.Clear();
                model.clear();
            }
        } else {
            const QString key = randomKey();
            ASSERT_EQ(list.IndexOf(key), modelIndexOf(model, key)) << "step " << step;
        }
        ASSERT_EQ(list.Count(), model.size());
        if (!model.isEmpty()) {
            const int index = pick(int(model.size()));
            ASSERT_EQ(list.Get(index), model[index]);
            ASSERT_EQ(list.Last(), model.last());
        }
    }
}

} // namespace
