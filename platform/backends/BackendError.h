#pragma once

#include <QString>

// Backends explain a refusal through an optional out-parameter.
inline void setError(QString *error, const QString &text) {
    if (error)
        *error = text;
}
