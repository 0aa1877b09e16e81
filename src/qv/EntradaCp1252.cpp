#include "qv/EntradaCp1252.h"

#include "core/Cp1252.h"
#include "core/TextCatalogue.h"
#include "qv/MessageBoxes.h"

#include <QLineEdit>
#include <QPointer>
#include <QTimer>
#include <QValidator>

#include <utility>

namespace {
class ValidadorCp1252 : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        const QString malos = Cp1252::unrepresentable(input);
        if (malos.isEmpty()) return Acceptable;
        m_rechazados = malos;
        return Invalid;
    }
    // The characters of the last refused input, once.
    QString tomarRechazados() const { return std::exchange(m_rechazados, QString()); }

private:
    mutable QString m_rechazados;
};
} // namespace

namespace EntradaCp1252 {

QString mensaje(const QString& caracteres) {
    QStringList uno;
    for (qsizetype i = 0; i < caracteres.size(); ++i) {
        const bool par = caracteres.at(i).isHighSurrogate() && i + 1 < caracteres.size();
        uno << caracteres.mid(i, par ? 2 : 1);
        if (par) ++i;
    }
    return LeerTexto(20120).arg(uno.join(QStringLiteral(" ")));
}

QString comprobar(const QString& texto) {
    const QString malos = Cp1252::unrepresentable(texto);
    return malos.isEmpty() ? QString() : mensaje(malos);
}

void proteger(QLineEdit* edit) {
    auto* validador = new ValidadorCp1252(edit);
    edit->setValidator(validador);
    QObject::connect(edit, &QLineEdit::inputRejected, edit, [edit, validador] {
        const QString malos = validador->tomarRechazados();
        if (malos.isEmpty()) return; // refused for its length: the edit's own limit
        // Told after the key press has been handled, not inside it.
        QTimer::singleShot(0, edit, [edit, malos] { MessageBoxes::warning(edit->window(), mensaje(malos)); });
    });
}

} // namespace EntradaCp1252
