#include "store/FollowReminders.h"

#include <QSet>

QHash<quint16, quint16> FollowNumbers(const ResumenesAvisos& before, const ResumenesAvisos& after) {
    QHash<quint16, quint16> followed;
    if (before.size() == after.size()) {
        for (int i = 0; i < before.size(); ++i)
            followed.insert(before[i].Numero, before[i].Numero);
        return followed;
    }
    const QVector<int> aligned = AlignInOrder(before.size(), after.size(), [&](int i, int j) {
        return ResumenesAvisos::mismoAviso(before, i, after, j);
    });
    for (int j = 0; j < after.size(); ++j)
        if (aligned[j] >= 0) followed.insert(before[aligned[j]].Numero, after[j].Numero);
    return followed;
}

QVector<int> AlignInOrder(int beforeCount, int afterCount, const std::function<bool(int, int)>& same) {
    // Walk both readings; the elements of `before` skipped on the way were removed.
    QVector<int> aligned(afterCount, -1);
    int i = 0;
    for (int j = 0; j < afterCount; ++j) {
        int k = i;
        while (k < beforeCount && !same(k, j))
            ++k;
        if (k == beforeCount) continue;
        aligned[j] = k;
        i = k + 1;
    }
    return aligned;
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

quint16 SeguirNumero(const ResumenesAvisos& before, const ResumenesAvisos& after, quint16 numero) {
    if (numero == 0 || numero > before.size()) return 0;
    if (before.size() == after.size())
        return ResumenesAvisos::mismoAviso(before, numero - 1, after, numero - 1) ? numero : 0;
    return FollowNumbers(before, after).value(numero, 0);
}
