#include "FuzzSupport.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace scrivlet::fuzz {

uint8_t InputReader::Byte()
{
    return pos_ < size_ ? data_[pos_++] : 0;
}

int32_t InputReader::Int32()
{
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value |= static_cast<uint32_t>(Byte()) << (8 * i);
    return static_cast<int32_t>(value);
}

QByteArray InputReader::Sized(bool wide)
{
    std::size_t length = Byte();
    if (wide)
        length |= static_cast<std::size_t>(Byte()) << 8;
    length = std::min(length, size_ - pos_);
    QByteArray chunk(reinterpret_cast<const char*>(data_ + pos_), static_cast<qsizetype>(length));
    pos_ += length;
    return chunk;
}

QByteArray InputReader::Rest()
{
    QByteArray rest(reinterpret_cast<const char*>(data_ + pos_),
                    static_cast<qsizetype>(size_ - pos_));
    pos_ = size_;
    return rest;
}

QString TempPath(const QString& name)
{
    // Lives until the process ends, so a fuzzing run leaves no folders behind.
    static std::unique_ptr<QTemporaryDir> dir = std::make_unique<QTemporaryDir>();
    if (!dir->isValid())
        Fail("no temporary folder");
    return dir->filePath(name);
}

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    // A full disk shows only when the buffer goes out.
    return file.write(bytes) == bytes.size() && file.flush();
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

void Fail(const char* what)
{
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

}  // namespace scrivlet::fuzz
