#include "caldav/DavMultistatus.h"

#include <QXmlStreamReader>

namespace Dav {

QString name(const QString& ns, const QString& local) {
    return QLatin1Char('{') + ns + QLatin1Char('}') + local;
}

const Property* Response::prop(const QString& ns, const QString& local) const {
    const auto it = props.constFind(name(ns, local));
    return it == props.constEnd() ? nullptr : &*it;
}

int statusCode(const QString& line) {
    const QStringList parts = line.simplified().split(QLatin1Char(' '));
    if (parts.size() < 2) return 0;
    bool ok = false;
    const int code = parts[1].toInt(&ok);
    return ok ? code : 0;
}

namespace {

bool is(const QXmlStreamReader& r, const QString& ns, QLatin1String local) {
    return r.namespaceUri() == ns && r.name() == local;
}

QString currentName(const QXmlStreamReader& r) {
    return name(r.namespaceUri().toString(), r.name().toString());
}

// Reads the element the reader stands on to its end: its text, hrefs, the
// names of the elements inside it and the components it lists.
void readProperty(QXmlStreamReader& r, const QUrl& base, Property& p) {
    int depth = 1;
    while (depth > 0 && !r.atEnd()) {
        switch (r.readNext()) {
        case QXmlStreamReader::StartElement:
            ++depth;
            if (is(r, kDav, QLatin1String("href"))) {
                const QString href = r.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
                p.hrefs << base.resolved(QUrl(href));
                --depth;
                break;
            }
            p.children << currentName(r);
            if (is(r, kCalDav, QLatin1String("comp")))
                p.components << r.attributes().value(QLatin1String("name")).toString().toUpper();
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            break;
        case QXmlStreamReader::Characters:
            p.text += r.text();
            break;
        default:
            break;
        }
    }
}

void readPropstat(QXmlStreamReader& r, const QUrl& base, Response& resp) {
    QHash<QString, Property> props;
    int status = 200; // a propstat without a status line is taken as found
    while (r.readNextStartElement()) {
        if (is(r, kDav, QLatin1String("prop"))) {
            while (r.readNextStartElement()) {
                Property p;
                const QString key = currentName(r);
                readProperty(r, base, p);
                props.insert(key, p);
            }
        } else if (is(r, kDav, QLatin1String("status"))) {
            status = statusCode(r.readElementText());
        } else {
            r.skipCurrentElement();
        }
    }
    if (status >= 200 && status < 300) resp.props.insert(props);
}

void readResponse(QXmlStreamReader& r, const QUrl& base, Multistatus& out) {
    Response resp;
    while (r.readNextStartElement()) {
        if (is(r, kDav, QLatin1String("href")))
            resp.href = base.resolved(QUrl(r.readElementText().trimmed()));
        else if (is(r, kDav, QLatin1String("status")))
            resp.status = statusCode(r.readElementText());
        else if (is(r, kDav, QLatin1String("propstat")))
            readPropstat(r, base, resp);
        else
            r.skipCurrentElement();
    }
    if (resp.href.isValid() && !resp.href.isEmpty()) out.responses << resp;
}

} // namespace

bool parseMultistatus(const QByteArray& xml, const QUrl& base, Multistatus& out, QString* error) {
    out = {};
    QXmlStreamReader r(xml);
    if (!r.readNextStartElement() || !is(r, kDav, QLatin1String("multistatus"))) {
        if (error)
            *error =
                r.hasError() ? r.errorString() : QStringLiteral("the answer is not a WebDAV multistatus");
        return false;
    }
    while (r.readNextStartElement()) {
        if (is(r, kDav, QLatin1String("response")))
            readResponse(r, base, out);
        else if (is(r, kDav, QLatin1String("sync-token")))
            out.syncToken = r.readElementText().trimmed();
        else
            r.skipCurrentElement();
    }
    if (r.hasError()) {
        if (error)
            *error = QStringLiteral("malformed WebDAV answer: %1 (line %2)")
                         .arg(r.errorString())
                         .arg(r.lineNumber());
        return false;
    }
    return true;
}

} // namespace Dav
