#pragma once

#include <QString>

namespace store
{

// What the user sees while an Access file is converted, so that a long conversion does not
// look like a hung station. The window layer gives CDB one; without it the wait is silent.
class ConversionProgress
{
public:
    virtual ~ConversionProgress() = default;
    virtual void begin(const QString& text) = 0;
    // Rows carried so far of the rows the file's tables declare.
    virtual void advance(qint64 done, qint64 total) = 0;
    virtual void end() = 0;
};

} // namespace store
