#include "qv/logic/FollowReminders.h"

#include <QSet>

namespace {
bool sameReminder(const ResumenAviso& a, const ResumenAviso& b) {
    return a.Descripcion == b.Descripcion && a.Repetir == b.Repetir && a.Caduca == b.Caduca &&
           a.BorrarAlCaducar == b.BorrarAlCaducar && a.PorEmail == b.PorEmail;
}
} // namespace

QHash<quint16, quint16> FollowNumbers(const QVector<ResumenAviso>& before,
                                      const QVector<ResumenAviso>& after) {
    QHash<quint16, quint16> followed;
    if (before.size() == after.size()) {
        for (const ResumenAviso& r : before)
            followed.insert(r.Numero, r.Numero);
        return followed;
    }
    // Removing never reorders and adding only appends: walk both files and,
    // for each reminder of `after`, take the next match in `before`; the ones
    // of `before` skipped on the way were removed. A reminder of `after` with no
    // match ahead is new (or changed beyond recognition).
    qsizetype i = 0;
    for (const ResumenAviso& now : after) {
        qsizetype k = i;
        while (k < before.size() && !sameReminder(before[k], now))
            ++k;
        if (k == before.size()) continue;
        followed.insert(before[k].Numero, now.Numero);
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
