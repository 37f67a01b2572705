#pragma once

#include <QString>
#include <QStringList>

// The options of the converter's quality checks (--check and what goes with it), shared by the
// single-file and the project command lines.

namespace scrivlet::convert {

struct CheckRequest {
    bool check = false;
    QStringList checks;  // --checks a,b: only these; empty: all but spelling
    QString glossary;
    QString spelling;  // a language: turns spelling on
    QStringList placeholders;
    QStringList tags;
    double lengthRatio = 0;    // 0: the project's, else the default
    QStringList startCaseOff;  // "format:field"
    QStringList boxes;         // "FIELD:FONT:SIZE:WIDTH:LINES[:BREAK]"
};

extern const char kCheckUsage[];

// Takes args[i] (and its value, moving i past it) when it is a check option; a problem with it
// goes to *problem.
bool TakeCheckOption(const QStringList& args, int& i, CheckRequest* request, QString* problem);
// Whether arg is a check option that takes a value.
bool IsCheckValueOption(const QString& arg);
// What is wrong with the request; empty when nothing is.
QString CheckRequestProblem(const CheckRequest& request);

}  // namespace scrivlet::convert
