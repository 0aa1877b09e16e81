#include "qv/logic/FollowReminders.h"

#include <QSet>

QHash<quint16, quint16> FollowNumbers(const ResumenesAvisos& before, const ResumenesAvisos& after) {
    QHash<quint16, quint16> followed;
    if (before.size() == after.size()) {
        for (int i = 0; i < before.size(); ++i)
            followed.insert(before[i].Numero, before[i].Numero);
        return followed;
    }
    // Removing never reorders and adding only appends: walk both files and,
    // for each reminder of `after`, take the next match in `before`; the ones
    // of `before` skipped on the way were removed. A reminder of `after` with no
    // match ahead is new (or changed beyond recognition).
    int i = 0;
    for (int j = 0; j < after.size(); ++j) {
        int k = i;
        while (k < before.size() && !ResumenesAvisos::mismoAviso(before, k, after, j))
            ++k;
        if (k == before.size()) continue;
        followed.insert(before[k].Numero, after[j].Numero);
        i = k + 1;
    }
    return followed;
}

QVector<quint16> FollowOrder(const QVector<quint16>& oldOrder, const QHash<quint16, quint16>& followed,
                             int newCount) {
    QVector<quint16> order;
    order.reserve(newCount);
    QSet<quint16> placed;
    for (quint16 numero : oldOrder) {
        const auto it = followed.constFind(numero);
        if (it == followed.constEnd() || *it == 0 || *it > newCount || placed.contains(*it)) continue;
        order << *it;
        placed.insert(*it);
    }
    for (int n = 1; n <= newCount; ++n)
        if (!placed.contains(static_cast<quint16>(n))) order << static_cast<quint16>(n);
    return order;
}
