#pragma once
// Small conversions the view's report code shares.
#include <QString>

#include <string>

// Texts from the report engine are UTF-8.
inline QString fromUtf8(const std::string& text)
{
    return QString::fromStdString(text);
}
