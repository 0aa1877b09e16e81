#pragma once
// A phonebook held in memory for the preferences tests: entries with saved
// credentials, and scripted results for the create and edit dialogs.
#include "qv/prefs/AccesoTelefonico.h"

#include <QMap>

struct EstadoTelefonos {
    QStringList entradas;
    QMap<QString, QPair<QString, QString>> credenciales; // entry -> (user, password)
    int resultadoCrear = 0;
    QString entradaCreada; // added to the list by a successful CreateEntry
    int resultadoEditar = 0;
    QStringList llamadas;
};

class TelefonosDePrueba : public AccesoTelefonico {
public:
    explicit TelefonosDePrueba(EstadoTelefonos& estado) : m_estado(estado) {}

    int GetEntries() override {
        m_entries = m_estado.entradas;
        return 0;
    }
    QStringList Entries() const override { return m_entries; }
    void setEntry(const QString& name) override { m_entry = name; }
    QString Entry() const override { return m_entry; }
    int GetEntryUserName(QString& text) override {
        if (!m_estado.entradas.contains(m_entry)) return 623; // entry not found
        text = m_estado.credenciales.value(m_entry).first;
        return 0;
    }
    int GetEntryPassword(QString& text) override {
        if (!m_estado.entradas.contains(m_entry)) return 623;
        text = m_estado.credenciales.value(m_entry).second;
        return 0;
    }
    int SetEntryUserName(const QString& text) override {
        if (!m_estado.entradas.contains(m_entry)) return 623;
        m_estado.llamadas << "user:" + m_entry + "=" + text;
        m_estado.credenciales[m_entry].first = text;
        return 0;
    }
    int SetEntryPassword(const QString& text) override {
        if (!m_estado.entradas.contains(m_entry)) return 623;
        m_estado.llamadas << "passwd:" + m_entry + "=" + text;
        m_estado.credenciales[m_entry].second = text;
        return 0;
    }
    int CreateEntry(QWidget*) override {
        m_estado.llamadas << "create";
        if (m_estado.resultadoCrear == 0 && !m_estado.entradaCreada.isEmpty())
            m_estado.entradas << m_estado.entradaCreada;
        return m_estado.resultadoCrear;
    }
    int EditEntry(QWidget*) override {
        m_estado.llamadas << "edit:" + m_entry;
        return m_estado.resultadoEditar;
    }

private:
    EstadoTelefonos& m_estado;
    QStringList m_entries;
    QString m_entry;
};
