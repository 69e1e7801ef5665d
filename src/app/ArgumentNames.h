#pragma once

#include <QByteArrayView>
#include <QString>

namespace krelin {

// A command-line argument as a message may show it: valid UTF-8 as the text it spells,
// each byte that belongs to no character as an escape (\xff), control characters as
// QuotableText writes them.
QString EscapedArgument(QByteArrayView argument);

// True when the argument is valid UTF-8, so that the name Qt makes of it is spelled with
// exactly its bytes again when it is handed to the system. Any other argument would name
// another file: the bytes that belong to no character all become U+FFFD.
bool IsUtf8Argument(QByteArrayView argument);

// The message for the first of argv[1..argc) that is not valid UTF-8, naming it (the
// value alone for an "--option=value"), or an empty string when all of them are.
QString NonUtf8ArgumentProblem(int argc, char **argv);

// True when arg is option, alone or as "option=value".
bool IsOptionArgument(const char *arg, const char *option);

// A path as the commands' messages show it: with the system's separators.
QString ShownPath(const QString &path);

// A clause made a message of its own, as every message of the commands is written: its
// first letter a capital and a full stop at its end ("cannot write out.png: the disk is
// full" from the code that writes pictures). An empty clause stays empty.
QString Sentence(const QString &clause);

// Why the picture a command writes may not be written at path (what names what the file
// holds: "screenshot", "picture"), or an empty string: a PNG goes to a name ending in
// .png, never to one that says the file holds something else.
QString PngNameProblem(const QString &path, const QString &what);

} // namespace krelin
