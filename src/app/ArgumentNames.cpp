#include "ArgumentNames.h"

#include "Export.h"

#include <QDir>
#include <QFileInfo>
#include <QFile>

#include <cstring>

namespace krelin {

namespace {

// The length of the UTF-8 character starting at bytes[at], or 0 when none starts there:
// no overlong forms, no surrogates, nothing past U+10FFFF.
qsizetype characterLength(QByteArrayView bytes, qsizetype at)
{
    const auto byte = [&](qsizetype i) { return i < bytes.size() ? std::uint8_t(bytes[i]) : 0; };
    const std::uint8_t lead = byte(at);
    auto continues = [&](qsizetype i, std::uint8_t low = 0x80, std::uint8_t high = 0xBF) {
        return byte(i) >= low && byte(i) <= high;
    };
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return continues(at + 1) ? 2 : 0;
    if (lead >= 0xE0 && lead <= 0xEF) {
        const std::uint8_t low = lead == 0xE0 ? 0xA0 : 0x80, high = lead == 0xED ? 0x9F : 0xBF;
        return continues(at + 1, low, high) && continues(at + 2) ? 3 : 0;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        const std::uint8_t low = lead == 0xF0 ? 0x90 : 0x80, high = lead == 0xF4 ? 0x8F : 0xBF;
        return continues(at + 1, low, high) && continues(at + 2) && continues(at + 3) ? 4 : 0;
    }
    return 0;
}

} // namespace

QString EscapedArgument(QByteArrayView argument)
{
    QString text;
    qsizetype at = 0;
    while (at < argument.size()) {
        const qsizetype length = characterLength(argument, at);
        if (length == 0) {
            text += QStringLiteral("\\x%1").arg(std::uint8_t(argument[at]), 2, 16, QLatin1Char('0'));
            ++at;
        } else {
            text += QuotableText(QString::fromUtf8(argument.sliced(at, length)));
            at += length;
        }
    }
    return text;
}

bool IsUtf8Argument(QByteArrayView argument)
{
    for (qsizetype at = 0; at < argument.size();) {
        const qsizetype length = characterLength(argument, at);
        if (length == 0)
            return false;
        at += length;
    }
    // What matters in the end is that the name goes back to the system unchanged.
    return QFile::encodeName(QFile::decodeName(argument.toByteArray())) == argument;
}

QString NonUtf8ArgumentProblem(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        QByteArrayView argument(argv[i], qsizetype(std::strlen(argv[i])));
        if (IsUtf8Argument(argument))
            continue;
        // "--export=NAME": the name is what the user typed as a name.
        if (argument.startsWith("--")) {
            const qsizetype equals = argument.indexOf('=');
            if (equals > 0)
                argument = argument.sliced(equals + 1);
        }
        return QStringLiteral("Cannot use the name %1: it is not valid UTF-8, and this program takes only "
                              "UTF-8 names. Nothing was read or written.")
            .arg(EscapedArgument(argument));
    }
    return {};
}

bool IsOptionArgument(const char *arg, const char *option)
{
    const std::size_t n = std::strlen(option);
    return std::strncmp(arg, option, n) == 0 && (arg[n] == '\0' || arg[n] == '=');
}

QString ShownPath(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

QString Sentence(const QString &clause)
{
    QString sentence = clause.trimmed();
    if (sentence.isEmpty())
        return sentence;
    sentence[0] = sentence[0].toUpper();
    if (!sentence.endsWith(QLatin1Char('.')))
        sentence += QLatin1Char('.');
    return sentence;
}

QString PngNameProblem(const QString &path, const QString &what)
{
    if (QFileInfo(path).suffix().compare(QLatin1String("png"), Qt::CaseInsensitive) == 0)
        return {};
    return QStringLiteral("The %1 %2 needs a name ending in .png: it is written as a PNG picture.").arg(what, ShownPath(path));
}

} // namespace krelin
