#include "qv/SoundFileDialog.h"

#include "core/TextCatalogue.h"
#include "settings/ProgramFolders.h"

#include <QFileDialog>
#include <QFileInfo>

QString chooseSoundFile(QWidget* parent, const QString& current) {
    const QString start =
        current.isEmpty() ? ProgramFolders::global().dirPrograma : QFileInfo(current).absolutePath();
    QFileDialog dialog(parent, LeerTexto(2991), start, LeerTexto(2992));
    dialog.setObjectName("ElegirArchivo");
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix("WAV");
    dialog.setWindowModality(Qt::WindowModal);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first();
}
