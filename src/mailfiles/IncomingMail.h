#pragma once
// Incoming mail files (MAIL/*.IN): one per message of this system that the
// mail client fetched, read and deleted by the reminder program's mail alert.
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <QFile>

#include <memory>
#include <optional>

namespace mailfiles {

// Base name (no folder, no ending) for a file written at `momento`: the day
// count since 30 December 1899 with the time as fraction, in the general
// format with up to 15 significant digits, its "." removed. The name only has
// to be unique; nothing reads a date back from it.
QString BaseNombreEmailRecibido(const QDateTime& momento);

// The lines of an incoming file: header, "--- From ---", `de`, "--- Body ---",
// the body lines. A stranger wrote `de` and the body: a CR or LF inside `de`
// becomes a blank, so the sender stays on its line; a body line holding line
// breaks becomes several lines; escape sequences and control characters are
// removed from both (TextoInofensivo).
QStringList LineasEmailRecibido(const QString& de, const QStringList& cuerpo);

// Writes one incoming file line by line as a message arrives, so its size
// never has to fit in memory. The lines go to a work file in MAIL/ whose name
// does not end in ".IN" (no reader takes it early); terminar() gives it its
// final name; a writer destroyed before that removes its work file.
class EscritorEmailRecibido {
public:
    EscritorEmailRecibido(QString dirMail, QString de);
    ~EscritorEmailRecibido();
    EscritorEmailRecibido(const EscritorEmailRecibido&) = delete;
    EscritorEmailRecibido& operator=(const EscritorEmailRecibido&) = delete;

    // One body line (it may hold line breaks); false once a write has failed.
    bool linea(const QString& texto);
    // The full path of the finished file, or nullopt when it could not be saved
    // (nothing is left behind then). Named by the clock's now, or by `momento`
    // when the caller has just read the clock.
    std::optional<QString> terminar();
    std::optional<QString> terminar(const QDateTime& momento);

private:
    bool abrir();
    bool escribir(const QStringList& lineas);

    QString m_dirMail;
    QString m_de;
    QString m_trabajo; // the work file, empty until opened
    std::unique_ptr<QFile> m_archivo;
    bool m_fallo = false;
};

// Writes one incoming file in MAIL/ for the mail client (through
// EscritorEmailRecibido); the full path, or nullopt when it could not be saved. The name is
// BaseNombreEmailRecibido(now)
// + ".IN"; when that name is taken (two messages within one clock reading, or a
// file still waiting) "_2", "_3", ... is added before ".IN". A name is claimed
// only by renaming a finished work file onto it without replacing anything, so
// an existing file is never overwritten and a reader never sees half a file.
std::optional<QString> EscribirEmailRecibido(const QString& dirMail, const QString& de,
                                             const QStringList& cuerpo);

// The folder where the mail client writes the parts of received messages
// (and its work file Temp.mme): MAIL/Attachments/, separator included. A
// stranger names those files, so they never go beside the programs.
QString CarpetaAdjuntos(const QString& dirMail);
// Creates that folder when missing and makes it owner-only; false when it cannot be.
bool PrepararCarpetaAdjuntos(const QString& dirMail);

bool HayEmailRecibido(const QString& dirMail);
QStringList ListarEmailRecibido(const QString& dirMail); // full paths, by name

inline constexpr const char* kFinMensaje = "__________ End of message __________";
inline constexpr const char* kSeparadorPie = "----------";

// The footer every message of this system ends with, after an empty line.
QStringList PieMensaje();

// A stranger's body line as the window and the received-mail log show it: one
// that could pass for a line of their own ("From: ...", a "__________" entry
// line) is shown quoted, "> " before it.
QString LineaCuerpoMostrada(const QString& linea);

// What the mail alert window shows for one file: "From: " + the line after
// "--- From ---" (the first line when the marker is missing); every non-empty
// line after "--- Body ---" (from the first line when missing), each as
// LineaCuerpoMostrada, up to the footer: a line "----------" followed by
// nothing but the rest of PieMensaje() (a separator line anywhere else is
// text); then an empty line, the end-of-message line and an empty line.
// Nullopt for an unreadable or empty file.
std::optional<QStringList> LineasVentanaEmailRecibido(const QStringList& lineasArchivo);
std::optional<QStringList> LeerEmailRecibido(const QString& ruta, QStringList* lineasArchivo = nullptr);

// A reminder another installation of this system sent: what its alert showed.
struct AvisoRecibido {
    QString descripcion; // at most 30 characters, as a reminder holds it
    QString texto;       // its lines joined by CR LF, at most 255 characters
};
inline constexpr int kMaxDescripcionRecibida = 30;
inline constexpr int kMaxTextoRecibido = 255;

// The reminder an incoming file carries (its lines as LeerEmailRecibido gives
// them), when the body is as this system sends one: the dated line, an empty
// line, a label ending in ":", the description, an empty line, a label, the
// text, then an empty line and the whole footer ending the file. Labels and
// the dated line are in the sender's language, so only their shape counts.
// Nullopt for any other mail.
std::optional<AvisoRecibido> AvisoDeEmailRecibido(const QStringList& lineasArchivo);

} // namespace mailfiles
