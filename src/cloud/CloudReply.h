#pragma once

#include <QByteArray>
#include <QString>

namespace korvane {

// The station's reading of the server's answer to a report.
struct CloudReplyVerdict {
    bool accepted = false;
    QString notice; // the failure notice; empty when accepted
};

// Accepted when the text holds "200" or, upper-cased, "OK". Otherwise the
// notice shows the first 50 characters of the reply (as text in the
// Chinese code page).
CloudReplyVerdict judgeCloudReply(const QByteArray &reply);

} // namespace korvane
