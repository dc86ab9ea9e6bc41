#include "web/Metrics.h"

#include "app/Station.h"
#include "web/StatusFigures.h"

namespace korvane::web {

namespace {

// One metric family: its HELP and TYPE lines, then its samples.
class Family {
public:
    Family(QByteArray &out, const char *name, const char *type, const char *help)
        : m_out(out), m_name(name)
    {
        m_out += "# HELP " + m_name + ' ' + help + "\n# TYPE " + m_name + ' ' + type + '\n';
    }

    void sample(double value) { line(QByteArray(), value); }
    void sample(const char *label, const QString &labelValue, double value)
    {
        line('{' + QByteArray(label) + "=\"" + escapeLabelValue(labelValue) + "\"}", value);
    }

private:
    void line(const QByteArray &labels, double value)
    {
        m_out += m_name + labels + ' ' + QByteArray::number(value, 'g', 15) + '\n';
    }

    QByteArray &m_out;
    QByteArray m_name;
};

double upOrZero(const LinkOutage &link)
{
    return link.state() == LinkOutage::State::Up ? 1 : 0;
}

void figures(QByteArray &out, const Station &station)
{
    QList<std::pair<QString, FigureReading>> fed;
    for (const StatusFigure &figure : statusFigures()) {
        const FigureReading r = readFigure(station, figure);
        fed.append({QString::fromLatin1(figure.id), r});
        if (!figure.number) {
            // A text figure is an info metric: its text as a label.
            Family f(out, figure.metric, "gauge", figure.help);
            if (r.known)
                f.sample("name", r.text, 1);
            continue;
        }
        Family f(out, figure.metric, "gauge", figure.help);
        if (r.known)
            f.sample(*r.number * figure.metricScale);
    }
    Family age(out, "korvane_figure_age_seconds", "gauge", "Time since the figure's peer last gave a reading.");
    for (const auto &[id, r] : fed)
        if (r.ageS)
            age.sample("figure", id, *r.ageS);
    Family stale(out, "korvane_figure_stale", "gauge", "1 while the figure's peer gives no readings.");
    for (const auto &[id, r] : fed)
        stale.sample("figure", id, r.stale ? 1 : 0);
}

void links(QByteArray &out, const Station &station)
{
    Family up(out, "korvane_link_up", "gauge", "1 while the link is up; 0 while down or not in use.");
    for (const LinkHealth::Named &named : station.links.named())
        up.sample("link", named.id, upOrZero(*named.link));
    Family losses(out, "korvane_link_losses_total", "counter", "Times the link was lost since the start.");
    for (auto it = station.counters.linkLosses.cbegin(); it != station.counters.linkLosses.cend(); ++it)
        losses.sample("link", it.key(), static_cast<double>(it.value()));
    Family reconnects(out, "korvane_reconnects_total", "counter",
                      "Times a socket link connected again after an earlier connection.");
    for (auto it = station.counters.reconnects.cbegin(); it != station.counters.reconnects.cend(); ++it)
        reconnects.sample("link", it.key(), static_cast<double>(it.value()));
}

} // namespace

QByteArray escapeLabelValue(const QString &value)
{
    QByteArray out;
    const QByteArray utf8 = value.toUtf8();
    out.reserve(utf8.size());
    for (const char c : utf8) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '"')
            out += "\\\"";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

QByteArray metricsText(const Station &station)
{
    QByteArray out;
    Family(out, "korvane_build_info", "gauge", "The station's version.")
        .sample("version", QStringLiteral(KORVANE_VERSION), 1);
    figures(out, station);
    links(out, station);
    Family(out, "korvane_alarm_active", "gauge", "1 while an alarm is shown.")
        .sample(station.display.Lbl_ALARM.text().trimmed().isEmpty() ? 0 : 1);
    Family(out, "korvane_cloud_report_failures_total", "counter",
           "Reports the cloud refused or could not be reached for.")
        .sample(static_cast<double>(station.counters.cloudReportFailures));
    Family(out, "korvane_commands_total", "counter", "Operator commands entered at the console.")
        .sample(static_cast<double>(station.counters.commands));
    return out;
}

} // namespace korvane::web
