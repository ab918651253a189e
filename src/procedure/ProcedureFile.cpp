#include "procedure/ProcedureFile.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

#define TOML_EXCEPTIONS 1
#include <toml++/toml.h>

#include <set>

QString ProcedureFault::toString() const
{
    QString s = QStringLiteral("%1:%2:%3: ").arg(file).arg(line).arg(column);
    if (step > 0)
        s += QStringLiteral("step %1: ").arg(step);
    return s + text;
}

namespace {
QString qs(std::string_view s)
{
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

class Reader
{
public:
    Reader(QString fileName, ProcedureLoad &load)
        : m_file(std::move(fileName))
        , m_load(load)
    { }

    void fault(const toml::node &at, const QString &text)
    {
        const auto &begin = at.source().begin;
        m_load.faults.push_back({m_file, int(begin.line), int(begin.column), m_step, text});
    }

    // Keys a table may have; any other is a fault, so a misspelt limit isn't
    // quietly ignored.
    void onlyKeys(const toml::table &table, const std::set<std::string> &allowed)
    {
        for (const auto &[key, value] : table)
            if (!allowed.count(std::string(key.str())))
                fault(value, QStringLiteral("unknown key '%1'").arg(qs(key.str())));
    }

    std::optional<QString> text(const toml::table &table, const char *key)
    {
        const toml::node *node = table.get(key);
        if (!node)
            return std::nullopt;
        if (const auto s = node->value<std::string>())
            return qs(*s);
        fault(*node, QStringLiteral("'%1' is not a text").arg(QLatin1String(key)));
        return std::nullopt;
    }

    std::optional<double> number(const toml::table &table, const char *key, bool positive = true)
    {
        const toml::node *node = table.get(key);
        if (!node)
            return std::nullopt;
        if (!node->is_number()) {
            fault(*node, QStringLiteral("'%1' is not a number").arg(QLatin1String(key)));
            return std::nullopt;
        }
        const double v = *node->value<double>();
        if (positive && !(v >= 0)) {
            fault(*node, QStringLiteral("'%1' is negative").arg(QLatin1String(key)));
            return std::nullopt;
        }
        return v;
    }

    void minMax(const toml::table &table, std::optional<double> &min, std::optional<double> &max)
    {
        min = number(table, "min", false);
        max = number(table, "max", false);
        if (min && max && *min > *max)
            fault(*table.get("min"), QStringLiteral("minimum %1 above maximum %2").arg(*min).arg(*max));
    }

    std::vector<Limit> limits(const toml::table &step, const char *key)
    {
        std::vector<Limit> out;
        const toml::node *node = step.get(key);
        if (!node)
            return out;
        const toml::array *array = node->as_array();
        if (!array) {
            fault(*node, QStringLiteral("'%1' is not a list of readings").arg(QLatin1String(key)));
            return out;
        }
        for (const toml::node &entry : *array) {
            const toml::table *table = entry.as_table();
            if (!table) {
                fault(entry, QStringLiteral("a reading is not a table"));
                continue;
            }
            onlyKeys(*table, {"name", "min", "max", "state"});
            const auto name = text(*table, "name");
            if (!name) {
                fault(entry, QStringLiteral("a reading without a name"));
                continue;
            }
            const auto quantity = quantityNamed(*name);
            if (!quantity) {
                fault(*table->get("name"), QStringLiteral("unknown reading '%1'").arg(*name));
                continue;
            }
            Limit limit{*quantity, {}, {}, 0};
            if (*quantity == Quantity::LoadState) {
                const auto state = text(*table, "state");
                if (state == QLatin1String("loaded"))
                    limit.state = 'l';
                else if (state == QLatin1String("unloaded"))
                    limit.state = 'u';
                else
                    fault(entry, QStringLiteral("load_state wants state = \"loaded\" or \"unloaded\""));
            } else {
                minMax(*table, limit.min, limit.max);
                if (!limit.min && !limit.max)
                    fault(entry, QStringLiteral("reading '%1' has no limit").arg(*name));
            }
            out.push_back(limit);
        }
        return out;
    }

    void step(const toml::node &node, int index)
    {
        m_step = index;
        const toml::table *table = node.as_table();
        if (!table) {
            fault(node, QStringLiteral("not a table"));
            return;
        }
        Step s;
        s.line = int(node.source().begin.line);
        s.column = int(node.source().begin.column);
        const auto kind = text(*table, "kind");
        if (!kind) {
            if (!table->get("kind"))
                fault(node, QStringLiteral("missing kind"));
            return;
        }
        if (*kind == QLatin1String("record")) {
            s.kind = StepKind::Record;
            onlyKeys(*table, {"kind", "text", "field", "numeric", "min", "max", "timeout"});
            s.field = text(*table, "field").value_or(QString());
            if (const toml::node *numeric = table->get("numeric")) {
                if (numeric->is_boolean())
                    s.numeric = *numeric->value<bool>();
                else
                    fault(*numeric, QStringLiteral("'numeric' is not true or false"));
            }
            minMax(*table, s.min, s.max);
            s.numeric = s.numeric || s.min || s.max;
        } else if (*kind == QLatin1String("instruct")) {
            s.kind = StepKind::Instruct;
            onlyKeys(*table, {"kind", "text", "until", "timeout"});
            s.limits = limits(*table, "until");
        } else if (*kind == QLatin1String("command")) {
            s.kind = StepKind::Command;
            onlyKeys(*table, {"kind", "text", "command", "confirm"});
            const auto command = text(*table, "command");
            bool known = false;
            for (Command c : {Command::LoadOn, Command::LoadOff, Command::PpsOn, Command::PpsOff, Command::RateFast,
                              Command::RateSlow})
                if (command == commandName(c)) {
                    s.command = c;
                    known = true;
                }
            if (!command && !table->get("command"))
                fault(node, QStringLiteral("missing command"));
            else if (command && !known)
                fault(*table->get("command"), QStringLiteral("unknown command '%1'").arg(*command));
            s.confirmS = number(*table, "confirm").value_or(5);
        } else if (*kind == QLatin1String("check")) {
            s.kind = StepKind::Check;
            onlyKeys(*table, {"kind", "text", "readings", "hold", "timeout"});
            s.limits = limits(*table, "readings");
            if (s.limits.empty() && !table->get("readings"))
                fault(node, QStringLiteral("a check without readings"));
            s.holdS = number(*table, "hold").value_or(0);
        } else {
            fault(*table->get("kind"), QStringLiteral("unknown step kind '%1'").arg(*kind));
            return;
        }
        s.timeoutS = number(*table, "timeout").value_or(0);
        if (s.kind == StepKind::Check && !(s.timeoutS > 0))
            fault(node, QStringLiteral("a check without a timeout"));
        if (table->get("timeout") && s.timeoutS > 0 && s.holdS > s.timeoutS)
            fault(*table->get("hold"),
                  QStringLiteral("hold %1 s longer than its timeout %2 s").arg(s.holdS).arg(s.timeoutS));
        const auto words = text(*table, "text");
        // A command says what it does by itself; every other step speaks to the operator.
        if (words && !words->trimmed().isEmpty())
            s.text = *words;
        else if (s.kind == StepKind::Command)
            s.text = commandName(s.command);
        else if (!table->get("text") || words)
            fault(node, QStringLiteral("missing text"));
        m_load.procedure.steps.push_back(s);
    }

    void document(const toml::table &root)
    {
        onlyKeys(root, {"name", "version", "link_lost", "step"});
        Procedure &p = m_load.procedure;
        p.name = text(root, "name").value_or(QString());
        p.version = text(root, "version").value_or(QString());
        if (p.name.trimmed().isEmpty())
            m_load.faults.push_back({m_file, 1, 1, 0, QStringLiteral("missing name")});
        if (p.version.trimmed().isEmpty())
            m_load.faults.push_back({m_file, 1, 1, 0, QStringLiteral("missing version")});
        p.linkLostS = number(root, "link_lost").value_or(p.linkLostS);
        const toml::node *steps = root.get("step");
        const toml::array *array = steps ? steps->as_array() : nullptr;
        if (!array || array->empty()) {
            m_load.faults.push_back({m_file, 1, 1, 0, QStringLiteral("no [[step]]")});
            return;
        }
        int index = 0;
        for (const toml::node &node : *array)
            step(node, ++index);
    }

private:
    QString m_file;
    ProcedureLoad &m_load;
    int m_step = 0;
};
} // namespace

ProcedureLoad parseProcedure(const QByteArray &text, const QString &fileName)
{
    ProcedureLoad load;
    load.procedure.path = fileName;
    load.procedure.sha256 = QCryptographicHash::hash(text, QCryptographicHash::Sha256).toHex();
    const std::string path = fileName.toStdString();
    try {
        const toml::table root = toml::parse(std::string_view(text.constData(), std::size_t(text.size())), path);
        Reader(fileName, load).document(root);
    } catch (const toml::parse_error &error) {
        const auto &begin = error.source().begin;
        load.faults.push_back({fileName, int(begin.line), int(begin.column), 0, qs(error.description())});
    }
    return load;
}

ProcedureLoad loadProcedure(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ProcedureLoad load;
        load.procedure.path = path;
        load.faults.push_back({path, 0, 0, 0, file.errorString()});
        return load;
    }
    ProcedureLoad load = parseProcedure(file.readAll(), path);
    return load;
}

QStringList describeProcedure(const Procedure &procedure)
{
    QStringList lines{
        QStringLiteral("%1, version %2, %3 steps").arg(procedure.name, procedure.version).arg(procedure.steps.size())};
    int n = 0;
    for (const Step &step : procedure.steps) {
        QString line = QStringLiteral("%1. %2: %3").arg(++n).arg(stepKindName(step.kind), step.text);
        QStringList details;
        for (const Limit &limit : step.limits)
            details << quantityName(limit.quantity) + QLatin1Char(' ') + limit.text();
        if (step.kind == StepKind::Command && (step.command == Command::LoadOn || step.command == Command::LoadOff))
            details << QStringLiteral("confirm %1 s").arg(step.confirmS);
        if (step.holdS > 0)
            details << QStringLiteral("hold %1 s").arg(step.holdS);
        if (step.timeoutS > 0)
            details << QStringLiteral("timeout %1 s").arg(step.timeoutS);
        if (!details.isEmpty())
            line += QStringLiteral(" [") + details.join(QStringLiteral(", ")) + QLatin1Char(']');
        lines << line;
    }
    return lines;
}
