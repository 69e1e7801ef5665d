#pragma once

#include <QByteArray>
#include <QString>

namespace krelin {

// Writes a JSON document piece by piece, one member a line, indented by depth, so that a
// large array (a layer's cells) can go in as one prepared piece of text.
class JsonWriter
{
public:
    // Opens an object ('{') or array ('['), as the next value.
    void begin(char bracket);
    void end(char bracket);
    // The name of the next member of an object.
    void key(const char *name);
    void field(const char *name, int value);
    void field(const char *name, bool value);
    void field(const char *name, const QString &value);
    // A property of the map editor's: {"name", "type", "value"}, as the next value of an array.
    void property(const QString &name, const QString &type, int value);
    void property(const QString &name, const QString &type, const QString &value);
    // Text written as it is, as the next value.
    void raw(const QByteArray &text);

    const QByteArray &text() const { return out; }

    // value as a JSON string, quotes and escapes included.
    static QByteArray quoted(const QString &value);

private:
    void value(const QByteArray &text);
    void separate();

    QByteArray out;
    int depth = 0;
    bool first = true;     // nothing written yet in the open object or array
    bool afterKey = false; // a key was written; its value comes next
};

} // namespace krelin
