#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

// What a check can read: the reply's readings and the share of polls answered.
enum class Quantity : quint8 {
    LoadCanTemp,
    ControlCanTemp,
    PulseFrequency,
    PulseWidth,
    Supply400,
    Supply48,
    LoadState,
    ReplyShare,
};

// The name a procedure file gives a quantity, and its unit; none for a name
// the tool doesn't read.
QString quantityName(Quantity q);
QString quantityUnit(Quantity q);
std::optional<Quantity> quantityNamed(const QString &name);

// "338 – 412 V", "≥ 95 %", "any".
QString rangeText(std::optional<double> min, std::optional<double> max, const QString &unit);

// One quantity with its limits. The load state is matched against a state
// ('l' loaded, 'u' unloaded) rather than limits.
struct Limit
{
    Quantity quantity = Quantity::Supply400;
    std::optional<double> min;
    std::optional<double> max;
    char state = 0;

    bool within(double value) const
    {
        if (quantity == Quantity::LoadState)
            return value == double(state);
        // Written as "not outside" fails for NaN too.
        return !(min && !(value >= *min)) && !(max && !(value <= *max));
    }
    // "338 – 412 V", "≥ 95 %", "loaded".
    QString text() const;
};

enum class StepKind : quint8 { Record, Instruct, Command, Check };
enum class Command : quint8 { LoadOn, LoadOff, PpsOn, PpsOff, RateFast, RateSlow };

QString stepKindName(StepKind kind);
QString commandName(Command command);

struct Step
{
    StepKind kind = StepKind::Instruct;
    QString text; // what the operator reads
    int line = 0; // where the step starts in its file
    int column = 0;

    // record: what the typed value is for in the report ("node",
    // "operator", or any other name), and limits when it is a number.
    QString field;
    bool numeric = false;
    std::optional<double> min;
    std::optional<double> max;

    // instruct: the condition that enables Continue; check: the readings.
    std::vector<Limit> limits;

    // command
    Command command = Command::LoadOn;
    double confirmS = 0; // load commands: the report must agree within this

    double holdS = 0;    // check: the limits held without a break this long
    double timeoutS = 0; // 0: no timeout (instruct and record only)
};

struct Procedure
{
    QString name;
    QString version;
    QString path;
    QByteArray sha256; // of the file, hex
    // A link without a current reply for this long ends the run.
    double linkLostS = 10;
    std::vector<Step> steps;
};
