#pragma once

#include <QByteArray>
#include <QString>

// The whole content of a file, or "<unreadable>" when it cannot be read.
QByteArray ReadAll(const QString& strPath);
// Writes content as the whole file, over what it held; false when the file
// cannot be written whole.
[[nodiscard]] bool WriteFile(const QString& strPath, const QByteArray& content);
