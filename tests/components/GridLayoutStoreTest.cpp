#include "app/utils/TextFile.h"
#include "entry/GridLayoutStore.h"
#include "TempWorkspace.h"

#include <gtest/gtest.h>

namespace {

std::vector<TColumnLayout> Layout()
{
    return {{QStringLiteral("FPDM"), 0, 100, 0}, {QStringLiteral("JE"), 1, 80, 2}, {QStringLiteral("NSRMC"), 2, 240, 1}};
}

bool Same(const std::vector<TColumnLayout> &a, const std::vector<TColumnLayout> &b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].field != b[i].field || a[i].position != b[i].position || a[i].width != b[i].width
            || a[i].sortOrder != b[i].sortOrder)
            return false;
    }
    return true;
}

} // namespace

// A layout reads back as written, one section per schema; writing replaces
// the whole section and leaves other schemas' sections alone.
TEST(GridLayoutStore, RoundTripPerSchema)
{
    TempWorkspace ws;
    TGridLayoutStore store(ws.file(QStringLiteral("GridLayout.ini")));
    EXPECT_FALSE(store.Read(QStringLiteral("YSFP")).has_value());
    store.Write(QStringLiteral("YSFP"), Layout());
    store.Write(QStringLiteral("HGWSPZ"), {{QStringLiteral("SE"), 0, 60, 0}});
    const auto read = store.Read(QStringLiteral("ysfp"));
    ASSERT_TRUE(read.has_value());
    EXPECT_TRUE(Same(*read, Layout()));

    store.Write(QStringLiteral("YSFP"), {{QStringLiteral("JE"), 0, 90, 1}});
    ASSERT_TRUE(store.Read(QStringLiteral("YSFP")).has_value());
    EXPECT_EQ(store.Read(QStringLiteral("YSFP"))->size(), 1u);
    EXPECT_EQ(store.Read(QStringLiteral("HGWSPZ"))->front().width, 60);
    EXPECT_EQ(DecodeGbk(ws.Read(QStringLiteral("GridLayout.ini"))),
              QStringLiteral("[HGWSPZ]\r\nSE=0,60,0\r\n\r\n[YSFP]\r\nJE=0,90,1\r\n"));
    store.Write(QString(), Layout()); // no current section: nothing
    EXPECT_EQ(store.Read(QStringLiteral("YSFP"))->size(), 1u);
}

// Entries come back ordered by position, whatever the file's order; a
// damaged entry makes the whole section unreadable (the default layout
// stays) without touching other sections.
TEST(GridLayoutStore, OrderAndDamagedSections)
{
    TempWorkspace ws;
    const QString path = ws.Write(QStringLiteral("GridLayout.ini"), QByteArray(
        "[A]\r\nJE=2,80,0\r\nFPDM=0,100,1\r\nSE=1,70,0\r\n"
        "[B]\r\nFPDM=0,100\r\n[C]\r\nFPDM=0,-5,0\r\n[D]\r\nFPDM=0,100,3\r\n[E]\r\nFPDM=x,1,0\r\n"
        "[F]\r\nFPDM=0,100,0\r\nfpdm=1,100,0\r\n[G]\r\nbare\r\n"));
    const TGridLayoutStore store(path);
    const auto a = store.Read(QStringLiteral("A"));
    ASSERT_TRUE(a.has_value());
    ASSERT_EQ(a->size(), 3u);
    EXPECT_EQ((*a)[0].field, QStringLiteral("FPDM"));
    EXPECT_EQ((*a)[0].sortOrder, 1);
    EXPECT_EQ((*a)[2].field, QStringLiteral("JE"));
    for (const char *damaged : {"B", "C", "D", "E", "F", "G"})
        EXPECT_FALSE(store.Read(QString::fromLatin1(damaged)).has_value()) << damaged;

    // A store that cannot be read leaves the default layout too.
    ws.Write(QStringLiteral("Folder.ini/x"), QByteArray());
    EXPECT_FALSE(TGridLayoutStore(ws.file(QStringLiteral("Folder.ini"))).Read(QStringLiteral("A")).has_value());
}
