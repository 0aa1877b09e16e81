#pragma once
// Following reminders across a change of their file: a pass that compacts
// the file shifts the numbers after a removed reminder, and another program
// may add, remove or change reminders. The list keeps the user's selection and
// order by following each reminder to its new number, and the identities kept
// beside the file (ReminderIdentities) stay with their reminders.
#include "store/ResumenesAvisos.h"

#include <QHash>
#include <QVector>

#include <functional>

// Two readings of a file in order: for each element j of the later one, the
// index of the element of the earlier one it continues, or -1 (new or changed
// beyond recognition). Removing never reorders and adding only appends, so
// each element of `after` takes the next match ahead in `before`.
QVector<int> AlignInOrder(int beforeCount, int afterCount, const std::function<bool(int, int)>& same);

// Old number -> new number for every reminder of `before` still found in
// `after` (both in file order, as read from the file). A reminder is the same
// when its description, repetition, expiry, removal and e-mail flags match;
// its date and state may have moved on. With as many reminders as before,
// every number stays. Otherwise the files are aligned in order, since removing
// and appending never reorder the reminders that remain.
QHash<quint16, quint16> FollowNumbers(const ResumenesAvisos& before, const ResumenesAvisos& after);

// The list order after such a change: the reminders of `oldOrder` that remain,
// in that order, then the new ones in file order.
QVector<quint16> FollowOrder(const QVector<quint16>& oldOrder, const QHash<quint16, quint16>& followed,
                             int newCount);

// The number that reminder `numero` of `before` has in `after`; 0 when it is
// no longer there.
quint16 SeguirNumero(const ResumenesAvisos& before, const ResumenesAvisos& after, quint16 numero);
