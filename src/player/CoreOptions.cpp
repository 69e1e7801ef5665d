#include "CoreOptions.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace krelin {

void CoreOptions::declare(Option option)
{
    if (option.defaultValue.empty() && !option.values.empty())
        option.defaultValue = option.values.front();
    const auto same = std::find_if(options.begin(), options.end(),
                                   [&](const Option &o) { return o.key == option.key; });
    if (same != options.end())
        *same = std::move(option);
    else
        options.push_back(std::move(option));
}

void CoreOptions::declareLegacy(const char *key, const char *text)
{
    if (!key)
        return;
    Option option{key, {}, {}, {}};
    const std::string whole = text ? text : "";
    const std::size_t semicolon = whole.find(';');
    std::string list = whole;
    if (semicolon != std::string::npos) {
        option.description = whole.substr(0, semicolon);
        list = whole.substr(semicolon + 1);
    }
    list.erase(0, list.find_first_not_of(' '));
    std::size_t from = 0;
    while (from <= list.size()) {
        const std::size_t bar = list.find('|', from);
        const std::string item = list.substr(from, bar == std::string::npos ? std::string::npos : bar - from);
        if (!item.empty())
            option.values.push_back(item);
        if (bar == std::string::npos)
            break;
        from = bar + 1;
    }
    declare(std::move(option));
}

bool CoreOptions::isDeclared(const QString &key) const
{
    const std::string k = key.toStdString();
    return std::any_of(options.begin(), options.end(), [&](const Option &o) { return o.key == k; });
}

QStringList CoreOptions::valuesOf(const QString &key) const
{
    QStringList values;
    for (const Option &o : options)
        if (o.key == key.toStdString())
            for (const std::string &v : o.values)
                values << QString::fromStdString(v);
    return values;
}

const char *CoreOptions::value(const char *key) const
{
    if (!key)
        return nullptr;
    if (const auto set = chosen.find(key); set != chosen.end())
        return set->second.c_str();
    for (const Option &o : options)
        if (o.key == key)
            return o.defaultValue.empty() ? nullptr : o.defaultValue.c_str();
    return nullptr;
}

QString CoreOptions::valueOf(const QString &key) const
{
    const char *text = value(key.toStdString().c_str());
    return text ? QString::fromUtf8(text) : QString();
}

void CoreOptions::set(const QString &key, const QString &value)
{
    chosen[key.toStdString()] = value.toStdString();
    changed = true;
}

void CoreOptions::setFromCore(const char *key, const char *value)
{
    if (key && value)
        chosen[key] = value;
}

bool CoreOptions::takeChange()
{
    return std::exchange(changed, false);
}

} // namespace krelin
