#pragma once

#include <QString>
#include <QStringList>

// One record of a contacts file as it was read: its fields in the order of
// the file's columns, the line it starts on, and what is wrong with its form
// (empty when nothing is).
struct CContactRow {
    QStringList fields;
    qint64 nLine = 0;
    QString strProblem;
};
