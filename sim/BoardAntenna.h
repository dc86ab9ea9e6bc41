#pragma once

#include <optional>

namespace korvane::sim {

struct GeoPoint {
    double lat = 0;
    double lon = 0;
    double alt = 0;
};

// The simulated antenna on its ship: the ship sails on a fixed heading and
// speed, and the antenna turns at a limited rate towards its goal. Angles are
// relative to the bow, 0 to 360. The goal is the drive angle plus the manual
// offset; the drive angle is the bearing to the target (automatic drive) or
// the angle last given by a ship-to-ship drive command.
class BoardAntenna {
public:
    struct Setup {
        GeoPoint own;
        GeoPoint base;
        std::optional<GeoPoint> target;
        double heading = 0;
        double speedKmh = 0;
        double elevation = 5.0;
    };

    explicit BoardAntenna(const Setup &setup);

    // Moves the ship and turns the antenna by `seconds` of simulated time.
    void advance(double seconds);

    void driveTo(double angle);        // ship-to-ship drive, relative to the bow
    void setManualOffset(double offset); // 0 returns to automatic drive
    void turnBy(double degrees);       // relative turn, added to the offset
    void restart();                    // back to automatic drive from the bow
    void setOwnPosition(double lat, double lon);
    void setBaseLatitude(double lat);
    void setBaseLongitude(double lon);
    void setTarget(double lat, double lon); // the target ship: aimed at from now on

    double azimuth() const { return m_azimuth; }
    double elevation() const { return m_elevation; }
    double offset() const { return m_offset; }
    double driveAngle() const;
    double goal() const;
    // How far the antenna points from its drive direction, -180 to 180: the
    // manual offset and the turns, as far as the antenna has carried them out.
    double pointingFromDrive() const;
    bool shipDrive() const { return m_commanded.has_value(); }
    double heading() const { return m_heading; }
    double speedKmh() const { return m_speedKmh; }
    const GeoPoint &own() const { return m_own; }
    const GeoPoint &base() const { return m_base; }
    const std::optional<GeoPoint> &target() const { return m_target; }
    // The base station, or the target ship when one is set.
    const GeoPoint &aim() const { return m_target ? *m_target : m_base; }
    double distanceKm() const;

    // The compass reading wanders by a few tenths around the heading, so two
    // consecutive readings always differ, as a live compass does. A stuck
    // compass repeats its last reading.
    double nextCompassReading();
    void setCompassStuck(bool stuck) { m_compassStuck = stuck; }
    bool compassStuck() const { return m_compassStuck; }
    std::optional<double> lastCompassReading() const { return m_lastCompass; }

    static double normalize(double degrees);
    static double distanceKm(const GeoPoint &from, const GeoPoint &to);
    static double bearing(const GeoPoint &from, const GeoPoint &to);

private:
    GeoPoint m_own;
    GeoPoint m_base;
    std::optional<GeoPoint> m_target;
    double m_heading;
    double m_speedKmh;
    double m_elevation;
    double m_azimuth = 0;
    double m_offset = 0;
    std::optional<double> m_commanded;
    unsigned m_compassStep = 0;
    bool m_compassStuck = false;
    std::optional<double> m_lastCompass;
};

} // namespace korvane::sim
