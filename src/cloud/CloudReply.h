#pragma once

#include <QByteArray>
#include <QString>

namespace korvane {

// The station's reading of the server's answer to a report.
struct CloudReplyVerdict {
    bool accepted = false;
    QString notice; // the failure notice; empty when accepted
};

// Accepted only when the status line says 200 ("HTTP/1.x 200 …"); a word
// like "OK" in a header or the body proves nothing. Otherwise the notice
// shows the first 50 characters of the status line (as text in the Chinese
// code page), kept to one line.
CloudReplyVerdict judgeCloudReply(const QByteArray &reply);

// True once enough of the answer has arrived to judge it: its status line
// is complete, or it is too long to be one.
bool cloudReplyJudgeable(const QByteArray &reply);

} // namespace korvane
