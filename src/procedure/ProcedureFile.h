#pragma once

#include "procedure/Procedure.h"

#include <QString>
#include <QStringList>

// One thing wrong with a procedure file, where it is.
struct ProcedureFault
{
    QString file; // as named to the reader
    int line = 0;
    int column = 0;
    int step = 0; // counted from 1; 0 for the file as a whole
    QString text;

    // "x.toml:12:3: step 4: unknown reading 'ch3_volts'"
    QString toString() const;
};

struct ProcedureLoad
{
    Procedure procedure;
    std::vector<ProcedureFault> faults; // a procedure with any never starts

    bool ok() const { return faults.empty(); }
};

// Reads a procedure from its TOML text: a name, a version and an ordered
// list of [[step]] tables. Every fault found is kept, not just the first.
ProcedureLoad parseProcedure(const QByteArray &text, const QString &fileName);
ProcedureLoad loadProcedure(const QString &path);

// The steps as --check-procedure prints them, one a line.
QStringList describeProcedure(const Procedure &procedure);
