#pragma once

#include <QString>
#include <QStringList>

#include <map>
#include <string>
#include <vector>

namespace krelin {

// The settings a libretro core declares (its "options": a key, a description, the values it
// takes and the one it starts with) and the values the host chose for some of them. The
// core asks for a key's value while it runs; a value set since its last question is
// announced to it once.
class CoreOptions
{
public:
    struct Option
    {
        std::string key;
        std::string description;
        std::vector<std::string> values;
        std::string defaultValue;
    };

    // What the core declared, in its order; a key declared again replaces the first.
    void declare(Option option);
    // The legacy form: "Description; first|second|third", the first value the default.
    void declareLegacy(const char *key, const char *text);

    bool isDeclared(const QString &key) const;
    const std::vector<Option> &declared() const { return options; }
    // The values the core declared for key; empty when it did not declare it.
    QStringList valuesOf(const QString &key) const;

    // What the core gets for key: the value set, else its default; nullptr when neither.
    // The text stays valid until the key is set or declared again.
    const char *value(const char *key) const;
    QString valueOf(const QString &key) const;

    // Chooses the value of key, for a core that has declared it or will. The core sees it
    // at its next question, and is told there was a change.
    void set(const QString &key, const QString &value);
    // A value the core itself chose (it reports its own changes).
    void setFromCore(const char *key, const char *value);

    // True once after each set(): the core asks this before it reads its options again.
    bool takeChange();

private:
    std::vector<Option> options;
    std::map<std::string, std::string> chosen;
    bool changed = false;
};

} // namespace krelin
