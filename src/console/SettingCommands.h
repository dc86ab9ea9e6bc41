#pragma once

#include "console/ConsoleCommand.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

namespace korvane {

class Dialogs;
class Display;
class SettingsStore;
struct AisState;
struct CloudState;
struct OptimisationState;

// The console commands that change or show the station's own settings.
// Each stores its key at once and puts the value in force at once in the
// records below; the command text is always the box's current text.
class SettingCommands {
public:
    using EventLine = std::function<QString(const QString &message)>;

    // What these commands change; the optimisation, AIS, cloud and watchdog
    // handlers read it.
    struct Records {
        OptimisationState &optimisation;
        AisState &ais;
        CloudState &cloud;
        std::int16_t &compassRebootSwitch;
        std::int16_t &pingRebootSwitch;
    };

    // How a reboot-switch text is taken: Enter runs all three steps, the
    // send button only the first that matches.
    enum class SwitchForm { All, Off, On, Query };

    SettingCommands(Display &display, SettingsStore &settings, Dialogs &dialogs, Records records,
                    EventLine eventLine, QString applicationTitle);

    // Ticks a check box exactly as the operator does (its click handling
    // runs when the box was clear). Set by the station.
    std::function<void(const QString &control)> tickBox;
    // Closes the AIS serial port if open and opens it under the new name; the
    // number is empty when the name holds none, and the previous number
    // stays. Empty until the serial layer exists: the name is then only
    // stored and kept in force.
    std::function<void(const QString &name, std::optional<std::int16_t> number)> reopenAisPort;
    // The operator stored a radio port for the next start: nothing may store
    // another one before it. Set by the station.
    std::function<void()> radioPortChosen;

    void radioPort(ConsoleCommand &command, const QString &prefix);
    void cloudHost(ConsoleCommand &command);
    void comparisonInterval(ConsoleCommand &command);
    void comparisonStep(ConsoleCommand &command);
    void aisSerialPort(ConsoleCommand &command);
    // The port command's other form: the text is a port name that discovery
    // found ("ttyUSB0" on Linux, where names carry no "COM").
    bool isDiscoveredAisPort(const QString &text) const;
    // SHIP_SERVICE shows and SHIP_SERVICE=ADDRESS sets the ship-position
    // service's address.
    void shipService(ConsoleCommand &command);
    void shipMmsi(ConsoleCommand &command, const QString &form);  // "mmsi" or "MMSI"
    void driveMmsi(ConsoleCommand &command, const QString &form); // "ais" or "AIS"
    void headingCorrection(ConsoleCommand &command);
    void scanInterval(ConsoleCommand &command);
    void scanStep(ConsoleCommand &command);
    void compassReboot(ConsoleCommand &command, SwitchForm form);
    void pingReboot(ConsoleCommand &command, SwitchForm form);

    // The data of families that share one procedure (in the .cpp files).
    struct IntervalFamily;
    struct SwitchFamily;
    struct MmsiForm;

private:

    QString text() const;
    void notice(const QString &text);
    void compose(ConsoleCommand &command) const;
    void interval(ConsoleCommand &command, const IntervalFamily &family);
    void acceptInterval(ConsoleCommand &command, const IntervalFamily &family, std::int32_t v);
    void mmsi(ConsoleCommand &command, const MmsiForm &form);
    void switchOn(const MmsiForm &form);
    void rebootSwitch(ConsoleCommand &command, const SwitchFamily &family, SwitchForm form);

    Display &m_display;
    SettingsStore &m_settings;
    Dialogs &m_dialogs;
    Records m_records;
    EventLine m_eventLine;
    QString m_applicationTitle;
};

} // namespace korvane
