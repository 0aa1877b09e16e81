#pragma once
// The connection-state texts in the three languages of the dial-up component.
#include <QString>

enum class TLanguage { English, Czech, Portuguese };

// The text of a connection state; empty for a state without one.
QString connectionStateText(quint32 state, TLanguage language);
