#include "core/UiLanguage.h"

#include "core/TextCatalogue.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <memory>

namespace UiLanguage {

namespace {
std::unique_ptr<QTranslator>& installed() {
    static std::unique_ptr<QTranslator> translator;
    return translator;
}
} // namespace

QString code() {
    const QString c = LeerTexto(kTextoIdioma).trimmed();
    return c.isEmpty() ? QStringLiteral("en") : c;
}

QString qtTranslationsFolder() {
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
}

bool apply() {
    const QLocale locale(code());
    QLocale::setDefault(locale);
    if (auto& old = installed()) {
        QCoreApplication::removeTranslator(old.get());
        old.reset();
    }
    // English is Qt's own language: its translation files are empty on purpose.
    if (locale.language() == QLocale::English) return true;
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"), qtTranslationsFolder()) ||
        translator->isEmpty()) {
        qWarning("No Qt translations for %s in %s", qPrintable(code()), qPrintable(qtTranslationsFolder()));
        return false;
    }
    QCoreApplication::installTranslator(translator.get());
    installed() = std::move(translator);
    return true;
}

} // namespace UiLanguage
