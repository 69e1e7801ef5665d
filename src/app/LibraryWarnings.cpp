#include "LibraryWarnings.h"

#include <QFile>
#include <QString>

#include <sys/mman.h>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace krelin {

namespace {

constexpr int MostLines = 3;

QStringList &qtMessages()
{
    static QStringList said;
    return said;
}

void keepMessage(QtMsgType, const QMessageLogContext &, const QString &text)
{
    qtMessages() << text;
}

// "libpng warning: tEXt: CRC error" → "libpng: tEXt: CRC error".
QString plainLine(QString line)
{
    line = line.simplified();
    for (const QString &kind : {QStringLiteral(" warning:"), QStringLiteral(" error:")})
        if (const qsizetype at = line.indexOf(kind); at > 0 && at < 16 && !line.left(at).contains(u' '))
            line.replace(at, kind.size(), QStringLiteral(":"));
    return line;
}

} // namespace

LibraryWarnings::LibraryWarnings()
{
    qtMessages().clear();
    previous = qInstallMessageHandler(keepMessage);
    std::fflush(stderr);
    caught = ::memfd_create("krelin-library-warnings", MFD_CLOEXEC);
    if (caught >= 0)
        standardError = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
    if (standardError >= 0)
        ::dup2(caught, STDERR_FILENO);
}

LibraryWarnings::~LibraryWarnings()
{
    finish();
}

QStringList LibraryWarnings::finish()
{
    if (finished)
        return {};
    finished = true;
    qInstallMessageHandler(previous);
    QStringList lines = qtMessages();
    qtMessages().clear();
    if (standardError >= 0) {
        std::fflush(stderr);
        ::dup2(standardError, STDERR_FILENO);
        ::close(standardError);
        QFile written;
        if (::lseek(caught, 0, SEEK_SET) == 0 && written.open(caught, QIODevice::ReadOnly))
            lines += QString::fromLocal8Bit(written.read(4096)).split(u'\n', Qt::SkipEmptyParts);
    }
    if (caught >= 0)
        ::close(caught);
    QStringList said;
    for (const QString &line : std::as_const(lines))
        if (const QString plain = plainLine(line); !plain.isEmpty() && !said.contains(plain) && said.size() < MostLines)
            said << plain;
    return said;
}

} // namespace krelin
