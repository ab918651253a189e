#pragma once

#include <QString>
#include <QStringList>

// Where procedure files are found: the operator's own in the data directory
// first, then the ones the package ships.
namespace ProcedureLibrary {

// ~/VANTOData/procedures/
QString ownDirectory();
// Every *.toml of those directories, own ones first; a shipped file of the
// same name as an own one is left out.
QStringList files();

} // namespace ProcedureLibrary
