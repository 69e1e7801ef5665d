#include "TiledJson.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace krelin {

QByteArray JsonWriter::quoted(const QString &value)
{
    const QByteArray array = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2); // without the array's brackets
}

void JsonWriter::separate()
{
    if (afterKey) {
        afterKey = false;
        return;
    }
    if (depth > 0) {
        out += first ? "\n" : ",\n";
        out += QByteArray(depth, ' ');
    }
    first = false;
}

void JsonWriter::value(const QByteArray &text)
{
    separate();
    out += text;
}

void JsonWriter::begin(char bracket)
{
    separate();
    out += bracket;
    ++depth;
    first = true;
}

void JsonWriter::end(char bracket)
{
    --depth;
    if (!first) {
        out += '\n';
        out += QByteArray(depth, ' ');
    }
    out += bracket;
    first = false;
}

void JsonWriter::key(const char *name)
{
    separate();
    out += '"';
    out += name;
    out += "\":";
    afterKey = true;
}

void JsonWriter::field(const char *name, int v)
{
    key(name);
    value(QByteArray::number(v));
}

void JsonWriter::field(const char *name, bool v)
{
    key(name);
    value(v ? "true" : "false");
}

void JsonWriter::field(const char *name, const QString &v)
{
    key(name);
    value(quoted(v));
}

void JsonWriter::property(const QString &name, const QString &type, int v)
{
    value("{\"name\":" + quoted(name) + ", \"type\":" + quoted(type) + ", \"value\":" + QByteArray::number(v) + '}');
}

void JsonWriter::property(const QString &name, const QString &type, const QString &v)
{
    value("{\"name\":" + quoted(name) + ", \"type\":" + quoted(type) + ", \"value\":" + quoted(v) + '}');
}

void JsonWriter::raw(const QByteArray &text)
{
    value(text);
}

} // namespace krelin
