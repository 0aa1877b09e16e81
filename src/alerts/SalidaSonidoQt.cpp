// The sound output through Qt Multimedia, built as a module of its own: the
// program loads it when it first plays a sound, so that a program that sits
// in the tray does not load Qt Multimedia and its audio libraries at start.
#include "alerts/Sonido.h"

#include <QCoreApplication>
#include <QSoundEffect>

namespace {

// One effect for the whole program, so a new sound replaces the playing one.
class QtSoundOutput final : public SoundOutput {
public:
    void play(const QUrl& source) override {
        if (!m_effect) m_effect = new QSoundEffect(QCoreApplication::instance());
        m_effect->stop();
        m_effect->setSource(source);
        m_effect->play();
    }

private:
    QSoundEffect* m_effect = nullptr;
};

} // namespace

extern "C" Q_DECL_EXPORT SoundOutput* orb_salida_sonido() {
    // The sound server names the program's stream after these (the volume
    // mixer shows "Orbalinder" with its icon); Qt Multimedia would name it
    // after the process id. Set before Qt Multimedia connects, unless the user set them.
    if (!qEnvironmentVariableIsSet("PULSE_PROP_OVERRIDE"))
        qputenv("PULSE_PROP_OVERRIDE", "application.name='Orbalinder' application.id='org.norvo.Orbalinder' "
                                       "application.icon_name='org.norvo.Orbalinder' media.role='event'");
    static QtSoundOutput output;
    return &output;
}
