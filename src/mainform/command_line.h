// The archive named on the command line.
#pragma once

#include <QString>
#include <QStringList>

// Joins the first eight arguments after the program's name with nothing between them, so a
// name that the shell split at a blank arrives whole. A ninth argument and later are ignored.
QString JoinCommandLine(const QStringList& arguments);
