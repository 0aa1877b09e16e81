#include "store/OccurrenceRules.h"

#include "core/DateTimeValue.h"

namespace {

int weekdayBit(QDate d) {
    return 1 << (d.dayOfWeek() - 1);
} // Monday 1 ... Sunday 64

// Time of day of the record, to the millisecond, compared with now's.
bool horaPasada(const RegistroAviso& r, const QDateTime& ahora) {
    return r.horaProx() < ahora.time();
}

} // namespace

bool EsDebido(const ResumenAviso& r, const QDateTime& ahora) {
    if (!r.Activo || r.Terminado || r.fechaProx() != ahora.date()) return false;
    const QTime t = r.horaProx();
    return t.hour() == ahora.time().hour() && t.minute() == ahora.time().minute();
}

bool EsPasado(const ResumenAviso& r, const QDateTime& ahora) {
    if (r.Terminado) return false;
    const QDate d = r.fechaProx();
    return d < ahora.date() || (d == ahora.date() && r.horaProx() < ahora.time());
}

int DiaDelAviso(const RegistroAviso& r) {
    const QDate d = r.fechaProx();
    const int elegido = r.DiaElegido;
    if (elegido >= 1 && elegido <= 31 && d.isValid() && d.day() == std::min(elegido, d.daysInMonth()))
        return elegido;
    return d.isValid() ? d.day() : 1;
}

QDate PasoRegla(int repetir, QDate d, int workingDays, int dia) {
    if (dia <= 0) dia = d.day();
    switch (repetir) {
    case 3:
        return d.addDays(1);
    case 5:
        return d.addDays(7);
    case 6: {
        const QDate next = QDate(d.year(), d.month(), 1).addMonths(1);
        return QDate(next.year(), next.month(), std::min(dia, next.daysInMonth()));
    }
    case 7: {
        const int year = d.year() == -1 ? 1 : d.year() + 1; // the calendar has no year 0
        return QDate(year, d.month(), std::min(dia, QDate(year, d.month(), 1).daysInMonth()));
    }
    case 4: {
        const int dow = d.dayOfWeek();
        if (workingDays == 2) return d.addDays(dow == 6 ? 2 : 1);
        return d.addDays(dow == 5 ? 3 : dow == 6 ? 2 : 1);
    }
    default:
        if (repetir > 127 && repetir < 255) {
            const int mask = repetir - 127;
            QDate n = d.addDays(1);
            while (!(weekdayBit(n) & mask))
                n = n.addDays(1); // mask is non-zero: ends within 7 days
            return n;
        }
        return d.addDays(1); // 127 and unknown codes
    }
}

PrimerMomento PrimerMomentoAviso(int repetir, QDate fecha, QTime hora, const QDateTime& ahora,
                                 int workingDays) {
    PrimerMomento m{fecha, hora};
    if (repetir > 127 && repetir < 255 && fecha.isValid()) {
        const int mask = repetir - 127;
        while (!(weekdayBit(m.fecha) & mask))
            m.fecha = m.fecha.addDays(1); // within 7 days
    }
    const QDateTime minuto(ahora.date(), QTime(ahora.time().hour(), ahora.time().minute()));
    m.eraPasado = QDateTime(fecha, hora) < minuto;
    if (QDateTime(m.fecha, m.hora) < minuto) {
        if (repetir == 0) {
            m.pasado = true;
        } else {
            RegistroAviso r;
            r.Repetir = static_cast<quint8>(repetir);
            r.setFechaProx(m.fecha);
            r.setHoraProx(m.hora);
            AvanzarAviso(r, minuto, workingDays); // steps past the minute, never finishes a repeating one
            m.fecha = r.fechaProx();
            m.hora = r.horaProx();
        }
    }
    m.movido = m.fecha != fecha || m.hora != hora;
    return m;
}

bool AvanzarAviso(RegistroAviso& r, const QDateTime& ahora, int workingDays) {
    const QDate hoy = ahora.date();
    // A reminder that expires finishes when its next occurrence would fall after
    // its last day: an hourly one fires through its last day, one that does not
    // fire on that day ends too, and one whose last day went by unseen stops.
    const auto acabaSi = [&r](QDate siguiente) {
        if (!r.Caduca || siguiente <= r.fechaUlt()) return false;
        r.Terminado = true;
        return true;
    };
    if (r.Repetir == 1) {
        QDate d = r.fechaProx();
        if (d < hoy) d = hoy; // the day steps to today; the time stays
        QTime t = r.horaProx();
        const QTime minutoAhora(ahora.time().hour(), ahora.time().minute());
        while (d == hoy && t < minutoAhora) {
            int h = t.hour() + 1;
            if (h == 24) {
                h = 0;
                d = d.addDays(1);
            }
            t = QTime(h, t.minute());
        }
        if (d == hoy && t.hour() == minutoAhora.hour() && t.minute() == minutoAhora.minute()) {
            // Shown now: the next real hour, read on the wall clock. Where the
            // clock goes back it is the same wall minute once more; where it
            // jumps forward, the hour that does not exist is skipped.
            const QDateTime siguiente =
                ahora.addMSecs(-(ahora.time().second() * 1000 + ahora.time().msec())).addSecs(3600);
            d = siguiente.date();
            t = QTime(siguiente.time().hour(), t.minute());
        }
        if (!acabaSi(d)) {
            r.setFechaProx(d);
            r.setHoraProx(t);
        }
    } else if (r.Caduca && r.fechaUlt() == hoy) {
        r.Terminado = true;
    } else if (r.Repetir == 0) {
        r.Terminado = true;
    } else {
        QDate d = r.fechaProx();
        const bool guardaDia = r.Repetir == 6 || r.Repetir == 7;
        const int dia = guardaDia ? DiaDelAviso(r) : 0;
        for (;;) {
            d = PasoRegla(r.Repetir, d, workingDays, dia);
            if (d == hoy) {
                if (horaPasada(r, ahora)) d = PasoRegla(r.Repetir, d, workingDays, dia);
                break;
            }
            if (d > hoy) break;
        }
        if (!acabaSi(d)) {
            r.setFechaProx(d);
            if (guardaDia)
                r.DiaElegido = static_cast<uint8_t>(d.day() == dia ? 0 : dia); // 0: the date's own day
        }
    }
    if (r.Caduca && r.Terminado && r.BorrarAlCaducar) {
        r.Estado = 0;
        return true;
    }
    return false;
}
