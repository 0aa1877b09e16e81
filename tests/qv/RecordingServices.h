#pragma once
// The main window's services for tests: alerts are recorded instead of shown;
// the mail queue, mail client and dialogs stay the program's own unless a
// test scripts the editor's answer.
#include "qv/DesktopServices.h"

#include "store/ReminderFile.h"

#include <QList>
#include <functional>
#include <optional>

class RecordingServices : public DesktopServices {
public:
    struct Shown {
        int indice;
        int formato;
        QString descripcion;
        QString archivo;
    };
    QList<Shown> shown;
    // When set, the editor is not opened: crearAviso and editarAviso give this.
    std::optional<int> editorAnswer;
    // When set with a positive editorAnswer, the edit applies it to the record.
    std::function<void(RegistroAviso&)> editorChange;
    int editorCalls = 0;
    // Alerts are also opened as real windows.
    bool realAlerts = false;

    AlertWindowBase* mostrarAviso(const QString& archivo, int indice, int formato,
                                  const RegistroAviso& r) override {
        shown.append({indice, formato, r.Descripcion, archivo});
        return realAlerts ? DesktopServices::mostrarAviso(archivo, indice, formato, r) : nullptr;
    }
    int crearAviso(QWidget* parent, const QString& file, const QString& indexPath) override {
        ++editorCalls;
        return editorAnswer ? *editorAnswer : DesktopServices::crearAviso(parent, file, indexPath);
    }
    // A notification area that is there (the headless platform has none);
    // its messages are recorded.
    bool withTray = false;
    QStringList trayMessages;
    std::unique_ptr<TrayShell> bandeja() override {
        if (!withTray) return nullptr;
        struct Shell : TrayShell {
            QStringList* messages;
            bool isAvailable() const override { return true; }
            void notify(TrayNotifyOp, const TrayNotifyRecord&) override {}
            void setMessageSink(MessageSink) override {}
            void showMessage(const QString& title, const QString& text) override {
                *messages << title + ": " + text;
            }
        };
        auto shell = std::make_unique<Shell>();
        shell->messages = &trayMessages;
        return shell;
    }
    int editarAviso(QWidget* parent, const QString& file, const QString& indexPath, int numero,
                    RegistroAviso* antes) override {
        ++editorCalls;
        if (!editorAnswer) return DesktopServices::editarAviso(parent, file, indexPath, numero, antes);
        if (*editorAnswer <= 0) return *editorAnswer;
        RegistroAviso r = LeerAviso(file, numero);
        if (antes) *antes = r;
        if (editorChange) {
            editorChange(r);
            EscribirAviso(file, numero, r);
        }
        return numero;
    }
};
