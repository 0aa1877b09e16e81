#pragma once
// The mail client's nine tray animation frames "ICN_QVMC0".."ICN_QVMC8": an
// envelope with a turning arrow, drawn in code.
#include <QIcon>
#include <QList>

namespace TrayFrames {
QList<QIcon> frames();
} // namespace TrayFrames
