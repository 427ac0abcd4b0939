#pragma once
// Reading the text of a tester's reply: the part that counts, its lines and
// the header line that counts the lines after it.

#include <QByteArray>

inline constexpr int MaxReplyText = 99999;
inline constexpr int MaxReplyLine = 100; // characters consumed for one line

// The part of a reply the program looks at: up to its first zero byte and
// never more than MaxReplyText characters.
QByteArray UsableReply(const QByteArray &reply);

struct ReplyLine
{
    QByteArray text;
    bool ended = false; // its line feed lay within the characters consumed
};

// Takes the line starting at *pos, consuming at most MaxReplyLine characters:
// up to and including its line feed, or MaxReplyLine characters when the line
// feed comes later (the rest then reads as the next line).
ReplyLine TakeLine(const QByteArray &text, int *pos);

// Reads the header line "%c%c%d" at the start of reply. Returns false when no
// number can be read. *next is set to the start of the line after the header.
bool ReadReplyHeader(const QByteArray &reply, int *count, int *next);
