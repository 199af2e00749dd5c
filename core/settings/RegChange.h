#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>

// One change to the settings, with the key's path as the file holds it (the 32-bit view already
// applied), so that it can be replayed on a fresh copy of the file or handed to a running Wine.
struct RegChange {
    enum class Kind { SetValue, DeleteValue, CreateKey, DeleteKey, DeleteTree };

    Kind kind = Kind::SetValue;
    QStringList path;
    QString name;
    uint32_t type = 0;
    QByteArray data;
};
