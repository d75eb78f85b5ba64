#include "reportdata/HashFunc.h"

#include "app/utils/Errors.h"
#include "app/utils/TextFile.h"

#include <QHash>

#include <algorithm>
#include <vector>

quint32 HashKey(const QString &text)
{
    quint32 h = 0;
    const QByteArray bytes = EncodeGbk(text);
    for (const char c : bytes) {
        const quint32 b = quint8(c);
        h = (h << 26) + (h >> 6) + (h ^ b);
    }
    return h & 0x7FFFFFFFu;
}

QString HashKeyText(const QString &text)
{
    return QStringLiteral("%1").arg(HashKey(text), 8, 16, QLatin1Char('0')).toUpper();
}

namespace {

// Keys compare without regard to ASCII letter case. Digests are already
// upper case, so the common case shares the caller's string.
QString FoldKey(const QString &key)
{
    for (const QChar c : key) {
        if (c.unicode() >= 'a' && c.unicode() <= 'z') {
            QString folded = key;
            for (QChar &d : folded) {
                if (d.unicode() >= 'a' && d.unicode() <= 'z')
                    d = QChar(d.unicode() - 'a' + 'A');
            }
            return folded;
        }
    }
    return key;
}

[[noreturn]] void ThrowIndexError(int index)
{
    throw TKeyListError(QStringLiteral("列表索引越界(%1)").arg(index));
}

} // namespace

// Every entry lives in a slot. Slots are numbered in the order they were
// appended and never move, so entry order is slot order restricted to live
// slots. A Fenwick tree over the live flags turns an index into its slot
// (k-th live slot) and a slot into its index (live slots before it), both in
// O(log n). The hash map sends a folded key to the ascending numbers of the
// live slots holding it; the first of them is the first equal entry.
// Deleted slots are compacted away once they outnumber the live ones.
struct TKeyList::Impl {
    std::vector<QString> keys;    // by slot; empty for a dead slot
    std::vector<quint8> alive;    // by slot
    std::vector<int> tree;        // Fenwick tree, 1-based, size slots + 1
    QHash<QString, std::vector<int>> slotsOf;
    int live = 0;

    int Slots() const { return int(alive.size()); }

    void TreeAdd(int slot, int delta)
    {
        for (int i = slot + 1; i < int(tree.size()); i += i & -i)
            tree[i] += delta;
    }

    // Live slots among 0 .. slot - 1 (slot may equal Slots()).
    int LiveBefore(int slot) const
    {
        int sum = 0;
        for (int i = slot; i > 0; i -= i & -i)
            sum += tree[i];
        return sum;
    }

    // The slot of the entry at index (0 <= index < live).
    int SlotAt(int index) const
    {
        int pos = 0;
        int remaining = index + 1;
        int step = 1;
        while (step * 2 < int(tree.size()))
            step *= 2;
        for (; step > 0; step /= 2) {
            const int next = pos + step;
            if (next < int(tree.size()) && tree[next] < remaining) {
                pos = next;
                remaining -= tree[next];
            }
        }
        return pos; // 1-based position pos + 1 is slot pos
    }

    int CheckedSlot(int index) const
    {
        if (index < 0 || index >= live)
            ThrowIndexError(index);
        return SlotAt(index);
    }

    void AppendSlot(const QString &key)
    {
        const int slot = Slots();
        keys.push_back(key);
        alive.push_back(1);
        // A new Fenwick node covers the slots (slot + 1 - lowbit, slot + 1].
        const int node = slot + 1;
        const int low = node & -node;
        tree.push_back(1 + LiveBefore(slot) - LiveBefore(node - low));
        ++live;
    }

    void Link(const QString &folded, int slot)
    {
        std::vector<int> &held = slotsOf[folded];
        held.insert(std::lower_bound(held.begin(), held.end(), slot), slot);
    }

    void Unlink(const QString &folded, int slot)
    {
        const auto it = slotsOf.find(folded);
        if (it == slotsOf.end())
            return;
        std::vector<int> &held = it.value();
        const auto pos = std::lower_bound(held.begin(), held.end(), slot);
        if (pos != held.end() && *pos == slot)
            held.erase(pos);
        if (held.empty())
            slotsOf.erase(it);
    }

    void Reset()
    {
        keys.clear();
        alive.clear();
        tree.assign(1, 0);
        slotsOf.clear();
        live = 0;
    }

    // Renumbers the live held 0 .. live - 1 and rebuilds the index.
    void Compact()
    {
        std::vector<QString> kept;
        kept.reserve(size_t(live));
        for (int slot = 0; slot < Slots(); ++slot) {
            if (alive[size_t(slot)])
                kept.push_back(std::move(keys[size_t(slot)]));
        }
        keys = std::move(kept);
        alive.assign(keys.size(), 1);
        tree.assign(keys.size() + 1, 0);
        for (size_t i = 1; i < tree.size(); ++i) {
            tree[i] += 1;
            const size_t parent = i + (i & (~i + 1));
            if (parent < tree.size())
                tree[parent] += tree[i];
        }
        slotsOf.clear();
        for (int slot = 0; slot < Slots(); ++slot)
            slotsOf[FoldKey(keys[size_t(slot)])].push_back(slot);
    }
};

TKeyList::TKeyList()
    : d(std::make_unique<Impl>())
{
    d->Reset();
}

TKeyList::~TKeyList() = default;

int TKeyList::Add(const QString &key)
{
    const QString folded = FoldKey(key);
    if (d->slotsOf.contains(folded))
        throw TKeyListError(QStringLiteral("关键字\"%1\"已存在").arg(key));
    const int slot = d->Slots();
    d->AppendSlot(key);
    d->slotsOf[folded].push_back(slot);
    return d->live - 1;
}

void TKeyList::Clear()
{
    d->Reset();
}

void TKeyList::Delete(int index)
{
    const int slot = d->CheckedSlot(index);
    d->Unlink(FoldKey(d->keys[size_t(slot)]), slot);
    d->keys[size_t(slot)] = QString();
    d->alive[size_t(slot)] = 0;
    d->TreeAdd(slot, -1);
    --d->live;
    const int dead = d->Slots() - d->live;
    if (dead > d->live && dead >= 64)
        d->Compact();
    else if (d->live == 0)
        d->Reset();
}

QString TKeyList::Get(int index) const
{
    return d->keys[size_t(d->CheckedSlot(index))];
}

void TKeyList::Put(int index, const QString &key)
{
    const int slot = d->CheckedSlot(index);
    QString &current = d->keys[size_t(slot)];
    const QString oldFolded = FoldKey(current);
    const QString newFolded = FoldKey(key);
    if (oldFolded != newFolded) {
        d->Unlink(oldFolded, slot);
        d->Link(newFolded, slot);
    }
    current = key;
}

QString TKeyList::Last() const
{
    if (d->live == 0)
        ThrowIndexError(-1);
    return Get(d->live - 1);
}

int TKeyList::IndexOf(const QString &key) const
{
    const auto it = d->slotsOf.constFind(FoldKey(key));
    if (it == d->slotsOf.constEnd() || it.value().empty())
        return -1;
    return d->LiveBefore(it.value().front());
}

int TKeyList::Count() const
{
    return d->live;
}
