#pragma once

// Helpers shared by the fuzz targets: property checks that stop the run with a report, a
// scratch folder for parsers that read files, and ways to cut the input into pieces.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <QByteArray>
#include <QString>
#include <QStringList>

// A property that does not hold is a finding like a crash: libFuzzer keeps the input.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "property does not hold: %s (%s:%d)\n", #condition, __FILE__,     \
                         __LINE__);                                                                \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

// The input as bytes (no copy is made; the view lives as long as the call).
inline QByteArray FuzzBytes(const uint8_t* data, size_t size)
{
    return QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
}

// A file name in this process's own scratch folder; the folder goes when the process ends.
QString ScratchFile(const QString& name);
// Writes the bytes to the file, replacing it.
void WriteScratchFile(const QString& fileName, const QByteArray& bytes);

// The input cut at every separator byte.
std::vector<std::string> SplitInput(const QByteArray& input, char separator);
// The same as text (UTF-8, damaged sequences replaced).
QStringList SplitInputText(const QByteArray& input, char separator);

// Reads the first byte of the input as a selector and removes it; 0 for an empty input.
uint8_t TakeSelector(QByteArray& input);
