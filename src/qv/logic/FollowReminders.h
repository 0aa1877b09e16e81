#pragma once
// Following reminders across a change of their file: a pass that compacts
// the file shifts the numbers after a removed reminder, and another program
// may add, remove or change reminders. The list keeps the user's selection and
// order by following each reminder to its new number. No widgets.
#include "store/ResumenesAvisos.h"

#include <QHash>
#include <QVector>

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
