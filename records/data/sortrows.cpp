#include "records/data/sortrows.h"

#include "records/data/recordvalues.h"

#include <QCollator>
#include <QCollatorSortKey>

#include <algorithm>
#include <climits>
#include <numeric>
#include <utility>

namespace {

// Each row's key as a rank: equal keys get equal ranks, a greater key a
// greater rank; Unusable marks a key that compares as greater than nothing
// and that nothing compares as greater than.
constexpr int Unusable = -1;

QVector<int> RanksOfNumbers(const QVector<long> &keys, const QVector<bool> &usable)
{
    const int n = int(keys.size());
    QVector<int> byKey;
    byKey.reserve(n);
    for (int k = 0; k < n; ++k) {
        if (usable[k])
            byKey.append(k);
    }
    std::sort(byKey.begin(), byKey.end(), [&](int a, int b) { return keys[a] < keys[b]; });
    QVector<int> ranks(n, Unusable);
    int rank = 0;
    for (int k = 0; k < byKey.size(); ++k) {
        if (k > 0 && keys[byKey[k - 1]] < keys[byKey[k]])
            ++rank;
        ranks[byKey[k]] = rank;
    }
    return ranks;
}

QVector<int> RanksOfTexts(const GridRows &rows, int first, int n, int column)
{
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseSensitive);
    std::vector<QCollatorSortKey> keys;
    keys.reserve(size_t(n));
    for (int k = 0; k < n; ++k)
        keys.push_back(collator.sortKey(rows[first + k].value(column)));
    QVector<int> byKey(n);
    std::iota(byKey.begin(), byKey.end(), 0);
    std::sort(byKey.begin(), byKey.end(),
              [&](int a, int b) { return keys[size_t(a)].compare(keys[size_t(b)]) < 0; });
    QVector<int> ranks(n, 0);
    int rank = 0;
    for (int k = 1; k < n; ++k) {
        if (keys[size_t(byKey[k - 1])].compare(keys[size_t(byKey[k])]) < 0)
            ++rank;
        ranks[byKey[k]] = rank;
    }
    return ranks;
}

QVector<int> RankKeys(const GridRows &rows, int first, int last, int column, long lowestTestNo)
{
    const int n = last - first + 1;
    if (column >= 2)
        return RanksOfTexts(rows, first, n, column);
    QVector<long> keys(n);
    QVector<bool> usable(n);
    for (int k = 0; k < n; ++k) {
        const QString text = rows[first + k].value(column);
        keys[k] = column == 0 ? TextToLong(text) : DateKey(text);
        usable[k] = column == 0 ? keys[k] >= lowestTestNo : keys[k] > 0;
    }
    return RanksOfNumbers(keys, usable);
}

bool Greater(int a, int b)
{
    return a != Unusable && b != Unusable && a > b;
}

// Over the current arrangement of ranks: the first position of the smallest
// usable rank, the last position of the greatest usable rank and the last
// position of an unusable one, for any suffix of positions.
class RankTree
{
public:
    explicit RankTree(const QVector<int> &ranks)
    {
        while (size_ < ranks.size())
            size_ *= 2;
        nodes_.assign(size_t(2 * size_), Node());
        for (int p = 0; p < ranks.size(); ++p)
            nodes_[size_t(size_ + p)] = Leaf(ranks[p], p);
        for (int k = size_ - 1; k >= 1; --k)
            nodes_[size_t(k)] = Join(nodes_[size_t(2 * k)], nodes_[size_t(2 * k + 1)]);
    }

    void Set(int position, int rank)
    {
        int k = size_ + position;
        nodes_[size_t(k)] = Leaf(rank, position);
        for (k /= 2; k >= 1; k /= 2)
            nodes_[size_t(k)] = Join(nodes_[size_t(2 * k)], nodes_[size_t(2 * k + 1)]);
    }

    int FirstMinimumFrom(int from) const { return Suffix(from).minPos; }
    int LastMaximumFrom(int from) const { return Suffix(from).maxPos; }
    int LastUnusableFrom(int from) const { return Suffix(from).unusablePos; }

private:
    struct Node
    {
        int minRank = INT_MAX;
        int minPos = -1;
        int maxRank = Unusable;
        int maxPos = -1;
        int unusablePos = -1;
    };

    static Node Leaf(int rank, int position)
    {
        Node node;
        if (rank == Unusable) {
            node.unusablePos = position;
        } else {
            node.minRank = node.maxRank = rank;
            node.minPos = node.maxPos = position;
        }
        return node;
    }

