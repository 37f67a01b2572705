#pragma once

#include <QString>

#include <utility>

// The outcome of an operation that can fail: success, or the text that tells the user why.
// Operations report failure this way rather than by a bare false or an exception.

namespace scrivlet {

class [[nodiscard]] Result {
public:
    Result() = default;  // success
    static Result Failure(QString error)
    {
        Result result;
        result.error_ = error.isEmpty() ? QStringLiteral("?") : std::move(error);
        return result;
    }

    bool Ok() const { return error_.isEmpty(); }
    explicit operator bool() const { return Ok(); }
    // Empty on success.
    const QString& Error() const { return error_; }

private:
    QString error_;
};

}  // namespace scrivlet
