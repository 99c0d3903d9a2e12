#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// Shared by the fuzz targets. A failed property aborts, so libFuzzer keeps the
// input as a crash file like any other finding.
#define FUZZ_CHECK(condition)                                                                        \
    ((condition) ? void(0) : FuzzSupport::fail(#condition, __FILE__, __LINE__))

namespace FuzzSupport {

[[noreturn]] inline void fail(const char* what, const char* file, int line)
{
    std::fprintf(stderr, "property failed: %s (%s:%d)\n", what, file, line);
    std::abort();
}

inline QByteArray bytes(const uint8_t* data, size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

inline QString text(const uint8_t* data, size_t size)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
}

// A fresh private folder for the whole run, removed at exit; also made the
// application-data home, so the readers' own paths land inside it.
QString scratchFolder();

} // namespace FuzzSupport
