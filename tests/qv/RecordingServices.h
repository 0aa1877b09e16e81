#pragma once
// The main window's services for tests: alerts are recorded instead of shown;
// the mail queue, mail client and dialogs stay the program's own unless a
// test scripts the editor's answer.
#include "qv/DesktopServices.h"

#include <QList>
#include <optional>

class RecordingServices : public DesktopServices {
public:
    struct Shown {
        int indice;
        int formato;
        QString descripcion;
    };
    QList<Shown> shown;
    // When set, the editor is not opened: crearAviso and editarAviso give this.
    std::optional<int> editorAnswer;
    int editorCalls = 0;

    void mostrarAviso(int indice, int formato, const RegistroAviso& r) override {
        shown.append({indice, formato, r.Descripcion});
    }
    int crearAviso(QWidget* parent, const QString& file, const QString& indexPath) override {
        ++editorCalls;
        return editorAnswer ? *editorAnswer : DesktopServices::crearAviso(parent, file, indexPath);
    }
    bool editarAviso(QWidget* parent, const QString& file, int numero) override {
        ++editorCalls;
        return editorAnswer ? *editorAnswer != 0 : DesktopServices::editarAviso(parent, file, numero);
    }
};
