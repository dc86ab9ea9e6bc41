#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>

namespace korvane {

struct Rgb {
    int r = 0;
    int g = 0;
    int b = 0;
    bool operator==(const Rgb &) const = default;
    QString text() const { return QStringLiteral("%1,%2,%3").arg(r).arg(g).arg(b); }
};

namespace colours {
inline constexpr Rgb Black{0, 0, 0};
inline constexpr Rgb Yellow{255, 255, 0};
inline constexpr Rgb Green{0, 255, 0};
inline constexpr Rgb Red{255, 0, 0};
} // namespace colours

// One operator-visible control: the properties the logic reads and writes.
// Every change is announced once as (property, value text); setting a value
// it already has announces nothing.
class Control : public QObject {
    Q_OBJECT
public:
    Control(const QString &name, QObject *parent);

    const QString &name() const { return m_name; }

    const QString &text() const { return m_text; }
    void setText(const QString &text);
    const QString &toolTip() const { return m_toolTip; }
    void setToolTip(const QString &toolTip);
    Rgb colour() const { return m_colour; }
    void setColour(Rgb colour);
    bool visible() const { return m_visible; }
    void setVisible(bool visible);
    bool enabled() const { return m_enabled; }
    void setEnabled(bool enabled);
    int value() const { return m_value; }
    void setValue(int value);
    const QStringList &items() const { return m_items; }
    void addItem(const QString &item);

    // A field fed by a peer: stale while its source gives no readings. The
    // text stays what the last reading made it; front ends show its age.
    bool stale() const { return m_stale; }
    void setStale(bool stale);
    // When a reading last refreshed the field (wall time, for its age);
    // invalid before the first one. Not announced: it changes every reading.
    const QDateTime &readAt() const { return m_readAt; }
    void setReadAt(const QDateTime &at) { m_readAt = at; }
    // A lamp's state in words and since when ("微波：断开 16:01:01（连接被拒绝）").
    const QString &status() const { return m_status; }
    void setStatus(const QString &status);

    // Terminal boxes: appends and keeps only the last `cap` characters.
    void append(const QString &text);
    void setCap(qsizetype cap) { m_cap = cap; }

Q_SIGNALS:
    void changed(const QString &property, const QString &value);

private:
    QString m_name;
    QString m_text;
    QString m_toolTip;
    Rgb m_colour;
    bool m_visible = true;
    bool m_enabled = true;
    int m_value = 0;
    QStringList m_items;
    qsizetype m_cap = 0;
    bool m_stale = false;
    QDateTime m_readAt;
    QString m_status;
};

} // namespace korvane
