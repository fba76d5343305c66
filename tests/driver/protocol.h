#pragma once

#include <QString>
#include <QUrl>

// What tallyhouse-driver and the tests that run it agree on.
namespace driver {

// Texts travel percent-encoded, so that any text fits in one word.
inline QString encode(const QString& text)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(text));
}

inline QString decode(const QString& word)
{
    return QUrl::fromPercentEncoding(word.toLatin1());
}

// The text the save loop puts into a box: the save's token, the box's
// name, and for one box a long tail, so that rows span several pages.
inline QString field_text(const QString& token, const QString& box)
{
    QString text = token + u' ' + box;
    if (box == QLatin1String("Text4"))
        text += u' ' + QString(3000, u'x');
    return text;
}

}  // namespace driver