    // left covers positions before right; ties go to the left for the
    // minimum and to the right for the maximum.
    static Node Join(const Node &left, const Node &right)
    {
        Node node = left;
        if (right.minRank < left.minRank) {
            node.minRank = right.minRank;
            node.minPos = right.minPos;
        }
        if (right.maxPos >= 0 && right.maxRank >= left.maxRank) {
            node.maxRank = right.maxRank;
            node.maxPos = right.maxPos;
        }
        node.unusablePos = std::max(left.unusablePos, right.unusablePos);
        return node;
    }

    Node Suffix(int from) const
    {
        Node leftPart;
        Node rightPart;
        int lo = size_ + from;
        int hi = 2 * size_;
        while (lo < hi) {
            if (lo & 1)
                leftPart = Join(leftPart, nodes_[size_t(lo++)]);
            if (hi & 1)
                rightPart = Join(nodes_[size_t(--hi)], rightPart);
            lo /= 2;
            hi /= 2;
        }
        return Join(leftPart, rightPart);
    }

    int size_ = 1;
    std::vector<Node> nodes_;
};

// The row the selection sort exchanges with position i, from the ranks of the
// current arrangement. Ascending, an unusable key at i is never replaced.
// Descending, "not greater" holds for every pair with an unusable key: an
// unusable row replaces any best and is itself replaced by the next row, so
// the scan ends on the last row when that one is unusable, and otherwise on
// the last greatest key after the last unusable row.
int ChosenPosition(const RankTree &tree, const QVector<int> &ranks, int i, bool ascending)
{
    const int n = int(ranks.size());
    if (ascending)
        return ranks[i] == Unusable ? i : tree.FirstMinimumFrom(i);
    const int lastUnusable = i + 1 < n ? tree.LastUnusableFrom(i + 1) : -1;
    if (lastUnusable == n - 1)
        return n - 1;
    return tree.LastMaximumFrom(lastUnusable >= 0 ? lastUnusable + 1 : i);
}

void ApplyOrder(GridRows &rows, int first, const QVector<int> &order)
{
    GridRows sorted;
    sorted.reserve(order.size());
    for (int k : order)
        sorted.append(std::move(rows[first + k]));
    for (int k = 0; k < sorted.size(); ++k)
        rows[first + k] = std::move(sorted[k]);
}

bool ClampRange(const GridRows &rows, int *first, int *last, int column)
{
    if (column < 0 || column >= RecordColumns)
        return false;
    *first = std::max(*first, 0);
    *last = std::min(*last, int(rows.size()) - 1);
    return *last - *first >= 1;
}

} // namespace

namespace {
// Ranks the keys of rows[first..last], lets exchange() carry out the row
// exchanges on the ranks and on the row order, then applies that order.
template <typename Exchanges>
void SortByRanks(GridRows &rows, int first, int last, int column, long lowestTestNo,
                 Exchanges exchange)
{
    if (!ClampRange(rows, &first, &last, column))
        return;
    QVector<int> ranks = RankKeys(rows, first, last, column, lowestTestNo);
    QVector<int> order(ranks.size());
    std::iota(order.begin(), order.end(), 0);
    exchange(ranks, order);
    ApplyOrder(rows, first, order);
}
} // namespace

void SelectionSortRows(GridRows &rows, int first, int last, int column, bool ascending,
                       long lowestTestNo)
{
    SortByRanks(rows, first, last, column, lowestTestNo,
                [ascending](QVector<int> &ranks, QVector<int> &order) {
                    const int n = int(ranks.size());
                    for (int i = 0; i < n - 1; ++i) {
                        int best = ranks[i];
                        int bestRow = i;
                        for (int j = i + 1; j < n; ++j) {
                            if (Greater(best, ranks[j]) == ascending) {
                                best = ranks[j];
                                bestRow = j;
                            }
                        }
                        std::swap(ranks[i], ranks[bestRow]);
                        std::swap(order[i], order[bestRow]);
                    }
                });
}

void SortRows(GridRows &rows, int first, int last, int column, bool ascending, long lowestTestNo)
{
    SortByRanks(rows, first, last, column, lowestTestNo,
                [ascending](QVector<int> &ranks, QVector<int> &order) {
                    const int n = int(ranks.size());
                    RankTree tree(ranks);
                    for (int i = 0; i < n - 1; ++i) {
                        const int chosen = ChosenPosition(tree, ranks, i, ascending);
                        if (chosen == i)
                            continue;
                        std::swap(ranks[i], ranks[chosen]);
                        std::swap(order[i], order[chosen]);
                        tree.Set(i, ranks[i]);
                        tree.Set(chosen, ranks[chosen]);
                    }
                });
}
