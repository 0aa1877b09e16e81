// Chooses the dial-up backend by name.
#include "platform/dialup/NmcliBackend.h"
#include "platform/dialup/SimulatedPhonebook.h"

namespace dialup {

std::shared_ptr<DialUpBackend> makeBackend(const QString& name) {
    if (name.compare(QLatin1String("nmcli"), Qt::CaseInsensitive) == 0)
        return std::make_shared<NmcliBackend>();
    return std::make_shared<SimulatedPhonebook>(SimulatedPhonebook::defaultPath());
}

} // namespace dialup
