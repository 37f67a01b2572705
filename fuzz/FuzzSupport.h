#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

// What the fuzz targets share: reading typed values off the front of the input, and a
// private temporary folder for the files a target writes and reads back.

namespace scrivlet::fuzz {

// Takes fixed-size values from the front of the input; past its end every value is 0.
class InputReader {
public:
    InputReader(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    uint8_t Byte();
    int32_t Int32();
    // A length (one byte, or two little-endian with wide) and that many bytes, as far as the
    // input goes.
    QByteArray Sized(bool wide);
    QByteArray Rest();
    std::size_t Remaining() const { return size_ - pos_; }

private:
    const uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// A file name inside the process's own temporary folder (made on first use).
QString TempPath(const QString& name);

// Replaces the file with bytes; false when it cannot be written.
bool WriteFile(const QString& path, const QByteArray& bytes);
QByteArray ReadFile(const QString& path);

// Stops the process with a message: a property the target checks did not hold.
[[noreturn]] void Fail(const char* what);

}  // namespace scrivlet::fuzz
