#include "LeftWork.h"

#include "core/JournalFormat.h"
#include "core/RomFile.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

namespace krelin {

QString ShownFileName(const QString &path)
{
    return QFileInfo(path).fileName().toUpper();
}

LeftWork LeftWork::lookAt(LeftJournal journal)
{
    LeftWork work{std::move(journal), {}, false};
    const qint64 size = work.journal.size();
    if (size > MostJournalBytes) {
        work.tooLarge = true;
        return work;
    }
    const LeftJournal &file = work.journal;
    JournalRecordReader reader([&file](qint64 offset, std::span<std::uint8_t> into) { return file.readAt(offset, into); },
                               size);
    work.outline = ReadJournalOutline(reader, [](const QString &path) {
        RomReadResult read = ReadRomFile(path);
        return read.ok() ? std::move(read.bytes) : std::vector<std::uint8_t>{};
    });
    return work;
}

QString LeftWork::imageName() const
{
    if (!tooLarge && !outline.path.isEmpty())
        return ShownFileName(outline.path);
    return outline.valid ? QStringLiteral("An image without a name") : QStringLiteral("Unknown");
}

QString LeftWork::editsText() const
{
    return canRecover() ? QString::number(outline.unsavedEdits()) : QStringLiteral("\u2014");
}

QString LeftWork::stateText() const
{
    return tooLarge ? QStringLiteral("Too large") : damaged() ? QStringLiteral("Damaged") : QString();
}

QString LeftWork::question() const
{
    const QLocale locale;
    const QString when = locale.toString(journal.lastWritten(), QLocale::ShortFormat);
    const QString where = QDir::toNativeSeparators(journal.path());
    if (tooLarge)
        return QStringLiteral("The journal of unsaved changes %1, left by a session that ended unexpectedly (%2), is "
                              "%3, larger than the %4 GiB that any journal of this program holds: it was not read, "
                              "and nothing in it can be recovered.")
            .arg(where, when, locale.formattedDataSize(journal.size(), 1))
            .arg(MostJournalBytes >> 30);
    const QString kept = QStringLiteral(" The journal is kept under that name until you discard it.");
    if (!canRecover())
        return QStringLiteral("The journal of unsaved changes %1, left by a session that ended unexpectedly (%2), "
                              "cannot be read whole: %3. %4")
                   .arg(where, when, outline.damage,
                        outline.valid ? QStringLiteral("What can be read of it holds no unsaved changes.")
                                      : QStringLiteral("Nothing in it can be recovered."))
            + kept;

    const int edits = outline.unsavedEdits();
    QString text = QStringLiteral("%1 has unsaved changes from a session that ended unexpectedly (%2 %3, %4). "
                                  "Recover them?")
                       .arg(outline.path.isEmpty() ? QStringLiteral("An image without a name") : ShownFileName(outline.path))
                       .arg(edits)
                       .arg(edits == 1 ? QStringLiteral("edit") : QStringLiteral("edits"))
                       .arg(when);
    if (damaged())
        text += QStringLiteral("\n\nIts journal, %1, cannot be read whole: %2. %3").arg(where, outline.damage)
            .arg(outline.rebuiltOnFile
                     ? QStringLiteral("The edits after it can be put back on %1, which is unchanged since.")
                           .arg(ShownFileName(outline.path))
                     : QStringLiteral("Edits made after that point are lost."))
            + kept;
    return text;
}

} // namespace krelin
